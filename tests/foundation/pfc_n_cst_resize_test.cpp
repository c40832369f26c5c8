// The resize service: its modes, its refusals, rounding and refused sizes,
// and a real window whose registered controls keep their place.
#include "foundation/pfc_n_cst_resize.h"
#include "foundation/w_sheet.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/window.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct Fixture {
    rt::Window w;
    rt::StaticText st{&w, "x", {3000, 1500, 2000, 100}};
    pfc_n_cst_resize svc;
    Fixture() { svc.of_setorigsize(3500, 1600); }
};

TEST(PfcNCstResize, WorkedExampleAndModeTable) {
    struct Case {
        const char* mode;
        rt::Rect after; // control at 3000,1500 2000x100; window 3500x1600 -> 3600x1650
    } cases[] = {
        {"FixedToRight&Bottom", {3100, 1550, 2000, 100}},
        {"FixedToRight", {3100, 1500, 2000, 100}},
        {"FixedToBottom", {3000, 1550, 2000, 100}},
        {"ScaleToRight", {3000, 1500, 2100, 100}},
        {"ScaleToBottom", {3000, 1500, 2000, 150}},
        {"ScaleToRight&Bottom", {3000, 1500, 2100, 150}},
        {"FixedToRight&ScaleToBottom", {3100, 1500, 2000, 150}},
        {"FixedToBottom&ScaleToRight", {3000, 1550, 2100, 100}},
        {"fixedtoright&bottom", {3100, 1550, 2000, 100}}, // names match without regard to case
        {"Scale", {3085, 1546, 2057, 103}},                 // proportional: x3600/3500, y1650/1600
    };
    for (const auto& c : cases) {
        Fixture f;
        ASSERT_EQ(f.svc.of_register(&f.st, std::string(c.mode)), 1) << c.mode;
        EXPECT_EQ(f.svc.pfc_resize(0, 3600, 1650), 1);
        EXPECT_EQ((std::array{f.st.x(), f.st.y(), f.st.width(), f.st.height()}),
                  (std::array{c.after.x, c.after.y, c.after.width, c.after.height}))
            << c.mode;
    }
}

TEST(PfcNCstResize, Refusals) {
    Fixture f;
    rt::StaticText other{&f.w};
    EXPECT_EQ(f.svc.of_register(&f.st, std::string("ToTheMoon")), -1);
    EXPECT_EQ(f.svc.of_register(&f.st, rt::nstring()), -1);
    EXPECT_EQ(f.svc.of_register(nullptr, std::string("Scale")), -1);
    EXPECT_EQ(f.svc.of_register(&f.st, 101, 0, 0, 0), -1);
    EXPECT_EQ(f.svc.of_register(&f.st, 0, -1, 0, 0), -1);
    EXPECT_EQ(f.svc.of_register(&f.st, std::string("FixedToRight")), 1);
    EXPECT_EQ(f.svc.of_register(&f.st, std::string("ScaleToRight")), -1); // already registered
    f.svc.pfc_resize(0, 3600, 1600);
    EXPECT_EQ(f.st.x(), 3100); // the first record stands
    EXPECT_EQ(f.st.width(), 2000);

    pfc_n_cst_resize fresh;
    EXPECT_EQ(fresh.of_register(&other, std::string("FixedToRight")), -1);
    EXPECT_EQ(fresh.of_setminsize(10, 10), -1);
    EXPECT_EQ(fresh.pfc_resize(0, 10, 10), -1);
    EXPECT_EQ(fresh.of_setorigsize(rt::nlong(), 5), -1);

    rt::MdiClient mdi{&f.w};
    EXPECT_EQ(f.svc.of_register(&mdi, std::string("Scale")), -1);
}

TEST(PfcNCstResize, SameSizeMovesNothingAndShrinkMovesBack) {
    Fixture f;
    rt::StaticText wide{&f.w, "w", {100, 100, 2000, 64}};
    f.svc.of_register(&f.st, std::string("FixedToRight&Bottom"));
    f.svc.of_register(&wide, std::string("ScaleToRight"));
    EXPECT_EQ(f.svc.pfc_resize(0, 3500, 1600), 1);
    EXPECT_EQ(f.st.x(), 3000);
    f.svc.pfc_resize(0, 3300, 1500);
    EXPECT_EQ(f.st.x(), 2800);
    EXPECT_EQ(f.st.y(), 1400);
    EXPECT_EQ(wide.width(), 1800);
}

