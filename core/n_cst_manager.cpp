#include "core/n_cst_manager.h"

#include "core/f_filewrite.h"
#include "core/f_formvalue.h"
#include "core/f_open_login.h"
#include "core/f_read_answer.h"
#include "core/nuo_ir.h"
#include "core/nvo_runandwait.h"
#include "core/uo_file_version.h"
#include "core/velotra.h"
#include "foundation/n_cst_string.h"
#include "runtime/datetime.h"
#include "runtime/files.h"
#include "runtime/inet.h"
#include "runtime/path.h"
#include "runtime/pbdom_element.h"
#include "runtime/profile.h"
#include "runtime/strings.h"
#include "runtime/ui/window.h"
#include "runtime/urls.h"
#include "runtime/xml.h"
#include "shell/w_background.h"
#include "shell/w_mdi.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

n_cst_manager* gnv_app = nullptr;

namespace {

// The runtime's ProfileString with a non-null file, section and key: the
// value as stored, the default only when the key is missing.
std::string profile_read(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& dflt) {
    return rt::or_empty(rt::ProfileString(file, section, key, dflt));
}

// Development mode stands for running inside the development environment: a
// built client is in it only when the environment variable VELOTRA_DEV is "1".
bool dev_environment() {
    const char* v = std::getenv("VELOTRA_DEV");
    return v && std::string(v) == "1";
}

// The setters' rule: a null value is refused (-1), any other one kept (1).
int keep(std::string& field, const rt::nstring& value) {
    if (!value) return -1;
    field = *value;
    return 1;
}

} // namespace

n_cst_manager::n_cst_manager() = default;
n_cst_manager::~n_cst_manager() = default;

// ---- start-up -------------------------------------------------------------

void n_cst_manager::pfc_open(const std::string& as_commandline) {
    if (dev_environment()) ib_dev = true;
    commandline = as_commandline;
    if (pub_app_start() == 1) return;
    if (w_mdi* frame = w_mdi::current()) rt::Close(*frame);
    velotra::halt();
}

// The client connects to no database: nothing to disconnect.
void n_cst_manager::pfc_close() {}

int n_cst_manager::pub_app_start() {
    appdir = rt::program_folder();
    is_appinifile = appdir + "\\" + "velotra.ini";
    of_setappinifile(is_appinifile);
    if (!rt::FileExists(is_appinifile)) {
        int f = rt::FileOpen(is_appinifile, rt::FileMode::StreamMode, rt::FileAccess::Write, rt::FileLock::LockWrite,
                             rt::WriteMode::Append);
        rt::FileClose(f);
    }
    pub_app_init_res();
    if (pub_app_init() != 1) return -1;
    rt::Open(rt::make_window<w_mdi>());

    for (;;) {
        const login_answer answer = f_open_login();
        if (!answer.returned) return -1;
        const rt::nstring value = rt::Lower(answer.value);
        if (value == "ok") {
            if (pub_app_init() != 1) return -1;
            if (w_background* sheet = w_background::current()) sheet->wf_overage();
            return 1;
        }
        if (value && *value != "retry") return -1;
    }
}

bool n_cst_manager::of_getmicrohelp() const { return ib_microhelp; }
std::string n_cst_manager::of_getappinifile() const { return is_appinifile; }

int n_cst_manager::of_setappinifile(const rt::nstring& as_appinifile) { return keep(is_appinifile, as_appinifile); }

namespace {

// The scrambling key: n = 9001 * 10037, e * d = 1 modulo lcm(9000, 10036).
constexpr std::int32_t kKeyE = 10000019;
constexpr std::int32_t kKeyN = 90343037;
constexpr std::int32_t kKeyD = 27155579;

} // namespace

int n_cst_manager::pub_app_init() {
    smsurl = "sms.aspx";
    url = rt::gateway_base_url();
    sendurl = url + smsurl;
    weburl = rt::web_base_url();
    signature_default = "澄渊达";
    appname = "澄渊达通讯平台";
    e = kKeyE;
    n = kKeyN;
    d = kKeyD;
    if (auto v = pub_f_get_sysvar("cfg", "appname", ""); !v.empty()) appname = of_decrypt(v, d, n);
    if (auto v = pub_f_get_sysvar("cfg", "signature_default", ""); !v.empty()) signature_default = of_decrypt(v, d, n);
    appico = "res\\" + signature_default + ".ico";
    auto_signature = pub_f_get_sysvar("cfg", "auto_signature", "1") == "1";
    signature = pub_f_get_sysvar("mobile", "signature", signature_default);
    of_setlogo("res\\pfcmsg.bmp");
    apptitle = appname;
    auto credential = [this](const char* key) {
        auto v = pub_f_get_sysvar("cfg", key, "");
        return v.empty() ? std::string() : of_decrypt(v, d, n);
    };
    userid = credential("userid");
    account = credential("account");
    password = credential("password");
    return 1;
}

