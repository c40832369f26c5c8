#include "runtime/xlsx_reader.h"

#include <libxml/xmlreader.h>
#include <minizip/unzip.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

namespace rt::sheet {

namespace {

constexpr const char* office_rel = "/officeDocument";

// One zip archive, open for the workbook's life.
class Archive {
public:
    explicit Archive(const std::string& path) : zip_(unzOpen64(path.c_str())) {}
    ~Archive() {
        if (zip_) unzClose(zip_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    bool ok() const { return zip_ != nullptr; }
    unzFile handle() const { return zip_; }
    // Makes the named entry current: exact name first, then without regard to case.
    bool locate(const std::string& name) const {
        return unzLocateFile(zip_, name.c_str(), 1) == UNZ_OK || unzLocateFile(zip_, name.c_str(), 2) == UNZ_OK;
    }

private:
    unzFile zip_;
};

// A libxml2 text reader fed from the current zip entry, a buffer at a time.
class PartReader {
public:
    PartReader(const Archive& zip, const std::string& part) : zip_(zip) {
        if (!zip.locate(part) || unzOpenCurrentFile(zip.handle()) != UNZ_OK) return;
        open_ = true;
        reader_ = xmlReaderForIO(&PartReader::read_cb, nullptr, this, nullptr, nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT);
    }
    ~PartReader() {
        if (reader_) xmlFreeTextReader(reader_);
        if (open_) unzCloseCurrentFile(zip_.handle());
    }
    PartReader(const PartReader&) = delete;
    PartReader& operator=(const PartReader&) = delete;

    bool ok() const { return reader_ != nullptr; }
    // Next node; false at the end or on malformed XML (failed() tells which).
    bool next() {
        const int r = xmlTextReaderRead(reader_);
        if (r < 0) failed_ = true;
        return r == 1;
    }
    bool failed() const { return failed_ || inflate_failed_; }
    int type() const { return xmlTextReaderNodeType(reader_); }
    bool element() const { return type() == XML_READER_TYPE_ELEMENT; }
    bool end_element() const { return type() == XML_READER_TYPE_END_ELEMENT; }
    bool empty() const { return xmlTextReaderIsEmptyElement(reader_) == 1; }
    bool text() const {
        const int t = type();
        return t == XML_READER_TYPE_TEXT || t == XML_READER_TYPE_CDATA || t == XML_READER_TYPE_WHITESPACE ||
               t == XML_READER_TYPE_SIGNIFICANT_WHITESPACE;
    }
    // The reader's own copy of a name: element names compare by pointer with it.
    const xmlChar* intern(const char* name) const {
        return xmlTextReaderConstString(reader_, reinterpret_cast<const xmlChar*>(name));
    }
    const xmlChar* local() const { return xmlTextReaderConstLocalName(reader_); }
    // Walks the element's attributes once: fn(local name, value).
    template <class F>
    void each_attr(F&& fn) {
        if (xmlTextReaderMoveToFirstAttribute(reader_) != 1) return;
        do fn(local(), value());
        while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
        xmlTextReaderMoveToElement(reader_);
    }
    bool is(const char* local) const {
        const xmlChar* n = xmlTextReaderConstLocalName(reader_);
        return n && std::strcmp(reinterpret_cast<const char*>(n), local) == 0;
    }
    const char* value() const {
        const xmlChar* v = xmlTextReaderConstValue(reader_);
        return v ? reinterpret_cast<const char*>(v) : "";
    }
    // An attribute by its local name, whatever its namespace; "" when absent.
    // With `prefixed`, only an attribute in a namespace (r:id) counts.
    std::string attr(const char* local, bool prefixed = false) {
        std::string out;
        if (xmlTextReaderMoveToFirstAttribute(reader_) != 1) return out;
        do {
            const xmlChar* n = xmlTextReaderConstLocalName(reader_);
            const xmlChar* ns = xmlTextReaderConstNamespaceUri(reader_);
            if (n && std::strcmp(reinterpret_cast<const char*>(n), local) == 0 && (!prefixed || ns)) {
                out = value();
                break;
            }
        } while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
        xmlTextReaderMoveToElement(reader_);
        return out;
    }

private:
    static int read_cb(void* ctx, char* buffer, int len) {
        auto* self = static_cast<PartReader*>(ctx);
        const int n = unzReadCurrentFile(self->zip_.handle(), buffer, static_cast<unsigned>(len));
        if (n < 0) {
            self->inflate_failed_ = true;
            return -1;
        }
        return n;
    }

    const Archive& zip_;
    xmlTextReaderPtr reader_ = nullptr;
    bool open_ = false;
    bool failed_ = false;
    bool inflate_failed_ = false;
};

struct Relationship {
    std::string type, target;
};

std::string folder_of(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// Relationships of a part, by id. A missing rels part is no error: it has none.
std::map<std::string, Relationship> relationships(const Archive& zip, const std::string& part) {
    const std::string folder = folder_of(part);
    const std::string name = part.substr(folder.size());
    std::map<std::string, Relationship> rels;
    PartReader r(zip, folder + "_rels/" + name + ".rels");
    if (!r.ok()) return rels;
    while (r.next()) {
        if (!r.element() || !r.is("Relationship")) continue;
        if (r.attr("TargetMode") == "External") continue;
        rels[r.attr("Id")] = {r.attr("Type"), resolve_target(part, r.attr("Target"))};
    }
    return rels;
}

bool ends_with(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string first_target(const std::map<std::string, Relationship>& rels, const char* type_tail) {
    for (const auto& [id, rel] : rels)
        if (ends_with(rel.type, type_tail)) return rel.target;
    return {};
}

long to_long(const std::string& s, long fallback) {
    if (s.empty()) return fallback;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    return end && *end == '\0' ? v : fallback;
}

// "AB12" -> column 28; 0 when the reference holds no letters.
std::int32_t column_of(const std::string& ref) {
    std::int32_t col = 0;
    for (char c : ref) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        col = col * 26 + (c - 'A' + 1);
        if (col > max_columns) return max_columns + 1;
    }
    return col;
}

// A number as the file writes it ("13800138000", "5000.50") copied without
// going through a double, which is what most cells are: false when it has an
// exponent or more digits than a double keeps, for number_text to handle.
bool plain_number_text(const std::string& v, std::string& out) {
    std::size_t i = 0, n = v.size();
    const bool negative = n > 0 && v[0] == '-';
    if (negative) ++i;
    const std::size_t int_start = i;
    while (i < n && v[i] >= '0' && v[i] <= '9') ++i;
    const std::size_t int_end = i;
    std::size_t frac_start = i, frac_end = i;
    if (i < n && v[i] == '.') {
        frac_start = ++i;
        while (i < n && v[i] >= '0' && v[i] <= '9') ++i;
        frac_end = i;
    }
    if (i != n || (int_end == int_start && frac_end == frac_start)) return false;
    std::size_t lead = int_start;
    while (lead < int_end && v[lead] == '0') ++lead;
    while (frac_end > frac_start && v[frac_end - 1] == '0') --frac_end;
    std::size_t significant = (int_end - lead) + (frac_end - frac_start);
    if (lead == int_end) { // no whole part: leading zeros of the fraction do not count
        std::size_t z = frac_start;
        while (z < frac_end && v[z] == '0') ++z;
        significant = frac_end - z;
    }
    if (significant > 15) return false;
    out.clear();
    if (lead == int_end && frac_end == frac_start) {
        out = "0";
        return true;
    }
    if (negative) out += '-';
    if (lead == int_end) out += '0';
    else out.append(v, lead, int_end - lead);
    if (frac_end > frac_start) {
        out += '.';
        out.append(v, frac_start, frac_end - frac_start);
    }
    return true;
}

// "2024-03-09T10:30:00" (a cell of type d) as a date serial in the 1900 system.
bool iso_serial(const std::string& s, double& serial) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double sec = 0;
    const int n = std::sscanf(s.c_str(), "%d-%d-%dT%d:%d:%lf", &y, &mo, &d, &h, &mi, &sec);
    if (n < 3 || mo < 1 || mo > 12 || d < 1 || d > 31) {
        if (std::sscanf(s.c_str(), "%d:%d:%lf", &h, &mi, &sec) < 2) return false;
        serial = (h * 3600 + mi * 60 + sec) / 86400.0;
        return true;
    }
    // days from civil (proleptic Gregorian), then the 1899-12-30 epoch.
    const int yy = y - (mo <= 2);
    const long long era = (yy >= 0 ? yy : yy - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(yy - era * 400);
    const unsigned doy = (153 * static_cast<unsigned>(mo + (mo > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days1970 = era * 146097 + static_cast<long long>(doe) - 719468;
    long long days = days1970 + 25569;
    if (days < 61) --days; // the 1900 system's phantom leap day
    serial = static_cast<double>(days) + (h * 3600 + mi * 60 + sec) / 86400.0;
    return true;
}

class XlsxWorkbook final : public Workbook {
public:
    explicit XlsxWorkbook(const std::string& path) : zip_(path) {}

    bool load(std::string& error) {
        if (!zip_.ok()) {
            error = "The file is not a valid .xlsx workbook (the zip archive cannot be read).";
            return false;
        }
        workbook_part_ = first_target(relationships(zip_, ""), office_rel);
        if (workbook_part_.empty()) workbook_part_ = "xl/workbook.xml";
        const auto rels = relationships(zip_, workbook_part_);
        if (!read_workbook(rels)) {
            error = "The workbook part of the file cannot be read.";
            return false;
        }
        const std::string styles = first_target(rels, "/styles");
        if (!styles.empty()) read_styles(styles);
        const std::string strings = first_target(rels, "/sharedStrings");
        if (!strings.empty() && !read_shared_strings(strings)) {
            error = "The shared strings of the workbook cannot be read.";
            return false;
        }
        return true;
    }

    const std::vector<std::string>& sheet_names() const override { return names_; }
    int active_sheet() const override { return active_; }

    bool read(int sheet, const RowSink& sink, std::string& error) override {
        if (sheet < 0 || static_cast<std::size_t>(sheet) >= parts_.size() || parts_[sheet].empty()) {
            error = "The worksheet cannot be found in the workbook.";
            return false;
        }
        PartReader r(zip_, parts_[sheet]);
        if (!r.ok()) {
            error = "The worksheet part " + parts_[sheet] + " cannot be opened.";
            return false;
        }
        if (!stream_sheet(r, sink) || r.failed()) {
            if (!stopped_) {
                error = "The worksheet part " + parts_[sheet] + " is damaged.";
                return false;
            }
        }
        return true;
    }

private:
    bool read_workbook(const std::map<std::string, Relationship>& rels) {
        PartReader r(zip_, workbook_part_);
        if (!r.ok()) return false;
        bool any = false;
        while (r.next()) {
            if (!r.element()) continue;
            any = true;
            if (r.is("workbookPr")) {
                const std::string v = r.attr("date1904");
                date1904_ = v == "1" || v == "true";
            } else if (r.is("workbookView") && !have_view_) {
                have_view_ = true;
                active_ = static_cast<int>(to_long(r.attr("activeTab"), 0));
            } else if (r.is("sheet")) {
                names_.push_back(to_gbk(r.attr("name")));
                const auto it = rels.find(r.attr("id", true));
                parts_.push_back(it == rels.end() ? std::string() : it->second.target);
            }
        }
        if (r.failed() || !any) return false;
        if (active_ < 0 || static_cast<std::size_t>(active_) >= names_.size()) active_ = 0;
        return true;
    }

    void read_styles(const std::string& part) {
        PartReader r(zip_, part);
        if (!r.ok()) return;
        std::map<long, std::string> codes;
        bool in_xfs = false;
        while (r.next()) {
            if (r.element() && r.is("numFmt")) {
                codes[to_long(r.attr("numFmtId"), -1)] = r.attr("formatCode");
            } else if (r.is("cellXfs")) {
                in_xfs = r.element() && !r.empty();
            } else if (in_xfs && r.element() && r.is("xf")) {
                const long id = to_long(r.attr("numFmtId"), 0);
                const auto it = codes.find(id);
                date_style_.push_back(is_date_format(static_cast<int>(id), it == codes.end() ? "" : it->second));
            }
        }
    }

    bool read_shared_strings(const std::string& part) {
        PartReader r(zip_, part);
        if (!r.ok()) return true; // a missing part: cells that point into it read empty
        std::string item;
        int phonetic = 0;
        bool in_t = false;
        while (r.next()) {
            if (r.element()) {
                if (r.is("si")) {
                    item.clear();
                    if (r.empty()) strings_.emplace_back();
                } else if (r.is("rPh") && !r.empty()) {
                    ++phonetic;
                } else if (r.is("t")) {
                    in_t = !r.empty();
                }
            } else if (r.end_element()) {
                if (r.is("si")) strings_.push_back(to_gbk(item));
                else if (r.is("rPh")) --phonetic;
                else if (r.is("t")) in_t = false;
            } else if (in_t && phonetic == 0 && r.text()) {
                item += r.value();
            }
        }
        return !r.failed();
    }

    bool date_style(long s) const {
        return s >= 0 && static_cast<std::size_t>(s) < date_style_.size() && date_style_[s];
    }

    // The text of a finished cell, or "" for none.
    std::string cell_text(const std::string& type, long style, const std::string& v, bool has_v,
                          const std::string& inline_text) const {
        if (type == "inlineStr") return to_gbk(inline_text);
        if (!has_v) return {};
        if (type == "s") {
            const long i = to_long(v, -1);
            return i >= 0 && static_cast<std::size_t>(i) < strings_.size() ? strings_[i] : std::string();
        }
        if (type == "str" || type == "e") return to_gbk(v);
        if (type == "b") return v == "1" || v == "true" ? "TRUE" : "FALSE";
        if (type == "d") {
            double serial = 0;
            return iso_serial(v, serial) ? date_text(serial, false) : to_gbk(v);
        }
        const bool date = date_style(style);
        std::string plain;
        if (!date && plain_number_text(v, plain)) return plain;
        char* end = nullptr;
        const double d = std::strtod(v.c_str(), &end);
        if (end == v.c_str()) return to_gbk(v);
        return date ? date_text(d, date1904_) : number_text(d);
    }

    bool stream_sheet(PartReader& r, const RowSink& sink) {
        stopped_ = false;
        // Names compared by pointer, as the reader interns them; another
        // spelling of the same name still matches through the text.
        const Names n(r);
        std::vector<Cell> cells;
        std::int32_t row = 0, col = 0;
        bool in_data = false, in_row = false, in_cell = false;
        std::string type, v, inline_text, text;
        long style = -1;
        bool has_v = false;
        enum { none, in_v, in_is_t } collect = none;
        int phonetic = 0;

        const auto finish_cell = [&] {
            in_cell = false;
            if (col < 1 || col > max_columns) return;
            text = cell_text(type, style, v, has_v, inline_text);
            if (text.empty()) return;
            if (!cells.empty() && cells.back().column >= col) return; // out of order: keep the first
            cells.push_back({col, std::move(text)});
        };
        const auto finish_row = [&] {
            in_row = false;
            if (row < 1 || row > max_rows || cells.empty()) return true;
            return sink(row, cells);
        };

        while (r.next()) {
            const int node = r.type();
            if (node == XML_READER_TYPE_ELEMENT) {
                const xmlChar* name = r.local();
                if (!in_data) {
                    if (n.same(name, n.sheetData)) in_data = !r.empty();
                    continue;
                }
                if (n.same(name, n.c)) {
                    if (!in_row) continue;
                    std::int32_t next_col = col + 1;
                    type.clear();
                    style = -1;
                    r.each_attr([&](const xmlChar* a, const char* value) {
                        if (n.same(a, n.r)) next_col = *value ? column_of(value) : next_col;
                        else if (n.same(a, n.t)) type = value;
                        else if (n.same(a, n.s)) style = to_long(value, -1);
                    });
                    col = next_col;
                    v.clear();
                    inline_text.clear();
                    has_v = false;
                    phonetic = 0;
                    in_cell = true;
                    if (r.empty()) finish_cell();
                } else if (n.same(name, n.v)) {
                    if (!in_cell) continue;
                    has_v = true;
                    collect = r.empty() ? none : in_v;
                } else if (n.same(name, n.row)) {
                    long rr = row + 1;
                    r.each_attr([&](const xmlChar* a, const char* value) {
                        if (n.same(a, n.r)) rr = to_long(value, row + 1);
                    });
                    row = rr < 1 ? 0 : rr > max_rows ? max_rows + 1 : static_cast<std::int32_t>(rr);
                    col = 0;
                    cells.clear();
                    in_row = true;
                    if (r.empty() && !finish_row()) return stop();
                } else if (in_cell && n.same(name, n.rPh) && !r.empty()) {
                    ++phonetic;
                } else if (in_cell && n.same(name, n.t)) {
                    collect = r.empty() ? none : in_is_t;
                }
            } else if (node == XML_READER_TYPE_END_ELEMENT) {
                if (!in_data) continue;
                const xmlChar* name = r.local();
                if (n.same(name, n.v) || n.same(name, n.t)) collect = none;
                else if (n.same(name, n.c)) {
                    if (in_cell) finish_cell();
                } else if (n.same(name, n.row)) {
                    if (in_row && !finish_row()) return stop();
                } else if (n.same(name, n.rPh)) --phonetic;
                else if (n.same(name, n.sheetData)) return true;
            } else if (collect != none && r.text()) {
                if (collect == in_v) v += r.value();
                else if (phonetic == 0) inline_text += r.value();
            }
        }
        return !r.failed();
    }

    struct Names {
        explicit Names(const PartReader& r)
            : sheetData(r.intern("sheetData")), row(r.intern("row")), c(r.intern("c")), v(r.intern("v")),
              t(r.intern("t")), r(r.intern("r")), s(r.intern("s")), rPh(r.intern("rPh")) {}
        static bool same(const xmlChar* a, const xmlChar* interned) {
            return a == interned ||
                   (a && interned && std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(interned)) == 0);
        }
        const xmlChar *sheetData, *row, *c, *v, *t, *r, *s, *rPh;
    };

    bool stop() {
        stopped_ = true;
        return false;
    }

    Archive zip_;
    std::string workbook_part_;
    std::vector<std::string> names_;
    std::vector<std::string> parts_;
    std::vector<std::string> strings_;
    std::vector<bool> date_style_;
    bool date1904_ = false;
    bool have_view_ = false;
    int active_ = 0;
    bool stopped_ = false;
};

} // namespace

std::string resolve_target(const std::string& source_part, const std::string& target) {
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : folder_of(source_part) + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string piece = path.substr(start, slash - start);
        if (piece == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = slash + 1;
    }
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

std::unique_ptr<Workbook> open_xlsx(const std::string& native_path, std::string& error) {
    auto book = std::make_unique<XlsxWorkbook>(native_path);
    if (!book->load(error)) return nullptr;
    return book;
}

} // namespace rt::sheet
