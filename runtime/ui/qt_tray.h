// The notification area over QSystemTrayIcon: one tray icon for each window
// and icon id that was added, its mouse events sent back to the window.
#pragma once

#include "runtime/tray.h"

#include <QIcon>
#include <QPointer>
#include <QSystemTrayIcon>

#include <map>
#include <string>
#include <utility>

namespace rt {

class QtTray final : public Tray {
public:
    QtTray();
    ~QtTray() override;
    bool available() override;
    bool notify_icon(long message, const NotifyIconData& data) override;

    // The tray icon of a window's icon id; null when none was added.
    QSystemTrayIcon* icon(std::uintptr_t hwnd, std::uint32_t uid) const;

private:
    bool add(const NotifyIconData& data);
    static void apply(QSystemTrayIcon& icon, const NotifyIconData& data);
    static void balloon(QSystemTrayIcon& icon, const NotifyIconData& data);
    // Children of the application object, so none outlives it.
    std::map<std::pair<std::uintptr_t, std::uint32_t>, QPointer<QSystemTrayIcon>> icons_;
};

// The picture an icon handle names; the application's own icon for a handle
// that names it, and for a picture that cannot be read.
QIcon tray_picture(IconHandle handle);
// The tip as one text for the tray: the desktop's line end pairs (LF CR as
// well as CR LF) and lone CR or LF become one line break each.
QString tray_tip(const std::string& gbk);

} // namespace rt
