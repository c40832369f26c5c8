#include "runtime/inet.h"

namespace rt {

namespace {
InetTimeouts g_timeouts;
}

InetTimeouts inet_timeouts() { return g_timeouts; }
InetTimeouts set_inet_timeouts(InetTimeouts t) {
    InetTimeouts previous = g_timeouts;
    g_timeouts = t;
    return previous;
}

int Inet::GetURL(const std::string&, InternetResult&) { return inet_failed; }
int Inet::PostURL(const std::string&, const blob&, const std::string&, long, InternetResult&) {
    return inet_failed;
}

} // namespace rt
