#include "zip/n_zlib.h"

#include "runtime/files.h"
#include "runtime/gbk.h"
#include "runtime/path.h"
#include "runtime/services.h"
#include "zip/encrypted_entry_reader.h"
#include "zip/encrypted_entry_writer.h"
#include "zip/padded_archive_io.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

#include <QByteArray>
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

#include <fcntl.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

struct n_zlib::unz_archive {
    unzFile uf;
    // The open entry when it is encrypted; minizip reads every other one.
    std::unique_ptr<encrypted_entry_reader> encrypted;
    // The archive ends in a whole end record over an empty directory.
    bool empty_directory = false;
};

struct n_zlib::zip_archive {
    zipFile zf;
    // The open entry when it is encrypted; minizip writes every other one.
    std::unique_ptr<encrypted_entry_writer> encrypted;
};

namespace {

// An extracted entry is read and written in pieces of this size, a disk file
// imported into an archive in pieces of the runtime's stream read.
constexpr unsigned extract_piece = 8192;
constexpr std::size_t import_piece = 32765;
// The listing reads a stored name into a buffer of this many bytes.
constexpr std::size_t listing_name_bytes = 256;

void zlib_error(const std::string& function, const std::string& text) {
    rt::MessageBox("ZLib Error in " + function, text, rt::Icon::StopSign, rt::Buttons::OK, 1);
}

std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

// ---- GBK-aware text --------------------------------------------------------
// A trail byte of a double-byte character may equal "\" or an ASCII letter;
// only whole characters are matched.

std::size_t find_at_char_start(std::string_view s, std::string_view what, std::size_t from) {
    for (std::size_t i = 0; i < s.size(); i += rt::char_len_at(s, i))
        if (i >= from && s.compare(i, what.size(), what) == 0) return i;
    return std::string::npos;
}

std::string replace_all(const std::string& source, const std::string& what, const std::string& with) {
    std::string r = source;
    if (what.empty()) return r;
    for (std::size_t p = find_at_char_start(r, what, 0); p != std::string::npos;
         p = find_at_char_start(r, what, p + with.size()))
        r.replace(p, what.size(), with);
    return r;
}

std::size_t last_backslash(std::string_view s) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < s.size(); i += rt::char_len_at(s, i))
        if (s[i] == '\\') last = i;
    return last;
}

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_name_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        std::size_t n = rt::char_len_at(a, i);
        if (n == 2) {
            if (a.compare(i, 2, b.substr(i, 2)) != 0) return false;
        } else if (ascii_upper(a[i]) != ascii_upper(b[i])) {
            return false;
        }
        i += n;
    }
    return true;
}

