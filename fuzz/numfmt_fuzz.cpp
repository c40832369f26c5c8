// Number format codes from anyone's workbook: a value (the first eight
// bytes), the date system (the ninth) and a format code (the rest, GBK)
// give a text for a number and for a text cell, whatever the code holds.
#include "runtime/sheet/numfmt.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9 || size > 4096) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const bool date1904 = data[8] & 1;
    const std::string code(reinterpret_cast<const char*>(data + 9), size - 9);
    const rt::sheet::NumberFormat format(code);
    const std::string shown = format.number(value, date1904);
    // A code can repeat its literals and places, but never makes a text
    // out of nothing beyond the digits of a double: at most a General (seven
    // letters) of some 24 characters, or of some 80 bytes in Chinese numerals
    // with their units, for each part of the code.
    if (shown.size() > 16 * code.size() + 2000) std::abort();
    const std::string text = format.text("abc");
    if (text.size() > 4 * code.size() + 3) std::abort();
    (void)format.is_date();
    for (int id = 0; id < 60; id += 7) (void)rt::sheet::format_number(value, rt::sheet::builtin_format_code(id), date1904);
    return 0;
}
