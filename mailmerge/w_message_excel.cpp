#include "mailmerge/w_message_excel.h"

#include "core/n_cst_manager.h"
#include "foundation/n_cst_string.h"
#include "foundation/n_ds.h"
#include "foundation/pfc_n_cst_resize.h"
#include "foundation/pfc_n_tr.h"
#include "mailmerge/dw_msg_preview.h"
#include "mailmerge/dw_template.h"
#include "mailmerge/merge_template.h"
#include "runtime/gbk.h"
#include "runtime/oleobject.h"
#include "runtime/pbdom_builder.h"
#include "runtime/profile.h"
#include "runtime/strings.h"
#include "runtime/xml.h"
#include "sending/w_message_preview.h"

#include <QMdiSubWindow>

#include <algorithm>
#include <span>
#include <string_view>
#include <vector>

namespace {

// The grid holds the worksheet's first 27 cells of a row: A to Z and flag.
constexpr int grid_columns = 27;

w_message_excel* g_current = nullptr;

std::string dbparm_for(const std::string& path) {
    if (rt::Right(path, 5) == ".xlsx")
        return "PROVIDER='Microsoft.ACE.OLEDB.12.0',DATASOURCE='" + path +
               "',PROVIDERSTRING='Excel 12.0;HDR=Yes;IMEX=1;'";
    return "PROVIDER='Microsoft.Jet.OLEDB.4.0',DATASOURCE='" + path + "',PROVIDERSTRING='Excel 8.0;HDR=Yes;IMEX=1;'";
}

// A text inside Modify's single quotes.
std::string modify_quoted(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '~' || c == '\'' || c == '"') out += '~';
        out += c;
    }
    return out;
}

} // namespace

w_message_excel::w_message_excel() {
    set_title("Excel短信");
    set_design_size(3630, 2028);

    sle_sheetname.set_enabled(false);
    rt::Font bold = st_tips.font();
    bold.weight = 700;
    st_tips.set_font(bold);
    st_tips.set_textcolor(255);
    st_6.set_alignment(rt::Alignment::right);
    for (char c = 'A'; c <= 'Z'; ++c) lb_list.AddItem(std::string(1, c));
    dw_preview.set_dataobject(dw_msg_preview());
    sle_signature.set_sorted(true);
    sle_fl.set_enabled(false);
    dw_list.set_dataobject(dw_template());
    for (char c = 'A'; c <= 'Z'; ++c) ddlb_colomn.AddItem(std::string(1, c));
    mle_fmt.set_limit(0);
    mle_fmt.set_vscrollbar(true);
    st_4.set_alignment(rt::Alignment::center);
    st_5.set_alignment(rt::Alignment::center);
    rt::Font caption = gb_1.font();
    caption.weight = 700;
    gb_1.set_font(caption);

    dw_preview.on_constructor = [this] { dw_preview.set_visible(false); };
    pb_send.on_constructor = [this] { pb_send.set_visible(false); };
    dw_list.on_constructor = [this] { dw_list.Reset(); };
    dw_list.on_dwclicked = [this](int x, int y, std::int32_t row, const rt::DwObject& dwo) {
        dw_list_clicked(x, y, row, dwo);
    };
    pb_excel.on_clicked = [this] { pb_excel_clicked(); };
    cbx_unoffice.on_clicked = [this] { cbx_unoffice_clicked(); };
    pb_preview.on_clicked = [this] { pb_preview_clicked(); };
    lb_list.on_doubleclicked = [this](int index) { lb_list_doubleclicked(index); };
}

w_message_excel::~w_message_excel() {
    if (g_current == this) g_current = nullptr;
}

w_message_excel* w_message_excel::current() { return g_current && g_current->is_open() ? g_current : nullptr; }

