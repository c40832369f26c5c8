// The status bar: parts at pixel right edges, part texts, the simple mode.
#include "foundation/uo_comctl_statusbar.h"
#include "runtime/ui/window.h"

#include <QCoreApplication>
#include <QImage>
#include <QPaintEvent>
#include <QScreen>
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

namespace {

// The region of the bar's next paint.
struct PaintWatch : QObject {
    QRegion region;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

// The bar at the bottom of its window, as windows place it.
struct Footer : rt::Window {
    uo_comctl_statusbar uo_statebar{this, {90, 800, 2700, 76}};
};

TEST(UoComctlStatusbar, ANewTextRepaintsOnlyItsPartAndTheScreenShowsTheWholeBar) {
    Footer w;
    rt::Open(w);
    auto& bar = w.uo_statebar;
    bar.of_setparts({110, 235, 300, -1});
    bar.of_settext(0, "余额[950]!");
    bar.of_settext(1, " 合计：100");
    QCoreApplication::processEvents();

    PaintWatch watch;
    bar.widget()->installEventFilter(&watch);
    bar.of_settext(3, "正在发送第[29]条!");
    QCoreApplication::processEvents();
    long top = 0, left = 0, right = 0, bottom = 0;
    ASSERT_TRUE(bar.of_getrect(3, top, left, right, bottom));
    EXPECT_FALSE(watch.region.isEmpty());
    EXPECT_GE(watch.region.boundingRect().left(), left);

    // The same text again paints nothing.
    watch.region = QRegion();
    bar.of_settext(3, "正在发送第[29]条!");
    QCoreApplication::processEvents();
    EXPECT_TRUE(watch.region.isEmpty());
    bar.widget()->removeEventFilter(&watch);

    // What reached the screen is the whole bar as a full paint draws it:
    // the parts that were not repainted kept their texts.
    QWidget* top_level = w.widget()->window();
    const QPoint at = bar.widget()->mapTo(top_level, QPoint(0, 0));
    const QImage shown = top_level->screen()
                             ->grabWindow(top_level->winId(), at.x(), at.y(), bar.widget()->width(),
                                          bar.widget()->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    const QImage full = bar.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, full);
    rt::Close(w);
}

} // namespace
