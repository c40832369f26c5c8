// The preview-and-send window against the fake gateway: one request per
// non-blank row with the row's own text, the marks landing in the opener's
// list, the progress bar and the status bar, the closing decision, the
// balance check, and the buttons and close box refused while rows are sent.
#include "sending/w_message_preview.h"

#include "mailmerge/dw_msg_preview.h"
#include "runtime/inet.h"
#include "tests/support/screenshot.h"
#include "runtime/xml.h"
#include "tests/account/account_fixture.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include <map>
#include <memory>

namespace {

const std::string sig = "【澄渊达】";

rt::blob success(const std::string& remain, const std::string& counts = "1") {
    return FakeGateway::send_answer("success", "ok", remain, "T1", counts);
}
rt::blob refused(const std::string& remain) { return FakeGateway::send_answer("Faild", "黑名单", remain, "T2", "0"); }

struct Row {
    rt::nstring mobile, msg;
};

// Answers each request in turn and watches the loop: it runs at every
// Yield of the send loop (after each sent row), scripts the answer of the
// next request and calls `each` with the number of requests so far.
class RowPump {
public:
    RowPump(FakeGateway& g, std::vector<rt::blob> answers, std::function<void(std::size_t)> each = {})
        : g_(g), answers_(std::move(answers)), each_(std::move(each)) {
        script();
        post();
    }

private:
    void script() {
        const std::size_t n = g_.request_count();
        if (!answers_.empty()) g_.script("send", answers_[std::min(n, answers_.size() - 1)]);
    }
    void post() {
        rt::PostEvent(nullptr, [this, alive = std::weak_ptr<int>(alive_)] {
            if (alive.expired()) return;
            script();
            if (each_) each_(g_.request_count());
            post();
        });
    }
    FakeGateway& g_;
    std::vector<rt::blob> answers_;
    std::function<void(std::size_t)> each_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

struct Preview : AccountWindow {
    // The opener's prepared list: a hidden DataWindow control, as the
    // mail-merge window holds it.
    u_dw opener{nullptr, dw_msg_preview()};

    void SetUp() override {
        AccountWindow::SetUp();
        gnv_app->userid = "1001";
        gnv_app->account = "acc";
        gnv_app->password = "pw";
        gnv_app->auto_signature = true;
        gnv_app->signature_prev = "澄渊达";
        gnv_app->overage = "100000";
    }

    void fill(const std::vector<Row>& rows) {
        opener.Reset();
        for (const Row& r : rows) {
            const std::int32_t i = opener.InsertRow(0);
            opener.SetItem(i, "mobile", rt::Any(r.mobile));
            opener.SetItem(i, "msg", rt::Any(r.msg));
        }
    }
    void fill(int count) {
        std::vector<Row> rows;
        for (int i = 1; i <= count; ++i) rows.push_back({"1380000" + std::to_string(10000 + i), sig + "第" + std::to_string(i) + "条"});
        fill(rows);
    }

    // Opens the window on the opener's list, runs `body` inside its modal
    // loop and closes it afterwards unless it closed itself.
    void drive(const std::function<void(w_message_preview&)>& body) {
        w_message_preview w;
        bool ran = false;
        rt::OnWindowOpened hook([&](rt::Window& opened) {
            if (&opened != &w || ran) return;
            ran = true;
            body(w);
            if (w.is_open()) rt::Close(w);
        });
        rt::OpenWithParm(w, &opener);
        EXPECT_TRUE(ran) << "the window did not open";
    }

