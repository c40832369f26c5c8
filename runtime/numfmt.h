// Number formats: the text a formatted number cell shows, as a spreadsheet
// application displays it. Both workbook readers use it, so a cell of .xls
// and of .xlsx reads alike.
#pragma once

#include <string>

namespace rt::sheet {

// The format code behind a built-in number format id; "" for General and
// for ids that have none.
std::string builtin_format_code(int id);

// The text a cell of this format code (GBK) shows for value, in the 1900 or
// 1904 date system; GBK. An empty code and "General" give the General text.
std::string format_number(double value, const std::string& code, bool date1904);

// The General text of a number: whole numbers in plain digits, others with
// at most 15 significant digits; never more than 15 significant digits, so
// an 18-digit number shows zeros for its last three.
std::string general_text(double value);

// ---- A format code's text in GBK --------------------------------------------

// A format code as a workbook writes it (UTF-8; the .xls reader decodes its
// UTF-16 or code-page codes to UTF-8 first) in GBK, as format_number reads
// it; "" for General. The yen and yuan sign (U+00A5), which GBK lacks, is
// GBK's full-width sign; any other sign GBK lacks shows as a "?" that stays
// a sign: escaped where it stands bare, so that it never becomes a digit
// placeholder. One pass over the code, however long.
std::string format_code_gbk(std::string_view utf8);

} // namespace rt::sheet
