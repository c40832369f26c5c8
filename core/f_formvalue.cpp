#include "core/f_formvalue.h"

std::string f_formvalue(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
        case '%': out += "%25"; break;
        case '&': out += "%26"; break;
        case '+': out += "%2B"; break;
        default: out += c;
        }
    }
    return out;
}
