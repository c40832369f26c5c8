// The gateway request byte for byte against the fake gateway, the answer
// rule and the update-descriptor download.
#include "core/n_cst_manager.h"
#include "runtime/inet.h"
#include "runtime/pbdom_builder.h"
#include "runtime/xml.h"
#include "tests/support/scripted.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using testing_support::FixedClock;
using testing_support::RecordedBoxes;
using testing_support::TempProgramFolder;

namespace {

struct Gateway : ::testing::Test {
    TempProgramFolder dir;
    RecordedBoxes boxes;
    FixedClock clock{{2024, 3, 9, 7, 5, 4, 42}};
    FakeGateway gateway;
    n_cst_manager m;

    void SetUp() override {
        setenv("VELOTRA_URL", gateway.url().c_str(), 1);
        setenv("VELOTRA_WEBURL", gateway.url().c_str(), 1);
        dir.write("velotra.ini", "");
        m.appdir = dir.program();
        m.of_setappinifile(dir.program() + "\\velotra.ini");
        m.pub_app_init();
        m.userid = "1001";
        m.account = "张三";
        m.password = "pw";
        m.auto_signature = false;
    }
    void TearDown() override {
        unsetenv("VELOTRA_URL");
        unsetenv("VELOTRA_WEBURL");
    }

    // Posts and answers the body that reached the gateway.
    std::string post(const std::string& action, const std::string& mobile, std::string text,
                     const std::string& url = "") {
        gateway.clear_requests();
        EXPECT_EQ(m.of_http_post_sms(url, action, mobile, text), 1);
        EXPECT_EQ(gateway.request_count(), 1u);
        return gateway.last_request().body;
    }
    std::string content_of(const std::string& text) {
        std::string body = post("send", "139", text);
        auto p = body.find("&content=");
        return p == std::string::npos ? "<none>" : body.substr(p + 9);
    }
};

} // namespace

