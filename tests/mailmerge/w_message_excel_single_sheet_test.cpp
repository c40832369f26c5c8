// "Excel群发" chosen while the mail-merge sheet is open brings that sheet
// back to the front, minimised or behind another, instead of opening a
// second sheet that would write the same settings keys.
#include "tests/mailmerge/mailmerge_fixture.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

std::vector<w_message_excel*> merge_sheets(QMdiArea& area) {
    std::vector<w_message_excel*> out;
    for (QMdiSubWindow* sub : area.subWindowList())
        for (rt::Window* w : rt::open_windows())
            if (w->widget() == sub->widget())
                if (auto* m = dynamic_cast<w_message_excel*>(w)) out.push_back(m);
    return out;
}

} // namespace

TEST_F(MailMerge, ASecondClickBringsTheOpenSheetToTheFront) {
    set_credentials();
    w_message_excel& sheet = open_sheet();
    const std::size_t balance_queries = gateway.request_count(); // the sheet's own, at open
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(sheet.widget()->parentWidget());
    ASSERT_NE(nullptr, sub);
    QMdiArea& area = *sub->mdiArea();
    ASSERT_EQ(&sheet, w_message_excel::current());
    sheet.sle_sheetname.set_text("kept");

    // Behind the background sheet, then minimised: each time the same sheet
    // comes back active, with what the user had typed.
    for (const bool minimise : {false, true}) {
        SCOPED_TRACE(minimise);
        if (minimise) sheet.set_windowstate(rt::WindowState::minimized);
        for (QMdiSubWindow* other : area.subWindowList())
            if (other != sub) area.setActiveSubWindow(other);
        rt::Yield();
        ASSERT_NE(sub, area.activeSubWindow());
        frame->wf_open_module(std::string("Tool_excel"));
        rt::Yield();
        EXPECT_EQ((std::vector<w_message_excel*>{&sheet}), merge_sheets(area));
        EXPECT_EQ(sub, area.activeSubWindow());
        EXPECT_NE(rt::WindowState::minimized, sheet.windowstate());
        EXPECT_EQ("kept", sheet.sle_sheetname.text());
    }
    EXPECT_EQ(balance_queries, gateway.request_count()) << "no second sheet asked for a balance";

    // Once it has closed, the next click opens a new one.
    rt::Close(sheet);
    rt::Yield();
    EXPECT_EQ(nullptr, w_message_excel::current());
    frame->wf_open_module(std::string("Tool_excel"));
    rt::Yield();
    ASSERT_NE(nullptr, w_message_excel::current());
    EXPECT_EQ(1u, merge_sheets(area).size());
}
