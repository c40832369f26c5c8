#include "foundation/uo_line.h"

#include "runtime/ui/window.h"

#include <cstdint>

uo_line::uo_line(rt::Container* parent, rt::Rect r) : rt::UserObject(parent, r) {
    set_backcolor(rt::colours::button_face);
}

void uo_line::constructor() {
    Resize(width(), 8);
    Move(0, y());
    ln_1.set_beginy(0);
    ln_1.set_endy(0);
    ln_2.set_beginy(4);
    ln_2.set_endy(4);
}

void uo_line::resized(unsigned long sizetype, int newwidth, int newheight) {
    rt::UserObject::resized(sizetype, newwidth, newheight);
    ue_size(sizetype, newwidth, newheight);
}

void uo_line::ue_size(unsigned long, int newwidth, int) {
    if (height() != 8) Resize(width(), 8);
    const int inset = haveleftright.value_or(false) ? 80 : 0;
    const int end = static_cast<std::int16_t>(newwidth - inset);
    ln_1.set_beginx(inset);
    ln_1.set_endx(end);
    ln_2.set_beginx(inset);
    ln_2.set_endx(end);
    update();
}

void uo_line::of_footer(rt::Window* aw, rt::Control* ado, const std::vector<rt::CommandButton*>& ab) {
    of_footer(aw, ado, ab, false);
}

void uo_line::of_footer(rt::Window* aw, const std::vector<rt::CommandButton*>& ab) {
    of_footer(aw, nullptr, ab, false);
}

void uo_line::of_footer(rt::Window* aw, rt::Control* ado, const std::vector<rt::CommandButton*>& ab, bool ab_hide) {
    if (!aw) return;
    const int n = static_cast<int>(ab.size());
    const int hgap = n > 4 ? 9 : 27;
    const int vgap = 48;
    int right = 80;
    if (ado) {
        const int y = dynamic_cast<rt::DropDownListBox*>(ado) ? ado->y() + 120 : ado->y() + ado->height() + vgap;
        Move(0, y);
        if (ab_hide) {
            Hide();
            Move(0, y - vgap);
        }
        haveleftright = true;
    } else {
        Move(0, aw->WorkSpaceHeight() - 188);
    }
    Resize(aw->WorkSpaceWidth(), height());
    for (int i = n - 1; i >= 0; --i) {
        rt::CommandButton* b = ab[static_cast<std::size_t>(i)];
        if (!b) return;
        const std::string caption = b->text();
        const int bytes = static_cast<int>(caption.size()) - (caption.find("(&") != std::string::npos ? 1 : 0);
        const int w = std::max(bytes * 32, 320);
        b->Resize(w, 92);
        // Placed by the width it took, which a button may hold above ours.
        b->Move(width() - right - b->width(), y() + vgap);
        right += b->width() + hgap;
    }
    if (!ado || n == 0) return;
    auto* borders = dynamic_cast<uo_line_borders*>(aw);
    if (!borders) return; // the window has no such function: stop here
    aw->Resize(aw->width(), static_cast<int>(ab[0]->y() + ab[0]->height() + vgap + borders->wf_get_border_height()));
}

void uo_line::of_left(rt::Window* aw, rt::Control* ado, const std::vector<rt::CommandButton*>& ab) {
    if (!aw) return;
    for (int i = static_cast<int>(ab.size()); i >= 1; --i) {
        rt::CommandButton* b = ab[static_cast<std::size_t>(i - 1)];
        if (!b) return;
        b->Move(aw->WorkSpaceWidth() - 352, y() + 24 + 108 * (i - 1));
        b->Resize(320, 92);
    }
    if (!ado) return;
    ado->Move(ado->x(), y() + 24);
    ado->Resize(aw->WorkSpaceWidth() - ado->x() - 384, ado->height());
}

void uo_line::of_set_image(rt::Picture* ap) {
    if (!ap) return;
    const std::string name = ap->picturename();
    ap->set_originalsize(false);
    ap->Resize(0, 0);
    ap->set_originalsize(true);
    if (ap->width() == 0) {
        ap->set_picturename(name);
        ap->set_originalsize(true);
    }
}

void uo_line::of_header(rt::Window* aw, rt::Picture* ap) {
    if (!aw || !ap) return;
    ap->Move(0, 0);
    ap->set_originalsize(true);
    auto* borders = dynamic_cast<uo_line_borders*>(aw);
    if (!borders) return;
    aw->Resize(static_cast<int>(ap->width() + borders->wf_get_border_width()), aw->height());
    Resize(aw->WorkSpaceWidth(), height());
    haveleftright = false;
    Move(x(), ap->height());
}
