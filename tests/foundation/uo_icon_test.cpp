// The icon painter: nothing without an icon, the newest icon at `size`.
#include "foundation/uo_icon.h"
#include "runtime/ui/window.h"
#include "tests/support/scripted.h"

#include <QImage>
#include <QImageWriter>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A 48 by 48 icon file of one colour.
void write_icon(const testing_support::TempProgramFolder& dir, const std::string& name, QColor c) {
    QImage img(48, 48, QImage::Format_ARGB32);
    img.fill(c);
    QImageWriter w(QString::fromStdString((dir.native() / name).string()), "ico");
    ASSERT_TRUE(w.write(img)) << w.errorString().toStdString();
}

struct About : rt::Window {
    uo_icon uo_about{this, {0, 0, 300, 240}}; // about 66 by 60 pixels
};

QColor at(uo_icon& icon, int x, int y) { return icon.widget()->grab().toImage().pixelColor(x, y); }

TEST(UoIcon, DrawsNothingWithoutALoadedIcon) {
    testing_support::TempProgramFolder dir;
    About w;
    rt::Open(w);
    const QColor background = at(w.uo_about, 5, 5);
    EXPECT_EQ(w.uo_about.size, 16);
    w.uo_about.of_loadicon("missing.ico");
    EXPECT_EQ(w.uo_about.iconhandle, 0);
    EXPECT_EQ(at(w.uo_about, 5, 5), background);
    dir.write("not-an-icon.ico", "plain text");
    w.uo_about.of_loadicon("not-an-icon.ico");
    EXPECT_EQ(w.uo_about.iconhandle, 0);
    QImage png(48, 48, QImage::Format_ARGB32);
    png.fill(Qt::red);
    ASSERT_TRUE(png.save(QString::fromStdString((dir.native() / "picture.ico").string()), "PNG"));
    w.uo_about.of_loadicon("picture.ico"); // a picture, not an icon
    EXPECT_EQ(w.uo_about.iconhandle, 0);
    EXPECT_EQ(at(w.uo_about, 5, 5), background);
    rt::Close(w);
}

TEST(UoIcon, DrawsTheNewestIconAtItsSize) {
    testing_support::TempProgramFolder dir;
    write_icon(dir, "red.ico", Qt::red);
    write_icon(dir, "blue.ico", Qt::blue);
    About w;
    rt::Open(w);
    w.uo_about.of_loadicon("red.ico");
    EXPECT_GT(w.uo_about.iconhandle, 0);
    EXPECT_EQ(at(w.uo_about, 15, 15), QColor(Qt::red));
    EXPECT_NE(at(w.uo_about, 20, 20), QColor(Qt::red)); // 16 by 16 by default
    w.uo_about.size = 32;
    EXPECT_EQ(at(w.uo_about, 31, 31), QColor(Qt::red));
    EXPECT_NE(at(w.uo_about, 33, 33), QColor(Qt::red));
    w.uo_about.of_loadicon("blue.ico");
    EXPECT_EQ(at(w.uo_about, 20, 20), QColor(Qt::blue));
    w.uo_about.of_loadicon("missing.ico");
    EXPECT_EQ(w.uo_about.iconhandle, 0);
    EXPECT_NE(at(w.uo_about, 20, 20), QColor(Qt::blue));
    rt::Close(w);
}

TEST(UoIcon, SetParentMovesItsWindowIntoAnother) {
    About w;
    rt::UserObject holder{&w, {400, 0, 600, 400}};
    rt::Window other;
    const QPoint at = w.uo_about.widget()->pos();
    w.uo_about.of_setparent(&holder);
    EXPECT_EQ(w.uo_about.widget()->parentWidget(), holder.area());
    EXPECT_EQ(w.uo_about.widget()->pos(), at);
    w.uo_about.of_setparent(&other);
    EXPECT_EQ(w.uo_about.widget()->parentWidget(), other.area());
    w.uo_about.of_setparent(static_cast<rt::Window*>(nullptr));
    EXPECT_EQ(w.uo_about.widget()->parentWidget(), other.area());
}

} // namespace
