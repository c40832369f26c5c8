#include "core/n_cst_manager.h"

#include <cmath>

n_cst_manager* gnv_app = nullptr;

namespace {

// Trimming removes spaces (byte 32) only; tabs and line breaks stay.
std::string trim_spaces(const std::string& s) {
    auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
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

int n_cst_manager::pub_app_init() { return 1; }

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

void n_cst_manager::uf_debug(const std::string&) {}
int n_cst_manager::uf_file_write(const std::string&, const std::string&, bool) { return -1; }
void n_cst_manager::uf_test_write(const std::string&, bool) {}
void n_cst_manager::uf_file_log(const std::string&, bool) {}
std::int32_t n_cst_manager::of_fileread(const std::string&, std::vector<std::string>&) { return -1; }
int n_cst_manager::of_fileread(const std::string&, std::string) { return -1; }

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

std::string n_cst_manager::of_encrypt(const std::string&, double, double) const { return {}; }
std::string n_cst_manager::of_decrypt(const rt::nstring&, double, double) const { return {}; }

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
std::string n_cst_manager::of_fileversion(const std::string&) const { return "1,0,0,1"; }
void n_cst_manager::of_parse_signature(std::vector<std::string>&) const {}
bool n_cst_manager::wf_update_ini() { return false; }
int n_cst_manager::of_explain_overage(const pbdom_element&) { return -1; }

int n_cst_manager::of_setuserid(const rt::nstring& as_userid) {
    if (!as_userid) return -1;
    is_userid = *as_userid;
    return 1;
}
std::string n_cst_manager::of_getuserid() const { return is_userid; }
bool n_cst_manager::pub_net_ping(const std::string&) { return false; }
