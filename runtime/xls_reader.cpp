#include "runtime/xls_reader.h"

#include <freexl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VELOTRA_SANITIZED
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELOTRA_SANITIZED
#endif
#endif
#ifdef VELOTRA_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

namespace rt::sheet {

namespace {

const char* const damaged_message = "The file is not a valid .xls workbook: it is damaged.";

std::string freexl_error(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return "The file cannot be opened.";
    case FREEXL_INSUFFICIENT_MEMORY:
        return "There is not enough memory to read the workbook.";
    case FREEXL_BIFF_OBFUSCATED:
        return "The workbook is protected by a password.";
    default:
        return "The file is not a valid .xls workbook (error " + std::to_string(code) + ").";
    }
}

// The compound document around the workbook, read only as far as FreeXL
// trusts it without checking.
class CompoundFile {
public:
    explicit CompoundFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // FreeXL 1.0.6 converts each directory entry's name with the length the
    // entry claims, though the name field holds 64 bytes: a damaged length
    // makes it read far past its own copy of the entry on the stack. It also
    // computes sector offsets in 32 bits, so a sector number past the file (a
    // free-sector marker, say) can land on the header or any other sector.
    // No sound file has a longer name or a chain that leaves the file, so such
    // a file is refused before FreeXL opens it.
    bool directory_names_fit() {
        if (data_.size() < header_size) return true; // too short: FreeXL refuses it alone
        const std::uint32_t shift = u16(0x1E);
        if (shift != 9 && shift != 12) return false;
        sector_size_ = std::size_t{1} << shift;
        if (!collect_fat_sectors()) return false;
        std::uint32_t sector = u32(0x30);
        for (std::size_t hops = 0; sector != end_of_chain; ++hops) {
            if (hops >= sector_count() || !in_file(sector) || !entries_fit(sector)) return false;
            sector = next(sector);
        }
        return true;
    }

private:
    static constexpr std::size_t header_size = 512;
    static constexpr std::uint32_t end_of_chain = 0xFFFFFFFE;
    static constexpr std::size_t entry_size = 128;
    static constexpr std::size_t name_field = 64;

    std::uint32_t u16(std::size_t at) const {
        const auto* b = reinterpret_cast<const unsigned char*>(data_.data()) + at;
        return b[0] | (std::uint32_t{b[1]} << 8);
    }
    std::uint32_t u32(std::size_t at) const { return u16(at) | (u16(at + 2) << 16); }

    std::size_t sector_offset(std::uint32_t sector) const { return (std::size_t{sector} + 1) * sector_size_; }
    std::size_t sector_count() const {
        const std::size_t whole = data_.size() / sector_size_; // the header is the first
        return whole == 0 ? 0 : whole - 1;
    }
    bool in_file(std::uint32_t sector) const { return sector < sector_count(); }

    // The sectors of the allocation table: 109 listed in the header, the
    // rest in a chain of list sectors, each ending with the next one's number.
    bool collect_fat_sectors() {
        const std::uint32_t count = u32(0x2C);
        for (std::size_t i = 0; i < 109 && fat_sectors_.size() < count; ++i) {
            fat_sectors_.push_back(u32(0x4C + 4 * i));
            if (!in_file(fat_sectors_.back())) return false;
        }
        std::uint32_t list = u32(0x44);
        const std::size_t per_list = sector_size_ / 4 - 1;
        for (std::size_t hops = 0; fat_sectors_.size() < count; ++hops) {
            if (hops >= sector_count() || !in_file(list)) return false;
            const std::size_t at = sector_offset(list);
            for (std::size_t i = 0; i < per_list && fat_sectors_.size() < count; ++i) {
                fat_sectors_.push_back(u32(at + 4 * i));
                if (!in_file(fat_sectors_.back())) return false;
            }
            list = u32(at + 4 * per_list);
        }
        return true;
    }

    // The next sector of a chain; a sector the table does not cover ends it
    // with a number that is in no file.
    std::uint32_t next(std::uint32_t sector) const {
        const std::size_t per_sector = sector_size_ / 4;
        const std::size_t index = sector / per_sector;
        if (index >= fat_sectors_.size()) return 0xFFFFFFFF;
        return u32(sector_offset(fat_sectors_[index]) + 4 * (sector % per_sector));
    }

