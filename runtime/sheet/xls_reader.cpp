#include "runtime/sheet/xls_reader.h"

#include "runtime/sheet/compound_file.h"
#include "runtime/gbk.h"
#include "runtime/sheet/numfmt.h"
#include "runtime/sheet/shared_strings.h"
#include "runtime/sheet/sheet_reason.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace rt::sheet {

namespace {

// Record types of the workbook stream that the reader acts on.
enum : unsigned {
    rec_formula = 0x0006,
    rec_eof = 0x000A,
    rec_datemode = 0x0022,
    rec_filepass = 0x002F,
    rec_continue = 0x003C,
    rec_window1 = 0x003D,
    rec_codepage = 0x0042,
    rec_boundsheet = 0x0085,
    rec_mulrk = 0x00BD,
    rec_rstring = 0x00D6,
    rec_xf = 0x00E0,
    rec_sst = 0x00FC,
    rec_labelsst = 0x00FD,
    rec_number = 0x0203,
    rec_label = 0x0204,
    rec_boolerr = 0x0205,
    rec_string = 0x0207,
    rec_rk = 0x027E,
    rec_format = 0x041E,
    rec_bof = 0x0809,
};

std::uint32_t le16(const unsigned char* p) { return p[0] | (std::uint32_t{p[1]} << 8); }
std::uint32_t le32(const unsigned char* p) { return le16(p) | (le16(p + 2) << 16); }

double le_double(const unsigned char* p) {
    std::uint64_t bits = le32(p) | (std::uint64_t{le32(p + 4)} << 32);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// An RK number: a 30-bit integer or the upper 30 bits of a double, either
// perhaps hundredfold.
double rk_value(std::uint32_t rk) {
    double d;
    if (rk & 2) {
        d = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = std::uint64_t{rk & 0xFFFFFFFCu} << 32;
        std::memcpy(&d, &bits, sizeof d);
    }
    return (rk & 1) ? d / 100 : d;
}

std::string error_text(unsigned code) {
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    case 0x2B: return "#GETTING_DATA";
    default: return "#N/A";
    }
}

void put_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 text gathered piece by piece (a string may change between one
// and two bytes a character at every CONTINUE), decoded at the end by the
// program's one UTF-16 decoder (runtime/gbk.h).
class Utf16Text {
public:
    void narrow(const unsigned char* p, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            units_ += static_cast<char>(p[i]);
            units_ += '\0';
            ascii_ = ascii_ && p[i] < 0x80;
        }
    }
    void wide(const unsigned char* p, std::size_t count) {
        units_.append(reinterpret_cast<const char*>(p), 2 * count);
        for (std::size_t i = 0; i < count && ascii_; ++i) ascii_ = p[2 * i] < 0x80 && p[2 * i + 1] == 0;
    }
    std::string gbk() const {
        return ascii_ ? ascii() : utf16_to_gbk(units_, ByteOrder::little, "?");
    }
    std::string utf8() const {
        return ascii_ ? ascii() : utf16_to_utf8(units_, ByteOrder::little, "\xEF\xBF\xBD");
    }

private:
    std::string ascii() const {
        std::string out(units_.size() / 2, '\0');
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = units_[2 * i];
        return out;
    }

    std::string units_; // UTF-16LE
    bool ascii_ = true;
};

// 8-bit text of a BIFF5 workbook in its code page, as UTF-8: GBK, any other
// code page read as Windows-1252.
std::string codepage_utf8(std::string_view raw, unsigned codepage) {
    if (codepage == 936) return gbk_to_utf8(raw);
    static const std::uint16_t cp1252[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::string utf8;
    for (unsigned char c : raw) put_utf8(utf8, c >= 0x80 && c < 0xA0 ? cp1252[c - 0x80] : c);
    return utf8;
}

// The same text in GBK: GBK as it is.
std::string codepage_text(std::string_view raw, unsigned codepage) {
    if (codepage == 936 || std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(raw);
    return utf8_to_gbk(codepage_utf8(raw, codepage));
}

// The bodies of a record and the CONTINUE records after it, read as one:
// plain bytes run on across the pieces, while the characters of a string
// that reach into the next piece start there with a new option byte
// telling whether they are one or two bytes wide.
class Pieces {
public:
    explicit Pieces(std::vector<std::string_view> parts) : parts_(std::move(parts)) {}

    bool u8(unsigned& v) {
        const unsigned char* p;
        if (!plain(1, p)) return false;
        v = p[0];
        return true;
    }
    bool u16(unsigned& v) {
        unsigned lo, hi;
        if (!u8(lo) || !u8(hi)) return false;
        v = lo | (hi << 8);
        return true;
    }
    bool u32(std::uint32_t& v) {
        unsigned lo, hi;
        if (!u16(lo) || !u16(hi)) return false;
        v = lo | (std::uint32_t{hi} << 16);
        return true;
    }
    bool skip(std::uint64_t n) {
        while (n > 0) {
            if (!next_byte()) return false;
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, left()));
            at_ += take;
            n -= take;
        }
        return true;
    }
    bool chars(std::size_t count, bool wide, Utf16Text& out) {
        while (count > 0) {
            if (at_ == parts_[part_].size()) {
                // The characters go on in the next piece, after its option byte.
                if (++part_ >= parts_.size() || parts_[part_].empty()) return false;
                at_ = 0;
                wide = (static_cast<unsigned char>(parts_[part_][at_++]) & 1) != 0;
                continue;
            }
            const std::size_t width = wide ? 2 : 1;
            const std::size_t take = std::min(count, left() / width);
            if (take == 0) return false; // half a character at a piece's end
            const auto* p = reinterpret_cast<const unsigned char*>(parts_[part_].data()) + at_;
            if (wide) out.wide(p, take);
            else out.narrow(p, take);
            at_ += take * width;
            count -= take;
        }
        return true;
    }
    // 8-bit characters that run on across the pieces with no option byte,
    // as BIFF5 continues a text.
    bool bytes(std::size_t count, std::string& out) {
        while (count > 0) {
            if (!next_byte()) return false;
            const std::size_t take = std::min(count, left());
            out.append(parts_[part_].data() + at_, take);
            at_ += take;
            count -= take;
        }
        return true;
    }
    bool at_end() {
        return !next_byte();
    }

private:
    std::size_t left() const { return parts_[part_].size() - at_; }
    // Moves past exhausted pieces; false when none is left.
    bool next_byte() {
        while (part_ < parts_.size() && at_ == parts_[part_].size()) {
            if (part_ + 1 == parts_.size()) return false;
            ++part_;
            at_ = 0;
        }
        return part_ < parts_.size();
    }
    bool plain(std::size_t n, const unsigned char*& p) {
        if (!next_byte() || left() < n) return false;
        p = reinterpret_cast<const unsigned char*>(parts_[part_].data()) + at_;
        at_ += n;
        return true;
    }

    std::vector<std::string_view> parts_;
    std::size_t part_ = 0, at_ = 0;
};

// A BIFF8 unicode string (16-bit length) from the pieces, with its rich-text
// runs and phonetic block stepped over.
bool read_unicode(Pieces& in, Utf16Text& text) {
    unsigned count, flags;
    if (!in.u16(count) || !in.u8(flags)) return false;
    unsigned runs = 0;
    std::uint32_t extended = 0;
    if ((flags & 0x08) && !in.u16(runs)) return false;
    if ((flags & 0x04) && !in.u32(extended)) return false;
    if (!in.chars(count, (flags & 1) != 0, text)) return false;
    return in.skip(std::uint64_t{runs} * 4) && in.skip(extended);
}

bool read_unicode(Pieces& in, std::string& gbk) {
    Utf16Text text;
    if (!read_unicode(in, text)) return false;
    gbk = text.gbk();
    return true;
}

// A record of the stream; `body` points into the stream.
struct Record {
    unsigned type = 0;
    const unsigned char* body = nullptr;
    std::size_t size = 0;
};

class Records {
public:
    Records(const std::string& stream, std::size_t at) : s_(stream), at_(at) {}

