// The send window: one text message, a signature and a list of mobile
// numbers gathered from files, the clipboard or typed by hand, sent to the
// gateway in requests of at most 4000 list rows. The frame opens it
// modally, without a parameter, and reads no answer.
#pragma once

#include "foundation/pfc_u_cb.h"
#include "foundation/pfc_u_st.h"
#include "foundation/u_dw.h"
#include "foundation/w_response.h"
#include "runtime/ui/controls.h"
#include "sending/dw_msg_new_20170601.h"
#include "sending/n_send_answer.h"

#include <cstdint>
#include <string>

class w_sms_new final : public w_response, public n_send_answer {
public:
    w_sms_new();

    int text_limit = 300;  // characters of signature and message together
    int rcv_limit = 4000;  // list rows in one request

    pfc_u_st st_14{this, "9、手工输入每行一个手机号", {1975, 1016, 1200, 64}};
    rt::CheckBox cbx_1{this, "切换为手工输入模式", {1975, 920, 1000, 80}};
    rt::DropDownListBox sle_signature{this, {1372, 1560, 539, 400}};
    pfc_u_st st_15{this, "8、短信内容实际长度=短信签名+短信内容", {1975, 832, 1200, 64}};
    pfc_u_st st_13{this, "7、发手机一条为70个字。长短信为每条67个字。", {1975, 752, 1200, 64}};
    pfc_u_st st_12{this, "6、汉字、数字、英文和标点符号都表示1个长度。", {1975, 672, 1200, 64}};
    pfc_u_st st_11{this, "5、请使用CTRL+V粘贴短信内容。", {1975, 592, 1200, 64}};
    pfc_u_st st_10{this, "4、号码文件只支持TXT、EXCEL文件格式。", {1975, 512, 1200, 64}};
    pfc_u_st st_9{this, "3、内容编辑完成请先检查屏蔽词再行发送。", {1975, 432, 1200, 64}};
    pfc_u_st st_8{this, "2、手动输入号码请用英文逗号或换行分隔。", {1975, 352, 1200, 64}};
    pfc_u_st st_7{this, "1、单次提交最好不超过20w个号码。", {1975, 272, 1200, 64}};
    pfc_u_st st_6{this, "注意", {1975, 200, 400, 64}};
    pfc_u_st st_available{this, "", {928, 800, 160, 64}};
    pfc_u_st st_enter{this, "", {453, 800, 160, 64}};
    pfc_u_st st_4{this, "个字，还剩", {622, 800, 297, 64}};
    pfc_u_st st_1{this, "包含签名已输入", {37, 800, 407, 64}};
    pfc_u_st st_3{this, "短信内容", {37, 200, 400, 64}};
    u_dw dw_rcv{this, dw_msg_new_20170601(), {37, 1540, 800, 100}};
    pfc_u_st st_total{this, "合计", {37, 1572, 1000, 64}};
    pfc_u_st st_2{this, "个字", {1494, 800, 130, 64}};
    pfc_u_st st_num{this, "300", {1335, 800, 150, 64}};
    pfc_u_st st_tip{this, "个字,最多", {1097, 800, 229, 64}};
    pfc_u_st st_5{this, "签名：", {1120, 1572, 238, 64}};
    rt::MultiLineEdit mle_msg{this, "", {37, 272, 1874, 508}};
    u_dw dw_list{this, dw_msg_new_20170601(), {37, 880, 1874, 660}};
    pfc_u_cb cb_close{this, "关闭&C", {1202, 52, 352, 92}};
    pfc_u_cb cb_snd{this, "发送&S", {818, 52, 352, 92}};
    pfc_u_cb cb_import_clipboard{this, "引入复制", {434, 52, 352, 92}};
    pfc_u_cb cb_import_file{this, "导入号码", {50, 52, 352, 92}};
    rt::GroupBox gb_1{this, "", {14, 0, 3191, 176}};
    rt::MultiLineEdit mle_num{this, "", {37, 880, 1874, 660}};

    void open() override;
    // Refuses to close while a send is under way: the batch loop still
    // works on the list and the texts of this window.
    int closequery() override;

    void mle_msg_ue_enchange();
    void cbx_1_clicked();
    void cb_import_file_clicked();
    void cb_import_clipboard_clicked();
    void cb_close_clicked();
    void cb_snd_clicked();

    // The mobile numbers of rows al_start..al_end of the list (every row for
    // -1, -1), joined with ","; null and empty values left out.
    std::string wf_message(std::int32_t al_start, std::int32_t al_end);

    // True from the moment the send button disables itself until every
    // request has been made and answered.
    bool sending() const { return ib_sending; }

private:
    bool ib_sending = false;

    // Deletes the rows whose number is null or blank; the others stay as
    // they are, spaces and all.
    void wf_remove_blank_rows();
    void wf_send_once(const std::string& as_content);
    void wf_send_batches(const std::string& as_content);
    void wf_log_answer(std::int32_t al_rows);
};
