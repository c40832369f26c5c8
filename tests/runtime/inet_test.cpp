#include "runtime/inet.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <thread>

namespace {

struct Received final : rt::InternetResult {
    int calls = 0;
    rt::blob data;
    int internetdata(const rt::blob& d) override {
        ++calls;
        data = d;
        return 1;
    }
};

const std::string form_header = "Content-Type: application/x-www-form-urlencoded;charset=GBK\n"
                                "Content-Length: %LEN%\nAccept: */*\nUser-Agent: sms\n\n\n";

std::string header_for(const rt::blob& body) {
    std::string h = form_header;
    h.replace(h.find("%LEN%"), 5, std::to_string(body.size()));
    return h;
}

// Short time-outs for the test's lifetime.
struct QuickTimeouts {
    rt::InetTimeouts previous = rt::set_inet_timeouts({std::chrono::milliseconds(1000), std::chrono::milliseconds(300)});
    ~QuickTimeouts() { rt::set_inet_timeouts(previous); }
};

// A proxy on 127.0.0.1 that hears one request, keeps its first line and
// refuses it: through it a test sees where curl wanted to go.
class OneLineProxy {
public:
    OneLineProxy() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 1) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~OneLineProxy() {
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    int port() const { return port_; }
    std::string first_line() {
        if (thread_.joinable()) thread_.join();
        return line_;
    }

private:
    void serve() {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1) return;
        const int c = ::accept(fd_, nullptr, nullptr);
        if (c < 0) return;
        std::string head;
        char buf[512];
        ssize_t n;
        while (head.find("\r\n\r\n") == std::string::npos && (n = ::read(c, buf, sizeof buf)) > 0)
            head.append(buf, static_cast<std::size_t>(n));
        line_ = head.substr(0, head.find("\r\n"));
        const char refused[] = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n";
        [[maybe_unused]] ssize_t w = ::write(c, refused, sizeof refused - 1);
        ::close(c);
    }
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::string line_;
};

// An environment variable set for a test's lifetime (null: unset).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(Inet, PostSendsTheBodyByteForByteWithExactlyTheGivenHeaders) {
    FakeGateway gateway;
    // GBK, raw "&", "+", "%", a NUL and more than the 1024 bytes after which
    // curl would ask for "Expect: 100-continue".
    const rt::blob body = "action=send&content=短信 a+b%26&x=" + std::string("\0\xFF", 2) + std::string(2000, 'z');
    Received r;
    ASSERT_EQ(rt::inet_success, rt::Inet().PostURL(gateway.url() + "sms.aspx", body, header_for(body), 80, r));

    const FakeGateway::Request got = gateway.last_request();
    EXPECT_EQ("POST", got.method);
    EXPECT_EQ("/sms.aspx", got.path);
    EXPECT_EQ(body, got.body);
    std::set<std::string> names;
    for (const auto& [name, value] : got.headers) names.insert(name);
    EXPECT_EQ((std::set<std::string>{"Accept", "Content-Length", "Content-Type", "Host", "User-Agent"}), names);
    for (const char* name : {"Accept", "Content-Length", "Content-Type", "Host", "User-Agent"})
        EXPECT_EQ(1u, got.header_count(name)) << name;
    EXPECT_EQ("application/x-www-form-urlencoded;charset=GBK", got.header("Content-Type"));
    EXPECT_EQ(std::to_string(body.size()), got.header("Content-Length"));
    EXPECT_EQ("*/*", got.header("Accept"));
    EXPECT_EQ("sms", got.header("User-Agent"));
}

TEST(Inet, AWrongContentLengthCannotCutTheBody) {
    FakeGateway gateway;
    const rt::blob body = "action=overage&userid=1";
    Received r;
    ASSERT_EQ(rt::inet_success,
              rt::Inet().PostURL(gateway.url() + "sms.aspx", body, "Content-Length: 3\r\nUser-Agent: sms\r\n", 80, r));
    const FakeGateway::Request got = gateway.last_request();
    EXPECT_EQ(body, got.body);
    EXPECT_EQ(std::to_string(body.size()), got.header("Content-Length"));
    // Nothing of curl's own defaults takes the place of headers not given.
    EXPECT_FALSE(got.header("Accept"));
    EXPECT_FALSE(got.header("Content-Type"));
}

// The post's port serves an http URL only: an https gateway without a port
// of its own is reached on 443, as its downloads are.
TEST(Inet, PortArgumentLeavesAnHttpsUrlOnItsOwnPort) {
    OneLineProxy proxy;
    ASSERT_GT(proxy.port(), 0);
    const std::string via = "http://127.0.0.1:" + std::to_string(proxy.port());
    ScopedEnv https_proxy("https_proxy", via.c_str()), upper("HTTPS_PROXY", via.c_str());
    ScopedEnv no_proxy("no_proxy", nullptr), no_proxy_upper("NO_PROXY", nullptr);
    QuickTimeouts quick;
    Received r;
    EXPECT_NE(rt::inet_success, rt::Inet().PostURL("https://gateway.example/sms.aspx", "action=overage", "", 80, r));
    EXPECT_EQ(proxy.first_line(), "CONNECT gateway.example:443 HTTP/1.1");
}

