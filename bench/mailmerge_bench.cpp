// Loading a 50,000-row, 10-column workbook through the automation road into
// the mail-merge sheet's grid and merging the default template into the
// prepared list, next to the floor any reader pays: inflating the same
// file's worksheet XML with minizip and nothing else.
#include "core/n_cst_manager.h"
#include "mailmerge/w_message_excel.h"
#include "runtime/gbk.h"
#include "runtime/path.h"
#include "runtime/sheet/spreadsheet.h"
#include "runtime/ui/window.h"
#include "shell/w_mdi.h"

#include <QApplication>

#include <benchmark/benchmark.h>
#include <libxml/xmlreader.h>
#include <minizip/unzip.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <chrono>
#include <malloc.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int rows = 50000;

std::filesystem::path folder() {
    static const std::filesystem::path f = [] {
        auto p = std::filesystem::temp_directory_path() / ("velotra-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return f;
}

// Name and mobile number, then the eight amounts of the default template:
// one heading row and 50,000 rows of people.
const std::filesystem::path& workbook() {
    static const std::filesystem::path file = [] {
        const std::filesystem::path f = folder() / "salary.xlsx";
        lxw_workbook* wb = workbook_new(f.c_str());
        lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
        const char* headings[] = {"name", "mobile", "base", "bonus", "overtime", "deduction", "meals", "tax",
                                  "insurance", "net"};
        for (int c = 0; c < 10; ++c) worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), headings[c], nullptr);
        const std::string surname = rt::gbk_to_utf8("员工");
        for (int r = 1; r <= rows; ++r) {
            const auto row = static_cast<lxw_row_t>(r);
            worksheet_write_string(ws, row, 0, (surname + std::to_string(r)).c_str(), nullptr);
            worksheet_write_number(ws, row, 1, 13800000000.0 + r, nullptr);
            for (int c = 2; c < 10; ++c)
                worksheet_write_number(ws, row, static_cast<lxw_col_t>(c), 1000 + (r * 7 + c * 13) % 5000 + 0.5 * (c % 2),
                                       nullptr);
        }
        workbook_close(wb);
        return f;
    }();
    return file;
}

double status_mib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::strlen(field))) / 1024.0;
    return 0;
}
double peak_mib() { return status_mib("VmHWM:"); }
double resident_mib() { return status_mib("VmRSS:"); }
// Starts the peak afresh from what is resident now, so that a benchmark's
// peak is its own and not the workbook generator's.
// Freed memory goes back to the system first, so that what stays resident is
// what is in use.
void reset_peak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The floor of this run, for the ratio the goal is stated in.
double floor_ms = 0;

double ms_since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}
// A walk's time per iteration as a multiple of the floor.
void set_ratio(benchmark::State& state, std::chrono::steady_clock::time_point start) {
    if (floor_ms > 0) state.counters["x_floor"] = ms_since(start) / static_cast<double>(state.iterations()) / floor_ms;
}

