#include "runtime/xls_reader.h"

#include <freexl.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rt::sheet {

namespace {

const char* const damaged_message = "The file is not a valid .xls workbook: it is damaged.";

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

// The compound document around the workbook, read only as far as FreeXL
// trusts it without checking.
class CompoundFile {
public:
    explicit CompoundFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // FreeXL 1.0.6 converts each directory entry's name with the length the
    // entry claims, though the name field holds 64 bytes: a damaged length
    // makes it read far past its own copy of the entry on the stack. It also
    // computes sector offsets in 32 bits, so a sector number past the file (a
    // free-sector marker, say) can land on the header or any other sector.
    // No sound file has a longer name or a chain that leaves the file, so such
    // a file is refused before FreeXL opens it.
    bool directory_names_fit() {
        if (data_.size() < header_size) return true; // too short: FreeXL refuses it alone
        const std::uint32_t shift = u16(0x1E);
        if (shift != 9 && shift != 12) return false;
        sector_size_ = std::size_t{1} << shift;
        if (!collect_fat_sectors()) return false;
        std::uint32_t sector = u32(0x30);
        for (std::size_t hops = 0; sector != end_of_chain; ++hops) {
            if (hops >= sector_count() || !in_file(sector) || !entries_fit(sector)) return false;
            sector = next(sector);
        }
        return true;
    }

private:
    static constexpr std::size_t header_size = 512;
    static constexpr std::uint32_t end_of_chain = 0xFFFFFFFE;
    static constexpr std::size_t entry_size = 128;
    static constexpr std::size_t name_field = 64;

    std::uint32_t u16(std::size_t at) const {
        const auto* b = reinterpret_cast<const unsigned char*>(data_.data()) + at;
        return b[0] | (std::uint32_t{b[1]} << 8);
    }
    std::uint32_t u32(std::size_t at) const { return u16(at) | (u16(at + 2) << 16); }

    std::size_t sector_offset(std::uint32_t sector) const { return (std::size_t{sector} + 1) * sector_size_; }
    std::size_t sector_count() const {
        const std::size_t whole = data_.size() / sector_size_; // the header is the first
        return whole == 0 ? 0 : whole - 1;
    }
    bool in_file(std::uint32_t sector) const { return sector < sector_count(); }

    // The sectors of the allocation table: 109 listed in the header, the
    // rest in a chain of list sectors, each ending with the next one's number.
    bool collect_fat_sectors() {
        const std::uint32_t count = u32(0x2C);
        for (std::size_t i = 0; i < 109 && fat_sectors_.size() < count; ++i) {
            fat_sectors_.push_back(u32(0x4C + 4 * i));
            if (!in_file(fat_sectors_.back())) return false;
        }
        std::uint32_t list = u32(0x44);
        const std::size_t per_list = sector_size_ / 4 - 1;
        for (std::size_t hops = 0; fat_sectors_.size() < count; ++hops) {
            if (hops >= sector_count() || !in_file(list)) return false;
            const std::size_t at = sector_offset(list);
            for (std::size_t i = 0; i < per_list && fat_sectors_.size() < count; ++i) {
                fat_sectors_.push_back(u32(at + 4 * i));
                if (!in_file(fat_sectors_.back())) return false;
            }
            list = u32(at + 4 * per_list);
        }
        return true;
    }

    // The next sector of a chain; a sector the table does not cover ends it
    // with a number that is in no file.
    std::uint32_t next(std::uint32_t sector) const {
        const std::size_t per_sector = sector_size_ / 4;
        const std::size_t index = sector / per_sector;
        if (index >= fat_sectors_.size()) return 0xFFFFFFFF;
        return u32(sector_offset(fat_sectors_[index]) + 4 * (sector % per_sector));
    }

    bool entries_fit(std::uint32_t sector) const {
        const std::size_t start = sector_offset(sector);
        for (std::size_t at = start; at < start + sector_size_; at += entry_size)
            if (u16(at + name_field) > name_field) return false;
        return true;
    }

    std::string data_;
    std::size_t sector_size_ = header_size;
    std::vector<std::uint32_t> fat_sectors_;
};

class XlsWorkbook final : public Workbook {
public:
    ~XlsWorkbook() override {
        if (handle_) freexl_close(handle_);
    }

    bool load(const std::string& path, std::string& error) {
        if (!CompoundFile(path).directory_names_fit()) {
            error = damaged_message;
            return false;
        }
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
