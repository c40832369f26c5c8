#include "account/dw_reg.h"

namespace {

constexpr int label_x = 110, label_w = 380, edit_x = 510, edit_w = 1060, mark_x = 1600;
constexpr int first_y = 70, row_step = 168, row_h = 84;

rt::DataObject build() {
    rt::DataObject o;
    o.name = "dw_reg";
    o.style = rt::Style::FreeForm;
    const struct {
        const char* name;
        const char* label;
        int length;
        bool required;
    } fields[] = {
        {"account", "账      号 ：", 30, true},   {"password", "密      码 ：", 20, true},
        {"company", "客户名称 ：", 30, true},      {"realname", "联 系 人 ：", 30, true},
        {"mobile", "联系手机 ：", 11, true},       {"qq", "QQ ：", 15, false},
        {"email", "电子邮件 ：", 50, false},
    };
    int row = 0;
    for (const auto& f : fields) {
        const int y = first_y + row * row_step;
        rt::ColumnDef c;
        c.name = f.name;
        c.type = rt::ColType::Char;
        c.length = f.length;
        c.header = f.label;
        c.label = {label_x, y + 10, label_w, row_h - 20};
        c.edit = {edit_x, y, edit_w, row_h};
        o.columns.push_back(c);
        if (f.required)
            o.texts.push_back({"t_" + std::to_string(row + 1), "*", {mark_x, y + 10, 40, row_h - 20}, 255, ""});
        ++row;
    }
    return o;
}

} // namespace

const rt::DataObject& dw_reg_object() {
    static const rt::DataObject object = rt::registered(build());
    return object;
}