    // The next record; false at the stream's end, damaged() when a record
    // claims more bytes than are left.
    bool next(Record& r) {
        if (at_ >= s_.size()) return false;
        if (s_.size() - at_ < 4) {
            damaged_ = true;
            return false;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(s_.data()) + at_;
        r.type = le16(p);
        r.size = le16(p + 2);
        if (s_.size() - at_ - 4 < r.size) {
            damaged_ = true;
            return false;
        }
        r.body = p + 4;
        at_ += 4 + r.size;
        return true;
    }
    // The type of the record that follows, 0 at the end.
    unsigned peek() const {
        if (at_ >= s_.size() || s_.size() - at_ < 4) return 0;
        return le16(reinterpret_cast<const unsigned char*>(s_.data()) + at_);
    }
    bool damaged() const { return damaged_; }

private:
    const std::string& s_;
    std::size_t at_;
    bool damaged_ = false;
};

// The record and the CONTINUE records right after it, as pieces.
Pieces with_continues(const Record& first, Records& in) {
    std::vector<std::string_view> parts{{reinterpret_cast<const char*>(first.body), first.size}};
    Record r;
    while (in.peek() == rec_continue && in.next(r)) parts.emplace_back(reinterpret_cast<const char*>(r.body), r.size);
    return Pieces(std::move(parts));
}

struct SheetEntry {
    std::string name;
    std::uint32_t offset = 0;
    bool visible = true;
};

// What a cell's number format makes of it: a date or not, and the format
// (in the workbook's FormatTable) the shown text follows.
struct Style {
    bool date = false;
    std::size_t format = FormatTable::general_index;
};

// A cell as its record gives it; its text is made only once the sheet has
// read to its end.
struct RawCell {
    enum Kind : std::uint8_t { number, shared, own };
    std::uint32_t key; // row << 16 | column, both from 0
    Kind kind;
    std::uint16_t xf;    // of a text: its style, or no_style for a boolean or an error
    std::uint32_t index; // the XF of a number, the string of a text
    double value;
    static constexpr std::uint16_t no_style = 0xFFFF;
};

struct SheetCells {
    std::vector<RawCell> cells;
    std::vector<std::string> texts; // the texts of the cells that are not shared strings
};

class XlsWorkbook final : public Workbook {
public:
    explicit XlsWorkbook(CellText mode) : mode_(mode) {}