TEST(Inet, PortArgumentAppliesOnlyWhenTheUrlNamesNone) {
    FakeGateway gateway;
    const std::string port = std::to_string(gateway.port());
    Received r;
    EXPECT_EQ(rt::inet_success, rt::Inet().PostURL("http://127.0.0.1/sms.aspx", "action=overage", "", gateway.port(), r));
    EXPECT_EQ(rt::inet_success,
              rt::Inet().PostURL("http://127.0.0.1:" + port + "/sms.aspx", "action=overage", "", 1, r));
    EXPECT_EQ(2u, gateway.request_count());
}

TEST(Inet, ReceiverGetsWholeBodyAndStatusOfEveryAnswer) {
    FakeGateway gateway;
    rt::blob binary;
    for (int i = 0; i < 256 * 64; ++i) binary += static_cast<char>(i * 7);
    gateway.serve("/sms/poster/poster.jpg", binary);
    gateway.serve("/gone.txt", "gone", 410);

    struct Case {
        std::string path;
        int status;
        rt::blob body;
    } cases[] = {
        {"sms/poster/poster.jpg", 200, binary},
        {"gone.txt", 410, "gone"},
        {"missing.txt", 404, "404 Not Found"},
    };
    for (const auto& c : cases) {
        Received r;
        EXPECT_EQ(rt::inet_success, rt::Inet().GetURL(gateway.url() + c.path, r)) << c.path;
        EXPECT_EQ(1, r.calls) << c.path;
        EXPECT_EQ(c.status, r.http_status()) << c.path;
        EXPECT_EQ(c.body, r.data) << c.path;
    }
    gateway.fail(FakeGateway::Failure::server_error);
    Received r;
    EXPECT_EQ(rt::inet_success, rt::Inet().PostURL(gateway.url() + "sms.aspx", "action=send", "", 80, r));
    EXPECT_EQ(500, r.http_status());
}

// A caller's answer limit ends the transfer one byte past it: the receiver
// hears of a successful exchange with that many bytes, the rest never read.
// Answers within the limit, and every call without one, arrive whole.
TEST(Inet, AnAnswerPastTheCallersLimitArrivesCutOneBytePastIt) {
    FakeGateway gateway;
    gateway.fail(FakeGateway::Failure::junk);
    Received whole;
    ASSERT_EQ(rt::inet_success, rt::Inet().GetURL(gateway.url() + "sms/poster/poster.jpg", whole));
    ASSERT_EQ(FakeGateway::junk_bytes, whole.data.size());
    struct {
        std::size_t limit, expected;
    } cases[] = {
        {1000, 1001},
        {FakeGateway::junk_bytes - 1, FakeGateway::junk_bytes},
        {FakeGateway::junk_bytes, FakeGateway::junk_bytes},
        {rt::inet_max_answer_bytes, FakeGateway::junk_bytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        rt::Inet inet;
        inet.set_answer_limit(c.limit);
        Received post, get;
        EXPECT_EQ(rt::inet_success, inet.PostURL(gateway.url() + "sms.aspx", "action=send", "", 80, post));
        EXPECT_EQ(rt::inet_success, inet.GetURL(gateway.url() + "sms/poster/poster.jpg", get));
        for (const Received* r : {&post, &get}) {
            EXPECT_EQ(1, r->calls);
            EXPECT_EQ(200, r->http_status());
            EXPECT_EQ(whole.data.substr(0, c.expected), r->data);
        }
    }
}

TEST(Inet, FailuresGiveTheirCodeAndNeverReachTheReceiver) {
    FakeGateway gateway;
    const std::string sms = gateway.url() + "sms.aspx";
    struct Case {
        std::string url;
        FakeGateway::Failure failure;
        int code;
    } cases[] = {
        {"", FakeGateway::Failure::none, rt::inet_invalid_url},
        {"sms.aspx", FakeGateway::Failure::none, rt::inet_invalid_url},
        {"ftp://127.0.0.1/sms.aspx", FakeGateway::Failure::none, rt::inet_invalid_url},
        {" " + sms, FakeGateway::Failure::none, rt::inet_invalid_url},
        {sms, FakeGateway::Failure::refuse, rt::inet_cannot_connect},
        {sms, FakeGateway::Failure::hang, rt::inet_timeout},
        {sms, FakeGateway::Failure::none, rt::inet_success}, // the gateway comes back on its port
    };
    for (const auto& c : cases) {
        gateway.fail(c.failure);
        // Only the hang waits for the time-out; an answer may take as long
        // as a busy machine needs.
        std::optional<QuickTimeouts> quick;
        if (c.failure == FakeGateway::Failure::hang) quick.emplace();
        Received post, get;
        EXPECT_EQ(c.code, rt::Inet().PostURL(c.url, "action=overage", "", 80, post)) << c.url;
        EXPECT_EQ(c.code, rt::Inet().GetURL(c.url, get)) << c.url;
        const int calls = c.code == rt::inet_success ? 1 : 0;
        EXPECT_EQ(calls, post.calls) << c.url;
        EXPECT_EQ(calls, get.calls) << c.url;
    }
}

TEST(Inet, TimeoutsAreSettableAndDefaultToTenAndSixtySeconds) {
    const rt::InetTimeouts defaults = rt::inet_timeouts();
    EXPECT_EQ(std::chrono::seconds(10), defaults.connect);
    EXPECT_EQ(std::chrono::seconds(60), defaults.total);
    const rt::InetTimeouts previous = rt::set_inet_timeouts({std::chrono::milliseconds(5), std::chrono::milliseconds(7)});
    EXPECT_EQ(defaults.total, previous.total);
    EXPECT_EQ(std::chrono::milliseconds(7), rt::inet_timeouts().total);
    rt::set_inet_timeouts(previous);
}
