// Reading worksheets: the ground under both ways the mail-merge window loads
// a spreadsheet (the automation stand-in and the OLE DB driver). A workbook
// is .xlsx (a zip of XML parts, read by our own streaming reader) or .xls
// (BIFF in a compound document, read by our own reader); which one is decided
// by the file's first bytes, never by its name.
//
// Cells come out as the text a spreadsheet application copies: whole
// numbers in plain digits (13800138000), other numbers with at most 15
// significant digits and no trailing zeros, dates "yyyy-mm-dd" with
// " hh:mm:ss" when a time is present, booleans "TRUE" and "FALSE", errors as
// written ("#DIV/0!"), formula cells as their last result. Text is GBK.
// Empty cells are not reported at all.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rt::sheet {

enum class Format { unknown, xlsx, xls };

// What a number cell reads as: its value, as a data provider hands it over
// (the copied text described above), or the text its number format shows in
// the sheet (runtime/sheet/numfmt.h).
enum class CellText { value, shown };

// The format by the file's first bytes; unknown also for a file that
// cannot be read.
Format sniff(const std::string& native_path);

struct Cell {
    std::int32_t column = 0; // from 1 (A)
    std::string text;        // GBK, never empty
};

// One worksheet row that holds at least one cell: its number (from 1) and
// its cells in column order. Answer false to stop reading.
using RowSink = std::function<bool(std::int32_t row, const std::vector<Cell>& cells)>;

// The largest sheet the formats allow; rows and columns past them are passed over.
inline constexpr std::int32_t max_rows = 1048576;
inline constexpr std::int32_t max_columns = 16384;

class Workbook {
public:
    virtual ~Workbook();
    // Null, with the reason in error (in words for the clerk, GBK: see
    // runtime/sheet/sheet_reason.h), when the file cannot be read as a workbook.
    static std::unique_ptr<Workbook> open(const std::string& native_path, std::string& error,
                                          CellText text = CellText::value);

    // Worksheet names in workbook order (GBK).
    virtual const std::vector<std::string>& sheet_names() const = 0;
    // Index (from 0) of the sheet that was active when the file was saved.
    virtual int active_sheet() const = 0;
    // Streams the rows of a sheet, in row order. False with the reason in
    // error when the sheet cannot be read to its end; the rows handed out
    // before then are not to be kept.
    virtual bool read(int sheet, const RowSink& sink, std::string& error) = 0;
};

// The copied text of a number and of a date serial (1900 or 1904 system).
std::string number_text(double value);
std::string date_text(double serial, bool date1904);
// Whether a cell of this number format shows a date or time: the built-in
// date formats, or a format code with date or time parts outside quotes,
// escapes and brackets.
bool is_date_format(int numfmt_id, const std::string& code);

// A text of UTF-8 in GBK; ASCII passes through untouched.
std::string to_gbk(const std::string& utf8);

// The rows of a sheet, gathered as the automation stand-in and the OLE DB
// driver need them: used range and every used row with its cells.
struct SheetRows {
    struct Row {
        std::int32_t number = 0;
        std::vector<Cell> cells;
    };
    std::vector<Row> rows;           // in row order
    std::int32_t first_row = 0;      // used range; 0 when the sheet is empty
    std::int32_t last_row = 0;
    std::int32_t first_column = 0;
    std::int32_t last_column = 0;
};
bool read_rows(Workbook& book, int sheet, SheetRows& out, std::string& error);

} // namespace rt::sheet
