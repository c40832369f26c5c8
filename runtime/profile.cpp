#include "runtime/profile.h"

#include "runtime/files.h"
#include "runtime/path.h"
#include "runtime/strings.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace rt {
namespace {

using size_type = std::string::size_type;

std::string_view trim_blanks(std::string_view s) {
    size_type b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool same_name(std::string_view a, std::string_view b) { return Lower(trim_blanks(a)) == Lower(trim_blanks(b)); }

// One line of the file as byte offsets into it.
struct Line {
    size_type begin = 0, end = 0; // the line without its line end
    size_type next = 0;           // where the following line begins
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;        // section or key name, untrimmed
    size_type value = 0;          // Key: offset of the value
    bool blank = true;            // nothing but spaces and tabs
};

std::vector<Line> split_lines(const std::string& text) {
    std::vector<Line> lines;
    std::string_view all(text);
    for (size_type at = 0; at < text.size();) {
        Line l;
        l.begin = at;
        size_type lf = text.find('\n', at);
        l.next = lf == std::string::npos ? text.size() : lf + 1;
        l.end = lf == std::string::npos ? text.size() : lf;
        if (l.end > l.begin && text[l.end - 1] == '\r') --l.end;
        std::string_view body = trim_blanks(all.substr(l.begin, l.end - l.begin));
        l.blank = body.empty();
        size_type close = body.find(']');
        size_type eq = all.substr(l.begin, l.end - l.begin).find('=');
        if (!body.empty() && body[0] == '[' && close != std::string_view::npos) {
            l.kind = Line::Section;
            l.name = body.substr(1, close - 1);
        } else if (!body.empty() && body[0] != ';' && eq != std::string_view::npos) {
            l.kind = Line::Key;
            l.name = all.substr(l.begin, eq);
            l.value = l.begin + eq + 1;
        }
        lines.push_back(l);
        at = l.next;
    }
    return lines;
}

// Where a key lives: the index of its line, and of the last line of the
// first section of that name that holds something (for adding the key).
struct Place {
    int key = -1;
    int section_end = -1;
};

Place locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Place p;
    bool inside = false, first_section = false;
    for (size_type i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.kind == Line::Section) {
            inside = same_name(l.name, section);
            first_section = inside && p.section_end < 0;
            if (first_section) p.section_end = static_cast<int>(i);
            continue;
        }
        if (!inside) continue;
        if (l.kind == Line::Key && same_name(l.name, key)) {
            p.key = static_cast<int>(i);
            return p;
        }
        if (first_section && !l.blank) p.section_end = static_cast<int>(i);
    }
    return p;
}

