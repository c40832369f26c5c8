// The base controls: their defaults, the parent-window walk, the edit's
// events and the plain message box.
#include "core/n_cst_manager.h"
#include "foundation/pfc_u_cb.h"
#include "foundation/pfc_u_sle.h"
#include "foundation/pfc_u_st.h"
#include "foundation/w_master.h"
#include "runtime/ui/window.h"
#include "tests/support/scripted.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

struct Counting : w_master {
    int calls = 0;
    void pfc_controlgotfocus(rt::Control*) override { ++calls; }
};

struct Boxes : pfc_u_cb {
    using pfc_u_cb::of_messagebox;
    using pfc_u_cb::pfc_u_cb;
};

TEST(PfcUControls, Defaults) {
    rt::Window w;
    pfc_u_st st{&w};
    pfc_u_sle sle{&w};
    pfc_u_cb cb{&w};
    EXPECT_EQ(st.text(), "none");
    EXPECT_FALSE(st.enabled()); // never takes the focus
    EXPECT_EQ(cb.text(), "none");
    EXPECT_EQ((std::array{cb.width(), cb.height()}), (std::array{352, 92}));
    EXPECT_EQ((std::array{sle.width(), sle.height()}), (std::array{453, 77}));
    EXPECT_EQ(sle.text(), "");
    EXPECT_EQ(st.font().face, "MS Sans Serif");
    EXPECT_EQ(st.font().points, 8);
}

TEST(PfcUControls, ParentWindowClimbsThroughTabPages) {
    rt::Window w;
    rt::Tab tab{&w};
    rt::TabPage page{&tab, "page"};
    pfc_u_cb cb{&page};
    rt::Window* found = nullptr;
    EXPECT_EQ(cb.of_getparentwindow(found), 1);
    EXPECT_EQ(found, &w);
}

TEST(PfcUControls, FocusWithMicroHelpOffCallsNothingOnTheWindow) {
    n_cst_manager m;
    n_cst_manager* previous = gnv_app;
    gnv_app = &m;
    Counting w;
    pfc_u_sle sle{&w};
    pfc_u_cb cb{&w};
    sle.raise_getfocus();
    cb.raise_getfocus();
    EXPECT_EQ(w.calls, 0);
    gnv_app = previous;
}

TEST(PfcUControls, FocusWithMicroHelpOnTellsTheWindowThroughTabPages) {
    struct MicroHelp : n_cst_manager {
        MicroHelp() { ib_microhelp = true; }
    } m;
    n_cst_manager* previous = gnv_app;
    gnv_app = &m;
    struct Noting : w_master {
        std::vector<rt::Control*> got;
        void pfc_controlgotfocus(rt::Control* c) override { got.push_back(c); }
    } w;
    rt::Tab tab{&w};
    rt::TabPage page{&tab, "page"};
    pfc_u_cb cb{&page};
    pfc_u_sle sle{&w};
    cb.raise_getfocus();
    sle.raise_getfocus();
    EXPECT_EQ(w.got, (std::vector<rt::Control*>{&cb, &sle}));
    rt::Window plain; // not on the bases: nothing to tell, no error
    pfc_u_cb other{&plain};
    other.raise_getfocus();
    EXPECT_EQ(w.got.size(), 2u);
    gnv_app = previous;
}

TEST(PfcUControls, EditEvents) {
    rt::Window w;
    pfc_u_sle sle{&w};
    EXPECT_EQ(sle.pfc_undo(), 0); // nothing to undo
    EXPECT_EQ(sle.pfc_selectall(), 0);
    EXPECT_EQ(sle.contextmenu(1, 1), 1);
    EXPECT_EQ(sle.edit()->contextMenuPolicy(), Qt::NoContextMenu);
    sle.set_text("短信ab");
    sle.pfc_selectall();
    EXPECT_EQ(sle.SelectedText(), "短信ab");
    EXPECT_EQ(sle.TriggerEvent(std::string("pfc_clear")), 6); // bytes deleted
    EXPECT_EQ(sle.text(), "");
    EXPECT_EQ(sle.TriggerEvent(std::string("no_such_event")), -1);
}

TEST(PfcUControls, MessageBoxAnswersTheButtonWhateverTheId) {
    testing_support::RecordedBoxes boxes;
    rt::Window w;
    Boxes cb{&w};
    boxes.answer_next(1);
    boxes.answer_next(2);
    EXPECT_EQ(cb.of_messagebox("any id", "提示", "继续吗？", rt::Icon::Question, rt::Buttons::YesNo, 2), 1);
    EXPECT_EQ(cb.of_messagebox("", "提示", "继续吗？", rt::Icon::Question, rt::Buttons::YesNo, 2), 2);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].title, "提示");
    EXPECT_EQ(boxes.shown()[0].default_button, 2);
}

} // namespace
