#include "mailmerge/dw_msg_preview.h"

namespace {

// A merged message holds whole worksheet cells; the columns take any cell
// text the grid can hold.
constexpr int whole_text = 32767;

rt::DataObject build() {
    rt::DataObject o;
    o.name = "dw_msg_preview";
    o.style = rt::Style::Grid;
    rt::ColumnDef mobile;
    mobile.name = "mobile";
    mobile.dbname = "mobile";
    mobile.type = rt::ColType::Char;
    mobile.length = whole_text;
    mobile.header = "Mobile";
    mobile.width = 520;
    rt::ColumnDef msg = mobile;
    msg.name = "msg";
    msg.dbname = "msg";
    msg.header = "短信内容";
    msg.width = 3000;
    rt::ColumnDef flag;
    flag.name = "flag";
    flag.dbname = "name_1";
    flag.type = rt::ColType::Long;
    flag.visible = false;
    o.columns = {mobile, msg, flag};
    return o;
}

} // namespace

const rt::DataObject& dw_msg_preview() {
    static const rt::DataObject object = rt::registered(build());
    return object;
}