    bool entries_fit(std::uint32_t sector) const {
        const std::size_t start = sector_offset(sector);
        for (std::size_t at = start; at < start + sector_size_; at += entry_size)
            if (u16(at + name_field) > name_field) return false;
        return true;
    }

    std::string data_;
    std::size_t sector_size_ = header_size;
    std::vector<std::uint32_t> fat_sectors_;
};

// FreeXL 1.0.6 trusts what it reads inside the workbook stream (string
// tables whose pieces run past their records, skips taken from the file),
// and reads and writes past its buffers on damaged files. Such a fault
// cannot be checked away record by record without parsing the stream a
// second time, so FreeXL only ever runs in a child process of its own: the
// child opens the workbook, sends every sheet's cells back over a pipe as
// frames, and exits. Whatever the library does to the child's memory stays
// there; a child that dies, sends something malformed, or takes longer
// than the time limit leaves the reader's own load error.
//
// A frame is a kind byte, a 32-bit length and that many bytes; numbers are
// little-endian.
enum Frame : unsigned char {
    frame_error = 'e',      // i32: FreeXL's code, or no_sheets
    frame_name = 'n',       // one sheet's name (UTF-8), in workbook order
    frame_sheet = 's',      // u32: the sheet whose rows follow
    frame_lost_sheet = 'x', // u32 sheet, u8 why (lost_*)
    frame_row = 'r',        // u32 row from 0; per cell: u16 column from 0, u8 FreeXL type, value
    frame_done = 'z',
};
constexpr std::int32_t no_sheets = 1; // FreeXL's own codes are 0 and below
constexpr unsigned char lost_not_found = 0;
constexpr unsigned char lost_unreadable = 1;
constexpr std::uint32_t max_frame = 64u << 20;

std::chrono::milliseconds time_limit{60000};

// The child's side: frames gathered in a buffer and written in large pieces.
class FrameWriter {
public:
    explicit FrameWriter(int fd) : fd_(fd) {}

    void begin(Frame kind) {
        start_ = buf_.size();
        buf_.push_back(static_cast<char>(kind));
        put32(0);
    }
    void end() {
        const std::uint32_t size = static_cast<std::uint32_t>(buf_.size() - start_ - 5);
        for (int i = 0; i < 4; ++i) buf_[start_ + 1 + i] = static_cast<char>(size >> (8 * i));
        if (buf_.size() >= (1u << 16)) flush();
    }
    void cancel() { buf_.resize(start_); }

    void put8(unsigned v) { buf_.push_back(static_cast<char>(v)); }
    void put16(unsigned v) {
        put8(v & 0xFF);
        put8((v >> 8) & 0xFF);
    }
    void put32(std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    }
    void put_text(const char* text) {
        put32(static_cast<std::uint32_t>(std::strlen(text)));
        put_raw(text);
    }
    void put_raw(const char* text) { buf_.append(text); }
    void put_double(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        put32(static_cast<std::uint32_t>(bits));
        put32(static_cast<std::uint32_t>(bits >> 32));
    }

