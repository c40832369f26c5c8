// The client's entry: the application object takes over from here.
#include "core/velotra.h"
#include "runtime/gbk.h"
#include "runtime/ui/ui_services.h"
#include "runtime/ui/window.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Drives the built program in its start-up test. Offscreen no input can
// reach a window from another process, so VELOTRA_TEST_CLOSE names the
// title (UTF-8) of a window to close, without an answer, as soon as it opens,
// as its close box would. Every window that opens is reported on stdout.
std::unique_ptr<rt::OnWindowOpened> test_driver() {
    const char* close_title = std::getenv("VELOTRA_TEST_CLOSE");
    if (!close_title) return nullptr;
    const std::string title = close_title;
    return std::make_unique<rt::OnWindowOpened>([title](rt::Window& w) {
        const std::string opened = rt::gbk_to_utf8(w.title());
        std::printf("opened: %s\n", opened.c_str());
        std::fflush(stdout);
        if (opened == title) rt::Close(w);
    });
}

} // namespace

int main(int, char** argv) {
    // The client reads no command-line argument, Qt's own options included.
    int qt_argc = 1;
    QApplication qapp(qt_argc, argv);
    rt::install_ui_services();
    // The client's icon, stored beside the programs, stands for both.
    rt::set_application_icon("res\\澄渊达.ico");
    auto driver = test_driver();

    velotra app;
    app.open("");
    if (!velotra::halted()) {
        // Closing the frame (its close box, the exit command) ends the program.
        rt::set_on_last_window_closed([] { QCoreApplication::quit(); });
        if (!rt::open_windows().empty()) qapp.exec();
    }
    app.close();
    return 0;
}