void w_message_excel::open() {
    w_sheet::open();
    g_current = this;
    of_setresize(true);
    const std::pair<rt::Control*, const char*> modes[] = {
        {&dw_list, "ScaleToRight&Bottom"},        {&gb_1, "FixedToBottom&ScaleToRight"},
        {&pb_excel, "FixedToRight&Bottom"},       {&pb_preview, "FixedToRight&Bottom"},
        {&pb_send, "FixedToRight&Bottom"},        {&cbx_unoffice, "FixedToRight&Bottom"},
        {&st_7, "FixedToRight&Bottom"},           {&sle_sheetname, "FixedToRight&Bottom"},
        {&st_1, "FixedToBottom"},                 {&st_2, "FixedToBottom"},
        {&st_3, "FixedToBottom"},                 {&cbx_firtrow, "FixedToBottom"},
        {&st_4, "FixedToBottom"},                 {&st_tips, "FixedToBottom"},
        {&ddlb_colomn, "FixedToBottom"},          {&mle_fmt, "FixedToBottom&ScaleToRight"},
        {&st_5, "FixedToBottom"},                 {&sle_signature, "FixedToBottom"},
        {&sle_fl, "FixedToBottom&ScaleToRight"},  {&lb_list, "FixedToRight&Bottom"},
        {&st_6, "FixedToRight&Bottom"},
    };
    for (const auto& [control, mode] : modes) inv_resize->of_register(control, std::string(mode));

    std::vector<std::string> ls_signature;
    gnv_app->of_parse_signature(ls_signature);
    if (gnv_app->pub_f_get_sysvar("local_var", "FirstRow", "0") == "1") cbx_firtrow.set_checked(true);
    const std::string ls_current = gnv_app->pub_f_get_sysvar("cfg", "signature_current", "");
    for (const std::string& s : ls_signature) sle_signature.AddItem(s);
    // The list is sorted, so an entry's place is known only once all are in.
    for (int k = 1; !ls_current.empty() && k <= sle_signature.TotalItems(); ++k)
        if (sle_signature.Text(k) == ls_current) sle_signature.SelectItem(k);

    if (QWidget* sub = widget()->parentWidget(); sub && qobject_cast<QMdiSubWindow*>(sub)) sub->raise();

    const std::string ini = gnv_app->of_getappinifile();
    const std::string ls_pos = rt::ProfileString(ini, "mobile", "pos", "").value_or("");
    if (!rt::Trim(ls_pos).empty()) ddlb_colomn.set_text(ls_pos);
    const std::string ls_fmt = rt::ProfileString(ini, "mobile", "fmt", "").value_or("");
    if (!rt::Trim(ls_fmt).empty()) mle_fmt.set_text(decode_template(ls_fmt));
}

void w_message_excel::pfc_postopen() {
    w_sheet::pfc_postopen();
    const std::string ls_userid = gnv_app->userid, ls_account = gnv_app->account, ls_password = gnv_app->password;
    if (rt::Trim(ls_userid).empty()) return st_tips.set_text("企业ID未设置!");
    if (rt::Trim(ls_account).empty()) return st_tips.set_text("帐号未设置!");
    if (rt::Trim(ls_password).empty()) return st_tips.set_text("密码未设置!");

    std::string ls_data;
    gnv_app->of_http_post_sms("overage", "", ls_data);
    const int code = rt::XMLParseString(ls_data);
    if (code != 0) {
        gnv_app->pub_msg("无效返回数据,错误代码[" + std::to_string(code) + "]");
        return;
    }
    pbdom_builder lnv_builder;
    gnv_app->of_explain_overage(lnv_builder.BuildFromString(ls_data).GetRootElement());
    if (rt::Lower(gnv_app->status) == "sucess")
        st_tips.set_text("当前帐户可用余额数[" + gnv_app->overage + "]");
    else
        st_tips.set_text(gnv_app->mess);
}

void w_message_excel::dw_list_clicked(int, int, std::int32_t row, const rt::DwObject&) {
    if (row == 0) return;
    il_lastclickedrow = row;
    dw_list.SelectRow(0, false);
    dw_list.SelectRow(row, true);
}

void w_message_excel::cbx_unoffice_clicked() { sle_sheetname.set_enabled(cbx_unoffice.checked()); }

