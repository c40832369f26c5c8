// The base of the modal dialogs: a response window without minimise and
// maximise boxes, not resizable.
#pragma once

#include "foundation/w_master.h"

class w_response : public w_master {
public:
    w_response();
};