    std::vector<rt::nstring> flags() const {
        std::vector<rt::nstring> f;
        for (std::int32_t i = 1; i <= opener.RowCount(); ++i) f.push_back(rt::String(opener.GetItem(i, 3)));
        return f;
    }
    std::vector<std::string> sent_mobiles() const {
        std::vector<std::string> m;
        for (const auto& r : gateway.requests()) m.push_back(r.field("mobile").value_or("<none>"));
        return m;
    }
    static std::string part(w_message_preview& w, int i) {
        std::string t;
        w.uo_statebar.of_gettext(i, t);
        return t;
    }
    static void press_send(w_message_preview& w) { w.pb_send.TriggerEvent(rt::Event::clicked); }
};

const rt::nstring none;

} // namespace

TEST_F(Preview, SendsEachRowOnceAndMarksTheOpenersList) {
    fill({{"13800000001", sig + "张三，您好"},
          {"  ", sig + "空号码"},                  // blank number: skipped
          {"13800000003", "   "},                  // blank text: skipped
          {"13800000004", none},                   // a message without value: skipped
          {" 13800000005 ", sig + " 李四 "},       // sent as it stands, untrimmed
          {"13800000006", sig + "王五"}});
    RowPump pump(gateway, {success("99"), success("98"), success("97", "3")});
    bool closed_itself = false;
    drive([&](w_message_preview& w) {
        EXPECT_EQ(w.title(), "预览");
        EXPECT_EQ(w.dw_list.RowCount(), 6);
        press_send(w);
        closed_itself = !w.is_open();
    });
    EXPECT_TRUE(closed_itself);

    const auto requests = gateway.requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::string head = "action=send&userid=1001&account=acc&password=pw";
    EXPECT_EQ(requests[0].body, head + "&mobile=13800000001&content=" + sig + "张三，您好");
    EXPECT_EQ(requests[1].body, head + "&mobile= 13800000005 &content=" + sig + " 李四 ");
    EXPECT_EQ(requests[2].body, head + "&mobile=13800000006&content=" + sig + "王五");
    EXPECT_EQ(requests[0].path, "/sms.aspx");

    EXPECT_EQ(flags(), (std::vector<rt::nstring>{"1", none, none, none, "1", "1"}));
    EXPECT_EQ(opener.RowCount(), 6);
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？",
                                                     "发送完成,本次发送成功数[3] 成功短信数[3] 余额[97]"}));
    EXPECT_EQ(today_log(), log_entry("发送短信\t接收号码\t[13800000001]staus[success] message[ok]") +
                               log_entry("发送短信\t接收号码\t[ 13800000005 ]staus[success] message[ok]") +
                               log_entry("发送短信\t接收号码\t[13800000006]staus[success] message[ok]"));
}

TEST_F(Preview, BoxesCarryTheirIconsAndButtons) {
    fill(2);
    RowPump pump(gateway, {refused("5"), success("4")});
    drive([&](w_message_preview& w) { press_send(w); });
    const auto& shown = boxes.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].icon, rt::Icon::Question);
    EXPECT_EQ(shown[0].buttons, rt::Buttons::YesNo);
    EXPECT_EQ(shown[0].title, gnv_app->apptitle);
    EXPECT_EQ(shown[1].text, "存在发送失败的消息,请核实!!");
    EXPECT_EQ(shown[1].icon, rt::Icon::StopSign);
}

TEST_F(Preview, StatusBarAndProgressFollowTheLoop) {
    fill(100);
    std::map<std::size_t, int> position;   // by the number of requests sent
    std::map<std::size_t, std::string> part3;
    w_message_preview* seen = nullptr;
    RowPump pump(gateway, {success("950")}, [&](std::size_t n) {
        if (!seen || !seen->sending()) return;
        position[n] = seen->hpb_1.position();
        part3[n] = part(*seen, 3);
    });
    drive([&](w_message_preview& w) {
        seen = &w;
        EXPECT_EQ(w.hpb_1.minposition(), 0);
        EXPECT_EQ(w.hpb_1.maxposition(), 100);
        EXPECT_EQ(part(w, 0), " ");
        EXPECT_EQ(part(w, 1), " 合计：100");
        EXPECT_EQ(part(w, 2), " ");
        EXPECT_EQ(part(w, 3), " ");
        std::vector<long> edges;
        w.uo_statebar.of_getparts(edges);
        EXPECT_EQ(edges, (std::vector<long>{110, 235, 300, -1}));
        boxes.answer_next(1);
        press_send(w);
        seen = nullptr;
    });
    EXPECT_EQ(position[1], 1);
    EXPECT_EQ(position[29], 28); // 29 / 100 * 100 in doubles, cut toward zero
    EXPECT_EQ(position[57], 56);
    EXPECT_EQ(position[100], 100);
    EXPECT_EQ(part3[29], "正在发送第[29]条!");
    EXPECT_EQ(part3[100], "正在发送第[100]条!");
}