// A match never begins on the trail byte of a GBK character, so a path is
// never cut inside a character whose second byte is 0x5C.
rt::nlong n_cst_manager::pub_lastpos(const rt::nstring& as_source, const rt::nstring& as_string) const {
    if (!as_source || !as_string) return rt::null;
    return rt::LastPos(*as_source, *as_string);
}

std::string n_cst_manager::pub_f_xsubs(const rt::nstring& s, const std::optional<char>& c, int p) const {
    if (p < 1 || !s || !c) return {};
    std::size_t start = 0;
    for (int i = 1; i < p; ++i) {
        auto sep = s->find(*c, start);
        if (sep == std::string::npos) return {};
        start = sep + 1;
    }
    auto end = s->find(*c, start);
    return s->substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// ---- message boxes --------------------------------------------------------

int n_cst_manager::pub_msg(const std::string& as_text) {
    return pub_msg(as_text, rt::Icon::Information, rt::Buttons::OK);
}
int n_cst_manager::pub_msg(const std::string& as_text, rt::Icon ai_icon) {
    return pub_msg(as_text, ai_icon, rt::Buttons::OK);
}
int n_cst_manager::pub_msg(const std::string& as_text, rt::Icon ai_icon, rt::Buttons ab_button) {
    return rt::MessageBox(apptitle, as_text, ai_icon, ab_button, 1);
}

// ---- gateway request --------------------------------------------------------

int n_cst_manager::of_http_post_sms(const std::string& as_action, const std::string& as_mobile,
                                    std::string& as_data) {
    return of_http_post_sms("", as_action, as_mobile, as_data);
}

namespace {

// A signature that already carries its brackets: first character "【", last "】".
bool bracketed(const std::string& sig) {
    std::vector<std::string_view> chars;
    for (std::string_view ch : rt::GbkChars(sig)) chars.push_back(ch);
    return chars.size() >= 2 && chars.front() == "【" && chars.back() == "】";
}

// The message carries the signature once: it goes in front unless the text
// already begins with it. A signature stored with its brackets is compared
// as it is, not inside a second pair.
std::string signed_content(const n_cst_manager& m, const std::string& text) {
    if (!m.auto_signature) return text;
    const std::string sig = bracketed(m.signature_prev) ? m.signature_prev : "【" + m.signature_prev + "】";
    return text.compare(0, sig.size(), sig) == 0 ? text : sig + text;
}

} // namespace

int n_cst_manager::of_http_post_sms(const std::string& as_url, const std::string& as_action,
                                    const std::string& as_mobile, std::string& as_data) {
    // The request and answer files are named after the time of the request;
    // the clock is read and formatted only when they are kept, which a send
    // of 50 batches seldom asks for.
    const bool keep_files = ib_dev || profile_read(of_getappinifile(), "App_Env", "debug", "0") == "1";
    const std::string files =
        keep_files ? appdir + "\\log\\" + rt::String(rt::Now(), "yyyymmddhhmmss") : std::string();
    rt::Inet inet;
    nuo_ir ir;

    std::string body;
    const auto field = [&body](const char* name, const std::string& value) {
        body += name;
        body += f_formvalue(value);
    };
    body += "action=";
    body += as_action;
    if (as_action == "reg_thr_ones" || as_action == "user_chks_ones") {
        body += "&";
        body += as_data;
    } else {
        field("&userid=", userid);
        field("&account=", account);
        field("&password=", password);
        if (!rt::IsBlank(as_mobile)) field("&mobile=", as_mobile);
        if (!rt::IsBlank(as_data)) field("&content=", signed_content(*this, as_data));
    }
    const rt::blob request = std::move(body);
    const std::string header = "Content-Type: application/x-www-form-urlencoded;charset=GBK\n"
                               "Content-Length: " + std::to_string(request.size()) + "\n"
                               "Accept: */*\n"
                               "User-Agent: sms\n\n\n";

    rt::CreateDirectory(appdir + "\\log");
    if (keep_files) f_filewrite(files + "Rq.log", request);

    // Every caller reads the answer as XML, which refuses anything longer
    // than xml_max_bytes: the rest of a longer answer is not waited for.
    inet.set_answer_limit(rt::xml_max_bytes);
    const int result = inet.PostURL(rt::IsBlank(as_url) ? sendurl : as_url, request, header, 80, ir);
    if (result != 1) {
        pub_msg("与服务器数据交互失败,错误代码[" + std::to_string(result) + "]", rt::Icon::StopSign);
        as_data.clear();
    } else {
        as_data = ir.of_getdata();
    }
    // After a failed post nothing was received, and the answer file says so.
    if (keep_files) f_filewrite(files + "Rs.log", ir.of_getdata());
    return result;
}

void n_cst_manager::pub_app_init_res() {}

// ---- logs and file helpers -------------------------------------------------

namespace {

// The daily log entry before the line-mode write adds its own CR LF.
std::string log_entry(const std::string& msg, const std::string& after_msg, const rt::DateTime& now = rt::Now()) {
    const std::string stars(39, '*');
    return stars + "\r\n******* " + rt::String(now, "yyyy-mm-dd hh:mm:ss.fff") + " *******\r\n" + stars + "\r\n" +
           msg + after_msg;
}

// One line-mode write (the text and CR LF). Failures are silent: a lost log
// entry must never stop the client.
void write_line(const std::string& path, const std::string& text, rt::WriteMode mode) {
    int f = rt::FileOpen(path, rt::FileMode::LineMode, rt::FileAccess::Write, rt::FileLock::LockWrite, mode);
    rt::FileWrite(f, text);
    rt::FileClose(f);
}

// Reads a file in pieces, handing each to `take`: the count of pieces, or -1.
// An empty file is one empty piece.
template <class Take>
std::int32_t read_pieces(const std::string& filename, Take take) {
    const std::int64_t length = rt::FileLength(filename);
    int f = rt::FileOpen(filename, rt::FileMode::StreamMode, rt::FileAccess::Read);
    if (length < 0 || f < 0) {
        if (f > 0) rt::FileClose(f);
        return -1;
    }
    const std::int64_t count = length <= rt::file_piece ? 1 : (length + rt::file_piece - 1) / rt::file_piece;
    std::string piece;
    for (std::int64_t i = 1; i <= count; ++i) {
        if (rt::FileRead(f, piece) == -1) {
            rt::FileClose(f);
            return -1;
        }
        take(piece);
    }
    rt::FileClose(f);
    return static_cast<std::int32_t>(count);
}

} // namespace

void n_cst_manager::uf_debug(const std::string&) {}

int n_cst_manager::uf_file_write(const std::string& as_filename, const std::string& as_note, bool ab_append) {
    return f_filewrite(as_filename, as_note, ab_append ? rt::WriteMode::Append : rt::WriteMode::Replace);
}

void n_cst_manager::uf_test_write(const std::string& as_error, bool ab_add) {
    if (!dev_environment()) return;
    if (ab_add)
        write_line(appdir + "\\DebugTmp1.TXT", log_entry(as_error, "\r\n\r\n"), rt::WriteMode::Append);
    else
        write_line(appdir + "\\DebugTMP2.TXT", as_error, rt::WriteMode::Replace);
}

// The log folder is never created here: the gateway request makes it, and
// every entry the client writes follows a gateway request.
void n_cst_manager::uf_file_log(const std::string& as_msg, bool ab_add) {
    // One reading of the clock names the day's file and stamps the entry.
    const rt::DateTime now = rt::Now();
    const std::string path = appdir + "\\log\\" + rt::String(now, "yyyy-mm-dd") + ".txt";
    // A send logs one entry per message: the day's file stays open between
    // entries (each is on disk when this returns), shared by every manager,
    // and is never closed, the system closing it at exit. An open and a
    // close per entry made BM_manager_post_and_log_10000 of
    // w_message_preview_bench 1.20 times the bare posts instead of 1.05.
    static rt::AppendLog& day_file = *new rt::AppendLog;
    if (ab_add)
        day_file.append(path, log_entry(as_msg, "\r\n", now));
    else
        write_line(path, as_msg, rt::WriteMode::Replace);
}

std::int32_t n_cst_manager::of_fileread(const std::string& as_filename, std::vector<std::string>& as_text) {
    std::vector<std::string> pieces;
    const std::int32_t count = read_pieces(as_filename, [&](const std::string& p) { pieces.push_back(p); });
    // A read that fails part-way still hands over the pieces read before it;
    // a file that cannot be opened has none and leaves the array alone.
    if (as_text.size() < pieces.size()) as_text.resize(pieces.size());
    std::move(pieces.begin(), pieces.end(), as_text.begin());
    return count < 0 ? -1 : count;
}

int n_cst_manager::of_fileread(const std::string& as_filepath, std::string as_text) {
    return read_pieces(as_filepath, [&](const std::string& p) { as_text = p; }) < 0 ? -1 : 1;
}

// ---- scrambling -------------------------------------------------------------

double n_cst_manager::of_mult(double x, double p, double m) const {
    double y = 1;
    x = std::fmod(x, m);
    while (p > 0) {
        while (p * 0.5 == std::trunc(p * 0.5)) {
            x = std::fmod(x * x, m);
            p = p * 0.5;
        }
        y = std::fmod(y * x, m);
        p = p - 1;
    }
    return y;
}

namespace {

// Width of a scrambled block: the decimal digits of the modulus.
std::size_t block_width(double adbl_n) {
    return std::to_string(static_cast<long long>(adbl_n)).size();
}

} // namespace

std::string n_cst_manager::of_encrypt(const std::string& as_strtoencrypt, double adbl_e, double adbl_n) const {
    const std::size_t w = block_width(adbl_n);
    std::string out;
    out.reserve(as_strtoencrypt.size() * w);
    for (unsigned char b : as_strtoencrypt) {
        auto v = static_cast<long long>(of_mult(b, adbl_e, adbl_n));
        std::string digits = std::to_string(v);
        if (digits.size() < w) out.append(w - digits.size(), '0');
        out += digits;
    }
    return out;
}

// A block that does not unscramble to a byte from 1 to 255 was not written
// by of_encrypt with this key: it is dropped, so a damaged value never puts
// a NUL or a stray byte into a credential.
std::string n_cst_manager::of_decrypt(const rt::nstring& as_strtodecrypt, double adbl_d, double adbl_n) const {
    if (!as_strtodecrypt) return {};
    const std::size_t w = block_width(adbl_n);
    const std::string& s = *as_strtodecrypt;
    std::string out;
    for (std::size_t pos = 0; pos < s.size(); pos += w) {
        auto v = static_cast<long long>(of_mult(rt::Long(std::string_view(s).substr(pos, w)), adbl_d, adbl_n));
        if (v >= 1 && v <= 255) out += static_cast<char>(v);
    }
    return out;
}

std::string n_cst_manager::pub_f_str2str(const rt::nstring& arg) const { return arg ? rt::Trim(*arg) : std::string(); }

// A value of spaces is not empty when read, so it is kept and trimmed to "".
std::string n_cst_manager::pub_f_get_sysvar(const std::string& as_section, const std::string& as_key,
                                            const rt::nstring& as_default) {
    rt::nstring v = rt::ProfileString(of_getappinifile(), rt::Trim(as_section), rt::Trim(as_key), as_default);
    if (!v || v->empty()) v = as_default;
    return pub_f_str2str(v);
}

int n_cst_manager::pub_f_set_sysvar(const std::string& as_section, const std::string& as_key,
                                    const std::string& as_default) {
    return rt::SetProfileString(of_getappinifile(), rt::Trim(as_section), rt::Trim(as_key), as_default);
}

// ---- accessors --------------------------------------------------------------

int n_cst_manager::of_setversion(const rt::nstring& v) { return keep(is_version, v); }
std::string n_cst_manager::of_getcopyright() const { return is_copyright; }
std::string n_cst_manager::of_getversion() const { return is_version; }
int n_cst_manager::of_setcopyright(const rt::nstring& c) { return keep(is_copyright, c); }

bool n_cst_manager::of_sendsms_valid() {
    return !rt::IsBlank(userid) && !rt::IsBlank(account) && !rt::IsBlank(password);
}

int n_cst_manager::of_setlogo(const rt::nstring& as_logo) { return keep(is_logo, as_logo); }
std::string n_cst_manager::of_getlogo() const { return is_logo; }
// A program of this platform carries no version resource: uo_file_version
// reads the version stamp of our own builds instead.
std::string n_cst_manager::of_fileversion(const std::string& as_file) const {
    if (!rt::FileExists(as_file)) return "1,0,0,1";
    std::string version;
    uo_file_version().f_get_fileversion(as_file, version);
    return rt::Trim(version);
}

void n_cst_manager::of_parse_signature(std::vector<std::string>& as_signature) const {
    n_cst_string lnv_string;
    lnv_string.of_parsetoarray(signature, ";", as_signature);
}

// ---- gateway answers --------------------------------------------------------

// A download counts as not found when the server answers with an error
// status; the body itself is never searched (a checksum may hold "404").
bool n_cst_manager::wf_update_ini() {
    rt::Inet inet;
    nuo_ir ir;
    const int result = inet.GetURL(weburl + "sms/update/update.txt", ir);
    if (result != 1) {
        pub_msg("访问地址失败，错误代码[" + std::to_string(result) + "]", rt::Icon::Exclamation);
        return false;
    }
    if (ir.http_status() >= 400) {
        pub_msg("访问服务器资源失败", rt::Icon::Information);
        return false;
    }
    rt::CreateDirectory(appdir + "\\update");
    if (f_filewrite(appdir + "\\update\\" + "update" + ".txt", ir.of_getdata()) == 1) return true;
    pub_msg("下载更新文件失败!!", rt::Icon::Information);
    return false;
}

int n_cst_manager::of_read_answer(
    const pbdom_element& pobj_element,
    const std::function<void(const std::string& as_name, const std::string& as_text)>& as_field) {
    return f_read_answer(pobj_element, as_field);
}

int n_cst_manager::of_explain_overage(const pbdom_element& pobj_element) {
    return of_read_answer(pobj_element, [this](const std::string& name, const std::string& text) {
        if (name == "returnstatus") status = text;
        else if (name == "message") mess = text;
        else if (name == "payinfo") payinfo = text;
        else if (name == "overage") overage = text;
        else if (name == "sendtotal") sendtotal = text;
    });
}

int n_cst_manager::of_setuserid(const rt::nstring& as_userid) { return keep(is_userid, as_userid); }
std::string n_cst_manager::of_getuserid() const { return is_userid; }
namespace {

constexpr const char* kPingCommand = "ping -c 1 -s 1";
// The success text goes through the same trimming as a configured one, so it
// may not begin with a blank: "0% packet loss" alone is also the tail of
// "100% packet loss".
constexpr const char* kPingSuccess = ", 0% packet loss";
constexpr int kPingTimeoutMs = 10000;

// A host name of letters, digits, ".", "-" and ":" only: it becomes a program
// argument, and nothing in it may read as an option or as more arguments.
bool plausible_host(const std::string& host) {
    if (host.empty() || host.front() == '-') return false;
    return std::all_of(host.begin(), host.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '-' || c == ':';
    });
}

// The configured command may only tune ping: its first word must be ping.
bool runs_ping(const std::string& command) {
    return command.compare(0, 4, "ping") == 0 && (command.size() == 4 || command[4] == ' ');
}

} // namespace

// The ping runs through nvo_runandwait with an argument list (never a shell),
// its output read through a pipe instead of an output file, and it is given
// up after a time-out.
bool n_cst_manager::pub_net_ping(const std::string& as_hostname) {
    const std::string host = pub_f_xsubs(pub_f_xsubs(as_hostname, '\\', 1), ',', 1);
    if (!plausible_host(host)) return false;

    std::string command = pub_f_str2str(profile_read(of_getappinifile(), "system", "ping_cmd", kPingCommand));
    if (!runs_ping(command)) command = kPingCommand;
    std::string success = pub_f_str2str(profile_read(of_getappinifile(), "system", "ping_result", kPingSuccess));
    if (success.empty()) success = kPingSuccess;

    std::string output;
    int exit_code = 0;
    if (nvo_runandwait().of_runandwait(command + " " + host, kPingTimeoutMs, output, exit_code) != 1) return false;
    return output.find(success) != std::string::npos || output.find("丢失 = 0") != std::string::npos;
}
