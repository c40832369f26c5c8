#include "runtime/datastore.h"

#include "runtime/cellvalue.h"
#include "runtime/dwsyntax.h"
#include "runtime/gbk.h"
#include "runtime/path.h"
#include "runtime/services.h"
#include "runtime/strings.h"
#include "runtime/transaction.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rt {

// Column-major: one vector of cells per column. The vectors may run longer
// than `count` while an import or a retrieve is filling them; only the first
// `count` cells are rows.
struct DataStore::Rows {
    std::vector<std::vector<Any>> cols;
    std::vector<char> selected;
    std::int32_t count = 0;
    std::vector<DataStore*> users; // the stores that show these rows

    explicit Rows(std::size_t columns) : cols(columns) {}

    template <class F>
    void notify(F f) const {
        const std::vector<DataStore*> stores = users;
        for (DataStore* s : stores) {
            const std::vector<RowObserver*> obs = s->observers_;
            for (RowObserver* o : obs) f(o);
        }
    }
    void truncate_to_count() {
        for (auto& c : cols) c.resize(static_cast<std::size_t>(count));
    }
    // Makes the cells past `count` rows, announcing them.
    void commit_appended(std::int32_t added) {
        if (added <= 0) return;
        notify([&](RowObserver* o) { o->before_insert(count + 1, added); });
        count += added;
        selected.resize(static_cast<std::size_t>(count), 0);
        notify([](RowObserver* o) { o->after_insert(); });
    }
};

namespace {
const DataObject& empty_object() {
    static const DataObject none;
    return none;
}
} // namespace

DataStore::DataStore() { bind(empty_object()); }

DataStore::DataStore(const DataObject& object) { bind(object); }

DataStore::DataStore(const std::string& dataobject_name) {
    const DataObject* o = find_dataobject(dataobject_name);
    bind(o ? *o : empty_object());
}

DataStore::~DataStore() {
    ShareDataOff();
    auto& users = rows_->users;
    users.erase(std::remove(users.begin(), users.end(), this), users.end());
}

// ---- the DataWindow object -------------------------------------------------

void DataStore::bind(const DataObject& object) {
    for (RowObserver* o : observers_) o->before_reset();
    if (rows_) {
        auto& users = rows_->users;
        users.erase(std::remove(users.begin(), users.end(), this), users.end());
    }
    object_ = std::make_shared<DataObject>(object);
    // The stored rows go in before anyone watches these rows.
    rows_ = std::make_shared<Rows>(object.columns.size());
    current_row_ = 0;
    current_column_ = object.columns.empty() ? 0 : 1;
    for (const std::string& line : object_->stored_rows) import_text(line.data(), line.size(), TextLayout{});
    rows_->users.push_back(this);
    for (RowObserver* o : observers_) o->after_reset();
}

void DataStore::end_sharing_on_rebind() { ShareDataOff(); }

const std::string& DataStore::dataobject() const { return object_->name; }

const DataObject& DataStore::object() const { return *object_; }

int DataStore::set_dataobject(const std::string& name) {
    end_sharing_on_rebind();
    const DataObject* o = find_dataobject(name);
    if (!o) {
        DataObject unknown;
        unknown.name = name;
        bind(unknown);
        return -1;
    }
    bind(*o);
    return 1;
}

void DataStore::set_dataobject(const DataObject& object) {
    end_sharing_on_rebind();
    bind(object);
}

int DataStore::Create(const std::string& syntax, std::string& err) {
    DataObject parsed;
    if (!parse_dw_syntax(syntax, parsed, err)) return -1;
    end_sharing_on_rebind();
    bind(parsed);
    return 1;
}

// ---- columns -----------------------------------------------------------------

int DataStore::column_count() const { return static_cast<int>(object_->columns.size()); }

int DataStore::column_number(const std::string& name) const {
    const auto& cols = object_->columns;
    for (std::size_t i = 0; i < cols.size(); ++i)
        if (cols[i].name.size() == name.size() && Lower(cols[i].name) == Lower(name)) return static_cast<int>(i) + 1;
    return 0;
}

const ColumnDef* DataStore::column(int number) const {
    if (number < 1 || number > column_count()) return nullptr;
    return &object_->columns[static_cast<std::size_t>(number - 1)];
}

// ---- rows ----------------------------------------------------------------------

