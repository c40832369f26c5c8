// The window runtime: open sequence, modal answers, posted events, Yield,
// close-query, keys and layout units.
#include "runtime/datastore.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/datawindow.h"
#include "runtime/ui/units.h"
#include "runtime/ui/window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string>* journal = nullptr;
void note(const std::string& s) {
    if (journal) journal->push_back(s);
}

class LoggedText : public rt::StaticText {
public:
    LoggedText(rt::Container* p, const std::string& name) : rt::StaticText(p, name) {}
    void constructor() override { note("constructor " + text()); }
};

class Base : public rt::Window {
public:
    Base() { set_window_type(rt::WindowType::response); }
    void open() override { note("base open"); }
};

class Dialog : public Base {
public:
    LoggedText st_1{this, "st_1"};
    LoggedText st_2{this, "st_2"};
    rt::SingleLineEdit sle_1{this};
    rt::CommandButton cb_ok{this, "确定&E"};
    void open() override {
        Base::open();
        note("dialog open");
        rt::PostEvent(*this, [] { note("posted"); });
    }
    std::vector<std::pair<int, unsigned long>> keys;
    void key(int k, unsigned long f) override { keys.emplace_back(k, f); }
    int refuse_close = 0;
    int closequery() override { return refuse_close; }
    void close() override { note("close"); }
};

struct Journal {
    std::vector<std::string> lines;
    Journal() { journal = &lines; }
    ~Journal() { journal = nullptr; }
};

void send_key(QWidget* to, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(to, &release);
}

TEST(UiWindow, OpenRunsConstructorsThenOpenThenPostedCallsThenHooks) {
    Journal j;
    Dialog d;
    rt::OnWindowOpened hook([](rt::Window& w) {
        note("hook");
        rt::Close(w);
    });
    EXPECT_EQ(rt::Open(d), 1);
    EXPECT_EQ(j.lines, (std::vector<std::string>{"constructor st_1", "constructor st_2", "base open", "dialog open",
                                                 "posted", "hook", "close"}));
    EXPECT_FALSE(d.is_open());
}

TEST(UiWindow, ModalAnswerIsTheWindowsOwnNeverAStaleOne) {
    Dialog d;
    {
        rt::OnWindowOpened hook([](rt::Window& w) { rt::CloseWithReturn(w, "ok"); });
        rt::OpenWithParm(d, "one");
    }
    ASSERT_TRUE(rt::message().stringparm);
    EXPECT_EQ(*rt::message().stringparm, "ok");
    {
        // Closed by its close box: no answer, whatever the last window gave.
        rt::OnWindowOpened hook([](rt::Window& w) { w.widget()->close(); });
        rt::Open(d);
    }
    EXPECT_FALSE(rt::message().stringparm);
    EXPECT_FALSE(d.answer());
}

