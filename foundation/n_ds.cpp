#include "foundation/n_ds.h"

#include "foundation/dw_cell_access.h"
#include "runtime/services.h"
#include "runtime/strings.h"

n_ds::n_ds() = default;
n_ds::n_ds(const rt::DataObject& object) : rt::DataStore(object) {}
n_ds::~n_ds() = default;

rt::Any n_ds::of_getvalue(const rt::nlong& row, const rt::nstring& columnname) {
    return dw_cell_access::getvalue(*this, row, columnname, [](const std::string& dataobject, const std::string& column) {
        rt::MessageBox("提示", dataobject + "字段未找到" + column);
    });
}

rt::Any n_ds::of_getvalue(const rt::nlong& row, const rt::nint& columnno) {
    return of_getvalue(row, rt::nstring(dw_cell_access::column_name(*this, columnno)));
}

bool n_ds::of_setvalue(const rt::nlong& row, const rt::nstring& columnname, const rt::Any& value) {
    return dw_cell_access::setvalue(*this, row, columnname, value,
                                    [](const std::string& dataobject, const std::string& column) {
                                        rt::MessageBox("提示", dataobject + "未找到字段" + column + "，请联系系统管理员！");
                                    });
}

rt::nint n_ds::of_setitem(const rt::nlong& al_row, const rt::nstring& as_column, const rt::nstring& as_value) {
    return dw_cell_access::setitem(*this, al_row, as_column, as_value);
}

rt::nint n_ds::of_setitem(const rt::nlong& al_row, const rt::nint& ai_column, const rt::nstring& as_value) {
    return of_setitem(al_row, rt::nstring(dw_cell_access::column_name(*this, ai_column)), as_value);
}

rt::nint n_ds::of_settransobject(pfc_n_tr* atr_object) {
    if (!atr_object || !rt::Transaction::is_live(atr_object)) return -1;
    const int answer = SetTransObject(*atr_object);
    if (answer == 1) itr_object = atr_object;
    return static_cast<std::int16_t>(answer);
}

std::int32_t n_ds::of_getcolumns(std::vector<std::string>& as_columns) {
    // The count is read again before every pass, as the loop condition does.
    for (std::int32_t i = 1; i <= rt::Long(Describe("DataWindow.Column.Count")); ++i) {
        if (as_columns.size() < static_cast<std::size_t>(i)) as_columns.resize(static_cast<std::size_t>(i));
        as_columns[static_cast<std::size_t>(i - 1)] = Describe("#" + std::to_string(i) + ".name");
    }
    return static_cast<std::int32_t>(as_columns.size());
}
