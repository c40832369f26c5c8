// The base of the frame's sheets: w_master with its own design size.
#pragma once

#include "foundation/w_master.h"

class w_sheet : public w_master {
public:
    w_sheet();
};
