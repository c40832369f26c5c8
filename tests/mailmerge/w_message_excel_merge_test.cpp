// The merge of the template with the grid's rows, the hand-off to the
// preview window, the placeholder list, and the whole flow against the fake
// gateway.
#include "tests/mailmerge/mailmerge_fixture.h"

#include "tests/support/screenshot.h"
#include "sending/w_message_preview.h"

#include <QListWidget>

namespace {

// Name, mobile, then the eight amounts of the default template (C to J);
// Wang's number has blanks in it, Zhao's is empty, Li's deduction is empty.
const char* const four_rows =
    "张三\t13800138000\t5000\t1200\t300\t50\t150\t45\t320\t6335\n"
    "李四\t13900139000\t4200\t1000\t0\t\t150\t60\t330\t4760\n"
    "王五\t138 0013 8001\t2800\t900\t200\t100\t150\t30\t300\t3420\n"
    "赵六\t\t3000\t0\t0\t0\t0\t0\t0\t3000\n";

std::vector<std::pair<std::string, std::string>> prepared(rt::DataStore& dw) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (std::int32_t r = 1; r <= dw.RowCount(); ++r)
        rows.emplace_back(dw.GetItemString(r, "mobile").value_or("~"), dw.GetItemString(r, "msg").value_or("~"));
    return rows;
}

} // namespace

struct Merge : MailMerge {
    w_message_excel* sheet = nullptr;
    void SetUp() override {
        MailMerge::SetUp();
        gnv_app->signature = "澄渊达;岚舟汇";
        sheet = &open_sheet();
        sheet->ddlb_colomn.set_text("B");
        sheet->sle_signature.SelectItem(1); // sorted by GBK bytes: 澄渊达 before 岚舟汇
    }
};

TEST_F(Merge, DefaultTemplateOverFourRows) {
    ASSERT_EQ("澄渊达", sheet->sle_signature.text());
    sheet->dw_list.ImportString(four_rows);
    gnv_app->auto_signature = true;
    ASSERT_TRUE(sheet->wf_format_xls());
    const std::string head = "【澄渊达】尊敬的员工,您本月工资单如下:";
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"13800138000", head + "基本工资:5000,绩效工资:1200,加班费:300,扣款:50,工作餐:150,个税:45,保险:320,实发:[J%]"},
                  // The empty deduction cell empties its placeholder; the row is still prepared.
                  {"13900139000", head + "基本工资:4200,绩效工资:1000,加班费:0,扣款:,工作餐:150,个税:60,保险:330,实发:[J%]"}}),
              prepared(sheet->dw_preview));
    EXPECT_EQ("澄渊达", gnv_app->signature_prev);
    // Wang's number is refused and marked; Zhao's empty cell is neither sent nor marked.
    EXPECT_EQ((std::vector<rt::nstring>{rt::null, rt::null, "3", rt::null}), sheet->dw_list.column_strings("flag"));
    EXPECT_TRUE(box_texts().empty());

    // Without automatic signatures: the merged text alone, signature_prev untouched.
    gnv_app->auto_signature = false;
    gnv_app->signature_prev = "before";
    ASSERT_TRUE(sheet->wf_format_xls());
    EXPECT_EQ(0u, prepared(sheet->dw_preview)[0].second.find("尊敬的员工"));
    EXPECT_EQ("before", gnv_app->signature_prev);
}

TEST_F(Merge, PlaceholderRules) {
    gnv_app->auto_signature = false;
    sheet->dw_list.ImportString("[B]\t13800138000\tcc\n[B]\t13800138000\tdd\n");
    struct Case { const char* templ; const char* first_msg; };
    const Case cases[] = {
        {"[C]-[C]", "cc-cc"},
        {"[c]+[C]", "cc+cc"},       // found by [C], replaced without regard to case
        {"[c] only", "[c] only"},   // the search that starts a replacement respects case
        {"[A]/[B]", "13800138000/13800138000"}, // A's text [B] is replaced when B comes
        {"flag[]", "flag"},
        {"  line one\r\nline two  ", "line one\r\nline two"},
        {"无占位符", "无占位符"},
    };
    for (const auto& c : cases) {
        sheet->mle_fmt.set_text(c.templ);
        ASSERT_TRUE(sheet->wf_format_xls()) << c.templ;
        const auto rows = prepared(sheet->dw_preview);
        ASSERT_EQ(2u, rows.size()) << c.templ; // the same number twice gives two rows
        EXPECT_EQ(c.first_msg, rows[0].second) << c.templ;
    }
    EXPECT_TRUE(box_texts().empty());
}

