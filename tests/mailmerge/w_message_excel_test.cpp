// The mail-merge sheet: opening, the balance line, and loading worksheets
// by both roads from both formats.
#include "tests/mailmerge/mailmerge_fixture.h"

#include "runtime/sheet/numfmt.h"
#include "runtime/oleobject.h"
#include "tests/support/screenshot.h"

#include <QListWidget>
#include <QPlainTextEdit>

#include <fstream>
#include <iterator>

using fixtures::FSheet;
using fixtures::Kind;

TEST_F(MailMerge, OpensEmptyWithTheDefaultsAndTheMissingCredential) {
    w_message_excel& sheet = open_sheet();
    EXPECT_EQ("Excel短信", sheet.title());
    EXPECT_TRUE(sheet.is_sheet());
    EXPECT_EQ(0, sheet.dw_list.RowCount()); // the object's sample rows are gone
    EXPECT_EQ("尊敬的员工,您本月工资单如下:基本工资:[C],绩效工资:[D],加班费:[E],扣款:[F],工作餐:[G],个税:[H],"
              "保险:[I],实发:[J%]",
              sheet.mle_fmt.text());
    EXPECT_EQ("企业ID未设置!", sheet.st_tips.text());
    EXPECT_EQ(0u, gateway.request_count());
    EXPECT_FALSE(sheet.dw_preview.visible());
    EXPECT_FALSE(sheet.pb_send.visible());
    EXPECT_FALSE(sheet.sle_sheetname.enabled());
    EXPECT_FALSE(sheet.cbx_firtrow.checked());
    EXPECT_EQ("", sheet.ddlb_colomn.text());
    EXPECT_EQ(26, sheet.ddlb_colomn.TotalItems());
    EXPECT_EQ(26, sheet.lb_list.TotalItems());
    EXPECT_EQ("Z", sheet.lb_list.Text(26));
    EXPECT_TRUE(box_texts().empty());
}

TEST_F(MailMerge, RestoresSavedSettings) {
    gnv_app->signature = "乙方;甲方;丙方";
    dir.write("velotra.ini", "[local_var]\r\nFirstRow= 1 \r\n[cfg]\r\nsignature_current=甲方\r\n"
                             "[mobile]\r\npos=C\r\nfmt=第一行\\n第二行[B] C:\\\\temp\r\n");
    w_message_excel& sheet = open_sheet();
    EXPECT_TRUE(sheet.cbx_firtrow.checked());
    EXPECT_EQ("甲方", sheet.sle_signature.text());
    EXPECT_EQ("C", sheet.ddlb_colomn.text());
    EXPECT_EQ("第一行\r\n第二行[B] C:\\temp", sheet.mle_fmt.text());
}

TEST_F(MailMerge, TemplateWithLineBreaksIsStoredOnOneLineAndComesBack) {
    const std::string written = "尊敬的[A]:\r\n本月实发[J]\\元\r\n\r\n谢谢";
    EXPECT_EQ(written, w_message_excel::decode_template(w_message_excel::encode_template(written)));
    EXPECT_EQ(std::string::npos, w_message_excel::encode_template(written).find('\n'));
    // A double-byte character whose second byte is a backslash stays whole.
    const std::string trail5c = "\x81\x5C[A]";
    EXPECT_EQ(trail5c, w_message_excel::encode_template(trail5c));

    w_message_excel& sheet = open_sheet();
    sheet.mle_fmt.set_text(written);
    sheet.ddlb_colomn.set_text("B");
    sheet.wf_set_parm();
    const std::string file = dir.read("velotra.ini");
    EXPECT_NE(std::string::npos, file.find("fmt="));
    EXPECT_EQ(std::string::npos, file.find("\n谢谢")); // no stray line in the file
    rt::Close(sheet);
    w_message_excel& again = rt::make_window<w_message_excel>();
    rt::OpenSheet(again, *frame);
    rt::Yield();
    EXPECT_EQ(written, again.mle_fmt.text());
    EXPECT_EQ("B", again.ddlb_colomn.text());
}

