// Windows. A window class derives from rt::Window, sets its design
// properties in its constructor and declares its controls as members in
// control order:
//
//     class w_about final : public rt::Window {
//     public:
//         w_about();                         // set_title(...), set_design_size(...), ...
//     private:
//         rt::StaticText    st_1{this, "版本", {40, 40, 400, 64}};
//         rt::CommandButton cb_ok{this, "确定", {300, 300, 352, 92}};
//         void open() override;
//         void key(int keycode, unsigned long keyflags) override;
//     };
//
// Opening (rt::Open and friends, below) runs the window's sequence: the
// controls' constructor events in control order, the window shows, the
// first control of the tab order takes the focus, then the window's open
// event (a descendant's own script calls its ancestor's first). A response
// window is modal: Open returns only once it has closed.
#pragma once

#include "runtime/ui/object.h"
#include "runtime/ui/style.h"
#include "runtime/value.h"

#include <Qt>

#include <any>
#include <cstdint>
#include <vector>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

class QMdiArea;
class QMdiSubWindow;
class QObject;
class QWidget;
class QPainter;

namespace rt {

class DataStore;
class MdiClient;

enum class WindowType { main, mdi, response };
enum class WindowState { normal, minimized, maximized };

// Size types of the resize event.
inline constexpr unsigned long size_restored = 0, size_minimized = 1, size_maximized = 2;

// Key flags of the key event and mouse flags of the mouse events.
inline constexpr unsigned long key_shift = 1, key_control = 2;
inline constexpr unsigned long mouse_left = 1, mouse_right = 2, mouse_shift = 4, mouse_control = 8,
                               mouse_middle = 16;

// Key codes of the key event (the desktop's virtual-key codes).
namespace keys {
inline constexpr int back = 8, tab = 9, enter = 13, shift = 16, control = 17, alt = 18, escape = 27,
                     space = 32, pageup = 33, pagedown = 34, end = 35, home = 36, left = 37, up = 38,
                     right = 39, down = 40, insert = 45, del = 46, f1 = 112;
// Letters 'A'..'Z' are 65..90, digits '0'..'9' 48..57.
} // namespace keys

// System commands of the syscommand event.
inline constexpr unsigned long sc_minimize = 61472, sc_maximize = 61488, sc_restore = 61728,
                               sc_close = 61536;

class Window : public Container {
public:
    Window();
    ~Window() override;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The window's widget: a top-level widget, or the content of a sheet.
    QWidget* widget() const { return widget_; }

    // ---- design properties (set in the constructor) --------------------
    // Size of the whole window as designed, title bar and borders included.
    void set_design_size(int width, int height);
    void set_window_type(WindowType t) { type_ = t; }
    WindowType window_type() const { return type_; }
    void set_title(const std::string& title);
    std::string title() const { return title_; }
    void set_titlebar(bool b);
    void set_controlmenu(bool b) { controlmenu_ = b; }
    void set_minbox(bool b) { minbox_ = b; }
    void set_maxbox(bool b) { maxbox_ = b; }
    void set_resizable(bool b);
    void set_center(bool b) { center_ = b; }
    bool titlebar() const { return titlebar_; }
    bool controlmenu() const { return controlmenu_; }
    bool minbox() const { return minbox_; }
    bool maxbox() const { return maxbox_; }
    bool resizable() const { return resizable_; }
    bool center() const { return center_; }
    void set_backcolor(std::int64_t code);
    std::int64_t backcolor() const { return backcolor_; }
    // An icon file (program path) or "AppIcon!", the application's own icon.
    void set_icon(const std::string& icon);
    std::string icon() const { return icon_; }
    // The state to open in, and later the state to change to.
    void set_windowstate(WindowState s);
    WindowState windowstate() const;

