#include "runtime/ui/window.h"

#include "runtime/path.h"
#include "runtime/ui/control.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/qt_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <map>

namespace rt {

// ---- the runtime's shared state ---------------------------------------------
struct WindowRuntime {
    static WindowRuntime& get() {
        static WindowRuntime r;
        return r;
    }
    Message message;
    std::vector<Window*> open;
    std::map<int, std::function<void(Window&)>> hooks;
    int next_hook = 1;
    std::function<void()> on_last_closed;

    static void raise_constructors(Container& c) {
        const std::vector<Control*> list = c.controls();
        for (Control* ctl : list) {
            // The size notification of a control's creation comes first.
            ctl->resized(size_restored, ctl->width(), ctl->height());
            ctl->raise_constructor();
            if (auto* inner = dynamic_cast<Container*>(ctl)) raise_constructors(*inner);
        }
    }
    static int open_window(Window& w, Window* frame);
    static void run_hooks(Window& w);
    static void finish_close(Window& w);
    static void release_sheets(QMdiArea* area);
    static void release_sheet(Window& w);
    static int close(Window& w);
    static int close_with_return(Window& w, const std::string& answer);
    static void adopt(Window& w) { w.owned_ = true; }
};

Message& message() { return WindowRuntime::get().message; }

std::vector<Window*> open_windows() { return WindowRuntime::get().open; }

void set_on_last_window_closed(std::function<void()> fn) { WindowRuntime::get().on_last_closed = std::move(fn); }

OnWindowOpened::OnWindowOpened(std::function<void(Window&)> fn) {
    auto& r = WindowRuntime::get();
    id_ = r.next_hook++;
    r.hooks.emplace(id_, std::move(fn));
}
OnWindowOpened::~OnWindowOpened() { WindowRuntime::get().hooks.erase(id_); }

// ---- key handling -------------------------------------------------------------
namespace {

int virtual_key(int qt_key) {
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return qt_key;
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return qt_key;
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return keys::f1 + (qt_key - Qt::Key_F1);
    switch (qt_key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return keys::enter;
    case Qt::Key_Escape: return keys::escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return keys::tab;
    case Qt::Key_Backspace: return keys::back;
    case Qt::Key_Space: return keys::space;
    case Qt::Key_Up: return keys::up;
    case Qt::Key_Down: return keys::down;
    case Qt::Key_Left: return keys::left;
    case Qt::Key_Right: return keys::right;
    case Qt::Key_Home: return keys::home;
    case Qt::Key_End: return keys::end;
    case Qt::Key_PageUp: return keys::pageup;
    case Qt::Key_PageDown: return keys::pagedown;
    case Qt::Key_Insert: return keys::insert;
    case Qt::Key_Delete: return keys::del;
    case Qt::Key_Shift: return keys::shift;
    case Qt::Key_Control: return keys::control;
    case Qt::Key_Alt: return keys::alt;
    default: return 0;
    }
}

// Every window widget carries its window, so a key's receiver finds the
// window it belongs to by climbing its parents.
constexpr const char* window_property = "rt_window";

Window* window_of(QWidget* w) {
    for (; w; w = w->parentWidget()) {
        const QVariant v = w->property(window_property);
        if (v.isValid()) return static_cast<Window*>(v.value<void*>());
    }
    return nullptr;
}

void collect_controls(const Container& c, std::vector<Control*>& out) {
    for (Control* ctl : c.controls()) {
        out.push_back(ctl);
        if (auto* inner = dynamic_cast<const Container*>(ctl)) collect_controls(*inner, out);
    }
}

// Enter presses the window's default button and Esc its cancel button;
// without such a button the keys do nothing of their own.
bool press_bound_button(Window& w, int vk, QWidget* focus) {
    if (vk != keys::enter && vk != keys::escape) return false;
    if (vk == keys::enter && qobject_cast<QPlainTextEdit*>(focus)) return false;
    std::vector<Control*> all;
    collect_controls(w, all);
    for (Control* c : all) {
        bool bound = false;
        if (auto* b = dynamic_cast<CommandButton*>(c))
            bound = vk == keys::enter ? b->is_default() : b->is_cancel();
        else if (auto* p = dynamic_cast<PictureButton*>(c))
            bound = vk == keys::enter ? p->is_default() : p->is_cancel();
        if (bound && c->enabled() && c->visible()) {
            c->raise_clicked();
            return true;
        }
    }
    return false;
}

// Alt with the accelerator letter of a button of the window that cannot be
// pressed now (disabled, or hidden): Qt passes the key on to the focused
// widget as if no button had it, and an edit would type the letter. The
// key is the button's all the same, and does nothing. A button that can be
// pressed takes its key as a shortcut before it ever gets here.
bool dead_accelerator(Window& w, const QKeyEvent* k) {
    if ((k->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != Qt::AltModifier) return false;
    std::vector<Control*> all;
    collect_controls(w, all);
    for (Control* c : all) {
        const auto* b = qobject_cast<const QAbstractButton*>(c->widget());
        if (!b) continue;
        const QKeySequence m = QKeySequence::mnemonic(b->text());
        if (!m.isEmpty() && m[0].key() == k->key()) return true;
    }
    return false;
}

class KeyFilter final : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() == QEvent::KeyRelease) heard_ = {};
        if (e->type() != QEvent::KeyPress) return false;
        auto* target = qobject_cast<QWidget*>(obj);
        if (!target) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        // A key that a widget ignores travels on to its parents, as the same
        // event; the window hears it once, at the widget that had it first.
        // While a message box that the key opened was up, the focus may have
        // gone nowhere, so the focus alone cannot tell the first widget.
        if (heard_.matches(k)) return false;
        QWidget* focus = QApplication::focusWidget();
        if (focus && target != focus) return false;
        Window* w = window_of(target);
        if (!w || !w->is_open()) return false;
        const int vk = virtual_key(k->key());
        if (vk == 0) return false;
        unsigned long flags = 0;
        if (k->modifiers() & Qt::ShiftModifier) flags |= key_shift;
        if (k->modifiers() & Qt::ControlModifier) flags |= key_control;
        QPointer<QWidget> alive(w->widget());
        w->key(vk, flags);
        bool handled = alive && w->is_open() ? press_bound_button(*w, vk, focus) || dead_accelerator(*w, k) : true;
        // Noted after the handling: keys pressed in a box it opened pass here
        // in between.
        heard_ = {k, k->timestamp(), k->key()};
        return handled;
    }

private:
    // The key press the window heard last, until its key is released.
    struct Heard {
        const QKeyEvent* event = nullptr;
        quint64 timestamp = 0;
        int key = 0;
        bool matches(const QKeyEvent* k) const {
            return event == k && timestamp == k->timestamp() && key == k->key();
        }
    } heard_;
};

