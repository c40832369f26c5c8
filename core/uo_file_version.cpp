#include "core/uo_file_version.h"

#include "runtime/files.h"

#include <cstring>

namespace {

// The stamp this build puts into every program that links the manager (the
// manager's of_fileversion reaches this file, so the linker always keeps it).
[[gnu::used]] const char kVersionStamp[] = "VELOTRA_FILE_VERSION=" VELOTRA_FILE_VERSION;

// The whole file, or what was read of it before a read failed.
std::string file_bytes(const std::string& name) {
    std::string bytes, piece;
    const int f = rt::FileOpen(name, rt::FileMode::StreamMode, rt::FileAccess::Read);
    if (f < 0) return bytes;
    while (rt::FileRead(f, piece) > 0) bytes += piece;
    rt::FileClose(f);
    return bytes;
}

} // namespace

// The marker is built from the stamp at run time, so that the only copy of
// it in a program is the stamp itself. A later marker is tried when the text
// after one is no version (a marker may also stand in other data).
int uo_file_version::f_get_fileversion(const std::string& str_file, std::string& version) {
    version.clear();
    const std::string bytes = file_bytes(str_file);
    const std::string marker(kVersionStamp, std::strchr(kVersionStamp, '=') + 1);
    for (auto pos = bytes.find(marker); pos != std::string::npos; pos = bytes.find(marker, pos + 1)) {
        const auto start = pos + marker.size();
        const auto end = bytes.find('\0', start);
        std::string text = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!text.empty() && text.size() <= 255 && text.find_first_not_of("0123456789,. ") == std::string::npos) {
            version = std::move(text);
            break;
        }
    }
    return 1;
}
