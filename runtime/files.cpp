#include "runtime/files.h"

#include "runtime/gbk.h"
#include "runtime/path.h"
#include "runtime/services.h"
#include "runtime/strings.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rt {
namespace {

namespace fs = std::filesystem;

struct OpenFile {
    std::FILE* f = nullptr;
    FileMode mode;
    FileAccess access;
    FileLock lock;
    std::string native;
    std::string key; // the file's canonical native path, once it was needed
};

std::map<int, OpenFile>& open_files() {
    static std::map<int, OpenFile> files;
    return files;
}

OpenFile* find(int file) {
    auto it = open_files().find(file);
    return it == open_files().end() ? nullptr : &it->second;
}

std::string key_of(const std::string& native) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(native, ec);
    return ec ? native : p.string();
}

bool denies(FileLock lock, FileAccess access) {
    switch (lock) {
    case FileLock::LockReadWrite: return true;
    case FileLock::LockRead: return access == FileAccess::Read;
    case FileLock::LockWrite: return access == FileAccess::Write;
    case FileLock::Shared: return false;
    }
    return false;
}

// Whether an open of `native` with this access and lock agrees with every
// open file number of the same file. The canonical paths (a readlink for
// every folder on the way) are taken only for a pair whose locks would
// clash, so that opening a file with no other open, as every log entry
// does, costs no path walk.
bool lock_allows(const std::string& native, FileAccess access, FileLock lock) {
    std::string key;
    for (auto& [n, f] : open_files()) {
        if (!denies(f.lock, access) && !denies(lock, f.access)) continue;
        if (key.empty()) key = key_of(native);
        if (f.key.empty()) f.key = key_of(f.native);
        if (f.key == key) return false;
    }
    return true;
}

bool is_file(const std::string& native) {
    std::error_code ec;
    return !native.empty() && fs::is_regular_file(native, ec);
}

// Reads one line of at most file_piece bytes; the line end is consumed but
// not kept. A line longer than a piece goes on in the next read.
std::int32_t read_line(std::FILE* f, std::string& piece) {
    piece.clear();
    int c = std::getc(f);
    if (c == EOF) return std::ferror(f) ? -1 : file_end;
    while (c != EOF && c != '\n' && c != '\r') {
        piece.push_back(static_cast<char>(c));
        if (piece.size() == static_cast<std::size_t>(file_piece)) {
            // A line of exactly a piece ends here; its line end must not
            // come back as an empty line of its own.
            c = std::getc(f);
            if (c != '\n' && c != '\r') {
                if (c != EOF) std::ungetc(c, f);
                return file_piece;
            }
            break;
        }
        c = std::getc(f);
    }
    if (c == '\r') {
        int next = std::getc(f);
        if (next != '\n' && next != EOF) std::ungetc(next, f);
    }
    if (std::ferror(f)) return -1;
    return static_cast<std::int32_t>(piece.size());
}

std::int32_t read_stream(std::FILE* f, std::string& piece) {
    piece.resize(static_cast<std::size_t>(file_piece));
    std::size_t n = std::fread(piece.data(), 1, piece.size(), f);
    piece.resize(n);
    if (n == 0) return std::ferror(f) ? -1 : file_end;
    return static_cast<std::int32_t>(n);
}

// "*" any run of characters, "?" one character; ASCII letters match without
// regard to case. Characters, not bytes, so "?" takes a whole GBK character.
bool wildcard(std::string_view name, std::string_view pattern) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == '*') {
        for (std::size_t i = 0;; i += char_len_at(name, i)) {
            if (wildcard(name.substr(i), pattern.substr(1))) return true;
            if (i >= name.size()) return false;
        }
    }
    if (name.empty()) return false;
    std::size_t n = char_len_at(name, 0);
    if (pattern[0] == '?') return wildcard(name.substr(n), pattern.substr(1));
    std::size_t m = char_len_at(pattern, 0);
    if (Lower(name.substr(0, n)) != Lower(pattern.substr(0, m))) return false;
    return wildcard(name.substr(n), pattern.substr(m));
}

} // namespace