TEST_F(MailMerge, BalanceLine) {
    set_credentials();
    struct Case {
        const char* name;
        rt::blob answer;
        std::string line;
        std::vector<std::string> boxes;
    };
    const std::vector<Case> cases = {
        {"sucess in capitals", FakeGateway::balance_answer("SUCESS", "ok", "", "120", "8"), "当前帐户可用余额数[120]", {}},
        {"correctly spelled success", FakeGateway::balance_answer("success", "余额不足", "", "5", "1"), "余额不足", {}},
        {"not xml", rt::blob(std::string("<xml><a>")), "帐户余额", {"无效返回数据,错误代码[1]"}},
    };
    for (const auto& c : cases) {
        gateway.script("overage", c.answer);
        w_message_excel& sheet = open_sheet();
        EXPECT_EQ(c.line, sheet.st_tips.text()) << c.name;
        std::vector<std::string> shown = box_texts();
        if (!c.boxes.empty()) {
            ASSERT_EQ(1u, shown.size()) << c.name;
            EXPECT_EQ(0u, shown[0].find("无效返回数据,错误代码[")) << c.name;
        } else {
            EXPECT_TRUE(shown.empty()) << c.name;
        }
        EXPECT_EQ("overage", gateway.last_request().field("action").value_or("")) << c.name;
        rt::Close(*frame);
        delete frame;
        frame = nullptr;
    }
}

TEST_F(MailMerge, ClickHighlightsOneRow) {
    w_message_excel& sheet = open_sheet();
    sheet.dw_list.ImportString("a\nb\nc");
    sheet.dw_list_clicked(0, 0, 2, {});
    sheet.dw_list_clicked(0, 0, 3, {});
    EXPECT_FALSE(sheet.dw_list.IsSelected(2));
    EXPECT_TRUE(sheet.dw_list.IsSelected(3));
    sheet.dw_list_clicked(0, 0, 0, {});
    EXPECT_TRUE(sheet.dw_list.IsSelected(3));
    EXPECT_EQ(3, sheet.il_lastclickedrow);
}

// ---- loading ------------------------------------------------------------------

namespace {

const std::vector<std::string> salary_headings = {"姓名|手机|基本工资|扣款|入职日期|实发"};

// The salary sheet's two data rows, alike from .xls and .xlsx: the net pay
// is a formula's last result. The automation road copies what the sheet
// shows (the date with a time in its format "yyyy/m/d h:mm"), the OLE DB
// road the values.
std::vector<std::string> salary_rows(bool shown = false) {
    const std::string when = shown ? "2023/12/31 10:30" : "2023-12-31 10:30:00";
    return {"张三|13800138000|5000.5|~|2024-03-09|5000.5", "李四|13900139000|4200|100|" + when + "|4100"};
}

} // namespace