std::int32_t DataStore::RowCount() const { return rows_->count; }

bool DataStore::valid_row(std::int32_t row) const { return row >= 1 && row <= rows_->count; }

int DataStore::Reset() {
    rows_->notify([](RowObserver* o) { o->before_reset(); });
    rows_->count = 0;
    rows_->truncate_to_count();
    rows_->selected.clear();
    rows_->notify([](RowObserver* o) { o->after_reset(); });
    current_row_ = 0;
    return 1;
}

std::int32_t DataStore::InsertRow(std::int32_t row) {
    Rows& r = *rows_;
    if (row < 0 || row > r.count) return -1;
    const std::int32_t at = row == 0 ? r.count + 1 : row;
    r.notify([&](RowObserver* o) { o->before_insert(at, 1); });
    for (auto& c : r.cols) c.insert(c.begin() + (at - 1), Any());
    r.selected.insert(r.selected.begin() + (at - 1), 0);
    ++r.count;
    r.notify([](RowObserver* o) { o->after_insert(); });
    if (current_row_ == 0) current_row_ = 1;
    return at;
}

int DataStore::DeleteRow(std::int32_t row) {
    if (row == 0) row = GetRow();
    if (!valid_row(row)) return -1;
    Rows& r = *rows_;
    r.notify([&](RowObserver* o) { o->before_remove(row, 1); });
    for (auto& c : r.cols) c.erase(c.begin() + (row - 1));
    r.selected.erase(r.selected.begin() + (row - 1));
    --r.count;
    r.notify([](RowObserver* o) { o->after_remove(); });
    return 1;
}

// ---- cells ---------------------------------------------------------------------

Any DataStore::GetItem(std::int32_t row, int column) const {
    if (!valid_row(row) || column < 1 || column > column_count()) return {};
    return rows_->cols[static_cast<std::size_t>(column - 1)][static_cast<std::size_t>(row - 1)];
}

namespace {
bool is_numeric(ColType t) {
    switch (t) {
    case ColType::Number: case ColType::Long: case ColType::ULong: case ColType::Int:
    case ColType::Decimal: case ColType::Real: case ColType::Double:
        return true;
    default:
        return false;
    }
}
} // namespace

nstring DataStore::GetItemString(std::int32_t row, int column) const {
    const ColumnDef* c = this->column(column);
    if (!c || c->type != ColType::Char) return null;
    const Any v = GetItem(row, column);
    if (const std::string* s = v.get<std::string>()) return *s;
    return null;
}

ndouble DataStore::GetItemNumber(std::int32_t row, int column) const {
    const ColumnDef* c = this->column(column);
    if (!c || !is_numeric(c->type)) return null;
    return GetItem(row, column).number();
}

ndecimal DataStore::GetItemDecimal(std::int32_t row, int column) const {
    const ColumnDef* c = this->column(column);
    if (!c || !is_numeric(c->type)) return null;
    return GetItem(row, column).to_decimal();
}

ndate DataStore::GetItemDate(std::int32_t row, int column) const {
    const Any v = GetItem(row, column);
    if (const Date* d = v.get<Date>()) return *d;
    if (const DateTime* dt = v.get<DateTime>()) return ToDate(*dt);
    return null;
}

ndatetime DataStore::GetItemDateTime(std::int32_t row, int column) const {
    const Any v = GetItem(row, column);
    if (const DateTime* dt = v.get<DateTime>()) return *dt;
    if (const Date* d = v.get<Date>()) return ToDateTime(*d);
    return null;
}

ntime DataStore::GetItemTime(std::int32_t row, int column) const {
    const Any v = GetItem(row, column);
    if (const Time* t = v.get<Time>()) return *t;
    if (const DateTime* dt = v.get<DateTime>()) return ToTime(*dt);
    return null;
}

nstring DataStore::GetItemString(std::int32_t row, const std::string& column) const {
    return GetItemString(row, column_number(column));
}
ndouble DataStore::GetItemNumber(std::int32_t row, const std::string& column) const {
    return GetItemNumber(row, column_number(column));
}
ndecimal DataStore::GetItemDecimal(std::int32_t row, const std::string& column) const {
    return GetItemDecimal(row, column_number(column));
}
ndate DataStore::GetItemDate(std::int32_t row, const std::string& column) const {
    return GetItemDate(row, column_number(column));
}
ndatetime DataStore::GetItemDateTime(std::int32_t row, const std::string& column) const {
    return GetItemDateTime(row, column_number(column));
}
ntime DataStore::GetItemTime(std::int32_t row, const std::string& column) const {
    return GetItemTime(row, column_number(column));
}