    bool load(const std::string& path, std::string& error) {
        std::string data;
        {
            std::ifstream in(path, std::ios::binary | std::ios::ate);
            const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
            if (size < 0) {
                error = reason(Reason::cannot_open);
                return false;
            }
            data.resize(static_cast<std::size_t>(size));
            in.seekg(0);
            if (!in.read(data.data(), size)) {
                error = reason(Reason::cannot_open);
                return false;
            }
        }
        CompoundFile file;
        if (!file.parse(std::move(data))) {
            error = reason(Reason::damaged);
            return false;
        }
        // A password-protected office package is a compound document too,
        // holding the encrypted zip in place of a workbook.
        if (file.has_stream("EncryptedPackage") || file.has_stream("EncryptionInfo")) {
            error = reason(Reason::protected_);
            return false;
        }
        // BIFF8 lives in "Workbook", BIFF5 in "Book".
        const char* name = file.has_stream("Workbook") ? "Workbook" : file.has_stream("Book") ? "Book" : nullptr;
        if (!name) {
            error = reason(Reason::not_workbook);
            return false;
        }
        if (!file.stream(name, stream_)) {
            error = reason(Reason::damaged);
            return false;
        }
        return read_globals(error);
    }

    const std::vector<std::string>& sheet_names() const override { return names_; }
    int active_sheet() const override { return active_; }

    bool read(int sheet, const RowSink& sink, std::string& error) override {
        if (sheet < 0 || static_cast<std::size_t>(sheet) >= sheets_.size()) {
            error = reason(Reason::no_sheet);
            return false;
        }
        SheetCells sc;
        std::vector<RawCell>& cells = sc.cells;
        if (!read_cells(sheets_[static_cast<std::size_t>(sheet)].offset, sc)) {
            error = reason(Reason::damaged);
            return false;
        }
        // Cells come in row order from every writer known, but nothing in
        // the format promises it; a cell written twice keeps its last value.
        const auto by_place = [](const RawCell& a, const RawCell& b) { return a.key < b.key; };
        if (!std::is_sorted(cells.begin(), cells.end(), by_place)) std::stable_sort(cells.begin(), cells.end(), by_place);
        std::vector<Cell> row;
        for (std::size_t i = 0; i < cells.size();) {
            const std::uint32_t number = cells[i].key >> 16;
            row.clear();
            for (; i < cells.size() && cells[i].key >> 16 == number; ++i) {
                const RawCell& c = cells[i];
                if (i + 1 < cells.size() && cells[i + 1].key == c.key) continue;
                const std::int32_t column = static_cast<std::int32_t>(c.key & 0xFFFF) + 1;
                if (column > max_columns) continue;
                std::string text = c.kind == RawCell::number ? number_cell(c.value, c.index)
                                   : c.kind == RawCell::shared ? text_cell(std::string(strings_[c.index]), c.xf)
                                                               : text_cell(std::move(sc.texts[c.index]), c.xf);
                if (!text.empty()) row.push_back({column, std::move(text)});
            }
            if (!row.empty() && !sink(static_cast<std::int32_t>(number) + 1, row)) break;
        }
        return true;
    }

private:
    bool biff8() const { return biff8_; }