void w_message_excel::pb_excel_clicked() {
    const std::string ini = gnv_app->of_getappinifile();
    std::string ls_folder = rt::ProfileString(ini, "local_var", "FilePos", gnv_app->appdir).value_or("");
    if (rt::Trim(ls_folder).empty()) ls_folder = gnv_app->appdir;
    std::string ls_docname, ls_named;
    if (rt::file_dialog().get_file_open_name("文件选择", ls_docname, ls_named, "xls",
                                             "Excel Files (*.xls;*.xlsx),*.xls;*.xlsx,All Files (*.*), *.*",
                                             ls_folder) != 1)
        return;
    sle_fl.set_text(ls_docname);
    rt::SetProfileString(ini, "local_var", "FirstRow", cbx_firtrow.checked() ? "1" : "0");
    dw_list.Reset();

    rt::OleObject lole_probe;
    const int li_connect = lole_probe.ConnectToNewObject("excel.application");
    if (li_connect != 0 || cbx_unoffice.checked()) {
        lole_probe.DisconnectObject();
        if (!cbx_unoffice.checked()) {
            cbx_unoffice.set_checked(true);
            sle_sheetname.set_enabled(true);
        }
        if (rt::Trim(sle_sheetname.text()).empty()) {
            gnv_app->pub_msg("请输入要导入的Sheet页名称!");
            sle_sheetname.SetFocus();
            return;
        }
        wf_load_default(ls_docname);
    } else if (!wf_load_xls(ls_docname)) {
        return;
    }
    const std::int32_t ll_slash = gnv_app->pub_lastpos(ls_docname, "\\").value_or(0);
    rt::SetProfileString(ini, "local_var", "FilePos", rt::Left(ls_docname, std::max(ll_slash - 1, 0)));
}

bool w_message_excel::wf_load_xls(const std::string& as_path) {
    rt::OleObject lole_excel;
    if (lole_excel.ConnectToNewObject("excel.application") != 0) {
        gnv_app->pub_msg("没有安装Excel！", rt::Icon::Exclamation);
        return true;
    }
    try {
        rt::ExcelApplication& app = lole_excel.application();
        app.workbooks().open(as_path);
        const rt::ExcelApplication::UsedRange used = app.activesheet().usedrange();
        // The rows run to the last used row, wherever the used range starts,
        // and a sheet past 32767 rows loads whole. A one-row sheet copied
        // from row 2 has no rows to give.
        const std::int32_t ll_last = used.row() + used.rows().count() - 1;
        const std::int32_t ll_first = cbx_firtrow.checked() ? 1 : 2;
        if (ll_first <= ll_last) {
            app.activesheet().range(std::to_string(ll_first) + ":" + std::to_string(ll_last)).cells().copy();
            dw_list.ImportString(app.clipboard());
        }
        // The rows never went to the desktop's clipboard, so there is nothing
        // to empty there: ending the copy mode lets them go.
        app.set_cutcopymode(false);
        app.workbooks().close();
        app.quit();
    } catch (const rt::OleError& e) {
        gnv_app->pub_msg("读取文件 " + as_path + "\n" + e.what(), rt::Icon::StopSign);
        return false;
    }
    lole_excel.DisconnectObject();
    return true;
}

