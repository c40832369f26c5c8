// The client's entry: the application object takes over from here.
#include "core/velotra.h"
#include "runtime/ui/ui_services.h"

#include <QApplication>

#include <string>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    rt::install_ui_services();
    std::string commandline;
    for (int i = 1; i < argc; ++i) commandline += (i > 1 ? " " : "") + std::string(argv[i]);

    velotra app;
    app.open(commandline);
    if (!velotra::halted()) qapp.exec();
    app.close();
    return 0;
}
