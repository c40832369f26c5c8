#include "foundation/uo_arcbutton.h"

#include "runtime/ui/units.h"
#include "runtime/ui/window.h"

#include <QElapsedTimer>
#include <QPainterPath>
#include <QPushButton>
#include <QRegion>

#include <map>

namespace {

// The runtime's CPU(): milliseconds since the program started.
long cpu() {
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return static_cast<long>(t.elapsed());
}

// Regions handed out by createroundrectrgn, until setwindowrgn takes them.
std::map<unsigned long, QRegion>& regions() {
    static std::map<unsigned long, QRegion> r;
    return r;
}

} // namespace

uo_arcbutton::uo_arcbutton(rt::Container* parent, const std::string& text, rt::Rect r)
    : rt::PictureButton(parent, text, r) {
    set_font({"宋体", 9, 400, false, false, 134});
    set_pointer("HyperLink!");
    set_picturename("res\\BtnDefault.jpg");
    set_disabledname("res\\BtnDisable.jpg");
    button()->setFlat(true);
}

void uo_arcbutton::constructor() {
    const int left = il_arcl;
    const int top = il_arct;
    const int right = rt::units_to_px_x(width() - il_reducew);
    const int bottom = rt::units_to_px_y(height() - il_reduceh);
    const unsigned long rgn = createroundrectrgn(left, top, right, bottom, il_arcw, il_arch);
    setwindowrgn(rgn, true);
    is_oripic = picturename();
}

void uo_arcbutton::mousemove(unsigned long flags, int xpos, int ypos) {
    if (!is_focuspic.empty() && enabled()) {
        if (!getcapture()) {
            set_picturename(is_focuspic);
            setcapture();
        }
        if (xpos < 0 || ypos < 0 || xpos > width() - il_reducew || ypos > height() - il_reduceh) {
            releasecapture();
            set_picturename(is_oripic);
        }
    }
    rt::PictureButton::mousemove(flags, xpos, ypos);
}

// Without a real mouse capture the button cannot follow the pointer beyond
// its outline; leaving its widget counts as a movement outside.
void uo_arcbutton::mouseleave() {
    if (!getcapture()) return;
    releasecapture();
    set_picturename(is_oripic);
}

void uo_arcbutton::lbuttondown(unsigned long flags, int xpos, int ypos) {
    il_downtime = cpu();
    rt::PictureButton::lbuttondown(flags, xpos, ypos);
}

void uo_arcbutton::lbuttonup(unsigned long flags, int xpos, int ypos) {
    il_downtimes = cpu() - il_downtime;
    set_picturename(is_oripic);
    // A push button takes the mouse while pressed and frees it on release,
    // whoever held it before, so the next movement over it is a new hover.
    captured_ = false;
    rt::PictureButton::lbuttonup(flags, xpos, ypos);
}

int uo_arcbutton::of_getparentwindow(rt::Window*& aw_parent) const {
    aw_parent = parent_window();
    return aw_parent ? 1 : -1;
}

unsigned long uo_arcbutton::createroundrectrgn(int nleftrect, int ntoprect, int nrightrect, int nbottomrect,
                                               int nwidthellipse, int nheightellipse) {
    if (nrightrect <= nleftrect || nbottomrect <= ntoprect) return 0;
    QPainterPath path;
    path.addRoundedRect(QRectF(nleftrect, ntoprect, nrightrect - nleftrect, nbottomrect - ntoprect),
                        nwidthellipse / 2.0, nheightellipse / 2.0);
    static unsigned long next = 0;
    const unsigned long handle = ++next;
    regions()[handle] = QRegion(path.toFillPolygon().toPolygon());
    return handle;
}

unsigned long uo_arcbutton::setwindowrgn(unsigned long hrgn, bool bredraw) {
    auto it = regions().find(hrgn);
    if (it == regions().end()) {
        widget()->clearMask();
    } else {
        widget()->setMask(it->second);
        regions().erase(it); // the window owns it now
    }
    if (bredraw) widget()->update();
    return 1;
}

long uo_arcbutton::setcapture() {
    captured_ = true;
    return 0;
}

long uo_arcbutton::releasecapture() {
    captured_ = false;
    return 1;
}
