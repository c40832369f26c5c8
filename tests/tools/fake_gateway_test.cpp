#include "runtime/inet.h"
#include "runtime/pbdom_builder.h"
#include "runtime/xml.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

namespace {

struct Answer final : rt::InternetResult {
    rt::blob data;
    int internetdata(const rt::blob& d) override {
        data = d;
        return 1;
    }
};

Answer post(const FakeGateway& gateway, const std::string& page, const rt::blob& body) {
    Answer a;
    EXPECT_EQ(rt::inet_success, rt::Inet().PostURL(gateway.url() + page, body, "User-Agent: sms\n", 80, a));
    return a;
}

// The root's children by lower-cased name, as the client reads them.
std::map<std::string, std::string> fields(const rt::blob& xml) {
    EXPECT_EQ(rt::xml_well_formed, rt::XMLParseString(xml)) << xml;
    pbdom_builder builder;
    std::vector<pbdom_object> content;
    builder.BuildFromString(xml).GetRootElement().GetContent(content);
    std::map<std::string, std::string> out;
    for (const auto& o : content) {
        std::string name = o.GetName();
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name != "#text") out[name] = o.GetText();
    }
    return out;
}

const std::string credentials = "&userid=1&account=a&password=p";

} // namespace

TEST(FakeGateway, FormIsSplitByteForByteWithoutDecoding) {
    FakeGateway::Request r;
    r.body = "action=send&content=短信a%26b+c&=x&flag&mobile=";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"action", "send"}, {"content", "短信a%26b+c"}, {"", "x"}, {"flag", ""}, {"mobile", ""}};
    EXPECT_EQ(expected, r.form());
    EXPECT_EQ("短信a%26b+c", r.field("content"));
    EXPECT_FALSE(r.field("userid"));
}

TEST(FakeGateway, ScriptedAnswerGoesOutAsGivenAndActionsLiveAtTheirPage) {
    FakeGateway gateway;
    const rt::blob scripted = "<r><returnvalue>failed</returnvalue><returnmessage>密码错误</returnmessage></r>";
    gateway.script("user_chks_ones", scripted);
    EXPECT_EQ(scripted, post(gateway, "api/com_api_thro.aspx", "action=user_chks_ones&chks_userid=1").data);
    EXPECT_EQ("Success", fields(post(gateway, "sms.aspx", "action=send" + credentials).data)["returnstatus"]);
    EXPECT_EQ("Sucess", fields(post(gateway, "sms.aspx", "action=overage" + credentials).data)["returnstatus"]);

    struct Case {
        std::string page, body;
    } misplaced[] = {{"sms.aspx", "action=user_chks_ones"}, {"api/com_api_thro.aspx", "action=send"},
                     {"sms.aspx", "action="}, {"other.aspx", "action=send"}};
    for (const auto& c : misplaced) {
        Answer a;
        rt::Inet().PostURL(gateway.url() + c.page, c.body, "", 80, a);
        EXPECT_EQ(404, a.http_status()) << c.page << " " << c.body;
    }
    EXPECT_EQ(3u + 4u, gateway.request_count());
}

