#include "shell/w_mdi.h"

#include "account/w_about.h"
#include "account/w_log.h"
#include "account/w_reg.h"
#include "account/w_set.h"
#include "core/f_filewrite.h"
#include "core/n_cst_manager.h"
#include "core/nuo_ir.h"
#include "mailmerge/w_message_excel.h"
#include "runtime/files.h"
#include "runtime/inet.h"
#include "runtime/path.h"
#include "runtime/profile.h"
#include "runtime/services.h"
#include "runtime/ui/menu.h"
#include "runtime/ui/qt_text.h"
#include "sending/w_sms_new.h"
#include "shell/builtin_layout.h"
#include "shell/w_background.h"
#include "zip/n_zlib.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

namespace {
w_mdi* g_current = nullptr;
} // namespace

// The corner text belongs to the MDI client: a see-through widget on the
// client's viewport that takes no input, so it is clipped to the client and
// never lies over a band. It sits right above the background sheet, the
// client's backdrop, and under every other sheet, which therefore covers it
// where it lies over the text; it is put back there whenever a sheet comes,
// goes or is brought to the front. It follows the client's size too: the
// layout events that draw it again do not cover every way the client can
// change (a band closed at the bottom grows it without a repaint), and a
// text left behind floats in the middle of the client.
class w_mdi::CornerText final : public QWidget {
public:
    CornerText(QMdiArea* client, std::function<QWidget*()> backdrop, std::function<void()> client_changed)
        : QWidget(client->viewport()), backdrop_(std::move(backdrop)), client_changed_(std::move(client_changed)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        hide();
        client->viewport()->installEventFilter(this);
        connect(client, &QMdiArea::subWindowActivated, this, [this] { restack(); });
    }
    void show_text(const QString& text, const QRect& black, const QRect& cyan) {
        text_ = text;
        black_ = black;
        cyan_ = cyan;
        drawn_ = true;
        setGeometry(cyan);
        restack();
        show();
        update();
    }

    void clear() {
        drawn_ = false;
        hide();
    }