    // An 8-bit-length name: BIFF8 unicode, BIFF5 in the code page.
    bool short_string(const unsigned char* p, std::size_t size, std::string& out) const {
        if (size < 1) return false;
        const std::size_t count = p[0];
        if (!biff8()) {
            if (size - 1 < count) return false;
            out = codepage_text(std::string_view(reinterpret_cast<const char*>(p + 1), count), codepage_);
            return true;
        }
        if (size < 2) return false;
        const bool wide = p[1] & 1;
        if (size - 2 < count * (wide ? 2 : 1)) return false;
        Utf16Text text;
        if (wide) text.wide(p + 2, count);
        else text.narrow(p + 2, count);
        out = text.gbk();
        return true;
    }

    // The code of a FORMAT record's body after its id, as format_number
    // reads it: BIFF8 unicode with a 16-bit length, BIFF5 in the code page
    // with an 8-bit one, both through format_code_gbk.
    bool format_code(std::string_view bytes, std::string& out) const {
        std::string utf8;
        if (biff8()) {
            Pieces in({bytes});
            Utf16Text text;
            if (!read_unicode(in, text)) return false;
            utf8 = text.utf8();
        } else {
            if (bytes.empty() || bytes.size() - 1 < static_cast<unsigned char>(bytes[0])) return false;
            utf8 = codepage_utf8(bytes.substr(1, static_cast<unsigned char>(bytes[0])), codepage_);
        }
        out = format_code_gbk(utf8);
        return true;
    }

    // The 16-bit-length text of a cell record (LABEL, RSTRING, STRING),
    // `skip` bytes into its body, which goes on in the CONTINUE records
    // after it when it is long: BIFF8 starts each piece of the characters
    // with an option byte, BIFF5 runs its 8-bit characters straight on.
    bool record_text(const Record& r, std::size_t skip, Records& in, std::string& out) const {
        Pieces p = with_continues(r, in);
        if (!p.skip(skip)) return false;
        if (biff8()) return read_unicode(p, out);
        unsigned count;
        std::string raw;
        if (!p.u16(count) || !p.bytes(count, raw)) return false;
        out = codepage_text(raw, codepage_);
        return true;
    }