    bool flush() {
        std::size_t at = 0;
        while (at < buf_.size()) {
            const ssize_t n = ::write(fd_, buf_.data() + at, buf_.size() - at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            at += static_cast<std::size_t>(n);
        }
        buf_.clear();
        return true;
    }

private:
    int fd_;
    std::string buf_;
    std::size_t start_ = 0;
};

// A cell's value as it goes into a row frame; false for a cell without one.
bool put_cell(FrameWriter& out, unsigned short column, const FreeXL_CellValue& v) {
    switch (v.type) {
    case FREEXL_CELL_INT:
        out.put16(column);
        out.put8(v.type);
        out.put32(static_cast<std::uint32_t>(v.value.int_value));
        return true;
    case FREEXL_CELL_DOUBLE:
        out.put16(column);
        out.put8(v.type);
        out.put_double(v.value.double_value);
        return true;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        if (!v.value.text_value || !*v.value.text_value) return false;
        out.put16(column);
        out.put8(v.type);
        out.put_text(v.value.text_value);
        return true;
    default:
        return false;
    }
}

void send_sheet(const void* handle, unsigned short sheet, FrameWriter& out) {
    unsigned rows = 0;
    unsigned short columns = 0;
    const bool found = freexl_select_active_worksheet(handle, sheet) == FREEXL_OK;
    if (!found || freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        out.begin(frame_lost_sheet);
        out.put32(sheet);
        out.put8(found ? lost_unreadable : lost_not_found);
        out.end();
        return;
    }
    out.begin(frame_sheet);
    out.put32(sheet);
    out.end();
    for (unsigned r = 0; r < rows; ++r) {
        out.begin(frame_row);
        out.put32(r);
        bool any = false;
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(handle, r, c, &v) == FREEXL_OK && put_cell(out, c, v)) any = true;
        }
        if (any)
            out.end();
        else
            out.cancel();
    }
}

// The child after the fork: nothing of the parent's crash handling (a
// sanitizer's or a fuzzer's report would be taken for the parent's own),
// no terminal, and no life of its own once the parent is gone.
void quiet_child() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (int sig : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE, SIGPIPE}) ::signal(sig, SIG_DFL);
#ifdef VELOTRA_SANITIZED
    __sanitizer_set_death_callback(nullptr);
#endif
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDERR_FILENO);
}

