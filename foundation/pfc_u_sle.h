// The single-line-edit base: lowered border, white background, automatic
// horizontal scrolling off; edit events for the clipboard and selection.
#pragma once

#include "runtime/services.h"
#include "runtime/ui/controls.h"

namespace rt { class Window; }

class pfc_u_sle : public rt::SingleLineEdit {
public:
    explicit pfc_u_sle(rt::Container* parent, const std::string& text = "", rt::Rect r = {0, 0, 453, 77});

    void getfocus() override;
    virtual int pfc_cut();
    virtual int pfc_copy();
    virtual int pfc_paste();
    virtual int pfc_undo();
    virtual int pfc_clear();
    virtual int pfc_selectall();
    void rbuttonup(unsigned long flags, int xpos, int ypos) override;
    virtual long contextmenu(int xpos, int ypos);
    int of_getparentwindow(rt::Window*& aw_parent) const;
    int TriggerEvent(const std::string& name) override;
    using rt::Control::TriggerEvent;

protected:
    int of_messagebox(const std::string& as_id, const std::string& as_title, const std::string& as_text,
                      rt::Icon ae_icon, rt::Buttons ae_button, int ai_default);

    bool ib_autoselect = false;
    bool ib_rmbmenu = true;
};
