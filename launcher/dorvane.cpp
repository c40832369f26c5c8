#include "launcher/dorvane.h"

#include "runtime/gbk.h"
#include "runtime/path.h"
#include "runtime/profile.h"
#include "runtime/services.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace {

const std::string client_name = std::string("velotra") + rt::exe_suffix;

// The path as the user wrote it, in native form: a relative path stays
// relative, so the system resolves it against the current directory.
std::string native_as_written(const std::string& program_form) {
    std::string utf8 = rt::gb18030_to_utf8(program_form);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return utf8;
}

bool is_file(const std::string& native) {
    std::error_code ec;
    return !native.empty() && std::filesystem::is_regular_file(native, ec);
}

// The file that exe names, or "" when there is none. The self-update writes
// bare names, and a launcher started from a menu or a desktop entry runs in
// another current directory, so a bare name is also looked for in the
// launcher's own folder.
std::string locate(const std::string& exe, const std::string& appdir) {
    std::string native = native_as_written(exe);
    if (is_file(native)) return native;
    if (native.find('/') != std::string::npos) return "";
    std::string beside = rt::native_path(appdir + "\\" + exe);
    return is_file(beside) ? beside : "";
}

// Whether the file is the running launcher itself, by whatever name or
// link it is reached: started, it would read the same [cfg] run and start
// itself again, without end.
bool is_this_launcher(const std::string& native) {
    struct stat target {}, self {};
    return ::stat(native.c_str(), &target) == 0 && ::stat("/proc/self/exe", &self) == 0 &&
           target.st_dev == self.st_dev && target.st_ino == self.st_ino;
}

// Started in a session of its own, so the client outlives the launcher and
// whatever terminal or process group it was started from. No search of
// PATH, no arguments, no wait.
bool start(const std::string& native) {
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return false;
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    std::string arg0 = native;
    char* argv[] = {arg0.data(), nullptr};
    pid_t pid = 0;
    int rc = posix_spawn(&pid, native.c_str(), nullptr, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    return rc == 0;
}

std::string executable_name() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "dorvane";
    std::string exe(buf, static_cast<std::size_t>(n));
    return rt::program_path(exe.substr(exe.rfind('/') + 1));
}

} // namespace

dorvane::dorvane() { QCoreApplication::setApplicationName("dorvane"); }

dorvane::~dorvane() = default;

void dorvane::open(const std::string& /*commandline*/) {
    std::string path = executable_path();
    std::int32_t last = pub_lastpos(path, "\\").value_or(0);
    appdir = last > 0 ? path.substr(0, static_cast<std::size_t>(last - 1)) : "";
    is_appinifile = appdir + "\\" + "velotra.ini";

    rt::nstring exe = rt::ProfileString(is_appinifile, "cfg", "run", client_name);
    if (!exe || exe->empty()) exe = client_name;
    if (*exe == client_name) exe = appdir + "\\" + client_name;

    // A file that exists but cannot be started (no execute permission, not
    // a program) is as unusable to the user as a missing one.
    std::string native = locate(*exe, appdir);
    if (native.empty() || is_this_launcher(native) || !start(native)) rt::MessageBox("提示", "无效文件,请确保程序文件完整性!");
}

// The running executable in program form. Its folder is the program folder,
// which a test may point elsewhere.
std::string dorvane::executable_path() const { return rt::program_folder() + "\\" + executable_name(); }

rt::nlong dorvane::pub_lastpos(const rt::nstring& as_source, const rt::nstring& as_string) const {
    if (!as_source || !as_string) return rt::null;
    if (as_string->empty()) return 0;
    std::size_t at = as_source->rfind(*as_string);
    if (at == std::string::npos) return 0;
    return static_cast<std::int32_t>(at + 1);
}

std::string dorvane::pub_f_xsubs(const rt::nstring& s, const std::optional<char>& c, int p) const {
    if (p < 1 || !s || !c) return "";
    std::size_t begin = 0;
    for (int field = 1; field < p; ++field) {
        std::size_t sep = s->find(*c, begin);
        if (sep == std::string::npos) return "";
        begin = sep + 1;
    }
    return s->substr(begin, s->find(*c, begin) - begin);
}
