// The objects that windows hold: every control and drawing shape is a
// WindowObject; a Container (a window, a tab page, a user object) holds them
// in control order. A WindowObject hands out weak references, so that a
// service that keeps objects by reference can tell when one is gone.
#pragma once

#include "runtime/ui/units.h"

#include <QColor>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class QPainter;

namespace rt {

class Window;
class Control;
class Container;

// The runtime's kinds of window object, as TypeOf tells them apart.
enum class ObjectType { dragobject, line, oval, rectangle, roundrectangle, mdiclient, other };

class WindowObject {
public:
    WindowObject();
    virtual ~WindowObject();
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    virtual ObjectType type_of() const = 0;
    // The object's class name (for records; nothing depends on its form).
    virtual std::string class_name() const;
    // The container the object was placed in; null for a window.
    virtual Container* parent_container() const { return nullptr; }

    // A weak reference: expired once the object is destroyed.
    std::weak_ptr<void> weak() const { return alive_; }

private:
    std::shared_ptr<int> alive_;
};

// A reference to a window object that knows whether it is still valid
// (the runtime's IsValid).
class ObjectRef {
public:
    ObjectRef() = default;
    ObjectRef(WindowObject* o) : obj_(o), alive_(o ? o->weak() : std::weak_ptr<void>{}) {}
    bool valid() const { return obj_ && !alive_.expired(); }
    WindowObject* get() const { return valid() ? obj_ : nullptr; }
    bool is(const WindowObject* o) const { return valid() && obj_ == o; }
    void reset() { *this = ObjectRef(); }

private:
    WindowObject* obj_ = nullptr;
    std::weak_ptr<void> alive_;
};

class Line;

// What holds controls and drawing shapes: they register here in the order
// in which they are constructed, which is the control order.
class Container {
public:
    virtual ~Container();
    // The widget into which child widgets go.
    virtual QWidget* area() const = 0;
    // The window that holds this container (itself for a window).
    virtual Window* parent_window() const = 0;

    const std::vector<Control*>& controls() const { return controls_; }
    const std::vector<Line*>& lines() const { return lines_; }

protected:
    // Draws the container's lines; the area's paint event calls it.
    void paint_lines(QPainter& p) const;

private:
    friend class Control;
    friend class Line;
    std::vector<Control*> controls_;
    std::vector<Line*> lines_;
};

// A straight line drawn on its container (the runtime's line shape).
// Coordinates and thickness are layout units.
class Line final : public WindowObject {
public:
    Line(Container* parent, int beginx, int beginy, int endx, int endy, std::int64_t colour = 0,
         int thickness = 4);
    ~Line() override;

    ObjectType type_of() const override { return ObjectType::line; }
    Container* parent_container() const override { return parent_; }

    int beginx() const { return bx_; }
    int beginy() const { return by_; }
    int endx() const { return ex_; }
    int endy() const { return ey_; }
    void set_beginx(int v);
    void set_beginy(int v);
    void set_endx(int v);
    void set_endy(int v);
    std::int64_t linecolor() const { return colour_; }
    int linethickness() const { return thickness_; }
    bool visible() const { return visible_; }
    void set_visible(bool v);

    void paint(QPainter& p) const;

private:
    void update() const;
    Container* parent_;
    int bx_, by_, ex_, ey_;
    std::int64_t colour_;
    int thickness_;
    bool visible_ = true;
};

} // namespace rt
