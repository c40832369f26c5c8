#include "runtime/ui/qt_text.h"

#include "runtime/gbk.h"

#include <algorithm>

namespace rt {

QString qstr(std::string_view gbk) { return QString::fromStdString(gbk_to_utf8(gbk)); }

std::string gbk(const QString& text) { return utf8_to_gbk(text.toStdString()); }

bool gbk_holds(const QString& text) {
    // A "?" that the text did not hold is one that GBK could not.
    const std::string bytes = gbk(text);
    return std::count(bytes.begin(), bytes.end(), '?') == text.count(QChar('?'));
}

std::size_t char_count(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); i += char_len_at(s, i)) ++n;
    return n;
}

std::size_t byte_of_char(std::string_view s, std::size_t chars) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < chars && i < s.size(); ++n) i += char_len_at(s, i);
    return i;
}

std::size_t chars_in_bytes(std::string_view s, std::size_t bytes) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size() && i < bytes; i += char_len_at(s, i)) ++n;
    return n;
}

} // namespace rt