void install_key_filter() {
    static KeyFilter* filter = nullptr;
    if (filter || !qApp) return;
    filter = new KeyFilter;
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}

// Frame allowance of the original desktop: 3-pixel borders (4 when the
// border can be dragged) and a 22-pixel title bar.
int border_px(const Window& w) { return w.titlebar() || w.resizable() ? (w.resizable() ? 4 : 3) : 0; }
int title_px(const Window& w) { return w.titlebar() ? 22 : 0; }

// A window that opens becomes the active one at once, on every platform
// (offscreen the request alone would wait for the platform's answer).
void activate(QWidget* top) {
    top->activateWindow();
    if (QWidget* w = top->window(); !w->isActiveWindow()) QApplication::setActiveWindow(w);
}

} // namespace

// ---- the window's widget ---------------------------------------------------------
class Window::Widget final : public QWidget {
public:
    explicit Widget(Window& w) : w_(w) {
        setProperty(window_property, QVariant::fromValue<void*>(&w));
        setMouseTracking(true);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        w_.paint_lines(p);
        w_.paint(p);
    }
    void resizeEvent(QResizeEvent*) override {
        if (w_.auto_mdi_) w_.auto_mdi_->place({0, 0, w_.WorkSpaceWidth(), w_.WorkSpaceHeight()});
        w_.raise_resize();
    }
    void closeEvent(QCloseEvent* e) override {
        // The close box: the runtime closes the window its own way.
        e->ignore();
        if (w_.open_ && !w_.closing_) rt::Close(w_);
    }
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::WindowStateChange)
            w_.on_state_change(static_cast<QWindowStateChangeEvent*>(e)->oldState());
        else if (e->type() == QEvent::ActivationChange && w_.open_) {
            if (isActiveWindow()) w_.activate();
            else w_.deactivate();
        }
        QWidget::changeEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override { mouse(0, e); }
    void mousePressEvent(QMouseEvent* e) override { mouse(1, e); }
    void mouseReleaseEvent(QMouseEvent* e) override { mouse(2, e); }