TEST(UiWindow, AWindowOwnedByTheRuntimeAnswersAndIsDeleted) {
    static int alive = 0;
    struct Owned : Dialog {
        Owned() { ++alive; }
        ~Owned() override { --alive; }
    };
    Owned& d = rt::make_window<Owned>();
    rt::OnWindowOpened hook([](rt::Window& w) { rt::CloseWithReturn(w, "ok"); });
    rt::Open(d);
    EXPECT_EQ(rt::message().stringparm, rt::nstring("ok"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(alive, 0);
}

TEST(UiWindow, OpenWithParmHandsTheParameterToOpen) {
    struct Reader : Dialog {
        rt::nstring seen;
        void open() override {
            seen = rt::message().stringparm;
            rt::Close(*this);
        }
    } r;
    rt::OpenWithParm(r, "one");
    EXPECT_EQ(r.seen, rt::nstring("one"));
}

// A row store of any kind arrives as rt::DataStore*, whatever the opener's
// class: the receiver shares its rows without knowing that class.
TEST(UiWindow, OpenWithParmHandsARowStoreOverAsADataStore) {
    struct Reader : Dialog {
        rt::DataStore* seen = nullptr;
        void open() override {
            if (auto* p = std::any_cast<rt::DataStore*>(&rt::message().powerobjectparm)) seen = *p;
            rt::Close(*this);
        }
    };
    struct Opener : rt::DataWindow {
        using rt::DataWindow::DataWindow;
    };
    rt::DataStore store;
    Opener control{nullptr};
    Reader a, b;
    rt::OpenWithParm(a, &store);
    EXPECT_EQ(a.seen, &store);
    rt::OpenWithParm(b, &control);
    EXPECT_EQ(b.seen, static_cast<rt::DataStore*>(&control));

    // Any other object keeps its own type.
    struct Reader2 : Dialog {
        int* seen = nullptr;
        void open() override {
            if (auto* p = std::any_cast<int*>(&rt::message().powerobjectparm)) seen = *p;
            rt::Close(*this);
        }
    } c;
    int value = 7;
    rt::OpenWithParm(c, &value);
    EXPECT_EQ(c.seen, &value);
}

TEST(UiWindow, NestedModalAnswersDoNotLeakToTheOuterWindow) {
    Dialog outer, inner;
    rt::nstring inner_answer_seen;
    rt::OnWindowOpened hook([&](rt::Window& w) {
        if (&w == &outer) {
            rt::Open(inner); // runs its own loop inside the outer one
            inner_answer_seen = rt::message().stringparm;
            rt::Close(outer);
        } else {
            EXPECT_TRUE(outer.is_open());
            rt::CloseWithReturn(w, "reg");
        }
    });
    rt::Open(outer);
    EXPECT_EQ(inner_answer_seen, rt::nstring("reg"));
    EXPECT_FALSE(rt::message().stringparm);
}

TEST(UiWindow, CloseQueryKeepsTheWindowOpen) {
    Dialog d;
    d.refuse_close = 1;
    int tries = 0;
    rt::OnWindowOpened hook([&](rt::Window& w) {
        EXPECT_EQ(rt::Close(w), -1);
        w.widget()->close(); // the close box is refused too
        EXPECT_TRUE(w.is_open());
        ++tries;
        d.refuse_close = 0;
        EXPECT_EQ(rt::CloseWithReturn(w, "done"), 1);
    });
    rt::Open(d);
    EXPECT_EQ(tries, 1);
    EXPECT_EQ(rt::message().stringparm, rt::nstring("done"));
}

TEST(UiWindow, YieldRunsAQueuedClickDuringALoop) {
    struct Busy : Dialog {
        int clicks = 0;
        int rounds_before_click = -1;
        Busy() {
            cb_ok.on_clicked = [this] { ++clicks; };
        }
        void open() override {
            cb_ok.PostEvent(rt::Event::clicked);
            for (int i = 0; i < 5 && clicks == 0; ++i) {
                rounds_before_click = i;
                rt::Yield();
            }
            rt::Close(*this);
        }
    } b;
    rt::Open(b);
    EXPECT_EQ(b.clicks, 1);
    EXPECT_EQ(b.rounds_before_click, 0);
}

TEST(UiWindow, KeysReachTheWindowWhileAChildHasTheFocus) {
    Dialog d;
    int clicks = 0;
    d.cb_ok.on_clicked = [&] { ++clicks; };
    rt::OnWindowOpened hook([&](rt::Window& w) {
        d.sle_1.SetFocus();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_EQ(focus, d.sle_1.widget());
        send_key(focus, Qt::Key_Return);
        send_key(focus, Qt::Key_Up);
        send_key(focus, Qt::Key_Down, Qt::ShiftModifier);
        send_key(focus, Qt::Key_Escape);
        // Neither Enter nor Esc did anything of its own: no default or cancel button.
        EXPECT_EQ(clicks, 0);
        EXPECT_TRUE(w.is_open());
        d.cb_ok.set_default(true);
        send_key(focus, Qt::Key_Enter);
        EXPECT_EQ(clicks, 1);
        rt::Close(w);
    });
    rt::Open(d);
    using K = std::pair<int, unsigned long>;
    EXPECT_EQ(d.keys, (std::vector<K>{{13, 0}, {38, 0}, {40, rt::key_shift}, {27, 0}, {13, 0}}));
}

// Alt with a button's accelerator letter, pressed as the keyboard presses
// it (through Qt's shortcuts): the button when it can be pressed; nothing at
// all when it is disabled or hidden, neither a click nor the letter in the
// edit that has the focus.
TEST(UiWindow, AcceleratorOfAButtonThatCannotBePressedDoesNothing) {
    class Form : public Base {
    public:
        rt::MultiLineEdit mle_1{this, "", {0, 0, 800, 300}};
        rt::SingleLineEdit sle_1{this, "", {0, 320, 800, 80}};
        rt::CommandButton cb_send{this, "发送&S", {900, 0, 352, 92}};
        rt::PictureButton pb_close{this, "关闭&C", {900, 120, 462, 128}};
    };
    const struct {
        const char* name;
        void (*make_dead)(rt::Control&);
    } ways[] = {{"disabled", [](rt::Control& c) { c.set_enabled(false); }},
                {"hidden", [](rt::Control& c) { c.Hide(); }}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Form f;
        int sends = 0, closes = 0;
        f.cb_send.on_clicked = [&] { ++sends; };
        f.pb_close.on_clicked = [&] { ++closes; };
        rt::OnWindowOpened hook([&](rt::Window& w) {
            way.make_dead(f.cb_send);
            way.make_dead(f.pb_close);
            for (rt::Control* edit : std::initializer_list<rt::Control*>{&f.mle_1, &f.sle_1}) {
                edit->SetFocus();
                for (Qt::Key k : {Qt::Key_S, Qt::Key_S, Qt::Key_C}) QTest::keyClick(edit->widget(), k, Qt::AltModifier);
                QTest::keyClick(edit->widget(), Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier);
                // A letter of no button types as ever.
                QTest::keyClick(edit->widget(), Qt::Key_X, Qt::AltModifier);
            }
            EXPECT_EQ(f.mle_1.edit()->toPlainText(), "x");
            EXPECT_EQ(f.sle_1.text(), "x");

            // Back in service, the buttons take their letters again.
            f.cb_send.set_enabled(true);
            f.cb_send.Show();
            f.pb_close.set_enabled(true);
            f.pb_close.Show();
            f.mle_1.SetFocus();
            QTest::keyClick(f.mle_1.widget(), Qt::Key_S, Qt::AltModifier);
            QTest::keyClick(f.mle_1.widget(), Qt::Key_C, Qt::AltModifier);
            EXPECT_TRUE(QTest::qWaitFor([&] { return sends == 1 && closes == 1; }));
            EXPECT_EQ(f.mle_1.edit()->toPlainText(), "x");
            rt::Close(w);
        });
        rt::Open(f);
        EXPECT_EQ(sends, 1);
        EXPECT_EQ(closes, 1);
    }
}

// A key press that opens a message box may leave the focus nowhere once
// the box has closed (on a real desktop, until the window is active again);
// the same press travelling on to the edit's parents is still heard once.
class ClearsTheFocus : public Dialog {
public:
    void key(int k, unsigned long f) override {
        Dialog::key(k, f);
        if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    }
};

TEST(UiWindow, AKeyPressIsHeardOnceWhenItsHandlingLeftTheFocusNowhere) {
    ClearsTheFocus d;
    rt::OnWindowOpened hook([&](rt::Window& w) {
        d.sle_1.SetFocus();
        send_key(d.sle_1.widget(), Qt::Key_Return);
        send_key(d.sle_1.widget(), Qt::Key_Return); // a second press is a press of its own
        rt::Close(w);
    });
    rt::Open(d);
    EXPECT_EQ(d.keys.size(), 2u);
}

TEST(UiWindow, EscPressesOnlyACancelButton) {
    Dialog d;
    rt::CommandButton cb_cancel{&d, "取消&C"};
    cb_cancel.set_cancel(true);
    cb_cancel.on_clicked = [&] { rt::Close(d); };
    rt::OnWindowOpened hook([&](rt::Window&) {
        d.sle_1.SetFocus();
        send_key(QApplication::focusWidget(), Qt::Key_Escape);
    });
    rt::Open(d);
    EXPECT_FALSE(d.is_open());
}

TEST(UiWindow, PostedCallIsDroppedWhenItsWindowIsGone) {
    bool ran = false;
    {
        rt::Window w;
        rt::PostEvent(w, [&] { ran = true; });
    }
    rt::Yield();
    EXPECT_FALSE(ran);
}

TEST(UiWindow, GeometryAndMouseInLayoutUnits) {
    rt::Window w;
    rt::SingleLineEdit sle{&w, "", {450, 400, 900, 80}};
    EXPECT_EQ(sle.widget()->geometry(), QRect(100, 100, 200, 20));
    EXPECT_EQ(sle.x(), 450);
    EXPECT_EQ(sle.width(), 900);
    int mx = -1, my = -1;
    sle.on_mousemove = [&](unsigned long, int x, int y) {
        mx = x;
        my = y;
    };
    rt::Open(w);
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), sle.widget()->mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(sle.widget(), &move);
    EXPECT_EQ(mx, 45);
    EXPECT_EQ(my, 40);
    // The work space is what the window reports in its resize events.
    EXPECT_EQ(w.WorkSpaceWidth(), rt::px_to_units_x(w.widget()->width()));
    EXPECT_LT(w.WorkSpaceHeight(), w.height());
    rt::Close(w);
}

TEST(UiWindow, AWindowTheUserCannotResizeIsResizedByTheProgram) {
    Dialog d;
    d.set_resizable(false);
    rt::OnWindowOpened hook([](rt::Window& w) {
        EXPECT_EQ(w.Resize(2700, 1200), 1);
        EXPECT_NEAR(w.width(), 2700, 5);
        EXPECT_NEAR(w.height(), 1200, 4);
        rt::Close(w);
    });
    rt::Open(d);
}

TEST(UiWindow, SheetsOpenInTheFrameAndCloseWithIt) {
    rt::Window frame;
    frame.set_window_type(rt::WindowType::mdi);
    rt::Window& sheet = rt::make_window<rt::Window>();
    rt::Open(frame);
    ASSERT_EQ(rt::OpenSheet(sheet, frame), 1);
    EXPECT_TRUE(sheet.is_sheet());
    EXPECT_EQ(sheet.parent_frame(), &frame);
    const auto open = rt::open_windows();
    EXPECT_NE(std::find(open.begin(), open.end(), &sheet), open.end());
    rt::Close(frame);
    EXPECT_TRUE(rt::open_windows().empty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(UiWindow, TheProgramHearsOnlyWhenItsLastWindowCloses) {
    Dialog outer, inner;
    std::vector<bool> outer_open_when_called;
    rt::set_on_last_window_closed([&] { outer_open_when_called.push_back(outer.is_open()); });
    rt::OnWindowOpened hook([&](rt::Window& w) {
        if (&w == &outer) {
            rt::Open(inner);
            EXPECT_TRUE(outer_open_when_called.empty()); // the inner one was not the last
            rt::Close(outer);
        } else {
            rt::Close(w);
        }
    });
    rt::Open(outer);
    rt::set_on_last_window_closed(nullptr);
    EXPECT_EQ(outer_open_when_called, std::vector<bool>{false});
}

TEST(UiWindow, AFrameDestroyedWithItsSheetOpenLeavesTheSheetUsable) {
    rt::Window sheet;
    {
        rt::Window frame;
        frame.set_window_type(rt::WindowType::mdi);
        rt::Open(frame);
        ASSERT_EQ(rt::OpenSheet(sheet, frame), 1);
    }
    EXPECT_FALSE(sheet.is_open());
    EXPECT_FALSE(sheet.is_sheet());
    sheet.set_title("after");
    EXPECT_TRUE(rt::open_windows().empty());
}

namespace {

// Counts its paints and remembers the value each one showed.
class Meter : public QWidget {
public:
    int value = 0, painted = -1, paints = 0;
    bool at_once = false; // asks for its picture as a progress bar does
    void set(int v) {
        value = v;
        if (at_once) repaint();
        else update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        painted = value;
    }
};

} // namespace

// A loop that yields after every step repaints at screen rate, not at every
// step, and its last state is painted once the loop has ended - also when
// the step asks for its picture at once, between the Yields.
TEST(UiWindow, YieldPaintsAtScreenRateAndTheLastStateLands) {
    // Bounds taken from the clock the loop ran by, never from how fast the
    // machine is: the loop runs until it has taken both its steps and its
    // time, and the rate is measured against the time it took.
    constexpr int frame_ms = 50;
    for (const bool at_once : {false, true}) {
        SCOPED_TRACE(at_once ? "repaint" : "update");
        Meter m;
        m.at_once = at_once;
        m.resize(100, 20);
        m.show();
        QElapsedTimer settle;
        settle.start();
        while (m.paints == 0 && settle.elapsed() < 10000) QCoreApplication::processEvents();
        const int before = m.paints;
        QElapsedTimer loop;
        loop.start();
        int steps = 0;
        // Enough steps for a paint at every step to stand out, and long
        // enough for several frames; bounded for a pacer that paints never.
        for (; (steps < 1000 || loop.elapsed() < 4 * frame_ms || m.paints - before < 2) && loop.elapsed() < 10000;
             ++steps) {
            m.set(steps + 1);
            rt::Yield();
        }
        const qint64 took = loop.elapsed();
        const int during = m.paints - before;
        EXPECT_GE(during, 2);                                         // the user sees it move
        EXPECT_LE(during, static_cast<int>(took / 10) + 2);           // some twenty a second, not one a step
        QElapsedTimer after;
        after.start();
        while (m.painted != steps && after.elapsed() < 10000) QCoreApplication::processEvents();
        EXPECT_EQ(m.painted, steps);
    }
}
