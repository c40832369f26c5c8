// The client's entry: the application object takes over from here.
#include "core/velotra.h"
#include "runtime/ui/ui_services.h"
#include "runtime/ui/window.h"

#include <QApplication>

int main(int, char** argv) {
    // The client reads no command-line argument, Qt's own options included.
    int qt_argc = 1;
    QApplication qapp(qt_argc, argv);
    rt::install_ui_services();
    // The client's icon, stored beside the programs, stands for both.
    rt::set_application_icon("res\\澄渊达.ico");

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
