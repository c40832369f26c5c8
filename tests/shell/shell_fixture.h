// What the shell's tests share: a manager in a temporary program folder
// whose gateway and web server are the fake gateway, recorded message boxes,
// browser and notification area, and a frame opened as the start-up opens it.
#pragma once

#include "core/n_cst_manager.h"
#include "runtime/gbk.h"
#include "runtime/services.h"
#include "runtime/ui/window.h"
#include "shell/w_mdi.h"
#include "tests/support/manager_fixture.h"
#include "tests/support/scripted.h"
#include "tests/support/tree_files.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The application icon stored with the client (the literal is GBK, the tree's names UTF-8).
inline std::string app_icon() { return source_file(rt::gbk_to_utf8("res/澄渊达.ico")); }

// Records the pages handed to the browser.
class RecordedBrowser {
public:
    RecordedBrowser() { previous_ = rt::set_browser(std::make_unique<Presenter>(urls_)); }
    ~RecordedBrowser() { rt::set_browser(std::move(previous_)); }
    const std::vector<std::string>& urls() const { return urls_; }

private:
    struct Presenter final : rt::Browser {
        explicit Presenter(std::vector<std::string>& u) : urls(u) {}
        bool open_url(const std::string& gbk_url) override {
            urls.push_back(gbk_url);
            return true;
        }
        std::vector<std::string>& urls;
    };
    std::vector<std::string> urls_;
    std::unique_ptr<rt::Browser> previous_;
};

struct ShellTest : ::testing::Test {
    testing_support::TempProgramFolder dir;
    testing_support::RecordedBoxes boxes;
    RecordedBrowser browser;
    testing_support::RecordedTray tray;
    FakeGateway gateway;

    void SetUp() override {
        dir.write(rt::gbk_to_utf8("res/澄渊达.ico"), app_icon());
        testing_support::open_manager(dir, gateway);
    }
    void TearDown() override {
        for (rt::Window* w : rt::open_windows()) rt::Close(*w);
        // Windows the runtime owns go once control is back in a loop.
        rt::Yield();
        testing_support::close_manager();
    }

    // Opens a frame as the start-up does and lets its posted events run.
    w_mdi& open_frame() {
        w_mdi& frame = rt::make_window<w_mdi>();
        rt::Open(frame);
        rt::Yield();
        return frame;
    }

    // The program's own files (res\, velotra.tb3) copied into the folder.
    void copy_program_files() {
        const std::filesystem::path bin = std::getenv("VELOTRA_BIN_DIR");
        std::filesystem::copy(bin / "res", dir.native() / "res",
                              std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy(bin / "velotra.tb3", dir.native() / "velotra.tb3");
    }

    std::vector<std::string> box_texts() { return boxes.take_texts(); }
    // Runs the calls posted so far (the sheet's fetches, the menu's show and hide).
    static void settle() {
        for (int i = 0; i < 5; ++i) rt::Yield();
    }
};