int FileOpen(const std::string& name, FileMode mode, FileAccess access, FileLock lock, WriteMode writemode) {
    std::string native = native_path(name);
    if (native.empty()) return -1;
    if (access == FileAccess::Read && !is_file(native)) return -1; // fopen would open a folder
    if (!lock_allows(native, access, lock)) return -1;
    const char* how = access == FileAccess::Read ? "rb" : writemode == WriteMode::Append ? "ab" : "wb";
    std::FILE* f = std::fopen(native.c_str(), how);
    if (!f) return -1;
    int number = 1;
    while (open_files().count(number)) ++number;
    // A relative name is made absolute now: its canonical path may be asked
    // for after the working folder has changed.
    std::error_code ec;
    std::string absolute = native[0] == '/' ? native : fs::absolute(native, ec).string();
    open_files()[number] = OpenFile{f, mode, access, lock, ec ? native : std::move(absolute), {}};
    return number;
}

std::int32_t FileRead(int file, std::string& piece) {
    OpenFile* f = find(file);
    if (!f || f->access != FileAccess::Read) return -1;
    std::int32_t n = f->mode == FileMode::LineMode ? read_line(f->f, piece) : read_stream(f->f, piece);
    if (n < 0) piece.clear();
    return n;
}

std::int32_t FileWrite(int file, std::string_view data) {
    OpenFile* f = find(file);
    if (!f || f->access != FileAccess::Write) return -1;
    data = data.substr(0, static_cast<std::size_t>(file_piece));
    if (std::fwrite(data.data(), 1, data.size(), f->f) != data.size()) return -1;
    if (f->mode == FileMode::LineMode && std::fwrite("\r\n", 1, 2, f->f) != 2) return -1;
    // Flushed at once, so that a full disk shows in this write's answer.
    if (std::fflush(f->f) != 0) return -1;
    return static_cast<std::int32_t>(data.size());
}

int FileClose(int file) {
    OpenFile* f = find(file);
    if (!f) return -1;
    int rc = std::fclose(f->f);
    open_files().erase(file);
    return rc == 0 ? 1 : -1;
}

