// The etched separator: its height, its lines' ends, and the footer layout.
#include "foundation/uo_line.h"
#include "runtime/ui/window.h"

#include <gtest/gtest.h>

#include <array>

namespace {

std::array<int, 4> ends(const rt::Line& l) { return {l.beginx(), l.endx(), l.beginy(), l.endy()}; }

TEST(UoLine, EndsWithAndWithoutInsetsAndAFixedHeight) {
    struct Case {
        bool haveleftright;
        int width;
        int begin, end;
    } cases[] = {{true, 1650, 80, 1570}, {false, 1650, 0, 1650}, {true, 100, 80, 20}};
    for (const auto& c : cases) {
        rt::Window w;
        uo_line uo_2{&w, {12, 700, c.width, 48}};
        uo_2.haveleftright = c.haveleftright;
        rt::Open(w);
        EXPECT_EQ(uo_2.height(), 8);
        EXPECT_EQ(uo_2.x(), 0);
        EXPECT_EQ(ends(uo_2.ln_1), (std::array{c.begin, c.end, 0, 0})) << c.width;
        EXPECT_EQ(ends(uo_2.ln_2), (std::array{c.begin, c.end, 4, 4})) << c.width;
        EXPECT_EQ(uo_2.lines().front(), &uo_2.ln_2); // created ln_2 first
        uo_2.Resize(c.width + 100, 30);
        EXPECT_EQ(uo_2.height(), 8);
        EXPECT_EQ(uo_2.ln_1.endx(), c.end + 100);
    }
}

struct Footer : rt::Window {
    rt::SingleLineEdit sle{this, "", {100, 200, 800, 80}};
    rt::DropDownListBox ddlb{this, {100, 400, 800, 300}};
    uo_line line{this};
    rt::CommandButton cb_ok{this, "确定&E"};       // 6 bytes
    rt::CommandButton cb_x{this, "取消(&C)"};      // 8 bytes with "(&"
    rt::CommandButton cb_long{this, "发送短信内容"}; // 12 bytes
    Footer() { set_design_size(3000, 1500); }
};

TEST(UoLine, FooterPlacesButtonsRightToLeft) {
    Footer w;
    const int wsw = w.WorkSpaceWidth();
    const int h_before = w.height();
    w.line.of_footer(&w, &w.sle, {&w.cb_ok, &w.cb_x, &w.cb_long});
    EXPECT_EQ(w.line.y(), 200 + 80 + 48);
    EXPECT_EQ(w.line.width(), wsw);
    EXPECT_TRUE(w.line.haveleftright.value_or(false));
    EXPECT_EQ(w.cb_long.width(), 384);
    EXPECT_EQ(w.cb_x.width(), 320);
    EXPECT_EQ(w.cb_ok.width(), 320);
    EXPECT_EQ(w.cb_long.x() + w.cb_long.width(), wsw - 80);
    EXPECT_EQ(w.cb_x.x() + w.cb_x.width(), w.cb_long.x() - 27);
    EXPECT_EQ(w.cb_ok.y(), w.line.y() + 48);
    // No window function for the border height: the window keeps its height.
    EXPECT_EQ(w.height(), h_before);

    w.line.of_footer(&w, &w.ddlb, {&w.cb_ok});
    EXPECT_EQ(w.line.y(), 400 + 120);

    // A button that keeps a width above the computed one is placed by it.
    w.cb_ok.widget()->setMinimumWidth(100); // 450 units
    w.line.of_footer(&w, &w.sle, {&w.cb_ok});
    EXPECT_EQ(w.cb_ok.width(), 450);
    EXPECT_EQ(w.cb_ok.x() + w.cb_ok.width(), wsw - 80);
}

TEST(UoLine, FooterWithoutAControlOrWithManyButtons) {
    Footer w;
    rt::CommandButton b4{&w, "a"}, b5{&w, "b"};
    w.line.haveleftright = false;
    w.line.of_footer(&w, {&w.cb_ok, &w.cb_x, &w.cb_long, &b4, &b5});
    EXPECT_EQ(w.line.y(), w.WorkSpaceHeight() - 188);
    EXPECT_FALSE(w.line.haveleftright.value_or(true));
    EXPECT_EQ(b4.x() + b4.width(), b5.x() - 9);
}

TEST(UoLine, FooterWithHideTakesTheLinesPlace) {
    Footer w;
    w.line.of_footer(&w, &w.sle, {&w.cb_ok}, true);
    EXPECT_FALSE(w.line.visible());
    EXPECT_EQ(w.line.y(), 200 + 80);
    EXPECT_EQ(w.cb_ok.y(), 200 + 80 + 48);
}

} // namespace
