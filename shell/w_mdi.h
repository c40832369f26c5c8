// The client's main window: a maximised MDI frame in which every other
// window opens, as a sheet or as a modal window over it.
#pragma once

#include "foundation/w_master.h"
#include "runtime/ui/controls.h"

class w_mdi : public w_master {
public:
    w_mdi();
    ~w_mdi() override;

    // The open frame, or null when none is open.
    static w_mdi* current();

    rt::MdiClient mdi_1{this};

protected:
    void open() override;
    void close() override;
    void pfc_preopen() override;
};