TEST_F(Preview, SkippedRowsMoveTheBarButNotTheStatus) {
    fill({{"13800000001", sig + "a"}, {"13800000002", sig + "b"}, {"   ", sig + "c"}});
    RowPump pump(gateway, {refused("7")});
    drive([&](w_message_preview& w) {
        press_send(w);
        ASSERT_TRUE(w.is_open());
        EXPECT_EQ(w.hpb_1.position(), 100); // the skipped last row put it there
        EXPECT_EQ(part(w, 3), "正在发送第[2]条!");
        EXPECT_EQ(part(w, 0), "余额[7]!");
        EXPECT_EQ(part(w, 1), " 合计：3");
    });
    EXPECT_EQ(gateway.request_count(), 2u);
}

TEST_F(Preview, AFaildRowKeepsTheWindowOpenAndASecondSendSkipsTheDelivered) {
    fill(4);
    RowPump pump(gateway, {success("9"), refused("9"), success("8"), refused("8"),
                           /* second send */ success("7"), success("6", "2")});
    drive([&](w_message_preview& w) {
        press_send(w);
        ASSERT_TRUE(w.is_open());
        EXPECT_EQ(flags(), (std::vector<rt::nstring>{"1", "2", "1", "2"}));
        EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？", "存在发送失败的消息,请核实!!"}));
        EXPECT_TRUE(w.pb_send.enabled());
        EXPECT_TRUE(w.pb_close.enabled());

        // Only the refused recipients are sent again; then the send is complete.
        press_send(w);
        EXPECT_FALSE(w.is_open());
    });
    EXPECT_EQ(sent_mobiles(), (std::vector<std::string>{"138000010001", "138000010002", "138000010003",
                                                         "138000010004", "138000010002", "138000010004"}));
    EXPECT_EQ(flags(), (std::vector<rt::nstring>{"1", "1", "1", "1"}));
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？",
                                                     "发送完成,本次发送成功数[2] 成功短信数[2] 余额[6]"}));
}

