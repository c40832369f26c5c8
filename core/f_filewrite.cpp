#include "core/f_filewrite.h"

#include "runtime/path.h"

#include <cstdio>

int f_filewrite(const std::string& filename, const rt::blob& data) {
    std::FILE* f = std::fopen(rt::native_path(filename).c_str(), "wb");
    if (!f) return -1;
    constexpr std::size_t piece = 32765;
    for (std::size_t pos = 0; pos < data.size(); pos += piece) {
        std::size_t len = std::min(piece, data.size() - pos);
        if (std::fwrite(data.data() + pos, 1, len, f) != len) {
            std::fclose(f);
            return -1;
        }
    }
    return std::fclose(f) == 0 ? 1 : -1;
}
