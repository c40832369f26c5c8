// 10,000 prepared rows sent by the preview window (wf_send_msg, the
// confirmation answered Yes) to the local fake gateway, next to the same
// 10,000 bodies posted with rt::Inet::PostURL alone in the same run.
// Goal: the window within 1.3 times the bare posts.
//
// The machine is shared, and its load moves both figures by more than the
// goal's margin within a minute. So each benchmark runs seven times, the
// runs of the three in random order (unless the command line says
// otherwise), and the end of the report gives the window's time over the
// bare posts' time, median to median and fastest to fastest.
#include "bench/bench_support.h"
#include "core/n_cst_manager.h"
#include "mailmerge/dw_msg_preview.h"
#include "runtime/inet.h"
#include "runtime/path.h"
#include "runtime/services.h"
#include "sending/w_message_preview.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int rows = 10000;

using bench::gateway;

std::string mobile(int i) { return "139" + std::to_string(10000000 + i); }
std::string message(int i) { return "【澄渊达】尊敬的客户，您的第" + std::to_string(i) + "号订单已发货。"; }

// Every box answers its first button (Yes to the confirmation) and shows nothing.
struct Silent final : rt::MessageBoxPresenter {
    int show(const std::string&, const std::string&, rt::Icon, rt::Buttons, int) override { return 1; }
};

struct Discard final : rt::InternetResult {
    std::size_t bytes = 0;
    int internetdata(const rt::blob& d) override {
        bytes += d.size();
        return 1;
    }
};

void rate(benchmark::State& state) {
    state.counters["rows/s"] =
        benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_wf_send_msg_10000(benchmark::State& state) {
    const std::string folder = bench::scratch_folder();
    if (folder.empty()) return state.SkipWithError("no temporary folder");
    auto previous = rt::set_message_boxes(std::make_unique<Silent>());
    gnv_app = new n_cst_manager;
    bench::sign_in(*gnv_app, folder, gateway().url(), true);
    gnv_app->signature_prev = "澄渊达";
    gnv_app->overage = std::to_string(rows);
    gateway().script("send", FakeGateway::send_answer("success", "ok", "990", "T1", "1"));

    u_dw list{nullptr, dw_msg_preview()};
    for (auto _ : state) {
        state.PauseTiming();
        list.Reset();
        for (int i = 1; i <= rows; ++i) {
            list.InsertRow(0);
            list.SetItem(i, "mobile", rt::Any(mobile(i)));
            list.SetItem(i, "msg", rt::Any(message(i)));
        }
        gateway().clear_requests();
        state.ResumeTiming();

        w_message_preview w;
        rt::OnWindowOpened hook([&](rt::Window& opened) {
            if (&opened == &w) w.pb_send.TriggerEvent(rt::Event::clicked);
        });
        rt::OpenWithParm(w, &list);
        if (gateway().request_count() != static_cast<std::size_t>(rows)) state.SkipWithError("rows not sent");
    }
    rate(state);
    delete gnv_app;
    gnv_app = nullptr;
    rt::set_message_boxes(std::move(previous));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_wf_send_msg_10000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// What the window cannot do without, for the record: the manager's request
// of every row followed by its daily-log entry, without the window.
void BM_manager_post_and_log_10000(benchmark::State& state) {
    const std::string folder = bench::scratch_folder();
    if (folder.empty()) return state.SkipWithError("no temporary folder");
    n_cst_manager m;
    bench::sign_in(m, folder, gateway().url(), true);
    m.signature_prev = "澄渊达";
    for (auto _ : state) {
        for (int i = 1; i <= rows; ++i) {
            std::string text = message(i);
            if (m.of_http_post_sms("send", mobile(i), text) != 1) return state.SkipWithError("post failed");
            m.uf_file_log("发送短信\t接收号码\t[" + mobile(i) + "]staus[success] message[ok]", true);
        }
    }
    rate(state);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_manager_post_and_log_10000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same bodies and headers, posted one after the other with nothing else.
void BM_bare_PostURL_10000(benchmark::State& state) {
    const std::string url = gateway().url() + "sms.aspx";
    for (auto _ : state) {
        for (int i = 1; i <= rows; ++i) {
            const std::string body = "action=send&userid=1001&account=acc&password=pw&mobile=" + mobile(i) +
                                     "&content=" + message(i);
            const std::string header = "Content-Type: application/x-www-form-urlencoded;charset=GBK\n"
                                       "Content-Length: " + std::to_string(body.size()) + "\n"
                                       "Accept: */*\n"
                                       "User-Agent: sms\n\n\n";
            rt::Inet inet;
            Discard d;
            if (inet.PostURL(url, body, header, 80, d) != 1) return state.SkipWithError("post failed");
            benchmark::DoNotOptimize(d.bytes);
        }
    }
    rate(state);
}
BENCHMARK(BM_bare_PostURL_10000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The console report, followed by the ratio of the window to the bare posts.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times_[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::vector<double>& window = times_["BM_wf_send_msg_10000"];
        std::vector<double>& bare = times_["BM_bare_PostURL_10000"];
        if (window.empty() || bare.empty()) return;
        std::printf("window / bare posts: median to median %.3f, fastest to fastest %.3f (goal 1.3; %zu and %zu runs)\n",
                    median(window) / median(bare), *std::min_element(window.begin(), window.end()) /
                                                       *std::min_element(bare.begin(), bare.end()),
                    window.size(), bare.size());
    }

private:
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    std::map<std::string, std::vector<double>> times_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Seven runs of each benchmark, interleaved, so that a change of the
    // machine's load falls on all of them alike; the command line may say
    // otherwise.
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=7";
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    for (char* flag : {repetitions, interleave}) {
        const std::string name(flag, std::strchr(flag, '='));
        if (std::none_of(args.begin(), args.end(), [&](const char* a) { return std::strstr(a, name.c_str()); }))
            args.push_back(flag);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
