// The main() of a bench whose windows need an application object: offscreen
// unless the environment names another platform.
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

namespace bench {

inline int run_window_benchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
