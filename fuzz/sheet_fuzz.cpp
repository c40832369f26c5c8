// A spreadsheet from anyone, for the mail merge: the format judged by its
// first bytes, the workbook opened, and every sheet streamed, as .xlsx (a
// zip of XML parts) or .xls (a compound document through FreeXL). Rows
// come in order, cells in column order within the sheet's bounds, and no
// cell is empty. FreeXL runs in a child process of the reader's, so what
// it does wrong on a damaged .xls ends there as a load error; what is
// fuzzed here is that the reader survives it and checks what comes back.
#include "fuzz/fuzz_support.h"
#include "runtime/spreadsheet.h"
#include "runtime/xls_reader.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = (fuzzing::scratch() / "numbers.xls").string();
    fuzzing::write_file(file, std::string(reinterpret_cast<const char*>(data), size));
    // A child that hangs is given up well inside the fuzzer's own time-out.
    static const bool limited = (rt::sheet::set_xls_time_limit(std::chrono::seconds(5)), true);
    (void)limited;
    std::string error;
    std::unique_ptr<rt::sheet::Workbook> book = rt::sheet::Workbook::open(file, error);
    if (!book) return 0;
    const int sheets = static_cast<int>(book->sheet_names().size());
    (void)book->active_sheet();
    for (int s = 0; s < sheets && s < 8; ++s) {
        std::int32_t last_row = 0;
        std::int32_t rows = 0;
        book->read(s, [&](std::int32_t row, const std::vector<rt::sheet::Cell>& cells) {
            if (row <= last_row || row > rt::sheet::max_rows) std::abort(); // out of order or bounds
            last_row = row;
            std::int32_t last_column = 0;
            for (const rt::sheet::Cell& c : cells) {
                if (c.column <= last_column || c.column > rt::sheet::max_columns || c.text.empty()) std::abort();
                last_column = c.column;
            }
            return ++rows < 100000;
        }, error);
    }
    return 0;
}
