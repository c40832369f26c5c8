// Workbooks written by the tests themselves: the same sheets as .xlsx
// (through libxlsxwriter), as .xls (a small BIFF8 writer in a compound
// document, below) and as a hand-made .xlsx whose relationship targets are
// absolute part names and whose texts are inline strings, the way other
// generators write them. Texts are given in GBK, as everywhere in the
// program, and converted here.
#pragma once

#include "runtime/gbk.h"

#include <minizip/zip.h>
#include <xlsxwriter.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fixtures {

// formula_text, formula_bool and formula_error are formulas whose last
// result is a text (`text`), a boolean (`number` 0 or 1) or an error (`text`
// as written, "#DIV/0!"); boolean and error are plain cells of those kinds.
enum class Kind { text, number, date, datetime, formula, formula_text, formula_bool, formula_error, boolean, error };

struct FCell {
    int row; // from 0
    int col; // from 0
    Kind kind;
    std::string text;  // GBK; the formula for Kind::formula
    double number = 0; // number, date serial, or a formula's result
    std::string format = ""; // a number format code (GBK) in place of the kind's own
};

struct FSheet {
    std::string name; // GBK
    std::vector<FCell> cells;
    bool hidden = false;
};

// The salary sheet every road is tried on: the used range starts on row 3,
// an empty deduction cell, a date, a date with a time, a formula.
inline FSheet salary_sheet() {
    return {"工资表",
            {{2, 0, Kind::text, "姓名"}, {2, 1, Kind::text, "手机"}, {2, 2, Kind::text, "基本工资"},
             {2, 3, Kind::text, "扣款"}, {2, 4, Kind::text, "入职日期"}, {2, 5, Kind::text, "实发"},
             {3, 0, Kind::text, "张三"}, {3, 1, Kind::number, "", 13800138000.0}, {3, 2, Kind::number, "", 5000.5},
             {3, 4, Kind::date, "", 45360, "yyyy-mm-dd"}, {3, 5, Kind::formula, "=C4-D4", 5000.5},
             {4, 0, Kind::text, "李四"}, {4, 1, Kind::number, "", 13900139000.0}, {4, 2, Kind::number, "", 4200},
             {4, 3, Kind::number, "", 100}, {4, 4, Kind::datetime, "", 45291.4375, "yyyy/m/d h:mm"},
             {4, 5, Kind::formula, "=C5-D5", 4100}}};
}

// 30 columns: headings H1..H30 on row 1, the numbers 1..30 on row 2.
inline FSheet wide_sheet() {
    FSheet s{"Wide", {}};
    for (int c = 0; c < 30; ++c) {
        s.cells.push_back({0, c, Kind::text, "H" + std::to_string(c + 1)});
        s.cells.push_back({1, c, Kind::number, "", static_cast<double>(c + 1)});
    }
    return s;
}

inline std::string utf8(const std::string& gbk) { return rt::gbk_to_utf8(gbk); }

// ---- .xlsx through libxlsxwriter --------------------------------------------
// `active` is the index of the sheet that is active when the file opens.
inline void write_xlsx(const std::filesystem::path& file, const std::vector<FSheet>& sheets, int active = 0) {
    lxw_workbook* wb = workbook_new(file.c_str());
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd");
    lxw_format* datetime = workbook_add_format(wb);
    format_set_num_format(datetime, "yyyy/m/d h:mm");
    // A cell's own format code, one format each, as the .xls writer keeps them.
    std::map<std::string, lxw_format*> coded;
    const auto own = [&](const FCell& c, lxw_format* kind) {
        if (c.format.empty()) return kind;
        lxw_format*& f = coded[c.format];
        if (!f) {
            f = workbook_add_format(wb);
            format_set_num_format(f, utf8(c.format).c_str());
        }
        return f;
    };
    std::vector<lxw_worksheet*> ws;
    for (const auto& s : sheets) ws.push_back(workbook_add_worksheet(wb, utf8(s.name).c_str()));
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        for (const auto& c : sheets[i].cells) {
            const auto r = static_cast<lxw_row_t>(c.row);
            const auto col = static_cast<lxw_col_t>(c.col);
            switch (c.kind) {
            case Kind::text: worksheet_write_string(ws[i], r, col, utf8(c.text).c_str(), nullptr); break;
            case Kind::number: worksheet_write_number(ws[i], r, col, c.number, own(c, nullptr)); break;
            case Kind::date: worksheet_write_number(ws[i], r, col, c.number, own(c, date)); break;
            case Kind::datetime: worksheet_write_number(ws[i], r, col, c.number, own(c, datetime)); break;
            case Kind::formula:
                worksheet_write_formula_num(ws[i], r, col, c.text.c_str(), own(c, nullptr), c.number);
                break;
            case Kind::formula_text:
                worksheet_write_formula_str(ws[i], r, col, "=\"\"", nullptr, utf8(c.text).c_str());
                break;
            case Kind::boolean:
            case Kind::formula_bool: worksheet_write_boolean(ws[i], r, col, c.number != 0, nullptr); break;
            case Kind::formula_error:
            case Kind::error: worksheet_write_formula_str(ws[i], r, col, "=1/0", nullptr, c.text.c_str()); break;
            }
        }
    }
    worksheet_activate(ws[static_cast<std::size_t>(active)]);
    workbook_close(wb);
}