private:
    void mouse(int kind, QMouseEvent* e) {
        unsigned long flags = 0;
        if (e->buttons() & Qt::LeftButton) flags |= mouse_left;
        if (e->buttons() & Qt::RightButton) flags |= mouse_right;
        if (e->modifiers() & Qt::ShiftModifier) flags |= mouse_shift;
        if (e->modifiers() & Qt::ControlModifier) flags |= mouse_control;
        const int x = px_to_units_x(e->position().toPoint().x()), y = px_to_units_y(e->position().toPoint().y());
        if (kind == 0) w_.mousemove(flags, x, y);
        else if (kind == 1 && e->button() == Qt::LeftButton) w_.lbuttondown(flags, x, y);
        else if (kind == 2 && e->button() == Qt::LeftButton) w_.lbuttonup(flags, x, y);
    }
    Window& w_;
};

// ---- window ------------------------------------------------------------------------
Window::Window() : widget_(new Widget(*this)) {
    install_key_filter();
    set_backcolor(backcolor_);
    set_design_size(design_w_, design_h_);
}

Window::~Window() {
    auto& open = WindowRuntime::get().open;
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
    if (modal_ && open_) WindowRuntime::get().message.stringparm = null;
    if (quit_modal_) quit_modal_();
    open_ = false;
    auto_mdi_.reset();
    widget_->setProperty(window_property, QVariant());
    if (sheet_) {
        widget_->setParent(nullptr);
        delete sheet_;
    }
    delete widget_;
}

void Window::set_design_size(int width, int height) {
    design_w_ = width;
    design_h_ = height;
    const int bw = border_px(*this), th = title_px(*this);
    widget_->resize(std::max(1, units_to_px_x(width) - 2 * bw), std::max(1, units_to_px_y(height) - 2 * bw - th));
}

// The frame allowance depends on these two; a window not yet open keeps
// its designed outer size.
void Window::set_titlebar(bool b) {
    titlebar_ = b;
    if (!open_) set_design_size(design_w_, design_h_);
}
void Window::set_resizable(bool b) {
    resizable_ = b;
    if (!open_) set_design_size(design_w_, design_h_);
}

void Window::set_title(const std::string& title) {
    title_ = title;
    widget_->setWindowTitle(qstr(title));
    if (sheet_) sheet_->setWindowTitle(qstr(title));
}

void Window::set_backcolor(std::int64_t code) {
    backcolor_ = code;
    QPalette p = widget_->palette();
    p.setColor(QPalette::Window, qcolor(code));
    widget_->setPalette(p);
}

void Window::set_icon(const std::string& icon) {
    icon_ = icon;
    QIcon i = icon == "AppIcon!" || icon.empty() ? QApplication::windowIcon()
                                                 : QIcon(QString::fromStdString(native_path(icon)));
    widget_->setWindowIcon(i);
    if (sheet_) sheet_->setWindowIcon(i);
}

void Window::set_windowstate(WindowState s) {
    state_ = s;
    if (!open_) return;
    QWidget* top = sheet_ ? static_cast<QWidget*>(sheet_) : widget_;
    if (s == WindowState::maximized) top->showMaximized();
    else if (s == WindowState::minimized) top->showMinimized();
    else top->showNormal();
}

WindowState Window::windowstate() const {
    if (!open_) return state_;
    const QWidget* top = sheet_ ? static_cast<QWidget*>(sheet_) : widget_;
    if (top->isMinimized()) return WindowState::minimized;
    if (top->isMaximized()) return WindowState::maximized;
    return WindowState::normal;
}

int Window::x() const {
    return px_to_units_x(sheet_ ? sheet_->x() : widget_->x());
}
int Window::y() const {
    return px_to_units_y(sheet_ ? sheet_->y() : widget_->y());
}
int Window::width() const { return px_to_units_x(widget_->width() + 2 * border_px(*this)); }
int Window::height() const { return px_to_units_y(widget_->height() + 2 * border_px(*this) + title_px(*this)); }
int Window::border_width_units() const { return px_to_units_x(2 * border_px(*this)); }
int Window::border_height_units() const { return px_to_units_y(2 * border_px(*this) + title_px(*this)); }

