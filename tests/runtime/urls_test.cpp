#include "runtime/urls.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
void put_env(const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); }
} // namespace

TEST(Urls, EnvironmentReplacesTheBuiltInBaseUrls) {
    struct Case {
        const char* url_env; // null: unset
        const char* weburl_env;
        std::string gateway, web;
    } cases[] = {
        {nullptr, nullptr, VELOTRA_DEFAULT_URL, VELOTRA_DEFAULT_WEBURL},
        {"", "", VELOTRA_DEFAULT_URL, VELOTRA_DEFAULT_WEBURL},
        {"http://127.0.0.1:18080/", nullptr, "http://127.0.0.1:18080/", VELOTRA_DEFAULT_WEBURL},
        {nullptr, "http://127.0.0.1:18081", VELOTRA_DEFAULT_URL, "http://127.0.0.1:18081/"},
    };
    for (const auto& c : cases) {
        put_env("VELOTRA_URL", c.url_env);
        put_env("VELOTRA_WEBURL", c.weburl_env);
        EXPECT_EQ(c.gateway, rt::gateway_base_url()) << (c.url_env ? c.url_env : "unset");
        EXPECT_EQ(c.web, rt::web_base_url()) << (c.weburl_env ? c.weburl_env : "unset");
    }
    put_env("VELOTRA_URL", nullptr);
    put_env("VELOTRA_WEBURL", nullptr);
    EXPECT_EQ('/', rt::gateway_base_url().back());
    EXPECT_EQ('/', rt::web_base_url().back());
}