// A salary workbook as an office program's user keeps it: a hidden first
// sheet with a note, the salary sheet active; amounts in #,##0.00, the net
// pay 实发 a formula, a percentage in 0%, a date in yyyy"年"m"月"d"日", and
// formulas whose cached results are a text, a truth value and an error.
// What the sheet shows for its data rows, and the values a data provider
// hands over, are salary_shown() and salary_values().
inline void write_salary_xlsx(const std::filesystem::path& file) {
    lxw_workbook* wb = workbook_new(file.c_str());
    lxw_worksheet* note = workbook_add_worksheet(wb, utf8("说明").c_str());
    lxw_worksheet* ws = workbook_add_worksheet(wb, utf8("工资").c_str());
    worksheet_write_string(note, 0, 0, utf8("本表每月五日发放").c_str(), nullptr);
    lxw_format* money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00");
    lxw_format* percent = workbook_add_format(wb);
    format_set_num_format(percent, "0%");
    lxw_format* day = workbook_add_format(wb);
    format_set_num_format(day, utf8("yyyy\"年\"m\"月\"d\"日\"").c_str());
    const char* headings[] = {"姓名", "手机", "基本", "绩效", "扣款", "实发", "比例", "发放日期", "等级", "达标", "核对"};
    for (int c = 0; c < 11; ++c) worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), utf8(headings[c]).c_str(), nullptr);
    struct Person { const char* name; double mobile, base, bonus, deduction, ratio, date; };
    const Person people[] = {{"张三", 13800138000.0, 5000.5, 1200, 50, 0.15, 46361},
                             {"李四", 13900139000.0, 12345.678, -200, 0, 0.2, 46362}};
    for (lxw_row_t r = 1; r <= 2; ++r) {
        const Person& p = people[r - 1];
        const std::string n = std::to_string(r + 1);
        worksheet_write_string(ws, r, 0, utf8(p.name).c_str(), nullptr);
        worksheet_write_number(ws, r, 1, p.mobile, nullptr);
        worksheet_write_number(ws, r, 2, p.base, money);
        worksheet_write_number(ws, r, 3, p.bonus, money);
        worksheet_write_number(ws, r, 4, p.deduction, money);
        worksheet_write_formula_num(ws, r, 5, ("=C" + n + "+D" + n + "-E" + n).c_str(), money,
                                    p.base + p.bonus - p.deduction);
        worksheet_write_number(ws, r, 6, p.ratio, percent);
        worksheet_write_number(ws, r, 7, p.date, day);
        worksheet_write_formula_str(ws, r, 8, utf8("=IF(F" + n + ">6000,\"高\",\"低\")").c_str(), nullptr,
                                    utf8("高").c_str());
        worksheet_write_formula_str(ws, r, 9, ("=F" + n + ">6000").c_str(), nullptr, "TRUE");
        worksheet_write_formula_str(ws, r, 10, ("=E" + n + "/0").c_str(), nullptr, "#DIV/0!");
    }
    worksheet_hide(note);
    worksheet_activate(ws);
    workbook_close(wb);
}

// The salary sheet's rows as "A|B|...", GBK, through the automation road
// (what the sheet shows) and as values.
inline std::vector<std::string> salary_shown() {
    return {"姓名|手机|基本|绩效|扣款|实发|比例|发放日期|等级|达标|核对",
            "张三|13800138000|5,000.50|1,200.00|50.00|6,150.50|15%|2026年12月5日|高|TRUE|#DIV/0!",
            "李四|13900139000|12,345.68|-200.00|0.00|12,145.68|20%|2026年12月6日|高|TRUE|#DIV/0!"};
}
inline std::vector<std::string> salary_values() {
    return {"姓名|手机|基本|绩效|扣款|实发|比例|发放日期|等级|达标|核对",
            "张三|13800138000|5000.5|1200|50|6150.5|0.15|2026-12-05|高|TRUE|#DIV/0!",
            "李四|13900139000|12345.678|-200|0|12145.678|0.2|2026-12-06|高|TRUE|#DIV/0!"};
}

