#include "runtime/ui/qt_tray.h"

#include "runtime/path.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/window.h"

#include <QApplication>
#include <QImageReader>
#include <QPixmap>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>

namespace rt {
namespace {

// The mouse messages the window's callback receives, as the desktop names them.
constexpr long wm_lbuttonup = 514, wm_lbuttondblclk = 515, wm_rbuttonup = 517, wm_mbuttonup = 520,
               nin_balloonuserclick = 1029;

QIcon own_icon() {
    const QIcon app = QApplication::windowIcon();
    if (!app.isNull()) return app;
    return QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
}

QSystemTrayIcon::MessageIcon balloon_icon(std::uint32_t infoflags) {
    switch (infoflags & 15) {
    case niif_info: return QSystemTrayIcon::Information;
    case niif_warning: return QSystemTrayIcon::Warning;
    case niif_error: return QSystemTrayIcon::Critical;
    default: return QSystemTrayIcon::NoIcon;
    }
}

} // namespace

QIcon tray_picture(IconHandle handle) {
    const auto source = icon_source(handle);
    if (!source || source->own) return own_icon();
    QImageReader reader(QString::fromStdString(native_path(source->path)));
    if (source->index > 0) reader.jumpToImage(static_cast<int>(source->index));
    const QImage image = reader.read();
    if (image.isNull()) return own_icon();
    return QIcon(QPixmap::fromImage(image));
}

QString tray_tip(const std::string& gbk) {
    std::string joined;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const char c = gbk[i];
        if (c == '\n' || c == '\r') {
            const char pair = c == '\n' ? '\r' : '\n';
            if (i + 1 < gbk.size() && gbk[i + 1] == pair) ++i;
            joined += '\n';
        } else {
            joined += c;
        }
    }
    return qstr(joined);
}

namespace {

// The desktop's icon is a window of the application, which a modal window
// (a send under way, a message box) would block like every other: double
// clicks and the menu would be lost until it closes. Typed as a pop-up it
// stays open to the mouse; the frame it brings back stays blocked.
bool is_tray_window(const QWidget* w) {
    return w->isWindow() && qstrcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0;
}

void let_through_modal_windows(QWidget* w) {
    QWindow* native = w->windowHandle();
    if (!native || (native->flags() & Qt::WindowType_Mask) == Qt::Popup) return;
    native->setFlags((native->flags() & ~Qt::WindowType_Mask) | Qt::Popup);
}

// The desktop may make the icon's window again (its notification area
// restarted): each one is typed as it shows.
class TrayWindows final : public QObject {
public:
    static void watch() {
        static TrayWindows* watcher = nullptr;
        if (!watcher && qApp) {
            watcher = new TrayWindows;
            watcher->setParent(qApp);
            qApp->installEventFilter(watcher);
        }
        for (QWidget* w : QApplication::topLevelWidgets())
            if (is_tray_window(w)) let_through_modal_windows(w);
    }

protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() == QEvent::Show && obj->isWidgetType() && is_tray_window(static_cast<QWidget*>(obj)))
            let_through_modal_windows(static_cast<QWidget*>(obj));
        return false;
    }
};

} // namespace

QtTray::QtTray() = default;
// The icons are the application object's children and go with it; a tray
// that outlives it (a static at the program's exit) has nothing to delete.
QtTray::~QtTray() = default;

bool QtTray::available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

QSystemTrayIcon* QtTray::icon(std::uintptr_t hwnd, std::uint32_t uid) const {
    const auto it = icons_.find({hwnd, uid});
    return it == icons_.end() ? nullptr : it->second.data();
}

bool QtTray::notify_icon(long message, const NotifyIconData& data) {
    if (message == nim_add) return add(data);
    const auto it = icons_.find({data.hwnd, data.uid});
    if (it == icons_.end() || !it->second) return false;
    if (message == nim_modify) {
        apply(*it->second, data);
        balloon(*it->second, data);
        return true;
    }
    if (message == nim_delete) {
        it->second->hide();
        // The icon may be the one whose signal runs at this moment.
        it->second->deleteLater();
        icons_.erase(it);
        return true;
    }
    return false;
}

bool QtTray::add(const NotifyIconData& data) {
    if (data.hwnd == 0 || icon(data.hwnd, data.uid) || !available()) return false;
    auto* icon = new QSystemTrayIcon(qApp);
    icon->setIcon(own_icon());
    const std::uintptr_t hwnd = data.hwnd;
    const std::uint32_t uid = data.uid;
    if (data.uflags & nif_message) {
        const unsigned callback = data.ucallbackmessage;
        QObject::connect(icon, &QSystemTrayIcon::activated,
                         [hwnd, uid, callback](QSystemTrayIcon::ActivationReason why) {
                             long mouse = 0;
                             switch (why) {
                             case QSystemTrayIcon::Trigger: mouse = wm_lbuttonup; break;
                             case QSystemTrayIcon::DoubleClick: mouse = wm_lbuttondblclk; break;
                             case QSystemTrayIcon::Context: mouse = wm_rbuttonup; break;
                             case QSystemTrayIcon::MiddleClick: mouse = wm_mbuttonup; break;
                             default: return;
                             }
                             Send(hwnd, callback, uid, mouse);
                         });
        QObject::connect(icon, &QSystemTrayIcon::messageClicked,
                         [hwnd, uid, callback] { Send(hwnd, callback, uid, nin_balloonuserclick); });
    }
    QSystemTrayIcon& shown = *icon;
    icons_[{hwnd, uid}] = icon;
    apply(shown, data);
    shown.show();
    TrayWindows::watch();
    balloon(shown, data);
    return true;
}

void QtTray::apply(QSystemTrayIcon& icon, const NotifyIconData& data) {
    if (data.uflags & nif_icon) icon.setIcon(tray_picture(data.hicon));
    if (data.uflags & nif_tip) icon.setToolTip(tray_tip(field_text(data.sztip)));
}

void QtTray::balloon(QSystemTrayIcon& icon, const NotifyIconData& data) {
    if ((data.uflags & nif_info) && data.szinfo[0] != '\0')
        icon.showMessage(qstr(field_text(data.szinfotitle)), qstr(field_text(data.szinfo)),
                         balloon_icon(data.dwinfoflags), static_cast<int>(data.utimeoutorversion));
}

} // namespace rt