TEST_F(MailMerge, BothRoadsOnBothFormats) {
    fixtures::write_xlsx(native("pay.xlsx"), {fixtures::wide_sheet(), fixtures::salary_sheet()}, 1);
    fixtures::write_xls(native("pay.xls"), {fixtures::salary_sheet(), fixtures::wide_sheet()});
    for (const char* name : {"pay.xlsx", "pay.xls"}) {
        SCOPED_TRACE(name);
        w_message_excel& sheet = open_sheet();
        sheet.cbx_firtrow.set_checked(false); // the first pass left FirstRow "1" behind

        // Automation road from row 2: the used range begins on row 3, so row 2
        // is an empty line, then the headings and both data rows.
        load(sheet, name);
        std::vector<std::string> expected = {""};
        expected.insert(expected.end(), salary_headings.begin(), salary_headings.end());
        for (const auto& r : salary_rows(true)) expected.push_back(r);
        EXPECT_EQ(expected, grid(sheet.dw_list));
        EXPECT_EQ(program_path(name), sheet.sle_fl.text());
        EXPECT_EQ(dir.program(), ini("local_var", "FilePos"));
        EXPECT_EQ("0", ini("local_var", "FirstRow"));

        // From the first row: one more empty line.
        sheet.cbx_firtrow.set_checked(true);
        load(sheet, name);
        EXPECT_EQ(expected.size() + 1, grid(sheet.dw_list).size());
        EXPECT_EQ("1", ini("local_var", "FirstRow"));

        // OLE DB road: the first used row names the columns.
        sheet.cbx_unoffice.set_checked(true);
        sheet.cbx_unoffice_clicked();
        sheet.sle_sheetname.set_text(" 工资表 ");
        load(sheet, name);
        EXPECT_EQ(salary_rows(), grid(sheet.dw_list));
        EXPECT_EQ("[A]姓名", sheet.dw_list.Describe("a_t.Text"));
        EXPECT_EQ("[E]入职日期", sheet.dw_list.Describe("e_t.Text"));
        EXPECT_EQ("G", sheet.dw_list.Describe("g_t.Text"));
        EXPECT_TRUE(box_texts().empty());

        // The sheet name is matched without regard to case; 27 of 30 columns load, after one notice.
        sheet.sle_sheetname.set_text("WIDE");
        load(sheet, name);
        ASSERT_EQ(1, sheet.dw_list.RowCount());
        EXPECT_EQ("1", sheet.dw_list.GetItemString(1, "a").value_or(""));
        EXPECT_EQ("27", sheet.dw_list.GetItemString(1, "flag").value_or(""));
        EXPECT_EQ((std::vector<std::string>{"该Sheet页有30列,只导入每行的前27列!"}), box_texts());

        rt::Close(*frame);
        delete frame;
        frame = nullptr;
    }
}

// The workbook a clerk brings: a note on a hidden first sheet, the salary
// sheet active, amounts in #,##0.00, the net pay a formula, a rate in 0%, a
// pay date in a Chinese date format. The automation road takes the active
// sheet and what its cells show; the shown texts are compared with the
// number formats' own, whatever those make of them.
TEST_F(MailMerge, AutomationRoadTakesTheActiveSheetAsItShowsFromAnXls) {
    const std::string money = "#,##0.00", rate = "0%", day = "yyyy\"年\"m\"月\"d\"日\"";
    FSheet note{"说明", {{0, 0, Kind::text, "本表由人事部填写"}}, true};
    FSheet pay{"工资", {{0, 0, Kind::text, "姓名"}, {0, 1, Kind::text, "基本工资"}, {0, 2, Kind::text, "实发"},
                        {0, 3, Kind::text, "比例"}, {0, 4, Kind::text, "发放日"},
                        {1, 0, Kind::text, "张三"}, {1, 1, Kind::number, "", 5000.5, money},
                        {1, 2, Kind::formula, "", 4900.5, money}, {1, 3, Kind::number, "", 0.25, rate},
                        {1, 4, Kind::number, "", 45360, day}}};
    fixtures::biff::Options o;
    o.active = 1;
    fixtures::write_xls(native("pay.xls"), {note, pay}, o);
    w_message_excel& sheet = open_sheet();
    sheet.cbx_firtrow.set_checked(true);
    load(sheet, "pay.xls");
    const auto shown = [](double v, const std::string& code) { return rt::sheet::format_number(v, code, false); };
    EXPECT_EQ((std::vector<std::string>{"姓名|基本工资|实发|比例|发放日",
                                        "张三|" + shown(5000.5, money) + "|" + shown(4900.5, money) + "|" +
                                            shown(0.25, rate) + "|" + shown(45360, day)}),
              grid(sheet.dw_list, 5));
    EXPECT_TRUE(box_texts().empty());
}

TEST_F(MailMerge, AutomationRoadFillsFlagFromTheTwentySeventhCell) {
    fixtures::write_xlsx(native("wide.xlsx"), {fixtures::wide_sheet()});
    w_message_excel& sheet = open_sheet();
    sheet.cbx_firtrow.set_checked(true);
    load(sheet, "wide.xlsx");
    ASSERT_EQ(2, sheet.dw_list.RowCount());
    EXPECT_EQ("H27", sheet.dw_list.GetItemString(1, "flag").value_or(""));
    EXPECT_EQ("27", sheet.dw_list.GetItemString(2, "flag").value_or(""));
    EXPECT_TRUE(box_texts().empty());
}

