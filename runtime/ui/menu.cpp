#include "runtime/ui/menu.h"

#include "runtime/ui/qt_text.h"
#include "runtime/ui/units.h"
#include "runtime/ui/window.h"

#include <QCursor>
#include <QMenu>
#include <QWidget>

#include <algorithm>

namespace rt {
namespace {

void fill(QMenu& qm, const Menu& item) {
    for (Menu* sub : item.items()) {
        if (!sub->visible()) continue;
        if (!sub->items().empty()) {
            QMenu* child = qm.addMenu(qstr(sub->text()));
            child->setEnabled(sub->enabled());
            fill(*child, *sub);
            continue;
        }
        QAction* a = qm.addAction(qstr(sub->text()));
        a->setEnabled(sub->enabled());
        QObject::connect(a, &QAction::triggered, [sub] { sub->clicked(); });
    }
}

// A pop-up goes once control is back in the event loop: an item's clicked
// event may end the menu (closing the window that holds it).
void drop(QMenu*& popup) {
    if (!popup) return;
    popup->hide();
    popup->disconnect();
    for (QAction* a : popup->actions()) a->disconnect();
    popup->deleteLater();
    popup = nullptr;
}

} // namespace

Menu::Menu(Menu* parent, const std::string& text, int shortcut)
    : parent_(parent), text_(text), shortcut_(shortcut) {
    if (parent_) parent_->items_.push_back(this);
}

Menu::~Menu() {
    drop(popup_);
    if (parent_) {
        auto& siblings = parent_->items_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

Menu* Menu::root() {
    Menu* m = this;
    while (m->parent_) m = m->parent_;
    return m;
}

Window* Menu::ParentWindow() const {
    const Menu* m = this;
    while (m->parent_) m = m->parent_;
    return m->window_;
}

int Menu::PopMenu(Window& parent, int x, int y) {
    if (std::none_of(items_.begin(), items_.end(), [](Menu* m) { return m->visible(); })) return -1;
    root()->window_ = &parent;
    drop(popup_);
    popup_ = new QMenu;
    fill(*popup_, *this);
    const QPoint origin = parent.widget()->mapToGlobal(QPoint(0, 0));
    popup_->popup(origin + QPoint(units_to_px_x(x), units_to_px_y(y)));
    return 1;
}

void Menu::clicked() {
    if (on_clicked) on_clicked();
}

int PointerX(const Window& w) {
    return px_to_units_x(QCursor::pos().x() - w.widget()->mapToGlobal(QPoint(0, 0)).x());
}
int PointerY(const Window& w) {
    return px_to_units_y(QCursor::pos().y() - w.widget()->mapToGlobal(QPoint(0, 0)).y());
}

} // namespace rt
