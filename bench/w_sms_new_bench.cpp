// A list of 200,000 numbers sent through the send window's button (the
// confirmation answered Yes) to the local fake gateway: 50 requests of 4000
// numbers, with the blank-row pass, each batch's numbers joined before its
// request, the answers read and logged and a Yield after each batch. Next to
// it, the same 50 request bodies posted with the internet service alone.
// Goal: the button's path within 1.5 times the bare posts, and the gateway
// receives all 200,000 numbers.
#include "bench/bench_support.h"
#include "bench/window_bench_main.h"
#include "core/n_cst_manager.h"
#include "runtime/inet.h"
#include "runtime/path.h"
#include "runtime/services.h"
#include "runtime/ui/window.h"
#include "sending/w_sms_new.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int list_rows = 200000;

// Every box answers its first button (Yes to the confirmation), silently.
class Yes final : public rt::MessageBoxPresenter {
public:
    int show(const std::string&, const std::string&, rt::Icon, rt::Buttons, int) override { return 1; }
};

class Receiver final : public rt::InternetResult {
public:
    int internetdata(const rt::blob& data) override {
        bytes = data.size();
        return 1;
    }
    std::size_t bytes = 0;
};

struct Setting {
    FakeGateway gateway;
    std::string folder;
    std::string numbers; // the list as a text import, one number a line

    Setting() {
        folder = bench::scratch_folder();
        if (folder.empty()) std::abort();
        rt::set_message_boxes(std::make_unique<Yes>());
        gnv_app = new n_cst_manager;
        bench::sign_in(*gnv_app, folder, gateway.url(), true);
        gnv_app->overage = "1000000";
        gnv_app->signature = "澄渊达";
        gnv_app->pub_f_set_sysvar("cfg", "signature_current", "澄渊达");
        char line[16];
        for (int i = 0; i < list_rows; ++i) {
            std::snprintf(line, sizeof line, "138%08d\r\n", i);
            numbers += line;
        }
    }
    ~Setting() {
        delete gnv_app;
        gnv_app = nullptr;
        std::filesystem::remove_all(folder);
    }

    // The numbers the gateway has received since it last forgot its requests.
    std::size_t numbers_received() const {
        std::size_t n = 0;
        for (const auto& r : gateway.requests()) {
            const rt::nstring mobile = r.field("mobile");
            if (!mobile) continue;
            n += 1;
            for (char c : *mobile) n += c == ',';
        }
        return n;
    }
};

Setting& setting() {
    static Setting s;
    return s;
}

// The button's path only: the window is open, the list imported and shown.
double send_once(Setting& s, const std::string& list, std::size_t& received, std::vector<rt::blob>& bodies) {
    s.gateway.clear_requests();
    w_sms_new w;
    double seconds = 0;
    rt::OnWindowOpened hook([&](rt::Window& opened) {
        if (&opened != &w) return;
        w.dw_list.ImportString(list);
        w.mle_msg.set_text("尊敬的客户，您好！本周六上午十点门店开业，凭短信到店领取礼品一份。");
        // The user sees the list before pressing the button: its first
        // layout and paint are not part of the send.
        rt::Yield();
        const auto t0 = std::chrono::steady_clock::now();
        w.cb_snd.TriggerEvent(rt::Event::clicked);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        rt::Close(w);
    });
    rt::Open(w);
    received = s.numbers_received();
    bodies.clear();
    for (const auto& r : s.gateway.requests()) bodies.push_back(r.body);
    return seconds;
}

// The same bodies, with the manager's headers, posted one after another.
double post_bare(Setting& s, const std::vector<rt::blob>& bodies) {
    const std::string url = s.gateway.url() + "sms.aspx";
    const auto t0 = std::chrono::steady_clock::now();
    for (const rt::blob& body : bodies) {
        const std::string header = "Content-Type: application/x-www-form-urlencoded;charset=GBK\n"
                                   "Content-Length: " + std::to_string(body.size()) + "\n"
                                   "Accept: */*\n"
                                   "User-Agent: sms\n\n\n";
        rt::Inet inet;
        Receiver ir;
        if (inet.PostURL(url, body, header, 80, ir) != 1) return -1;
        benchmark::DoNotOptimize(ir.bytes);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The iteration time is the send path's. Each iteration also posts the same
// bodies bare, right after, so that both see the same load on the machine;
// the ratio is taken from the medians.
void BM_send_button_200000_vs_bare_posts(benchmark::State& state) {
    Setting& s = setting();
    std::vector<double> sends, bares;
    std::size_t received = 0, requests = 0;
    std::vector<rt::blob> bodies;
    for (auto _ : state) {
        const double send = send_once(s, s.numbers, received, bodies);
        state.SetIterationTime(send);
        requests = bodies.size();
        const double bare = post_bare(s, bodies);
        if (bare < 0) return state.SkipWithError("a bare post failed");
        sends.push_back(send);
        bares.push_back(bare);
    }
    state.counters["requests"] = static_cast<double>(requests);
    state.counters["numbers_received"] = static_cast<double>(received);
    state.counters["send_median_ms"] = median(sends) * 1e3;
    state.counters["bare_median_ms"] = median(bares) * 1e3;
    state.counters["ratio"] = median(sends) / median(bares);
}
BENCHMARK(BM_send_button_200000_vs_bare_posts)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same numbers with a blank line after each, as a file written with
// blank lines between its numbers: the send first deletes 200,000 blank rows.
void BM_send_button_200000_with_blank_lines(benchmark::State& state) {
    Setting& s = setting();
    std::string list;
    list.reserve(s.numbers.size() * 2);
    for (std::size_t at = 0; at < s.numbers.size(); at += 13) list.append(s.numbers, at, 13).append("\r\n");
    std::size_t received = 0;
    std::vector<rt::blob> bodies;
    for (auto _ : state) state.SetIterationTime(send_once(s, list, received, bodies));
    state.counters["requests"] = static_cast<double>(bodies.size());
    state.counters["numbers_received"] = static_cast<double>(received);
}
BENCHMARK(BM_send_button_200000_with_blank_lines)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return bench::run_window_benchmarks(argc, argv); }
