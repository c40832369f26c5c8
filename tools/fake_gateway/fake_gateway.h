// The fake gateway: an HTTP server on 127.0.0.1 that stands in for the SMS
// gateway and its web server, for tests, benchmarks and the local demo.
//
// It records every request, answers the four actions ("send" and "overage"
// at sms.aspx, "user_chks_ones" and "reg_thr_ones" at api/com_api_thro.aspx)
// with XML that a test scripts, serves the update descriptor, an update
// archive and the poster (GET /sms/update/update.txt, /sms/update/velotra.zip
// and /sms/poster/poster.jpg, each replaceable with serve()), and fails on
// request. In demo mode it accepts any
// login, keeps a balance and answers sends consistently.
//
// Form bodies are read byte for byte as GBK: split at "&" and at the first
// "=", with no URL decoding, except that demo mode turns the client's %25,
// %26 and %2B back into "%", "&" and "+".
#pragma once

#include "runtime/value.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class FakeGateway {
public:
    struct Request {
        std::string method;  // "GET", "POST"
        std::string path;    // "/sms.aspx", without the query
        std::string query;   // after "?", raw; empty when none
        std::vector<std::pair<std::string, std::string>> headers; // as received, by name
        rt::blob body;       // raw bytes

        // Value of the first header of that name (any case); null when none.
        rt::nstring header(const std::string& name) const;
        std::size_t header_count(const std::string& name) const;
        // The body's fields in order, split at "&" and the first "=", raw.
        std::vector<std::pair<std::string, std::string>> form() const;
        // The raw value of the first field of that name; null when none.
        rt::nstring field(const std::string& name) const;
    };

    enum class Failure {
        none,
        refuse,            // stop listening: connections are refused (same port)
        hang,              // accept, then answer nothing until fail(none) or the end
        not_found,         // HTTP 404 for every path
        server_error,      // HTTP 500 for every path
        malformed_xml,     // the action's answer, cut off inside its last tag; a download cut in half
        wrong_declaration, // the action's answer (GBK) declared as encoding="utf-8"
        // These answer 200 on every path, downloads included:
        empty_body,        // no bytes at all
        doctype,           // an answer whose DOCTYPE names an external entity
        entity_bomb,       // an answer whose DOCTYPE nests entities a billion deep
        junk,              // 10 MiB of bytes that are no answer (junk_bytes)
        slow_drip,         // the right answer, one byte a second, for at most drip_limit seconds
    };
    static constexpr std::size_t junk_bytes = 10u << 20;
    static constexpr int drip_limit = 120;

    struct Options {
        bool demo = false;
        std::uint16_t port = 0; // 0: a free port
        long demo_balance = 1000;
    };

    FakeGateway();
    explicit FakeGateway(Options options);
    ~FakeGateway();
    FakeGateway(const FakeGateway&) = delete;
    FakeGateway& operator=(const FakeGateway&) = delete;

    std::uint16_t port() const;
    // "http://127.0.0.1:<port>/": serves as both base URLs.
    std::string url() const;

    // The answer (GBK bytes, sent as they are) to every later request with
    // this action, until scripted again. Unscripted actions get a default
    // answer of the right shape ("success"/"sucess"), or in demo mode the
    // demo's own.
    void script(const std::string& action, rt::blob answer);
    // Told of every request as it arrives, on the server's thread.
    void on_request(std::function<void(const Request&)> fn);
    // Answered, with this status, to every GET of `path` ("/sms/update/update.txt").
    void serve(const std::string& path, rt::blob bytes, int status = 200);
    void fail(Failure failure);

    std::vector<Request> requests() const;
    std::size_t request_count() const;
    Request last_request() const; // empty Request when none
    void clear_requests();

    // Demo mode's balance.
    long balance() const;

    // Answers of the shapes the client reads. Field values are GBK; a null
    // value leaves its element out.
    static rt::blob send_answer(const rt::nstring& returnstatus, const rt::nstring& message,
                                const rt::nstring& remainpoint, const rt::nstring& taskid,
                                const rt::nstring& successcounts);
    static rt::blob balance_answer(const rt::nstring& returnstatus, const rt::nstring& message,
                                   const rt::nstring& payinfo, const rt::nstring& overage,
                                   const rt::nstring& sendtotal);
    static rt::blob account_answer(const rt::nstring& returntypes, const rt::nstring& returncode,
                                   const rt::nstring& returnvalue, const rt::nstring& returnmessage);
    // A zip archive holding one stored entry.
    static rt::blob zip_archive(const std::string& entry_name, const rt::blob& entry_bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