int DataStore::SetItem(std::int32_t row, int column, const Any& value) {
    const ColumnDef* c = this->column(column);
    if (!c || !valid_row(row)) return -1;
    Any stored;
    if (!coerce_cell(*c, value, stored)) return -1;
    rows_->cols[static_cast<std::size_t>(column - 1)][static_cast<std::size_t>(row - 1)] = std::move(stored);
    rows_->notify([&](RowObserver* o) { o->cell_changed(row, column); });
    return 1;
}

int DataStore::SetItem(std::int32_t row, const std::string& column, const Any& value) {
    return SetItem(row, column_number(column), value);
}

std::vector<Any> DataStore::column_values(int column) const {
    if (column < 1 || column > column_count()) return {};
    const auto& c = rows_->cols[static_cast<std::size_t>(column - 1)];
    return {c.begin(), c.begin() + rows_->count};
}

std::vector<nstring> DataStore::column_strings(const std::string& column) const {
    const int n = column_number(column);
    std::vector<nstring> out;
    if (n == 0) return out;
    const auto& c = rows_->cols[static_cast<std::size_t>(n - 1)];
    out.reserve(static_cast<std::size_t>(rows_->count));
    for (std::int32_t i = 0; i < rows_->count; ++i) {
        const Any& v = c[static_cast<std::size_t>(i)];
        if (const std::string* s = v.get<std::string>()) out.emplace_back(*s);
        else out.push_back(String(v));
    }
    return out;
}

std::span<const Any> DataStore::column_cells(const std::string& column) const {
    const int n = column_number(column);
    if (n == 0) return {};
    return {rows_->cols[static_cast<std::size_t>(n - 1)].data(), static_cast<std::size_t>(rows_->count)};
}

// ---- moving rows -----------------------------------------------------------------

bool DataStore::compatible_with(const DataStore& other) const {
    if (column_count() != other.column_count()) return false;
    for (int i = 1; i <= column_count(); ++i)
        if (column(i)->type != other.column(i)->type) return false;
    return true;
}

int DataStore::RowsCopy(std::int32_t start, std::int32_t end, DataStore& target, std::int32_t before) {
    if (!valid_row(start) || end < start || before < 1 || !compatible_with(target)) return -1;
    end = std::min(end, RowCount());
    const auto n = static_cast<std::size_t>(end - start + 1);
    const std::size_t columns = rows_->cols.size();
    for (std::size_t c = 0; c < columns; ++c) {
        const auto& src = rows_->cols[c];
        const ColumnDef& tc = *target.column(static_cast<int>(c) + 1);
        // A text column at least as long as this one takes every text it
        // holds: no need to look at each cell (the send window copies its
        // numbers 4000 rows at a time).
        const ColumnDef& sc = *column(static_cast<int>(c) + 1);
        if (sc.type == ColType::Char && tc.type == ColType::Char &&
            (tc.length <= 0 || (sc.length > 0 && sc.length <= tc.length)))
            continue;
        for (auto it = src.begin() + (start - 1); it != src.begin() + end; ++it) {
            Any ignored;
            if (!coerce_cell(tc, *it, ignored)) return -1;
        }
    }
    Rows& t = *target.rows_;
    // Rows copied within their own store are taken out first, as the
    // insertion moves them; into another store they go straight across.
    std::vector<std::vector<Any>> cells(&t == rows_.get() ? columns : 0);
    for (std::size_t c = 0; c < cells.size(); ++c)
        cells[c].assign(rows_->cols[c].begin() + (start - 1), rows_->cols[c].begin() + end);
    const std::int32_t at = std::min(before, t.count + 1);
    t.notify([&](RowObserver* o) { o->before_insert(at, static_cast<long>(n)); });
    for (std::size_t c = 0; c < columns; ++c) {
        auto& dst = t.cols[c];
        dst.resize(static_cast<std::size_t>(t.count)); // drop any cells past the rows
        if (cells.empty()) {
            const auto& src = rows_->cols[c];
            dst.insert(dst.begin() + (at - 1), src.begin() + (start - 1), src.begin() + end);
        } else {
            dst.insert(dst.begin() + (at - 1), std::make_move_iterator(cells[c].begin()),
                       std::make_move_iterator(cells[c].end()));
        }
    }
    t.selected.insert(t.selected.begin() + (at - 1), n, 0);
    t.count += static_cast<std::int32_t>(n);
    t.notify([](RowObserver* o) { o->after_insert(); });
    if (target.current_row_ == 0) target.current_row_ = 1;
    return 1;
}