std::int64_t FileLength(const std::string& name) {
    std::string native = native_path(name);
    std::error_code ec;
    if (!is_file(native)) return -1;
    auto size = fs::file_size(native, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

bool FileExists(const std::string& name) { return is_file(native_path(name)); }

bool FileDelete(const std::string& name) {
    std::string native = native_path(name);
    std::error_code ec;
    return is_file(native) && fs::remove(native, ec);
}

int FileMove(const std::string& source, const std::string& target) {
    std::string from = native_path(source), to = native_path(target);
    if (!is_file(from)) return -1;
    std::error_code ec;
    if (to.empty() || fs::exists(fs::symlink_status(to, ec))) return -2;
    fs::rename(from, to, ec);
    if (!ec) return 1;
    if (ec != std::errc::cross_device_link) return ec == std::errc::permission_denied ? -1 : -2;
    // Another file system: copy, then remove the source.
    if (!fs::copy_file(from, to, fs::copy_options::none, ec) || ec) return -2;
    fs::remove(from, ec);
    return 1;
}

int CreateDirectory(const std::string& name) {
    std::string native = native_path(name);
    return !native.empty() && ::mkdir(native.c_str(), 0777) == 0 ? 1 : -1;
}

bool DirectoryExists(const std::string& name) {
    std::error_code ec;
    std::string native = native_path(name);
    return !native.empty() && fs::is_directory(native, ec);
}

std::vector<std::string> DirList(const std::string& pattern) {
    // The last "\" that is a character of its own separates folder and
    // name; a 0x5C trail byte does not.
    std::int32_t cut = LastPos(pattern, "\\");
    std::string folder = cut > 0 ? Left(pattern, cut) : program_folder();
    std::string mask = cut > 0 ? Mid(pattern, cut + 1) : pattern;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(native_path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (!it->is_regular_file(type_ec)) continue;
        std::string name = utf8_to_gb18030(it->path().filename().string());
        if (wildcard(name, mask)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::int32_t> DrawFreeNumber(std::int32_t range,
                                           const std::function<std::vector<std::string>(std::int32_t)>& names,
                                           const std::vector<std::string>& reserved) {
    if (range < 1) return std::nullopt;
    std::vector<std::string> held;
    for (const std::string& r : reserved) held.push_back(native_path(r));
    auto free = [&](std::int32_t n) {
        for (const std::string& name : names(n)) {
            const std::string native = native_path(name);
            if (native.empty() || std::find(held.begin(), held.end(), native) != held.end()) return false;
            std::error_code ec;
            const fs::file_status st = fs::symlink_status(native, ec);
            // Whatever cannot be looked at counts as taken.
            if (st.type() != fs::file_type::not_found) return false;
        }
        return true;
    };
    // Random draws first, so that names do not pile up from 1 upwards.
    constexpr int random_draws = 100;
    std::int32_t n = 1;
    for (int draw = 0; draw < random_draws; ++draw) {
        n = std::clamp<std::int32_t>(random().rand(range), 1, range);
        if (free(n)) return n;
    }
    for (std::int32_t step = 1; step < range; ++step) {
        const std::int32_t next = (n - 1 + step) % range + 1;
        if (free(next)) return next;
    }
    return std::nullopt;
}

namespace {

// Counts the new files of every ReplaceFile of the process, so that two
// replacements at once (two threads, two files of one name) never meet.
std::atomic<unsigned>& replacement_serial() {
    static std::atomic<unsigned> serial{0};
    return serial;
}

std::string replacement_name(const std::string& native, unsigned serial) {
    const std::size_t slash = native.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    return native.substr(0, base) + "." + native.substr(base) + "." + std::to_string(::getpid()) + "." +
           std::to_string(serial) + ".part";
}

bool put_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

Replaced write_in_place(const std::string& native, const std::function<bool(const FileSink&)>& fill) {
    const int fd = ::open(native.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Replaced::not_opened;
    const bool written = fill([fd](const char* p, std::size_t n) { return put_all(fd, p, n); });
    const bool closed = ::close(fd) == 0;
    return !written ? Replaced::not_written : closed ? Replaced::done : Replaced::not_saved;
}

} // namespace

Replaced ReplaceFile(const std::string& native, const std::function<bool(const FileSink& put)>& fill) {
    if (native.empty()) return Replaced::not_opened;
    struct stat st {};
    const bool existed = ::stat(native.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode)) return write_in_place(native, fill);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 1000 && fd < 0; ++attempt) {
        temp = replacement_name(native, ++replacement_serial());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return Replaced::not_opened;
    }
    if (fd < 0) return Replaced::not_opened;
    Replaced result = Replaced::done;
    if (existed) {
        if (::fchmod(fd, st.st_mode & 07777) != 0) result = Replaced::not_opened;
        // Only a privileged user can give the file back to another owner.
        [[maybe_unused]] const int owned = ::fchown(fd, st.st_uid, st.st_gid);
    }
    if (result == Replaced::done && !fill([fd](const char* p, std::size_t n) { return put_all(fd, p, n); }))
        result = Replaced::not_written;
    if (result == Replaced::done && ::fsync(fd) != 0) result = Replaced::not_saved;
    if (::close(fd) != 0 && result == Replaced::done) result = Replaced::not_saved;
    if (result == Replaced::done && ::rename(temp.c_str(), native.c_str()) != 0) result = Replaced::not_saved;
    if (result != Replaced::done) ::unlink(temp.c_str());
    return result;
}

std::string ReplacementName(const std::string& native) {
    return replacement_name(native, replacement_serial().load() + 1);
}

AppendLog::~AppendLog() { close(); }

void AppendLog::close() {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    native_.clear();
}

// The file held open still has a name: not deleted, nor replaced by a
// file renamed over it, since. An fstat per text, with no walk of the path.
bool AppendLog::still_named() const {
    struct stat held {};
    return ::fstat(fileno(f_), &held) == 0 && held.st_nlink > 0;
}

int AppendLog::append(const std::string& name, std::string_view text) {
    const std::string native = native_path(name);
    if (native.empty()) return -1;
    // Checked on every text, as an open for each text would be.
    if (!lock_allows(native, FileAccess::Write, FileLock::LockWrite)) return -1;
    if (f_ && (native != native_ || !still_named())) close();
    if (!f_) {
        // Not handed on to the programs the client starts.
        f_ = std::fopen(native.c_str(), "abe");
        if (!f_) return -1;
        native_ = native;
    }
    text = text.substr(0, static_cast<std::size_t>(file_piece));
    const bool written = std::fwrite(text.data(), 1, text.size(), f_) == text.size() &&
                         std::fwrite("\r\n", 1, 2, f_) == 2 && std::fflush(f_) == 0;
    // A file that failed a write is opened afresh for the next text.
    if (!written) close();
    return written ? 1 : -1;
}

} // namespace rt
