#include "sending/dw_msg_new_20170601.h"

namespace {

rt::DataObject build() {
    rt::DataObject o;
    o.name = "dw_msg_new_20170601";
    o.style = rt::Style::Grid;
    o.n_up = 4;
    rt::ColumnDef mobile;
    mobile.name = "mobile";
    mobile.type = rt::ColType::Char;
    // One imported line is one row, and a line holding numbers joined by ","
    // may be of any length (the gateway receives every number in it): the
    // column takes a text of any length rather than refuse a whole import.
    mobile.length = 0;
    mobile.header = "号码";
    mobile.width = 430;
    o.columns.push_back(mobile);
    return o;
}

} // namespace

const rt::DataObject& dw_msg_new_20170601() {
    static const rt::DataObject object = rt::registered(build());
    return object;
}
