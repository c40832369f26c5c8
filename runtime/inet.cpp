#include "runtime/inet.h"

#include "runtime/gbk.h"

#include <curl/curl.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

namespace rt {

namespace {

std::atomic<std::int64_t> g_connect_ms{InetTimeouts{}.connect.count()};
std::atomic<std::int64_t> g_total_ms{InetTimeouts{}.total.count()};

void init_curl_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
template <class T>
using curl_ptr = std::unique_ptr<T, CurlDeleter>;

// The answer as it arrives. Past the caller's limit the transfer stops with
// what is there; past inet_max_answer_bytes it fails.
struct Answer {
    blob body;
    std::size_t limit = 0; // 0: none
    bool cut = false;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) {
    auto* answer = static_cast<Answer*>(user);
    blob& body = answer->body;
    const std::size_t n = size * count;
    if (answer->limit > 0 && body.size() + n > answer->limit) {
        body.append(data, answer->limit + 1 - body.size());
        answer->cut = true;
        return 0; // curl stops with a write error
    }
    if (body.size() + n > inet_max_answer_bytes) return 0;
    body.append(data, n);
    return n;
}

// The URL as curl's parsed handle, or null when it is no http(s) URL.
// `port` > 0 is filled in when an http URL names none of its own; an https
// URL keeps its scheme's port, since TLS is never spoken on the plain one.
curl_ptr<CURLU> parse_url(const std::string& gbk_url, long port) {
    curl_ptr<CURLU> u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, gbk_to_utf8(gbk_url).c_str(), 0) != CURLUE_OK) return nullptr;
    char* scheme = nullptr;
    if (curl_url_get(u.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return nullptr;
    const bool plain = std::strcmp(scheme, "http") == 0;
    const bool web = plain || std::strcmp(scheme, "https") == 0;
    curl_free(scheme);
    if (!web) return nullptr;
    char* own_port = nullptr;
    if (curl_url_get(u.get(), CURLUPART_PORT, &own_port, 0) == CURLUE_OK) {
        curl_free(own_port);
    } else if (plain && port > 0 && port <= 65535) {
        if (curl_url_set(u.get(), CURLUPART_PORT, std::to_string(port).c_str(), 0) != CURLUE_OK) return nullptr;
    }
    return u;
}

bool same_name(const std::string& line, const char* name) {
    const std::size_t n = std::strlen(name);
    return line.size() > n && line[n] == ':' && strncasecmp(line.c_str(), name, n) == 0;
}

// The caller's header lines for curl. Content-Length is left to curl, which
// counts the body itself, so a wrong count can never cut or pad a request;
// curl's own Expect, Accept and Content-Type are suppressed unless the
// caller names them.
curl_ptr<curl_slist> header_list(const std::string& header) {
    curl_slist* list = nullptr;
    bool has_accept = false, has_type = false;
    std::size_t start = 0;
    while (start <= header.size()) {
        std::size_t end = header.find('\n', start);
        if (end == std::string::npos) end = header.size();
        std::string line = header.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        if (same_name(line, "Content-Length") || same_name(line, "Expect")) continue;
        has_accept = has_accept || same_name(line, "Accept");
        has_type = has_type || same_name(line, "Content-Type");
        // "Name:" alone tells curl to drop a header; "Name;" sends it empty.
        if (line.find_first_not_of(' ', colon + 1) == std::string::npos) line = line.substr(0, colon) + ";";
        list = curl_slist_append(list, line.c_str());
    }
    list = curl_slist_append(list, "Expect:");
    if (!has_accept) list = curl_slist_append(list, "Accept:");
    if (!has_type) list = curl_slist_append(list, "Content-Type:");
    return curl_ptr<curl_slist>(list);
}

int result_of(CURLcode code) {
    switch (code) {
    case CURLE_OK: return inet_success;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return inet_invalid_url;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT: return inet_cannot_connect;
    case CURLE_OPERATION_TIMEDOUT: return inet_timeout;
    default: return inet_failed;
    }
}

// One exchange on a prepared handle; the receiver hears of it only when an
// answer arrived.
int perform(CURL* h, CURLU* url, std::size_t limit, InternetResult& data, int& status_out) {
    Answer answer;
    answer.limit = limit < inet_max_answer_bytes ? limit : 0;
    curl_easy_setopt(h, CURLOPT_CURLU, url);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(g_connect_ms.load()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(g_total_ms.load()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer);
    const CURLcode code = curl_easy_perform(h);
    const int result = answer.cut && code == CURLE_WRITE_ERROR ? inet_success : result_of(code);
    if (result != inet_success) return result;
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    status_out = static_cast<int>(status);
    data.internetdata(answer.body);
    return result;
}

} // namespace

InetTimeouts inet_timeouts() {
    return {std::chrono::milliseconds(g_connect_ms.load()), std::chrono::milliseconds(g_total_ms.load())};
}

InetTimeouts set_inet_timeouts(InetTimeouts t) {
    InetTimeouts previous = inet_timeouts();
    g_connect_ms = t.connect.count();
    g_total_ms = t.total.count();
    return previous;
}

int Inet::GetURL(const std::string& url, InternetResult& data) {
    init_curl_once();
    data.http_status_ = 0;
    curl_ptr<CURLU> u = parse_url(url, 0);
    if (!u) return inet_invalid_url;
    curl_ptr<CURL> h(curl_easy_init());
    if (!h) return inet_failed;
    curl_easy_setopt(h.get(), CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h.get(), CURLOPT_MAXREDIRS, 5L);
    return perform(h.get(), u.get(), answer_limit_, data, data.http_status_);
}

int Inet::PostURL(const std::string& url, const blob& body, const std::string& header, long port,
                  InternetResult& data) {
    init_curl_once();
    data.http_status_ = 0;
    curl_ptr<CURLU> u = parse_url(url, port);
    if (!u) return inet_invalid_url;
    curl_ptr<CURL> h(curl_easy_init());
    if (!h) return inet_failed;
    curl_ptr<curl_slist> headers = header_list(header);
    curl_easy_setopt(h.get(), CURLOPT_POST, 1L);
    curl_easy_setopt(h.get(), CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h.get(), CURLOPT_HTTPHEADER, headers.get());
    return perform(h.get(), u.get(), answer_limit_, data, data.http_status_);
}

} // namespace rt
