// The notification area (the tray): one replaceable service that takes the
// shell's notification record, and the icon handles that the record names.
// The program installs the Qt realisation (runtime/ui/qt_tray.h); without it,
// and in the quiet tests, the desktop has no notification area. Tests install
// a recorder (tests/support/scripted.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace rt {

// ---- icon handles -------------------------------------------------------------
// A number that names a loaded picture; 0 names none.
using IconHandle = std::uint32_t;

inline constexpr unsigned image_icon = 1, image_cursor = 2;

// LoadImage from a file at the default size: an icon file (image_icon) or a
// cursor or animated cursor file (image_cursor). 0 when the file is missing
// or is not a picture of that kind.
IconHandle LoadImage(const std::string& name, unsigned type);
// ExtractIcon: the icon with that index in a file. The running executable
// holds one icon, the application's own; an icon file holds its images. 0
// for a missing file or an index beyond its icons; 1 for a file that is no
// source of icons at all.
IconHandle ExtractIcon(const std::string& file, unsigned index);
// GetModuleFileName: the running executable, as a program path.
std::string GetModuleFileName();

// What a handle names: a picture file (an icon's index within it), or the
// application's own icon. None for 0, 1 and unknown handles.
struct IconSource {
    std::string path; // program path; empty for the application's own icon
    unsigned type = image_icon;
    unsigned index = 0;
    bool own = false;
};
std::optional<IconSource> icon_source(IconHandle handle);

// ---- the notification record --------------------------------------------------
// The shell's record for one icon: the window that owns it (with the icon's
// id within that window), the message its mouse events come as, the picture,
// the tip and a balloon. Texts are GBK with a zero byte, cut to fit.
struct NotifyIconData {
    std::uint32_t cbsize = 0;
    std::uintptr_t hwnd = 0;
    std::uint32_t uid = 0;
    std::uint32_t uflags = 0;
    std::uint32_t ucallbackmessage = 0;
    IconHandle hicon = 0;
    char sztip[128] = {};
    std::uint32_t dwstate = 0;
    std::uint32_t dwstatemask = 0;
    char szinfo[256] = {};
    std::uint32_t utimeoutorversion = 0;
    char szinfotitle[64] = {};
    std::uint32_t dwinfoflags = 0;
};

inline constexpr long nim_add = 0, nim_modify = 1, nim_delete = 2;
inline constexpr std::uint32_t nif_message = 1, nif_icon = 2, nif_tip = 4, nif_info = 16;
inline constexpr std::uint32_t niif_none = 0, niif_info = 1, niif_warning = 2, niif_error = 3;

// Puts a text into a record field with its zero byte. A text too long is cut
// before the last whole GBK character that fits, never between its bytes.
void set_field(char* field, std::size_t size, const std::string& text);
template <std::size_t N> void set_field(char (&field)[N], const std::string& text) { set_field(field, N, text); }
// The text of a field, up to its zero byte.
template <std::size_t N> std::string field_text(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
}

// ---- the service ----------------------------------------------------------------
class Tray {
public:
    virtual ~Tray() = default;
    // The desktop has a notification area.
    virtual bool available() = 0;
    // Shell_NotifyIcon: nim_add, nim_modify or nim_delete with the record;
    // true when the shell took it. The icon's mouse events come back to the
    // window in `hwnd` as `ucallbackmessage` (rt::Send), with `uid` as its
    // word and the mouse message (515 a left double click, 517 the right
    // button released, ...) as its long.
    virtual bool notify_icon(long message, const NotifyIconData& data) = 0;
};

Tray& tray();
// Takes ownership and returns the tray it replaced.
std::unique_ptr<Tray> set_tray(std::unique_ptr<Tray> t);

} // namespace rt