void BM_InflateSheetXmlOnly(benchmark::State& state) {
    const std::string path = workbook().string();
    std::vector<char> buffer(1 << 16);
    std::size_t total = 0;
    reset_peak();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        unzFile zip = unzOpen64(path.c_str());
        unzLocateFile(zip, "xl/worksheets/sheet1.xml", 1);
        unzOpenCurrentFile(zip);
        total = 0;
        int n;
        while ((n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
            total += static_cast<std::size_t>(n);
        unzCloseCurrentFile(zip);
        unzClose(zip);
        benchmark::DoNotOptimize(total);
    }
    floor_ms = ms_since(start) / static_cast<double>(state.iterations());
    state.counters["xml_MiB"] = static_cast<double>(total) / (1024.0 * 1024.0);
    state.counters["peak_MiB"] = peak_mib();
}
BENCHMARK(BM_InflateSheetXmlOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

// What the reader interface itself costs: the same XML inflated and walked
// node by node, nothing done with the nodes.
int read_zip(void* ctx, char* buffer, int len) {
    return unzReadCurrentFile(static_cast<unzFile>(ctx), buffer, static_cast<unsigned>(len));
}

void BM_InflateAndWalkWithReaderInterface(benchmark::State& state) {
    const std::string path = workbook().string();
    long nodes = 0;
    reset_peak();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        unzFile zip = unzOpen64(path.c_str());
        unzLocateFile(zip, "xl/worksheets/sheet1.xml", 1);
        unzOpenCurrentFile(zip);
        xmlTextReaderPtr reader = xmlReaderForIO(read_zip, nullptr, zip, nullptr, nullptr, XML_PARSE_NONET);
        nodes = 0;
        while (xmlTextReaderRead(reader) == 1) ++nodes;
        xmlFreeTextReader(reader);
        unzCloseCurrentFile(zip);
        unzClose(zip);
        benchmark::DoNotOptimize(nodes);
    }
    set_ratio(state, start);
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["peak_MiB"] = peak_mib();
}
BENCHMARK(BM_InflateAndWalkWithReaderInterface)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same walk through libxml2's push parser with SAX2 callbacks, which
// builds no nodes: what a reader on that interface would pay instead.
void BM_InflateAndWalkWithSax(benchmark::State& state) {
    const std::string path = workbook().string();
    std::vector<char> buffer(1 << 16);
    long elements = 0;
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = [](void* ctx, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int,
                            int, const xmlChar**) { ++*static_cast<long*>(ctx); };
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        unzFile zip = unzOpen64(path.c_str());
        unzLocateFile(zip, "xl/worksheets/sheet1.xml", 1);
        unzOpenCurrentFile(zip);
        elements = 0;
        xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, &elements, nullptr, 0, nullptr);
        int n;
        while ((n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
            xmlParseChunk(ctxt, buffer.data(), n, 0);
        xmlParseChunk(ctxt, nullptr, 0, 1);
        xmlFreeParserCtxt(ctxt);
        unzCloseCurrentFile(zip);
        unzClose(zip);
        benchmark::DoNotOptimize(elements);
    }
    set_ratio(state, start);
    state.counters["elements"] = static_cast<double>(elements);
}
BENCHMARK(BM_InflateAndWalkWithSax)->Unit(benchmark::kMillisecond)->Iterations(5);

// The worksheet reader itself (shared strings, then every row's cell texts)
// with rows handed to a sink that keeps nothing: what reading the sheet
// adds to the bare walk, and the memory it holds while streaming.
void BM_SheetReaderOnly(benchmark::State& state) {
    const std::string path = workbook().string();
    long cells = 0;
    reset_peak();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::string error;
        auto book = rt::sheet::Workbook::open(path, error);
        cells = 0;
        if (!book || !book->read(book->active_sheet(), [&cells](std::int32_t, const std::vector<rt::sheet::Cell>& row) {
                cells += static_cast<long>(row.size());
                return true;
            }, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(cells);
    }
    set_ratio(state, start);
    state.counters["cells"] = static_cast<double>(cells);
    state.counters["peak_MiB"] = peak_mib();
}
BENCHMARK(BM_SheetReaderOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AutomationLoadAndMerge(benchmark::State& state) {
    const std::string path = rt::program_path(workbook().string());
    w_mdi frame;
    rt::Open(frame);
    auto& sheet = rt::make_window<w_message_excel>();
    rt::OpenSheet(sheet, frame);
    rt::Yield();
    sheet.ddlb_colomn.set_text("B");
    gnv_app->auto_signature = false;
    reset_peak();
    const double before = resident_mib();
    double load_ms = 0, merge_ms = 0, load_peak = 0;
    const auto since = [](auto t) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
    };
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        sheet.dw_list.Reset();
        sheet.wf_load_xls(path);
        load_ms += since(t0);
        load_peak = std::max(load_peak, peak_mib());
        const auto t1 = std::chrono::steady_clock::now();
        sheet.wf_format_xls();
        merge_ms += since(t1);
        if (sheet.dw_preview.RowCount() != rows) state.SkipWithError("the prepared list is not whole");
    }
    state.counters["load_ms"] = load_ms / static_cast<double>(state.iterations());
    state.counters["merge_ms"] = merge_ms / static_cast<double>(state.iterations());
    state.counters["rows"] = sheet.dw_preview.RowCount();
    state.counters["peak_MiB"] = peak_mib();
    state.counters["load_peak_MiB"] = load_peak;
    state.counters["resident_before_MiB"] = before;
    if (floor_ms > 0)
        state.counters["x_floor"] = (load_ms + merge_ms) / static_cast<double>(state.iterations()) / floor_ms;
    rt::Close(frame);
}
BENCHMARK(BM_AutomationLoadAndMerge)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    rt::set_program_folder(rt::program_path(folder().string()));
    std::ofstream(folder() / "velotra.ini");
    gnv_app = new n_cst_manager;
    gnv_app->appdir = rt::program_folder();
    gnv_app->of_setappinifile(gnv_app->appdir + "\\velotra.ini");
    gnv_app->pub_app_init();
    workbook();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete gnv_app;
    gnv_app = nullptr;
    if (!std::getenv("KEEP")) std::filesystem::remove_all(folder());
    return 0;
}
