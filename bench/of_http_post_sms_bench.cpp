// 1000 sequential "send" posts of one number to the local fake gateway: the
// client's own request path against the curl command line doing the same.
// Goal: at least 500 client requests a second on loopback.
#include "bench/bench_support.h"
#include "core/n_cst_manager.h"
#include "runtime/path.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using bench::gateway;

const char* const body = "action=send&userid=1001&account=acc&password=pw&mobile=13800000000&content=hello";

void BM_client_send(benchmark::State& state) {
    const std::string folder = bench::scratch_folder();
    if (folder.empty()) return state.SkipWithError("no temporary folder");
    n_cst_manager m;
    bench::sign_in(m, folder, gateway().url(), false);
    for (auto _ : state) {
        std::string text = "hello";
        if (m.of_http_post_sms("send", "13800000000", text) != 1) state.SkipWithError("post failed");
        benchmark::DoNotOptimize(text);
    }
    state.counters["requests/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_client_send)->Iterations(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// One curl process a request, as a shell loop would run it.
void BM_curl_command_line(benchmark::State& state) {
    const std::string cmd = "curl -s -o /dev/null -H 'Content-Type: application/x-www-form-urlencoded;charset=GBK' "
                            "-H 'User-Agent: sms' --data-binary '" + std::string(body) + "' " + gateway().url() +
                            "sms.aspx";
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("curl failed");
    state.counters["requests/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_curl_command_line)->Iterations(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// All 1000 requests in one curl run (its connection reused): curl's own
// time a request, without starting a process each time.
void BM_curl_one_process_1000(benchmark::State& state) {
    const std::string config = "/tmp/velotra_bench_curl.cfg";
    {
        std::ofstream cfg(config);
        for (int i = 0; i < 1000; ++i)
            cfg << (i ? "next\n" : "") << "url = \"" << gateway().url() << "sms.aspx\"\n"
                << "data-binary = \"" << body << "\"\noutput = /dev/null\nsilent\n";
    }
    for (auto _ : state)
        if (std::system(("curl -K " + config).c_str()) != 0) state.SkipWithError("curl failed");
    std::remove(config.c_str());
    state.counters["requests/s"] =
        benchmark::Counter(1000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_curl_one_process_1000)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
