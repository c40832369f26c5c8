#include "core/velotra.h"

#include "core/n_cst_manager.h"
#include "runtime/services.h"

#include <QCoreApplication>
#include <QThread>

namespace {
bool g_halted = false;
}

velotra::velotra() = default;

velotra::~velotra() {
    if (gnv_app) close();
}

void velotra::open(const std::string& commandline) {
    // Seeded once for the whole run: the poster's and the update archive's
    // names are drawn from here on, so two draws never repeat a sequence.
    rt::Randomize(0);
    gnv_app = new n_cst_manager;
    gnv_app->pfc_open(commandline);
}

void velotra::close() {
    if (!gnv_app) return;
    gnv_app->pfc_close();
    delete gnv_app;
    gnv_app = nullptr;
}

// Before the event loop runs, main() sees the flag and does not start it.
// Asking Qt to quit then would make every later modal loop return at once.
void velotra::halt() {
    g_halted = true;
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

bool velotra::halted() { return g_halted; }
void velotra::reset_halt() { g_halted = false; }
