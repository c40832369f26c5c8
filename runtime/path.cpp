#include "runtime/path.h"

#include "runtime/gbk.h"

#include <climits>
#include <unistd.h>

namespace rt {
namespace {

std::string executable_folder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "\\";
    std::string exe(buf, static_cast<std::size_t>(n));
    std::string folder = exe.substr(0, exe.rfind('/'));
    return program_path(folder.empty() ? "/" : folder);
}

std::string& folder_slot() {
    static std::string folder = executable_folder();
    return folder;
}

} // namespace

const std::string& program_folder() { return folder_slot(); }

void set_program_folder(const std::string& p) {
    std::string f = p;
    while (f.size() > 1 && f.back() == '\\') f.pop_back();
    folder_slot() = f;
}

std::string native_path(const std::string& p) {
    std::string utf8 = gb18030_to_utf8(p);
    for (char& c : utf8)
        if (c == '\\') c = '/';
    if (utf8.empty() || utf8[0] == '/') return utf8;
    std::string base = gb18030_to_utf8(program_folder());
    for (char& c : base)
        if (c == '\\') c = '/';
    if (base.empty() || base.back() != '/') base += '/';
    return base + utf8;
}

std::string program_path(const std::string& native) {
    std::string gbk = utf8_to_gb18030(native);
    // Only a real "/" of the UTF-8 text becomes "\"; GBK trail bytes are
    // never 0x2F, so a byte scan is safe in this direction.
    for (char& c : gbk)
        if (c == '/') c = '\\';
    return gbk;
}

} // namespace rt