TEST_F(Gateway, SendBodyAndHeadersAreExact) {
    std::string answer = "x";
    gateway.script("send", "<r><returnstatus>success</returnstatus></r>");
    std::string text = "你好 world";
    ASSERT_EQ(m.of_http_post_sms("send", "13800000000,13900000000", text), 1);
    EXPECT_EQ(text, "<r><returnstatus>success</returnstatus></r>");

    const auto r = gateway.last_request();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/sms.aspx");
    const std::string body =
        "action=send&userid=1001&account=张三&password=pw&mobile=13800000000,13900000000&content=你好 world";
    EXPECT_EQ(r.body, body);
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded;charset=GBK");
    EXPECT_EQ(r.header("Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(r.header("Accept"), "*/*");
    EXPECT_EQ(r.header("User-Agent"), "sms");
    for (const char* h : {"Content-Type", "Content-Length", "Accept", "User-Agent"}) EXPECT_EQ(r.header_count(h), 1u) << h;
    EXPECT_EQ(r.header_count("Expect"), 0u);
}

TEST_F(Gateway, GbkLengthCountsBytes) {
    // 10 ASCII characters and 3 Chinese ones: 16 bytes.
    m.userid = m.account = m.password = "";
    std::string body = post("中文字", "", "", "");
    EXPECT_EQ(body, "action=中文字&userid=&account=&password=");
    EXPECT_EQ(gateway.last_request().header("Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(std::string("abcdefghij中文字").size(), 16u);
}

TEST_F(Gateway, BlankNumbersAndTextLeaveTheirFieldOut) {
    EXPECT_EQ(post("overage", "", ""), "action=overage&userid=1001&account=张三&password=pw");
    EXPECT_EQ(post("overage", "   ", "  "), "action=overage&userid=1001&account=张三&password=pw");
    EXPECT_EQ(post("", "", ""), "action=&userid=1001&account=张三&password=pw");
}

TEST_F(Gateway, AccountActionsAddNothingOfTheirOwn) {
    gateway.script("reg_thr_ones", "<r><returnvalue>success</returnvalue></r>");
    EXPECT_EQ(post("reg_thr_ones", "139", "a=1&b=2", m.url + "api/com_api_thro.aspx"), "action=reg_thr_ones&a=1&b=2");
    EXPECT_EQ(gateway.last_request().path, "/api/com_api_thro.aspx");
    EXPECT_EQ(post("user_chks_ones", "", "chks_userid=1", m.url + "api/com_api_thro.aspx"),
              "action=user_chks_ones&chks_userid=1");
    // Only the exact spelling is an account action.
    EXPECT_EQ(post("User_chks_ones", "", "", m.url + "api/com_api_thro.aspx"),
              "action=User_chks_ones&userid=1001&account=张三&password=pw");
}

TEST_F(Gateway, UrlOfBlanksPostsToSendUrl) {
    post("overage", "", "", "   ");
    EXPECT_EQ(gateway.last_request().path, "/sms.aspx");
}

TEST_F(Gateway, SignatureRule) {
    struct {
        bool on;
        const char* prev;
        const char* text;
        const char* content;
    } cases[] = {
        {false, "X", "【Y】hello", "【Y】hello"},
        {true, "X", "hello", "【X】hello"},
        {true, "X", "【X】hello", "【X】hello"},
        {true, "【X】", "hello", "【X】hello"},
        {true, "【X】", "【X】hello", "【X】hello"}, // the signature once, not twice
        {true, "", "hello", "【】hello"},
        {true, "岚舟汇", "【岚舟汇】你好", "【岚舟汇】你好"},
        {true, "【", "hi", "【【】hi"},
    };
    for (const auto& c : cases) {
        m.auto_signature = c.on;
        m.signature_prev = c.prev;
        EXPECT_EQ(content_of(c.text), c.content) << c.prev << " " << c.text;
    }
}

TEST_F(Gateway, ThreeBytesAreEncodedInFieldValues) {
    m.userid = "a%b";
    m.account = "x+y";
    m.password = "p&w=1";
    EXPECT_EQ(post("send", "1&2", "50% + 1 = a&b"),
              "action=send&userid=a%25b&account=x%2By&password=p%26w=1&mobile=1%262&content=50%25 %2B 1 = a%26b");
    const auto form = gateway.last_request().form();
    EXPECT_EQ(form.size(), 6u); // no field split at a value's "&"
}

TEST_F(Gateway, DebugFiles) {
    struct {
        bool dev;
        const char* debug;
        bool files;
    } cases[] = {{false, nullptr, false}, {false, "0", false}, {false, "true", false},
                 {false, "yes", false},   {false, "1", true},  {true, "0", true},
                 {false, " 1", false}}; // the value counts as stored, untrimmed
    gateway.script("overage", "<r><overage>5</overage></r>");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.debug ? c.debug : "missing");
        std::filesystem::remove_all(dir.native() / "log");
        dir.write("velotra.ini", c.debug ? std::string("[App_Env]\r\ndebug=") + c.debug + "\r\n" : "");
        m.ib_dev = c.dev;
        std::string body = post("overage", "", "");
        EXPECT_TRUE(std::filesystem::is_directory(dir.native() / "log"));
        EXPECT_EQ(dir.exists("log/20240309070504Rq.log"), c.files);
        EXPECT_EQ(dir.exists("log/20240309070504Rs.log"), c.files);
        if (c.files) {
            EXPECT_EQ(dir.read("log/20240309070504Rq.log"), body);
            EXPECT_EQ(dir.read("log/20240309070504Rs.log"), "<r><overage>5</overage></r>");
        }
    }
}

// An answer longer than the XML check takes is not read to its end: the
// caller gets its first bytes, which the check refuses as too large.
TEST_F(Gateway, AnOversizedAnswerIsCutJustPastWhatTheXmlCheckTakes) {
    gateway.fail(FakeGateway::Failure::junk);
    std::string text = "hello";
    EXPECT_EQ(m.of_http_post_sms("send", "139", text), 1);
    EXPECT_EQ(text.size(), rt::xml_max_bytes + 1);
    EXPECT_EQ(rt::XMLParseString(text), rt::xml_too_large);
    EXPECT_TRUE(boxes.shown().empty());
    // An answer of the largest size the check takes still arrives whole.
    const std::string largest = "<r>" + std::string(rt::xml_max_bytes - 7, 'x') + "</r>";
    gateway.fail(FakeGateway::Failure::none);
    gateway.script("overage", largest);
    text.clear();
    EXPECT_EQ(m.of_http_post_sms("overage", "", text), 1);
    EXPECT_EQ(text, largest);
    EXPECT_EQ(rt::XMLParseString(text), rt::xml_well_formed);
}

TEST_F(Gateway, FailedPostShowsCodeAndEmptiesTheText) {
    m.ib_dev = true;
    auto previous = rt::set_inet_timeouts({std::chrono::milliseconds(500), std::chrono::milliseconds(500)});
    struct {
        const char* name;
        FakeGateway::Failure failure;
        std::string url;
        int code;
    } cases[] = {
        {"refused", FakeGateway::Failure::refuse, "", rt::inet_cannot_connect},
        {"timed out", FakeGateway::Failure::hang, "", rt::inet_timeout},
        {"invalid url", FakeGateway::Failure::none, "nowhere:/x", rt::inet_invalid_url},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        gateway.fail(c.failure);
        std::string text = "hello";
        EXPECT_EQ(m.of_http_post_sms(c.url, "send", "139", text), c.code);
        EXPECT_EQ(text, "");
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "与服务器数据交互失败,错误代码[" + std::to_string(c.code) + "]");
        EXPECT_EQ(boxes.shown()[0].icon, rt::Icon::StopSign);
        EXPECT_EQ(boxes.shown()[0].title, "澄渊达通讯平台");
        // Nothing was received, and the answer file says so.
        EXPECT_NE(dir.read("log/20240309070504Rq.log"), "");
        EXPECT_EQ(dir.read("log/20240309070504Rs.log"), "");
        gateway.fail(FakeGateway::Failure::none);
    }
    rt::set_inet_timeouts(previous);
}

// ---- the answer rule ----------------------------------------------------------

namespace {

struct Answers : ::testing::Test {
    n_cst_manager m;
    int read(const std::string& answer) {
        EXPECT_EQ(rt::XMLParseString(answer), 0) << answer;
        pbdom_builder builder;
        return m.of_explain_overage(builder.BuildFromString(answer).GetRootElement());
    }
    std::vector<std::string> vars() const { return {m.status, m.mess, m.payinfo, m.overage, m.sendtotal}; }
    void forget() { m.status = m.mess = m.payinfo = m.overage = m.sendtotal = ""; }
};

} // namespace

TEST_F(Answers, PrettyAndCompactReadAlikeWithAnyCase) {
    const std::string compact = "<?xml version=\"1.0\" encoding=\"gb2312\"?><returnsms><returnstatus>Sucess"
                                "</returnstatus><message>查询成功</message><payinfo>p</payinfo><overage> 950 "
                                "</overage><sendtotal>12</sendtotal></returnsms>";
    const std::string pretty = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Answer>\r\n  <RETURNSTATUS>Sucess"
                               "</RETURNSTATUS>\r\n  <Message>查询成功</Message>\r\n  <PayInfo>p</PayInfo>\r\n"
                               "  <OverAge> 950 </OverAge>\r\n  <sendTotal>12</sendTotal>\r\n</Answer>\r\n";
    const std::vector<std::string> expected{"Sucess", "查询成功", "p", " 950 ", "12"};
    EXPECT_EQ(read(compact), 1);
    EXPECT_EQ(vars(), expected);
    forget();
    EXPECT_EQ(read(pretty), 1);
    EXPECT_EQ(vars(), expected);
    forget();
    EXPECT_EQ(read("<r><overage>7</overage><!-- c --><message>余额不足</message></r>"), 1); // GBK without a declaration
    EXPECT_EQ(m.overage, "7");
    EXPECT_EQ(m.mess, "余额不足");
}

TEST_F(Answers, EmptyElementsKeepTheEarlierValue) {
    read("<r><overage>10</overage><message>m</message></r>");
    read("<r><overage>   </overage><message/><sendtotal>3</sendtotal></r>");
    EXPECT_EQ(m.overage, "10");
    EXPECT_EQ(m.mess, "m");
    EXPECT_EQ(m.sendtotal, "3");
    read("<r><overage>1</overage><overage>2</overage><x><overage>9</overage></x></r>");
    EXPECT_EQ(m.overage, "2");
}

TEST_F(Answers, RootWithoutChildren) {
    m.overage = "5";
    EXPECT_EQ(read("<r/>"), -1);
    EXPECT_EQ(read("<r></r>"), -1);
    EXPECT_EQ(m.overage, "5");
    EXPECT_EQ(read("<r> </r>"), 1); // a text node is a child
}

TEST_F(Answers, MalformedAndHostileAnswersAreRejected) {
    const std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                             "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
                             "<r><overage>&c;</overage></r>";
    const std::string external = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                                 "<r><overage>&x;</overage></r>";
    for (const std::string& text : {std::string(), std::string("<r><overage>1</overage>"), std::string("<r><a></r>"),
                                    std::string("not xml"), bomb, external})
        EXPECT_NE(rt::XMLParseString(text), 0) << text;
}

// ---- update descriptor ---------------------------------------------------------

TEST_F(Gateway, UpdateDescriptorIsSavedAndReplaced) {
    gateway.serve("/sms/update/update.txt", "[update]\r\nFile=velotra.zip\r\nExecute=velotra.exe\r\n");
    ASSERT_TRUE(m.wf_update_ini());
    EXPECT_EQ(dir.read("update/update.txt"), "[update]\r\nFile=velotra.zip\r\nExecute=velotra.exe\r\n");
    // A checksum or a name holding 404 is a descriptor like any other.
    gateway.serve("/sms/update/update.txt", "[update]\r\nFile=v404.zip\r\n");
    ASSERT_TRUE(m.wf_update_ini());
    EXPECT_EQ(dir.read("update/update.txt"), "[update]\r\nFile=v404.zip\r\n");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Gateway, UpdateDescriptorFailures) {
    struct {
        const char* name;
        std::function<void()> arrange;
        std::string message;
        rt::Icon icon;
    } cases[] = {
        {"refused", [&] { gateway.fail(FakeGateway::Failure::refuse); },
         "访问地址失败，错误代码[" + std::to_string(rt::inet_cannot_connect) + "]", rt::Icon::Exclamation},
        {"not found", [&] { gateway.serve("/sms/update/update.txt", "gone", 404); }, "访问服务器资源失败",
         rt::Icon::Information},
        {"server error", [&] { gateway.fail(FakeGateway::Failure::server_error); }, "访问服务器资源失败",
         rt::Icon::Information},
        {"cannot be written", [&] {
             gateway.serve("/sms/update/update.txt", "[update]\r\n");
             dir.write("update", "a file where the folder should be");
         }, "下载更新文件失败!!", rt::Icon::Information},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        c.arrange();
        EXPECT_FALSE(m.wf_update_ini());
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, c.message);
        EXPECT_EQ(boxes.shown()[0].icon, c.icon);
        EXPECT_FALSE(std::filesystem::is_regular_file(dir.native() / "update" / "update.txt"));
        gateway.fail(FakeGateway::Failure::none);
    }
}
