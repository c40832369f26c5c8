// The send window's two heavy grid steps: importing a 200,000-line number
// file into its list (dw_msg_new_20170601), measured next to reading and
// splitting the same file with std::getline in the same run (goal: the
// import within three times that; the same goal for the numbers saved by a
// spreadsheet as CSV with a name column and as UTF-16 "Unicode text"), and joining 4000 rows of the column with
// "," as one request's numbers are built (the rows copied into the scratch
// list first, as the send does).
#include "foundation/n_cst_string.h"
#include "runtime/datastore.h"
#include "runtime/path.h"
#include "sending/dw_msg_new_20170601.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int lines = 200000;

const std::filesystem::path& number_file() {
    static const std::filesystem::path path = [] {
        std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("velotra_numbers_" + std::to_string(::getpid()) + ".txt");
        std::ofstream out(p, std::ios::binary);
        for (int i = 0; i < lines; ++i) out << (13800000000LL + i) << "\r\n";
        return p;
    }();
    return path;
}

void BM_GetlineSplit(benchmark::State& state) {
    const std::string path = number_file().string();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::string> first_fields;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            first_fields.push_back(line.substr(0, line.find('\t')));
        }
        benchmark::DoNotOptimize(first_fields.data());
        if (first_fields.size() != lines) state.SkipWithError("short read");
    }
    state.SetItemsProcessed(state.iterations() * lines);
}

// The number file as a spreadsheet saves it: "number,\"name\"" lines as CSV
// (0), or "number<tab>name" lines as UTF-16 LE with its mark (1).
const std::filesystem::path& office_file(int kind) {
    static const std::filesystem::path paths[2] = {[] {
        std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("velotra_numbers_" + std::to_string(::getpid()) + ".csv");
        std::ofstream out(p, std::ios::binary);
        for (int i = 0; i < lines; ++i) out << (13800000000LL + i) << ",\"Zhang, San\"\r\n";
        return p;
    }(), [] {
        std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("velotra_numbers_" + std::to_string(::getpid()) + "_utf16.txt");
        std::ofstream out(p, std::ios::binary);
        out << "\xFF\xFE";
        for (int i = 0; i < lines; ++i)
            for (char c : std::to_string(13800000000LL + i) + "\tZhang San\r\n") out << c << '\0';
        return p;
    }()};
    return paths[kind];
}

void import_file(benchmark::State& state, const std::filesystem::path& file) {
    const std::string program = rt::program_path(file.string());
    const rt::DataObject& object = dw_msg_new_20170601();
    for (auto _ : state) {
        rt::DataStore list(object);
        if (list.ImportFile(program) != lines) state.SkipWithError("import failed");
        benchmark::DoNotOptimize(list.RowCount());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}

void BM_ImportFile(benchmark::State& state) { import_file(state, number_file()); }
void BM_ImportFileCsv(benchmark::State& state) { import_file(state, office_file(0)); }
void BM_ImportFileUtf16(benchmark::State& state) { import_file(state, office_file(1)); }

void BM_Join4000(benchmark::State& state) {
    rt::DataStore list(dw_msg_new_20170601());
    list.ImportFile(rt::program_path(number_file().string()));
    rt::DataStore rcv(dw_msg_new_20170601());
    const n_cst_string lnv_string;
    for (auto _ : state) {
        rcv.Reset();
        list.RowsCopy(4001, 8000, rcv, 1);
        rt::nstring joined;
        lnv_string.of_arraytostring(rcv.column_strings("mobile"), std::string(","), joined);
        benchmark::DoNotOptimize(joined->data());
        if (joined->size() != 4000 * 12 - 1) state.SkipWithError("wrong join");
    }
    state.SetItemsProcessed(state.iterations() * 4000);
}

BENCHMARK(BM_GetlineSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportFileCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportFileUtf16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Join4000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the store's locale and conversions stand on Qt Core
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(number_file());
    for (int kind : {0, 1}) std::filesystem::remove(office_file(kind));
    return 0;
}
