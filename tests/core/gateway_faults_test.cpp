// Every path that talks to the gateway against every way the gateway can
// fail: each case ends in that path's own message within the time-outs, and
// leaves velotra.ini and the logs as they were.
//
// A path is one row of `paths`: how to run it, and which of the rules below
// its messages follow. A window that talks to the gateway adds its row.
#include "account/sys_w_login.h"
#include "account/w_reg.h"
#include "account/w_set.h"
#include "core/n_cst_manager.h"
#include "core/velotra.h"
#include "foundation/u_dw.h"
#include "mailmerge/dw_msg_preview.h"
#include "mailmerge/w_message_excel.h"
#include "runtime/inet.h"
#include "runtime/xml.h"
#include "runtime/ui/window.h"
#include "sending/w_message_preview.h"
#include "sending/w_sms_new.h"
#include "shell/w_background.h"
#include "shell/w_mdi.h"
#include "tests/support/scripted.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <QCheckBox>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Failure = FakeGateway::Failure;

// How a fault reaches the client: no HTTP answer (the code of the internet
// service), an error status, or a 200 answer whose body is no good answer
// (the code of the XML check on it).
enum class Reaches { transport, http_error, answer };

struct Fault {
    const char* name;
    Failure failure;
    Reaches reaches;
    int code;
};

const Fault faults[] = {
    {"refused", Failure::refuse, Reaches::transport, rt::inet_cannot_connect},
    {"hangs past the time-out", Failure::hang, Reaches::transport, rt::inet_timeout},
    {"404", Failure::not_found, Reaches::http_error, rt::xml_not_well_formed},
    {"500", Failure::server_error, Reaches::http_error, rt::xml_not_well_formed},
    {"empty body", Failure::empty_body, Reaches::answer, rt::xml_empty},
    {"truncated XML", Failure::malformed_xml, Reaches::answer, rt::xml_not_well_formed},
    {"DOCTYPE with an external entity", Failure::doctype, Reaches::answer, rt::xml_doctype},
    {"entity bomb", Failure::entity_bomb, Reaches::answer, rt::xml_doctype},
    {"10 MiB of junk", Failure::junk, Reaches::answer, rt::xml_too_large},
    {"one byte a second", Failure::slow_drip, Reaches::transport, rt::inet_timeout},
};

// What a case ends in.
struct Outcome {
    std::vector<std::string> boxes;
    std::string line;   // the balance line, for the paths that have one
    bool saved = false; // the update descriptor was saved
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    os << "{boxes:";
    for (const auto& b : o.boxes) os << " [" << b << "]";
    return os << ", line: [" << o.line << "], saved: " << o.saved << "}";
}

std::string code_text(int code) { return "[" + std::to_string(code) + "]"; }

// ---- the rules by which the paths report a fault --------------------------

// A posted request whose answer is checked before it is read: the send,
// login and sign-up windows.
Outcome checked_answer(const Fault& f) {
    if (f.reaches == Reaches::transport) return {{"与服务器数据交互失败,错误代码" + code_text(f.code)}, "", false};
    return {{"无效返回数据,错误代码" + code_text(f.code)}, "", false};
}

// A balance line: a bad answer is reported on the line itself.
Outcome balance_line(const Fault& f) {
    if (f.reaches == Reaches::transport)
        return {{"与服务器数据交互失败,错误代码" + code_text(f.code)}, "无效返回数据,错误代码" + code_text(rt::xml_empty)};
    return {{}, "无效返回数据,错误代码" + code_text(f.code)};
}

// The update descriptor: saved as received whenever the status is good.
Outcome update_descriptor(const Fault& f) {
    if (f.reaches == Reaches::transport) return {{"访问地址失败，错误代码" + code_text(f.code)}, "", false};
    if (f.reaches == Reaches::http_error) return {{"访问服务器资源失败"}, "", false};
    return {{}, "", true};
}

// A posted request whose answer is checked after the manager has reported a
// failed post: a failed post leaves the answer empty, which the check then
// reports as well. The settings window's query, and the mail-merge sheet's
// balance line below.
Outcome posted_answer(const Fault& f) {
    if (f.reaches == Reaches::transport)
        return {{"与服务器数据交互失败,错误代码" + code_text(f.code), "无效返回数据,错误代码" + code_text(rt::xml_empty)}, "", false};
    return {{"无效返回数据,错误代码" + code_text(f.code)}, "", false};
}

// The mail-merge sheet's balance line keeps its design text: the boxes tell.
Outcome mail_merge_line(const Fault& f) {
    Outcome o = posted_answer(f);
    o.line = "帐户余额";
    return o;
}

// The send window: the user confirms, then the posted answer's rule; an
// answer that cannot be read is neither reported as sent nor logged.
Outcome send_answer(const Fault& f) {
    Outcome o = posted_answer(f);
    o.boxes.insert(o.boxes.begin(), "确定要执行发送操作吗？");
    return o;
}

