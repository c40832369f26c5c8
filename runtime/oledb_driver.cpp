#include "runtime/oledb_driver.h"

#include "runtime/path.h"
#include "runtime/sheet/spreadsheet.h"
#include "runtime/strings.h"

#include <algorithm>
#include <map>

namespace rt {

namespace {

// KEY='value' items separated by commas; a value keeps its commas.
std::map<std::string, std::string> parse_dbparm(const std::string& s) {
    std::map<std::string, std::string> items;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t eq = s.find('=', i);
        if (eq == std::string::npos) break;
        const std::string key = Lower(Trim(s.substr(i, eq - i)));
        std::size_t j = eq + 1;
        while (j < s.size() && s[j] == ' ') ++j;
        std::string value;
        if (j < s.size() && (s[j] == '\'' || s[j] == '"')) {
            const char quote = s[j];
            const std::size_t end = s.find(quote, j + 1);
            value = s.substr(j + 1, end == std::string::npos ? std::string::npos : end - j - 1);
            j = end == std::string::npos ? s.size() : end + 1;
            const std::size_t comma = s.find(',', j);
            i = comma == std::string::npos ? s.size() : comma + 1;
        } else {
            const std::size_t comma = s.find(',', j);
            value = Trim(s.substr(j, comma == std::string::npos ? std::string::npos : comma - j));
            i = comma == std::string::npos ? s.size() : comma + 1;
        }
        items[key] = value;
    }
    return items;
}

bool header_row_wanted(const std::string& providerstring) {
    const std::string p = Lower(providerstring);
    const std::size_t at = p.find("hdr=");
    return at == std::string::npos || p.compare(at + 4, 2, "no") != 0;
}

class OledbConnection final : public DbConnection {
public:
    OledbConnection(std::unique_ptr<sheet::Workbook> book, bool header) : book_(std::move(book)), header_(header) {}

    bool describe(const std::string& sql, std::vector<ResultColumn>& columns, std::string& error) override {
        if (!load(sql, error)) return false;
        columns = columns_;
        return true;
    }

    bool select(const std::string& sql, const std::function<void(std::vector<Any>& cells)>& row,
                std::string& error) override {
        if (!load(sql, error)) return false;
        const std::size_t width = columns_.size();
        std::int32_t expected = data_first_;
        std::vector<Any> cells;
        const auto emit_blank_until = [&](std::int32_t number) {
            for (; expected < number; ++expected) {
                cells.assign(width, Any());
                row(cells);
            }
        };
        for (const auto& r : rows_.rows) {
            if (r.number < data_first_) continue;
            emit_blank_until(r.number);
            cells.assign(width, Any());
            for (const auto& c : r.cells)
                if (c.column >= 1 && static_cast<std::size_t>(c.column) <= width) cells[c.column - 1] = Any(c.text);
            row(cells);
            expected = r.number + 1;
        }
        return true;
    }

private:
    // Reads the query's sheet once; the same query reads from memory again.
    bool load(const std::string& sql, std::string& error) {
        std::string name;
        if (!oledb_sheet_of_query(sql, name)) {
            error = "Syntax error in the query: " + sql;
            return false;
        }
        if (loaded_ && Lower(name) == Lower(loaded_name_)) return true;
        const auto& names = book_->sheet_names();
        const auto it = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return Lower(n) == Lower(name); });
        if (it == names.end()) {
            error = "The sheet '" + name + "$' cannot be found. Make sure the sheet exists and its name is spelt correctly.";
            return false;
        }
        if (!sheet::read_rows(*book_, static_cast<int>(it - names.begin()), rows_, error)) return false;
        columns_.clear();
        const std::int32_t width = rows_.last_column;
        const sheet::SheetRows::Row* heading = header_ && !rows_.rows.empty() ? &rows_.rows.front() : nullptr;
        for (std::int32_t c = 1; c <= width; ++c) {
            ResultColumn col;
            col.name = "F" + std::to_string(c);
            if (heading)
                for (const auto& cell : heading->cells)
                    if (cell.column == c) col.name = cell.text;
            col.type = ColType::Char;
            col.length = 255;
            columns_.push_back(col);
        }
        for (const auto& r : rows_.rows)
            for (const auto& c : r.cells)
                if (c.column >= 1 && c.column <= width)
                    columns_[c.column - 1].length = std::max(columns_[c.column - 1].length, Len(c.text));
        data_first_ = rows_.rows.empty() ? 1 : rows_.first_row + (heading ? 1 : 0);
        loaded_ = true;
        loaded_name_ = name;
        return true;
    }

    std::unique_ptr<sheet::Workbook> book_;
    bool header_;
    bool loaded_ = false;
    std::string loaded_name_;
    sheet::SheetRows rows_;
    std::vector<ResultColumn> columns_;
    std::int32_t data_first_ = 1;
};

} // namespace

bool oledb_sheet_of_query(const std::string& sql, std::string& sheet) {
    const std::string prefix = "select * from [";
    const std::string q = Trim(sql);
    if (q.size() < prefix.size() + 2 || Lower(q.substr(0, prefix.size())) != prefix) return false;
    if (q.compare(q.size() - 2, 2, "$]") != 0) return false;
    sheet = q.substr(prefix.size(), q.size() - prefix.size() - 2);
    return !sheet.empty();
}

std::unique_ptr<DbConnection> oledb_connect(const std::string& dbparm, std::string& error) {
    const auto items = parse_dbparm(dbparm);
    const auto get = [&](const char* key) {
        const auto it = items.find(key);
        return it == items.end() ? std::string() : it->second;
    };
    const std::string provider = Lower(get("provider"));
    if (provider != "microsoft.jet.oledb.4.0" && provider != "microsoft.ace.oledb.12.0") {
        error = "The provider '" + get("provider") + "' cannot be found. It may not be properly installed.";
        return nullptr;
    }
    const std::string source = get("datasource");
    if (Trim(source).empty()) {
        error = "No data source is given.";
        return nullptr;
    }
    auto book = sheet::Workbook::open(native_path(source), error);
    if (!book) return nullptr;
    return std::make_unique<OledbConnection>(std::move(book), header_row_wanted(get("providerstring")));
}

} // namespace rt