// Everything the child does: never returns, never runs the parent's
// exit handlers.
[[noreturn]] void read_in_child(const std::string& path, int fd) {
    quiet_child();
    FrameWriter out(fd);
    const void* handle = nullptr;
    std::int32_t rc = freexl_open(path.c_str(), &handle);
    unsigned info = 0;
    if (rc == FREEXL_OK && freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        rc = FREEXL_BIFF_OBFUSCATED;
    unsigned count = 0;
    if (rc == FREEXL_OK && freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) rc = no_sheets;
    if (rc != FREEXL_OK) {
        out.begin(frame_error);
        out.put32(static_cast<std::uint32_t>(rc));
        out.end();
        ::_exit(out.flush() ? 0 : 1);
    }
    count = std::min(count, 65535u);
    for (unsigned i = 0; i < count; ++i) {
        const char* name = nullptr;
        freexl_get_worksheet_name(handle, static_cast<unsigned short>(i), &name);
        out.begin(frame_name);
        out.put_raw(name ? name : "");
        out.end();
    }
    for (unsigned i = 0; i < count; ++i) send_sheet(handle, static_cast<unsigned short>(i), out);
    out.begin(frame_done);
    out.end();
    ::_exit(out.flush() ? 0 : 1);
}

// What the parent keeps of the workbook the child read.
struct Contents {
    struct Sheet {
        bool found = false, readable = false;
        std::vector<std::pair<std::int32_t, std::vector<Cell>>> rows;
    };
    std::vector<std::string> names; // GBK
    std::vector<Sheet> sheets;
};

// The parent's side: frames checked as they arrive. The child's memory may
// have been anything when it wrote them, so every count and order is
// checked again; a frame out of place makes the whole output damaged.
class FrameReader {
public:
    explicit FrameReader(Contents& out) : out_(out) {}

    // Takes the next piece of output; false once it is known to be damaged.
    bool take(const char* data, std::size_t size) {
        pending_.append(data, size);
        std::size_t at = 0;
        while (!damaged_ && pending_.size() - at >= 5) {
            const std::uint32_t length = u32(pending_, at + 1);
            if (length > max_frame) damaged_ = true;
            if (damaged_ || pending_.size() - at - 5 < length) break;
            handle(static_cast<unsigned char>(pending_[at]), std::string_view(pending_).substr(at + 5, length));
            at += 5 + length;
        }
        pending_.erase(0, at);
        return !damaged_;
    }

    // The reader's answer once the child has ended well: the load error, if any.
    bool finish(std::string& error) const {
        if (damaged_ || !pending_.empty() || (!done_ && !failed_)) {
            error = damaged_message;
            return false;
        }
        if (failed_) {
            error = code_ == no_sheets ? "The workbook lists no worksheets." : freexl_error(code_);
            return false;
        }
        return true;
    }

private:
    static std::uint32_t u16(std::string_view s, std::size_t at) {
        return static_cast<unsigned char>(s[at]) | (std::uint32_t{static_cast<unsigned char>(s[at + 1])} << 8);
    }
    static std::uint32_t u32(std::string_view s, std::size_t at) { return u16(s, at) | (u16(s, at + 2) << 16); }

    void handle(unsigned char kind, std::string_view body) {
        if (done_ || failed_) {
            damaged_ = true;
            return;
        }
        switch (kind) {
        case frame_error:
            failed_ = body.size() == 4;
            code_ = failed_ ? static_cast<std::int32_t>(u32(body, 0)) : 0;
            damaged_ = !failed_;
            break;
        case frame_name:
            damaged_ = !out_.sheets.empty();
            out_.names.push_back(to_gbk(std::string(body)));
            break;
        case frame_sheet:
        case frame_lost_sheet:
            next_sheet(kind, body);
            break;
        case frame_row:
            row(body);
            break;
        case frame_done:
            done_ = out_.sheets.size() == out_.names.size() && body.empty();
            damaged_ = !done_;
            break;
        default:
            damaged_ = true;
        }
    }

    void next_sheet(unsigned char kind, std::string_view body) {
        const std::size_t expected = kind == frame_sheet ? 4 : 5;
        if (body.size() != expected || u32(body, 0) != out_.sheets.size() || out_.sheets.size() >= out_.names.size()) {
            damaged_ = true;
            return;
        }
        Contents::Sheet sheet;
        sheet.found = kind == frame_sheet || static_cast<unsigned char>(body[4]) != lost_not_found;
        sheet.readable = kind == frame_sheet;
        out_.sheets.push_back(std::move(sheet));
        last_row_ = -1;
    }

    void row(std::string_view body) {
        if (out_.sheets.empty() || !out_.sheets.back().readable || body.size() < 4) {
            damaged_ = true;
            return;
        }
        const std::uint32_t number = u32(body, 0);
        if (number >= static_cast<std::uint32_t>(max_rows) || static_cast<std::int64_t>(number) <= last_row_) {
            damaged_ = true;
            return;
        }
        last_row_ = number;
        std::vector<Cell> cells;
        std::int32_t last_column = -1;
        std::size_t at = 4;
        while (!damaged_ && at < body.size()) {
            if (body.size() - at < 3) {
                damaged_ = true;
                break;
            }
            const std::int32_t column = static_cast<std::int32_t>(u16(body, at));
            const unsigned type = static_cast<unsigned char>(body[at + 2]);
            at += 3;
            std::string text;
            if (column <= last_column || column >= max_columns || !cell_text(type, body, at, text)) {
                damaged_ = true;
                break;
            }
            last_column = column;
            if (!text.empty()) cells.push_back({column + 1, std::move(text)});
        }
        if (!damaged_ && !cells.empty())
            out_.sheets.back().rows.emplace_back(static_cast<std::int32_t>(number) + 1, std::move(cells));
    }

    // The copied text of one cell's value at body[at], moving past it.
    static bool cell_text(unsigned type, std::string_view body, std::size_t& at, std::string& text) {
        const std::size_t left = body.size() - at;
        switch (type) {
        case FREEXL_CELL_INT:
            if (left < 4) return false;
            text = number_text(static_cast<std::int32_t>(u32(body, at)));
            at += 4;
            return true;
        case FREEXL_CELL_DOUBLE: {
            if (left < 8) return false;
            const std::uint64_t bits = u32(body, at) | (std::uint64_t{u32(body, at + 4)} << 32);
            double v;
            std::memcpy(&v, &bits, sizeof v);
            text = number_text(v);
            at += 8;
            return true;
        }
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME: {
            if (left < 4 || left - 4 < u32(body, at)) return false;
            const std::string raw(body.substr(at + 4, u32(body, at)));
            at += 4 + raw.size();
            text = type == FREEXL_CELL_TEXT || type == FREEXL_CELL_SST_TEXT ? to_gbk(raw)
                   : type == FREEXL_CELL_DATETIME                          ? without_midnight(raw)
                                                                           : raw;
            return true;
        }
        default:
            return false;
        }
    }

    // A date-time format on a whole day shows the date alone.
    static std::string without_midnight(std::string t) {
        const std::string midnight = " 00:00:00";
        if (t.size() > midnight.size() && t.compare(t.size() - midnight.size(), midnight.size(), midnight) == 0)
            t.resize(t.size() - midnight.size());
        return t;
    }

    Contents& out_;
    std::string pending_;
    bool damaged_ = false, done_ = false, failed_ = false;
    std::int32_t code_ = 0;
    std::int64_t last_row_ = -1;
};

// A child that is done with, by its id: killed first when it may still be
// running, then always waited for. True when it ended by itself with 0.
bool end_child(pid_t pid, bool kill_it) {
    if (kill_it) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The child's output, read until it closes its end, within the time limit.
enum class Outcome { ended, damaged, late };
Outcome collect(int fd, FrameReader& reader) {
    const auto deadline = std::chrono::steady_clock::now() + time_limit;
    std::vector<char> buf(1 << 16);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Outcome::late;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) return Outcome::damaged;
        if (ready <= 0) continue;
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Outcome::damaged;
        if (n == 0) return Outcome::ended;
        if (!reader.take(buf.data(), static_cast<std::size_t>(n))) return Outcome::damaged;
    }
}