// A store leaves the rows it shows for other rows; its views start afresh.
static void switch_rows(DataStore& store, std::shared_ptr<DataStore::Rows>& mine,
                        std::shared_ptr<DataStore::Rows> next, const std::vector<RowObserver*>& observers) {
    for (RowObserver* o : observers) o->before_reset();
    auto& users = mine->users;
    users.erase(std::remove(users.begin(), users.end(), &store), users.end());
    mine = std::move(next);
    mine->users.push_back(&store);
    for (RowObserver* o : observers) o->after_reset();
}

int DataStore::ShareData(DataStore& secondary) {
    DataStore* primary = primary_ ? primary_ : this;
    if (&secondary == this || &secondary == primary || !compatible_with(secondary)) return -1;
    secondary.ShareDataOff();
    switch_rows(secondary, secondary.rows_, primary->rows_, secondary.observers_);
    secondary.primary_ = primary;
    secondary.current_row_ = secondary.RowCount() > 0 ? 1 : 0;
    primary->secondaries_.push_back(&secondary);
    return 1;
}

int DataStore::ShareDataOff() {
    if (primary_) {
        auto& list = primary_->secondaries_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        primary_ = nullptr;
        switch_rows(*this, rows_, std::make_shared<Rows>(object_->columns.size()), observers_);
        current_row_ = 0;
        return 1;
    }
    if (secondaries_.empty()) return -1;
    const std::vector<DataStore*> list = secondaries_;
    for (DataStore* s : list) s->ShareDataOff();
    return 1;
}

// ---- text import -------------------------------------------------------------------

namespace {

// In a text converted from Unicode, the mark of a character that GBK cannot
// hold. A NUL never reaches the fields otherwise: a text holding one of its
// own is refused as not text before it is cut into fields.
constexpr char unheld_mark = '\0';

// One field of a comma-separated line, from `p` up to the comma, the line
// break or the end that follows it. A field that starts with a quote runs to
// the closing quote, "" inside standing for one quote; commas and line breaks
// inside it are data, and whatever follows the closing quote up to the comma
// is kept as it stands. Quotes inside an unquoted field are plain data. GBK
// needs no care here: a trail byte is 0x40 or above, never a quote, a comma
// or a line break. False for a quote that never closes.
bool csv_field(const char*& p, const char* end, std::string& scratch, std::string_view& field) {
    if (p == end || *p != '"') {
        const char* f = p;
        while (p < end && *p != ',' && *p != '\n' && *p != '\r') ++p;
        field = std::string_view(f, static_cast<std::size_t>(p - f));
        return true;
    }
    scratch.clear();
    for (++p;; ++p) {
        if (p == end) return false;
        if (*p != '"') { scratch += *p; continue; }
        if (p + 1 < end && p[1] == '"') { scratch += '"'; ++p; continue; }
        ++p;
        break;
    }
    while (p < end && *p != ',' && *p != '\n' && *p != '\r') scratch += *p++;
    field = scratch;
    return true;
}

} // namespace