    // ---- geometry, in layout units --------------------------------------
    int x() const;
    int y() const;
    int width() const;  // outer size, as designed
    int height() const;
    int Move(int x, int y);
    int Resize(int width, int height); // outer size
    // The work space: the client area without title bar, borders and menu.
    int WorkSpaceWidth() const;
    int WorkSpaceHeight() const;
    // Frame allowance between the outer size and the work space.
    int border_width_units() const;
    int border_height_units() const;

    // ---- state ------------------------------------------------------------
    bool visible() const;
    void Show();
    void Hide();
    bool enabled() const;
    void set_enabled(bool e);
    int SetFocus();
    bool is_open() const { return open_; }
    bool is_sheet() const { return sheet_ != nullptr; }
    // The frame a sheet was opened in.
    Window* parent_frame() const { return frame_; }
    // The answer given by CloseWithReturn, null when the window closed
    // without one (or has not closed yet).
    const nstring& answer() const { return answer_; }
    // Finds a control whose text is `text` (GBK), searching tab pages too.
    Control* find_control(const std::string& text) const;

    QWidget* area() const override { return widget_; }
    Window* parent_window() const override { return const_cast<Window*>(this); }

    // ---- events -------------------------------------------------------------
    virtual void open() {}
    // Answer 1 to keep the window open.
    virtual int closequery() { return 0; }
    virtual void close() {}
    // New work-space size in layout units.
    virtual void resize(unsigned long sizetype, int newwidth, int newheight);
    // A key was pressed while the window or any of its controls had the focus.
    virtual void key(int keycode, unsigned long keyflags);
    // The pointer over the window's own area, in layout units.
    virtual void mousemove(unsigned long flags, int xpos, int ypos);
    virtual void lbuttondown(unsigned long flags, int xpos, int ypos);
    virtual void lbuttonup(unsigned long flags, int xpos, int ypos);
    virtual void activate() {}
    virtual void deactivate() {}
    // The user asked to minimise, maximise, restore or close the window
    // (sc_*). Answer 1 to take the command as handled: a handled minimise
    // leaves the window in the state it had.
    virtual long syscommand(unsigned long commandtype, int xpos, int ypos);
    // Draws on the window's area after its lines (pixels).
    virtual void paint(QPainter& p);
    // A custom message (user_message and above) sent to the window with
    // Send, such as the callback of its notification-area icon. Answers the
    // result of the message; 0 when the window does not handle it.
    virtual long usermessage(unsigned message, unsigned long wparam, long lparam);

private:
    friend struct WindowRuntime;
    class Widget;
    friend class Widget;
    void apply_design();
    void apply_tab_order();
    MdiClient* mdi_client();
    void raise_resize();
    void on_state_change(Qt::WindowStates old);

    WindowType type_ = WindowType::main;
    std::string title_ = "Untitled";
    bool titlebar_ = true, controlmenu_ = true, minbox_ = true, maxbox_ = true;
    bool resizable_ = true, center_ = true;
    std::int64_t backcolor_ = colours::button_face;
    std::string icon_ = "AppIcon!";
    int design_w_ = 3538, design_h_ = 1728;
    WindowState state_ = WindowState::normal;
    QWidget* widget_;

