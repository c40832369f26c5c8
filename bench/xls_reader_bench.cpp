// Opening an .xls and gathering its rows through the reader, next to the
// baseline of a bare read of the same file: the compound document walked,
// the workbook stream taken out of it and every record header passed over,
// no cell decoded. Once for a 40,000-row, 8-column workbook and once for a
// workbook of a few rows.
#include "runtime/sheet/compound_file.h"
#include "runtime/sheet/spreadsheet.h"
#include "tests/runtime/sheet/workbook_fixtures.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
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

// The baseline: the file read, its directory walked, the stream gathered
// and its records counted.
std::size_t bare(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    std::string data(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    rt::CompoundFile doc;
    std::string stream;
    if (!doc.parse(std::move(data)) || !doc.stream("Workbook", stream)) return 0;
    std::size_t records = 0;
    for (std::size_t at = 0; at + 4 <= stream.size(); ++records)
        at += 4 + (static_cast<unsigned char>(stream[at + 2]) | static_cast<unsigned char>(stream[at + 3]) << 8);
    return records;
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

void BM_BigBareStream(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(bare(big()));
}
void BM_BigThroughReader(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(through_reader(big()));
}
void BM_SmallBareStream(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(bare(small()));
}
void BM_SmallThroughReader(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(through_reader(small()));
}

} // namespace

BENCHMARK(BM_BigBareStream)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BigThroughReader)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SmallBareStream)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallThroughReader)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // The workbooks are written before any run, so that no run pays for them.
    big();
    small();
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(folder());
    return 0;
}
