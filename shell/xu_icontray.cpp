#include "shell/xu_icontray.h"

#include "runtime/strings.h"
#include "runtime/ui/window.h"

namespace {

constexpr std::uint32_t record_size = 488;
constexpr std::uint32_t icon_id = 100;
constexpr std::uint32_t balloon_timeout = 15000;

} // namespace

xu_icontray::xu_icontray() { ib_systemtrayexists = rt::tray().available(); }

xu_icontray::~xu_icontray() { del_icon(); }

bool xu_icontray::icon_on_desktop() const { return ib_trayexist && rt::tray().available(); }

void xu_icontray::fill_add(const std::string& icon_name, const std::string& tip_text, const rt::Window& win) {
    i_win = &win;
    lpdata.cbsize = record_size;
    rt::set_field(lpdata.sztip, tip_text);
    lpdata.uid = icon_id;
    lpdata.hwnd = rt::Handle(*i_win);
    lpdata.ucallbackmessage = rt::user_message;
    std::string name = icon_name;
    lpdata.hicon = get_hicon(name);
}

// The tray's answer decides whether the icon counts as added: an icon the
// tray refused is no icon to change, to minimise into, or to delete.
void xu_icontray::add_icon(std::string icon_name, const std::string& tip_text, const rt::Window& win,
                           const std::string& balloon_title, const std::string& balloon_tip) {
    if (!ib_systemtrayexists || ib_trayexist) return;
    fill_add(icon_name, tip_text, win);
    lpdata.uflags = nif_message + nif_icon + nif_tip + nif_info;
    lpdata.dwstate = 0;
    lpdata.dwstatemask = 0;
    rt::set_field(lpdata.szinfo, balloon_tip);
    lpdata.utimeoutorversion = balloon_timeout;
    rt::set_field(lpdata.szinfotitle, balloon_title);
    lpdata.dwinfoflags = niif_info;
    ib_trayexist = rt::tray().notify_icon(nim_add, lpdata);
}

void xu_icontray::add_icon(std::string icon_name, const std::string& tip_text, const rt::Window& win) {
    if (!ib_systemtrayexists || ib_trayexist) return;
    fill_add(icon_name, tip_text, win);
    lpdata.uflags = nif_message + nif_icon + nif_tip;
    ib_trayexist = rt::tray().notify_icon(nim_add, lpdata);
}

void xu_icontray::show_balloontip(const std::string& tip_title, const std::string& tip) {
    if (!ib_systemtrayexists || !ib_trayexist) return;
    lpdata.uflags = nif_message + nif_icon + nif_tip + nif_info;
    rt::set_field(lpdata.szinfo, tip);
    rt::set_field(lpdata.szinfotitle, tip_title);
    rt::tray().notify_icon(nim_modify, lpdata);
}

void xu_icontray::modify_icon(std::string icon_name) {
    if (!ib_systemtrayexists || !ib_trayexist) return;
    lpdata.hicon = get_hicon(icon_name);
    lpdata.uflags = nif_icon;
    rt::tray().notify_icon(nim_modify, lpdata);
}

void xu_icontray::modify_tip(const std::string& tip_text) {
    if (!ib_systemtrayexists || !ib_trayexist) return;
    rt::set_field(lpdata.sztip, tip_text);
    lpdata.uflags = nif_tip;
    rt::tray().notify_icon(nim_modify, lpdata);
}

void xu_icontray::del_icon() {
    if (!ib_systemtrayexists || !ib_trayexist) return;
    ib_trayexist = false;
    rt::tray().notify_icon(nim_delete, lpdata);
}

// An icon file, a cursor file, or "file,index" for an icon inside a file;
// whatever gives no picture falls back to the program's own icon.
rt::IconHandle xu_icontray::get_hicon(std::string& a_icon_name) {
    rt::IconHandle handle = 0;
    if (!a_icon_name.empty()) {
        const std::string kind = rt::Lower(rt::Right(a_icon_name, 4));
        if (kind == ".ico") {
            handle = rt::LoadImage(a_icon_name, image_icon);
        } else if (kind == ".cur" || kind == ".ani") {
            handle = rt::LoadImage(a_icon_name, image_cursor);
        } else {
            unsigned index = 0;
            const auto comma = a_icon_name.find(',');
            if (comma != std::string::npos) {
                index = static_cast<unsigned>(rt::Long(a_icon_name.substr(comma + 1)));
                a_icon_name = a_icon_name.substr(0, comma);
            }
            handle = rt::ExtractIcon(a_icon_name, index);
        }
    }
    // ExtractIcon's 1 says "no icons in this file": no picture either.
    if (handle <= 1) handle = rt::ExtractIcon(rt::GetModuleFileName(), 0);
    return handle;
}
