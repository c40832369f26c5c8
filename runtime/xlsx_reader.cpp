#include "runtime/xlsx_reader.h"

#include <libxml/xmlreader.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

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
    // The current element with everything inside it parsed, until the next
    // move; null on malformed XML.
    const xmlNode* expand() {
        const xmlNode* node = xmlTextReaderExpand(reader_);
        if (!node) failed_ = true;
        return node;
    }
    // Past the current element and everything inside it; false as next().
    bool skip() {
        const int r = xmlTextReaderNext(reader_);
        if (r < 0) failed_ = true;
        return r == 1;
    }
    int type() const { return xmlTextReaderNodeType(reader_); }
    bool element() const { return type() == XML_READER_TYPE_ELEMENT; }
    bool empty() const { return xmlTextReaderIsEmptyElement(reader_) == 1; }
    // The reader's own copy of a name: element names compare by pointer with it.
    const xmlChar* intern(const char* name) const {
        return xmlTextReaderConstString(reader_, reinterpret_cast<const xmlChar*>(name));
    }
    const xmlChar* local() const { return xmlTextReaderConstLocalName(reader_); }
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
    // The parser asks for a few kilobytes at a time; the entry is inflated
    // in large pieces and handed out from them, so the inflater is called
    // a few dozen times for a large sheet, not thousands.
    static constexpr std::size_t inflate_chunk = 256 * 1024;
    static int read_cb(void* ctx, char* buffer, int len) {
        auto* self = static_cast<PartReader*>(ctx);
        if (self->pos_ == self->filled_) {
            if (self->inflated_.empty()) self->inflated_.resize(inflate_chunk);
            const int n = unzReadCurrentFile(self->zip_.handle(), self->inflated_.data(),
                                             static_cast<unsigned>(self->inflated_.size()));
            if (n < 0) {
                self->inflate_failed_ = true;
                return -1;
            }
            self->pos_ = 0;
            self->filled_ = static_cast<std::size_t>(n);
            if (n == 0) return 0;
        }
        const std::size_t k = std::min(static_cast<std::size_t>(len), self->filled_ - self->pos_);
        std::memcpy(buffer, self->inflated_.data() + self->pos_, k);
        self->pos_ += k;
        return static_cast<int>(k);
    }

    const Archive& zip_;
    std::vector<char> inflated_;
    std::size_t pos_ = 0, filled_ = 0;
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

long to_long(const char* s, long fallback) {
    if (!*s) return fallback;
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    return end && *end == '\0' ? v : fallback;
}
long to_long(const std::string& s, long fallback) { return to_long(s.c_str(), fallback); }

// Element and attribute names as the reader keeps them: interned, so equal
// names are one pointer; another spelling of a name still matches by text.
bool same_name(const xmlChar* a, const xmlChar* interned) {
    return a == interned ||
           (a && interned && std::strcmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(interned)) == 0);
}

// An attribute's value: its one text node as the parser left it, or put
// together in buf when it has several pieces.
const char* attr_text(const xmlAttr* a, std::string& buf) {
    const xmlNode* t = a->children;
    if (!t) return "";
    if (!t->next && t->type == XML_TEXT_NODE) return t->content ? reinterpret_cast<const char*>(t->content) : "";
    xmlChar* joined = xmlNodeListGetString(a->doc, t, 1);
    buf = joined ? reinterpret_cast<const char*>(joined) : "";
    xmlFree(joined);
    return buf.c_str();
}