std::optional<std::string> read_file(const std::string& native, bool& missing) {
    std::error_code ec;
    missing = !std::filesystem::exists(native, ec);
    if (missing) return std::string();
    std::ifstream in(native, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return s.str();
}

// What a file looked like when its text was read: any write (in place or
// through a rename) changes one of these, so a text read under the same
// stamp is the file's text still.
struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{}, ctime{};
    bool operator==(const Stamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

bool stamp_of(const std::string& native, Stamp& s, bool* absent = nullptr) {
    struct stat st {};
    const int rc = ::stat(native.c_str(), &st);
    if (absent) *absent = rc != 0 && errno == ENOENT;
    if (rc != 0 || !S_ISREG(st.st_mode)) return false;
    s = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    return true;
}

// A time stamp older than the file system's tick by a wide margin: a later
// write of the same length then carries another stamp. Local file systems
// stamp to the millisecond or better; one that keeps whole seconds only
// (no nanoseconds) is given two.
bool settled(const Stamp& s) {
    timespec clock{};
    ::clock_gettime(CLOCK_REALTIME, &clock);
    const auto age_ns = [&](const timespec& t) {
        return (static_cast<long long>(clock.tv_sec) - t.tv_sec) * 1000000000LL + (clock.tv_nsec - t.tv_nsec);
    };
    const long long margin = s.mtime.tv_nsec == 0 && s.ctime.tv_nsec == 0 ? 2000000000LL : 100000000LL;
    return age_ns(s.mtime) >= margin && age_ns(s.ctime) >= margin;
}

// The client reads its INI file before every gateway request: the text of
// a file read before is taken again while the file's stamp is unchanged,
// which costs one stat in place of an open and a read.
class TextCache {
public:
    std::optional<std::string> read(const std::string& native, bool& missing) {
        Stamp now;
        bool absent = false;
        if (!stamp_of(native, now, &absent) && absent) {
            // No such file: what read_file answers too, without its path work.
            missing = true;
            return std::string();
        }
        {
            std::lock_guard lock(mutex_);
            auto it = texts_.find(native);
            if (it != texts_.end() && it->second.first == now) {
                missing = false;
                return it->second.second;
            }
        }
        std::optional<std::string> text = read_file(native, missing);
        Stamp after;
        std::lock_guard lock(mutex_);
        // Kept only when the file stood still while it was read, and not
        // while its time stamp is so fresh that a second write of the same
        // length could still carry the same stamp.
        if (text && !missing && stamp_of(native, after) && after == now && settled(now)) {
            if (texts_.size() >= 16) texts_.clear();
            texts_[native] = {now, *text};
        } else {
            texts_.erase(native);
        }
        return text;
    }
    void forget(const std::string& native) {
        std::lock_guard lock(mutex_);
        texts_.erase(native);
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::pair<Stamp, std::string>> texts_;
};

TextCache& text_cache() {
    static TextCache cache;
    return cache;
}

// The file a write replaces: a symbolic link is followed to its target, so
// that the link stays and its target is written.
std::string write_target(const std::string& native) {
    namespace fs = std::filesystem;
    fs::path p = native;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
        fs::path to = fs::read_symlink(p, ec);
        if (ec) return native;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return p.string();
}

// Through a file beside it and a rename (rt::ReplaceFile), so that a failed
// write never leaves a cut or mixed INI file behind. A file the user may
// not write (no write permission, read-only for everyone) is refused and
// left as it was; a replaced file keeps its mode and, where allowed, its
// owner.
bool write_file(const std::string& native, const std::string& text) {
    const std::string target = write_target(native);
    struct stat st {};
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0))
        return false;
    return ReplaceFile(target, [&text](const FileSink& put) { return put(text.data(), text.size()); }) ==
           Replaced::done;
}

// What ends a last line that has no line end: a lone CR at the end of the
// file is already read as one, and needs only its LF; another CR before the
// LF would become part of the line's value.
std::string line_end_for(const std::string& text) { return text.back() == '\r' ? "\n" : "\r\n"; }

bool valid_name(std::string_view name, char forbidden) {
    std::string_view t = trim_blanks(name);
    return !t.empty() && name.find_first_of("\r\n") == std::string_view::npos &&
           name.find(forbidden) == std::string_view::npos;
}

} // namespace

nstring ProfileString(const nstring& file, const nstring& section, const nstring& key,
                      const nstring& default_value) {
    if (!file || !section || !key || !default_value) return null;
    bool missing = false;
    std::optional<std::string> text = text_cache().read(native_path(*file), missing);
    if (!text || missing) return default_value;
    return ProfileStringText(*text, section, key, default_value);
}

nstring ProfileStringText(const std::string& text, const nstring& section, const nstring& key,
                          const nstring& default_value) {
    if (!section || !key || !default_value) return null;
    std::vector<Line> lines = split_lines(text);
    Place p = locate(lines, *section, *key);
    if (p.key < 0) return default_value;
    const Line& l = lines[static_cast<size_type>(p.key)];
    return text.substr(l.value, l.end - l.value);
}

int SetProfileString(const nstring& file, const nstring& section, const nstring& key, const nstring& value) {
    if (!file || !section || !key || !value) return -1;
    if (!valid_name(*section, ']') || !valid_name(*key, '=')) return -1;
    std::string_view k = trim_blanks(*key);
    if (k[0] == '[' || k[0] == ';') return -1; // would read back as a section or a comment
    if (value->find_first_of("\r\n") != std::string::npos) return -1;

    std::string native = native_path(*file);
    bool missing = false;
    std::optional<std::string> read = read_file(native, missing);
    if (!read) return -1;
    std::string text = std::move(*read);
    std::vector<Line> lines = split_lines(text);
    Place p = locate(lines, *section, *key);
    std::string entry = std::string(k) + "=" + *value + "\r\n";
    if (p.key >= 0) {
        const Line& l = lines[static_cast<size_type>(p.key)];
        text.replace(l.value, l.end - l.value, *value);
    } else if (p.section_end >= 0) {
        const Line& l = lines[static_cast<size_type>(p.section_end)];
        if (l.next == text.size() && text.back() != '\n') entry.insert(0, line_end_for(text)); // it ends the file
        text.insert(l.next, entry);
    } else {
        if (!text.empty() && text.back() != '\n') text += line_end_for(text);
        text += "[" + std::string(trim_blanks(*section)) + "]\r\n" + entry;
    }
    const bool written = write_file(native, text);
    text_cache().forget(native);
    return written ? 1 : -1;
}

} // namespace rt
