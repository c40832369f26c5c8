// The local demo gateway: fake_gateway --demo [--port N] [--balance N]
// Prints its URL and serves until it is stopped. When the client program
// lies beside it, the update archive carries a copy of it, so that the
// client's self-update can be tried end to end.
#include "tools/fake_gateway/fake_gateway.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

int usage() {
    std::fprintf(stderr, "usage: fake_gateway --demo [--port N] [--balance N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakeGateway::Options options;
    for (int i = 1; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--demo") == 0) options.demo = true;
        else if (std::strcmp(argv[i], "--port") == 0 && has_value)
            options.port = static_cast<std::uint16_t>(std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--balance") == 0 && has_value) options.demo_balance = std::atol(argv[++i]);
        else return usage();
    }
    if (!options.demo) return usage();

    FakeGateway gateway(options);
    if (gateway.port() == 0) return 1;
    QFile client(QCoreApplication::applicationDirPath() + "/velotra");
    if (client.open(QIODevice::ReadOnly))
        gateway.serve("/sms/update/velotra.zip", FakeGateway::zip_archive("velotra.exe", client.readAll().toStdString()));

    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::printf("%s\n", gateway.url().c_str());
    std::fflush(stdout);
    while (!g_stop) pause();
    return 0;
}