// ---- the file system edge --------------------------------------------------
// A folder is no file: opening one for reading fails, as it does for the
// runtime's file functions.
int open_for_reading(const std::string& program_path) {
    int fd = ::open(rt::native_path(program_path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The output of an extraction goes through rt::ReplaceFile: the entry is
// written into a new file beside the target, which replaces it only once
// the whole entry is in, so a failure leaves a file that was there untouched
// and no partial file; an extracted program stays executable. A target that
// another writer holds locked is refused, and held locked here until it is
// replaced.
struct target_lock {
    int fd = -1;

    // False when the target is a regular file that cannot be locked.
    bool take(const std::string& native) {
        struct stat st {};
        if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
        fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
        return fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    }
    ~target_lock() {
        if (fd >= 0) ::close(fd);
    }
};

bool write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Up to `n` bytes, fewer only at the end of the file; false on a read error.
bool read_up_to(int fd, char* p, std::size_t n, std::size_t& got) {
    got = 0;
    while (got < n) {
        ssize_t r = ::read(fd, p + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return false;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

// The Windows attribute word of a file on disk, from what stat knows.
std::uint32_t windows_attributes(const struct stat& st, const std::string& native) {
    std::uint32_t a = S_ISDIR(st.st_mode) ? 16u : 32u;
    if (!(st.st_mode & S_IWUSR)) a |= 1u;
    std::string_view base = native;
    while (base.size() > 1 && base.back() == '/') base.remove_suffix(1);
    base = base.substr(base.rfind('/') + 1);
    if (base.size() > 1 && base[0] == '.' && base != "..") a |= 2u;
    return a;
}

// ---- entries of an archive open for reading --------------------------------
struct entry {
    unz_file_info64 info{};
    std::string name;
};

constexpr std::uint64_t zip64_marker = 0xFFFFFFFFu;

// A size of 0xFFFFFFFF stands in the entry's ZIP64 extra field (tag 1):
// the uncompressed size first, then the compressed one, each present only
// when its 32-bit field holds the marker. minizip misses the field on
// 64-bit systems, so it is read here.
void zip64_sizes(unzFile uf, unz_file_info64& info) {
    if (info.size_file_extra == 0 ||
        (info.uncompressed_size != zip64_marker && info.compressed_size != zip64_marker))
        return;
    std::vector<unsigned char> extra(info.size_file_extra);
    unz_file_info64 again{};
    if (unzGetCurrentFileInfo64(uf, &again, nullptr, 0, extra.data(), static_cast<uLong>(extra.size()), nullptr,
                                0) != UNZ_OK)
        return;
    auto number = [&](std::size_t at, std::size_t bytes) {
        std::uint64_t v = 0;
        for (std::size_t i = bytes; i-- > 0;) v = v << 8 | extra[at + i];
        return v;
    };
    for (std::size_t at = 0; at + 4 <= extra.size();) {
        const auto tag = number(at, 2);
        const std::size_t size = static_cast<std::size_t>(number(at + 2, 2));
        const std::size_t data = at + 4, end = std::min(extra.size(), data + size);
        if (tag == 1) {
            std::size_t field = data;
            for (ZPOS64_T* v : {&info.uncompressed_size, &info.compressed_size}) {
                if (*v != zip64_marker) continue;
                if (field + 8 > end) break;
                *v = number(field, 8);
                field += 8;
            }
            return;
        }
        at = data + size;
    }
}

// The current entry; its name cut to `name_bytes`, as a buffer of that size
// receives it.
bool current_entry(unzFile uf, entry& e, std::size_t name_bytes) {
    if (!uf) return false;
    std::vector<char> name(name_bytes + 1, '\0');
    if (unzGetCurrentFileInfo64(uf, &e.info, name.data(), static_cast<uLong>(name_bytes), nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return false;
    zip64_sizes(uf, e.info);
    std::size_t n = std::min<std::size_t>(e.info.size_filename, name_bytes);
    e.name.assign(name.data(), strnlen(name.data(), n));
    return true;
}

// Makes the entry of that name the current one. minizip's own lookup folds
// every byte that looks like a letter, trail bytes of GBK characters
// included, and could take one name for another.
int locate(unzFile uf, const std::string& name) {
    if (!uf) return UNZ_PARAMERROR;
    unz64_file_pos before{};
    bool had_current = unzGetFilePos64(uf, &before) == UNZ_OK;
    int rc;
    for (rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        entry e;
        if (!current_entry(uf, e, 0) || e.info.size_filename != name.size()) continue;
        if (current_entry(uf, e, name.size()) && same_name_ignoring_case(e.name, name)) return UNZ_OK;
    }
    if (had_current) unzGoToFilePos64(uf, &before);
    return rc;
}

// Opens the current entry. The password serves only an entry that is
// encrypted: used on any other, it would turn its data into noise.
int open_current(n_zlib::unz_archive* a, const std::string& password) {
    if (!a) return UNZ_PARAMERROR;
    a->encrypted.reset();
    entry e;
    if (!password.empty() && current_entry(a->uf, e, 0) && (e.info.flag & 1u))
        return encrypted_entry_reader::open(a->uf, password, a->encrypted);
    return unzOpenCurrentFile(a->uf);
}

int read_current(n_zlib::unz_archive* a, char* p, unsigned n) {
    if (!a) return UNZ_PARAMERROR;
    if (a->encrypted) return a->encrypted->read(reinterpret_cast<unsigned char*>(p), n);
    return unzReadCurrentFile(a->uf, p, n);
}

int close_current(n_zlib::unz_archive* a) {
    if (!a) return UNZ_PARAMERROR;
    if (!a->encrypted) return unzCloseCurrentFile(a->uf);
    int rc = a->encrypted->close();
    a->encrypted.reset();
    return rc;
}

// Reads the open entry into the whole of `blob` and never past it. The
// result as of_unzreadcurrentfile's; `count` is the number of bytes stored.
int read_into(n_zlib::unz_archive* a, rt::blob& blob, std::size_t& count) {
    count = 0;
    for (;;) {
        if (count == blob.size()) {
            // Full: one more read tells whether the entry has ended.
            char probe[extract_piece];
            return read_current(a, probe, extract_piece);
        }
        unsigned want = static_cast<unsigned>(std::min<std::size_t>(extract_piece, blob.size() - count));
        int r = read_current(a, blob.data() + count, want);
        if (r <= 0) return r;
        count += static_cast<std::size_t>(r);
    }
}

// Reads the open entry to its end, handing each piece to `sink`, and never
// more than the entry's size, so a size that lies costs no memory. Whole
// when exactly that size arrived and the data match the entry's CRC (which
// minizip checks only where its own sizes were right).
enum class drained { whole, damaged, unwritten };

template <class Sink>
drained drain_entry(n_zlib::unz_archive* a, const unz_file_info64& info, Sink sink) {
    char piece[extract_piece];
    std::uint64_t total = 0;
    uLong crc = crc32(0, nullptr, 0);
    while (total < info.uncompressed_size) {
        const auto want = static_cast<unsigned>(std::min<std::uint64_t>(extract_piece, info.uncompressed_size - total));
        const int n = read_current(a, piece, want);
        if (n < 0) return drained::damaged;
        if (n == 0) break;
        if (!sink(piece, static_cast<std::size_t>(n))) return drained::unwritten;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(piece), static_cast<uInt>(n));
        total += static_cast<std::uint64_t>(n);
    }
    return total == info.uncompressed_size && crc == info.crc ? drained::whole : drained::damaged;
}

// Whether the archive ends in a whole end record (its comment included)
// over an empty directory: the one archive that has no entries. A record
// cut short, or one that counts no entries before a directory, is damage.
bool whole_empty_end_record(const std::string& native) {
    constexpr std::size_t record = 22, longest_comment = 0xFFFF;
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    std::string tail;
    if (fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(record)) {
        const auto size = static_cast<std::size_t>(st.st_size);
        const std::size_t want = std::min(size, record + longest_comment);
        tail.resize(want);
        std::size_t got = 0;
        if (lseek(fd, static_cast<off_t>(size - want), SEEK_SET) < 0 || !read_up_to(fd, tail.data(), want, got) ||
            got != want)
            tail.clear();
    }
    ::close(fd);
    auto number = [&](std::size_t at, std::size_t bytes) {
        std::uint32_t v = 0;
        for (std::size_t i = bytes; i-- > 0;) v = v << 8 | static_cast<unsigned char>(tail[at + i]);
        return v;
    };
    for (std::size_t at = tail.size() >= record ? tail.size() - record + 1 : 0; at-- > 0;) {
        if (tail.compare(at, 4, "PK\x05\x06") != 0) continue;
        if (at + record + number(at + 20, 2) != tail.size()) continue;
        return number(at + 8, 2) == 0 && number(at + 10, 2) == 0 && number(at + 12, 4) == 0;
    }
    return false;
}

// ---- listing line ----------------------------------------------------------
bool valid_date(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + ((m == 2 && leap) ? 1 : 0);
}

std::string entry_datetime(const tm_unz& t) {
    int y = static_cast<int>(t.tm_year), m = static_cast<int>(t.tm_mon) + 1, d = static_cast<int>(t.tm_mday);
    int h = static_cast<int>(t.tm_hour), mi = static_cast<int>(t.tm_min), s = static_cast<int>(t.tm_sec);
    if (!valid_date(y, m, d)) y = 1900, m = 1, d = 1;
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) h = mi = s = 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, h, mi, s);
    return buf;
}

std::string decimal_text(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, r.ptr);
}

std::string qt_to_gbk(const QString& s) { return rt::utf8_to_gbk(s.toUtf8().toStdString()); }
QString gbk_to_qt(const std::string& s) { return QString::fromUtf8(rt::gbk_to_utf8(s)); }

} // namespace

// ---- compression, checksums and whole files --------------------------------

rt::nstring n_zlib::of_findmimefromdata(const std::string& as_filename, const rt::blob& ablob_data) {
    QMimeDatabase db;
    QMimeType type;
    // The data decide; without data only the name can.
    if (ablob_data.empty()) {
        type = db.mimeTypeForFile(gbk_to_qt(as_filename), QMimeDatabase::MatchExtension);
        if (type.isDefault()) return rt::null;
    } else {
        type = db.mimeTypeForData(QByteArray(ablob_data.data(), static_cast<qsizetype>(ablob_data.size())));
    }
    if (!type.isValid()) return rt::null;
    std::string name = type.name().toStdString();
    return name.substr(0, 25);
}

std::uint32_t n_zlib::of_getfilecrc(const std::string& as_filename) {
    nblob data;
    if (!of_readfile(as_filename, data) || !data) return 0;
    return static_cast<std::uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(data->data()), data->size()));
}

bool n_zlib::of_readfile(const std::string& as_filename, nblob& ablob_data) {
    int fd = open_for_reading(as_filename);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0;
    rt::blob work(ok ? static_cast<std::size_t>(st.st_size) : 0, ' ');
    std::size_t got = 0;
    ok = ok && read_up_to(fd, work.data(), work.size(), got);
    ::close(fd);
    if (!ok) {
        ablob_data = rt::null;
        return false;
    }
    work.resize(got);
    ablob_data = std::move(work);
    return true;
}

bool n_zlib::of_writefile(const std::string& as_filename, const rt::blob& ablob_data) {
    int fd = ::open(rt::native_path(as_filename).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = write_all(fd, ablob_data.data(), ablob_data.size());
    return (::close(fd) == 0) && ok;
}

std::string n_zlib::of_zlibversion() { return zlibVersion(); }

namespace {

// What compress and uncompress answer: the `written` bytes of `work`, or a
// null destination after a box that says why (compress never reports damaged
// input, so that text is uncompress's alone).
bool zlib_answer(const char* function, int rc, rt::blob& work, uLongf written, n_zlib::nblob& dest) {
    if (rc == Z_OK) {
        work.resize(written);
        dest = std::move(work);
        return true;
    }
    dest = rt::null;
    switch (rc) {
    case Z_MEM_ERROR: zlib_error(function, "Not enough memory!"); break;
    case Z_BUF_ERROR: zlib_error(function, "Not enough room in the output buffer!"); break;
    case Z_DATA_ERROR: zlib_error(function, "The input data was corrupted!"); break;
    default: zlib_error(function, "Undefined error: " + std::to_string(rc)); break;
    }
    return false;
}

} // namespace

bool n_zlib::of_compress(const rt::blob& ablob_source, nblob& ablob_dest) {
    std::size_t n = ablob_source.size();
    // n × 1.01 + 12, the room zlib asks for, rounded down.
    uLongf capacity = static_cast<uLongf>(n + n / 100 + 12);
    rt::blob work(capacity, ' ');
    int rc = compress(reinterpret_cast<Bytef*>(work.data()), &capacity,
                      reinterpret_cast<const Bytef*>(ablob_source.data()), static_cast<uLong>(n));
    return zlib_answer("of_Compress", rc, work, capacity, ablob_dest);
}

bool n_zlib::of_compress(const char* as_source, nblob& ablob_dest) {
    return of_compress(rt::blob(as_source ? as_source : ""), ablob_dest);
}

bool n_zlib::of_uncompress(const rt::blob& ablob_src, std::uint32_t aul_destlen, nblob& ablob_dest) {
    uLongf length = aul_destlen;
    rt::blob work(aul_destlen, ' ');
    int rc = uncompress(reinterpret_cast<Bytef*>(work.data()), &length,
                        reinterpret_cast<const Bytef*>(ablob_src.data()), static_cast<uLong>(ablob_src.size()));
    return zlib_answer("of_UnCompress", rc, work, length, ablob_dest);
}

bool n_zlib::of_uncompress(const rt::blob& ablob_src, std::uint32_t aul_destlen, std::string& as_dest) {
    nblob work;
    if (!of_uncompress(ablob_src, aul_destlen, work) || !work) {
        as_dest.clear();
        return false;
    }
    // A text ends at its first zero byte.
    as_dest.assign(work->c_str());
    return true;
}

// ---- listing ---------------------------------------------------------------

bool n_zlib::of_getbit(std::uint32_t al_decimal, std::uint16_t aui_bit) {
    if (aui_bit < 1 || aui_bit > 32) return false;
    return (al_decimal >> (aui_bit - 1)) & 1u;
}

std::string n_zlib::of_replaceall(const std::string& as_oldstring, const std::string& as_findstr,
                                  const std::string& as_replace) {
    return replace_all(as_oldstring, as_findstr, as_replace);
}

std::string n_zlib::of_directory(const std::string& as_filename) {
    std::string listing;
    unzfile h = of_unzopen(as_filename);
    if (!h) return listing;
    for (int rc = of_unzgotofirstfile(h); rc == UNZ_OK; rc = of_unzgotonextfile(h)) {
        std::string line = of_unzgetcurrentfileinfo(h);
        if (line.empty()) continue;
        if (!listing.empty()) listing += "\r\n";
        listing += line;
    }
    of_unzclose(h);
    return listing;
}

n_zlib::unzfile n_zlib::of_unzopen(const std::string& as_filename) {
    std::string native = rt::native_path(as_filename);
    unzFile uf = unzOpen64(native.c_str());
    if (!uf) {
        // An archive without entries opens only with a byte in front of it.
        zlib_filefunc64_def padded;
        fill_padded_archive_io(&padded);
        uf = unzOpen2_64(native.c_str(), &padded);
    }
    if (!uf) {
        zlib_error("of_unzOpen", "The zip file is invalid or can't be found!");
        return nullptr;
    }
    return new unz_archive{uf, nullptr, whole_empty_end_record(native)};
}

int n_zlib::of_unzclose(unzfile aul_unzfile) {
    if (!aul_unzfile) return UNZ_PARAMERROR;
    aul_unzfile->encrypted.reset();
    int rc = unzClose(aul_unzfile->uf);
    delete aul_unzfile;
    return rc;
}

std::string n_zlib::of_unzgetglobalcomment(unzfile aul_unzfile) {
    if (!aul_unzfile) return "";
    constexpr uLong size = 500;
    std::vector<char> buf(size + 1, '\0');
    int n = unzGetGlobalComment(aul_unzfile->uf, buf.data(), size);
    if (n < 0) return "";
    return std::string(buf.data(), strnlen(buf.data(), static_cast<std::size_t>(n)));
}

namespace {

int moved(const std::string& function, int rc) {
    switch (rc) {
    case UNZ_PARAMERROR: zlib_error(function, "Parameter Error!"); break;
    case UNZ_BADZIPFILE: zlib_error(function, "Bad zip file!"); break;
    case UNZ_INTERNALERROR: zlib_error(function, "Internal Error!"); break;
    case UNZ_CRCERROR: zlib_error(function, "CRC Error!"); break;
    default: break;
    }
    return rc;
}

} // namespace

int n_zlib::of_unzgotofirstfile(unzfile aul_unzfile) {
    if (!aul_unzfile) return moved("of_unzGotoFirstFile", UNZ_PARAMERROR);
    // minizip reads a first entry even where the directory holds none. Only
    // an archive that is nothing but its end record has no entries; an end
    // record that counts none in front of a directory is damaged.
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(aul_unzfile->uf, &global) == UNZ_OK && global.number_entry == 0)
        return aul_unzfile->empty_directory ? UNZ_END_OF_LIST_OF_FILE : moved("of_unzGotoFirstFile", UNZ_BADZIPFILE);
    return moved("of_unzGotoFirstFile", unzGoToFirstFile(aul_unzfile->uf));
}

int n_zlib::of_unzgotonextfile(unzfile aul_unzfile) {
    return moved("of_unzGotoNextFile", aul_unzfile ? unzGoToNextFile(aul_unzfile->uf) : UNZ_PARAMERROR);
}

std::string n_zlib::of_unzgetcurrentfileinfo(unzfile aul_unzfile) {
    entry e;
    if (!aul_unzfile || !current_entry(aul_unzfile->uf, e, listing_name_bytes)) return "";
    std::string copy = of_replaceall(e.name, "/", "\\");
    std::size_t p = last_backslash(copy);
    std::string file = p == std::string::npos ? e.name : e.name.substr(p + 1);
    std::string path = p == std::string::npos ? "" : copy.substr(0, p + 1);
    if (file.empty()) return ""; // a folder entry

    const unz_file_info64& fi = e.info;
    double ratio = 0;
    if (fi.uncompressed_size > 0 && fi.uncompressed_size != fi.compressed_size)
        ratio = static_cast<double>(fi.compressed_size) / static_cast<double>(fi.uncompressed_size);
    auto external = static_cast<std::uint32_t>(fi.external_fa);
    std::string attributes;
    if (of_getbit(external, 1)) attributes += "R";
    if (of_getbit(external, 2)) attributes += "H";
    if (of_getbit(external, 3)) attributes += "S";
    if (of_getbit(external, 6)) attributes += "A";

    file = trim(file);
    const char tab = '\t';
    return file + tab + trim(of_getfiledescription(file)) + tab + entry_datetime(fi.tmu_date) + tab +
           std::to_string(fi.uncompressed_size) + tab + decimal_text(ratio) + tab +
           std::to_string(fi.compressed_size) + tab + attributes + tab + ((fi.flag & 1u) ? "Y" : "N") + tab +
           trim(path) + tab + trim(e.name);
}

std::string n_zlib::of_getfiledescription(const std::string& as_filename) {
    // Judged by the name alone, as the shell does with a name's extension.
    QMimeDatabase db;
    QList<QMimeType> types = db.mimeTypesForFileName(gbk_to_qt(as_filename));
    if (types.isEmpty()) return "";
    return qt_to_gbk(types.first().comment());
}

std::string n_zlib::of_getlasterror() {
    int error = errno;
    char buf[256];
    const char* text = strerror_r(error, buf, sizeof buf);
    return rt::utf8_to_gbk(text) + "\r\n";
}

// ---- password --------------------------------------------------------------

void n_zlib::of_setpassword(const std::string& as_password) { is_password = as_password; }

std::string n_zlib::of_getpassword() { return is_password; }

// ---- writing ---------------------------------------------------------------

namespace {

// An encrypted entry still open is ended here: minizip would end it as an
// ordinary one, without its sizes and CRC.
int finish_encrypted(n_zlib::zip_archive& a) {
    if (!a.encrypted) return ZIP_OK;
    int rc = a.encrypted->close(a.zf);
    a.encrypted.reset();
    return rc;
}

int write_entry(n_zlib::zip_archive* a, const char* p, std::size_t n) {
    if (!a) return ZIP_PARAMERROR;
    if (a->encrypted) return a->encrypted->write(reinterpret_cast<const unsigned char*>(p), n);
    int rc;
    do {
        unsigned piece = static_cast<unsigned>(std::min<std::size_t>(n, UINT_MAX / 2));
        rc = zipWriteInFileInZip(a->zf, p, piece);
        p += piece;
        n -= piece;
    } while (rc == ZIP_OK && n > 0);
    return rc;
}

// The name an entry is stored under: without a leading drive ("C:\"), with
// "/" for "\".
std::string stored_name(const std::string& source) {
    std::string s = source;
    if (s.size() >= 3 && s.compare(1, 2, ":\\") == 0) s.erase(0, 3);
    return replace_all(s, "\\", "/");
}

} // namespace

n_zlib::zipfile n_zlib::of_zipopen(const std::string& as_filename) {
    zipFile zf = zipOpen64(rt::native_path(as_filename).c_str(), APPEND_STATUS_CREATE);
    if (!zf) {
        zlib_error("of_zipOpen", "The zip file could not be opened!");
        return nullptr;
    }
    return new zip_archive{zf, nullptr};
}

int n_zlib::of_zipclose(zipfile aul_zipfile, const std::string& as_comment) {
    if (!aul_zipfile) return ZIP_PARAMERROR;
    int pending = finish_encrypted(*aul_zipfile);
    int rc = zipClose(aul_zipfile->zf, as_comment.c_str());
    delete aul_zipfile;
    return pending != ZIP_OK ? pending : rc;
}

int n_zlib::of_zipopennewfileinzip(zipfile aul_zipfile, const std::string& as_filename) {
    std::string native = rt::native_path(as_filename);
    struct stat st {};
    if (native.empty() || ::stat(native.c_str(), &st) != 0) return -1;

    zip_fileinfo zi{};
    zi.internal_fa = static_cast<uLong>(of_internal_fa(as_filename));
    zi.external_fa = windows_attributes(st, native);
    std::time_t written = st.st_mtime;
    std::tm local{};
    localtime_r(&written, &local);
    zi.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
    zi.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
    zi.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
    zi.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
    zi.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
    zi.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
    zi.dosDate = 0;
    std::string name = stored_name(as_filename);

    if (!aul_zipfile) return ZIP_PARAMERROR;
    int pending = finish_encrypted(*aul_zipfile);
    if (pending != ZIP_OK) return pending;
    if (is_password.empty())
        return zipOpenNewFileInZip(aul_zipfile->zf, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, z_deflated,
                                   z_default_compression);

    // Raw: the data arrive deflated and encrypted; flag bit 0 marks them so.
    int rc = zipOpenNewFileInZip4(aul_zipfile->zf, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, z_deflated,
                                  z_default_compression, 1, -max_wbits, def_mem_level, z_default_strategy, nullptr,
                                  0, 0, 1);
    if (rc != ZIP_OK) return rc;
    auto writer = std::make_unique<encrypted_entry_writer>(is_password);
    if (writer->init_code() != Z_OK) {
        zipCloseFileInZipRaw(aul_zipfile->zf, 0, 0);
        return ZIP_INTERNALERROR;
    }
    aul_zipfile->encrypted = std::move(writer);
    return ZIP_OK;
}

int n_zlib::of_internal_fa(const std::string& as_filename) {
    int fd = open_for_reading(as_filename);
    if (fd < 0) return 2;
    rt::blob head(256, ' ');
    std::size_t got = 0;
    read_up_to(fd, head.data(), head.size(), got);
    ::close(fd);
    rt::nstring type = of_findmimefromdata(as_filename, head);
    if (!type || type->size() < 4) return 0;
    std::string first = type->substr(0, 4);
    std::transform(first.begin(), first.end(), first.begin(), [](char c) { return ascii_upper(c); });
    return first == "TEXT" ? 1 : 0;
}

int n_zlib::of_zipclosefileinzip(zipfile aul_zipfile) {
    if (!aul_zipfile) return ZIP_PARAMERROR;
    if (aul_zipfile->encrypted) return finish_encrypted(*aul_zipfile);
    return zipCloseFileInZip(aul_zipfile->zf);
}

int n_zlib::of_zipwriteinfileinzip(zipfile aul_zipfile, const rt::blob& ablob_data) {
    return write_entry(aul_zipfile, ablob_data.data(), ablob_data.size());
}

int n_zlib::of_importfile(zipfile aul_zipfile, const std::string& as_filename, const std::string& as_nameinzip) {
    int fd = open_for_reading(as_filename);
    if (fd < 0) return -1;
    int rc = of_zipopennewfileinzip(aul_zipfile, as_nameinzip);
    if (rc != ZIP_OK) {
        ::close(fd);
        return rc;
    }
    int failure = ZIP_OK;
    std::vector<char> piece(import_piece);
    for (;;) {
        ssize_t n = ::read(fd, piece.data(), piece.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failure = ZIP_ERRNO;
        if (n <= 0) break;
        failure = write_entry(aul_zipfile, piece.data(), static_cast<std::size_t>(n));
        if (failure != ZIP_OK) break;
    }
    ::close(fd);
    // The entry is ended in any case, so that the archive stays whole; a
    // failed read or write is still what the caller hears of.
    int closed = of_zipclosefileinzip(aul_zipfile);
    return failure != ZIP_OK ? failure : closed;
}

int n_zlib::of_importblob(zipfile aul_zipfile, const std::string& as_filename, const rt::blob& ablob_data) {
    int rc = of_zipopennewfileinzip(aul_zipfile, as_filename);
    if (rc != ZIP_OK) return rc;
    int written = of_zipwriteinfileinzip(aul_zipfile, ablob_data);
    int closed = of_zipclosefileinzip(aul_zipfile);
    return written != ZIP_OK ? written : closed;
}

// ---- extraction ------------------------------------------------------------

namespace {

bool current_is_encrypted(n_zlib::unz_archive* a) {
    entry e;
    return a && current_entry(a->uf, e, 0) && (e.info.flag & 1u);
}

// Where both extractions start: the named entry made current (an empty name
// keeps the current one), refused when it is encrypted and no password is
// set, then opened. False once the error is told; otherwise `known` says
// whether the entry was read and opened, and `e` holds it.
bool start_extraction(n_zlib::unz_archive* a, const std::string& function, const std::string& name,
                      const std::string& password, entry& e, bool& known) {
    if (!name.empty() && locate(a ? a->uf : nullptr, name) < 0) {
        zlib_error(function, "Unable to locate file '" + name + "' within archive!");
        return false;
    }
    if (current_is_encrypted(a) && password.empty()) {
        zlib_error(function, "The file '" + name + "' requires a password!");
        return false;
    }
    known = a && current_entry(a->uf, e, 0);
    known = open_current(a, password) == UNZ_OK && known; // a failed open fails the extraction
    return true;
}

} // namespace

bool n_zlib::of_currentfilehaspassword(unzfile aul_unzfile) { return current_is_encrypted(aul_unzfile); }

int n_zlib::of_unzreadcurrentfile(unzfile aul_unzfile, rt::blob& ablob_data, std::uint32_t aul_destlen) {
    ablob_data.assign(aul_destlen, ' ');
    std::size_t count = 0;
    return read_into(aul_unzfile, ablob_data, count);
}

int n_zlib::of_unzclosecurrentfile(unzfile aul_unzfile) { return close_current(aul_unzfile); }

bool n_zlib::of_extractblob(unzfile aul_unzfile, const std::string& as_filename, rt::blob& ablob_data) {
    const std::string function = "of_ExtractBlob";
    entry e;
    bool known = false;
    if (!start_extraction(aul_unzfile, function, as_filename, is_password, e, known)) return false;
    // The blob grows as the data arrive: the declared size is only a claim.
    rt::blob work;
    drained result = drained::damaged;
    try {
        if (known)
            result = drain_entry(aul_unzfile, e.info, [&work](const char* p, std::size_t n) {
                work.append(p, n);
                return true;
            });
    } catch (const std::bad_alloc&) {
        result = drained::damaged;
    } catch (const std::length_error&) {
        result = drained::damaged;
    }
    int closed = close_current(aul_unzfile);
    if (result != drained::whole || closed < 0) {
        zlib_error(function, "Error extracting file '" + as_filename + "' within archive!");
        return false;
    }
    ablob_data = std::move(work);
    return true;
}

bool n_zlib::of_extractfile(unzfile aul_unzfile, const std::string& as_filename, const std::string& as_nameinzip) {
    const std::string function = "of_ExtractFile";
    const std::string failed = "Error extracting file '" + as_nameinzip + "' within archive!";
    entry e;
    bool known = false;
    if (!start_extraction(aul_unzfile, function, as_nameinzip, is_password, e, known)) return false;

    const std::string native = rt::native_path(as_filename);
    target_lock lock;
    drained result = drained::damaged;
    int closed = 0;
    auto fill = [&](const rt::FileSink& put) {
        if (known) result = drain_entry(aul_unzfile, e.info, put);
        closed = of_unzclosecurrentfile(aul_unzfile);
        return result == drained::whole && closed >= 0;
    };
    rt::Replaced written = rt::Replaced::not_opened;
    if (!native.empty() && lock.take(native)) written = rt::ReplaceFile(native, fill);
    if (written == rt::Replaced::not_opened) {
        close_current(aul_unzfile);
        zlib_error(function, "Unable to open the output file!");
        return false;
    }
    if (result == drained::unwritten) {
        zlib_error(function, "Unable to write the output file!");
        return false;
    }
    if (result != drained::whole || closed < 0) {
        zlib_error(function, failed);
        return false;
    }
    if (written != rt::Replaced::done) {
        zlib_error(function, "Unable to write the output file!");
        return false;
    }
    return true;
}
