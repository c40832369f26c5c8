#include "runtime/ui/control.h"

#include "runtime/ui/window.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>

#include <algorithm>
#include <typeinfo>

namespace rt {

// Carries the widget's events to the control.
class Control::Hook final : public QObject {
public:
    Hook(Control& c, QWidget* w) : QObject(w), c_(c) { w->installEventFilter(this); }
    void watch(QWidget* w) { w->installEventFilter(this); }

    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::FocusIn: c_.raise_getfocus(); break;
        case QEvent::FocusOut: c_.raise_losefocus(); break;
        case QEvent::Enter: c_.mouseenter(); break;
        case QEvent::Leave: c_.mouseleave(); break;
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(e);
            const QPoint p = c_.widget()->mapFromGlobal(m->globalPosition().toPoint());
            unsigned long flags = 0;
            if (m->buttons() & Qt::LeftButton) flags |= mouse_left;
            if (m->buttons() & Qt::RightButton) flags |= mouse_right;
            if (m->buttons() & Qt::MiddleButton) flags |= mouse_middle;
            if (m->modifiers() & Qt::ShiftModifier) flags |= mouse_shift;
            if (m->modifiers() & Qt::ControlModifier) flags |= mouse_control;
            int kind = 0;
            if (e->type() == QEvent::MouseButtonPress) kind = m->button() == Qt::RightButton ? 3 : 1;
            if (e->type() == QEvent::MouseButtonRelease) kind = m->button() == Qt::RightButton ? 4 : 2;
            c_.dispatch_mouse(kind, flags, p.x(), p.y());
            break;
        }
        default: break;
        }
        return false;
    }

private:
    Control& c_;
};

Control::Control(Container* parent, QWidget* widget, Rect r) : parent_(parent), widget_(widget) {
    hook_ = new Hook(*this, widget);
    widget->setMouseTracking(true);
    if (parent_) {
        taborder_ = static_cast<int>(parent_->controls_.size() + 1) * 10;
        parent_->controls_.push_back(this);
    }
    if (widget->focusPolicy() != Qt::NoFocus) widget->setFocusPolicy(Qt::StrongFocus);
    widget->setFont(qfont(font_));
    x_ = r.x;
    y_ = r.y;
    w_ = r.width;
    h_ = r.height;
    apply_geometry();
    widget->show();
}

