#include "foundation/u_dw.h"

#include "core/n_cst_manager.h"
#include "foundation/dw_cell_access.h"
#include "runtime/services.h"

namespace {

void manager_box(const std::string& text) {
    if (gnv_app) gnv_app->pub_msg(text);
    else rt::MessageBox("", text); // no manager outside the application's life: still tell
}

} // namespace

u_dw::u_dw(rt::Container* parent, rt::Rect r) : rt::DataWindow(parent, r) {}

u_dw::u_dw(rt::Container* parent, const rt::DataObject& object, rt::Rect r) : rt::DataWindow(parent, object, r) {}

u_dw::u_dw(rt::Container* parent, const char* dataobject, rt::Rect r) : rt::DataWindow(parent, dataobject, r) {}

rt::Any u_dw::of_getvalue(const rt::nlong& row, const rt::nstring& columnname) {
    return dw_cell_access::getvalue(*this, row, columnname, [](const std::string& dataobject, const std::string& column) {
        manager_box(dataobject + "字段未找到" + column);
    });
}

rt::nint u_dw::of_setitem(const rt::nlong& al_row, const rt::nstring& as_column, const rt::nstring& as_value) {
    return dw_cell_access::setitem(*this, al_row, as_column, as_value);
}

bool u_dw::of_setvalue(const rt::nlong& row, const rt::nstring& columnname, const rt::Any& value) {
    return dw_cell_access::setvalue(*this, row, columnname, value,
                                    [](const std::string& dataobject, const std::string& column) {
                                        rt::MessageBox("提示信息",
                                                       dataobject + "未找到字段" + column + "，请联系系统管理员！");
                                    });
}

bool u_dw::of_setvalue(const rt::nlong& row, const rt::nint& columnno, const rt::Any& value) {
    return of_setvalue(row, rt::nstring(dw_cell_access::column_name(*this, columnno)), value);
}

rt::nint u_dw::of_setitem(const rt::nlong& al_row, const rt::nint& ai_column, const rt::nstring& as_value) {
    return of_setitem(al_row, rt::nstring(dw_cell_access::column_name(*this, ai_column)), as_value);
}

std::string u_dw::uf_processing() { return Describe("DataWindow.Processing"); }

void u_dw::uf_header(const rt::nbool& ab_switch) {
    if (uf_processing() != "1") return;
    Modify("destroy row_id_header");
    if (ab_switch && !*ab_switch) return;
    const std::string answer =
        Modify("create bitmap(band=background filename='" + is_picheadernm + "' x='" + std::to_string(ii_picheader_x) +
               "' y='0' height='" + std::to_string(ii_picheader_height) + "' width='0\t1000000' border='6' " +
               "name=row_id_header visible='1')");
    if (!answer.empty() && gnv_app) gnv_app->uf_debug(answer);
}
