// The static-text base: "MS Sans Serif" 8 points, created disabled so that
// it never takes the focus, default text "none".
#pragma once

#include "runtime/services.h"
#include "runtime/ui/controls.h"

namespace rt { class Window; }

class pfc_u_st : public rt::StaticText {
public:
    explicit pfc_u_st(rt::Container* parent, const std::string& text = "none", rt::Rect r = {0, 0, 343, 64});

    void getfocus() override;
    // The window the control sits in (through tab pages): 1, or -1 and null.
    int of_getparentwindow(rt::Window*& aw_parent) const;

protected:
    int of_messagebox(const std::string& as_id, const std::string& as_title, const std::string& as_text,
                      rt::Icon ae_icon, rt::Buttons ae_button, int ai_default);
};
