// The command-button base: "MS Sans Serif" 8 points, 352 by 92, "none".
#pragma once

#include "runtime/services.h"
#include "runtime/ui/controls.h"

namespace rt { class Window; }

class pfc_u_cb : public rt::CommandButton {
public:
    explicit pfc_u_cb(rt::Container* parent, const std::string& text = "none", rt::Rect r = {0, 0, 352, 92});

    void getfocus() override;
    int of_getparentwindow(rt::Window*& aw_parent) const;

protected:
    int of_messagebox(const std::string& as_id, const std::string& as_title, const std::string& as_text,
                      rt::Icon ae_icon, rt::Buttons ae_button, int ai_default);
};
