// What the benches that talk to the local fake gateway share: the gateway,
// a scratch program folder, and a manager logged in as the demo user.
#pragma once

#include "core/n_cst_manager.h"
#include "runtime/path.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

// One gateway for the whole program, started on first use.
inline FakeGateway& gateway() {
    static FakeGateway g;
    return g;
}

// A new empty folder under the system's temporary folder; "" if none could be made.
inline std::string scratch_folder() {
    std::string folder = (std::filesystem::temp_directory_path() / "velotra-bench-XXXXXX").string();
    return mkdtemp(folder.data()) ? folder : std::string();
}

// The manager of a program in `folder`, pointed at `url` and logged in.
inline void sign_in(n_cst_manager& m, const std::string& folder, const std::string& url, bool auto_signature) {
    setenv("VELOTRA_URL", url.c_str(), 1);
    m.appdir = rt::program_path(folder);
    m.of_setappinifile(m.appdir + "\\velotra.ini");
    m.pub_app_init();
    m.userid = "1001";
    m.account = "acc";
    m.password = "pw";
    m.auto_signature = auto_signature;
}

} // namespace bench
