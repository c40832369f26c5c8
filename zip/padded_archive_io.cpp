#include "zip/padded_archive_io.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

struct padded_file {
    std::FILE* f;
    std::int64_t pos; // position as minizip sees it: 0 is the byte in front
    std::int64_t size; // the real file's size
    std::int64_t at;   // where the stream stands in the real file; -1 unknown
};

voidpf ZCALLBACK padded_open(voidpf, const void* filename, int mode) {
    if (!filename || !(mode & ZLIB_FILEFUNC_MODE_READ) || (mode & ZLIB_FILEFUNC_MODE_WRITE)) return nullptr;
    std::FILE* f = std::fopen(static_cast<const char*>(filename), "rb");
    if (!f) return nullptr;
    if (fseeko(f, 0, SEEK_END) != 0) {
        std::fclose(f);
        return nullptr;
    }
    const auto size = static_cast<std::int64_t>(ftello(f));
    return new padded_file{f, 0, size, size};
}

uLong ZCALLBACK padded_read(voidpf, voidpf stream, void* buf, uLong size) {
    auto* p = static_cast<padded_file*>(stream);
    auto* out = static_cast<unsigned char*>(buf);
    uLong done = 0;
    if (size > 0 && p->pos == 0) {
        out[done++] = 0;
        p->pos = 1;
    }
    // Past the end nothing is read: a damaged header can have minizip ask
    // there tens of thousands of times.
    if (done == size || p->pos - 1 >= p->size) return done;
    // minizip reads a header field by field: a seek to where the stream
    // already stands would throw its buffer away for every one of them.
    if (p->at != p->pos - 1) {
        if (fseeko(p->f, static_cast<off_t>(p->pos - 1), SEEK_SET) != 0) {
            p->at = -1;
            return done;
        }
        p->at = p->pos - 1;
    }
    std::size_t n = std::fread(out + done, 1, size - done, p->f);
    p->pos += static_cast<std::int64_t>(n);
    // At the end of the file the stream stays put, and keeps answering 0.
    p->at = std::ferror(p->f) ? -1 : p->at + static_cast<std::int64_t>(n);
    return done + n;
}

uLong ZCALLBACK padded_write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK padded_tell(voidpf, voidpf stream) {
    return static_cast<ZPOS64_T>(static_cast<padded_file*>(stream)->pos);
}

long ZCALLBACK padded_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* p = static_cast<padded_file*>(stream);
    auto delta = static_cast<std::int64_t>(offset);
    std::int64_t to;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: to = delta; break;
    case ZLIB_FILEFUNC_SEEK_CUR: to = p->pos + delta; break;
    case ZLIB_FILEFUNC_SEEK_END: to = p->size + 1 + delta; break;
    default: return -1;
    }
    if (to < 0) return -1;
    p->pos = to;
    return 0;
}

int ZCALLBACK padded_close(voidpf, voidpf stream) {
    auto* p = static_cast<padded_file*>(stream);
    int rc = std::fclose(p->f);
    delete p;
    return rc;
}

int ZCALLBACK padded_error(voidpf, voidpf stream) { return std::ferror(static_cast<padded_file*>(stream)->f); }

} // namespace

void fill_padded_archive_io(zlib_filefunc64_def* def) {
    std::memset(def, 0, sizeof *def);
    def->zopen64_file = padded_open;
    def->zread_file = padded_read;
    def->zwrite_file = padded_write;
    def->ztell64_file = padded_tell;
    def->zseek64_file = padded_seek;
    def->zclose_file = padded_close;
    def->zerror_file = padded_error;
}
