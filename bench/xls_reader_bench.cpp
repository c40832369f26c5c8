// Opening an .xls and gathering its rows through the reader, which runs
// FreeXL in a child process and takes the cells back over a pipe, next to
// the baseline of calling FreeXL in this process and making the same cell
// texts: once for a 40,000-row, 8-column workbook and once for a workbook
// of a few rows, where the child's start is all there is to pay.
#include "runtime/spreadsheet.h"
#include "tests/runtime/workbook_fixtures.h"

#include <benchmark/benchmark.h>
#include <freexl.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path folder() {
    static const std::filesystem::path f = [] {
        auto p = std::filesystem::temp_directory_path() / ("velotra-xls-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return f;
}

const std::filesystem::path& big() {
    static const std::filesystem::path file = [] {
        fixtures::FSheet s{"Big", {}};
        for (int r = 0; r < 40000; ++r)
            for (int c = 0; c < 8; ++c)
                s.cells.push_back({r, c, fixtures::Kind::number, "", 13800000000.0 + r * 8 + c + (c % 2) * 0.5});
        const auto f = folder() / "big.xls";
        fixtures::write_xls(f, {s});
        return f;
    }();
    return file;
}

const std::filesystem::path& small() {
    static const std::filesystem::path file = [] {
        const auto f = folder() / "salary.xls";
        fixtures::write_xls(f, {fixtures::salary_sheet()});
        return f;
    }();
    return file;
}

// The baseline: FreeXL in this process, every cell of the first sheet made
// into its text.
std::size_t in_process(const std::filesystem::path& file) {
    const void* handle = nullptr;
    if (freexl_open(file.c_str(), &handle) != FREEXL_OK) return 0;
    std::size_t cells = 0;
    unsigned rows = 0;
    unsigned short columns = 0;
    freexl_select_active_worksheet(handle, 0);
    freexl_worksheet_dimensions(handle, &rows, &columns);
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) continue;
            if (v.type == FREEXL_CELL_DOUBLE) cells += !rt::sheet::number_text(v.value.double_value).empty();
            else if (v.type == FREEXL_CELL_INT) cells += !rt::sheet::number_text(v.value.int_value).empty();
            else if (v.type != FREEXL_CELL_NULL) ++cells;
        }
    freexl_close(handle);
    return cells;
}

std::size_t through_reader(const std::filesystem::path& file) {
    std::string error;
    auto book = rt::sheet::Workbook::open(file.string(), error);
    rt::sheet::SheetRows rows;
    if (!book || !rt::sheet::read_rows(*book, 0, rows, error)) return 0;
    std::size_t cells = 0;
    for (const auto& r : rows.rows) cells += r.cells.size();
    return cells;
}

void BM_BigInProcess(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(in_process(big()));
}
void BM_BigThroughChild(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(through_reader(big()));
}
void BM_SmallInProcess(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(in_process(small()));
}
void BM_SmallThroughChild(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(through_reader(small()));
}

} // namespace

BENCHMARK(BM_BigInProcess)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BigThroughChild)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SmallInProcess)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallThroughChild)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(folder());
    return 0;
}