    // Right above the backdrop's sheet; under every sheet when there is none.
    void restack() {
        QWidget* backdrop = backdrop_ ? backdrop_() : nullptr;
        QWidget* over = nullptr;
        bool past_backdrop = false;
        for (QObject* child : parentWidget()->children()) {
            if (child == this) continue;
            if (past_backdrop && qobject_cast<QMdiSubWindow*>(child)) {
                over = static_cast<QWidget*>(child);
                break;
            }
            past_backdrop = past_backdrop || child == backdrop;
        }
        if (!backdrop || backdrop->parentWidget() != parentWidget()) lower();
        else if (over) stackUnder(over);
        else raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Resize && drawn_) client_changed_();
        if ((e->type() == QEvent::ChildAdded || e->type() == QEvent::ChildRemoved) && drawn_)
            // A sheet's window is made a child before it is shown and raised.
            QMetaObject::invokeMethod(this, [this] { restack(); }, Qt::QueuedConnection);
        return QWidget::eventFilter(watched, e);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setFont(font());
        const QPoint origin = cyan_.topLeft();
        p.setPen(QColor(0, 0, 0));
        p.drawText(black_.translated(-origin), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
        p.setPen(QColor(0, 255, 255));
        p.drawText(cyan_.translated(-origin), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
    }

private:
    std::function<QWidget*()> backdrop_;
    std::function<void()> client_changed_;
    bool drawn_ = false; // until the frame first draws, there is nothing to follow
    QString text_;
    QRect black_, cyan_;
};

w_mdi::w_mdi() {
    set_window_type(rt::WindowType::mdi);
    set_windowstate(rt::WindowState::maximized);
    set_design_size(4535, 2320);
    ole_1.set_taborder(10);
    ole_1.on_toolclick = [this](rt::CommandTool& tool) { ole_1_toolclick(tool); };
    ole_1.on_bandclose = [this](rt::CommandBand&) { ole_1_bandclose(); };
    ole_1.on_bandmove = [this](rt::CommandBand&) { ole_1_bandmove(); };
    ole_1.on_resize = [this](long, long, long, long) { ole_1_resize(); };
    const auto backdrop = []() -> QWidget* {
        w_background* sheet = w_background::current();
        return sheet && sheet->is_sheet() ? sheet->widget()->parentWidget() : nullptr;
    };
    corner_ = new CornerText(mdi_1.mdi(), backdrop, [this] { wf_paint(mdi_1); });
}

w_mdi::~w_mdi() {
    if (g_current == this) g_current = nullptr;
    // The corner goes with the client's widget: nothing to follow then.
    if (corner_) corner_->clear();
}

w_mdi* w_mdi::current() { return g_current && g_current->is_open() ? g_current : nullptr; }

void w_mdi::pfc_preopen() {
    w_master::pfc_preopen();
    if (!gnv_app->appico.empty()) set_icon(gnv_app->appico);
    // The tray icon, with the frame's own icon file and a welcome balloon.
    iuo_icontray = std::make_unique<xu_icontray>();
    im_current = std::make_unique<m_taskbar>();
    const std::string icon_name = gnv_app->appico.empty() ? icon() : gnv_app->appdir + "\\" + gnv_app->appico;
    iuo_icontray->add_icon(icon_name, "双击左键还原窗口\n\r单击右键弹出快捷菜单", *this, "欢迎使用", gnv_app->appname);
}

void w_mdi::open() {
    w_master::open();
    g_current = this;
    ole_1.Move(0, 0);
    wf_load_layout();
    if (rt::CommandBand* status = ole_1.bands("StatusBar")) {
        if (rt::CommandTool* name = status->tools("lb_name")) name->set_caption("UNKNOW");
    }
    set_title(gnv_app->appname);
    if (rt::CommandBand* status = ole_1.bands("StatusBar")) {
        if (rt::CommandTool* soft = status->tools("lb_softname")) soft->set_caption(title());
    }
    wf_open_sheet(rt::make_window<w_background>());
}

void w_mdi::close() {
    if (g_current == this) g_current = nullptr;
    w_master::close();
    // The frame is gone for good: its tray icon goes with it.
    iuo_icontray.reset();
}

// ---- the tray --------------------------------------------------------------
long w_mdi::syscommand(unsigned long commandtype, int xpos, int ypos) {
    return ue_syscommand(commandtype, xpos, ypos);
}

long w_mdi::usermessage(unsigned message, unsigned long wparam, long lparam) {
    return message == rt::user_message ? ue_custom01(wparam, lparam) : 0;
}

// Without an icon to come back by, a hidden frame would be out of reach:
// the minimise then takes its usual course. Whether the icon can be seen is
// asked at each minimise, as the tray's host may have gone since it was added.
long w_mdi::ue_syscommand(unsigned long commandtype, int, int) {
    if (commandtype != rt::sc_minimize) return 0;
    if (!iuo_icontray || !iuo_icontray->icon_on_desktop()) return 0;
    Hide();
    iuo_icontray->show_balloontip("欢迎使用", gnv_app->appname + " 已经最小化到这里");
    return 1;
}

long w_mdi::ue_custom01(unsigned long, long lparam) {
    constexpr long wm_lbuttondblclk = 515, wm_rbuttonup = 517;
    if (lparam == wm_lbuttondblclk) {
        Show();
        // A modal window open over the frame comes back in front of it.
        rt::RaiseModalWindow();
    } else if (lparam == wm_rbuttonup && im_current) {
        SetFocus();
        im_current->m_main.PopMenu(*this, rt::PointerX(*this), rt::PointerY(*this));
    }
    return 0;
}

// A layout that cannot be read, or that lacks the status band the frame
// writes into, is replaced by the one built into the client: the frame
// always opens with its commands, its title and its background sheet.
void w_mdi::wf_load_layout() {
    const bool usable = ole_1.load("", gnv_app->appdir + "\\velotra.tb3", 1) == 1 && ole_1.bands("StatusBar") &&
                        ole_1.bands("StatusBar")->tools("lb_name") && ole_1.bands("StatusBar")->tools("lb_softname");
    if (!usable) ole_1.load_text("", builtin_layout());
}

void w_mdi::wf_open_sheet(rt::Window& sheet) {
    if (rt::OpenSheet(sheet, *this) != 1 || !sheet.is_open()) return;
    sheet.Move(0, 0);
    sheet.Resize(mdi_1.width(), mdi_1.height());
}

// ---- layout ------------------------------------------------------------------------------
rt::Rect w_mdi::fit_rule(long left, long top, long width, long height) {
    return {rt::scaled(left, 300), rt::scaled(top, 265), rt::scaled(width, 305), rt::scaled(height, 268)};
}

// The rule's factors make the client a little larger than the free
// rectangle (1.7% wider, 0.5% higher): kept to the free rectangle, so that
// the client's right edge with the corner text stays on screen and its
// bottom does not run over the status band.
void w_mdi::wf_fit_mdi() {
    const long l = ole_1.clientarealeft(), t = ole_1.clientareatop();
    const long w = ole_1.clientareawidth(), h = ole_1.clientareaheight();
    rt::Rect r = fit_rule(l, t, w, h);
    const int right = rt::px_to_units_x(static_cast<int>((l + w) / rt::twips_per_px)) + ole_1.x();
    const int bottom = rt::px_to_units_y(static_cast<int>((t + h) / rt::twips_per_px)) + ole_1.y();
    r.width = std::max(0, std::min(r.width, right - r.x));
    r.height = std::max(0, std::min(r.height, bottom - r.y));
    mdi_1.Move(r.x, r.y);
    mdi_1.Resize(r.width, r.height);
}

void w_mdi::resize(unsigned long sizetype, int newwidth, int newheight) {
    w_master::resize(sizetype, newwidth, newheight);
    ole_1.Resize(newwidth, newheight);
    wf_fit_mdi();
    if (w_background* sheet = w_background::current()) sheet->Resize(mdi_1.width(), mdi_1.height());
    paint(0);
}

void w_mdi::ole_1_bandclose() {
    ole_1.Resize(WorkSpaceWidth(), WorkSpaceHeight());
    wf_fit_mdi();
}

void w_mdi::ole_1_bandmove() {
    ole_1.Resize(WorkSpaceWidth(), WorkSpaceHeight());
    wf_fit_mdi();
    paint(0);
}

void w_mdi::ole_1_resize() {
    ole_1.Resize(WorkSpaceWidth(), WorkSpaceHeight());
    wf_fit_mdi();
    paint(0);
}

long w_mdi::other(const std::optional<unsigned long>& wparam, long lparam) {
    const bool caption_move = lparam == 33554434;
    const bool border_press = lparam > 33619977 && lparam < 33619986;
    if (wparam && *wparam > 0 && (caption_move || border_press)) rt::PostEvent(*this, [this] { paint(0); });
    return 0;
}

// ---- corner text -----------------------------------------------------------------------------
long w_mdi::paint(long) {
    wf_paint(mdi_1);
    return 0;
}

w_mdi::corner_boxes w_mdi::corner_text_boxes(const tagrect& client, const lpsize& text) {
    corner_boxes b;
    b.black = client;
    b.black.top = b.black.bottom - text.arg2 - 16;
    b.black.left = b.black.right - text.arg1 - 8;
    b.cyan = b.black;
    b.cyan.top -= 2;
    b.cyan.left -= 2;
    return b;
}

void w_mdi::wf_paint(rt::MdiClient& mdi) {
    if (rightcornertext.empty()) {
        painted_ = {};
        corner_->clear();
        return;
    }
    QMdiArea* area = mdi.mdi();
    if (!area || !corner_) return;
    const QString text = rt::qstr(rightcornertext);
    const QFontMetrics metrics(corner_->font());
    // The client's own area, inside its frame and scroll bars.
    const QWidget* client_area = area->viewport();
    const tagrect client{0, 0, client_area->width(), client_area->height()};
    const lpsize size{metrics.horizontalAdvance(text), metrics.height()};
    painted_ = corner_text_boxes(client, size);
    auto rect = [](const tagrect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); };
    corner_->show_text(text, rect(painted_.black), rect(painted_.cyan));
}

