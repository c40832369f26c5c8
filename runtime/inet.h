// The internet service: HTTP GET and POST over libcurl, synchronous on the
// calling thread. Every call is bounded by the time-outs below, so a dead
// gateway cannot freeze the (single) GUI thread for ever.
#pragma once

#include "runtime/value.h"

#include <chrono>
#include <string>

namespace rt {

// Results of GetURL and PostURL.
inline constexpr int inet_success = 1;         // an HTTP answer arrived, whatever its status
inline constexpr int inet_invalid_url = -1;    // not an http:// or https:// URL, or malformed
inline constexpr int inet_cannot_connect = -2; // refused, unreachable, host not found
inline constexpr int inet_timeout = -3;        // no connection or no full answer in time
inline constexpr int inet_failed = -4;         // anything else: connection dropped, garbled answer,
                                               // answer larger than inet_max_answer_bytes

// Answers beyond this size are refused (inet_failed): the client only ever
// downloads small descriptors, a poster and an update archive.
inline constexpr std::size_t inet_max_answer_bytes = 256u << 20;

// The receiver of one request. The service stores the HTTP status and then
// calls internetdata once with the whole body, before GetURL or PostURL
// returns; it is not called when the result is not inet_success.
class InternetResult {
public:
    virtual ~InternetResult() = default;
    virtual int internetdata(const blob& data) = 0;
    // The HTTP status of the answer (200, 404, ...); 0 before an answer.
    int http_status() const { return http_status_; }

private:
    friend class Inet;
    int http_status_ = 0;
};

class Inet {
public:
    // A caller whose reader refuses answers beyond some size stops the
    // transfer once an answer holds more than `bytes` bytes: the receiver
    // gets its first bytes + 1 bytes, enough for that reader to refuse it,
    // without the rest having to arrive (the result is inet_success). The
    // limit holds for every later call on this object.
    void set_answer_limit(std::size_t bytes) { answer_limit_ = bytes; }

    // GET of url. Redirects are followed (at most five).
    int GetURL(const std::string& url, InternetResult& data);

    // POST of body, byte for byte, to url. `header` holds "Name: value"
    // lines separated by line feeds (a carriage return before the line feed
    // and empty lines are dropped); each goes once, as given, except
    // Content-Length, which always states the body's true length. Nothing is
    // added beyond Host and Content-Length: no Expect, no default Accept or
    // Content-Type. `port` applies to an http URL that names no port of its own.
    int PostURL(const std::string& url, const blob& body, const std::string& header, long port,
                InternetResult& data);

private:
    std::size_t answer_limit_ = 0; // 0: none below inet_max_answer_bytes
};

struct InetTimeouts {
    std::chrono::milliseconds connect{10'000}; // to set up the connection
    std::chrono::milliseconds total{60'000};   // for the whole exchange
};

InetTimeouts inet_timeouts();
// Replaces the time-outs of every later call and answers the previous ones
// (tests shorten them, so that a time-out test does not take a minute).
InetTimeouts set_inet_timeouts(InetTimeouts t);

} // namespace rt
