// The manager as start-up makes it, for the windows' tests: gnv_app in a
// temporary program folder with an empty velotra.ini, its gateway and web
// server the fake gateway. A fixture calls open_manager in SetUp and
// close_manager last in TearDown, after closing what it opened.
#pragma once

#include "core/n_cst_manager.h"
#include "tests/support/scripted.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <cstdlib>

namespace testing_support {

inline void open_manager(const TempProgramFolder& dir, const FakeGateway& gateway) {
    setenv("VELOTRA_URL", gateway.url().c_str(), 1);
    setenv("VELOTRA_WEBURL", gateway.url().c_str(), 1);
    dir.write("velotra.ini", "");
    gnv_app = new n_cst_manager;
    gnv_app->appdir = dir.program();
    gnv_app->of_setappinifile(dir.program() + "\\velotra.ini");
    gnv_app->pub_app_init();
}

inline void close_manager() {
    delete gnv_app;
    gnv_app = nullptr;
    unsetenv("VELOTRA_URL");
    unsetenv("VELOTRA_WEBURL");
}

} // namespace testing_support
