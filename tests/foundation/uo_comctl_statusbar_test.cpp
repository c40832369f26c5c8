// The status bar: parts at pixel right edges, part texts, the simple mode.
#include "foundation/uo_comctl_statusbar.h"
#include "runtime/ui/window.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct Preview : rt::Window {
    uo_comctl_statusbar uo_statebar{this, {0, 0, 2700, 76}}; // 600 pixels wide
};

TEST(UoComctlStatusbar, FourPartsTheLastReachingTheEnd) {
    Preview w;
    auto& bar = w.uo_statebar;
    ASSERT_TRUE(bar.of_setparts({110, 235, 300, -1}));
    std::vector<long> parts;
    EXPECT_EQ(bar.of_getparts(parts), 4);
    EXPECT_EQ(parts, (std::vector<long>{110, 235, 300, -1}));
    long top = 0, left = 0, right = 0, bottom = 0;
    ASSERT_TRUE(bar.of_getrect(3, top, left, right, bottom));
    EXPECT_EQ(right, bar.widget()->width());
    EXPECT_GT(left, 300);
    ASSERT_TRUE(bar.of_getrect(0, top, left, right, bottom));
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 110);
    EXPECT_FALSE(bar.of_getrect(4, top, left, right, bottom));
    EXPECT_EQ(right, 110); // left as it was
}

TEST(UoComctlStatusbar, TextsAreKeptWholeAndMeasured) {
    Preview w;
    auto& bar = w.uo_statebar;
    bar.of_setparts({110, 235, 300, -1});
    EXPECT_TRUE(bar.of_settext(3, "余额:12345条"));
    EXPECT_TRUE(bar.of_settext(0, "abc"));
    EXPECT_FALSE(bar.of_settext(4, "no such part"));
    std::string t = "stale";
    bar.of_gettext(3, t);
    EXPECT_EQ(t, "余额:12345条");
    bar.of_gettext(1, t);
    EXPECT_EQ(t, "");
    EXPECT_EQ(bar.of_gettextlength(0), 3);
    // Longer than the 255 bytes the original buffer held: read back whole.
    const std::string long_text(400, 'x');
    bar.of_settext(2, long_text);
    bar.of_gettext(2, t);
    EXPECT_EQ(t, long_text);
}

TEST(UoComctlStatusbar, EmptyPartsAreRefusedAndSimpleModeComesAndGoes) {
    Preview w;
    auto& bar = w.uo_statebar;
    bar.of_setparts({110, -1});
    EXPECT_FALSE(bar.of_setparts({}));
    std::vector<long> parts;
    EXPECT_EQ(bar.of_getparts(parts), 2);
    EXPECT_TRUE(bar.of_setsimple(true));
    EXPECT_TRUE(bar.of_setsimple(false));
    EXPECT_EQ(bar.of_getparts(parts), 2);
    // The most parts the bar takes, one more than of_getparts asks for.
    std::vector<long> many(256);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<long>(i + 1);
    ASSERT_TRUE(bar.of_setparts(many));
    EXPECT_EQ(bar.of_getparts(parts), 256);
    EXPECT_EQ(parts.size(), 255u);
    EXPECT_EQ(parts.back(), 255);
    long h = 0, v = 0;
    int between = 0;
    EXPECT_TRUE(bar.of_getborders(h, v, between));
}

TEST(UoComctlStatusbar, MessagesAreSentByTheirFixedNumbers) {
    Preview w;
    auto& bar = w.uo_statebar;
    // The public message variables are for reading; changing them changes
    // nothing the functions send.
    for (long* v : {&bar.sb_setparts, &bar.sb_settext, &bar.sb_gettext, &bar.sb_gettextlength, &bar.sb_getparts})
        *v = 0;
    EXPECT_TRUE(bar.of_setparts({110, -1}));
    EXPECT_TRUE(bar.of_settext(1, "abc"));
    std::string t;
    bar.of_gettext(1, t);
    EXPECT_EQ(t, "abc");
    EXPECT_EQ(bar.of_gettextlength(1), 3);
    std::vector<long> parts;
    EXPECT_EQ(bar.of_getparts(parts), 2);
}

TEST(UoComctlStatusbar, SimpleModeDrawsOnePart) {
    Preview w;
    rt::Open(w);
    auto& bar = w.uo_statebar;
    bar.of_setparts({110, 235, 300, -1});
    auto separators = [&] {
        // A part's sunken frame draws a light line at its right edge.
        const QImage img = bar.widget()->grab().toImage();
        return img.pixelColor(109, img.height() / 2) != img.pixelColor(60, img.height() / 2);
    };
    EXPECT_TRUE(separators());
    bar.of_setsimple(true);
    EXPECT_FALSE(separators());
    rt::Close(w);
}

} // namespace
