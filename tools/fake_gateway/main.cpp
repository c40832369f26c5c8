// The local demo gateway:
//   fake_gateway --demo [--port N] [--balance N] [--refuse-login] [--echo]
//                [--hold-send K FILE]
// Prints its URL and serves until it is stopped. --refuse-login answers
// every login "failed"; --echo prints a line for every request as it
// arrives: the method, the path and the body. --hold-send keeps the answer
// to the K-th send request back until FILE exists, so that a test can act
// while the client waits in the middle of a send. When the client program
// lies beside it, the update archive carries a copy of it, so that the
// client's self-update can be tried end to end.
#include "tools/fake_gateway/fake_gateway.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

int usage() {
    std::fprintf(stderr, "usage: fake_gateway --demo [--port N] [--balance N] [--refuse-login] [--echo] "
                         "[--hold-send K FILE]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakeGateway::Options options;
    bool refuse_login = false, echo = false;
    int hold_at = 0, sends = 0;
    std::string hold_file;
    for (int i = 1; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--demo") == 0) options.demo = true;
        else if (std::strcmp(argv[i], "--port") == 0 && has_value)
            options.port = static_cast<std::uint16_t>(std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--balance") == 0 && has_value) options.demo_balance = std::atol(argv[++i]);
        else if (std::strcmp(argv[i], "--refuse-login") == 0) refuse_login = true;
        else if (std::strcmp(argv[i], "--echo") == 0) echo = true;
        else if (std::strcmp(argv[i], "--hold-send") == 0 && i + 2 < argc) {
            hold_at = std::atoi(argv[++i]);
            hold_file = argv[++i];
        } else return usage();
    }
    if (!options.demo) return usage();

    FakeGateway gateway(options);
    if (gateway.port() == 0) return 1;
    if (refuse_login)
        gateway.script("user_chks_ones", FakeGateway::account_answer("user_chks_ones", "1", "failed", "密码错误"));
    if (echo || hold_at > 0)
        gateway.on_request([&](const FakeGateway::Request& r) {
            if (echo) {
                std::printf("%s %s %s\n", r.method.c_str(), r.path.c_str(), r.body.c_str());
                std::fflush(stdout);
            }
            if (hold_at <= 0 || r.field("action").value_or("") != "send" || ++sends != hold_at) return;
            while (!g_stop && !std::filesystem::exists(hold_file)) usleep(10000);
        });
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