// ---- commands ----------------------------------------------------------------------------------
void w_mdi::ole_1_toolclick(rt::CommandTool& tool) { wf_open_module(tool.name); }

// Each command opens its window in one line; a tool name the frame does not
// know opens the about box.
void w_mdi::wf_open_module(const rt::nstring& as_argument) {
    if (as_argument == "Tool_excel") {
        // One mail-merge sheet: a second would write the same settings keys.
        if (w_message_excel* sheet = w_message_excel::current()) {
            if (sheet->windowstate() == rt::WindowState::minimized) sheet->set_windowstate(rt::WindowState::normal);
            sheet->SetFocus();
        } else {
            wf_open_sheet(rt::make_window<w_message_excel>());
        }
    } else if (as_argument == "Tool_msg") {
        rt::Open(rt::make_window<w_sms_new>());
    } else if (as_argument == "Tool_register") {
        rt::Open(rt::make_window<w_reg>());
    } else if (as_argument == "Tool_recharge") {
        const std::string ls_url = topup_address;
        rt::browser().open_url(ls_url);
    } else if (as_argument == "Tool_update") {
        wf_update();
    } else if (as_argument == "Tool_setting") {
        rt::Open(rt::make_window<w_set>());
    } else if (as_argument == "Tool_logging") {
        rt::Open(rt::make_window<w_log>());
    } else if (as_argument == "Tool_about") {
        rt::Open(rt::make_window<w_about>());
    } else if (as_argument == "Tool_exit") {
        rt::Close(*this);
    } else {
        rt::Open(rt::make_window<w_about>());
    }
}

