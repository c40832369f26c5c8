// The mail-merge sheet: a worksheet loaded into a grid of the columns A to
// Z, a template whose placeholders are column letters in square brackets,
// and the merge that turns every row with a usable mobile number into one
// personalised message for the preview window to send.
#pragma once

#include "foundation/pfc_u_sle.h"
#include "foundation/pfc_u_st.h"
#include "foundation/u_dw.h"
#include "foundation/uo_arcbutton.h"
#include "foundation/w_sheet.h"
#include "runtime/ui/controls.h"

#include <cstdint>
#include <string>

class w_message_excel : public w_sheet {
public:
    w_message_excel();
    ~w_message_excel() override;
    // The sheet while it is open, or null: the frame keeps to one.
    static w_message_excel* current();

    rt::SingleLineEdit sle_sheetname{this, "", {3240, 1700, 330, 80}};
    rt::StaticText st_7{this, "Sheet 页名", {2967, 1712, 260, 64}};
    rt::CheckBox cbx_unoffice{this, "未装office", {2967, 1632, 402, 72}};
    rt::CheckBox cbx_firtrow{this, "从第一行导入", {1880, 1100, 430, 72}};
    pfc_u_st st_tips{this, "帐户余额", {448, 1696, 1879, 64}};
    pfc_u_st st_6{this, "双击下面列", {2336, 1104, 352, 64}};
    rt::ListBox lb_list{this, {2336, 1180, 352, 560}};
    u_dw dw_preview{this, {0, 0, 100, 100}};
    uo_arcbutton pb_send{this, "发送", {2967, 1448, 462, 160}};
    rt::DropDownListBox sle_signature{this, {453, 1804, 1239, 400}};
    pfc_u_sle sle_fl{this, "", {1751, 1804, 1838, 80}};
    uo_arcbutton pb_preview{this, "预览发送", {2967, 1272, 462, 160}};
    u_dw dw_list{this, {14, 12, 3570, 972}};
    pfc_u_st st_3{this, "该列内容为接收用户手机号码", {1070, 1104, 790, 64}};
    pfc_u_st st_2{this, "列", {1000, 1104, 64, 64}};
    rt::DropDownListBox ddlb_colomn{this, {808, 1092, 184, 600}};
    pfc_u_st st_1{this, "号码所在列：XLS文件中的第", {60, 1104, 740, 64}};
    rt::MultiLineEdit mle_fmt{this,
                              "尊敬的员工,您本月工资单如下:基本工资:[C],绩效工资:[D],加班费:[E],扣款:[F],"
                              "工作餐:[G],个税:[H],保险:[I],实发:[J%]",
                              {443, 1196, 1861, 472}};
    pfc_u_st st_4{this, "短信格式：", {60, 1200, 370, 64}};
    pfc_u_st st_5{this, "签名：", {60, 1816, 380, 64}};
    rt::GroupBox gb_1{this, "Excel导入", {14, 1004, 3570, 788}};
    uo_arcbutton pb_excel{this, "导入Excel", {2967, 1076, 462, 160}};

    // Maps a grid column number (1 to 26) to its letter, for the merge.
    std::string dictionary = "1=A,2=B,3=C,4=D,5=E,6=F,7=G,8=H,9=I,10=J,11=K,12=L,13=M,14=N,15=O,16=P,17=Q,"
                             "18=R,19=S,20=T,21=U,22=V,23=W,24=X,25=Y,26=Z,";
    bool ib_action_on_buttonup = false;
    std::int32_t il_lastclickedrow = 0;

    void open() override;
    void pfc_postopen() override;

    // The automation road for the file; false when an automation call
    // failed, which ends the load before the folder is remembered.
    bool wf_load_xls(const std::string& as_path);
    void wf_set_parm();
    // Rebuilds the prepared list from the grid; false when the grid is
    // empty or a check failed (after its message).
    bool wf_format_xls();
    // The OLE DB road for the file and the sheet named in sle_sheetname.
    void wf_load_default(const std::string& as_path);

    void pb_excel_clicked();
    void cbx_unoffice_clicked();
    void pb_preview_clicked();
    void lb_list_doubleclicked(int index);
    void dw_list_clicked(int xpos, int ypos, std::int32_t row, const rt::DwObject& dwo);

    // [mobile] fmt holds one line: line breaks are kept as "\n" and a lone
    // backslash as "\\"; reading undoes it.
    static std::string encode_template(const std::string& text);
    static std::string decode_template(const std::string& stored);
};
