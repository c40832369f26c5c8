// Offscreen pictures of windows built on the foundation bases and controls,
// written to <build>/screenshots/.
#include "foundation/pfc_u_cb.h"
#include "foundation/pfc_u_sle.h"
#include "foundation/pfc_u_st.h"
#include "foundation/uo_arcbutton.h"
#include "foundation/uo_comctl_statusbar.h"
#include "foundation/uo_icon.h"
#include "foundation/uo_line.h"
#include "foundation/w_master.h"
#include "foundation/w_response.h"
#include "foundation/w_sheet.h"
#include "tests/support/screenshot.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class Dialog : public w_response {
public:
    Dialog() {
        set_title("基础控件");
        set_design_size(2400, 1300);
        uo_2.haveleftright = true;
        pb_close.set_enabled(false);
    }
    void open() override {
        w_response::open();
        uo_about.size = 32;
        uo_about.of_loadicon("res\\澄渊达.ico");
        uo_statebar.of_setparts({110, 235, 300, -1});
        uo_statebar.of_settext(0, "共10条");
        uo_statebar.of_settext(1, "成功8条");
        uo_statebar.of_settext(3, "当前剩余条数[500]");
    }

    uo_icon uo_about{this, {60, 40, 200, 160}};
    pfc_u_st st_1{this, "用 户 名：", {300, 60, 400, 64}};
    pfc_u_sle sle_account{this, "admin", {720, 50, 900, 80}};
    pfc_u_st st_2{this, "密    码：", {300, 180, 400, 64}};
    pfc_u_sle sle_password{this, "password", {720, 170, 900, 80}};
    uo_line uo_2{this, {0, 320, 2370, 48}};
    uo_arcbutton pb_send{this, "发送&S", {300, 420, 462, 128}};
    uo_arcbutton pb_close{this, "关闭&C", {800, 420, 462, 128}};
    pfc_u_cb cb_ok{this, "确定&E", {1400, 440, 352, 92}};
    pfc_u_cb cb_cancel{this, "取消&C", {1800, 440, 352, 92}};
    uo_comctl_statusbar uo_statebar{this, {0, 1000, 2380, 76}};
};

class Sheet : public w_sheet {
public:
    Sheet() {
        set_titlebar(false);
        st_tips.set_font({"MS Sans Serif", 8, 700});
        st_tips.set_textcolor(rt::RGB(255, 0, 0));
        st_tips.set_alignment(rt::Alignment::center);
    }
    pfc_u_st st_tips{this, "当前剩余条数[500]", {5, 8, 3470, 80}};
};

TEST(FoundationScreenshot, ResponseWindowAndFrameWithSheet) {
    Dialog d;
    std::string dialog_png;
    {
        rt::OnWindowOpened hook([&](rt::Window& w) {
            dialog_png = rt::screenshot_path("foundation_response");
            EXPECT_TRUE(rt::save_png(w, dialog_png));
            rt::Close(w);
        });
        rt::Open(d);
    }
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(dialog_png)));

    w_master frame;
    frame.set_window_type(rt::WindowType::mdi);
    frame.set_title("澄渊达通讯平台");
    frame.set_design_size(3600, 2000);
    Sheet sheet;
    rt::Open(frame);
    rt::OpenSheet(sheet, frame);
    rt::Yield();
    const std::string frame_png = rt::screenshot_path("foundation_frame_sheet");
    EXPECT_TRUE(rt::save_png(frame, frame_png));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(frame_png)));
    rt::Close(frame);
}

} // namespace
