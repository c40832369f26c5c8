#include "foundation/pfc_n_cst_conversion.h"

#include "foundation/n_cst_string.h"

#include <vector>

namespace {
std::vector<std::string> parts(const std::string& text) {
    std::vector<std::string> out;
    n_cst_string().of_parsetoarray(text, std::string(" "), out);
    return out;
}
} // namespace

rt::ndate pfc_n_cst_conversion::of_date(const rt::nstring& as_datetime) const {
    if (!as_datetime) return rt::null;
    const std::vector<std::string> p = parts(*as_datetime);
    if (p.size() == 1) return rt::ToDate(*as_datetime);
    if (p.size() == 2 || p.size() == 3) return rt::ToDate(p[0]);
    return rt::null;
}

rt::ntime pfc_n_cst_conversion::of_time(const rt::nstring& as_datetime) const {
    if (!as_datetime) return rt::null;
    const std::vector<std::string> p = parts(*as_datetime);
    if (p.size() == 1) return rt::ToTime(*as_datetime);
    if (p.size() == 2) return rt::ToTime(p[1]);
    if (p.size() == 3) return rt::ToTime(p[1] + " " + p[2]);
    return rt::null;
}
