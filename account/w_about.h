// The about box: the product title, the application icon (the logo picture
// when no icon name is set), the manager's version and legal texts, and
// what the client is for. It reads the manager's state and changes nothing.
#pragma once

#include "foundation/pfc_u_st.h"
#include "foundation/uo_icon.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/window.h"

class w_about final : public rt::Window {
public:
    w_about();

    rt::Picture p_about{this, "", {37, 32, 288, 256}};
    uo_icon uo_about{this, {37, 32, 144, 128}};
    pfc_u_st st_application{this, "Application", {370, 48, 1250, 72}};
    pfc_u_st st_version{this, "Version", {370, 136, 1250, 72}};
    pfc_u_st st_copyright{this, "Copyright", {370, 224, 1250, 192}};
    rt::MultiLineEdit mle_help{this, "", {37, 440, 1586, 760}};
    rt::CommandButton cb_ok{this, "OK", {1271, 1252, 352, 92}};

    void open() override;
    void cb_ok_clicked();
};