int Window::Move(int x, int y) {
    if (sheet_) sheet_->move(units_to_px_x(x), units_to_px_y(y));
    else widget_->move(units_to_px_x(x), units_to_px_y(y));
    return 1;
}

int Window::Resize(int width, int height) {
    design_w_ = width;
    design_h_ = height;
    const int bw = border_px(*this), th = title_px(*this);
    const int cw = std::max(1, units_to_px_x(width) - 2 * bw), ch = std::max(1, units_to_px_y(height) - 2 * bw - th);
    if (sheet_) {
        const QSize frame = sheet_->size() - widget_->size();
        sheet_->resize(cw + frame.width(), ch + frame.height());
    } else if (widget_->minimumSize() == widget_->maximumSize()) {
        // Not resizable by the user, but still by the program.
        widget_->setFixedSize(cw, ch);
    } else {
        widget_->resize(cw, ch);
    }
    return 1;
}

int Window::WorkSpaceWidth() const { return px_to_units_x(widget_->width()); }
int Window::WorkSpaceHeight() const { return px_to_units_y(widget_->height()); }

bool Window::visible() const { return open_ && (sheet_ ? sheet_->isVisible() : widget_->isVisible()); }
// A desktop may drop the maximised state of a window that is off the
// screen; Show brings a window back in the state Hide took it away in.
void Window::Show() {
    QWidget* top = sheet_ ? static_cast<QWidget*>(sheet_) : widget_;
    if (!top->isVisible() && hidden_state_ >= 0 && open_)
        top->setWindowState(Qt::WindowStates(hidden_state_));
    hidden_state_ = -1;
    top->show();
}
void Window::Hide() {
    QWidget* top = sheet_ ? static_cast<QWidget*>(sheet_) : widget_;
    if (top->isVisible()) hidden_state_ = static_cast<int>(top->windowState() & ~Qt::WindowMinimized);
    top->hide();
}
bool Window::enabled() const { return widget_->isEnabled(); }
void Window::set_enabled(bool e) { widget_->setEnabled(e); }
int Window::SetFocus() {
    QWidget* top = sheet_ ? static_cast<QWidget*>(sheet_) : widget_;
    rt::activate(top);
    widget_->setFocus(Qt::OtherFocusReason);
    return 1;
}

Control* Window::find_control(const std::string& text) const {
    std::vector<Control*> all;
    collect_controls(*this, all);
    for (Control* c : all) {
        std::string t;
        if (auto* a = dynamic_cast<StaticText*>(c)) t = a->text();
        else if (auto* b = dynamic_cast<CommandButton*>(c)) t = b->text();
        else if (auto* d = dynamic_cast<PictureButton*>(c)) t = d->text();
        else if (auto* e = dynamic_cast<CheckBox*>(c)) t = e->text();
        else if (auto* f = dynamic_cast<RadioButton*>(c)) t = f->text();
        else if (auto* g = dynamic_cast<GroupBox*>(c)) t = g->text();
        else if (auto* h = dynamic_cast<TabPage*>(c)) t = h->text();
        else continue;
        if (t == text) return c;
    }
    return nullptr;
}

void Window::resize(unsigned long, int, int) {}
void Window::key(int, unsigned long) {}
void Window::mousemove(unsigned long, int, int) {}
void Window::lbuttondown(unsigned long, int, int) {}
void Window::lbuttonup(unsigned long, int, int) {}
long Window::syscommand(unsigned long, int, int) { return 0; }
long Window::usermessage(unsigned, unsigned long, long) { return 0; }
void Window::paint(QPainter&) {}

void Window::raise_resize() {
    if (!open_) return;
    unsigned long type = size_restored;
    const WindowState s = windowstate();
    if (s == WindowState::minimized) type = size_minimized;
    else if (s == WindowState::maximized) type = size_maximized;
    resize(type, WorkSpaceWidth(), WorkSpaceHeight());
}