bool read_through_child(const std::string& path, Contents& contents, std::string& error) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = freexl_error(FREEXL_INSUFFICIENT_MEMORY);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        read_in_child(path, fds[1]);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        error = freexl_error(FREEXL_INSUFFICIENT_MEMORY);
        return false;
    }
    FrameReader reader(contents);
    const Outcome outcome = collect(fds[0], reader);
    ::close(fds[0]);
    const bool clean = end_child(pid, outcome != Outcome::ended);
    if (outcome == Outcome::late) {
        error = "The workbook could not be read in time: it may be damaged.";
        return false;
    }
    if (!clean) {
        error = damaged_message;
        return false;
    }
    return reader.finish(error);
}

class XlsWorkbook final : public Workbook {
public:
    bool load(const std::string& path, std::string& error) {
        // The shapes known to lead FreeXL astray in the directory are
        // refused here, without a child.
        if (!CompoundFile(path).directory_names_fit()) {
            error = damaged_message;
            return false;
        }
        // FreeXL opens the file by name in the child: one it cannot open
        // is told apart here, where the reason is still known.
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
        } else {
            error = freexl_error(FREEXL_FILE_NOT_FOUND);
            return false;
        }
        return read_through_child(path, contents_, error);
    }

    const std::vector<std::string>& sheet_names() const override { return contents_.names; }
    // FreeXL does not tell which sheet was active; the first one stands in.
    int active_sheet() const override { return 0; }

    bool read(int sheet, const RowSink& sink, std::string& error) override {
        if (sheet < 0 || static_cast<std::size_t>(sheet) >= contents_.sheets.size() ||
            !contents_.sheets[static_cast<std::size_t>(sheet)].found) {
            error = "The worksheet cannot be found in the workbook.";
            return false;
        }
        const Contents::Sheet& s = contents_.sheets[static_cast<std::size_t>(sheet)];
        if (!s.readable) {
            error = "The worksheet cannot be read.";
            return false;
        }
        for (const auto& [number, cells] : s.rows)
            if (!sink(number, cells)) break;
        return true;
    }

private:
    Contents contents_;
};

} // namespace

void set_xls_time_limit(std::chrono::milliseconds limit) { time_limit = limit; }

std::unique_ptr<Workbook> open_xls(const std::string& native_path, std::string& error, CellText) {
    auto book = std::make_unique<XlsWorkbook>();
    if (!book->load(native_path, error)) return nullptr;
    return book;
}

} // namespace rt::sheet
