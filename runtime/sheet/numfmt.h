// Number formats: the text a formatted cell shows, as a spreadsheet
// application displays it. Both workbook readers use it, so a cell of .xls
// and of .xlsx reads alike. A format code is read once into a NumberFormat;
// showing a cell never reads the code again.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rt::sheet {

// The format code behind a built-in number format id; "" for General and
// for ids that have none.
std::string builtin_format_code(int id);

// A format code (GBK), read once: its sections, what each prints and which
// values it is for.
class NumberFormat {
public:
    // An empty code and "General" are General.
    explicit NumberFormat(std::string_view code = {});
    ~NumberFormat();
    NumberFormat(NumberFormat&&) noexcept;
    NumberFormat& operator=(NumberFormat&&) noexcept;

    // General: numbers show their General text and texts themselves.
    bool general() const { return general_; }
    // Whether its first section shows a date or a time.
    bool is_date() const;
    // The text a number cell of this format shows, in the 1900 or 1904 date
    // system; GBK.
    std::string number(double value, bool date1904) const;
    // The text a text cell (GBK) of this format shows: the text section
    // applied, or the text itself when there is none.
    std::string text(std::string_view value) const;

    struct Section;

private:
    std::vector<Section> sections_;
    std::size_t numeric_ = 0;         // sections for numbers
    const Section* text_ = nullptr;   // the section for texts, or none
    bool general_ = true;
};

// The formats of one workbook, each distinct code read once however many
// cell styles use it.
class FormatTable {
public:
    FormatTable();
    // The index of the code's format, reading it when it is new.
    std::size_t add(const std::string& code);
    const NumberFormat& at(std::size_t index) const { return *formats_[index]; }
    // Index 0 is General.
    static constexpr std::size_t general_index = 0;

private:
    std::vector<std::unique_ptr<NumberFormat>> formats_;
    std::unordered_map<std::string, std::size_t> index_;
};

// The text a number of this format code shows, the code read for this call
// alone (tests and one-off texts; readers keep a FormatTable).
std::string format_number(double value, const std::string& code, bool date1904);
// The text a text of this format code shows.
std::string format_text(const std::string& value, const std::string& code);

// The General text of a number: whole numbers in plain digits, others with
// at most 15 significant digits; never more than 15 significant digits, so
// an 18-digit number shows zeros for its last three. Below 1E-9 the number
// is shown with an exponent (1.5E-10).
std::string general_text(double value);

// The sheet's calendar. A day serial counts days from 1899-12-31 (day 1 is
// 1900-01-01, day 60 the 29th of February 1900 that the 1900 system keeps
// though it never was) or, in the 1904 system, from 1904-01-01 (day 0).
struct CivilDate {
    int year = 1900, month = 1, day = 0;
    int weekday = 6; // 0 Sunday
};
CivilDate civil_date(long long serial_day, bool date1904);
// The 1900-system serial of a civil date (the inverse of civil_date).
long long day_serial(int year, int month, int day);
// The first serial past 9999-12-31: from it on a date shows as a number.
inline long long date_limit(bool date1904) { return date1904 ? 2957004 : 2958466; }

// ---- A format code's text in GBK --------------------------------------------

// A format code as a workbook writes it (UTF-8; the .xls reader decodes its
// UTF-16 or code-page codes to UTF-8 first) in GBK, as format_number reads
// it; "" for General. The yen and yuan sign (U+00A5), which GBK lacks, is
// GBK's full-width sign; any other sign GBK lacks shows as a "?" that stays
// a sign: escaped where it stands bare, so that it never becomes a digit
// placeholder. One pass over the code, however long.
std::string format_code_gbk(std::string_view utf8);

} // namespace rt::sheet
