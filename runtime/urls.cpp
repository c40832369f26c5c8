#include "runtime/urls.h"

#include "runtime/gbk.h"

#include <cstdlib>

namespace rt {

namespace {

std::string base_url(const char* env_name, const char* built_in) {
    const char* env = std::getenv(env_name);
    std::string url = (env && *env) ? utf8_to_gbk(env) : std::string(built_in);
    // Every address is made by appending to the base, so a base given
    // without its final "/" would glue the host to the page name.
    if (!url.empty() && url.back() != '/') url += '/';
    return url;
}

} // namespace

std::string gateway_base_url() { return base_url("VELOTRA_URL", VELOTRA_DEFAULT_URL); }
std::string web_base_url() { return base_url("VELOTRA_WEBURL", VELOTRA_DEFAULT_WEBURL); }

} // namespace rt
