#include "runtime/xls_reader.h"

#include <freexl.h>

#include <string>

namespace rt::sheet {

namespace {

std::string freexl_error(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return "The file cannot be opened.";
    case FREEXL_INSUFFICIENT_MEMORY:
        return "There is not enough memory to read the workbook.";
    case FREEXL_BIFF_OBFUSCATED:
        return "The workbook is protected by a password.";
    default:
        return "The file is not a valid .xls workbook (error " + std::to_string(code) + ").";
    }
}

class XlsWorkbook final : public Workbook {
public:
    ~XlsWorkbook() override {
        if (handle_) freexl_close(handle_);
    }

    bool load(const std::string& path, std::string& error) {
        const int rc = freexl_open(path.c_str(), &handle_);
        if (rc != FREEXL_OK) {
            error = freexl_error(rc);
            return false;
        }
        unsigned info = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
            error = freexl_error(FREEXL_BIFF_OBFUSCATED);
            return false;
        }
        unsigned count = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) {
            error = "The workbook lists no worksheets.";
            return false;
        }
        for (unsigned i = 0; i < count; ++i) {
            const char* name = nullptr;
            freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &name);
            names_.push_back(name ? to_gbk(name) : std::string());
        }
        return true;
    }

    const std::vector<std::string>& sheet_names() const override { return names_; }
    // FreeXL does not tell which sheet was active; the first one stands in.
    int active_sheet() const override { return 0; }

    bool read(int sheet, const RowSink& sink, std::string& error) override {
        if (sheet < 0 || static_cast<std::size_t>(sheet) >= names_.size() ||
            freexl_select_active_worksheet(handle_, static_cast<unsigned short>(sheet)) != FREEXL_OK) {
            error = "The worksheet cannot be found in the workbook.";
            return false;
        }
        unsigned rows = 0;
        unsigned short columns = 0;
        if (freexl_worksheet_dimensions(handle_, &rows, &columns) != FREEXL_OK) {
            error = "The worksheet cannot be read.";
            return false;
        }
        std::vector<Cell> cells;
        for (unsigned r = 0; r < rows; ++r) {
            cells.clear();
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle_, r, c, &v) != FREEXL_OK) continue;
                std::string text = cell_text(v);
                if (!text.empty()) cells.push_back({static_cast<std::int32_t>(c) + 1, std::move(text)});
            }
            if (!cells.empty() && !sink(static_cast<std::int32_t>(r) + 1, cells)) break;
        }
        return true;
    }

private:
    static std::string cell_text(const FreeXL_CellValue& v) {
        switch (v.type) {
        case FREEXL_CELL_INT:
            return number_text(v.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return number_text(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            return v.value.text_value ? to_gbk(v.value.text_value) : std::string();
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_TIME:
            return v.value.text_value ? std::string(v.value.text_value) : std::string();
        case FREEXL_CELL_DATETIME: {
            // A date-time format on a whole day shows the date alone.
            std::string t = v.value.text_value ? v.value.text_value : "";
            const std::string midnight = " 00:00:00";
            if (t.size() > midnight.size() && t.compare(t.size() - midnight.size(), midnight.size(), midnight) == 0)
                t.resize(t.size() - midnight.size());
            return t;
        }
        default:
            return {};
        }
    }

    const void* handle_ = nullptr; // closed even after a failed open, as FreeXL asks
    std::vector<std::string> names_;
};

} // namespace

std::unique_ptr<Workbook> open_xls(const std::string& native_path, std::string& error) {
    auto book = std::make_unique<XlsWorkbook>();
    if (!book->load(native_path, error)) return nullptr;
    return book;
}

} // namespace rt::sheet
