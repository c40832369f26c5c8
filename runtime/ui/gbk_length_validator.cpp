#include "runtime/ui/gbk_length_validator.h"

#include "runtime/ui/qt_text.h"

namespace rt {

QValidator::State GbkLengthValidator::validate(QString& input, int&) const {
    return gbk(input).size() <= static_cast<std::size_t>(max_bytes_) ? Acceptable : Invalid;
}

} // namespace rt