TEST_F(Merge, ChecksBeforeMerging) {
    gnv_app->auto_signature = true;
    EXPECT_FALSE(sheet->wf_format_xls()); // no rows: no message
    EXPECT_TRUE(box_texts().empty());
    sheet->dw_list.ImportString(four_rows);

    sheet->ddlb_colomn.set_text("");
    EXPECT_FALSE(sheet->wf_format_xls());
    EXPECT_EQ((std::vector<std::string>{"请选择手机号所在的列!"}), box_texts());
    sheet->ddlb_colomn.set_text("B");

    sheet->mle_fmt.set_text("   ");
    EXPECT_FALSE(sheet->wf_format_xls());
    EXPECT_EQ((std::vector<std::string>{"短信格式内容不能为空!"}), box_texts());
    sheet->mle_fmt.set_text("[A]");

    sheet->sle_signature.SelectItem(0);
    gnv_app->signature_prev = "kept";
    EXPECT_FALSE(sheet->wf_format_xls());
    EXPECT_EQ((std::vector<std::string>{"请选择一个签名!"}), box_texts());
    EXPECT_EQ("kept", gnv_app->signature_prev);
}

TEST_F(Merge, PreviewButtonHandsThePreparedRowsOverAndSavesAfterItClosed) {
    gnv_app->auto_signature = false;

    // An empty grid: nothing at all.
    sheet->pb_preview.TriggerEvent(rt::Event::clicked);
    EXPECT_TRUE(box_texts().empty());

    // Rows without a usable number.
    sheet->dw_list.ImportString("甲\tabc\n乙\t\n");
    sheet->pb_preview.TriggerEvent(rt::Event::clicked);
    EXPECT_EQ((std::vector<std::string>{"未发现要发送的短信,请查检!!"}), box_texts());
    EXPECT_EQ(rt::Icon::StopSign, boxes.shown().empty() ? rt::Icon::StopSign : boxes.shown()[0].icon);
    EXPECT_EQ("<none>", ini("mobile", "pos"));

    sheet->dw_list.Reset();
    sheet->dw_list.ImportString(four_rows);
    sheet->mle_fmt.set_text("[A]:[J]");
    std::vector<std::pair<std::string, std::string>> shown;
    bool preview_opened = false;
    rt::OnWindowOpened hook([&](rt::Window& w) {
        auto* preview = dynamic_cast<w_message_preview*>(&w);
        if (!preview) return;
        preview_opened = true;
        shown = prepared(preview->dw_list);
        EXPECT_TRUE(rt::save_png(*preview, rt::screenshot_path("w_message_preview_from_excel")));
        rt::Close(*preview); // closed without sending
    });
    sheet->pb_preview.TriggerEvent(rt::Event::clicked);
    EXPECT_TRUE(preview_opened);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"13800138000", "张三:6335"},
                                                                 {"13900139000", "李四:4760"}}),
              shown);
    EXPECT_EQ("B", ini("mobile", "pos"));
    EXPECT_EQ("[A]:[J]", ini("mobile", "fmt"));
    EXPECT_EQ("澄渊达", ini("cfg", "signature_current"));
}

TEST_F(Merge, DoubleClickInsertsThePlaceholderAtTheCaretCountedInCharacters) {
    struct Case { const char* text; long caret_byte; int item; const char* result; };
    const Case cases[] = {
        {"ABC", 3, 4, "AB[D]C"},
        {"甲乙C", 5, 4, "甲乙[D]C"},
        {"", 1, 26, "[Z]"},
        {"尾", 3, 1, "尾[A]"},
    };
    for (const auto& c : cases) {
        sheet->mle_fmt.set_text(c.text);
        sheet->mle_fmt.SelectText(c.caret_byte, 0);
        QListWidget* list = sheet->lb_list.list();
        emit list->itemDoubleClicked(list->item(c.item - 1));
        EXPECT_EQ(c.result, sheet->mle_fmt.text()) << c.text;
        EXPECT_EQ(c.caret_byte, sheet->mle_fmt.Position()) << c.text; // the caret stays
    }
}