void Window::on_state_change(Qt::WindowStates old) {
    if (!open_) return;
    QWidget* top = sheet_ ? static_cast<QWidget*>(sheet_) : widget_;
    // Puts the state back on a window that stays hidden. Leaving the
    // minimised state maps the window again on X11 behind Qt's back, so it
    // is shown and hidden once more to be hidden for real.
    auto put_back_hidden = [top, old] {
        top->setWindowState(old);
        top->show();
        top->hide();
    };
    if (top->isMinimized() && !(old & Qt::WindowMinimized)) {
        // No user minimises a hidden window: this is the desktop's late echo
        // of a minimise already handled (and hidden), put back unseen.
        if (!top->isVisible()) {
            put_back_hidden();
            return;
        }
        if (syscommand(sc_minimize, 0, 0) == 1) {
            // Handled: the window stays as it was (the handler may have hidden it).
            if (top->isVisible()) top->setWindowState(old);
            else put_back_hidden();
            return;
        }
    } else if (top->isMaximized() && !(old & Qt::WindowMaximized)) {
        syscommand(sc_maximize, 0, 0);
    } else if (!top->isMinimized() && !top->isMaximized() && (old & (Qt::WindowMinimized | Qt::WindowMaximized))) {
        syscommand(sc_restore, 0, 0);
    }
    raise_resize();
}

MdiClient* Window::mdi_client() {
    std::vector<Control*> all;
    collect_controls(*this, all);
    for (Control* c : all)
        if (auto* m = dynamic_cast<MdiClient*>(c)) return m;
    auto_mdi_ = std::make_unique<MdiClient>(this, Rect{0, 0, WorkSpaceWidth(), WorkSpaceHeight()});
    return auto_mdi_.get();
}

void Window::apply_design() {
    if (sheet_) {
        Qt::WindowFlags f = Qt::SubWindow;
        if (!titlebar_) f |= Qt::FramelessWindowHint;
        else {
            f |= Qt::WindowTitleHint;
            if (controlmenu_) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (minbox_) f |= Qt::WindowMinimizeButtonHint;
            if (maxbox_) f |= Qt::WindowMaximizeButtonHint;
        }
        sheet_->setWindowFlags(f);
        sheet_->setWindowTitle(qstr(title_));
    } else {
        Qt::WindowFlags f = type_ == WindowType::response ? Qt::Dialog : Qt::Window;
        f |= Qt::CustomizeWindowHint;
        if (!titlebar_) f |= Qt::FramelessWindowHint;
        else {
            f |= Qt::WindowTitleHint;
            if (controlmenu_) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (minbox_ && type_ != WindowType::response) f |= Qt::WindowMinimizeButtonHint;
            if (maxbox_ && type_ != WindowType::response) f |= Qt::WindowMaximizeButtonHint;
        }
        widget_->setWindowFlags(f);
        widget_->setWindowTitle(qstr(title_));
        if (type_ == WindowType::response) widget_->setWindowModality(Qt::ApplicationModal);
        if (!resizable_) widget_->setFixedSize(widget_->size());
    }
    set_icon(icon_);
}

void Window::apply_tab_order() {
    std::vector<Control*> order;
    for (Control* c : controls())
        if (c->taborder() > 0 && c->widget() && c->widget()->focusPolicy() != Qt::NoFocus) order.push_back(c);
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return a->taborder() < b->taborder(); });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());
    for (Control* c : order)
        if (c->visible() && c->enabled()) {
            c->widget()->setFocus(Qt::TabFocusReason);
            break;
        }
}

