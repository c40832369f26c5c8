// The etched separator: a gray line over a white one, 8 units high,
// stretched over the control's width, inset by 80 at both ends when
// haveleftright is true.
#pragma once

#include "runtime/ui/controls.h"
#include "runtime/value.h"

#include <vector>

namespace rt { class Window; }

// The window functions of_footer and of_header call by name; a window that
// offers them derives from this as well. No window of the client does.
class uo_line_borders {
public:
    virtual ~uo_line_borders() = default;
    virtual long wf_get_border_height() = 0;
    virtual long wf_get_border_width() = 0;
};

class uo_line : public rt::UserObject {
public:
    explicit uo_line(rt::Container* parent, rt::Rect r = {0, 0, 1001, 32});

    void constructor() override;
    void resized(unsigned long sizetype, int newwidth, int newheight) override;
    virtual void ue_size(unsigned long sizetype, int newwidth, int newheight);

    void of_footer(rt::Window* aw, rt::Control* ado, const std::vector<rt::CommandButton*>& ab);
    void of_left(rt::Window* aw, rt::Control* ado, const std::vector<rt::CommandButton*>& ab);
    void of_footer(rt::Window* aw, rt::Control* ado, const std::vector<rt::CommandButton*>& ab, bool ab_hide);
    void of_footer(rt::Window* aw, const std::vector<rt::CommandButton*>& ab);
    void of_set_image(rt::Picture* ap);
    void of_header(rt::Window* aw, rt::Picture* ap);

    rt::nbool haveleftright = false;

    // Created in this order: ln_2 then ln_1.
    rt::Line ln_2{this, 23, 16, 1234, 16, 16777215, 4};
    rt::Line ln_1{this, 23, 12, 1234, 12, 8421504, 4};
};