// ---- a hand-made .xlsx: absolute targets, inline strings --------------------
// `stored` writes the entry uncompressed, so that a test can change its bytes
// in the file and leave only the checksum to notice.
inline void zip_add(zipFile z, const char* name, const std::string& data, bool stored = false) {
    zipOpenNewFileInZip(z, name, nullptr, nullptr, 0, nullptr, 0, nullptr, stored ? 0 : Z_DEFLATED,
                        stored ? 0 : Z_DEFAULT_COMPRESSION);
    zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size()));
    zipCloseFileInZip(z);
}

// Parts by name; the sheet XML and the shared strings are the caller's.
inline void write_zip(const std::filesystem::path& file, const std::map<std::string, std::string>& parts,
                      bool stored = false) {
    zipFile z = zipOpen64(file.c_str(), 0);
    for (const auto& [name, data] : parts) zip_add(z, name.c_str(), data, stored);
    zipClose(z, nullptr);
}

// A workbook of one sheet "Data" (1904 dates, a custom date format as style
// 1) whose parts are named by absolute targets; `sheet_data` is the inside
// of <sheetData>, `shared` the <si> items. `change` may alter the parts
// before they are written.
inline void write_generated_xlsx(const std::filesystem::path& file, const std::string& sheet_data,
                                 const std::string& shared = "",
                                 void (*change)(std::map<std::string, std::string>&) = nullptr, bool stored = false) {
    const std::string ns = "http://schemas.openxmlformats.org/";
    std::map<std::string, std::string> parts;
    parts["[Content_Types].xml"] =
        "<?xml version=\"1.0\"?><Types xmlns=\"" + ns + "package/2006/content-types\"/>";
    parts["_rels/.rels"] = "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns +
                           "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + ns +
                           "officeDocument/2006/relationships/officeDocument\" Target=\"/xl/workbook.xml\"/>"
                           "</Relationships>";
    parts["xl/workbook.xml"] = "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns +
                               "spreadsheetml/2006/main\" xmlns:r=\"" + ns +
                               "officeDocument/2006/relationships\"><workbookPr date1904=\"1\"/>"
                               "<sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>";
    parts["xl/_rels/workbook.xml.rels"] =
        "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns + "package/2006/relationships\">"
        "<Relationship Id=\"rId7\" Type=\"" + ns + "officeDocument/2006/relationships/worksheet\" "
        "Target=\"/xl/worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId8\" Type=\"" + ns + "officeDocument/2006/relationships/styles\" "
        "Target=\"/xl/styles.xml\"/>"
        "<Relationship Id=\"rId9\" Type=\"" + ns + "officeDocument/2006/relationships/sharedStrings\" "
        "Target=\"/xl/sharedStrings.xml\"/></Relationships>";
    parts["xl/styles.xml"] = "<?xml version=\"1.0\"?><styleSheet xmlns=\"" + ns +
                             "spreadsheetml/2006/main\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" "
                             "formatCode=\"yyyy&quot;/&quot;mm&quot;/&quot;dd\"/></numFmts>"
                             "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
                             "<cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/>"
                             "<xf numFmtId=\"0\"/></cellXfs></styleSheet>";
    parts["xl/sharedStrings.xml"] =
        "<?xml version=\"1.0\"?><sst xmlns=\"" + ns + "spreadsheetml/2006/main\">" + shared + "</sst>";
    parts["xl/worksheets/sheet1.xml"] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"" + ns +
                                        "spreadsheetml/2006/main\"><sheetData>" + sheet_data +
                                        "</sheetData></worksheet>";
    if (change) change(parts);
    write_zip(file, parts, stored);
}