// ---- open and close -------------------------------------------------------------
int WindowRuntime::open_window(Window& w, Window* frame) {
    if (w.open_) {
        w.SetFocus();
        return 1;
    }
    if (frame) {
        if (!frame->open_) return -1;
        MdiClient* mdi = frame->mdi_client();
        w.sheet_ = mdi->mdi()->addSubWindow(w.widget_);
        w.sheet_->setAttribute(Qt::WA_DeleteOnClose, false);
        w.frame_ = frame;
        const int bw = border_px(w), th = title_px(w);
        w.sheet_->resize(w.widget_->width() + 2 * bw, w.widget_->height() + 2 * bw + th);
    }
    w.apply_design();
    w.answer_ = null;
    w.open_ = true;
    w.closing_ = false;
    get().open.push_back(&w);
    raise_constructors(w);
    if (!w.open_) return 1;
    QWidget* top = w.sheet_ ? static_cast<QWidget*>(w.sheet_) : w.widget_;
    if (w.center_ && !w.sheet_) {
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            const QRect avail = s->availableGeometry();
            top->move(avail.center() - QPoint(top->width() / 2, top->height() / 2));
        }
    }
    if (w.state_ == WindowState::maximized) top->showMaximized();
    else top->show();
    rt::activate(top);
    if (w.sheet_) w.sheet_->mdiArea()->setActiveSubWindow(w.sheet_);
    w.apply_tab_order();

    QPointer<QWidget> alive(w.widget_);
    w.open();
    if (!alive) return 1;
    PostEvent(w.widget_, [&w] { run_hooks(w); });

    if (w.type_ != WindowType::response || w.sheet_) return 1;
    if (w.open_) {
        QEventLoop loop;
        w.modal_ = true;
        w.quit_modal_ = [&loop] { loop.quit(); };
        loop.exec();
    }
    // The message now holds this window's own answer, set as it closed
    // (or null when it was destroyed open); the window itself may be gone.
    if (alive) {
        w.quit_modal_ = nullptr;
        w.modal_ = false;
        get().message.stringparm = w.answer_;
    }
    return 1;
}

void WindowRuntime::run_hooks(Window& w) {
    if (!w.open_) return;
    const auto hooks = get().hooks; // a hook may remove itself or add others
    for (const auto& [id, fn] : hooks) {
        if (!w.open_) break;
        fn(w);
    }
}

void WindowRuntime::finish_close(Window& w) {
    auto& open = get().open;
    open.erase(std::remove(open.begin(), open.end(), &w), open.end());
    w.open_ = false;
    if (w.sheet_) {
        QMdiArea* area = w.sheet_->mdiArea();
        QMdiSubWindow* sub = w.sheet_;
        w.widget_->hide();
        w.widget_->setParent(nullptr);
        w.sheet_ = nullptr;
        if (area) area->removeSubWindow(sub);
        sub->deleteLater();
    } else {
        w.widget_->hide();
    }
    w.frame_ = nullptr;
    w.closing_ = false;
    if (w.modal_) get().message.stringparm = w.answer_;
    if (w.quit_modal_) {
        auto quit = std::move(w.quit_modal_);
        w.quit_modal_ = nullptr;
        quit();
    }
    if (open.empty() && get().on_last_closed) get().on_last_closed();
    if (w.owned_) {
        // Deleted once control is back in an event loop, never inside the
        // handler that closed it.
        auto* deleter = new QObject;
        QObject::connect(deleter, &QObject::destroyed, [p = &w] { delete p; });
        deleter->deleteLater();
    }
}

void release_sheets(QMdiArea* area) { WindowRuntime::release_sheets(area); }

void WindowRuntime::release_sheets(QMdiArea* area) {
    const auto open = get().open;
    for (Window* s : open)
        if (s->sheet_ && s->sheet_->mdiArea() == area) release_sheet(*s);
}

void WindowRuntime::release_sheet(Window& w) {
    auto& open = get().open;
    open.erase(std::remove(open.begin(), open.end(), &w), open.end());
    w.open_ = false;
    w.closing_ = false;
    w.widget_->hide();
    w.widget_->setParent(nullptr);
    delete w.sheet_;
    w.sheet_ = nullptr;
    w.frame_ = nullptr;
}

int Open(Window& w) {
    WindowRuntime::get().message.stringparm = null;
    return WindowRuntime::open_window(w, nullptr);
}
int OpenWithParm(Window& w, const std::string& parm) {
    WindowRuntime::get().message.stringparm = parm;
    return WindowRuntime::open_window(w, nullptr);
}
int OpenWithParm(Window& w, const char* parm) { return OpenWithParm(w, std::string(parm ? parm : "")); }
int OpenWithParm(Window& w, double parm) {
    auto& m = WindowRuntime::get().message;
    m.doubleparm = parm;
    m.stringparm = null;
    return WindowRuntime::open_window(w, nullptr);
}
int OpenSheet(Window& sheet, Window& frame) { return WindowRuntime::open_window(sheet, &frame); }

int Close(Window& w) { return WindowRuntime::close(w); }