TEST_F(MailMerge, WholeFlowLoadPreviewSendMarks) {
    set_credentials();
    gateway.script("overage", FakeGateway::balance_answer("sucess", "ok", "", "100", "0"));
    gateway.script("send", FakeGateway::send_answer("success", "ok", "98", "T1", "1"));
    fixtures::write_xlsx(native("pay.xlsx"), {fixtures::salary_sheet()});
    w_message_excel& sheet = open_sheet();
    ASSERT_EQ("当前帐户可用余额数[100]", sheet.st_tips.text());
    load(sheet, "pay.xlsx");
    sheet.ddlb_colomn.set_text("B");
    sheet.mle_fmt.set_text("[A]您好,实发[F]元");
    gnv_app->auto_signature = true;
    sheet.sle_signature.SelectItem(1);
    gateway.clear_requests();

    rt::OnWindowOpened hook([&](rt::Window& w) {
        if (auto* preview = dynamic_cast<w_message_preview*>(&w)) preview->pb_send.TriggerEvent(rt::Event::clicked);
    });
    sheet.pb_preview.TriggerEvent(rt::Event::clicked);

    const auto sent = gateway.requests();
    ASSERT_EQ(2u, sent.size());
    EXPECT_EQ("13800138000", sent[0].field("mobile").value_or(""));
    EXPECT_EQ("13900139000", sent[1].field("mobile").value_or(""));
    EXPECT_EQ("【澄渊达】李四您好,实发4100元", sent[1].field("content").value_or(""));
    // The marks of the send are in the sheet's own prepared list.
    ASSERT_EQ(2, sheet.dw_preview.RowCount());
    EXPECT_EQ(1.0, sheet.dw_preview.GetItemNumber(1, "flag").value_or(0));
    EXPECT_EQ(1.0, sheet.dw_preview.GetItemNumber(2, "flag").value_or(0));
    // The heading row's "手机" was refused and marked.
    EXPECT_EQ("3", sheet.dw_list.GetItemString(2, "flag").value_or(""));
    EXPECT_EQ("B", ini("mobile", "pos"));
}

// ---- what the clerk sees is what is sent ------------------------------------

namespace {

// The salary workbook in each form the sheet is tried on: written by our
// fixture writers as .xlsx and .xls, and the .xlsx saved by an office program.
struct SalaryFile {
    const char* name;
    void (*write)(const std::filesystem::path& file);
};
const SalaryFile salary_files[] = {
    {"salary.xlsx", fixtures::write_salary_xlsx},
    {"salary.xls", fixtures::write_salary_xls},
    {"salary_office.xlsx",
     [](const std::filesystem::path& file) {
         std::filesystem::copy_file(std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) /
                                        "tests/runtime/sheet/data/salary_office.xlsx",
                                    file);
     }},
};

} // namespace

// Loaded through the automation road, merged with a template that uses the
// net pay formula, an amount, the percentage and the date, previewed and
// sent: the gateway gets the texts the sheet shows.
TEST_F(MailMerge, MessagesCarryTheTextTheSheetShows) {
    set_credentials();
    gateway.script("overage", FakeGateway::balance_answer("sucess", "ok", "", "100", "0"));
    gateway.script("send", FakeGateway::send_answer("success", "ok", "98", "T1", "1"));
    w_message_excel& sheet = open_sheet();
    for (const SalaryFile& f : salary_files) {
        SCOPED_TRACE(f.name);
        f.write(native(f.name));
        sheet.cbx_firtrow.set_checked(false);
        load(sheet, f.name);
        ASSERT_EQ(2, sheet.dw_list.RowCount());
        EXPECT_EQ("6,150.50", sheet.dw_list.GetItemString(1, 6).value_or("~"));
        sheet.ddlb_colomn.set_text("B");
        sheet.mle_fmt.set_text("[A]实发[F]元(基本[C],绩效[D]),绩效比例[G],发放日期[H]");
        gnv_app->auto_signature = false;
        gateway.clear_requests();

        std::vector<std::string> previewed;
        rt::OnWindowOpened hook([&](rt::Window& w) {
            auto* preview = dynamic_cast<w_message_preview*>(&w);
            if (!preview) return;
            for (const auto& row : prepared(preview->dw_list)) previewed.push_back(row.second);
            preview->pb_send.TriggerEvent(rt::Event::clicked);
        });
        sheet.pb_preview.TriggerEvent(rt::Event::clicked);

        const std::vector<std::string> expected = {
            "张三实发6,150.50元(基本5,000.50,绩效1,200.00),绩效比例15%,发放日期2026年12月5日",
            "李四实发12,145.68元(基本12,345.68,绩效-200.00),绩效比例20%,发放日期2026年12月6日"};
        EXPECT_EQ(expected, previewed);
        const auto sent = gateway.requests();
        ASSERT_EQ(2u, sent.size());
        EXPECT_EQ("13800138000", sent[0].field("mobile").value_or(""));
        // On the wire the client escapes the percent sign.
        for (std::size_t i = 0; i < 2; ++i) {
            std::string wire = expected[i];
            wire.replace(wire.find('%'), 1, "%25");
            EXPECT_EQ(wire, sent[i].field("content").value_or(""));
        }
    }
}
