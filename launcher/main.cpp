// The launcher program: starts the client named in velotra.ini and ends.
#include "launcher/dorvane.h"
#include "runtime/ui/ui_services.h"

#include <QApplication>

int main(int /*argc*/, char** argv) {
    // The launcher reads no command-line argument, Qt's own options included;
    // the application object exists only for the one box it may show.
    int qt_argc = 1;
    char* qt_argv[] = {argv[0], nullptr};
    QApplication qt(qt_argc, qt_argv);
    rt::install_ui_services();
    // The client's icon, stored beside the programs, stands for both.
    rt::set_application_icon("res\\澄渊达.ico");

    dorvane app;
    app.open("");
    return 0;
}