std::int32_t DataStore::import_text(const char* data, std::size_t size, TextLayout layout) {
    const int ncols = column_count();
    if (ncols == 0) return import::invalid_argument;
    if (size == 0) return import::no_rows;
    if (!layout.unheld_marks && std::memchr(data, 0, size)) return import::not_text;
    Rows& r = *rows_;
    r.truncate_to_count();
    std::vector<const ColumnDef*> defs;
    for (int c = 1; c <= ncols; ++c) defs.push_back(column(c));
    // Room for every line at once, so a sheet of 50,000 rows is not moved
    // again and again as the columns grow; still at least doubling, so that
    // many small imports stay linear.
    std::size_t lines = 1;
    const char* const stop = data + size;
    for (const char* n = data; (n = static_cast<const char*>(std::memchr(n, '\n', static_cast<std::size_t>(stop - n))));
         ++n)
        ++lines;
    for (auto& col : r.cols)
        if (col.capacity() < col.size() + lines) col.reserve(std::max(col.size() + lines, col.capacity() * 2));
    // A field for column c (from 0); false when the column rejects it.
    const auto take = [&](int c, std::string_view field) {
        if (layout.unheld_marks && field.find(unheld_mark) != std::string_view::npos) return false;
        Any v;
        if (!parse_cell(*defs[static_cast<std::size_t>(c)], field, v)) return false;
        r.cols[static_cast<std::size_t>(c)].push_back(std::move(v));
        return true;
    };
    const auto refuse = [&] {
        r.truncate_to_count();
        return import::invalid_input;
    };
    std::int32_t added = 0;
    const char* p = data;
    const char* const end = data + size;
    std::string scratch;
    while (p < end) {
        const char* e = p; // where the row's last line ends
        if (layout.csv) {
            int c = 0;
            for (;; ++c) {
                std::string_view field;
                if (!csv_field(p, end, scratch, field)) return refuse();
                if (c < ncols && !take(c, field)) return refuse();
                if (p == end || *p != ',') break;
                ++p;
            }
            for (++c; c < ncols; ++c) r.cols[static_cast<std::size_t>(c)].emplace_back();
            e = p;
        } else {
            while (e < end && *e != '\n' && *e != '\r') ++e;
            const char* f = p;
            for (int c = 0; c < ncols; ++c) {
                if (f > e) { r.cols[static_cast<std::size_t>(c)].emplace_back(); continue; }
                const char* t = static_cast<const char*>(std::memchr(f, '\t', static_cast<std::size_t>(e - f)));
                if (!t) t = e;
                if (!take(c, std::string_view(f, static_cast<std::size_t>(t - f)))) return refuse();
                f = t + 1;
            }
        }
        ++added;
        if (e == end) break;
        p = (*e == '\r' && e + 1 < end && e[1] == '\n') ? e + 2 : e + 1;
    }
    r.commit_appended(added);
    if (current_row_ == 0 && added > 0) current_row_ = 1;
    return added;
}

std::int32_t DataStore::ImportString(const nstring& text) {
    if (!text) return import::invalid_argument;
    return import_text(text->data(), text->size(), TextLayout{});
}

namespace {

bool starts_with(const std::string& s, const char* mark, std::size_t n) {
    return s.size() >= n && std::memcmp(s.data(), mark, n) == 0;
}

} // namespace

// Text that an editor or a spreadsheet saved with a byte-order mark (UTF-8,
// or UTF-16 as "Unicode text") becomes GBK; without a mark a file is GBK as
// it stands. 0, or the code to answer: a mark alone is an empty file, a NUL
// character makes it no text, as a NUL byte does a GBK file.
std::int32_t DataStore::decode_marked(std::string& content, TextLayout& layout) {
    const std::string_view unheld(&unheld_mark, 1);
    if (starts_with(content, "\xEF\xBB\xBF", 3)) {
        const std::string_view text = std::string_view(content).substr(3);
        if (text.empty()) return import::empty_source;
        if (text.find('\0') != std::string_view::npos) return import::not_text;
        content = utf8_to_gbk(text, unheld);
    } else if (starts_with(content, "\xFF\xFE", 2) || starts_with(content, "\xFE\xFF", 2)) {
        const std::string_view text = std::string_view(content).substr(2);
        if (text.empty()) return import::empty_source;
        for (std::size_t i = 0; i + 1 < text.size(); i += 2)
            if (text[i] == '\0' && text[i + 1] == '\0') return import::not_text;
        content = utf16_to_gbk(text, content[0] == '\xFF' ? ByteOrder::little : ByteOrder::big, unheld);
    } else {
        return 0;
    }
    layout.unheld_marks = true;
    return 0;
}

