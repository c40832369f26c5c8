// The base window of the client's windows: design defaults, the two-step
// open sequence (pfc_preopen inside open, pfc_postopen posted after it),
// the application icon and the optional resize service.
#pragma once

#include "runtime/ui/window.h"
#include "runtime/value.h"

#include <any>
#include <memory>

namespace rt { class Control; }
class pfc_n_cst_resize;

class w_master : public rt::Window {
public:
    w_master();
    ~w_master() override;

    // A descendant's open calls w_master::open() first.
    void open() override;
    void resize(unsigned long sizetype, int newwidth, int newheight) override;

    virtual bool pfc_descendant();
    virtual void pfc_controlgotfocus(rt::Control* adrg_control);
    virtual void pfc_open();
    // Sets the icon from gnv_app->appico; a descendant calls it first.
    virtual void pfc_postopen();
    virtual void pfc_preopen();
    // 1 attached or removed, 0 nothing to do, -1 for a null argument.
    int of_setresize(rt::nbool ab_switch);

protected:
    std::any ia_helptypeid;
    rt::Control* idw_active = nullptr; // the active DataWindow control
    std::unique_ptr<pfc_n_cst_resize> inv_resize;
};