TEST(PfcNCstResize, MovesByOtherCodeAreTakenOverBeyondTheRounding) {
    Fixture f;
    f.svc.of_register(&f.st, std::string("FixedToRight"));
    f.st.Move(3010, 1500); // 10 units: a real move
    f.svc.pfc_resize(0, 3600, 1600);
    EXPECT_EQ(f.st.x(), 3110);
    f.st.Move(3113, 1500); // 3 units: rounding, the record stands
    f.svc.pfc_resize(0, 3700, 1600);
    EXPECT_EQ(f.st.x(), 3210);
}

TEST(PfcNCstResize, FractionsAddUp) {
    Fixture f;
    f.svc.of_register(&f.st, 50, 0, 0, 0);
    f.svc.pfc_resize(0, 3505, 1600);
    EXPECT_EQ(f.st.x(), 3002); // 2.5 truncated
    f.svc.pfc_resize(0, 3510, 1600);
    EXPECT_EQ(f.st.x(), 3005);
}

TEST(PfcNCstResize, AControlHeldAtItsMinimumFollowsAgainLater) {
    Fixture f;
    f.st.widget()->setMinimumWidth(300); // 1350 units
    f.svc.of_register(&f.st, std::string("ScaleToRight"));
    f.svc.pfc_resize(0, 2500, 1600); // recorded width 1000, held at 1350
    EXPECT_EQ(f.st.width(), 1350);
    f.svc.pfc_resize(0, 2700, 1600); // recorded 1200: still held
    EXPECT_EQ(f.st.width(), 1350);
    f.svc.pfc_resize(0, 3300, 1600); // recorded 1800: follows again
    EXPECT_EQ(f.st.width(), 1800);
}

TEST(PfcNCstResize, MinimumSizeAndDestroyedControls) {
    Fixture f;
    f.svc.of_register(&f.st, std::string("FixedToRight"));
    EXPECT_EQ(f.svc.of_setminsize(3400, 1000), 1);
    f.svc.pfc_resize(0, 3000, 1600); // counts as 3400
    EXPECT_EQ(f.st.x(), 2900);
    {
        rt::StaticText gone{&f.w};
        f.svc.of_register(&gone, std::string("FixedToRight"));
    }
    EXPECT_EQ(f.svc.pfc_resize(0, 3600, 1600), 1); // the destroyed one is skipped
    EXPECT_EQ(f.st.x(), 3100);
    EXPECT_EQ(f.svc.of_unregister(&f.st), 1);
    EXPECT_EQ(f.svc.of_unregister(&f.st), -1);
    f.svc.pfc_resize(0, 3800, 1600);
    EXPECT_EQ(f.st.x(), 3100);
}

TEST(PfcNCstResize, LinesMoveBothEnds) {
    Fixture f;
    rt::Line ln{&f.w, 100, 200, 1100, 200};
    f.svc.of_register(&ln, std::string("FixedToBottom"));
    f.svc.pfc_resize(0, 3500, 1700);
    EXPECT_EQ((std::array{ln.beginx(), ln.beginy(), ln.endx(), ln.endy()}), (std::array{100, 300, 1100, 300}));
}

// A sheet on the base window with registered controls, resized on screen.
class Sheet : public w_sheet {
public:
    rt::StaticText st_tips{this, "tips", {5, 8, 3470, 80}};
    rt::Picture p_poster{this, "", {722, 912, 2743, 616}};
    void open() override {
        w_sheet::open();
        of_setresize(true);
        inv_resize->of_register(&st_tips, std::string("ScaleToRight"));
        inv_resize->of_register(&p_poster, std::string("FixedToRight&Bottom"));
    }
};

TEST(PfcNCstResize, AWindowResizedOnScreenKeepsItsControlsInPlace) {
    Sheet s;
    rt::Open(s);
    rt::Yield();
    // Opening and the first resize events move nothing.
    EXPECT_EQ(s.p_poster.x(), 722);
    EXPECT_EQ(s.st_tips.width(), 3470);
    const int right_gap = s.WorkSpaceWidth() - s.p_poster.x();
    const int bottom_gap = s.WorkSpaceHeight() - s.p_poster.y();
    s.widget()->resize(s.widget()->width() + 100, s.widget()->height() + 50);
    rt::Yield();
    EXPECT_NEAR(s.WorkSpaceWidth() - s.p_poster.x(), right_gap, 1);
    EXPECT_NEAR(s.WorkSpaceHeight() - s.p_poster.y(), bottom_gap, 1);
    EXPECT_EQ(s.st_tips.width(), 3470 + 450);
    rt::Close(s);
}

} // namespace