void w_message_excel::wf_load_default(const std::string& as_path) {
    pfc_n_tr lt_tran;
    lt_tran.DBMS = "OLE DB";
    lt_tran.AutoCommit = false;
    lt_tran.DBParm = dbparm_for(as_path);
    lt_tran.Connect();
    if (lt_tran.SQLCode != 0) {
        gnv_app->pub_msg("读取文件 " + as_path + "\n" + lt_tran.SQLErrText, rt::Icon::StopSign);
        return;
    }
    const std::string ls_sql = "select * from [" + rt::Trim(sle_sheetname.text()) + "$] ";
    const std::string ls_present = "style(type=grid) column(font.face='MS Sans Serif')";
    std::string ls_err;
    const std::string ls_syntax = lt_tran.SyntaxFromSQL(ls_sql, ls_present, ls_err);
    n_ds lds_tmp;
    lds_tmp.Create(ls_syntax, ls_err);
    lds_tmp.SetTransObject(lt_tran);
    const std::int32_t ll_rows = lds_tmp.Retrieve();
    if (lt_tran.SQLCode != 0) gnv_app->pub_msg("读取文件失败，请检查sheet名或程序运行环境!");

    const int li_columns = rt::Long(lds_tmp.Describe("datawindow.column.count"));
    if (ll_rows > 0 && li_columns > grid_columns)
        gnv_app->pub_msg("该Sheet页有" + std::to_string(li_columns) + "列,只导入每行的前" +
                         std::to_string(grid_columns) + "列!");
    const int li_copied = std::min(li_columns, grid_columns);
    for (std::int32_t j = 1; j <= ll_rows; ++j) {
        const std::int32_t ll_row = dw_list.InsertRow(0);
        for (int i = 1; i <= li_copied; ++i) {
            const std::string ls_name = lds_tmp.Describe("#" + std::to_string(i) + ".name");
            dw_list.of_setvalue(ll_row, i, lds_tmp.of_getvalue(j, ls_name));
            if (j == 1) {
                const std::string ls_grid = dw_list.Describe("#" + std::to_string(i) + ".name");
                dw_list.Modify(ls_grid + "_t.Text='[" + rt::Upper(ls_grid) + "]" +
                               modify_quoted(lds_tmp.Describe(ls_name + "_t.Text")) + "'");
            }
        }
    }
    lt_tran.Disconnect();
}

bool w_message_excel::wf_format_xls() {
    const std::int32_t ll_rows = dw_list.RowCount();
    if (ll_rows == 0) return false;
    const std::string ls_column = ddlb_colomn.text();
    if (ls_column.empty()) {
        ddlb_colomn.SetFocus();
        gnv_app->pub_msg("请选择手机号所在的列!");
        return false;
    }
    const std::string ls_template = rt::Trim(mle_fmt.text());
    if (ls_template.empty()) {
        gnv_app->pub_msg("短信格式内容不能为空!");
        mle_fmt.SetFocus();
        return false;
    }
    const std::string ls_signature = sle_signature.text();
    if (gnv_app->auto_signature) {
        if (ls_signature.empty()) {
            gnv_app->pub_msg("请选择一个签名!");
            sle_signature.SetFocus();
            return false;
        }
        gnv_app->signature_prev = ls_signature;
    }
    dw_preview.Reset();
    rt::DataStore lds_prepared(dw_msg_preview());

    // Keys and column names are the same for every row: looked up once.
    n_cst_string lnv_string;
    const int li_columns = rt::Long(dw_list.Describe("datawindow.column.count"));
    std::vector<std::string> ls_key(static_cast<std::size_t>(li_columns) + 1), ls_placeholder(ls_key.size());
    std::vector<int> li_mobile_columns;
    for (int j = 1; j <= li_columns; ++j) {
        ls_key[j] = lnv_string.of_getkeyvalue(dictionary, std::to_string(j), ",").value_or("");
        ls_placeholder[j] = "[" + ls_key[j] + "]";
        if (ls_key[j] == ls_column) li_mobile_columns.push_back(j);
    }
    const std::string ls_prefix = gnv_app->auto_signature ? "【" + ls_signature + "】" : "";
    const merge_template lnv_template(ls_template, ls_placeholder);

    // The grid's cells read where they are, a column at a time: the columns
    // are all text, so a cell is its text or null.
    std::vector<std::span<const rt::Any>> lcells(ls_key.size());
    for (int j = 1; j <= li_columns; ++j) {
        const rt::ColumnDef* def = dw_list.column(j);
        if (def && def->type == rt::ColType::Char) lcells[j] = dw_list.column_cells(def->name);
    }
    const auto cell = [&lcells](int j, std::int32_t row) -> const std::string* {
        const auto& c = lcells[static_cast<std::size_t>(j)];
        return c.empty() ? nullptr : c[static_cast<std::size_t>(row - 1)].get<std::string>();
    };

    const int li_mobile = lds_prepared.column_number("mobile"), li_msg = lds_prepared.column_number("msg");
    std::vector<std::string_view> ls_row(ls_key.size());
    std::vector<int> li_every_column(static_cast<std::size_t>(li_columns));
    for (int j = 1; j <= li_columns; ++j) li_every_column[static_cast<std::size_t>(j - 1)] = j;
    for (std::int32_t i = 1; i <= ll_rows; ++i) {
        rt::nstring ls_mobile;
        for (int j : li_mobile_columns) {
            const std::string* s = cell(j, i);
            ls_mobile = s ? rt::nstring(*s) : rt::null;
            if (ls_mobile && (ls_mobile->empty() || !rt::IsNumber(*ls_mobile))) {
                ls_mobile = "";
                dw_list.of_setvalue(i, "flag", rt::Any("3"));
            }
        }
        // A row without a usable number gets no message.
        if (rt::Trim(ls_mobile.value_or("")).empty()) continue;
        // An empty cell empties its placeholder; the message itself stays.
        const auto fill = [&](const std::vector<int>& columns) {
            for (int j : columns) {
                const std::string* s = cell(j, i);
                ls_row[static_cast<std::size_t>(j)] = s ? std::string_view(*s) : std::string_view();
            }
        };
        std::string ls_msg = ls_prefix;
        fill(lnv_template.columns());
        if (!lnv_template.build(ls_row, ls_msg)) {
            fill(li_every_column);
            ls_msg += merge_template::replace_column_by_column(ls_template, ls_placeholder, ls_row);
        }
        const std::int32_t ll_new = lds_prepared.InsertRow(0);
        lds_prepared.SetItem(ll_new, li_mobile, rt::Any(std::move(*ls_mobile)));
        lds_prepared.SetItem(ll_new, li_msg, rt::Any(std::move(ls_msg)));
    }
    // The rows reach the shown list in one step: its view is told once, not per row.
    if (lds_prepared.RowCount() > 0) lds_prepared.RowsCopy(1, lds_prepared.RowCount(), dw_preview, 1);
    return true;
}

