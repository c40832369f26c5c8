#include "runtime/ui/object.h"

#include "runtime/ui/style.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

#include <algorithm>
#include <typeinfo>

namespace rt {

WindowObject::WindowObject() : alive_(std::make_shared<int>(0)) {}
WindowObject::~WindowObject() = default;

std::string WindowObject::class_name() const { return typeid(*this).name(); }

Container::~Container() = default;

void Container::paint_lines(QPainter& p) const {
    for (const Line* l : lines_) l->paint(p);
}

Line::Line(Container* parent, int beginx, int beginy, int endx, int endy, std::int64_t colour, int thickness)
    : parent_(parent), bx_(beginx), by_(beginy), ex_(endx), ey_(endy), colour_(colour), thickness_(thickness) {
    if (parent_) parent_->lines_.push_back(this);
}

Line::~Line() {
    if (!parent_) return;
    auto& v = parent_->lines_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    update();
}

void Line::set_beginx(int v) { bx_ = v; update(); }
void Line::set_beginy(int v) { by_ = v; update(); }
void Line::set_endx(int v) { ex_ = v; update(); }
void Line::set_endy(int v) { ey_ = v; update(); }
void Line::set_visible(bool v) { visible_ = v; update(); }

void Line::update() const {
    if (parent_ && parent_->area()) parent_->area()->update();
}

void Line::paint(QPainter& p) const {
    if (!visible_) return;
    // A line's thickness is given across it; the lines the client draws are
    // horizontal, so the thickness is converted along y.
    const int px = std::max(1, units_to_px_y(thickness_));
    QPen pen(qcolor(colour_));
    pen.setWidth(px);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(units_to_px_x(bx_), units_to_px_y(by_) + px / 2.0),
               QPointF(units_to_px_x(ex_), units_to_px_y(ey_) + px / 2.0));
}

} // namespace rt
