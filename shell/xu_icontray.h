// The frame's icon in the notification area: one icon for one window, its
// tip, balloons on it, and its removal when the object ends. It keeps one
// notification record and hands the whole record to the tray on every change.
#pragma once

#include "runtime/tray.h"

#include <string>

namespace rt { class Window; }

class xu_icontray {
public:
    // constructor: asks the desktop once whether it has a notification area.
    xu_icontray();
    // destructor: deletes the icon when it was added.
    ~xu_icontray();
    xu_icontray(const xu_icontray&) = delete;
    xu_icontray& operator=(const xu_icontray&) = delete;

    using notifyicondata = rt::NotifyIconData;

    static constexpr long nim_add = 0, nim_modify = 1, nim_delete = 2, nim_version = 5;
    static constexpr long nif_message = 1, nif_icon = 2, nif_tip = 4, nif_info = 16;
    static constexpr long nis_sharedicon = 2;
    static constexpr long niif_none = 0, niif_info = 1, niif_warning = 2, niif_error = 3, niif_guid = 5,
                          niif_icon_mask = 15, niif_nosound = 16;
    static constexpr long notifyicon_version = 3;
    static constexpr int image_bitmap = 0, image_icon = 1, image_cursor = 2;

    // Adds the icon for `win` with its tip and shows the balloon at once.
    void add_icon(std::string icon_name, const std::string& tip_text, const rt::Window& win,
                  const std::string& balloon_title, const std::string& balloon_tip);
    // Adds the icon with its tip and no balloon.
    void add_icon(std::string icon_name, const std::string& tip_text, const rt::Window& win);
    void show_balloontip(const std::string& tip_title, const std::string& tip);
    void modify_icon(std::string icon_name);
    void modify_tip(const std::string& tip_text);
    void del_icon();
    // The icon is in the notification area: added, taken by the tray, not yet deleted.
    bool trayexists() const { return ib_trayexist; }
    // The icon can be seen now: added, and the desktop still has a
    // notification area. Asked afresh at every call, since the tray's host
    // may have gone (or come back) since the icon was added.
    bool icon_on_desktop() const;

    // The record as last handed to the tray.
    const notifyicondata& record() const { return lpdata; }

protected:
    const rt::Window* i_win = nullptr;
    bool ib_systemtrayexists = false;

private:
    rt::IconHandle get_hicon(std::string& a_icon_name);
    void fill_add(const std::string& icon_name, const std::string& tip_text, const rt::Window& win);

    bool ib_trayexist = false;
    notifyicondata lpdata;
};
