#include "runtime/oleobject.h"

#include "runtime/path.h"
#include "runtime/strings.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <mutex>
#include <utility>
#include <vector>

namespace rt {

namespace {

constexpr const char* excel_class = "excel.application";

std::mutex servers_mutex;
std::map<std::string, bool>& servers() {
    static std::map<std::string, bool> s{{excel_class, true}};
    return s;
}

bool available(const std::string& classname) {
    std::lock_guard lock(servers_mutex);
    const auto it = servers().find(Lower(Trim(classname)));
    return it != servers().end() && it->second;
}

// A cell's text as one field of a copied line.
void append_field(std::string& line, const std::string& text) {
    const std::size_t start = line.size();
    line += text;
    for (std::size_t i = start; i < line.size(); ++i)
        if (line[i] == '\t' || line[i] == '\r' || line[i] == '\n') line[i] = ' ';
}

bool parse_row(const std::string& s, std::int32_t& row) {
    const std::string t = Trim(s);
    if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos) return false;
    row = std::stoi(t);
    return row >= 1 && row <= sheet::max_rows;
}

} // namespace

void set_ole_server_available(const std::string& classname, bool on) {
    std::lock_guard lock(servers_mutex);
    servers()[Lower(Trim(classname))] = on;
}

// The active sheet of the open workbook, each used row kept as its copied
// line; the lines stand one after another in one text.
struct ExcelApplication::Sheet {
    std::vector<std::int32_t> rows;  // row numbers, rising
    std::vector<std::size_t> starts; // where each row's line begins in text, then text's end
    std::string text;
    std::int32_t first_row = 0, last_row = 0;
    std::string_view line(std::size_t i) const {
        return std::string_view(text).substr(starts[i], starts[i + 1] - starts[i]);
    }
};

ExcelApplication::ExcelApplication() = default;
ExcelApplication::~ExcelApplication() = default;

void ExcelApplication::Workbooks::open(const std::string& program_path) {
    if (app_.quit_) throw OleError("The application has quit.");
    std::string error;
    const std::string native = native_path(program_path);
    // The copied rows are what the sheet shows, formats applied.
    auto book = sheet::Workbook::open(native, error, sheet::CellText::shown);
    if (!book) throw OleError(error);
    auto s = std::make_unique<Sheet>();
    const bool ok = book->read(book->active_sheet(), [&s](std::int32_t row, const std::vector<sheet::Cell>& cells) {
        // Rows come in rising order; one that does not (a damaged file) is
        // passed over, as a cell out of order is, so the ranges stay sorted.
        if (!s->rows.empty() && row <= s->last_row) return true;
        std::string& text = s->text;
        s->rows.push_back(row);
        s->starts.push_back(text.size());
        std::int32_t column = 1;
        for (const auto& c : cells) {
            text.append(static_cast<std::size_t>(c.column - column), '\t');
            column = c.column;
            append_field(text, c.text);
        }
        if (s->rows.size() == 1) s->first_row = row;
        s->last_row = row;
        return true;
    }, error);
    s->starts.push_back(s->text.size());
    if (!ok) throw OleError(error);
    app_.sheet_ = std::move(s);
}

void ExcelApplication::Workbooks::close() { app_.sheet_.reset(); }

ExcelApplication::Worksheet ExcelApplication::activesheet() {
    if (!sheet_) throw OleError("No workbook is open.");
    return Worksheet(*this);
}

ExcelApplication::UsedRange ExcelApplication::Worksheet::usedrange() const {
    const Sheet& s = *app_.sheet_;
    if (s.rows.empty()) return UsedRange(1, 1); // as the application reports an empty sheet: A1 alone
    return UsedRange(s.first_row, s.last_row - s.first_row + 1);
}

ExcelApplication::Range ExcelApplication::Worksheet::range(const std::string& rows) const {
    const std::size_t colon = rows.find(':');
    std::int32_t a = 0, b = 0;
    if (colon == std::string::npos || !parse_row(rows.substr(0, colon), a) || !parse_row(rows.substr(colon + 1), b))
        throw OleError("The range " + rows + " is not a row range.");
    return Range(app_, std::min(a, b), std::max(a, b));
}

void ExcelApplication::Range::copy() {
    const Sheet* s = app_.sheet_.get();
    if (!s) throw OleError("No workbook is open.");
    std::size_t i = static_cast<std::size_t>(std::lower_bound(s->rows.begin(), s->rows.end(), first_) - s->rows.begin());
    std::size_t end = i;
    while (end < s->rows.size() && s->rows[end] <= last_) ++end;
    std::string out;
    out.reserve(s->starts[end] - s->starts[i] + static_cast<std::size_t>(last_ - first_ + 1) * 2);
    for (std::int32_t row = first_; row <= last_; ++row) {
        if (i < end && s->rows[i] == row) out += s->line(i++);
        out += "\r\n";
    }
    app_.clipboard_ = std::move(out);
}

void ExcelApplication::set_cutcopymode(bool on) {
    if (!on) {
        clipboard_.clear();
        clipboard_.shrink_to_fit();
    }
}

void ExcelApplication::quit() {
    sheet_.reset();
    clipboard_.clear();
    quit_ = true;
}

OleObject::OleObject() = default;
OleObject::~OleObject() = default;

int OleObject::ConnectToNewObject(const std::string& classname) {
    if (Lower(Trim(classname)) != excel_class || !available(classname)) return -2;
    app_ = std::make_unique<ExcelApplication>();
    return 0;
}

int OleObject::DisconnectObject() {
    if (!app_) return -1;
    app_.reset();
    return 0;
}

ExcelApplication& OleObject::application() {
    if (!app_) throw OleError("The object is not connected to a server.");
    return *app_;
}

} // namespace rt
