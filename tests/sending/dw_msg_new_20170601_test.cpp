#include "foundation/u_dw.h"
#include "runtime/ui/datawindow_model.h"
#include "runtime/ui/qt_text.h"
#include "sending/dw_msg_new_20170601.h"

#include <gtest/gtest.h>

TEST(DwMsgNew20170601, NumbersFourToALineUnderTheirHeading) {
    u_dw dw_list(nullptr, dw_msg_new_20170601());
    EXPECT_EQ(5, dw_list.ImportString("13800000001\t张三\n13800000002,13800000003\n\n 13800000004 \n13800000005"));
    EXPECT_EQ("13800000002,13800000003", dw_list.GetItemString(2, "mobile")); // one line, one row
    EXPECT_EQ(rt::null, dw_list.GetItemString(3, "mobile"));
    rt::DataWindowModel* m = dw_list.model();
    EXPECT_EQ(2, m->rowCount());
    EXPECT_EQ(4, m->columnCount());
    EXPECT_EQ("号码", rt::gbk(m->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString()));
    EXPECT_EQ("13800000005", rt::gbk(m->index(1, 0).data().toString()));
}
