#include "runtime/numfmt.h"

#include "runtime/spreadsheet.h"

namespace rt::sheet {

std::string builtin_format_code(int) { return ""; }

std::string format_number(double value, const std::string& code, bool date1904) {
    return is_date_format(0, code) ? date_text(value, date1904) : number_text(value);
}

} // namespace rt::sheet