// The character data directly inside an element, appended to out.
void append_text(const xmlNode* e, std::string& out) {
    for (const xmlNode* k = e->children; k; k = k->next)
        if ((k->type == XML_TEXT_NODE || k->type == XML_CDATA_SECTION_NODE) && k->content)
            out += reinterpret_cast<const char*>(k->content);
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

// The names the sheet and shared-string parts are read by, interned once per reader.
struct Names {
    explicit Names(const PartReader& r)
        : sheetData(r.intern("sheetData")), row(r.intern("row")), c(r.intern("c")), v(r.intern("v")),
          t(r.intern("t")), r(r.intern("r")), s(r.intern("s")), rPh(r.intern("rPh")), si(r.intern("si")) {}
    static bool same(const xmlChar* a, const xmlChar* interned) { return same_name(a, interned); }
    const xmlChar *sheetData, *row, *c, *v, *t, *r, *s, *rPh, *si;
};

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
        const Names n(r);
        // Every item's UTF-8, each closed by a NUL (which XML text cannot
        // hold), converted to GBK in one go: one conversion instead of one
        // per item.
        std::string items;
        std::size_t count = 0;
        bool more = r.next();
        while (more) {
            if (r.element() && Names::same(r.local(), n.si)) {
                const xmlNode* si = r.expand();
                if (!si) break;
                append_runs(si, n, items);
                items += '\0';
                ++count;
                more = r.skip();
            } else {
                more = r.next();
            }
        }
        if (r.failed()) return false;
        const std::string gbk = to_gbk(items);
        strings_.reserve(count);
        for (std::size_t start = 0; start < gbk.size();) {
            const std::size_t end = gbk.find('\0', start);
            strings_.emplace_back(gbk, start, end - start);
            start = end + 1;
        }
        return true;
    }

    bool date_style(long s) const {
        return s >= 0 && static_cast<std::size_t>(s) < date_style_.size() && date_style_[s];
    }

    // The text of a finished cell into out, or "" for none.
    void cell_text(std::string_view type, long style, const std::string& v, bool has_v,
                   const std::string& inline_text, std::string& out) const {
        out.clear();
        if (type == "inlineStr") {
            out = to_gbk(inline_text);
            return;
        }
        if (!has_v) return;
        if (type == "s") {
            const long i = to_long(v, -1);
            if (i >= 0 && static_cast<std::size_t>(i) < strings_.size()) out = strings_[static_cast<std::size_t>(i)];
            return;
        }
        if (type == "str" || type == "e") {
            out = to_gbk(v);
            return;
        }
        if (type == "b") {
            out = v == "1" || v == "true" ? "TRUE" : "FALSE";
            return;
        }
        if (type == "d") {
            double serial = 0;
            out = iso_serial(v, serial) ? date_text(serial, false) : to_gbk(v);
            return;
        }
        const bool date = date_style(style);
        if (!date && plain_number_text(v, out)) return;
        char* end = nullptr;
        const double d = std::strtod(v.c_str(), &end);
        if (end == v.c_str()) out = to_gbk(v);
        else out = date ? date_text(d, date1904_) : number_text(d);
    }

    // Streams the rows of sheetData. Each row is taken whole from the reader
    // and its cells read from the parsed element, so the reader is asked
    // about rows, not about every cell, value and text node; the rows already
    // read are let go as the reader moves on.
    bool stream_sheet(PartReader& r, const RowSink& sink) {
        stopped_ = false;
        const Names n(r);
        std::vector<Cell> cells;
        std::int32_t row = 0;
        bool in_data = false;
        bool more = r.next();
        while (more) {
            const int node = r.type();
            if (node == XML_READER_TYPE_ELEMENT) {
                const xmlChar* name = r.local();
                if (!in_data) {
                    if (Names::same(name, n.sheetData)) in_data = !r.empty();
                } else if (Names::same(name, n.row)) {
                    const xmlNode* e = r.expand();
                    if (!e) return false;
                    row = row_number(e, n, row);
                    read_cells(e, n, cells);
                    if (row >= 1 && row <= max_rows && !cells.empty() && !sink(row, cells)) return stop();
                    more = r.skip();
                    continue;
                }
            } else if (node == XML_READER_TYPE_END_ELEMENT && in_data && Names::same(r.local(), n.sheetData)) {
                return true;
            }
            more = r.next();
        }
        return !r.failed();
    }

    // The row's number: its r attribute, else the one after the last.
    std::int32_t row_number(const xmlNode* e, const Names& n, std::int32_t last) {
        long rr = last + 1;
        for (const xmlAttr* a = e->properties; a; a = a->next)
            if (Names::same(a->name, n.r)) rr = to_long(attr_text(a, attr_buf_), last + 1);
        return rr < 1 ? 0 : rr > max_rows ? max_rows + 1 : static_cast<std::int32_t>(rr);
    }

    // The cells of a row that have a text, in column order; a cell whose
    // column is not past the one before it is passed over.
    void read_cells(const xmlNode* row, const Names& n, std::vector<Cell>& cells) {
        cells.clear();
        std::int32_t col = 0;
        for (const xmlNode* c = row->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE || !Names::same(c->name, n.c)) continue;
            std::int32_t next_col = col + 1;
            std::string_view type;
            long style = -1;
            for (const xmlAttr* a = c->properties; a; a = a->next) {
                if (Names::same(a->name, n.r)) {
                    const char* value = attr_text(a, attr_buf_);
                    if (*value) next_col = column_of(value);
                } else if (Names::same(a->name, n.t)) {
                    type_buf_ = attr_text(a, attr_buf_);
                    type = type_buf_;
                } else if (Names::same(a->name, n.s)) {
                    style = to_long(attr_text(a, attr_buf_), -1);
                }
            }
            col = next_col;
            if (col < 1 || col > max_columns) continue;
            value_.clear();
            inline_.clear();
            bool has_v = false;
            read_cell_content(c, n, has_v);
            cell_text(type, style, value_, has_v, inline_, text_);
            if (text_.empty()) continue;
            if (!cells.empty() && cells.back().column >= col) continue; // out of order: keep the first
            cells.push_back({col, text_});
        }
    }

    // A cell's value (<v>) and inline text (<t> runs), phonetic runs left out.
    void read_cell_content(const xmlNode* e, const Names& n, bool& has_v) {
        for (const xmlNode* k = e->children; k; k = k->next) {
            if (k->type != XML_ELEMENT_NODE) continue;
            if (Names::same(k->name, n.v)) {
                has_v = true;
                append_text(k, value_);
            } else if (Names::same(k->name, n.t)) {
                append_text(k, inline_);
            } else if (!Names::same(k->name, n.rPh)) {
                read_cell_content(k, n, has_v);
            }
        }
    }

    // The text of a shared-string item or an inline string: its <t>
    // elements, rich-text runs included, phonetic runs left out.
    static void append_runs(const xmlNode* e, const Names& n, std::string& out) {
        for (const xmlNode* k = e->children; k; k = k->next) {
            if (k->type != XML_ELEMENT_NODE) continue;
            if (Names::same(k->name, n.t)) append_text(k, out);
            else if (!Names::same(k->name, n.rPh)) append_runs(k, n, out);
        }
    }


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
    // Reused from cell to cell, so that a cell costs no allocation of its own.
    std::string attr_buf_, type_buf_, value_, inline_, text_;
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

std::unique_ptr<Workbook> open_xlsx(const std::string& native_path, std::string& error, CellText) {
    auto book = std::make_unique<XlsxWorkbook>(native_path);
    if (!book->load(error)) return nullptr;
    return book;
}

} // namespace rt::sheet
