// A spreadsheet from anyone, for the mail merge: the format judged by its
// first bytes, the workbook opened, and every sheet streamed, as .xlsx (a
// zip of XML parts) or .xls (a compound document through FreeXL). Rows
// come in order, cells in column order within the sheet's bounds, and no
// cell is empty.
#include "fuzz/fuzz_support.h"
#include "runtime/spreadsheet.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = (fuzzing::scratch() / "numbers.xls").string();
    fuzzing::write_file(file, std::string(reinterpret_cast<const char*>(data), size));
    // FreeXL 1.0.6 (Debian 12) still over-reads a heap buffer of its own on
    // one damaged .xls shape inside the workbook stream (fuzz/findings/sheet/):
    // until the .xls path is guarded against it, only VELOTRA_FUZZ_XLS=1 sends
    // .xls files through, so that the short runs stay on what is mended.
    static const bool with_xls = std::getenv("VELOTRA_FUZZ_XLS") && std::string(std::getenv("VELOTRA_FUZZ_XLS")) == "1";
    if (rt::sheet::sniff(file) == rt::sheet::Format::xls && !with_xls) return 0;
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
