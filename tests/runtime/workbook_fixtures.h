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

enum class Kind { text, number, date, datetime, formula };

struct FCell {
    int row; // from 0
    int col; // from 0
    Kind kind;
    std::string text;  // GBK; the formula for Kind::formula
    double number = 0; // number, date serial, or a formula's result
};

struct FSheet {
    std::string name; // GBK
    std::vector<FCell> cells;
};

// The salary sheet every road is tried on: the used range starts on row 3,
// an empty deduction cell, a date, a date with a time, a formula.
inline FSheet salary_sheet() {
    return {"工资表",
            {{2, 0, Kind::text, "姓名"}, {2, 1, Kind::text, "手机"}, {2, 2, Kind::text, "基本工资"},
             {2, 3, Kind::text, "扣款"}, {2, 4, Kind::text, "入职日期"}, {2, 5, Kind::text, "实发"},
             {3, 0, Kind::text, "张三"}, {3, 1, Kind::number, "", 13800138000.0}, {3, 2, Kind::number, "", 5000.5},
             {3, 4, Kind::date, "", 45360}, {3, 5, Kind::formula, "=C4-D4", 5000.5},
             {4, 0, Kind::text, "李四"}, {4, 1, Kind::number, "", 13900139000.0}, {4, 2, Kind::number, "", 4200},
             {4, 3, Kind::number, "", 100}, {4, 4, Kind::datetime, "", 45291.4375},
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
    std::vector<lxw_worksheet*> ws;
    for (const auto& s : sheets) ws.push_back(workbook_add_worksheet(wb, utf8(s.name).c_str()));
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        for (const auto& c : sheets[i].cells) {
            const auto r = static_cast<lxw_row_t>(c.row);
            const auto col = static_cast<lxw_col_t>(c.col);
            switch (c.kind) {
            case Kind::text: worksheet_write_string(ws[i], r, col, utf8(c.text).c_str(), nullptr); break;
            case Kind::number: worksheet_write_number(ws[i], r, col, c.number, nullptr); break;
            case Kind::date: worksheet_write_number(ws[i], r, col, c.number, date); break;
            case Kind::datetime: worksheet_write_number(ws[i], r, col, c.number, datetime); break;
            case Kind::formula: worksheet_write_formula_num(ws[i], r, col, c.text.c_str(), nullptr, c.number); break;
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

// ---- .xls: BIFF8 records in a compound document -----------------------------
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

inline std::u16string utf16(const std::string& gbk) {
    const std::string s = rt::gbk_to_utf8(gbk);
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

// XLUnicodeString (16-bit length) or ShortXLUnicodeString (8-bit), always UTF-16.
inline void unicode(std::string& b, const std::string& gbk, bool short_length) {
    const std::u16string w = utf16(gbk);
    if (short_length) u8(b, static_cast<unsigned>(w.size()));
    else u16(b, static_cast<unsigned>(w.size()));
    u8(b, 1);
    for (char16_t ch : w) u16(b, ch);
}

inline std::string bof(unsigned kind) {
    std::string b;
    u16(b, 0x0600);
    u16(b, kind);
    u16(b, 0x0DBB);
    u16(b, 0x07CC);
    u32(b, 0);
    u32(b, 0x06);
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

// The Workbook stream.
inline std::string workbook_stream(const std::vector<FSheet>& sheets, bool date1904) {
    std::vector<std::string> strings;
    std::map<std::string, unsigned> index;
    for (const auto& s : sheets)
        for (const auto& c : s.cells)
            if (c.kind == Kind::text && !index.count(c.text)) {
                index[c.text] = static_cast<unsigned>(strings.size());
                strings.push_back(c.text);
            }
    std::vector<std::string> subs;
    for (const auto& s : sheets) {
        std::string sub;
        record(sub, 0x0809, bof(0x0010));
        int rows = 0, cols = 0;
        for (const auto& c : s.cells) rows = std::max(rows, c.row + 1), cols = std::max(cols, c.col + 1);
        std::string dim;
        u32(dim, 0);
        u32(dim, static_cast<std::uint32_t>(rows));
        u16(dim, 0);
        u16(dim, static_cast<unsigned>(cols));
        u16(dim, 0);
        record(sub, 0x0200, dim);
        for (const auto& c : s.cells) {
            std::string b;
            switch (c.kind) {
            case Kind::text:
                b = cell_head(c, 15);
                u32(b, index[c.text]);
                record(sub, 0x00FD, b);
                break;
            case Kind::number:
            case Kind::date:
            case Kind::datetime:
                b = cell_head(c, c.kind == Kind::date ? 16 : c.kind == Kind::datetime ? 17 : 15);
                f64(b, c.number);
                record(sub, 0x0203, b);
                break;
            case Kind::formula:
                b = cell_head(c, 15);
                f64(b, c.number);
                u16(b, 0);
                u32(b, 0);
                u16(b, 3); // the expression: ptgInt 0
                u8(b, 0x1E);
                u16(b, 0);
                record(sub, 0x0006, b);
                break;
            }
        }
        record(sub, 0x000A, "");
        subs.push_back(sub);
    }

    std::string head;
    record(head, 0x0809, bof(0x0005));
    std::string cp;
    u16(cp, 0x04B0);
    record(head, 0x0042, cp);
    std::string dm;
    u16(dm, date1904 ? 1 : 0);
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
    unicode(font, "Arial", true);
    for (int i = 0; i < 5; ++i) record(head, 0x0031, font);
    // 15 style formats, then the cells' general, date and date-time formats.
    for (int i = 0; i < 15; ++i) record(head, 0x00E0, xf(0));
    record(head, 0x00E0, xf(0));
    record(head, 0x00E0, xf(14));
    record(head, 0x00E0, xf(22));
    // Filler, so that the stream is past the compound document's small-stream size.
    record(head, 0x005C, std::string(112, ' '));
    for (int i = 0; i < 40; ++i) record(head, 0x005C, std::string(112, ' '));

    std::string sst;
    u32(sst, static_cast<std::uint32_t>(strings.size()));
    u32(sst, static_cast<std::uint32_t>(strings.size()));
    for (const auto& s : strings) unicode(sst, s, false);

    // BOUNDSHEET records point at the sheets' BOF: their size is known first.
    std::size_t bound_size = 0;
    for (const auto& s : sheets) bound_size += 4 + 4 + 2 + 2 + utf16(s.name).size() * 2;
    std::uint32_t offset = static_cast<std::uint32_t>(head.size() + bound_size + 4 + sst.size() + 4);
    std::string globals = head;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        std::string b;
        u32(b, offset);
        u8(b, 0);
        u8(b, 0);
        unicode(b, sheets[i].name, true);
        record(globals, 0x0085, b);
        offset += static_cast<std::uint32_t>(subs[i].size());
    }
    record(globals, 0x00FC, sst);
    record(globals, 0x000A, "");
    for (const auto& s : subs) globals += s;
    return globals;
}

// A compound document holding one stream "Workbook" of at least 4096 bytes.
inline std::string compound(std::string stream) {
    const std::uint32_t end = 0xFFFFFFFE, free = 0xFFFFFFFF, fatsect = 0xFFFFFFFD;
    if (stream.size() < 4096) stream.resize(4096, '\0');
    const std::uint32_t size = static_cast<std::uint32_t>(stream.size());
    const std::uint32_t data_sectors = (size + 511) / 512;
    std::uint32_t fat_sectors = 1;
    while ((data_sectors + 1 + fat_sectors + 127) / 128 > fat_sectors) ++fat_sectors;
    const std::uint32_t dir_sector = data_sectors;
    const std::uint32_t first_fat = data_sectors + 1;

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
    u32(h, end);
    u32(h, 0);
    u32(h, end);
    u32(h, 0);
    for (std::uint32_t i = 0; i < 109; ++i) u32(h, i < fat_sectors ? first_fat + i : free);

    stream.resize(data_sectors * 512, '\0');
    std::string dir;
    const auto entry = [&dir](const std::string& name, unsigned type, std::uint32_t child, std::uint32_t start,
                              std::uint32_t bytes) {
        std::string e;
        for (char ch : name) u16(e, static_cast<unsigned char>(ch));
        u16(e, 0);
        e.resize(64, '\0');
        u16(e, static_cast<unsigned>((name.size() + 1) * 2));
        u8(e, type);
        u8(e, 1);
        u32(e, 0xFFFFFFFF);
        u32(e, 0xFFFFFFFF);
        u32(e, child);
        e += std::string(16 + 4 + 16, '\0');
        u32(e, start);
        u32(e, bytes);
        u32(e, 0);
        dir += e;
    };
    entry("Root Entry", 5, 1, end, 0);
    entry("Workbook", 2, 0xFFFFFFFF, 0, size);
    for (int i = 0; i < 2; ++i) {
        std::string e(64 + 2 + 2, '\0');
        u32(e, 0xFFFFFFFF);
        u32(e, 0xFFFFFFFF);
        u32(e, 0xFFFFFFFF);
        e.resize(128, '\0');
        dir += e;
    }
    std::string fat;
    for (std::uint32_t i = 0; i < data_sectors; ++i) u32(fat, i + 1 == data_sectors ? end : i + 1);
    u32(fat, end);
    for (std::uint32_t i = 0; i < fat_sectors; ++i) u32(fat, fatsect);
    while (fat.size() < fat_sectors * 512) u32(fat, free);
    return h + stream + dir + fat;
}

} // namespace biff

inline void write_xls(const std::filesystem::path& file, const std::vector<FSheet>& sheets, bool date1904 = false) {
    std::ofstream(file, std::ios::binary) << biff::compound(biff::workbook_stream(sheets, date1904));
}

} // namespace fixtures