TEST_F(Preview, UnansweredRowsCountAsFailures) {
    struct {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::string> row_boxes; // shown for each row
    } cases[] = {
        {"refused connection", [&] { gateway.fail(FakeGateway::Failure::refuse); },
         {"与服务器数据交互失败,错误代码[" + std::to_string(rt::inet_cannot_connect) + "]",
          "无效返回数据,错误代码[" + std::to_string(rt::xml_empty) + "]"}},
        {"answer not XML", [&] { gateway.script("send", "<returnsms><returnstatus>success</returnsms"); },
         {"无效返回数据,错误代码[" + std::to_string(rt::xml_not_well_formed) + "]"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fill(2);
        c.arrange();
        drive([&](w_message_preview& w) {
            press_send(w);
            EXPECT_TRUE(w.is_open());
            EXPECT_EQ(part(w, 0), "余额[]!");
        });
        std::vector<std::string> expected{"确定要执行发送操作吗？"};
        for (int row = 0; row < 2; ++row) expected.insert(expected.end(), c.row_boxes.begin(), c.row_boxes.end());
        expected.push_back("存在发送失败的消息,请核实!!");
        EXPECT_EQ(box_texts(), expected);
        EXPECT_EQ(flags(), (std::vector<rt::nstring>{none, none}));
        EXPECT_EQ(today_log(), "");
        gateway.fail(FakeGateway::Failure::none);
    }
}

// Well-formed answers without a status (the gateway's own, or a proxy's
// error page in XHTML) say nothing of the row: it keeps no mark, repeats no
// earlier verdict, and the send is not reported complete.
TEST_F(Preview, AnAnswerWithoutStatusLeavesTheRowUnconfirmed) {
    const rt::blob xhtml("<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>502 Bad "
                         "Gateway</title></head><body><h1>Bad Gateway</h1></body></html>");
    fill(3);
    RowPump pump(gateway, {success("5"), FakeGateway::send_answer(none, "无状态", "4", "T3", "0"), xhtml});
    bool open_at_the_end = false;
    drive([&](w_message_preview& w) {
        press_send(w);
        open_at_the_end = w.is_open();
    });
    EXPECT_TRUE(open_at_the_end);
    EXPECT_EQ(flags(), (std::vector<rt::nstring>{"1", none, none}));
    EXPECT_EQ(today_log(), log_entry("发送短信\t接收号码\t[138000010001]staus[success] message[ok]") +
                               log_entry("发送短信\t接收号码\t[138000010002]staus[] message[无状态]") +
                               log_entry("发送短信\t接收号码\t[138000010003]staus[] message[无状态]"));
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？", "存在发送失败的消息,请核实!!"}));
}

TEST_F(Preview, TheBalanceAndTheChecksBeforeSending) {
    struct {
        const char* name;
        std::string overage;
        int rows;
        std::vector<std::string> shown;
        std::size_t requests;
    } cases[] = {
        {"balance equal to the rows, blank rows included", "3", 3, {"确定要执行发送操作吗？", "发送完成,本次发送成功数[2] 成功短信数[1] 余额[9]"}, 2},
        {"one less", "2", 3, {"当前帐户可用余额[2]"}, 0},
        {"empty balance", "", 3, {"当前帐户可用余额[0]"}, 0},
        {"not a number", "abc", 3, {"当前帐户可用余额[0]"}, 0},
        {"empty list", "100", 0, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gateway.clear_requests();
        gateway.script("send", success("9"));
        gnv_app->overage = c.overage;
        std::vector<Row> rows;
        for (int i = 1; i <= c.rows; ++i) rows.push_back({i == 2 ? rt::nstring("") : rt::nstring("1390000000" + std::to_string(i)), sig + "x"});
        fill(rows);
        drive([&](w_message_preview& w) { press_send(w); });
        EXPECT_EQ(box_texts(), c.shown);
        EXPECT_EQ(gateway.request_count(), c.requests);
    }

    fill(1);
    struct {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::string> shown;
    } stops[] = {
        {"credentials incomplete", [&] { gnv_app->password = "  "; }, {"帐户未设置无效,请在帐号设置中设置!"}},
        {"the user says no", [&] { boxes.answer_next(2); }, {"确定要执行发送操作吗？"}},
    };
    for (const auto& c : stops) {
        SCOPED_TRACE(c.name);
        gateway.clear_requests();
        c.arrange();
        drive([&](w_message_preview& w) {
            press_send(w);
            EXPECT_TRUE(w.is_open());
        });
        EXPECT_EQ(box_texts(), c.shown);
        EXPECT_EQ(gateway.request_count(), 0u);
        gnv_app->password = "pw";
    }
    EXPECT_EQ(boxes.shown().size(), 0u);
}

TEST_F(Preview, SendCloseAndTheCloseBoxAreRefusedWhileRowsAreSent) {
    fill(6);
    int presses = 0;
    w_message_preview* seen = nullptr;
    RowPump pump(gateway, {success("10")}, [&](std::size_t n) {
        if (!seen || !seen->sending() || n > 3) return;
        ++presses;
        EXPECT_FALSE(seen->pb_send.enabled());
        EXPECT_FALSE(seen->pb_close.enabled());
        seen->pb_send.button()->click();
        seen->pb_close.button()->click();
        seen->pb_send.TriggerEvent(rt::Event::clicked); // as Alt+S would
        seen->pb_close.TriggerEvent(rt::Event::clicked);
        seen->widget()->close(); // the close box
        EXPECT_TRUE(seen->is_open());
    });
    drive([&](w_message_preview& w) {
        seen = &w;
        press_send(w);
        seen = nullptr;
    });
    EXPECT_EQ(presses, 3);
    EXPECT_EQ(sent_mobiles(), (std::vector<std::string>{"138000010001", "138000010002", "138000010003",
                                                         "138000010004", "138000010005", "138000010006"}));
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？",
                                                     "发送完成,本次发送成功数[6] 成功短信数[1] 余额[10]"}));
    EXPECT_EQ(flags(), std::vector<rt::nstring>(6, "1"));
}

TEST_F(Preview, ClosingWithoutSendingLeavesTheListAndTheButtonsWork) {
    fill(2);
    drive([&](w_message_preview& w) {
        w.pb_close.button()->click();
        EXPECT_FALSE(w.is_open());
    });
    EXPECT_EQ(opener.RowCount(), 2);
    EXPECT_EQ(gateway.request_count(), 0u);
    EXPECT_TRUE(box_texts().empty());
}