// ---- .xls: BIFF8 (or BIFF5) records in a compound document ------------------
namespace biff {

inline void u8(std::string& b, unsigned v) { b += static_cast<char>(v & 0xFF); }
inline void u16(std::string& b, unsigned v) {
    u8(b, v);
    u8(b, v >> 8);
}
inline void u32(std::string& b, std::uint32_t v) {
    u16(b, v & 0xFFFF);
    u16(b, v >> 16);
}
inline void f64(std::string& b, double d) {
    char raw[8];
    std::memcpy(raw, &d, 8);
    b.append(raw, 8);
}
inline void record(std::string& stream, unsigned type, const std::string& body) {
    u16(stream, type);
    u16(stream, static_cast<unsigned>(body.size()));
    stream += body;
}

// A BIFF5 record whose body is past the 2,080 bytes a record holds: the
// rest goes on in CONTINUE records, as plain bytes.
inline void biff5_record(std::string& stream, unsigned type, const std::string& body) {
    constexpr std::size_t limit = 2080;
    record(stream, type, body.substr(0, limit));
    for (std::size_t at = limit; at < body.size(); at += limit) record(stream, 0x003C, body.substr(at, limit));
}

// Read as GB18030, which is GBK for every GBK character, so that a test can
// also give a sign GBK lacks (the yen sign U+00A5 is "\x81\x30\x84\x36").
inline std::u16string utf16(const std::string& gbk) {
    const std::string s = rt::gb18030_to_utf8(gbk);
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        int n;
        if (c < 0x80) cp = c, n = 1;
        else if (c < 0xE0) cp = c & 0x1F, n = 2;
        else if (c < 0xF0) cp = c & 0x0F, n = 3;
        else cp = c & 0x07, n = 4;
        for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += static_cast<std::size_t>(n);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

// How the workbook is written.
struct Options {
    bool date1904 = false;
    int active = -1;       // the tab a WINDOW1 record names; none when below 0
    int version = 8;       // 8: BIFF8 in "Workbook"; 5: BIFF5 in "Book", texts in code page 936
    unsigned codepage = 936; // BIFF5's code page: its texts are written as given, in it
    bool filepass = false; // a FILEPASS record, as an encrypted workbook has
    bool small = false;    // no filler: a stream under 4096 bytes goes into the mini stream
    int extra_xfs = 0;     // more XFs after the cells' own, all on the first own format code
};

// A string as the version writes it: BIFF8 UTF-16 with an 8- or 16-bit
// length, one option byte; BIFF5 the GBK bytes after the length.
inline void text(std::string& b, const std::string& gbk, bool short_length, int version) {
    if (version == 5) {
        if (short_length) u8(b, static_cast<unsigned>(gbk.size()));
        else u16(b, static_cast<unsigned>(gbk.size()));
        b += gbk;
        return;
    }
    const std::u16string w = utf16(gbk);
    if (short_length) u8(b, static_cast<unsigned>(w.size()));
    else u16(b, static_cast<unsigned>(w.size()));
    u8(b, 1);
    for (char16_t ch : w) u16(b, ch);
}
inline void unicode(std::string& b, const std::string& gbk, bool short_length) { text(b, gbk, short_length, 8); }

inline std::string bof(unsigned kind, int version = 8) {
    std::string b;
    u16(b, version == 5 ? 0x0500 : 0x0600);
    u16(b, kind);
    u16(b, 0x0DBB);
    u16(b, 0x07CC);
    if (version == 8) {
        u32(b, 0);
        u32(b, 0x06);
    }
    return b;
}

inline std::string xf(unsigned fmt) {
    std::string b;
    u16(b, 0);   // font
    u16(b, fmt); // number format
    u16(b, 0x0001);
    u16(b, 0x0020);
    u16(b, 0);
    u32(b, 0);
    u32(b, 0);
    u16(b, 0x20C0);
    return b;
}

inline std::string cell_head(const FCell& c, unsigned xf_index) {
    std::string b;
    u16(b, static_cast<unsigned>(c.row));
    u16(b, static_cast<unsigned>(c.col));
    u16(b, xf_index);
    return b;
}

inline unsigned error_code(const std::string& text) {
    static const std::map<std::string, unsigned> codes = {{"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F},
                                                          {"#REF!", 0x17},  {"#NAME?", 0x1D},  {"#NUM!", 0x24},
                                                          {"#N/A", 0x2A}};
    const auto it = codes.find(text);
    return it == codes.end() ? 0x2A : it->second;
}

// A whole number that an RK record holds (a 30-bit integer).
inline bool rk_integer(const FCell& c) {
    return c.kind == Kind::number && c.format.empty() && c.number == static_cast<double>(static_cast<long long>(c.number)) &&
           c.number >= -(1 << 29) && c.number < (1 << 29);
}

// A formula cell: the cached result in its eight bytes, flags, and the
// expression ptgInt 0 (readers take the result, never the expression).
inline std::string formula(const FCell& c, unsigned xf_index) {
    std::string b = cell_head(c, xf_index);
    switch (c.kind) {
    case Kind::formula_text: b += std::string("\0\0\0\0\0\0\xFF\xFF", 8); break;
    case Kind::formula_bool:
        b += std::string("\1\0", 2);
        u8(b, c.number != 0);
        b += std::string("\0\0\0\xFF\xFF", 5);
        break;
    case Kind::formula_error:
        b += std::string("\2\0", 2);
        u8(b, error_code(c.text));
        b += std::string("\0\0\0\xFF\xFF", 5);
        break;
    default: f64(b, c.number); break;
    }
    u16(b, 0);
    u32(b, 0);
    u16(b, 3);
    u8(b, 0x1E);
    u16(b, 0);
    return b;
}

// The shared-string table as office programs write it: records of at most
// 8,224 bytes, the first SST, the rest CONTINUE. A string's header never
// splits; characters that go on in the next record start it with an option
// byte of their own, narrow when what is left of the string is Latin-1.
inline std::string sst_records(const std::vector<std::string>& strings) {
    constexpr std::size_t limit = 8224;
    std::vector<std::string> bodies(1);
    u32(bodies[0], static_cast<std::uint32_t>(strings.size()));
    u32(bodies[0], static_cast<std::uint32_t>(strings.size()));
    const auto latin1 = [](const std::u16string& w, std::size_t from) {
        for (std::size_t i = from; i < w.size(); ++i)
            if (w[i] > 0xFF) return false;
        return true;
    };
    for (const auto& s : strings) {
        const std::u16string w = utf16(s);
        bool wide = !latin1(w, 0);
        if (bodies.back().size() + 3 + (w.empty() ? 0 : wide ? 2 : 1) > limit) bodies.emplace_back();
        u16(bodies.back(), static_cast<unsigned>(w.size()));
        u8(bodies.back(), wide ? 1 : 0);
        for (std::size_t i = 0; i < w.size();) {
            const std::size_t width = wide ? 2 : 1;
            const std::size_t room = (limit - bodies.back().size()) / width;
            if (room == 0) {
                wide = !latin1(w, i);
                bodies.emplace_back();
                u8(bodies.back(), wide ? 1 : 0);
                continue;
            }
            for (std::size_t k = 0; k < room && i < w.size(); ++k, ++i)
                if (wide) u16(bodies.back(), w[i]);
                else u8(bodies.back(), w[i]);
        }
    }
    std::string out;
    for (std::size_t i = 0; i < bodies.size(); ++i) record(out, i == 0 ? 0x00FC : 0x003C, bodies[i]);
    return out;
}

// The Workbook stream. XF 15 is General, 16 a date, 17 a date and time,
// 18 on the cells' own format codes in the order they first appear (FORMAT
// ids from 164).
inline std::string workbook_stream(const std::vector<FSheet>& sheets, const Options& o) {
    const int v = o.version;
    std::vector<std::string> strings;
    std::map<std::string, unsigned> index;
    std::vector<std::string> codes;
    std::map<std::string, unsigned> code_xf;
    for (const auto& s : sheets)
        for (const auto& c : s.cells) {
            if (c.kind == Kind::text && !index.count(c.text)) {
                index[c.text] = static_cast<unsigned>(strings.size());
                strings.push_back(c.text);
            }
            if (!c.format.empty() && !code_xf.count(c.format)) {
                code_xf[c.format] = 18 + static_cast<unsigned>(codes.size());
                codes.push_back(c.format);
            }
        }
    const auto xf_of = [&code_xf](const FCell& c) -> unsigned {
        if (!c.format.empty()) return code_xf.at(c.format);
        return c.kind == Kind::date ? 16 : c.kind == Kind::datetime ? 17 : 15;
    };
    std::vector<std::string> subs;
    for (const auto& s : sheets) {
        std::string sub;
        record(sub, 0x0809, bof(0x0010, v));
        int rows = 0, cols = 0;
        for (const auto& c : s.cells) rows = std::max(rows, c.row + 1), cols = std::max(cols, c.col + 1);
        std::string dim;
        u32(dim, 0);
        u32(dim, static_cast<std::uint32_t>(rows));
        u16(dim, 0);
        u16(dim, static_cast<unsigned>(cols));
        u16(dim, 0);
        record(sub, 0x0200, dim);
        for (std::size_t i = 0; i < s.cells.size(); ++i) {
            const FCell& c = s.cells[i];
            std::string b;
            switch (c.kind) {
            case Kind::text:
                b = cell_head(c, 15);
                if (v == 5) {
                    text(b, c.text, false, 5);
                    biff5_record(sub, 0x0204, b);
                } else {
                    u32(b, index[c.text]);
                    record(sub, 0x00FD, b);
                }
                break;
            case Kind::number:
            case Kind::date:
            case Kind::datetime: {
                if (!rk_integer(c)) {
                    b = cell_head(c, xf_of(c));
                    f64(b, c.number);
                    record(sub, 0x0203, b);
                    break;
                }
                // Whole numbers as an office program writes them: RK, and
                // MULRK for a run of them side by side in a row.
                std::size_t end = i + 1;
                while (end < s.cells.size() && rk_integer(s.cells[end]) && s.cells[end].row == c.row &&
                       s.cells[end].col == s.cells[end - 1].col + 1)
                    ++end;
                const auto rk = [](double d) { return (static_cast<std::uint32_t>(static_cast<std::int32_t>(d)) << 2) | 2; };
                if (end - i == 1) {
                    b = cell_head(c, 15);
                    u32(b, rk(c.number));
                    record(sub, 0x027E, b);
                } else {
                    u16(b, static_cast<unsigned>(c.row));
                    u16(b, static_cast<unsigned>(c.col));
                    for (std::size_t k = i; k < end; ++k) {
                        u16(b, 15);
                        u32(b, rk(s.cells[k].number));
                    }
                    u16(b, static_cast<unsigned>(s.cells[end - 1].col));
                    record(sub, 0x00BD, b);
                    i = end - 1;
                }
                break;
            }
            case Kind::formula:
            case Kind::formula_bool:
            case Kind::formula_error:
                record(sub, 0x0006, formula(c, xf_of(c)));
                break;
            case Kind::formula_text:
                record(sub, 0x0006, formula(c, 15));
                b.clear();
                text(b, c.text, false, v);
                if (v == 5) biff5_record(sub, 0x0207, b);
                else record(sub, 0x0207, b);
                break;
            case Kind::boolean:
            case Kind::error:
                b = cell_head(c, 15);
                u8(b, c.kind == Kind::boolean ? (c.number != 0) : error_code(c.text));
                u8(b, c.kind == Kind::error);
                record(sub, 0x0205, b);
                break;
            }
        }
        record(sub, 0x000A, "");
        subs.push_back(sub);
    }

    std::string head;
    record(head, 0x0809, bof(0x0005, v));
    if (o.filepass) record(head, 0x002F, std::string("\1\0\1\0\1\0", 6) + std::string(48, '\x5A'));
    std::string cp;
    u16(cp, v == 5 ? o.codepage : 0x04B0);
    record(head, 0x0042, cp);
    if (o.active >= 0) {
        std::string w;
        for (unsigned x : {0x0168u, 0x001Eu, 0x3A5Cu, 0x2328u, 0x0038u}) u16(w, x);
        u16(w, static_cast<unsigned>(o.active)); // the active tab
        u16(w, 0);
        u16(w, 1);
        u16(w, 0x0258);
        record(head, 0x003D, w);
    }
    std::string dm;
    u16(dm, o.date1904 ? 1 : 0);
    record(head, 0x0022, dm);
    std::string font;
    u16(font, 200);
    u16(font, 0);
    u16(font, 0x7FFF);
    u16(font, 400);
    u16(font, 0);
    u8(font, 0);
    u8(font, 0);
    u8(font, 0);
    u8(font, 0);
    text(font, "Arial", true, v);
    for (int i = 0; i < 5; ++i) record(head, 0x0031, font);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        std::string f;
        u16(f, 164 + static_cast<unsigned>(i));
        text(f, codes[i], v == 5, v);
        record(head, 0x041E, f);
    }
    // 15 style formats, then the cells' general, date and date-time formats.
    for (int i = 0; i < 15; ++i) record(head, 0x00E0, xf(0));
    record(head, 0x00E0, xf(0));
    record(head, 0x00E0, xf(14));
    record(head, 0x00E0, xf(22));
    for (std::size_t i = 0; i < codes.size(); ++i) record(head, 0x00E0, xf(164 + static_cast<unsigned>(i)));
    for (int i = 0; i < o.extra_xfs; ++i) record(head, 0x00E0, xf(164));
    // Filler, so that the stream is past the compound document's small-stream size.
    if (!o.small)
        for (int i = 0; i < 41; ++i) record(head, 0x005C, std::string(112, ' '));

    const std::string sst = v == 8 ? sst_records(strings) : std::string();

    // BOUNDSHEET records point at the sheets' BOF: their size is known first.
    std::vector<std::string> names;
    std::size_t bound_size = 0;
    for (const auto& s : sheets) {
        std::string n;
        text(n, s.name, true, v);
        names.push_back(n);
        bound_size += 4 + 4 + 2 + n.size();
    }
    std::uint32_t offset =
        static_cast<std::uint32_t>(head.size() + bound_size + sst.size() + 4);
    std::string globals = head;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        std::string b;
        u32(b, offset);
        u8(b, sheets[i].hidden ? 1 : 0);
        u8(b, 0);
        b += names[i];
        record(globals, 0x0085, b);
        offset += static_cast<std::uint32_t>(subs[i].size());
    }
    globals += sst;
    record(globals, 0x000A, "");
    for (const auto& s : subs) globals += s;
    return globals;
}

inline std::string workbook_stream(const std::vector<FSheet>& sheets, bool date1904) {
    Options o;
    o.date1904 = date1904;
    return workbook_stream(sheets, o);
}

// The header of a compound document of 512-byte sectors, its mini stream
// cut at 4096 bytes: where the allocation tables and the directory start,
// the first 109 allocation table sectors listed in the header itself.
inline std::string compound_header(std::uint32_t fat_sectors, std::uint32_t first_fat, std::uint32_t dir_sector,
                                   std::uint32_t minifat_start, std::uint32_t minifat_sectors) {
    const std::uint32_t end = 0xFFFFFFFE, free = 0xFFFFFFFF;
    std::string h;
    h += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    h += std::string(16, '\0');
    u16(h, 0x003E);
    u16(h, 0x0003);
    u16(h, 0xFFFE);
    u16(h, 9);
    u16(h, 6);
    h += std::string(6, '\0');
    u32(h, 0);
    u32(h, fat_sectors);
    u32(h, dir_sector);
    u32(h, 0);
    u32(h, 4096);
    u32(h, minifat_start);
    u32(h, minifat_sectors);
    u32(h, end);
    u32(h, 0);
    for (std::uint32_t i = 0; i < 109; ++i) u32(h, i < fat_sectors ? first_fat + i : free);
    return h;
}

// One 128-byte directory entry (type 5 the root, 2 a stream), black in the
// red-black tree, with no left sibling.
inline void directory_entry(std::string& dir, const std::string& name, unsigned type, std::uint32_t right,
                            std::uint32_t child, std::uint32_t start, std::uint32_t bytes) {
    std::string e;
    for (char ch : name) u16(e, static_cast<unsigned char>(ch));
    u16(e, 0);
    e.resize(64, '\0');
    u16(e, static_cast<unsigned>((name.size() + 1) * 2));
    u8(e, type);
    u8(e, 1);
    u32(e, 0xFFFFFFFF);
    u32(e, right);
    u32(e, child);
    e += std::string(16 + 4 + 16, '\0');
    u32(e, start);
    u32(e, bytes);
    u32(e, 0);
    dir += e;
}

// Unused entries up to the end of the directory's sector.
inline void pad_directory(std::string& dir) {
    while (dir.size() < 512) {
        std::string e(64 + 2 + 2, '\0');
        u32(e, 0xFFFFFFFF);
        u32(e, 0xFFFFFFFF);
        u32(e, 0xFFFFFFFF);
        e.resize(128, '\0');
        dir += e;
    }
}

// A compound document holding these streams at its root (at most three),
// each of at least 4096 bytes, so that none goes into the mini stream.
inline std::string compound(std::vector<std::pair<std::string, std::string>> streams) {
    const std::uint32_t end = 0xFFFFFFFE, free = 0xFFFFFFFF, fatsect = 0xFFFFFFFD;
    std::vector<std::uint32_t> starts;
    std::string body;
    std::uint32_t data_sectors = 0;
    for (auto& [name, data] : streams) {
        if (data.size() < 4096) data.resize(4096, '\0');
        starts.push_back(data_sectors);
        std::string padded = data;
        padded.resize((data.size() + 511) / 512 * 512, '\0');
        data_sectors += static_cast<std::uint32_t>(padded.size() / 512);
        body += padded;
    }
    std::uint32_t fat_sectors = 1;
    while ((data_sectors + 1 + fat_sectors + 127) / 128 > fat_sectors) ++fat_sectors;
    const std::uint32_t dir_sector = data_sectors;
    const std::uint32_t first_fat = data_sectors + 1;

    const std::string h = compound_header(fat_sectors, first_fat, dir_sector, end, 0);

    std::string dir;
    directory_entry(dir, "Root Entry", 5, 0xFFFFFFFF, 1, end, 0);
    for (std::size_t i = 0; i < streams.size(); ++i)
        directory_entry(dir, streams[i].first, 2,
                        i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : 0xFFFFFFFF, 0xFFFFFFFF,
                        starts[i], static_cast<std::uint32_t>(streams[i].second.size()));
    pad_directory(dir);
    std::string fat;
    for (std::size_t k = 0; k < streams.size(); ++k) {
        const std::uint32_t last = k + 1 < streams.size() ? starts[k + 1] : data_sectors;
        for (std::uint32_t i = starts[k]; i < last; ++i) u32(fat, i + 1 == last ? end : i + 1);
    }
    u32(fat, end);
    for (std::uint32_t i = 0; i < fat_sectors; ++i) u32(fat, fatsect);
    while (fat.size() < fat_sectors * 512) u32(fat, free);
    return h + body + dir + fat;
}

inline std::string compound(std::string stream, const std::string& name = "Workbook") {
    return compound({{name, std::move(stream)}});
}

// A compound document whose one stream, under 4096 bytes, lies in the mini
// stream: 64-byte sectors inside the root entry's own chain, chained by the
// mini allocation table.
inline std::string compound_small(const std::string& stream, const std::string& name = "Workbook") {
    const std::uint32_t end = 0xFFFFFFFE, free = 0xFFFFFFFF, fatsect = 0xFFFFFFFD;
    const std::uint32_t size = static_cast<std::uint32_t>(stream.size());
    const std::uint32_t minis = (size + 63) / 64;
    std::string container = stream;
    container.resize((minis * 64 + 511) / 512 * 512, '\0');
    const std::uint32_t data_sectors = static_cast<std::uint32_t>(container.size() / 512);
    const std::uint32_t minifat_sector = data_sectors, dir_sector = data_sectors + 1, fat_sector = data_sectors + 2;

    const std::string h = compound_header(1, fat_sector, dir_sector, minifat_sector, 1);

    std::string minifat;
    for (std::uint32_t i = 0; i < minis; ++i) u32(minifat, i + 1 == minis ? end : i + 1);
    while (minifat.size() < 512) u32(minifat, free);

    std::string dir;
    directory_entry(dir, "Root Entry", 5, 0xFFFFFFFF, 1, 0, minis * 64);
    directory_entry(dir, name, 2, 0xFFFFFFFF, 0xFFFFFFFF, 0, size);
    pad_directory(dir);
    std::string fat;
    for (std::uint32_t i = 0; i < data_sectors; ++i) u32(fat, i + 1 == data_sectors ? end : i + 1);
    u32(fat, end); // the mini allocation table
    u32(fat, end); // the directory
    u32(fat, fatsect);
    while (fat.size() < 512) u32(fat, free);
    return h + container + minifat + dir + fat;
}

} // namespace biff