    bool open_ = false;
    bool closing_ = false;
    bool modal_ = false;
    bool owned_ = false;
    nstring answer_;
    QMdiSubWindow* sheet_ = nullptr;
    Window* frame_ = nullptr;
    std::function<void()> quit_modal_;
    std::unique_ptr<MdiClient> auto_mdi_;
    int outer_w_px_ = 0, outer_h_px_ = 0;
    // The state a window had when Hide took it off the screen; -1 when shown.
    int hidden_state_ = -1;
};

// ---- the global message object ---------------------------------------------
// Parameters travel in and answers out through it. OpenWithParm sets the
// parameter before the window's open event; when a modal window closes,
// stringparm becomes that window's own answer (CloseWithReturn), or null
// when it closed any other way: never a value an earlier window left.
struct Message {
    nstring stringparm;
    double doubleparm = 0;
    // An object handed over with OpenWithParm(w, T*): read it back with
    // std::any_cast<T*>(message().powerobjectparm). A row store of any kind
    // (a DataStore, a DataWindow control or a descendant of either) travels
    // as rt::DataStore*, so the window that receives it needs no knowledge
    // of the opener's class.
    std::any powerobjectparm;
};
Message& message();

// ---- opening and closing ---------------------------------------------------
// Each answers 1, or -1 when the window cannot be opened (already open) or
// closed. The caller owns the window object; a window made with
// make_window is owned by the runtime and deleted after it has closed.
int Open(Window& w);
int OpenWithParm(Window& w, const std::string& parm);
int OpenWithParm(Window& w, const char* parm);
int OpenWithParm(Window& w, double parm);
template <class T> int OpenWithParm(Window& w, T* object) {
    if constexpr (std::is_convertible_v<T*, DataStore*>) message().powerobjectparm = static_cast<DataStore*>(object);
    else message().powerobjectparm = object;
    message().stringparm = null;
    return Open(w);
}
// Opens `sheet` in the MDI client of `frame` (one is made over the frame's
// work space when the frame has none).
int OpenSheet(Window& sheet, Window& frame);
// Runs closequery (1 keeps the window open: answers -1), then the close
// event; ends a modal loop. Closing a frame closes its sheets first.
int Close(Window& w);
int CloseWithReturn(Window& w, const std::string& answer);

// A window owned by the runtime: deleted once it has closed.
void adopt(Window& w);
template <class W, class... A> W& make_window(A&&... args) {
    W* w = new W(std::forward<A>(args)...);
    adopt(*w);
    return *w;
}

// ---- handles and messages ---------------------------------------------------
// The first custom message (the desktop's WM_USER).
inline constexpr unsigned user_message = 1024;
// The window's system handle: a number that names it while it is open; 0
// for a window that is not open.
std::uintptr_t Handle(const Window& w);
// Sends a custom message to the open window the handle names and answers its
// usermessage result; 0 when no open window has that handle or the message
// is below user_message.
long Send(std::uintptr_t handle, unsigned message, unsigned long word, long lparam);

// The modal window in front (a response window, a message box or a file
// dialog) brought to the front of the desktop and activated; false when no
// modal window is open.
bool RaiseModalWindow();

// ---- events ----------------------------------------------------------------
// A queued call: runs after the current event, from whichever event loop
// runs next (a modal window's loop included). It is dropped when `context`
// is gone by then.
void PostEvent(QObject* context, std::function<void()> fn);
void PostEvent(Window& w, std::function<void()> fn);
// Processes the pending events (input, posted calls, repaints), so that a
// handler may run again while a long loop yields.
void Yield();

// ---- test hooks --------------------------------------------------------------
// Tests drive windows, modal ones included, through these hooks: each is
// called once for every window that opens, from the event loop, after the
// window's open event and the calls it posted before it had opened
// (pfc_postopen) have run. A modal window's hook therefore runs inside its
// modal loop, where the test can set texts, click buttons and close it:
//
//     rt::OnWindowOpened hook([](rt::Window& w) { rt::Close(w); });
//     rt::Open(dialog);   // returns once the hook has closed it
class OnWindowOpened {
public:
    explicit OnWindowOpened(std::function<void(Window&)> fn);
    ~OnWindowOpened();
    OnWindowOpened(const OnWindowOpened&) = delete;
    OnWindowOpened& operator=(const OnWindowOpened&) = delete;

private:
    int id_;
};

// The windows open at this moment, in the order they opened.
std::vector<Window*> open_windows();

// An MDI client calls this as it goes: the sheets still open in `area`
// leave it first, closed without their events, so that no sheet is left
// holding a widget that the area deletes with itself.
void release_sheets(QMdiArea* area);

// Called once the last open window has closed: the program ends its event
// loop there, as an application ends when its last window goes. Closed
// windows are hidden, not destroyed, so Qt's own last-window rule never
// fires. Null (the default) calls nothing.
void set_on_last_window_closed(std::function<void()> fn);

} // namespace rt
