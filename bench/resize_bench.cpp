// One resize of a window with twenty-one registered controls (the most any
// window registers), as the user drags its border: the service's walk and
// the moves and sizes it hands to the widgets.
#include "bench/window_bench_main.h"
#include "foundation/pfc_n_cst_resize.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/window.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

void BM_ResizeTwentyOneControls(benchmark::State& state) {
    rt::Window w;
    std::vector<std::unique_ptr<rt::StaticText>> controls;
    pfc_n_cst_resize svc;
    svc.of_setorigsize(3600, 2000);
    const char* modes[] = {"FixedToRight&Bottom", "FixedToBottom", "ScaleToRight", "ScaleToRight&Bottom",
                           "FixedToBottom&ScaleToRight"};
    for (int i = 0; i < 21; ++i) {
        controls.push_back(std::make_unique<rt::StaticText>(&w, "标签", rt::Rect{100 + i * 150, 100 + i * 80, 300, 64}));
        svc.of_register(controls.back().get(), std::string(modes[i % 5]));
    }
    int step = 0;
    for (auto _ : state) {
        // Back and forth, so that every call is a real change.
        const int d = (step++ % 2) ? 9 : -9;
        benchmark::DoNotOptimize(svc.pfc_resize(0, 3600 + d, 2000 + d));
    }
}
BENCHMARK(BM_ResizeTwentyOneControls)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return bench::run_window_benchmarks(argc, argv); }