// The preview window: as the send window, and the row that went without a
// verdict keeps the send from being reported complete.
Outcome preview_answer(const Fault& f) {
    Outcome o = send_answer(f);
    o.boxes.push_back("存在发送失败的消息,请核实!!");
    return o;
}

// A download after the descriptor (the update archive) or on its own (the
// poster): a transport failure and an error status have their boxes; a 200
// answer is saved as received, whatever it holds (`saved`).
Outcome download(const Fault& f, bool saved_on_answer) {
    if (f.reaches == Reaches::transport) return {{"访问地址失败，错误代码" + code_text(f.code)}, "", false};
    if (f.reaches == Reaches::http_error) return {{"访问服务器资源失败"}, "", false};
    return {{}, "", saved_on_answer};
}
// An archive that is no archive is reported by the zip reader, once for its
// listing and once for its opening; nothing is extracted, and velotra.ini
// does not name a new executable.
Outcome update_archive(const Fault& f) {
    Outcome o = download(f, true);
    o.saved = true; // the sound descriptor, saved before the archive is asked for
    if (f.reaches == Reaches::answer)
        o.boxes.assign(2, "The zip file is invalid or can't be found!");
    return o;
}
Outcome poster(const Fault& f) { return download(f, true); }

// ---- the fixture: the client started, logged in, its frame open ----------

struct GatewayFaults : ::testing::Test {
    testing_support::TempProgramFolder dir;
    testing_support::RecordedBoxes boxes;
    testing_support::FixedClock clock{{2024, 3, 9, 7, 5, 4, 42}};
    FakeGateway gateway;
    velotra app;
    rt::InetTimeouts previous{};
    // The time-out that the faults which outlast it meet; every other case
    // keeps the client's own, so that how fast the machine is never decides
    // how a case ends.
    static constexpr std::chrono::milliseconds timeout{1500};

    void SetUp() override {
        setenv("VELOTRA_URL", gateway.url().c_str(), 1);
        setenv("VELOTRA_WEBURL", gateway.url().c_str(), 1);
        unsetenv("VELOTRA_DEV");
        velotra::reset_halt();
        rt::OnWindowOpened login([](rt::Window& w) {
            if (!dynamic_cast<sys_w_login*>(&w)) return;
            for (auto [key, value] : {std::pair{"userid", "1001"}, {"account", "zhang"}, {"password", "pw"}})
                gnv_app->pub_f_set_sysvar("cfg", key, gnv_app->of_encrypt(value, gnv_app->e, gnv_app->n));
            rt::CloseWithReturn(w, "ok");
        });
        app.open("");
        ASSERT_FALSE(velotra::halted());
        ASSERT_NE(w_background::current(), nullptr);
        previous = rt::inet_timeouts();
    }
    void TearDown() override {
        rt::set_inet_timeouts(previous);
        gateway.fail(Failure::none);
        if (w_mdi* frame = w_mdi::current()) rt::Close(*frame);
        app.close();
        velotra::reset_halt();
        unsetenv("VELOTRA_URL");
        unsetenv("VELOTRA_WEBURL");
    }

    // Opens a window modally, runs `body` inside its loop, and closes it.
    template <class W>
    void drive(W& w, const std::function<void(W&)>& body, const char* parm = nullptr) {
        rt::OnWindowOpened hook([&](rt::Window& opened) {
            if (&opened != &w) return;
            rt::Yield();
            body(w);
            if (w.is_open()) rt::Close(w);
        });
        if (parm) rt::OpenWithParm(w, parm);
        else rt::Open(w);
    }

    // What the files the client keeps hold: velotra.ini and the logs.
    std::map<std::string, std::string> kept_files() const {
        std::map<std::string, std::string> files{{"velotra.ini", dir.read("velotra.ini")}};
        if (std::filesystem::is_directory(dir.native() / "log"))
            for (const auto& e : std::filesystem::directory_iterator(dir.native() / "log"))
                files["log/" + e.path().filename().string()] = dir.read("log/" + e.path().filename().string());
        return files;
    }
};

// ---- the paths -------------------------------------------------------------

Outcome login(GatewayFaults& t) {
    sys_w_login w;
    t.drive<sys_w_login>(w, [](sys_w_login& lw) {
        lw.sle_userid.set_text("1001");
        lw.sle_account.set_text("zhang");
        lw.user_password.set_text("pw");
        lw.cb_ok.TriggerEvent(rt::Event::clicked);
    }, "one");
    return {};
}

Outcome sign_up(GatewayFaults& t) {
    w_reg w;
    t.drive<w_reg>(w, [](w_reg& rw) {
        for (auto [column, value] : {std::pair{"account", "zhang"}, {"password", "secret"}, {"company", "公司"},
                                     {"realname", "张三"}, {"mobile", "13800000000"}})
            rw.dw_reg.SetItem(1, column, std::string(value));
        rw.cb_reg.TriggerEvent(rt::Event::clicked);
    });
    return {};
}

