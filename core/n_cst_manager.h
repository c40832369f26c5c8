// The application manager: the client's shared state and the services every
// window calls (message boxes, velotra.ini, scrambling, logs, the gateway
// request). One object, held in gnv_app from the application's open event to
// its close event.
#pragma once

#include "runtime/services.h"
#include "runtime/value.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class pbdom_element;

class n_cst_manager {
public:
    n_cst_manager();
    virtual ~n_cst_manager();
    n_cst_manager(const n_cst_manager&) = delete;
    n_cst_manager& operator=(const n_cst_manager&) = delete;

    // ---- shared state, read and written directly by the windows ----------
    std::string url;      // gateway base URL, ends with "/"
    std::string smsurl;   // "sms.aspx"
    std::string sendurl;  // url + smsurl
    std::string userid;   // credentials, plain text in memory
    std::string account;
    std::string password;
    std::string weburl;   // web base URL, ends with "/"
    std::string appdir;   // program folder, "\" form, no trailing "\"
    std::string appname;
    std::string apptitle = "Default";
    std::string signature;         // signature list, joined with ";"
    std::string signature_prev;    // signature of the send under way
    std::string signature_default;
    bool auto_signature = false;
    bool ib_dev = false;           // development mode (VELOTRA_DEV=1)
    std::string appico;            // "res\" + signature_default + ".ico"
    std::string commandline;
    std::int32_t e = 0;            // scrambling key: e scrambles, d unscrambles,
    std::int32_t n = 0;            // n is the modulus of both
    std::int32_t d = 0;
    std::string status;            // last balance answer read by the manager
    std::string mess;
    std::string payinfo;
    std::string overage;
    std::string sendtotal;

    // ---- start-up and end ------------------------------------------------
    void pfc_open(const std::string& as_commandline);
    void pfc_close();
    int pub_app_start();
    bool of_getmicrohelp() const;
    std::string of_getappinifile() const;
    int of_setappinifile(const rt::nstring& as_appinifile);
    int pub_app_init();
    // 1-based byte position of the last occurrence; 0 none; null for a null argument.
    rt::nlong pub_lastpos(const rt::nstring& as_source, const rt::nstring& as_string) const;

    // ---- message boxes: title apptitle, first button the default ----------
    int pub_msg(const std::string& as_text);
    int pub_msg(const std::string& as_text, rt::Icon ai_icon);
    int pub_msg(const std::string& as_text, rt::Icon ai_icon, rt::Buttons ab_button);

    // ---- gateway request: 1, or the internet service's negative code ------
    // On success as_data holds the answer, otherwise "".
    int of_http_post_sms(const std::string& as_action, const std::string& as_mobile, std::string& as_data);
    int of_http_post_sms(const std::string& as_url, const std::string& as_action, const std::string& as_mobile,
                         std::string& as_data);

    void pub_app_init_res();

    // ---- logs and file helpers -------------------------------------------
    void uf_debug(const std::string& as_msg);
    int uf_file_write(const std::string& as_filename, const std::string& as_note, bool ab_append);
    void uf_test_write(const std::string& as_error, bool ab_add);
    void uf_file_log(const std::string& as_msg, bool ab_add);
    // Reads the file in pieces of at most 32765 bytes into elements 1.. of
    // as_text (as_text[0] is element 1); answers the count, or -1.
    std::int32_t of_fileread(const std::string& as_filename, std::vector<std::string>& as_text);
    int of_fileread(const std::string& as_filepath, std::string as_text);

    // ---- velotra.ini and scrambling --------------------------------------
    double of_mult(double adbl_x, double adbl_p, double adbl_m) const;
    std::string of_decrypt(const rt::nstring& as_strtodecrypt, double adbl_d, double adbl_n) const;
    std::string of_encrypt(const std::string& as_strtoencrypt, double adbl_e, double adbl_n) const;
    std::string pub_f_str2str(const rt::nstring& arg) const;
    std::string pub_f_get_sysvar(const std::string& as_section, const std::string& as_key,
                                 const rt::nstring& as_default);
    // The p-th field (from 1) of s cut at the byte c.
    std::string pub_f_xsubs(const rt::nstring& s, const std::optional<char>& c, int p) const;
    int pub_f_set_sysvar(const std::string& as_section, const std::string& as_key, const std::string& as_default);

    // ---- accessors and small checks --------------------------------------
    int of_setversion(const rt::nstring& as_version);
    std::string of_getcopyright() const;
    std::string of_getversion() const;
    int of_setcopyright(const rt::nstring& as_copyright);
    bool of_sendsms_valid();
    int of_setlogo(const rt::nstring& as_logo);
    std::string of_getlogo() const;
    // The version text of a program file, through uo_file_version;
    // "1,0,0,1" for a file that does not exist.
    std::string of_fileversion(const std::string& as_file) const;
    // Splits signature at ";" into elements 1.. (as_signature[0] is element 1).
    void of_parse_signature(std::vector<std::string>& as_signature) const;
    bool wf_update_ini();
    // Reads a balance answer's root element; -1 when it has no child nodes.
    int of_explain_overage(const pbdom_element& pobj_element);
    // The one reading rule of every gateway answer: the root element's
    // children by lower-cased name, text nodes and blank elements passed
    // over (so an empty element keeps the value read before). Calls
    // as_field(name, text) for each; -1, calling nothing, when the element
    // has no child nodes.
    static int of_read_answer(const pbdom_element& pobj_element,
                              const std::function<void(const std::string& as_name, const std::string& as_text)>& as_field);
    int of_setuserid(const rt::nstring& as_userid);
    std::string of_getuserid() const;
    // True when the host answers one ping, run through nvo_runandwait;
    // [system] ping_cmd and ping_result of velotra.ini tune the command and
    // the success text.
    bool pub_net_ping(const std::string& as_hostname);

protected:
    bool ib_microhelp = false;
    std::string is_appinifile;
    std::string is_version;
    std::string is_logo;
    std::string is_userid;
    std::string is_copyright;
};

// The application manager, valid from the application's open event to its
// close event; null outside that time.
extern n_cst_manager* gnv_app;