    bool read_globals(std::string& error) {
        Records in(stream_, 0);
        Record r;
        if (!in.next(r) || r.type != rec_bof || r.size < 4) {
            error = reason(in.damaged() || stream_.empty() ? Reason::damaged : Reason::not_workbook);
            return false;
        }
        biff8_ = le16(r.body) != 0x0500;
        struct RawSheet {
            std::uint32_t offset;
            unsigned state, type;
            std::string name_bytes;
        };
        std::vector<RawSheet> raw_sheets;
        std::vector<std::pair<unsigned, std::string>> raw_formats;
        unsigned active_tab = 0;
        bool window_seen = false, ended = false;
        while (!ended && in.next(r)) {
            switch (r.type) {
            case rec_filepass:
                error = reason(Reason::protected_);
                return false;
            case rec_codepage:
                if (r.size >= 2) codepage_ = le16(r.body);
                break;
            case rec_datemode:
                if (r.size >= 2) date1904_ = le16(r.body) == 1;
                break;
            case rec_window1:
                if (!window_seen && r.size >= 12) active_tab = le16(r.body + 10);
                window_seen = true;
                break;
            case rec_boundsheet:
                if (r.size < 6) break;
                raw_sheets.push_back({le32(r.body), r.body[4] & 3u, r.body[5],
                                      std::string(reinterpret_cast<const char*>(r.body + 6), r.size - 6)});
                break;
            case rec_format:
                if (r.size >= 2)
                    raw_formats.emplace_back(le16(r.body), std::string(reinterpret_cast<const char*>(r.body + 2), r.size - 2));
                break;
            case rec_xf:
                if (r.size >= 4) xf_formats_.push_back(le16(r.body + 2));
                break;
            case rec_sst:
                if (biff8() && !read_sst(r, in, error)) return false;
                break;
            case rec_eof:
                ended = true;
                break;
            default:
                break;
            }
        }
        if (!ended) {
            error = reason(Reason::damaged);
            return false;
        }

        // Names are decoded last: a BIFF5 code page may come after them.
        std::map<unsigned, std::string> formats;
        for (const auto& [id, bytes] : raw_formats) {
            std::string code;
            if (format_code(bytes, code)) formats[id] = code;
        }
        // Each code is read once, however many XFs use it.
        std::map<unsigned, std::size_t> own;
        for (const auto& [id, code] : formats) own[id] = formats_.add(code);
        styles_.reserve(xf_formats_.size());
        for (unsigned id : xf_formats_) {
            const auto it = own.find(id);
            Style st;
            if (it != own.end()) {
                st.format = it->second;
                st.date = formats_.at(st.format).is_date();
            } else {
                st.format = formats_.add(builtin_format_code(static_cast<int>(id)));
                st.date = is_date_format(static_cast<int>(id), std::string());
            }
            styles_.push_back(st);
        }

        int first_visible = -1;
        for (std::size_t tab = 0; tab < raw_sheets.size(); ++tab) {
            const RawSheet& s = raw_sheets[tab];
            if (s.type != 0) continue; // charts, macro and module sheets hold no worksheet cells
            SheetEntry e;
            if (!short_string(reinterpret_cast<const unsigned char*>(s.name_bytes.data()), s.name_bytes.size(), e.name) ||
                s.offset >= stream_.size()) {
                error = reason(Reason::damaged);
                return false;
            }
            e.offset = s.offset;
            e.visible = s.state == 0;
            if (e.visible && first_visible < 0) first_visible = static_cast<int>(sheets_.size());
            if (tab == active_tab && e.visible) active_ = static_cast<int>(sheets_.size());
            sheets_.push_back(std::move(e));
            names_.push_back(sheets_.back().name);
        }
        if (sheets_.empty()) {
            error = reason(Reason::no_sheet);
            return false;
        }
        // The tab named active is hidden, a chart or not there: the clerk
        // sees the first visible worksheet.
        if (active_ < 0) active_ = first_visible < 0 ? 0 : first_visible;
        return true;
    }

    // The shared-string table, which CONTINUE records carry on past 8,224
    // bytes, held once and within the table's cap.
    bool read_sst(const Record& r, Records& in, std::string& error) {
        Pieces p = with_continues(r, in);
        std::uint32_t total, unique;
        if (!p.u32(total) || !p.u32(unique)) {
            error = reason(Reason::damaged);
            return false;
        }
        for (std::uint32_t i = 0; i < unique && !p.at_end(); ++i) {
            std::string s;
            if (!read_unicode(p, s)) {
                error = reason(Reason::damaged);
                return false;
            }
            if (!strings_.add(s)) {
                error = reason(Reason::too_large);
                return false;
            }
        }
        return true;
    }

    // A text cell as its style shows it: the format's text section applied.
    std::string text_cell(std::string text, std::uint16_t xf) const {
        if (mode_ != CellText::shown || xf >= styles_.size()) return text;
        const NumberFormat& format = formats_.at(styles_[xf].format);
        return format.general() ? text : format.text(text);
    }

    std::string number_cell(double value, unsigned xf) const {
        const Style* st = xf < styles_.size() ? &styles_[xf] : nullptr;
        const NumberFormat& format = formats_.at(st ? st->format : FormatTable::general_index);
        // A built-in date format whose code is not known still shows a date.
        if (mode_ == CellText::shown && !(st && st->date && format.general())) return format.number(value, date1904_);
        if (st && st->date) return date_text(value, date1904_);
        // Whole numbers (mobile numbers, counts) are most cells of a mail-merge
        // sheet, and printf's "%.0f" was most of the time a large sheet took
        // (bench/xls_reader_bench, BM_BigThroughReader): they get the same
        // digits from to_chars.
        if (value == std::floor(value) && std::fabs(value) < 1e15) {
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value)).ptr;
            return std::string(digits, end);
        }
        return number_text(value);
    }

