#include "foundation/dw_cell_access.h"

#include "foundation/n_cst_string.h"
#include "foundation/pfc_n_cst_conversion.h"
#include "runtime/registry.h"
#include "runtime/strings.h"

#include <cmath>
#include <limits>

namespace {

bool is_one_of(const std::string& key, std::initializer_list<const char*> keys) {
    for (const char* k : keys)
        if (key == k) return true;
    return false;
}

// The runtime's conversions of an any. A value that has no such form is
// handed on as it is, so that SetItem refuses it instead of a null or a
// made-up value clearing the cell.
rt::Any string_of(const rt::Any& v) {
    if (v.is_null()) return v;
    const rt::nstring s = rt::String(v);
    return s ? rt::Any(*s) : v;
}

rt::Any date_of(const rt::Any& v) {
    if (const rt::DateTime* dt = v.get<rt::DateTime>()) return rt::ToDate(*dt);
    if (const std::string* s = v.get<std::string>()) return rt::ToDate(*s);
    return v;
}

// The first 19 bytes of the value's text read as "yyyy-mm-dd hh:mm:ss".
rt::Any datetime_of(const rt::Any& v) {
    if (v.is_null() || v.get<rt::DateTime>()) return v;
    if (const rt::Date* d = v.get<rt::Date>()) return rt::ToDateTime(*d);
    const rt::nstring s = rt::String(v);
    if (!s) return v;
    return rt::ToDateTime(rt::Left(*s, 19));
}

rt::Any time_of(const rt::Any& v) {
    if (const rt::DateTime* dt = v.get<rt::DateTime>()) return rt::ToTime(*dt);
    if (const std::string* s = v.get<std::string>()) return rt::ToTime(*s);
    return v;
}

rt::Any dec_of(const rt::Any& v) {
    // A number past a decimal's 38 digits stays as it is; the column refuses it.
    if (v.is_number()) {
        if (const auto d = v.to_decimal()) return *d;
        return v;
    }
    if (const std::string* s = v.get<std::string>()) return rt::Dec(*s);
    return v;
}

rt::Any long_of(const rt::Any& v) {
    if (const std::string* s = v.get<std::string>()) return rt::Long(*s);
    if (!v.is_number()) return v;
    const double t = std::trunc(*v.number());
    if (t < std::numeric_limits<std::int32_t>::min() || t > std::numeric_limits<std::int32_t>::max()) return v;
    return static_cast<std::int32_t>(t);
}

std::int32_t row_or_zero(const rt::nlong& row) { return row ? *row : 0; }

} // namespace

std::string dw_cell_access::type_key(const rt::DataStore& ds, const rt::nstring& column) {
    return rt::Lower(rt::Left(ds.Describe(rt::or_empty(column) + ".ColType"), 5));
}

std::string dw_cell_access::column_name(const rt::DataStore& ds, const rt::nint& column) {
    if (!column) return "!";
    return ds.Describe("#" + std::to_string(*column) + ".Name");
}

rt::Any dw_cell_access::getvalue(const rt::DataStore& ds, const rt::nlong& row, const rt::nstring& column,
                                 const unknown_column& box) {
    if (row && *row < 1) return rt::Any("Get value error2!");
    if (!column || rt::Trim(*column).empty()) return rt::Any("Get value error3!");
    const std::string key = type_key(ds, column);
    // A null row reads through the accessor, which gives null for it.
    const std::int32_t r = row_or_zero(row);
    if (key == "char(") return ds.GetItemString(r, *column);
    if (key == "date") return ds.GetItemDate(r, *column);
    if (is_one_of(key, {"datet", "times"})) return ds.GetItemDateTime(r, *column);
    if (key == "time") return ds.GetItemTime(r, *column);
    if (is_one_of(key, {"decim", "real"})) return ds.GetItemDecimal(r, *column);
    if (is_one_of(key, {"int", "long", "numbe", "ulong"})) return ds.GetItemNumber(r, *column);
    box(ds.dataobject(), *column);
    return rt::Any("Get value error4!");
}

bool dw_cell_access::setvalue(rt::DataStore& ds, const rt::nlong& row, const rt::nstring& column,
                              const rt::Any& value, const unknown_column& box) {
    const std::string key = type_key(ds, column);
    rt::Any converted;
    if (key == "char(") converted = string_of(value);
    else if (key == "date") converted = date_of(value);
    else if (is_one_of(key, {"datet", "times"})) converted = datetime_of(value);
    else if (key == "time") converted = time_of(value);
    else if (is_one_of(key, {"decim", "real", "numbe"})) converted = dec_of(value);
    else if (is_one_of(key, {"int", "long", "ulong"})) converted = long_of(value);
    else {
        box(ds.dataobject(), rt::or_empty(column));
        return false;
    }
    return ds.SetItem(row_or_zero(row), rt::or_empty(column), converted) == 1;
}

rt::nint dw_cell_access::setitem(rt::DataStore& ds, const rt::nlong& row, const rt::nstring& column,
                                 const rt::nstring& value) {
    std::string separator;
    if (rt::RegistryGet("HKEY_CURRENT_USER\\Control Panel\\International", "sThousand", separator) != 1)
        separator = ",";
    if (!row || !column) return -1;
    const std::string key = type_key(ds, column);
    rt::Any v;
    if (is_one_of(key, {"char(", "char"})) {
        v = value;
    } else if (key == "date") {
        if (value) v = rt::ToDate(*value);
    } else if (key == "datet") {
        const pfc_n_cst_conversion conversion;
        const rt::ndate d = conversion.of_date(value);
        const rt::ntime t = value && rt::Pos(*value, " ") > 0 ? conversion.of_time(value) : rt::ntime(rt::Time{});
        if (d && t) v = rt::ToDateTime(*d, *t);
    } else if (is_one_of(key, {"decim", "numbe", "doubl", "real", "long", "ulong", "int"})) {
        const n_cst_string lnv_string;
        rt::nstring text = lnv_string.of_globalreplace(value, std::string("$"), std::string(""));
        text = lnv_string.of_globalreplace(text, separator, std::string(""));
        text = lnv_string.of_globalreplace(text, std::string("("), std::string("-"));
        text = lnv_string.of_globalreplace(text, std::string(")"), std::string(""));
        if (text) {
            const bool percent = rt::Pos(*text, "%") > 0;
            if (percent) text = lnv_string.of_globalreplace(text, std::string("%"), std::string(""));
            const std::string& t = *text;
            if (key == "decim") v = percent ? rt::Dec(t) / rt::decimal(100) : rt::Dec(t);
            else if (is_one_of(key, {"numbe", "doubl"})) v = percent ? rt::Double(t) / 100.0 : rt::Double(t);
            else if (key == "real") v = percent ? rt::Real(t) / 100.0f : rt::Real(t);
            else v = percent ? static_cast<std::int32_t>(std::trunc(rt::Long(t) / 100.0)) : rt::Long(t);
        }
    } else if (is_one_of(key, {"time", "times"})) {
        if (value) v = rt::ToTime(*value);
    } else {
        return 0;
    }
    return static_cast<std::int16_t>(ds.SetItem(*row, *column, v));
}
