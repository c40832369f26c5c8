// What the account windows' tests share: a manager in a temporary program
// folder whose gateway is the fake one, recorded message boxes, a fixed
// clock, and a way to drive a modal window from inside its own loop.
#pragma once

#include "core/n_cst_manager.h"
#include "runtime/ui/window.h"
#include "tests/support/scripted.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

// A file of the source tree, as bytes. The tree is VELOTRA_SOURCE_DIR, which
// the test main sets; this header's own path serves when it is missing, but
// that path may be relative to the build folder, and ctest runs the programs
// from elsewhere.
inline std::string source_file(const std::string& relative) {
    const char* env = std::getenv("VELOTRA_SOURCE_DIR");
    const std::filesystem::path root = env && *env ? std::filesystem::path(env)
                                                   : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    std::ifstream in(root / relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// <build>/screenshots (the test programs live in <build>/bin), made when missing.
inline std::filesystem::path screenshots_folder() {
    const std::filesystem::path bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::filesystem::path folder = bin.parent_path() / "screenshots";
    std::filesystem::create_directories(folder);
    return folder;
}

struct AccountWindow : ::testing::Test {
    testing_support::TempProgramFolder dir;
    testing_support::RecordedBoxes boxes;
    testing_support::FixedClock clock{{2024, 3, 9, 7, 5, 4, 42}};
    FakeGateway gateway;

    void SetUp() override {
        setenv("VELOTRA_URL", gateway.url().c_str(), 1);
        setenv("VELOTRA_WEBURL", gateway.url().c_str(), 1);
        dir.write("velotra.ini", "");
        gnv_app = new n_cst_manager;
        gnv_app->appdir = dir.program();
        gnv_app->of_setappinifile(dir.program() + "\\velotra.ini");
        gnv_app->pub_app_init();
    }
    void TearDown() override {
        delete gnv_app;
        gnv_app = nullptr;
        unsetenv("VELOTRA_URL");
        unsetenv("VELOTRA_WEBURL");
    }

    // Opens `w` modally (with the string parameter when one is given) and
    // runs `body` inside its loop; closes it afterwards, as its close box
    // would, unless the body closed it. Answers the window's own answer.
    template <class W>
    rt::nstring drive(W& w, const std::function<void(W&)>& body, const char* parm = nullptr) {
        bool ran = false;
        rt::OnWindowOpened hook([&](rt::Window& opened) {
            if (&opened != &w || ran) return;
            ran = true;
            // The desktop activates the window after it has shown; the
            // focus is only real from then on.
            rt::Yield();
            body(w);
            if (w.is_open()) rt::Close(w);
        });
        if (parm) rt::OpenWithParm(w, parm);
        else rt::Open(w);
        EXPECT_TRUE(ran) << "the window did not open";
        return w.answer();
    }

    // The texts of the boxes shown since the last call, then forgets them.
    std::vector<std::string> box_texts() {
        std::vector<std::string> texts;
        for (const auto& b : boxes.shown()) texts.push_back(b.text);
        boxes.clear();
        return texts;
    }

    std::string today_log() const {
        return dir.exists("log/2024-03-09.txt") ? dir.read("log/2024-03-09.txt") : std::string();
    }
    static std::string log_entry(const std::string& msg) {
        const std::string stars(39, '*');
        return stars + "\r\n******* 2024-03-09 07:05:04.042 *******\r\n" + stars + "\r\n" + msg + "\r\n\r\n";
    }
    std::string scrambled(const std::string& plain) const {
        return gnv_app->of_encrypt(plain, gnv_app->e, gnv_app->n);
    }
};