TEST(FakeGateway, FailuresOnRequest) {
    FakeGateway gateway;
    gateway.script("send", FakeGateway::send_answer("Success", "发送成功", "9", "T1", "1"));

    gateway.fail(FakeGateway::Failure::malformed_xml);
    EXPECT_EQ(rt::xml_not_well_formed, rt::XMLParseString(post(gateway, "sms.aspx", "action=send").data));

    gateway.fail(FakeGateway::Failure::wrong_declaration);
    const rt::blob lying = post(gateway, "sms.aspx", "action=send").data;
    EXPECT_EQ(0u, lying.find("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
    EXPECT_EQ("发送成功", fields(lying)["message"]); // still GBK bytes

    for (auto [failure, status] : {std::pair{FakeGateway::Failure::not_found, 404},
                                   std::pair{FakeGateway::Failure::server_error, 500}}) {
        gateway.fail(failure);
        Answer a;
        EXPECT_EQ(rt::inet_success, rt::Inet().GetURL(gateway.url() + "sms/update/update.txt", a));
        EXPECT_EQ(status, a.http_status());
        rt::Inet().PostURL(gateway.url() + "sms.aspx", "action=send", "", 80, a);
        EXPECT_EQ(status, a.http_status());
    }
}

TEST(FakeGateway, BadBodiesOnEveryPath) {
    FakeGateway gateway;
    auto get = [&] {
        Answer a;
        EXPECT_EQ(rt::inet_success, rt::Inet().GetURL(gateway.url() + "sms/update/update.txt", a));
        EXPECT_EQ(200, a.http_status());
        return a.data;
    };
    gateway.fail(FakeGateway::Failure::empty_body);
    EXPECT_EQ("", get());
    EXPECT_EQ("", post(gateway, "sms.aspx", "action=send").data);
    gateway.fail(FakeGateway::Failure::malformed_xml);
    EXPECT_EQ("[update]\r\nFile=velotra.z", get()); // a download is cut in half
    for (auto failure : {FakeGateway::Failure::doctype, FakeGateway::Failure::entity_bomb}) {
        gateway.fail(failure);
        EXPECT_EQ(rt::xml_doctype, rt::XMLParseString(get()));
        EXPECT_EQ(rt::xml_doctype, rt::XMLParseString(post(gateway, "sms.aspx", "action=overage").data));
    }
    gateway.fail(FakeGateway::Failure::junk);
    const rt::blob junk = get();
    EXPECT_EQ(FakeGateway::junk_bytes, junk.size());
    EXPECT_EQ(junk, post(gateway, "api/com_api_thro.aspx", "action=reg_thr_ones").data);
}

TEST(FakeGateway, ADripOutlastsTheTimeOutAndEndsWhenLifted) {
    FakeGateway gateway;
    auto previous = rt::set_inet_timeouts({std::chrono::milliseconds(1000), std::chrono::milliseconds(1500)});
    gateway.fail(FakeGateway::Failure::slow_drip);
    Answer a;
    EXPECT_EQ(rt::inet_timeout, rt::Inet().GetURL(gateway.url() + "sms/update/update.txt", a));
    // Lifted while a client is still reading: the rest goes at once. The
    // client's own time-out leaves the lift all the time a busy machine takes.
    rt::set_inet_timeouts(previous);
    std::thread lift([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        gateway.fail(FakeGateway::Failure::none);
    });
    EXPECT_EQ(rt::inet_success, rt::Inet().GetURL(gateway.url() + "sms/update/update.txt", a));
    lift.join();
    EXPECT_EQ("[update]\r\nFile=velotra.zip\r\nExecute=velotra.exe\r\n", a.data);
}

TEST(FakeGateway, ServesDownloadsReplaceably) {
    FakeGateway gateway;
    Answer a;
    ASSERT_EQ(rt::inet_success, rt::Inet().GetURL(gateway.url() + "sms/update/update.txt", a));
    EXPECT_EQ("[update]\r\nFile=velotra.zip\r\nExecute=velotra.exe\r\n", a.data);
    ASSERT_EQ(rt::inet_success, rt::Inet().GetURL(gateway.url() + "sms/poster/poster.jpg", a));
    EXPECT_EQ(0u, a.data.find("\xFF\xD8\xFF")); // a JPEG
    ASSERT_EQ(rt::inet_success, rt::Inet().GetURL(gateway.url() + "sms/update/velotra.zip", a));
    EXPECT_EQ(0u, a.data.find("PK\x03\x04"));
    EXPECT_NE(std::string::npos, a.data.find("velotra.exe"));

    gateway.serve("/sms/update/update.txt", "[update]\r\nFile=v2.zip\r\n");
    rt::Inet().GetURL(gateway.url() + "sms/update/update.txt", a);
    EXPECT_EQ("[update]\r\nFile=v2.zip\r\n", a.data);
    EXPECT_EQ("GET", gateway.last_request().method);
    EXPECT_EQ("/sms/update/update.txt", gateway.last_request().path);
}

TEST(FakeGateway, DemoAcceptsAnyLoginAndKeepsTheBalance) {
    FakeGateway gateway(FakeGateway::Options{.demo = true, .demo_balance = 5});
    EXPECT_EQ("success", fields(post(gateway, "api/com_api_thro.aspx",
                                     "action=user_chks_ones&chks_userid=x&chks_account=y&chks_password=%26z")
                                    .data)["returnvalue"]);
    EXPECT_FALSE(fields(post(gateway, "api/com_api_thro.aspx", "action=reg_thr_ones&a=1").data)["returnmessage"].empty());

    auto sent = fields(post(gateway, "sms.aspx", "action=send" + credentials + "&mobile=1380,1390,,1391&content=hi").data);
    EXPECT_EQ("Success", sent["returnstatus"]);
    EXPECT_EQ("3", sent["successcounts"]);
    EXPECT_EQ("2", sent["remainpoint"]);
    EXPECT_EQ(2, gateway.balance());

    struct Case {
        std::string fields, status;
        long balance_after;
    } cases[] = {
        {"&mobile=1,2,3&content=hi", "Faild", 2}, // more numbers than the balance
        {"&content=hi", "Faild", 2},              // no numbers
        {"&mobile=1&content=%20", "Success", 1},  // only %25, %26 and %2B are escapes: "%20" is text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.status, fields(post(gateway, "sms.aspx", "action=send" + credentials + c.fields).data)["returnstatus"])
            << c.fields;
        EXPECT_EQ(c.balance_after, gateway.balance()) << c.fields;
    }

    auto balance = fields(post(gateway, "sms.aspx", "action=overage" + credentials).data);
    EXPECT_EQ("Sucess", balance["returnstatus"]);
    EXPECT_EQ("1", balance["overage"]);
    EXPECT_EQ("4", balance["sendtotal"]);
}
