// The window bases: the two-step open sequence, the icon from the manager,
// the resize service switch, and what minimising tells the service.
#include "core/n_cst_manager.h"
#include "foundation/pfc_n_cst_resize.h"
#include "foundation/w_master.h"
#include "foundation/w_response.h"
#include "foundation/w_sheet.h"
#include "runtime/ui/controls.h"
#include "tests/support/scripted.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A manager for the duration of a test.
struct Manager {
    n_cst_manager m;
    n_cst_manager* previous = gnv_app;
    explicit Manager(const std::string& appico) {
        m.appico = appico;
        gnv_app = &m;
    }
    ~Manager() { gnv_app = previous; }
};

class Logged : public w_response {
public:
    std::vector<std::string> log;
    void pfc_preopen() override { log.push_back("preopen"); }
    void open() override {
        w_response::open();
        log.push_back("open");
    }
    void pfc_postopen() override {
        w_response::pfc_postopen();
        log.push_back("postopen icon=" + icon());
    }
};

TEST(WMaster, PreopenRunsInsideOpenAndPostopenAfterItSettingTheIcon) {
    testing_support::TempProgramFolder dir;
    Manager app("res\\澄渊达.ico");
    Logged w;
    rt::OnWindowOpened hook([&](rt::Window& win) {
        w.log.push_back("hook");
        rt::Close(win);
    });
    rt::Open(w);
    EXPECT_EQ(w.log, (std::vector<std::string>{"preopen", "open", "postopen icon=res\\澄渊达.ico", "hook"}));
}

TEST(WMaster, BlankIconPathKeepsTheDesignIcon) {
    for (const char* blank : {"", "   "}) {
        Manager app(blank);
        Logged w;
        rt::OnWindowOpened hook([](rt::Window& win) { rt::Close(win); });
        rt::Open(w);
        EXPECT_EQ(w.icon(), "AppIcon!");
    }
}

TEST(WMaster, DesignDefaultsOfTheThreeBases) {
    w_master m;
    w_sheet s;
    w_response r;
    EXPECT_EQ(m.title(), "Untitled");
    EXPECT_TRUE(m.minbox() && m.maxbox() && m.resizable() && m.center());
    EXPECT_EQ(m.window_type(), rt::WindowType::main);
    EXPECT_EQ(m.width(), 3537); // 3538 units, to the pixel
    EXPECT_EQ(s.width(), 3519);
    EXPECT_EQ(r.window_type(), rt::WindowType::response);
    EXPECT_FALSE(r.minbox() || r.maxbox() || r.resizable());
}

class Resizable : public w_sheet {
public:
    struct Counting : pfc_n_cst_resize {
        std::vector<std::pair<long, long>> sizes;
        int pfc_resize(unsigned long t, rt::nlong w, rt::nlong h) override {
            sizes.emplace_back(*w, *h);
            return pfc_n_cst_resize::pfc_resize(t, w, h);
        }
    };
    Counting* counting() { return static_cast<Counting*>(inv_resize.get()); }
    void attach_counting() { inv_resize = std::make_unique<Counting>(); }
    using w_master::inv_resize;
};

TEST(WMaster, SetResizeSwitch) {
    Resizable w;
    EXPECT_EQ(w.of_setresize(rt::null), -1);
    EXPECT_EQ(w.of_setresize(false), 0);
    EXPECT_EQ(w.of_setresize(true), 1);
    rt::StaticText st{&w};
    ASSERT_EQ(w.inv_resize->of_register(&st, std::string("FixedToRight")), 1);
    EXPECT_EQ(w.of_setresize(true), 0);
    // The service is the same one: the control is still registered.
    EXPECT_EQ(w.inv_resize->of_register(&st, std::string("FixedToRight")), -1);
    EXPECT_EQ(w.of_setresize(false), 1);
    EXPECT_EQ(w.inv_resize, nullptr);
}

TEST(WMaster, MinimisingTellsTheServiceNothingAndRestoringTellsTheSize) {
    Resizable w;
    rt::Open(w);
    w.attach_counting();
    w.inv_resize->of_setorigsize(w.WorkSpaceWidth(), w.WorkSpaceHeight());
    w.widget()->showMinimized();
    rt::Yield();
    EXPECT_TRUE(w.counting()->sizes.empty());
    w.widget()->showNormal();
    rt::Yield();
    ASSERT_FALSE(w.counting()->sizes.empty());
    EXPECT_EQ(w.counting()->sizes.back(), (std::pair<long, long>(w.WorkSpaceWidth(), w.WorkSpaceHeight())));
    rt::Close(w);
}

TEST(WMaster, ControlGotFocusNotesOnlyDataWindows) {
    struct Peek : w_master {
        using w_master::idw_active;
    } w;
    rt::CommandButton cb{&w};
    rt::StaticText st{&w};
    w.pfc_controlgotfocus(nullptr);
    w.pfc_controlgotfocus(&cb);
    w.pfc_controlgotfocus(&st);
    EXPECT_EQ(w.idw_active, nullptr);
    EXPECT_TRUE(w.pfc_descendant());
}

} // namespace