std::int32_t DataStore::ImportFile(const nstring& filename) {
    if (!filename || filename->empty() || column_count() == 0) return import::invalid_argument;
    const std::string native = native_path(*filename);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return import::cannot_open;
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return import::cannot_open;
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < content.size()) {
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0) { ::close(fd); return import::read_error; }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got != content.size()) return import::read_error; // cut short while reading
    if (content.empty()) return import::empty_source;
    TextLayout layout;
    // The kind of a file is its name's ending, as the desktop has it.
    layout.csv = filename->size() >= 4 && Lower(Right(*filename, 4)) == ".csv";
    if (const std::int32_t code = decode_marked(content, layout); code != 0) return code;
    return import_text(content.data(), content.size(), layout);
}

std::int32_t DataStore::ImportClipboard() {
    if (column_count() == 0) return import::invalid_argument;
    const nstring text = clipboard().text();
    if (!text || text->empty()) return import::empty_source;
    return import_text(text->data(), text->size(), TextLayout{});
}

// ---- selection, current row and column -----------------------------------------

int DataStore::SelectRow(std::int32_t row, bool select) {
    Rows& r = *rows_;
    if (row == 0) std::fill(r.selected.begin(), r.selected.end(), select ? 1 : 0);
    else if (valid_row(row)) r.selected[static_cast<std::size_t>(row - 1)] = select ? 1 : 0;
    else return -1;
    r.notify([](RowObserver* o) { o->selection_changed(); });
    return 1;
}

bool DataStore::IsSelected(std::int32_t row) const {
    return valid_row(row) && rows_->selected[static_cast<std::size_t>(row - 1)] != 0;
}

std::int32_t DataStore::GetRow() const {
    if (rows_->count == 0) return 0;
    return std::clamp(current_row_, std::int32_t{1}, rows_->count);
}

int DataStore::SetRow(std::int32_t row) {
    if (!valid_row(row)) return -1;
    current_row_ = row;
    current_changed();
    return 1;
}

int DataStore::GetColumn() const { return current_column_; }

std::string DataStore::GetColumnName() const {
    const ColumnDef* c = column(current_column_);
    return c ? c->name : std::string();
}

int DataStore::SetColumn(int column) {
    if (!this->column(column)) return -1;
    current_column_ = column;
    current_changed();
    return 1;
}

int DataStore::SetColumn(const std::string& column) { return SetColumn(column_number(column)); }

int DataStore::AcceptText() { return 1; }

// ---- properties ------------------------------------------------------------------

std::string DataStore::Describe(const std::string& properties) const {
    return describe_properties(*object_, properties);
}

std::string DataStore::Modify(const std::string& modification) {
    DataObject changed = *object_;
    std::string err = modify_texts(changed, modification);
    if (!err.empty()) return err;
    *object_ = std::move(changed);
    for (RowObserver* o : observers_) o->texts_changed();
    return {};
}

// ---- database ----------------------------------------------------------------------

int DataStore::SetTransObject(Transaction& transaction) {
    if (!Transaction::is_live(&transaction)) return -1;
    transaction_ = &transaction;
    return 1;
}

std::int32_t DataStore::Retrieve() {
    if (!transaction_ || !Transaction::is_live(transaction_)) return -1;
    auto& tr = const_cast<Transaction&>(*transaction_);
    auto fail = [&](const std::string& why) {
        tr.SQLCode = -1;
        tr.SQLErrText = why;
        tr.SQLNRows = 0;
        return -1;
    };
    if (!tr.connected()) return fail("the transaction is not connected");
    if (object_->retrieve.empty()) return fail("the DataWindow has no query");
    Reset();
    Rows& r = *rows_;
    std::vector<const ColumnDef*> defs;
    for (int c = 1; c <= column_count(); ++c) defs.push_back(column(c));
    std::int32_t added = 0;
    std::string err;
    const bool ok = tr.connection()->select(object_->retrieve, [&](std::vector<Any>& cells) {
        for (std::size_t c = 0; c < defs.size(); ++c) {
            Any v;
            if (c < cells.size()) retrieved_cell(*defs[c], cells[c], v);
            r.cols[c].push_back(std::move(v));
        }
        ++added;
    }, err);
    if (!ok) {
        r.truncate_to_count();
        return fail(err);
    }
    r.commit_appended(added);
    if (added > 0) current_row_ = 1;
    tr.SQLCode = 0;
    tr.SQLErrText.clear();
    tr.SQLNRows = added;
    return added;
}

// ---- views -------------------------------------------------------------------------

void DataStore::add_observer(RowObserver* o) {
    if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void DataStore::remove_observer(RowObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

} // namespace rt
