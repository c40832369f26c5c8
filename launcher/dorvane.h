// The launcher's application object. The user starts the launcher; it reads
// [cfg] run of velotra.ini in its own folder and starts the client named
// there, so that a client unpacked by the self-update takes over at the next
// start. It opens no window and shows at most one message box.
#pragma once

#include "runtime/value.h"

#include <optional>
#include <string>

class dorvane {
public:
    dorvane();  // create: the application name
    ~dorvane(); // destroy
    dorvane(const dorvane&) = delete;
    dorvane& operator=(const dorvane&) = delete;

    // The launcher's whole work. The command line is neither read nor
    // passed on to the client.
    void open(const std::string& commandline);

    // 1-based byte position of the last occurrence; 0 none; null for a null argument.
    rt::nlong pub_lastpos(const rt::nstring& as_source, const rt::nstring& as_string) const;
    // The p-th field (from 1) of s cut at the byte c; "" when there is none.
    std::string pub_f_xsubs(const rt::nstring& s, const std::optional<char>& c, int p) const;

    std::string appdir;        // the launcher's folder, "\" form, no trailing "\"
    std::string is_appinifile; // appdir + "\velotra.ini"

private:
    std::string executable_path() const;
};
