// The base of every control: a thin wrapper over one Qt widget that takes and
// gives GBK text and layout units. A control is constructed with its
// container (a window, a tab page or a user object) and registers there, so
// the members of a window class, declared in control order, are created and
// listed in that order. The window raises each control's constructor event
// when it opens, before its own open event.
//
// Events: the runtime calls the virtual event functions; a class that
// derives from a control overrides them (the control's own script), and a
// window hooks its handlers on the on_* members, which run after the
// control's own script:
//     cb_ok.on_clicked = [this] { cb_ok_clicked(); };
#pragma once

#include "runtime/ui/object.h"
#include "runtime/ui/style.h"
#include "runtime/ui/units.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QObject;

namespace rt {

// The events a control can be asked to run by TriggerEvent and PostEvent.
enum class Event { constructor, clicked, getfocus, losefocus, modified, selectionchanged, changed };

class Control : public WindowObject {
public:
    // `widget` is created by the derived class as a child of parent->area();
    // the control owns it from here on.
    Control(Container* parent, QWidget* widget, Rect r);
    ~Control() override;

    ObjectType type_of() const override { return ObjectType::dragobject; }
    Container* parent_container() const override { return parent_; }
    std::string class_name() const override;
    // The window that holds the control, through tab pages and user objects.
    Window* parent_window() const;

    QWidget* widget() const { return widget_; }

    // ---- geometry, in layout units ------------------------------------
    int x() const { return x_; }
    int y() const { return y_; }
    int width() const { return w_; }
    int height() const { return h_; }
    int Move(int x, int y);
    // A widget may refuse a size (its minimum); width() and height() then
    // give the size it took.
    int Resize(int width, int height);
    void place(Rect r);

    // ---- state --------------------------------------------------------
    bool visible() const;
    void set_visible(bool v);
    void Show() { set_visible(true); }
    void Hide() { set_visible(false); }
    bool enabled() const;
    void set_enabled(bool e);
    int SetFocus();
    bool has_focus() const;
    // 0: not reached with Tab (still focusable by click); others: the order
    // in which Tab walks the controls of a window.
    int taborder() const { return taborder_; }
    void set_taborder(int t);

    void set_font(const Font& f);
    const Font& font() const { return font_; }
    void set_textcolor(std::int64_t code);
    void set_backcolor(std::int64_t code);
    std::int64_t textcolor() const { return textcolor_; }
    std::int64_t backcolor() const { return backcolor_; }
    void set_pointer(const std::string& pointer); // "HyperLink!", "Arrow!", ...

    std::string tag;

    // ---- events ---------------------------------------------------------
    virtual void constructor() {}
    virtual void destructor() {}
    virtual void getfocus() {}
    virtual void losefocus() {}
    // Mouse positions in layout units relative to the control's top left.
    virtual void mousemove(unsigned long flags, int xpos, int ypos);
    virtual void lbuttondown(unsigned long flags, int xpos, int ypos);
    virtual void lbuttonup(unsigned long flags, int xpos, int ypos);
    virtual void rbuttondown(unsigned long flags, int xpos, int ypos);
    virtual void rbuttonup(unsigned long flags, int xpos, int ypos);
    // The pointer entered or left the control's widget.
    virtual void mouseenter() {}
    virtual void mouseleave() {}
    // Runs whenever the control's size changes (sizes in layout units).
    virtual void resized(unsigned long sizetype, int newwidth, int newheight);
    // Clicked and the other kind-specific events; controls that have no such
    // event ignore the call.
    virtual void clicked() {}
    virtual void modified() {}
    virtual void changed() {}
    virtual void selectionchanged(int index);

    std::function<void()> on_constructor, on_getfocus, on_losefocus, on_clicked, on_modified, on_changed;
    std::function<void(int)> on_selectionchanged;
    std::function<void(unsigned long, int, int)> on_mousemove, on_lbuttondown, on_lbuttonup, on_rbuttonup;

    // Raise an event now (TriggerEvent) or after the current event (PostEvent).
    int TriggerEvent(Event e);
    int PostEvent(Event e);
    // Raises a user event by name, as the runtime's dynamic event call does:
    // 1 when the control has such an event and it ran, -1 when it has none.
    // A class with user events overrides this and hands unknown names on.
    virtual int TriggerEvent(const std::string& name);
    // True for a DataWindow control.
    virtual bool is_datawindow() const { return false; }

    // Raisers: the control's own script, then the window's handler.
    void raise_constructor();
    void raise_getfocus();
    void raise_losefocus();
    void raise_clicked();
    void raise_modified();
    void raise_changed();
    void raise_selectionchanged(int index);

protected:
    // Recomputes the widget geometry from the stored units.
    void apply_geometry();
    // Size in units from the widget's current pixel size (after a refusal).
    void read_back_size();

private:
    class Hook;
    friend class Hook;
    void dispatch_mouse(int kind, unsigned long flags, int px, int py);

    Container* parent_;
    QPointer<QWidget> widget_;
    Hook* hook_;
    int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    int taborder_ = 0;
    bool visible_ = true;
    Font font_;
    std::int64_t textcolor_ = colours::window_text;
    std::int64_t backcolor_ = colours::button_face;
};

} // namespace rt
