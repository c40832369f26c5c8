// Offscreen pictures of a sample window that holds every kind of control,
// written to <build>/screenshots/ so that the rendering can be looked at.
#include "runtime/ui/controls.h"
#include "tests/support/screenshot.h"
#include "runtime/ui/window.h"

#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace {

class Sample : public rt::Window {
public:
    Sample() {
        set_title("控件样例");
        set_design_size(3000, 2000);
        set_window_type(rt::WindowType::response);
        st_1.set_font({"宋体", 9});
        st_red.set_textcolor(rt::RGB(255, 0, 0));
        st_red.set_font({"MS Sans Serif", 8, 700});
        sle_pw.set_password(true);
        mle.set_vscrollbar(true);
        cbx.set_checked(true);
        for (const char* s : {"澄渊达", "岚舟汇", "默认签名"}) ddlb.AddItem(s);
        ddlb.SelectItem(1);
        for (const char* s : {"2024-01-01.txt", "2024-01-02.txt"}) lb.AddItem(s);
        hpb.set_position(60);
        tab.SelectTab(1);
    }

    rt::Picture p_1{this, "res\\login.jpg", {0, 0, 2990, 272}};
    rt::StaticText st_1{this, "企业  ID：", {60, 320, 400, 64}};
    rt::SingleLineEdit sle{this, "10086", {480, 310, 800, 84}};
    rt::StaticText st_red{this, "5、请使用CTRL+V粘贴短信内容。", {60, 420, 1300, 64}};
    rt::SingleLineEdit sle_pw{this, "secret", {480, 500, 800, 84}};
    rt::MultiLineEdit mle{this, "短信内容\r\n第二行", {60, 620, 1220, 400}};
    rt::CheckBox cbx{this, "切换为手工输入模式", {60, 1060, 1000, 72}};
    rt::RadioButton rb{this, "自动签名", {60, 1150, 800, 72}};
    rt::DropDownListBox ddlb{this, {60, 1250, 800, 324}};
    rt::GroupBox gb{this, "签名设置", {1400, 300, 1500, 760}};
    rt::ListBox lb{this, {1450, 380, 1400, 300}};
    rt::CommandButton cb_ok{this, "确定&E", {1450, 760, 352, 92}};
    rt::PictureButton pb{this, "发送&S", {1900, 740, 462, 128}};
    rt::Tab tab{this, {1400, 1100, 1500, 500}};
    rt::TabPage page1{&tab, "帐号设置"};
    rt::TabPage page2{&tab, "签名设置"};
    rt::StaticText st_page{&page1, "用 户 名：", {40, 60, 400, 64}};
    rt::HProgressBar hpb{this, {60, 1700, 2800, 64}};
    rt::Line ln{this, 60, 1640, 2860, 1640, 8421504, 4};
};

TEST(UiScreenshot, SampleWindowWithEveryControlKind) {
    Sample w;
    w.pb.set_picturename("res\\BtnDefault.jpg");
    std::string path;
    rt::OnWindowOpened hook([&](rt::Window& win) {
        path = rt::screenshot_path("runtime_sample");
        EXPECT_TRUE(rt::save_png(win, path));
        rt::Close(win);
    });
    rt::Open(w);
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(path)));
    const QImage img(QString::fromStdString(path));
    EXPECT_EQ(img.size(), w.widget()->size());
    // The static text's Chinese characters left dark pixels in its area.
    int dark = 0;
    for (int y = rt::units_to_px_y(320); y < rt::units_to_px_y(384); ++y)
        for (int x = rt::units_to_px_x(60); x < rt::units_to_px_x(300); ++x)
            if (img.pixelColor(x, y).lightness() < 100) ++dark;
    EXPECT_GT(dark, 20);
}

} // namespace
