#include "runtime/spreadsheet.h"

#include "runtime/gbk.h"
#include "runtime/sheet_reason.h"
#include "runtime/xls_reader.h"
#include "runtime/xlsx_reader.h"

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

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil_from_days(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

// 1899-12-30 and 1904-01-01 as days since 1970-01-01.
constexpr long long epoch_1900 = -25569;
constexpr long long epoch_1904 = -24107;

} // namespace

std::string date_text(double serial, bool date1904) {
    // Outside the years a sheet can show, the value stays a number.
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466) return number_text(serial);
    long long days = static_cast<long long>(std::floor(serial));
    long long seconds = std::llround((serial - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    char time[32] = "";
    if (seconds > 0)
        std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    if (days == 0 && !date1904) return seconds > 0 ? std::string(time) : std::string("1900-01-00");
    char date[32];
    if (!date1904 && days == 60) {
        // The 1900 system keeps a 29th of February that never was.
        std::snprintf(date, sizeof date, "1900-02-29");
    } else {
        long long d1970 = date1904 ? epoch_1904 + days : epoch_1900 + days;
        if (!date1904 && days < 60) ++d1970; // before the phantom day the count is one off
        int y;
        unsigned m, d;
        civil_from_days(d1970, y, m, d);
        std::snprintf(date, sizeof date, "%04d-%02u-%02u", y, m, d);
    }
    return seconds > 0 ? std::string(date) + " " + time : std::string(date);
}

bool is_date_format(int id, const std::string& code) {
    if (code.empty())
        return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
               (id >= 50 && id <= 58);
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == ';') break; // the first section decides
        if (c == '"') {
            const std::size_t end = code.find('"', i + 1);
            if (end == std::string::npos) break;
            i = end;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const std::size_t end = code.find(']', i + 1);
            if (end == std::string::npos) break;
            const std::string inside = code.substr(i + 1, end - i - 1);
            // Elapsed time ([h], [mm], [ss]) is a time; colours, conditions
            // and locales are not.
            if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string::npos) return true;
            i = end;
        } else if (std::strchr("yYdDhHsSmM", c) != nullptr) {
            return true;
        }
    }
    return false;
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