TEST_F(MailMerge, RowRangeRunsToTheLastUsedRow) {
    // One row: without the first-row box nothing is imported.
    fixtures::write_xlsx(native("one.xlsx"), {FSheet{"S", {{0, 0, Kind::text, "only"}}}});
    // Past the 16-bit row count: every row arrives.
    const std::string big_rows = [] {
        std::string data;
        for (int r = 1; r <= 40000; ++r)
            data += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" +
                    std::to_string(r) + "</v></c></row>";
        return data;
    }();
    fixtures::write_generated_xlsx(native("big.xlsx"), big_rows);
    w_message_excel& sheet = open_sheet();
    load(sheet, "one.xlsx");
    EXPECT_EQ(0, sheet.dw_list.RowCount());
    sheet.cbx_firtrow.set_checked(true);
    load(sheet, "one.xlsx");
    EXPECT_EQ((std::vector<std::string>{"only"}), grid(sheet.dw_list));
    sheet.cbx_firtrow.set_checked(false);
    load(sheet, "big.xlsx");
    ASSERT_EQ(39999, sheet.dw_list.RowCount());
    EXPECT_EQ("40000", sheet.dw_list.GetItemString(39999, "a").value_or(""));
    EXPECT_TRUE(box_texts().empty());
}

TEST_F(MailMerge, ServerThatCannotStartLeadsToTheOleDbRoad) {
    fixtures::write_xls(native("pay.xls"), {fixtures::salary_sheet()});
    rt::set_ole_server_available("excel.application", false);
    w_message_excel& sheet = open_sheet();
    load(sheet, "pay.xls");
    EXPECT_TRUE(sheet.cbx_unoffice.checked());
    EXPECT_TRUE(sheet.sle_sheetname.enabled());
    EXPECT_EQ((std::vector<std::string>{"请输入要导入的Sheet页名称!"}), box_texts());
    EXPECT_EQ("<none>", ini("local_var", "FilePos"));
    EXPECT_EQ("0", ini("local_var", "FirstRow"));

    sheet.sle_sheetname.set_text("工资表");
    load(sheet, "pay.xls");
    EXPECT_EQ(salary_rows(), grid(sheet.dw_list));
    EXPECT_EQ(dir.program(), ini("local_var", "FilePos"));
}

TEST_F(MailMerge, LoadFailures) {
    dir.write("list.xlsx", "13800138000\r\n");
    fixtures::write_xlsx(native("pay.xlsx"), {fixtures::salary_sheet()});
    w_message_excel& sheet = open_sheet();
    sheet.dw_list.ImportString("old row");

    // Cancelling the dialog changes nothing.
    dialog->answers.push_back(rt::null);
    sheet.pb_excel.TriggerEvent(rt::Event::clicked);
    EXPECT_EQ(1, sheet.dw_list.RowCount());
    EXPECT_EQ("", sheet.sle_fl.text());
    EXPECT_EQ("<none>", ini("local_var", "FirstRow"));
    EXPECT_EQ(dir.program(), dialog->last_initdir);
    EXPECT_EQ("文件选择", dialog->last_title);

    // Automation road, a file that is no workbook: the call's failure, no folder remembered.
    load(sheet, "list.xlsx");
    EXPECT_EQ(0, sheet.dw_list.RowCount());
    std::vector<std::string> shown = box_texts();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(0u, shown[0].find("读取文件 " + program_path("list.xlsx") + "\n"));
    EXPECT_EQ("<none>", ini("local_var", "FilePos"));

    // OLE DB road: a file that cannot be opened, then a sheet that is not there.
    sheet.cbx_unoffice.set_checked(true);
    sheet.sle_sheetname.set_text("Sheet1");
    load(sheet, "list.xlsx");
    shown = box_texts();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(0u, shown[0].find("读取文件 " + program_path("list.xlsx") + "\n"));
    EXPECT_GT(shown[0].size(), ("读取文件 " + program_path("list.xlsx") + "\n").size());
    EXPECT_EQ(dir.program(), ini("local_var", "FilePos"));
    load(sheet, "pay.xlsx");
    EXPECT_EQ((std::vector<std::string>{"读取文件失败，请检查sheet名或程序运行环境!"}), box_texts());
    EXPECT_EQ(0, sheet.dw_list.RowCount());
}

