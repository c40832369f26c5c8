#include "foundation/uo_arcbutton.h"

#include "runtime/ui/units.h"
#include "runtime/ui/window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
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

// Leaving the button's widget is no movement: where the pointer went is
// for the next movement to tell, which the capture brings.
void uo_arcbutton::mouseleave() {}

class uo_arcbutton::Capture final : public QObject {
public:
    explicit Capture(uo_arcbutton& b) : b_(b) { qApp->installEventFilter(this); }
    ~Capture() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* obj, QEvent* e) override {
        b_.captured_event(obj, e);
        return false;
    }

private:
    uo_arcbutton& b_;
};

void uo_arcbutton::captured_event(QObject* obj, QEvent* e) {
    QWidget* own = widget();
    if (!own || !captured_ || !obj->isWidgetType()) return;
    auto* w = static_cast<QWidget*>(obj);
    if (w->window() != own->window()) return;
    if (e->type() == QEvent::Leave && w == own->window()) {
        mousemove(0, -1, -1); // out of the window: outside the hover area
        return;
    }
    // The button's own movements reach it through its widget already. A
    // movement that travels on to the parents comes again at the same
    // place, which changes nothing more.
    if (e->type() != QEvent::MouseMove || w == own) return;
    auto* m = static_cast<QMouseEvent*>(e);
    const QPoint p = own->mapFromGlobal(m->globalPosition().toPoint());
    unsigned long flags = 0;
    if (m->buttons() & Qt::LeftButton) flags |= rt::mouse_left;
    mousemove(flags, rt::px_to_units_x(p.x()), rt::px_to_units_y(p.y()));
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
    if (!capture_) capture_ = std::make_unique<Capture>(*this);
    return 0;
}

long uo_arcbutton::releasecapture() {
    captured_ = false;
    return 1;
}
