#include "foundation/u_dw.h"
#include "mailmerge/dw_msg_preview.h"
#include "mailmerge/dw_template.h"
#include "runtime/ui/datawindow_model.h"
#include "runtime/ui/qt_text.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QTableView>

TEST(DwTemplate, ColumnsAToZThenFlagAndTheSampleRows) {
    u_dw dw_list(nullptr, dw_template());
    EXPECT_EQ("27", dw_list.Describe("DataWindow.Column.Count"));
    EXPECT_EQ("a", dw_list.Describe("#1.Name"));
    EXPECT_EQ("Z", dw_list.Describe("z.dbName"));
    EXPECT_EQ("flag", dw_list.Describe("#27.Name"));
    EXPECT_EQ("Flag", dw_list.Describe("flag_t.Text"));
    EXPECT_EQ("char(", dw_list.Describe("flag.ColType").substr(0, 5));
    EXPECT_EQ(3, dw_list.RowCount()); // the stored samples, until the window's grid resets
    EXPECT_EQ(11u, dw_list.GetItemString(1, "b")->size());
    // A worksheet line of 27 cells fills the flag; more cells are passed over.
    std::string line;
    for (int i = 1; i <= 28; ++i) line += (i > 1 ? "\t" : "") + std::to_string(i);
    dw_list.Reset();
    EXPECT_EQ(1, dw_list.ImportString(line));
    EXPECT_EQ("27", dw_list.GetItemString(1, "flag"));
}

TEST(DwTemplate, AMarkedRowShowsColumnBBoldAndTheSummaryCountsRows) {
    testing_support::RecordedBoxes boxes;
    u_dw dw_list(nullptr, dw_template(), {0, 0, 3570, 972});
    dw_list.widget()->resize(800, 300);
    dw_list.Reset();
    dw_list.ImportString("甲\t13800000001\n乙\tabc");
    EXPECT_TRUE(dw_list.of_setvalue(2, "flag", rt::Any("3")));
    QApplication::processEvents();
    rt::DataWindowModel* m = dw_list.model();
    EXPECT_FALSE(m->index(0, 1).data(Qt::FontRole).isValid());
    EXPECT_TRUE(m->index(1, 1).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(m->index(1, 0).data(Qt::FontRole).isValid()); // only column B
    QStringList summary;
    for (QLabel* l : dw_list.widget()->findChildren<QLabel*>()) summary << l->text();
    EXPECT_TRUE(summary.contains(rt::qstr("合计")));
    EXPECT_TRUE(summary.contains("2"));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST(DwMsgPreview, FlagTakesTheMarksAsNumbersAndIsNotShown) {
    testing_support::RecordedBoxes boxes;
    u_dw dw_preview(nullptr, dw_msg_preview());
    dw_preview.InsertRow(0);
    dw_preview.InsertRow(0);
    EXPECT_TRUE(dw_preview.of_setvalue(1, "flag", rt::Any("1")));
    EXPECT_TRUE(dw_preview.of_setvalue(2, "flag", rt::Any("2")));
    EXPECT_EQ(1.0, dw_preview.GetItemNumber(1, "flag"));
    EXPECT_EQ(2.0, dw_preview.GetItemNumber(2, "flag"));
    EXPECT_EQ("name_1", dw_preview.Describe("flag.dbName"));
    EXPECT_EQ("Mobile", dw_preview.Describe("mobile_t.Text"));
    EXPECT_EQ("短信内容", dw_preview.Describe("msg_t.Text"));
    EXPECT_EQ(2, dw_preview.model()->columnCount());
    EXPECT_TRUE(boxes.shown().empty());
}
