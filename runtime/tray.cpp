#include "runtime/tray.h"

#include "runtime/gbk.h"
#include "runtime/path.h"

#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <unistd.h>

namespace rt {
namespace {

std::map<IconHandle, IconSource>& handles() {
    static std::map<IconHandle, IconSource> h;
    return h;
}

// Handles start well above 1, which ExtractIcon answers for "no icons here".
IconHandle issue(IconSource source) {
    static IconHandle next = 0x1000;
    const IconHandle h = next++;
    handles()[h] = std::move(source);
    return h;
}

// The first bytes of a file; empty when it cannot be read.
std::string head(const std::string& name, std::size_t n) {
    std::ifstream in(native_path(name), std::ios::binary);
    if (!in) return {};
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool exists(const std::string& name) {
    std::ifstream in(native_path(name), std::ios::binary);
    return static_cast<bool>(in);
}

unsigned u16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned>(static_cast<unsigned char>(s[at + 1])) << 8;
}

// Images held by an icon (kind 1) or cursor (kind 2) directory; 0 for other files.
unsigned directory_images(const std::string& bytes, unsigned kind) {
    if (bytes.size() < 6 || u16(bytes, 0) != 0 || u16(bytes, 2) != kind) return 0;
    return u16(bytes, 4);
}

bool animated_cursor(const std::string& bytes) {
    return bytes.size() >= 12 && bytes.compare(0, 4, "RIFF") == 0 && bytes.compare(8, 4, "ACON") == 0;
}

class NoTray final : public Tray {
public:
    bool available() override { return false; }
    bool notify_icon(long, const NotifyIconData&) override { return false; }
};

std::unique_ptr<Tray>& slot() {
    static std::unique_ptr<Tray> s = std::make_unique<NoTray>();
    return s;
}

} // namespace

IconHandle LoadImage(const std::string& name, unsigned type) {
    const std::string bytes = head(name, 12);
    bool fits = false;
    if (type == image_icon) fits = directory_images(bytes, 1) > 0;
    else if (type == image_cursor) fits = directory_images(bytes, 2) > 0 || animated_cursor(bytes);
    if (!fits) return 0;
    return issue({name, type, 0, false});
}

IconHandle ExtractIcon(const std::string& file, unsigned index) {
    if (!file.empty() && native_path(file) == native_path(GetModuleFileName()))
        return index == 0 ? issue({"", image_icon, 0, true}) : 0;
    if (file.empty() || !exists(file)) return 0;
    const unsigned images = directory_images(head(file, 6), 1);
    if (images == 0) return 1;
    if (index >= images) return 0;
    return issue({file, image_icon, index, false});
}

std::string GetModuleFileName() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    return program_path(std::string(buf, static_cast<std::size_t>(n)));
}

std::optional<IconSource> icon_source(IconHandle handle) {
    const auto it = handles().find(handle);
    if (it == handles().end()) return std::nullopt;
    return it->second;
}

void set_field(char* field, std::size_t size, const std::string& text) {
    if (size == 0) return;
    std::size_t n = 0;
    while (n < text.size()) {
        const std::size_t len = char_len_at(text, n);
        if (n + len > size - 1) break;
        n += len;
    }
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, size - n);
}

Tray& tray() { return *slot(); }

std::unique_ptr<Tray> set_tray(std::unique_ptr<Tray> t) {
    std::unique_ptr<Tray> prev = std::move(slot());
    slot() = std::move(t);
    return prev;
}

} // namespace rt