Outcome background_balance(GatewayFaults&) {
    w_background* sheet = w_background::current();
    sheet->st_tips.set_text("");
    sheet->wf_overage();
    return {{}, sheet->st_tips.text()};
}

Outcome update_descriptor_download(GatewayFaults& t) {
    std::filesystem::remove(t.dir.native() / "update" / "update.txt");
    gnv_app->wf_update_ini();
    return {{}, "", std::filesystem::is_regular_file(t.dir.native() / "update" / "update.txt")};
}

Outcome send_window(GatewayFaults& t) {
    // Without automatic signatures the send writes nothing to velotra.ini.
    gnv_app->auto_signature = false;
    gnv_app->overage = "1000000";
    w_sms_new w;
    t.drive<w_sms_new>(w, [&](w_sms_new& sw) {
        sw.cbx_1.box()->click();
        sw.mle_num.set_text("13800000000");
        sw.mle_msg.set_text("hi");
        t.boxes.answer_next(1);
        sw.cb_snd.TriggerEvent(rt::Event::clicked);
    });
    return {};
}

Outcome preview_window(GatewayFaults& t) {
    gnv_app->overage = "1000000";
    u_dw opener{nullptr, dw_msg_preview()};
    const std::int32_t row = opener.InsertRow(0);
    opener.SetItem(row, "mobile", rt::Any(std::string("13800000000")));
    opener.SetItem(row, "msg", rt::Any(std::string("hi")));
    w_message_preview w;
    rt::OnWindowOpened hook([&](rt::Window& opened) {
        if (&opened != &w) return;
        rt::Yield();
        t.boxes.answer_next(1);
        w.pb_send.TriggerEvent(rt::Event::clicked);
        if (w.is_open()) rt::Close(w);
    });
    rt::OpenWithParm(w, &opener);
    return {};
}

Outcome settings_query(GatewayFaults& t) {
    w_set w;
    t.drive<w_set>(w, [](w_set& sw) { sw.cb_query.TriggerEvent(rt::Event::clicked); });
    return {};
}

Outcome mail_merge_balance(GatewayFaults&) {
    auto& sheet = rt::make_window<w_message_excel>();
    rt::OpenSheet(sheet, *w_mdi::current());
    rt::Yield();
    Outcome o{{}, sheet.st_tips.text(), false};
    rt::Close(sheet);
    return o;
}

// The descriptor comes from a sound gateway, the archive from the failing
// one: the sound one points the client at the other as it answers (on its
// own thread, while the client waits for that very answer).
Outcome update_archive_download(GatewayFaults& t) {
    FakeGateway sound;
    const std::string faulty = t.gateway.url();
    sound.on_request([&](const FakeGateway::Request& r) {
        if (r.path == "/sms/update/update.txt") gnv_app->weburl = faulty;
    });
    gnv_app->weburl = sound.url();
    const int result = w_mdi::current()->wf_update();
    gnv_app->weburl = faulty;
    EXPECT_EQ(result, -1);
    return {{}, "", std::filesystem::is_regular_file(t.dir.native() / "update" / "update.txt")};
}

std::size_t posters(const GatewayFaults& t) {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(t.dir.native()))
        n += e.path().extension() == ".jpg";
    return n;
}

Outcome background_poster(GatewayFaults& t) {
    const std::size_t before = posters(t);
    w_background::current()->wf_poster();
    return {{}, "", posters(t) > before};
}

struct Path {
    const char* name;
    Outcome (*run)(GatewayFaults&);
    Outcome (*expected)(const Fault&);
};

// One row a window or service that talks to the gateway.
const Path paths[] = {
    {"login window", login, checked_answer},
    {"sign-up window", sign_up, checked_answer},
    {"background sheet's balance line", background_balance, balance_line},
    {"update descriptor", update_descriptor_download, update_descriptor},
    {"send window", send_window, send_answer},
    {"preview window", preview_window, preview_answer},
    {"settings window's balance query", settings_query, posted_answer},
    {"mail-merge sheet's balance line", mail_merge_balance, mail_merge_line},
    {"update archive", update_archive_download, update_archive},
    {"background sheet's poster", background_poster, poster},
};

} // namespace

TEST_F(GatewayFaults, EveryPathEndsInItsMessageWithinTheTimeOuts) {
    for (const Path& path : paths) {
        for (const Fault& fault : faults) {
            SCOPED_TRACE(std::string(path.name) + ", " + fault.name);
            gateway.fail(Failure::none);
            boxes.clear();
            const auto before = kept_files();
            gateway.fail(fault.failure);
            rt::set_inet_timeouts(fault.code == rt::inet_timeout ? rt::InetTimeouts{std::chrono::milliseconds(1000), timeout}
                                                                 : previous);

            Outcome outcome = path.run(*this);

            // A gateway that hangs answers only once the case has ended: a
            // case that ends at all was ended by the client's time-out.
            for (const auto& b : boxes.shown()) outcome.boxes.push_back(b.text);
            EXPECT_EQ(outcome, path.expected(fault));
            EXPECT_EQ(kept_files(), before);
        }
    }
}