int WindowRuntime::close(Window& w) {
    if (!w.open_) return -1;
    if (w.closing_) return 1;
    if (w.closequery() == 1) return -1;
    w.closing_ = true;
    // A frame's sheets close with it, the newest first.
    const auto open = WindowRuntime::get().open;
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        if ((*it)->frame_ == &w && (*it)->open_ && Close(**it) != 1) {
            w.closing_ = false;
            return -1;
        }
    w.close();
    WindowRuntime::finish_close(w);
    return 1;
}

int CloseWithReturn(Window& w, const std::string& answer) { return WindowRuntime::close_with_return(w, answer); }

int WindowRuntime::close_with_return(Window& w, const std::string& answer) {
    if (!w.open_) return -1;
    w.answer_ = answer;
    const int r = Close(w);
    if (r != 1) w.answer_ = null;
    return r;
}

void adopt(Window& w) { WindowRuntime::adopt(w); }

// ---- events ----------------------------------------------------------------------
void PostEvent(QObject* context, std::function<void()> fn) {
    QPointer<QObject> guard(context);
    QMetaObject::invokeMethod(
        context ? context : qApp,
        [guard, had = context != nullptr, fn = std::move(fn)] {
            if (had && !guard) return;
            fn();
        },
        Qt::QueuedConnection);
}

void PostEvent(Window& w, std::function<void()> fn) { PostEvent(w.widget(), std::move(fn)); }

namespace {

// A loop that yields after every row would repaint the window thousands of
// times a second, which costs more than the rows, while twenty pictures a
// second already show a counter or a progress bar moving on. Inside Yield a
// window's repaint is therefore held back while the last one is less than a
// frame (50 ms) old, and delivered once the frame has passed (from the next
// Yield or, when the loop has ended, from the event loop). Everything else a
// Yield runs (clicks, keys, posted calls, timers) still runs at every call.
class FramePacer final : public QObject {
public:
    static FramePacer& get() {
        static FramePacer* pacer = new FramePacer;
        return *pacer;
    }

    void yield() {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        // Watching the application that runs now (a test may make another).
        if (app != app_) {
            app_ = app;
            app->installEventFilter(this);
        }
        ++depth_;
        last_yield_.start();
        if (frame_.isValid() && frame_.elapsed() >= frame_ms) release();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        --depth_;
    }

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() != QEvent::UpdateRequest || !target->isWidgetType()) return false;
        if (in_loop() && frame_.isValid() && frame_.elapsed() < frame_ms) {
            hold(target);
            return true;
        }
        frame_.start();
        return false;
    }

private:
    static constexpr int frame_ms = 50;

    // Inside a Yield, or between two Yields of a loop: a progress bar asks
    // to be painted at once from the loop's body, between its Yields, and
    // every such picture would start a frame of its own.
    bool in_loop() const { return depth_ > 0 || (last_yield_.isValid() && last_yield_.elapsed() < frame_ms); }

    void hold(QObject* target) {
        for (const QPointer<QObject>& h : held_)
            if (h == target) return;
        held_.push_back(target);
        if (timer_armed_) return;
        timer_armed_ = true;
        const int wait = std::max(1, frame_ms - static_cast<int>(frame_.elapsed()));
        QTimer::singleShot(wait, this, [this] { release(); });
    }
    // The held windows get their repaint request again; it paints all that
    // changed meanwhile.
    void release() {
        timer_armed_ = false;
        frame_.invalidate();
        std::vector<QPointer<QObject>> held;
        held.swap(held_);
        for (const QPointer<QObject>& h : held)
            if (h) QCoreApplication::postEvent(h, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    }

    QPointer<QCoreApplication> app_;
    int depth_ = 0;
    bool timer_armed_ = false;
    QElapsedTimer frame_;      // since the last repaint let through
    QElapsedTimer last_yield_; // since the last Yield began
    std::vector<QPointer<QObject>> held_;
};

} // namespace

void Yield() { FramePacer::get().yield(); }

bool RaiseModalWindow() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return false;
    modal->raise();
    activate(modal);
    return true;
}

std::uintptr_t Handle(const Window& w) { return w.is_open() ? reinterpret_cast<std::uintptr_t>(&w) : 0; }

long Send(std::uintptr_t handle, unsigned message, unsigned long word, long lparam) {
    if (handle == 0 || message < user_message) return 0;
    for (Window* w : WindowRuntime::get().open)
        if (reinterpret_cast<std::uintptr_t>(w) == handle) return w->usermessage(message, word, lparam);
    return 0;
}

} // namespace rt