TEST_F(MailMerge, ScreenshotOfALoadedSheet) {
    fixtures::write_xlsx(native("pay.xlsx"), {fixtures::salary_sheet()});
    gnv_app->signature = "澄渊达";
    w_message_excel& sheet = open_sheet();
    sheet.cbx_unoffice.set_checked(true);
    sheet.cbx_unoffice_clicked();
    sheet.sle_sheetname.set_text("工资表");
    load(sheet, "pay.xlsx");
    sheet.ddlb_colomn.set_text("B");
    sheet.sle_signature.SelectItem(1);
    rt::Yield();
    EXPECT_TRUE(rt::save_png(sheet, rt::screenshot_path("w_message_excel_loaded")));
}

// A damaged .xlsx is a load error on both roads: the grid stays empty and
// FilePos is written only where the road ran to its end. The automation
// road shows the failed call with the reader's reason; the OLE DB road shows
// it for a file it cannot connect to, and its query message for a sheet it
// cannot read.
TEST_F(MailMerge, DamagedWorkbookLoadsNothing) {
    const std::string data = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>13800138000</v></c></row>"
                             "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\"><v>13800138000</v></c></row>";
    const std::string shared = "<si><t>" + fixtures::utf8("张三") + "</t></si>";
    // Stored, then a digit changed: only the checksum notices.
    fixtures::write_generated_xlsx(native("changed.xlsx"), data, shared, nullptr, true);
    {
        std::ifstream in(native("changed.xlsx"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        bytes.replace(bytes.find("13800138000"), 11, "13800138999");
        std::ofstream(native("changed.xlsx"), std::ios::binary) << bytes;
    }
    fixtures::write_generated_xlsx(native("no_strings.xlsx"), data, shared,
                                   [](std::map<std::string, std::string>& p) { p.erase("xl/sharedStrings.xml"); });
    const std::string damaged = "文件已损坏";
    struct Case {
        const char* name;
        bool oledb;
        const char* box; // "" for the road's box with the reason
        bool file_pos_written;
    };
    const Case cases[] = {
        {"changed.xlsx", false, "", false},
        {"no_strings.xlsx", false, "", false},
        {"changed.xlsx", true, "读取文件失败，请检查sheet名或程序运行环境!", true},
        {"no_strings.xlsx", true, "", true},
    };
    w_message_excel& sheet = open_sheet();
    sheet.sle_sheetname.set_text("Data");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.oledb ? " OLE DB" : " automation"));
        rt::SetProfileString(gnv_app->of_getappinifile(), "local_var", "FilePos", "");
        rt::SetProfileString(gnv_app->of_getappinifile(), "local_var", "FirstRow", "");
        sheet.dw_list.ImportString("old row");
        sheet.cbx_unoffice.set_checked(c.oledb);
        sheet.cbx_firtrow.set_checked(true);
        load(sheet, c.name);
        EXPECT_EQ(0, sheet.dw_list.RowCount());
        const std::string box = *c.box ? std::string(c.box) : "读取文件 " + program_path(c.name) + "\n" + damaged;
        EXPECT_EQ(std::vector<std::string>{box}, box_texts());
        EXPECT_EQ(c.file_pos_written ? dir.program() : std::string(), ini("local_var", "FilePos"));
        EXPECT_EQ("1", ini("local_var", "FirstRow"));
    }
}
