#include "tests/support/context_menu.h"

#include "runtime/ui/qt_text.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

namespace testing_support {

std::vector<std::string> context_menu(QWidget* widget, const std::string& choose) {
    std::vector<std::string> offered;
    if (!widget) return offered;
    // The menu runs its own loop inside the event: it is read from there.
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            offered.push_back(rt::gbk(a->text()));
            if (!choose.empty() && offered.back() == choose) chosen = a;
        }
        if (chosen) chosen->trigger();
        menu->close();
    });
    const QPoint at = widget->rect().center();
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &e);
    // A menu that never opened leaves the timer for this loop.
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    return offered;
}

} // namespace testing_support
