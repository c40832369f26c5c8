#include "core/f_filewrite.h"

#include "runtime/files.h"

#include <string_view>

int f_filewrite(const std::string& filename, const rt::blob& data) {
    return f_filewrite(filename, data, rt::WriteMode::Replace);
}

int f_filewrite(const std::string& filename, const rt::blob& data, rt::WriteMode mode) {
    int f = rt::FileOpen(filename, rt::FileMode::StreamMode, rt::FileAccess::Write, rt::FileLock::LockWrite, mode);
    if (f < 0) return -1;
    for (std::size_t pos = 0; pos < data.size(); pos += rt::file_piece) {
        if (rt::FileWrite(f, std::string_view(data).substr(pos, rt::file_piece)) == -1) {
            rt::FileClose(f);
            return -1;
        }
    }
    rt::FileClose(f);
    return 1;
}
