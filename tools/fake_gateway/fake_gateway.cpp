#include "tools/fake_gateway/fake_gateway.h"

#include <httplib.h>
#include <zlib.h>

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <strings.h>
#include <thread>

namespace {

const char* const sms_path = "/sms.aspx";
const char* const api_path = "/api/com_api_thro.aspx";
const char* const xml_decl = "<?xml version=\"1.0\" encoding=\"gb2312\"?>";

std::string xml_escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// A pretty-printed answer, as the real gateway writes them.
rt::blob answer(const char* root, std::initializer_list<std::pair<const char*, const rt::nstring*>> fields) {
    rt::blob xml = std::string(xml_decl) + "\r\n<" + root + ">\r\n";
    for (const auto& [name, value] : fields)
        if (*value) xml += std::string("  <") + name + ">" + xml_escape(**value) + "</" + name + ">\r\n";
    return xml + "</" + root + ">\r\n";
}

std::vector<std::pair<std::string, std::string>> split_form(const std::string& body) {
    std::vector<std::pair<std::string, std::string>> fields;
    if (body.empty()) return fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(body.find('&', start), body.size());
        const std::string part = body.substr(start, end - start);
        const std::size_t eq = part.find('=');
        if (eq == std::string::npos) fields.emplace_back(part, "");
        else fields.emplace_back(part.substr(0, eq), part.substr(eq + 1));
        if (end == body.size()) break;
        start = end + 1;
    }
    return fields;
}

// The client escapes exactly these three bytes in field values; every other
// byte, "%" sequences of any other kind included, is taken as it is.
std::string demo_decode(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size()) {
            const std::string code = raw.substr(i + 1, 2);
            const char c = code == "25" ? '%' : code == "26" ? '&' : (code == "2B" || code == "2b") ? '+' : 0;
            if (c) {
                out += c;
                i += 2;
                continue;
            }
        }
        out += raw[i];
    }
    return out;
}

// The answer cut off inside its last tag.
rt::blob malformed(const rt::blob& xml) {
    const std::size_t last = xml.rfind('<');
    return last == std::string::npos ? xml + "<" : xml.substr(0, last) + "</";
}

// The answer's bytes unchanged, under a declaration that lies about them.
rt::blob wrongly_declared(const rt::blob& xml) {
    std::size_t body = 0;
    if (xml.compare(0, 5, "<?xml") == 0) body = xml.find("?>") == std::string::npos ? 0 : xml.find("?>") + 2;
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + xml.substr(body);
}

const char* const doctype_answer =
    "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
    "<!DOCTYPE returnsms [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\r\n"
    "<returnsms><returnstatus>&x;</returnstatus><message>&x;</message></returnsms>\r\n";

std::string entity_bomb_answer() {
    std::string dtd = "<!ENTITY e0 \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        dtd += "<!ENTITY e" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) dtd += "&e" + std::to_string(i - 1) + ";";
        dtd += "\">";
    }
    return "<?xml version=\"1.0\"?>\r\n<!DOCTYPE returnsms [" + dtd +
           "]>\r\n<returnsms><returnstatus>&e9;</returnstatus><message>&e9;</message></returnsms>\r\n";
}

// Bytes of every value, the same on every run.
std::string junk_answer() {
    std::string s(FakeGateway::junk_bytes, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : s) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return s;
}

void put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, unsigned long v) {
    put16(s, v & 0xFFFF);
    put16(s, (v >> 16) & 0xFFFF);
}

// A banner of the poster control's own shape (610 by 154 pixels).
rt::blob poster_jpeg() {
    QImage image(610, 154, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(30 + x / 4, 80 + y / 3, 160));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes.toStdString();
}

} // namespace

// ---- Request ---------------------------------------------------------------

rt::nstring FakeGateway::Request::header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (strcasecmp(n.c_str(), name.c_str()) == 0) return v;
    return rt::null;
}

std::size_t FakeGateway::Request::header_count(const std::string& name) const {
    return std::count_if(headers.begin(), headers.end(),
                         [&](const auto& h) { return strcasecmp(h.first.c_str(), name.c_str()) == 0; });
}

std::vector<std::pair<std::string, std::string>> FakeGateway::Request::form() const { return split_form(body); }

rt::nstring FakeGateway::Request::field(const std::string& name) const {
    for (const auto& [n, v] : form())
        if (n == name) return v;
    return rt::null;
}

// ---- the server --------------------------------------------------------------

