// The rounded picture button: its three pictures by state and its outline.
#include "foundation/uo_arcbutton.h"
#include "runtime/ui/window.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

void move_to(QWidget* w, int px, int py) {
    QMouseEvent e(QEvent::MouseMove, QPointF(px, py), w->mapToGlobal(QPointF(px, py)), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void click_at(QWidget* w, int px, int py) {
    const QPointF p(px, py), g = w->mapToGlobal(p);
    QMouseEvent down(QEvent::MouseButtonPress, p, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, p, g, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &up);
}
void leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

struct Buttons : rt::Window {
    uo_arcbutton pb_send{this, "发送&S", {90, 80, 462, 160}};
    uo_arcbutton pb_close{this, "关闭&C", {600, 80, 462, 160}};
};

TEST(UoArcbutton, PicturesFollowTheHoverAndTheRelease) {
    Buttons w;
    rt::Open(w);
    QWidget* b = w.pb_send.widget();
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnDefault.jpg");
    move_to(b, 20, 20);
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnFocus.jpg");
    EXPECT_TRUE(w.pb_send.has_capture());
    int clicks = 0;
    w.pb_send.on_clicked = [&] { ++clicks; };
    click_at(b, 20, 20);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnDefault.jpg"); // after the release, pointer still over it
    move_to(b, 21, 20);
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnFocus.jpg");
    // Into the strip left of the outline: the pointer leaves the button's
    // widget and moves over the window, and the held capture still counts
    // it as inside.
    QWidget* win = w.widget();
    leave(b);
    const QPoint strip = b->mapTo(win, QPoint(1, 20));
    move_to(win, strip.x(), strip.y());
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnFocus.jpg");
    EXPECT_TRUE(w.pb_send.has_capture());
    const QPoint out = b->mapTo(win, QPoint(-3, 20));
    move_to(win, out.x(), out.y());
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnDefault.jpg");
    EXPECT_FALSE(w.pb_send.has_capture());
    // Leaving the whole window while hovered is a movement outside.
    move_to(b, 20, 20);
    leave(win);
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnDefault.jpg");
    EXPECT_FALSE(w.pb_send.has_capture());
    rt::Close(w);
}

TEST(UoArcbutton, HoverAreaEndsAtWidthLess8AndHeightLess7) {
    Buttons w;
    rt::Open(w);
    struct Case {
        int x, y;
        bool inside;
    } cases[] = {{0, 0, true}, {454, 153, true}, {455, 100, false}, {100, 154, false}, {-1, 10, false}};
    for (const auto& c : cases) {
        w.pb_send.mousemove(0, c.x, c.y);
        EXPECT_EQ(w.pb_send.shown_picture() == "res\\BtnFocus.jpg", c.inside) << c.x << "," << c.y;
        w.pb_send.mousemove(0, -5, -5); // out again: capture released
    }
    rt::Close(w);
}

TEST(UoArcbutton, DisabledButtonShowsItsDisabledPictureAndNoHover) {
    Buttons w;
    w.pb_send.set_enabled(false);
    rt::Open(w);
    w.pb_send.mousemove(0, 50, 50);
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnDisable.jpg");
    EXPECT_FALSE(w.pb_send.has_capture());
    rt::Close(w);
}

TEST(UoArcbutton, MovingToTheNextButtonReleasesTheFirst) {
    Buttons w;
    rt::Open(w);
    move_to(w.pb_send.widget(), 10, 10);
    leave(w.pb_send.widget());
    move_to(w.pb_close.widget(), 10, 10);
    EXPECT_FALSE(w.pb_send.has_capture());
    EXPECT_EQ(w.pb_send.shown_picture(), "res\\BtnDefault.jpg");
    EXPECT_EQ(w.pb_close.shown_picture(), "res\\BtnFocus.jpg");
    rt::Close(w);
}

TEST(UoArcbutton, OutlineIsSetFromTheSizeAtCreation) {
    struct Sized : rt::Window {
        uo_arcbutton pb{this, "添加签名", {0, 0, 389, 128}};
    } w;
    rt::Open(w);
    const QRegion mask = w.pb.widget()->mask();
    const QRect box = mask.boundingRect();
    // 3 pixels in from the top left, ending at (389-8) and (128-7) units.
    EXPECT_EQ(box.left(), 3);
    EXPECT_EQ(box.top(), 3);
    EXPECT_EQ(box.right() + 1, rt::units_to_px_x(381));
    EXPECT_EQ(box.bottom() + 1, rt::units_to_px_y(121));
    EXPECT_FALSE(mask.contains(QPoint(3, 3)));   // the rounded corner
    EXPECT_TRUE(mask.contains(QPoint(20, 15)));
    w.pb.Resize(800, 300);
    EXPECT_EQ(w.pb.widget()->mask().boundingRect(), box);
    rt::Close(w);
}

} // namespace