// ---- self-update --------------------------------------------------------------------------------
namespace {

const std::string client_name = std::string("velotra") + rt::exe_suffix;

// The runtime's text of a blob ends at its first zero byte: the "404" test
// sees what comes before it.
bool says_404(const rt::blob& data) { return data.substr(0, data.find('\0')).find("404") != std::string::npos; }

// update\ + name, or, when a file of that name is there already, the first
// free name + "." + k, so a kept executable is never written over.
std::string free_name_in(const std::string& folder, const std::string& name) {
    std::string target = folder + name;
    for (int k = 1; rt::FileExists(target) || rt::DirectoryExists(target); ++k)
        target = folder + name + "." + std::to_string(k);
    return target;
}

} // namespace

int w_mdi::wf_update() {
    if (!gnv_app->wf_update_ini()) return -1;

    const std::string descriptor = gnv_app->appdir + "\\update\\update.txt";
    const std::string ls_file = rt::ProfileString(descriptor, "update", "File", "velotra.zip").value_or("");
    const std::string ls_execute = rt::ProfileString(descriptor, "update", "Execute", client_name).value_or("");
    // Published beside the archive; the update does not compare them.
    rt::ProfileString(descriptor, "update", "MD5", "");
    rt::ProfileString(descriptor, "update", "SHA1", "");
    rt::ProfileString(descriptor, "update", "CRC32", "");

    rt::Inet iinet_base;
    nuo_ir lnv_ir;
    const int result = iinet_base.GetURL(gnv_app->weburl + "sms/update/" + ls_file, lnv_ir);
    if (result != 1) {
        gnv_app->pub_msg("访问地址失败，错误代码[" + std::to_string(result) + "]", rt::Icon::Exclamation);
        return -1;
    }
    const rt::blob data = lnv_ir.of_getdata();
    if (lnv_ir.http_status() >= 400 || says_404(data)) {
        gnv_app->pub_msg("访问服务器资源失败");
        return -1;
    }

    // A name already in use (the running program, an earlier update's
    // archive or kept executable, the executable [cfg] run names, a file or
    // folder of anyone's) is never taken: the extraction would fail on it or
    // write over it.
    const std::string ls_old = gnv_app->pub_f_get_sysvar("cfg", "run", client_name);
    const std::string update_folder = gnv_app->appdir + "\\update\\";
    auto base_name = [](std::int32_t n) { return "velotra_" + std::to_string(n); };
    const std::optional<std::int32_t> drawn = rt::DrawFreeNumber(
        99999,
        [&](std::int32_t n) {
            const std::string base = base_name(n);
            return std::vector<std::string>{gnv_app->appdir + "\\" + base + rt::exe_suffix,
                                            update_folder + base + ".zip", update_folder + base + rt::exe_suffix};
        },
        {gnv_app->appdir + "\\" + ls_old});
    if (!drawn) {
        // Every name is taken: there is nowhere to save the archive.
        gnv_app->pub_msg("下载更新文件失败!!");
        return -1;
    }
    const std::string ls_base = base_name(*drawn);
    const std::string ls_exe = ls_base + rt::exe_suffix;
    const std::string ls_zip = update_folder + ls_base + ".zip";
    const std::string ls_target = gnv_app->appdir + "\\" + ls_exe;

    rt::CreateDirectory(gnv_app->appdir + "\\update\\");
    if (f_filewrite(ls_zip, data) != 1) {
        gnv_app->pub_msg("下载更新文件失败!!");
        return -1;
    }

    n_zlib lnv_zlib;
    lnv_zlib.of_directory(ls_zip); // the listing has no further use
    n_zlib::unzfile handle = lnv_zlib.of_unzopen(ls_zip);
    if (!handle) return -1;
    const bool extracted = lnv_zlib.of_extractfile(handle, ls_target, ls_execute);
    lnv_zlib.of_unzclose(handle);
    if (!extracted) return -1;

    // An extracted file has no execute bit; the launcher could not start it.
    std::error_code ec;
    std::filesystem::permissions(rt::native_path(ls_target), std::filesystem::perms(0755),
                                 std::filesystem::perm_options::replace, ec);
    for (int i = 0; i < 3; ++i) QApplication::beep();
    if (ec || gnv_app->pub_f_set_sysvar("cfg", "run", ls_exe) != 1) {
        // Nothing would ever start it: the program folder stays as it was.
        rt::FileDelete(ls_target);
        gnv_app->pub_msg("程序更新失败!");
        return -1;
    }
    rt::FileMove(gnv_app->appdir + "\\" + ls_old, free_name_in(update_folder, ls_old));
    gnv_app->pub_msg("程序更新完成,请重新运行程序!");
    return 1;
}