Control::~Control() {
    if (parent_) {
        auto& v = parent_->controls_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    delete widget_.data();
}

std::string Control::class_name() const { return typeid(*this).name(); }

Window* Control::parent_window() const { return parent_ ? parent_->parent_window() : nullptr; }

void Control::apply_geometry() {
    if (!widget_) return;
    widget_->setGeometry(units_to_px_x(x_), units_to_px_y(y_), units_to_px_x(w_), units_to_px_y(h_));
}

void Control::read_back_size() {
    if (!widget_) return;
    if (widget_->width() != units_to_px_x(w_)) w_ = px_to_units_x(widget_->width());
    if (widget_->height() != units_to_px_y(h_)) h_ = px_to_units_y(widget_->height());
}

int Control::Move(int x, int y) {
    x_ = x;
    y_ = y;
    if (widget_) widget_->move(units_to_px_x(x_), units_to_px_y(y_));
    return 1;
}

int Control::Resize(int width, int height) {
    const int old_w = w_, old_h = h_;
    w_ = width;
    h_ = height;
    if (widget_) {
        widget_->resize(units_to_px_x(w_), units_to_px_y(h_));
        read_back_size();
    }
    if (w_ != old_w || h_ != old_h) resized(size_restored, w_, h_);
    return 1;
}

void Control::place(Rect r) {
    Move(r.x, r.y);
    Resize(r.width, r.height);
}

bool Control::visible() const { return visible_; }

void Control::set_visible(bool v) {
    visible_ = v;
    if (widget_) widget_->setVisible(v);
}

bool Control::enabled() const { return widget_ && widget_->isEnabled(); }

void Control::set_enabled(bool e) {
    if (widget_) widget_->setEnabled(e);
}

int Control::SetFocus() {
    if (!widget_) return -1;
    widget_->setFocus(Qt::OtherFocusReason);
    return 1;
}

bool Control::has_focus() const {
    return widget_ && (widget_->hasFocus() || (widget_->focusProxy() && widget_->focusProxy()->hasFocus()));
}

void Control::set_taborder(int t) {
    taborder_ = t;
    if (!widget_ || widget_->focusPolicy() == Qt::NoFocus) return;
    widget_->setFocusPolicy(t == 0 ? Qt::ClickFocus : Qt::StrongFocus);
}

void Control::set_font(const Font& f) {
    font_ = f;
    if (!widget_) return;
    widget_->setFont(qfont(f));
    // A closed drop-down box is one line of its font high.
    if (auto* c = qobject_cast<QComboBox*>(widget_.data())) c->setFixedHeight(c->sizeHint().height());
}

void Control::set_textcolor(std::int64_t code) {
    textcolor_ = code;
    if (!widget_) return;
    QPalette p = widget_->palette();
    p.setColor(QPalette::WindowText, qcolor(code));
    p.setColor(QPalette::Text, qcolor(code));
    p.setColor(QPalette::ButtonText, qcolor(code));
    widget_->setPalette(p);
}

void Control::set_backcolor(std::int64_t code) {
    backcolor_ = code;
    if (!widget_) return;
    QPalette p = widget_->palette();
    p.setColor(QPalette::Window, qcolor(code));
    p.setColor(QPalette::Base, qcolor(code));
    widget_->setPalette(p);
    widget_->setAutoFillBackground(code != colours::transparent);
}

void Control::set_pointer(const std::string& pointer) {
    if (!widget_) return;
    if (pointer == "HyperLink!") widget_->setCursor(Qt::PointingHandCursor);
    else if (pointer == "HourGlass!") widget_->setCursor(Qt::WaitCursor);
    else if (pointer == "IBeam!") widget_->setCursor(Qt::IBeamCursor);
    else widget_->unsetCursor();
}

void Control::mousemove(unsigned long f, int x, int y) {
    if (on_mousemove) on_mousemove(f, x, y);
}
void Control::lbuttondown(unsigned long f, int x, int y) {
    if (on_lbuttondown) on_lbuttondown(f, x, y);
}
void Control::lbuttonup(unsigned long f, int x, int y) {
    if (on_lbuttonup) on_lbuttonup(f, x, y);
}
void Control::rbuttondown(unsigned long, int, int) {}
void Control::rbuttonup(unsigned long f, int x, int y) {
    if (on_rbuttonup) on_rbuttonup(f, x, y);
}
void Control::resized(unsigned long, int, int) {}
void Control::selectionchanged(int) {}

void Control::dispatch_mouse(int kind, unsigned long flags, int px, int py) {
    const int x = px_to_units_x(px), y = px_to_units_y(py);
    switch (kind) {
    case 0: mousemove(flags, x, y); break;
    case 1: lbuttondown(flags, x, y); break;
    case 2: lbuttonup(flags, x, y); break;
    case 3: rbuttondown(flags, x, y); break;
    case 4: rbuttonup(flags, x, y); break;
    default: break;
    }
}

void Control::raise_constructor() {
    constructor();
    if (on_constructor) on_constructor();
}
void Control::raise_getfocus() {
    getfocus();
    if (on_getfocus) on_getfocus();
}
void Control::raise_losefocus() {
    losefocus();
    if (on_losefocus) on_losefocus();
}
void Control::raise_clicked() {
    clicked();
    if (on_clicked) on_clicked();
}
void Control::raise_modified() {
    modified();
    if (on_modified) on_modified();
}
void Control::raise_changed() {
    changed();
    if (on_changed) on_changed();
}
void Control::raise_selectionchanged(int index) {
    selectionchanged(index);
    if (on_selectionchanged) on_selectionchanged(index);
}

int Control::TriggerEvent(Event e) {
    switch (e) {
    case Event::constructor: raise_constructor(); break;
    case Event::clicked: raise_clicked(); break;
    case Event::getfocus: raise_getfocus(); break;
    case Event::losefocus: raise_losefocus(); break;
    case Event::modified: raise_modified(); break;
    case Event::changed: raise_changed(); break;
    case Event::selectionchanged: raise_selectionchanged(0); break;
    }
    return 1;
}

int Control::PostEvent(Event e) {
    if (!widget_) return -1;
    rt::PostEvent(widget_.data(), [this, e] { TriggerEvent(e); });
    return 1;
}

int Control::TriggerEvent(const std::string& name) {
    static const std::pair<const char*, Event> known[] = {
        {"constructor", Event::constructor}, {"clicked", Event::clicked},   {"getfocus", Event::getfocus},
        {"losefocus", Event::losefocus},     {"modified", Event::modified}, {"selectionchanged", Event::selectionchanged}};
    for (const auto& [n, e] : known)
        if (name == n) return TriggerEvent(e);
    return -1;
}

} // namespace rt