TEST_F(Preview, AClickOnARowShowsItsWholeMessage) {
    fill({{"13800000001", sig + "第一条"}, {"13800000002", sig + "第二条\r\n第二行"}});
    drive([&](w_message_preview& w) {
        QTableView* grid = w.dw_list.grid();
        ASSERT_NE(grid, nullptr);
        const auto at = [&](QWidget* from, QPoint p) { return from->mapTo(w.dw_list.widget(), p); };
        const QPoint second = at(grid->viewport(), grid->visualRect(grid->model()->index(1, 1)).center());
        w.dw_list.click_at(second.x(), second.y());
        EXPECT_EQ(w.mle_1.text(), sig + "第二条\r\n第二行");
        QHeaderView* header = grid->horizontalHeader();
        const QPoint on_header = at(header->viewport(), QPoint(10, header->height() / 2));
        w.dw_list.click_at(on_header.x(), on_header.y());
        const QPoint below = at(grid->viewport(), QPoint(10, grid->viewport()->height() - 5));
        w.dw_list.click_at(below.x(), below.y());
        EXPECT_EQ(w.mle_1.text(), sig + "第二条\r\n第二行");
    });
}

TEST_F(Preview, AListInAPlainDataStoreIsSharedToo) {
    rt::DataStore list{dw_msg_preview()};
    list.InsertRow(0);
    list.SetItem(1, "mobile", rt::Any(std::string("13800000001")));
    list.SetItem(1, "msg", rt::Any(sig + "hi"));
    gateway.script("send", success("1"));
    w_message_preview w;
    rt::OnWindowOpened hook([&](rt::Window& opened) {
        if (&opened != &w) return;
        EXPECT_EQ(w.dw_list.RowCount(), 1);
        press_send(w);
        if (w.is_open()) rt::Close(w);
    });
    rt::OpenWithParm(w, &list);
    EXPECT_EQ(rt::String(list.GetItem(1, 3)), rt::nstring("1"));
}

// Opened without a list (never by the client), the window holds no rows and
// does not find the list that an earlier opening was given.
TEST_F(Preview, WithoutAListThereIsNothingToSend) {
    fill(2);
    drive([&](w_message_preview& w) { EXPECT_EQ(w.dw_list.RowCount(), 2); });
    w_message_preview w;
    rt::OnWindowOpened hook([&](rt::Window& opened) {
        if (&opened != &w) return;
        EXPECT_EQ(w.dw_list.RowCount(), 0);
        std::string total;
        w.uo_statebar.of_gettext(1, total);
        EXPECT_EQ(total, " 合计：0");
        press_send(w);
        rt::Close(w);
    });
    rt::Open(w);
    EXPECT_TRUE(box_texts().empty());
    EXPECT_EQ(gateway.request_count(), 0u);
}

// More rows than a 16-bit counter holds: every row sent, counted and marked.
TEST_F(Preview, FortyThousandRows) {
    constexpr int rows = 40000;
    std::vector<Row> list;
    for (int i = 1; i <= rows; ++i) list.push_back({"139" + std::to_string(10000000 + i), sig + "m"});
    fill(list);
    gateway.script("send", success("0"));
    int last_position = -1;
    drive([&](w_message_preview& w) {
        press_send(w);
        last_position = w.hpb_1.position();
        EXPECT_FALSE(w.is_open());
    });
    EXPECT_EQ(last_position, 100);
    EXPECT_EQ(gateway.request_count(), static_cast<std::size_t>(rows));
    EXPECT_EQ(box_texts().back(), "发送完成,本次发送成功数[40000] 成功短信数[1] 余额[0]");
    EXPECT_EQ(rt::String(opener.GetItem(rows, 3)), rt::nstring("1"));
    EXPECT_EQ(rt::String(opener.GetItem(32768, 3)), rt::nstring("1"));
}

TEST_F(Preview, Screenshot) {
    // The rounded buttons' pictures, as they lie in the program folder.
    const std::string source = std::getenv("VELOTRA_SOURCE_DIR");
    for (const char* name : {"BtnDefault.jpg", "BtnFocus.jpg", "BtnDisable.jpg"}) {
        std::ifstream in(source + "/res/" + name, std::ios::binary);
        dir.write(std::string("res/") + name, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    }
    fill(100);
    bool saved = false;
    w_message_preview* seen = nullptr;
    RowPump pump(gateway, {success("950"), refused("949")}, [&](std::size_t n) {
        if (!seen || n != 50 || saved) return;
        seen->dw_list.ScrollToRow(45);
        saved = rt::save_png(*seen, rt::screenshot_path("w_message_preview"));
    });
    drive([&](w_message_preview& w) {
        seen = &w;
        w.dw_list.click_at(40, 60);
        press_send(w);
        seen = nullptr;
    });
    EXPECT_TRUE(saved);
}