struct FakeGateway::Impl {
    Options options;
    std::uint16_t port = 0;

    mutable std::mutex m;
    std::condition_variable released;
    std::vector<Request> log;
    std::map<std::string, rt::blob> scripts;
    std::map<std::string, std::pair<rt::blob, int>> files;
    Failure failure = Failure::none;
    bool stopping = false;
    long balance = 0, sendtotal = 0, tasks = 0, signups = 0;

    std::function<void(const Request&)> echo;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;

    bool start() {
        auto s = std::make_unique<httplib::Server>();
        // One handler for every path and method.
        auto handler = [this](const httplib::Request& req, httplib::Response& res) { handle(req, res); };
        s->Get(".*", handler);
        // The headers and the body go out in two writes; without this a
        // reused connection waits for the peer's delayed acknowledgement.
        s->set_tcp_nodelay(true);
        // A post's body is read here rather than by the server, which
        // refuses form bodies above 8 KiB (413): a send of 4000 numbers
        // carries some 48 KiB, as the real gateway takes it.
        s->Post(".*", [this](const httplib::Request& req, httplib::Response& res,
                             const httplib::ContentReader& content) {
            httplib::Request whole = req;
            content([&whole](const char* data, std::size_t length) {
                whole.body.append(data, length);
                return true;
            });
            handle(whole, res);
        });
        if (port == 0) {
            const int p = s->bind_to_any_port("127.0.0.1");
            if (p <= 0) return false;
            port = static_cast<std::uint16_t>(p);
        } else if (!s->bind_to_port("127.0.0.1", port)) {
            std::fprintf(stderr, "fake gateway: cannot listen on 127.0.0.1:%u\n", port);
            return false;
        }
        httplib::Server* raw = s.get();
        server = std::move(s);
        auto ended = std::make_shared<std::atomic<bool>>(false);
        thread = std::thread([raw, ended] {
            raw->listen_after_bind();
            *ended = true;
        });
        // stop() only stops a server that runs already; until then it would
        // be lost and the join would wait for ever.
        while (!raw->is_running() && !*ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return !*ended;
    }

    void stop_server() {
        if (!server) return;
        server->stop();
        if (thread.joinable()) thread.join();
        server.reset();
    }

    Request record(const httplib::Request& req) {
        Request r;
        r.method = req.method;
        const std::size_t q = req.target.find('?');
        r.path = req.target.substr(0, q);
        if (q != std::string::npos) r.query = req.target.substr(q + 1);
        // cpp-httplib files the peer's addresses among the headers.
        static const std::set<std::string> pseudo = {"REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"};
        for (const auto& [name, value] : req.headers)
            if (!pseudo.count(name)) r.headers.emplace_back(name, value);
        r.body = req.body;
        std::lock_guard lock(m);
        if (echo) echo(r);
        log.push_back(r);
        return r;
    }

    void handle(const httplib::Request& req, httplib::Response& res) {
        const Request r = record(req);
        std::unique_lock lock(m);
        released.wait(lock, [this] { return stopping || failure != Failure::hang; });
        if (failure == Failure::not_found) return plain(res, 404, "404 Not Found");
        if (failure == Failure::server_error) return plain(res, 500, "500 Internal Server Error");
        if (r.method == "GET") return get(r, res);
        if (r.method != "POST" || (r.path != sms_path && r.path != api_path)) return plain(res, 404, "404 Not Found");
        const std::string action = r.field("action").value_or("");
        const bool account_action = action == "user_chks_ones" || action == "reg_thr_ones";
        const bool sms_action = action == "send" || action == "overage";
        if ((r.path == sms_path && !sms_action) || (r.path == api_path && !account_action))
            return plain(res, 404, "404 Not Found");
        rt::blob xml = options.demo && !scripts.count(action) ? demo(action, r) : scripted(action);
        if (failure == Failure::malformed_xml) xml = malformed(xml);
        if (failure == Failure::wrong_declaration) xml = wrongly_declared(xml);
        res.status = 200;
        deliver(res, xml, "text/xml");
    }

    static void plain(httplib::Response& res, int status, const std::string& text) {
        res.status = status;
        res.set_content(text, "text/html");
    }

    void get(const Request& r, httplib::Response& res) {
        const auto file = files.find(r.path);
        if (file == files.end()) return plain(res, 404, "404 Not Found");
        res.status = file->second.second;
        rt::blob bytes = file->second.first;
        if (failure == Failure::malformed_xml) bytes.resize(bytes.size() / 2);
        const bool jpeg = r.path.size() > 4 && r.path.compare(r.path.size() - 4, 4, ".jpg") == 0;
        deliver(res, bytes, jpeg ? "image/jpeg" : "application/octet-stream");
    }

    // The answer as the failure asked for it goes out (with the lock held).
    void deliver(httplib::Response& res, const rt::blob& answer, const char* type) {
        switch (failure) {
        case Failure::empty_body: return res.set_content("", type);
        case Failure::doctype: return res.set_content(doctype_answer, "text/xml");
        case Failure::entity_bomb: return res.set_content(entity_bomb_answer(), "text/xml");
        case Failure::junk: return res.set_content(junk_answer(), type);
        case Failure::slow_drip: return drip(res, answer, type);
        default: return res.set_content(answer, type);
        }
    }

    // One byte a second, until the client hangs up, the gateway stops, the
    // failure is lifted (the rest then goes at once) or drip_limit passes.
    void drip(httplib::Response& res, const rt::blob& answer, const char* type) {
        auto bytes = std::make_shared<rt::blob>(answer);
        res.set_content_provider(
            bytes->size(), type, [this, bytes](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                std::unique_lock lock(m);
                const bool dripping = failure == Failure::slow_drip && !stopping;
                if (dripping && offset >= static_cast<std::size_t>(drip_limit)) return false;
                const std::size_t n = dripping ? 1 : bytes->size() - offset;
                lock.unlock();
                if (!sink.write(bytes->data() + offset, n)) return false;
                lock.lock();
                released.wait_for(lock, std::chrono::seconds(1),
                                  [this] { return stopping || failure != Failure::slow_drip; });
                return true;
            });
    }

    rt::blob scripted(const std::string& action) {
        const auto s = scripts.find(action);
        if (s != scripts.end()) return s->second;
        if (action == "send") return send_answer("Success", "提交成功", "1000", "1", "1");
        if (action == "overage") return balance_answer("Sucess", "查询成功", "预付费", "1000", "0");
        if (action == "user_chks_ones") return account_answer("user_chks_ones", "0", "success", "登录成功");
        return account_answer("reg_thr_ones", "0", "success", "100001");
    }

    rt::blob demo(const std::string& action, const Request& r) {
        if (action == "user_chks_ones") return account_answer("user_chks_ones", "0", "success", "登录成功");
        if (action == "reg_thr_ones")
            return account_answer("reg_thr_ones", "0", "success", std::to_string(100000 + ++signups));
        if (action == "overage")
            return balance_answer("Sucess", "查询成功", "预付费", std::to_string(balance), std::to_string(sendtotal));
        return demo_send(r);
    }

    rt::blob demo_send(const Request& r) {
        const std::string content = demo_decode(r.field("content").value_or(""));
        long numbers = 0;
        const std::string mobile = demo_decode(r.field("mobile").value_or(""));
        std::size_t start = 0;
        while (start <= mobile.size()) {
            std::size_t end = std::min(mobile.find(',', start), mobile.size());
            if (mobile.substr(start, end - start).find_first_not_of(' ') != std::string::npos) ++numbers;
            start = end + 1;
        }
        auto refuse = [&](const char* why) {
            return send_answer("Faild", why, std::to_string(balance), rt::null, "0");
        };
        if (numbers == 0) return refuse("手机号码为空");
        if (content.find_first_not_of(' ') == std::string::npos) return refuse("短信内容为空");
        if (numbers > balance) return refuse("余额不足");
        balance -= numbers;
        sendtotal += numbers;
        return send_answer("Success", "提交成功", std::to_string(balance), std::to_string(++tasks),
                           std::to_string(numbers));
    }
};

FakeGateway::FakeGateway() : FakeGateway(Options{}) {}

FakeGateway::FakeGateway(Options options) : impl_(std::make_unique<Impl>()) {
    impl_->options = options;
    impl_->port = options.port;
    impl_->balance = options.demo_balance;
    serve("/sms/update/update.txt", "[update]\r\nFile=velotra.zip\r\nExecute=velotra.exe\r\n");
    serve("/sms/update/velotra.zip", zip_archive("velotra.exe", "velotra update\n"));
    serve("/sms/poster/poster.jpg", poster_jpeg());
    if (!impl_->start()) impl_->port = 0; // port() == 0 tells the caller
}

FakeGateway::~FakeGateway() {
    {
        std::lock_guard lock(impl_->m);
        impl_->stopping = true;
    }
    impl_->released.notify_all();
    impl_->stop_server();
}

std::uint16_t FakeGateway::port() const { return impl_->port; }

std::string FakeGateway::url() const { return "http://127.0.0.1:" + std::to_string(impl_->port) + "/"; }

void FakeGateway::script(const std::string& action, rt::blob answer) {
    std::lock_guard lock(impl_->m);
    impl_->scripts[action] = std::move(answer);
}

void FakeGateway::on_request(std::function<void(const Request&)> fn) {
    std::lock_guard lock(impl_->m);
    impl_->echo = std::move(fn);
}

void FakeGateway::serve(const std::string& path, rt::blob bytes, int status) {
    std::lock_guard lock(impl_->m);
    impl_->files[path] = {std::move(bytes), status};
}

void FakeGateway::fail(Failure failure) {
    Failure before;
    {
        std::lock_guard lock(impl_->m);
        before = impl_->failure;
        impl_->failure = failure;
    }
    impl_->released.notify_all();
    if (failure == Failure::refuse && before != Failure::refuse) impl_->stop_server();
    if (failure != Failure::refuse && before == Failure::refuse) impl_->start();
}

std::vector<FakeGateway::Request> FakeGateway::requests() const {
    std::lock_guard lock(impl_->m);
    return impl_->log;
}

std::size_t FakeGateway::request_count() const {
    std::lock_guard lock(impl_->m);
    return impl_->log.size();
}

FakeGateway::Request FakeGateway::last_request() const {
    std::lock_guard lock(impl_->m);
    return impl_->log.empty() ? Request{} : impl_->log.back();
}

void FakeGateway::clear_requests() {
    std::lock_guard lock(impl_->m);
    impl_->log.clear();
}

long FakeGateway::balance() const {
    std::lock_guard lock(impl_->m);
    return impl_->balance;
}

rt::blob FakeGateway::send_answer(const rt::nstring& returnstatus, const rt::nstring& message,
                                  const rt::nstring& remainpoint, const rt::nstring& taskid,
                                  const rt::nstring& successcounts) {
    return answer("returnsms", {{"returnstatus", &returnstatus},
                                {"message", &message},
                                {"remainpoint", &remainpoint},
                                {"taskID", &taskid},
                                {"successCounts", &successcounts}});
}

rt::blob FakeGateway::balance_answer(const rt::nstring& returnstatus, const rt::nstring& message,
                                     const rt::nstring& payinfo, const rt::nstring& overage,
                                     const rt::nstring& sendtotal) {
    return answer("returnsms", {{"returnstatus", &returnstatus},
                                {"message", &message},
                                {"payinfo", &payinfo},
                                {"overage", &overage},
                                {"sendtotal", &sendtotal}});
}

rt::blob FakeGateway::account_answer(const rt::nstring& returntypes, const rt::nstring& returncode,
                                     const rt::nstring& returnvalue, const rt::nstring& returnmessage) {
    return answer("returnapi", {{"returntypes", &returntypes},
                                {"returncode", &returncode},
                                {"returnvalue", &returnvalue},
                                {"returnmessage", &returnmessage}});
}

rt::blob FakeGateway::zip_archive(const std::string& entry_name, const rt::blob& entry_bytes) {
    const unsigned long crc =
        crc32(0, reinterpret_cast<const Bytef*>(entry_bytes.data()), static_cast<uInt>(entry_bytes.size()));
    const unsigned long size = entry_bytes.size();
    auto common = [&](std::string& s) { // version, flags, stored, time, date 1980-01-01, crc, sizes, name
        put16(s, 20), put16(s, 0), put16(s, 0), put16(s, 0), put16(s, 0x21);
        put32(s, crc), put32(s, size), put32(s, size), put16(s, entry_name.size()), put16(s, 0);
    };
    std::string zip;
    put32(zip, 0x04034b50);
    common(zip);
    zip += entry_name + entry_bytes;
    const unsigned long directory = zip.size();
    put32(zip, 0x02014b50);
    put16(zip, 20);
    common(zip);
    put16(zip, 0), put16(zip, 0), put16(zip, 0), put32(zip, 0), put32(zip, 0); // comment, disk, attributes, offset
    zip += entry_name;
    const unsigned long directory_size = zip.size() - directory;
    put32(zip, 0x06054b50);
    put16(zip, 0), put16(zip, 0), put16(zip, 1), put16(zip, 1);
    put32(zip, directory_size), put32(zip, directory), put16(zip, 0);
    return zip;
}