void w_message_excel::pb_preview_clicked() {
    if (!wf_format_xls()) return;
    if (dw_preview.RowCount() > 0) {
        rt::OpenWithParm(rt::make_window<w_message_preview>(), &dw_preview);
        wf_set_parm();
    } else {
        gnv_app->pub_msg("未发现要发送的短信,请查检!!", rt::Icon::StopSign);
    }
}

void w_message_excel::wf_set_parm() {
    gnv_app->pub_f_set_sysvar("mobile", "pos", ddlb_colomn.text());
    gnv_app->pub_f_set_sysvar("mobile", "fmt", encode_template(mle_fmt.text()));
    gnv_app->pub_f_set_sysvar("cfg", "signature_current", sle_signature.text());
}

void w_message_excel::lb_list_doubleclicked(int index) {
    const std::string ls_text = mle_fmt.text();
    const long ll_caret_byte = mle_fmt.Position();
    // Characters before the caret: a double-byte character counts once.
    const std::int32_t ll_before = rt::CharCount(rt::Left(ls_text, static_cast<std::int32_t>(ll_caret_byte - 1)));
    mle_fmt.set_text(rt::LeftChars(ls_text, ll_before) + "[" + lb_list.Text(index) + "]" +
                     rt::MidChars(ls_text, ll_before + 1));
    mle_fmt.SelectText(ll_caret_byte, 0);
}

std::string w_message_excel::encode_template(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = rt::char_len_at(text, i);
        const char c = text[i];
        if (n == 2) out.append(text, i, 2);
        else if (c == '\\') out += "\\\\";
        else if (c == '\r') out += (i + 1 < text.size() && text[i + 1] == '\n') ? (++i, "\\n") : "\\n";
        else if (c == '\n') out += "\\n";
        else out += c;
        i += n;
    }
    return out;
}

std::string w_message_excel::decode_template(const std::string& stored) {
    std::string out;
    for (std::size_t i = 0; i < stored.size();) {
        const std::size_t n = rt::char_len_at(stored, i);
        if (n == 1 && stored[i] == '\\' && i + 1 < stored.size() && (stored[i + 1] == 'n' || stored[i + 1] == '\\')) {
            out += stored[i + 1] == 'n' ? "\r\n" : "\\";
            i += 2;
            continue;
        }
        out.append(stored, i, n);
        i += n;
    }
    return out;
}
