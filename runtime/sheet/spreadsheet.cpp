#include "runtime/sheet/spreadsheet.h"

#include "runtime/gbk.h"
#include "runtime/sheet/numfmt.h"
#include "runtime/sheet/sheet_reason.h"
#include "runtime/sheet/xls_reader.h"
#include "runtime/sheet/xlsx_reader.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace rt::sheet {

Workbook::~Workbook() = default;

Format sniff(const std::string& native_path) {
    std::ifstream in(native_path, std::ios::binary);
    unsigned char head[8] = {};
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return Format::unknown;
    static const unsigned char cfb[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (std::memcmp(head, cfb, sizeof cfb) == 0) return Format::xls;
    if (head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4) return Format::xlsx;
    return Format::unknown;
}

std::unique_ptr<Workbook> Workbook::open(const std::string& native_path, std::string& error, CellText text) {
    switch (sniff(native_path)) {
    case Format::xlsx:
        return open_xlsx(native_path, error, text);
    case Format::xls:
        return open_xls(native_path, error, text);
    case Format::unknown:
        break;
    }
    std::ifstream probe(native_path, std::ios::binary);
    error = reason(probe ? Reason::not_workbook : Reason::cannot_open);
    return nullptr;
}

std::string number_text(double value) {
    if (!std::isfinite(value)) return "#NUM!";
    char buf[400];
    if (value == std::floor(value) && std::fabs(value) < 1e300) {
        if (value == 0) return "0"; // also -0
        std::snprintf(buf, sizeof buf, "%.0f", value);
        return buf;
    }
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

std::string date_text(double serial, bool date1904) {
    // Outside the years a sheet can show, the value stays a number.
    if (!std::isfinite(serial) || serial < 0 || serial >= static_cast<double>(date_limit(date1904)))
        return number_text(serial);
    long long days = static_cast<long long>(std::floor(serial));
    long long seconds = std::llround((serial - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    char time[32] = "";
    if (seconds > 0)
        std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    if (days == 0 && !date1904 && seconds > 0) return time;
    const CivilDate c = civil_date(days, date1904);
    char date[40];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", c.year, c.month, c.day);
    return seconds > 0 ? std::string(date) + " " + time : std::string(date);
}

bool is_date_format(int id, const std::string& code) {
    if (code.empty())
        return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
               (id >= 50 && id <= 58);
    return NumberFormat(code).is_date();
}

std::string to_gbk(const std::string& utf8) {
    for (unsigned char c : utf8)
        if (c >= 0x80) return utf8_to_gbk(utf8);
    return utf8;
}

bool read_rows(Workbook& book, int sheet, SheetRows& out, std::string& error) {
    out = SheetRows{};
    return book.read(sheet, [&out](std::int32_t row, const std::vector<Cell>& cells) {
        if (cells.empty()) return true;
        if (out.rows.empty()) out.first_row = row;
        out.last_row = row;
        const std::int32_t first = cells.front().column, last = cells.back().column;
        if (out.first_column == 0 || first < out.first_column) out.first_column = first;
        if (last > out.last_column) out.last_column = last;
        out.rows.push_back({row, cells});
        return true;
    }, error);
}

} // namespace rt::sheet
