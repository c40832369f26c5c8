// The client's main window: a maximised MDI frame in which every other
// window opens, as a sheet or as a modal window over it.
#pragma once

#include "foundation/w_master.h"
#include "runtime/ui/controls.h"
#include "shell/m_taskbar.h"
#include "shell/xu_icontray.h"

#include <memory>

class w_mdi : public w_master {
public:
    w_mdi();
    ~w_mdi() override;

    // The open frame, or null when none is open.
    static w_mdi* current();

    rt::MdiClient mdi_1{this};

    // The notification-area icon and its menu, made while the frame opens.
    std::unique_ptr<xu_icontray> iuo_icontray;
    std::unique_ptr<m_taskbar> im_current;

    // A system command: a minimise hides the frame into its tray icon.
    long ue_syscommand(unsigned long commandtype, int xpos, int ypos);
    // The tray icon's mouse message in lparam.
    long ue_custom01(unsigned long wparam, long lparam);

protected:
    void open() override;
    void close() override;
    void pfc_preopen() override;
    long syscommand(unsigned long commandtype, int xpos, int ypos) override;
    long usermessage(unsigned message, unsigned long wparam, long lparam) override;
};
