// A worksheet whose used range reaches the last column a workbook can have
// (XFD, 16384 columns) because of one stray cell, loaded by the OLE DB road:
// the grid takes the first 27 cells of each row after one notice.
#include "tests/mailmerge/mailmerge_fixture.h"

using fixtures::FSheet;
using fixtures::Kind;

TEST_F(MailMerge, OleDbRoadLoadsASheetReachingTheLastColumn) {
    FSheet s{"名单", {{0, 0, Kind::text, "姓名"}, {0, 1, Kind::text, "手机"}}};
    for (int r = 1; r <= 4; ++r) {
        s.cells.push_back({r, 0, Kind::text, "员工" + std::to_string(r)});
        s.cells.push_back({r, 1, Kind::number, "", 13800000000.0 + r});
    }
    s.cells.push_back({2, 16383, Kind::text, "stray"}); // XFD3
    fixtures::write_xlsx(native("wide.xlsx"), {s});

    w_message_excel& sheet = open_sheet();
    sheet.cbx_unoffice.set_checked(true);
    sheet.cbx_unoffice_clicked();
    sheet.sle_sheetname.set_text("名单");
    load(sheet, "wide.xlsx");
    EXPECT_EQ((std::vector<std::string>{"员工1|13800000001", "员工2|13800000002", "员工3|13800000003",
                                        "员工4|13800000004"}),
              grid(sheet.dw_list));
    EXPECT_EQ("[A]姓名", sheet.dw_list.Describe("a_t.Text"));
    EXPECT_EQ("[B]手机", sheet.dw_list.Describe("b_t.Text"));
    EXPECT_EQ("[FLAG]", sheet.dw_list.Describe("flag_t.Text").substr(0, 6));
    EXPECT_EQ((std::vector<std::string>{"该Sheet页有16384列,只导入每行的前27列!"}), box_texts());
}
