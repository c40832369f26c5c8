// The foundation library's transaction class: the connection a DataStore
// base retrieves through. It adds nothing to the runtime's transaction.
#pragma once

#include "runtime/transaction.h"

class pfc_n_tr : public rt::Transaction {
public:
    pfc_n_tr();
    ~pfc_n_tr() override;
};
