// A spreadsheet from anyone, for the mail merge: the format judged by its
// first bytes, the workbook opened, and every sheet streamed, as .xlsx (a
// zip of XML parts) or .xls (BIFF records in a compound document), in
// both cell modes. Rows come in order, cells in column order within the
// sheet's bounds, and no cell is empty; the active sheet is one of the
// sheets.
#include "fuzz/fuzz_support.h"
#include "runtime/sheet/spreadsheet.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = (fuzzing::scratch() / "numbers.xls").string();
    fuzzing::write_file(file, std::string(reinterpret_cast<const char*>(data), size));
    // The last byte chooses the mode, so both are tried on every shape.
    const auto mode = size > 0 && (data[size - 1] & 1) ? rt::sheet::CellText::shown : rt::sheet::CellText::value;
    std::string error;
    std::unique_ptr<rt::sheet::Workbook> book = rt::sheet::Workbook::open(file, error, mode);
    if (!book) {
        if (error.empty()) std::abort(); // a refusal always says why
        return 0;
    }
    const int sheets = static_cast<int>(book->sheet_names().size());
    if (sheets > 0 && (book->active_sheet() < 0 || book->active_sheet() >= sheets)) std::abort();
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
