// 1000 sequential "send" posts of one number to the local fake gateway
// through the runtime's internet service, next to the same loop run with the
// curl command line in the same run. Goal: at least 500 requests a second on
// loopback.
#include "bench/bench_support.h"
#include "runtime/inet.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using bench::gateway;

const std::string body = "action=send&userid=1001&account=acc&password=pw&mobile=13800000000&content=\xC4\xE3\xBA\xC3";
const std::string content_type = "Content-Type: application/x-www-form-urlencoded;charset=GBK";

struct Discard final : rt::InternetResult {
    std::size_t bytes = 0;
    int internetdata(const rt::blob& d) override {
        bytes += d.size();
        return 1;
    }
};

void per_request_rate(benchmark::State& state, double requests_per_iteration) {
    state.counters["requests/s"] = benchmark::Counter(requests_per_iteration * static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

void BM_PostURL_send(benchmark::State& state) {
    const std::string url = gateway().url() + "sms.aspx";
    const std::string header = content_type + "\nContent-Length: " + std::to_string(body.size()) +
                               "\nAccept: */*\nUser-Agent: sms\n\n\n";
    rt::Inet inet;
    for (auto _ : state) {
        Discard answer;
        if (inet.PostURL(url, body, header, 80, answer) != rt::inet_success) state.SkipWithError("post failed");
        benchmark::DoNotOptimize(answer.bytes);
    }
    per_request_rate(state, 1);
}
BENCHMARK(BM_PostURL_send)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

int run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One curl process a request, as a shell loop would run it.
void BM_curl_command_line_send(benchmark::State& state) {
    const std::vector<std::string> args = {"curl", "-s", "-o", "/dev/null", "-H", content_type, "-H", "User-Agent: sms",
                                           "--data-binary", body, gateway().url() + "sms.aspx"};
    for (auto _ : state)
        if (run(args) != 0) state.SkipWithError("curl failed");
    per_request_rate(state, 1);
}
BENCHMARK(BM_curl_command_line_send)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The 1000 posts in one curl run, its connection reused: curl's HTTP cost
// without a process start per request.
void BM_curl_one_process_1000_sends(benchmark::State& state) {
    const std::string config = "/tmp/velotra_gateway_bench_" + std::to_string(getpid()) + ".cfg";
    {
        std::ofstream cfg(config, std::ios::binary);
        for (int i = 0; i < 1000; ++i)
            cfg << (i ? "next\n" : "") << "url = \"" << gateway().url() << "sms.aspx\"\n"
                << "header = \"" << content_type << "\"\nheader = \"User-Agent: sms\"\n"
                << "data-binary = \"" << body << "\"\noutput = /dev/null\nsilent\n";
    }
    for (auto _ : state)
        if (run({"curl", "-K", config}) != 0) state.SkipWithError("curl failed");
    std::remove(config.c_str());
    per_request_rate(state, 1000);
}
BENCHMARK(BM_curl_one_process_1000_sends)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