    // Every cell of the sheet whose BOF is at `offset`; false when its
    // records are damaged. Cells of charts or objects embedded in the
    // sheet's own substreams are passed over.
    bool read_cells(std::uint32_t offset, SheetCells& out) const {
        Records in(stream_, offset);
        Record r;
        if (!in.next(r) || r.type != rec_bof) return false;
        int depth = 1;
        // A formula whose text result is in the STRING record that follows.
        bool pending = false;
        std::uint32_t pending_key = 0;
        std::vector<RawCell>& cells = out.cells;
        const auto add_number = [&cells, &pending](std::uint32_t key, double value, unsigned xf) {
            pending = false;
            cells.push_back({key, RawCell::number, 0, xf, value});
        };
        std::uint16_t pending_xf = 0;
        const auto xf_of = [](const unsigned char* body) { return static_cast<std::uint16_t>(le16(body + 4)); };
        const auto add = [&out, &pending](std::uint32_t key, std::string text, std::uint16_t xf = RawCell::no_style) {
            pending = false;
            out.cells.push_back({key, RawCell::own, xf, static_cast<std::uint32_t>(out.texts.size()), 0});
            out.texts.push_back(std::move(text));
        };
        while (depth > 0 && in.next(r)) {
            if (r.type == rec_bof) {
                ++depth;
                continue;
            }
            if (r.type == rec_eof) {
                --depth;
                continue;
            }
            if (depth > 1) continue;
            const unsigned char* b = r.body;
            const std::uint32_t key = r.size >= 4 ? (le16(b) << 16 | le16(b + 2)) : 0;
            switch (r.type) {
            case rec_number:
                if (r.size < 14) return false;
                add_number(key, le_double(b + 6), le16(b + 4));
                break;
            case rec_rk:
                if (r.size < 10) return false;
                add_number(key, rk_value(le32(b + 6)), le16(b + 4));
                break;
            case rec_mulrk: {
                if (r.size < 6 || (r.size - 6) % 6 != 0) return false;
                const std::uint32_t row = le16(b);
                const std::uint32_t first = le16(b + 2);
                const std::size_t count = (r.size - 6) / 6;
                if (first + count > 0x10000) return false;
                for (std::size_t i = 0; i < count; ++i) {
                    const unsigned char* item = b + 4 + 6 * i;
                    add_number(row << 16 | static_cast<std::uint32_t>(first + i), rk_value(le32(item + 2)), le16(item));
                }
                break;
            }
            case rec_labelsst:
                if (r.size < 10) return false;
                pending = false;
                if (le32(b + 6) < strings_.size()) cells.push_back({key, RawCell::shared, xf_of(b), le32(b + 6), 0});
                break;
            case rec_label:
            case rec_rstring: {
                std::string text;
                if (r.size < 6 || !record_text(r, 6, in, text)) return false;
                add(key, std::move(text), xf_of(b));
                break;
            }
            case rec_boolerr:
                if (r.size < 8) return false;
                add(key, b[7] ? error_text(b[6]) : b[6] ? "TRUE" : "FALSE");
                break;
            case rec_formula:
                if (r.size < 20) return false;
                if (le16(b + 12) != 0xFFFF) {
                    add_number(key, le_double(b + 6), le16(b + 4));
                } else if (b[6] == 0) {
                    pending = true;
                    pending_key = key;
                    pending_xf = xf_of(b);
                } else if (b[6] == 1) {
                    add(key, b[8] ? "TRUE" : "FALSE");
                } else if (b[6] == 2) {
                    add(key, error_text(b[8]));
                } else {
                    pending = false; // an empty text
                }
                break;
            case rec_string: {
                if (!pending) break;
                std::string text;
                if (!record_text(r, 0, in, text)) return false;
                add(pending_key, std::move(text), pending_xf);
                break;
            }
            default:
                break;
            }
        }
        return depth == 0 && !in.damaged();
    }

    CellText mode_;
    std::string stream_;
    bool biff8_ = true;
    bool date1904_ = false;
    unsigned codepage_ = 1252;
    std::vector<unsigned> xf_formats_;
    std::vector<Style> styles_;
    FormatTable formats_;
    SharedStrings strings_;
    std::vector<SheetEntry> sheets_;
    std::vector<std::string> names_;
    int active_ = -1;
};

} // namespace

std::unique_ptr<Workbook> open_xls(const std::string& native_path, std::string& error, CellText text) {
    auto book = std::make_unique<XlsWorkbook>(text);
    if (!book->load(native_path, error)) return nullptr;
    return book;
}

} // namespace rt::sheet
