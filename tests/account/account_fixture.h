// What the account windows' tests share: a manager in a temporary program
// folder whose gateway is the fake one, recorded message boxes, a fixed
// clock, and a way to drive a modal window from inside its own loop.
#pragma once

#include "core/n_cst_manager.h"
#include "runtime/ui/window.h"
#include "tests/support/manager_fixture.h"
#include "tests/support/scripted.h"
#include "tests/support/tree_files.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

struct AccountWindow : ::testing::Test {
    testing_support::TempProgramFolder dir;
    testing_support::RecordedBoxes boxes;
    testing_support::FixedClock clock{{2024, 3, 9, 7, 5, 4, 42}};
    FakeGateway gateway;

    void SetUp() override {
        testing_support::open_manager(dir, gateway);
    }
    void TearDown() override {
        testing_support::close_manager();
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

    // A logged-in user with this balance and these signatures, the current
    // one as the settings file holds it.
    void sign_in(const std::string& overage, const std::string& signatures, const std::string& current) {
        gnv_app->userid = "1001";
        gnv_app->account = "acc";
        gnv_app->password = "pw";
        gnv_app->overage = overage;
        gnv_app->signature = signatures;
        gnv_app->auto_signature = true;
        dir.write("velotra.ini", "[cfg]\r\nsignature_current=" + current + "\r\n");
    }

    // The texts of the boxes shown since the last call, then forgets them.
    std::vector<std::string> box_texts() { return boxes.take_texts(); }

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
