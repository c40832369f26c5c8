#include "core/n_cst_manager.h"

#include "core/f_filewrite.h"
#include "runtime/gbk.h"
#include "runtime/path.h"

#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

n_cst_manager* gnv_app = nullptr;

namespace {

std::string env_or(const char* name, const char* dflt) {
    const char* v = std::getenv(name);
    return v && *v ? v : dflt;
}
std::string gateway_url() { return env_or("VELOTRA_URL", VELOTRA_DEFAULT_URL); }
std::string web_url() { return env_or("VELOTRA_WEBURL", VELOTRA_DEFAULT_WEBURL); }

// Trimming removes spaces (byte 32) only; tabs and line breaks stay.
std::string trim_spaces(const std::string& s) {
    auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

// The runtime's ProfileString on a file: the value as stored, the default
// only when the key is missing.
std::string profile_read(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& dflt) {
    (void)file, (void)section, (void)key;
    return dflt;
}

} // namespace

n_cst_manager::n_cst_manager() = default;
n_cst_manager::~n_cst_manager() = default;

// ---- start-up -------------------------------------------------------------

void n_cst_manager::pfc_open(const std::string& as_commandline) { commandline = as_commandline; }
void n_cst_manager::pfc_close() {}
int n_cst_manager::pub_app_start() { return -1; }
bool n_cst_manager::of_getmicrohelp() const { return ib_microhelp; }
std::string n_cst_manager::of_getappinifile() const { return is_appinifile; }

int n_cst_manager::of_setappinifile(const rt::nstring& as_appinifile) {
    if (!as_appinifile) return -1;
    is_appinifile = *as_appinifile;
    return 1;
}

namespace {

// The scrambling key: n = 9001 * 10037, e * d = 1 modulo lcm(9000, 10036).
constexpr std::int32_t kKeyE = 10000019;
constexpr std::int32_t kKeyN = 90343037;
constexpr std::int32_t kKeyD = 27155579;

} // namespace

int n_cst_manager::pub_app_init() {
    smsurl = "sms.aspx";
    url = gateway_url();
    sendurl = url + smsurl;
    weburl = web_url();
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

rt::nlong n_cst_manager::pub_lastpos(const rt::nstring& as_source, const rt::nstring& as_string) const {
    if (!as_source || !as_string) return rt::null;
    if (as_string->empty()) return 0;
    auto p = as_source->rfind(*as_string);
    if (p == std::string::npos) return 0;
    return static_cast<std::int32_t>(p + 1);
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

// ---- gateway ----------------------------------------------------------------

int n_cst_manager::of_http_post_sms(const std::string& as_action, const std::string& as_mobile,
                                    std::string& as_data) {
    return of_http_post_sms("", as_action, as_mobile, as_data);
}
int n_cst_manager::of_http_post_sms(const std::string&, const std::string&, const std::string&,
                                    std::string& as_data) {
    as_data.clear();
    return -1;
}

void n_cst_manager::pub_app_init_res() {}

// ---- logs -------------------------------------------------------------------

namespace {

constexpr std::size_t kPiece = 32765;

std::string two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string log_date(const rt::DateTime& t) {
    return std::to_string(t.year) + "-" + two(t.month) + "-" + two(t.day);
}

std::string log_stamp(const rt::DateTime& t) {
    char ms[8];
    std::snprintf(ms, sizeof ms, "%03d", t.millisecond);
    return log_date(t) + " " + two(t.hour) + ":" + two(t.minute) + ":" + two(t.second) + "." + ms;
}

// The entry that a daily log or DebugTmp1.TXT receives before the line-mode
// write adds its own CR LF.
std::string log_entry(const std::string& msg, const std::string& after_msg) {
    const std::string stars(39, '*');
    return stars + "\r\n" + "******* " + log_stamp(rt::clock().now()) + " *******\r\n" + stars + "\r\n" + msg +
           after_msg;
}

// One line-mode write: the text and CR LF. Failures are silent by design: a
// lost log line must never stop the client.
void write_line(const std::string& path, const std::string& text, bool append) {
    std::FILE* f = std::fopen(rt::native_path(path).c_str(), append ? "ab" : "wb");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fwrite("\r\n", 1, 2, f);
    std::fclose(f);
}

bool dev_environment() {
    const char* v = std::getenv("VELOTRA_DEV");
    return v && std::string(v) == "1";
}

// Reads a file in pieces, handing each to `take`; the count of pieces, or -1.
template <class Take>
std::int32_t read_pieces(const std::string& filename, Take take) {
    std::FILE* f = std::fopen(rt::native_path(filename).c_str(), "rb");
    if (!f) return -1;
    std::string piece;
    std::int32_t count = 0;
    do {
        piece.resize(kPiece);
        std::size_t got = std::fread(piece.data(), 1, kPiece, f);
        if (std::ferror(f)) {
            std::fclose(f);
            return -1;
        }
        piece.resize(got);
        if (got == 0 && count > 0) break;
        take(++count, piece);
    } while (piece.size() == kPiece);
    std::fclose(f);
    return count;
}

} // namespace

void n_cst_manager::uf_debug(const std::string&) {}

int n_cst_manager::uf_file_write(const std::string& as_filename, const std::string& as_note, bool ab_append) {
    std::FILE* f = std::fopen(rt::native_path(as_filename).c_str(), ab_append ? "ab" : "wb");
    if (!f) return -1;
    for (std::size_t pos = 0; pos < as_note.size(); pos += kPiece) {
        std::size_t len = std::min(kPiece, as_note.size() - pos);
        if (std::fwrite(as_note.data() + pos, 1, len, f) != len) {
            std::fclose(f);
            return -1;
        }
    }
    return std::fclose(f) == 0 ? 1 : -1;
}

void n_cst_manager::uf_test_write(const std::string& as_error, bool ab_add) {
    if (!dev_environment()) return;
    if (ab_add)
        write_line(appdir + "\\DebugTmp1.TXT", log_entry(as_error, "\r\n\r\n"), true);
    else
        write_line(appdir + "\\DebugTMP2.TXT", as_error, false);
}

// The log folder is never created here: the gateway request makes it, and
// every entry the client writes follows a gateway request.
void n_cst_manager::uf_file_log(const std::string& as_msg, bool ab_add) {
    const std::string path = appdir + "\\log\\" + log_date(rt::clock().now()) + ".txt";
    if (ab_add)
        write_line(path, log_entry(as_msg, "\r\n"), true);
    else
        write_line(path, as_msg, false);
}

std::int32_t n_cst_manager::of_fileread(const std::string& as_filename, std::vector<std::string>& as_text) {
    std::vector<std::string> pieces;
    std::int32_t count = read_pieces(as_filename, [&](std::int32_t, const std::string& p) { pieces.push_back(p); });
    if (count < 0) return -1;
    if (as_text.size() < pieces.size()) as_text.resize(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) as_text[i] = std::move(pieces[i]);
    return count;
}

int n_cst_manager::of_fileread(const std::string& as_filepath, std::string as_text) {
    std::int32_t count = read_pieces(as_filepath, [&](std::int32_t, const std::string& p) { as_text = p; });
    return count < 0 ? -1 : 1;
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

// The runtime's Long of a block: leading digits, 0 when there are none.
long long block_value(const std::string& block) {
    long long v = 0;
    for (char c : block) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
    }
    return v;
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
        auto v = static_cast<long long>(of_mult(static_cast<double>(block_value(s.substr(pos, w))), adbl_d, adbl_n));
        if (v >= 1 && v <= 255) out += static_cast<char>(v);
    }
    return out;
}

std::string n_cst_manager::pub_f_str2str(const rt::nstring& arg) const {
    return arg ? trim_spaces(*arg) : std::string();
}

std::string n_cst_manager::pub_f_get_sysvar(const std::string&, const std::string&, const rt::nstring& as_default) {
    return pub_f_str2str(as_default);
}
int n_cst_manager::pub_f_set_sysvar(const std::string&, const std::string&, const std::string&) { return -1; }

// ---- accessors --------------------------------------------------------------

int n_cst_manager::of_setversion(const rt::nstring& v) {
    if (!v) return -1;
    is_version = *v;
    return 1;
}
std::string n_cst_manager::of_getcopyright() const { return is_copyright; }
std::string n_cst_manager::of_getversion() const { return is_version; }
int n_cst_manager::of_setcopyright(const rt::nstring& c) {
    if (!c) return -1;
    is_copyright = *c;
    return 1;
}

bool n_cst_manager::of_sendsms_valid() {
    return !trim_spaces(userid).empty() && !trim_spaces(account).empty() && !trim_spaces(password).empty();
}

int n_cst_manager::of_setlogo(const rt::nstring& as_logo) {
    if (!as_logo) return -1;
    is_logo = *as_logo;
    return 1;
}
std::string n_cst_manager::of_getlogo() const { return is_logo; }
namespace {

// The version stamp that the build puts into every program that links the
// manager; of_fileversion finds it in a file by its marker.
[[gnu::used]] const char kVersionStamp[] = "VELOTRA_FILE_VERSION=" VELOTRA_FILE_VERSION;

} // namespace

// A program of this platform carries no version resource: its version is the
// stamp above. A file that holds no stamp has no version text ("").
std::string n_cst_manager::of_fileversion(const std::string& as_file) const {
    std::FILE* f = std::fopen(rt::native_path(as_file).c_str(), "rb");
    if (!f) return "1,0,0,1";
    std::string bytes;
    char buf[65536];
    for (std::size_t got; (got = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, got);
    std::fclose(f);
    const std::string marker(kVersionStamp, std::strchr(kVersionStamp, '=') + 1);
    for (auto pos = bytes.find(marker); pos != std::string::npos; pos = bytes.find(marker, pos + 1)) {
        auto start = pos + marker.size();
        auto end = bytes.find('\0', start);
        std::string version = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!version.empty() && version.size() <= 255 && version.find_first_not_of("0123456789,. ") == std::string::npos)
            return trim_spaces(version);
    }
    return {};
}
void n_cst_manager::of_parse_signature(std::vector<std::string>&) const {}
bool n_cst_manager::wf_update_ini() { return false; }
int n_cst_manager::of_explain_overage(const pbdom_element&) { return -1; }

int n_cst_manager::of_setuserid(const rt::nstring& as_userid) {
    if (!as_userid) return -1;
    is_userid = *as_userid;
    return 1;
}
std::string n_cst_manager::of_getuserid() const { return is_userid; }
namespace {

constexpr const char* kPingCommand = "ping -c 1 -s 1";
constexpr const char* kPingSuccess = " 0% packet loss";
constexpr int kPingTimeoutMs = 10000;

// A host name of letters, digits, ".", "-" and ":" only: it becomes a program
// argument, and nothing in it may read as an option or as more arguments.
bool plausible_host(const std::string& host) {
    if (host.empty() || host.front() == '-') return false;
    return std::all_of(host.begin(), host.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '-' || c == ':';
    });
}

std::vector<std::string> split_blanks(const std::string& s) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while ((pos = s.find_first_not_of(' ', pos)) != std::string::npos) {
        auto end = s.find(' ', pos);
        words.push_back(s.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end;
    }
    return words;
}

} // namespace

// Runs the ping program directly with an argument list (never a shell), reads
// its output through a pipe and gives up after a time-out.
bool n_cst_manager::pub_net_ping(const std::string& as_hostname) {
    const std::string host = pub_f_xsubs(pub_f_xsubs(as_hostname, '\\', 1), ',', 1);
    if (!plausible_host(host)) return false;

    std::vector<std::string> command = split_blanks(pub_f_str2str(profile_read(of_getappinifile(), "system", "ping_cmd", kPingCommand)));
    if (command.empty() || command.front() != "ping") command = split_blanks(kPingCommand);
    std::string success = pub_f_str2str(profile_read(of_getappinifile(), "system", "ping_result", kPingSuccess));
    if (success.empty()) success = kPingSuccess;

    QStringList args;
    for (std::size_t i = 1; i < command.size(); ++i) args << QString::fromStdString(rt::gbk_to_utf8(command[i]));
    args << QString::fromStdString(host);
    QProcess ping;
    ping.setProcessChannelMode(QProcess::MergedChannels);
    ping.start(QStringLiteral("ping"), args);
    if (!ping.waitForStarted(kPingTimeoutMs)) return false;
    if (!ping.waitForFinished(kPingTimeoutMs)) {
        ping.kill();
        ping.waitForFinished(1000);
        return false;
    }
    std::string output = rt::utf8_to_gbk(ping.readAll().left(static_cast<qsizetype>(kPiece)).toStdString());
    return output.find(success) != std::string::npos || output.find("丢失 = 0") != std::string::npos;
}