inline void write_xls(const std::filesystem::path& file, const std::vector<FSheet>& sheets, const biff::Options& o) {
    const std::string stream = biff::workbook_stream(sheets, o);
    const std::string name = o.version == 5 ? "Book" : "Workbook";
    std::ofstream(file, std::ios::binary) << (o.small ? biff::compound_small(stream, name) : biff::compound(stream, name));
}

inline void write_xls(const std::filesystem::path& file, const std::vector<FSheet>& sheets, bool date1904 = false) {
    biff::Options o;
    o.date1904 = date1904;
    write_xls(file, sheets, o);
}

// The salary workbook of write_salary_xlsx as an .xls: the same cells,
// formats, hidden note sheet and active salary sheet.
inline void write_salary_xls(const std::filesystem::path& file) {
    FSheet note{"说明", {{0, 0, Kind::text, "本表每月五日发放"}}, true};
    FSheet pay{"工资", {}};
    const char* headings[] = {"姓名", "手机", "基本", "绩效", "扣款", "实发", "比例", "发放日期", "等级", "达标", "核对"};
    for (int c = 0; c < 11; ++c) pay.cells.push_back({0, c, Kind::text, headings[c]});
    const std::string money = "#,##0.00", day = "yyyy\"年\"m\"月\"d\"日\"";
    struct Person { const char* name; double mobile, base, bonus, deduction, ratio, date; };
    const Person people[] = {{"张三", 13800138000.0, 5000.5, 1200, 50, 0.15, 46361},
                             {"李四", 13900139000.0, 12345.678, -200, 0, 0.2, 46362}};
    for (int r = 1; r <= 2; ++r) {
        const Person& p = people[r - 1];
        pay.cells.insert(pay.cells.end(),
                         {{r, 0, Kind::text, p.name},
                          {r, 1, Kind::number, "", p.mobile},
                          {r, 2, Kind::number, "", p.base, money},
                          {r, 3, Kind::number, "", p.bonus, money},
                          {r, 4, Kind::number, "", p.deduction, money},
                          {r, 5, Kind::formula, "", p.base + p.bonus - p.deduction, money},
                          {r, 6, Kind::number, "", p.ratio, "0%"},
                          {r, 7, Kind::number, "", p.date, day},
                          {r, 8, Kind::formula_text, "高"},
                          {r, 9, Kind::formula_bool, "", 1},
                          {r, 10, Kind::formula_error, "#DIV/0!"}});
    }
    biff::Options o;
    o.active = 1;
    write_xls(file, {note, pay}, o);
}

} // namespace fixtures
