#include "runtime/sheet/xlsx_reader.h"

#include "runtime/sheet/numfmt.h"
#include "runtime/sheet/shared_strings.h"
#include "runtime/sheet/sheet_reason.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
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

// The current zip entry as libxml2 pulls it: inflated in large pieces and
// handed out in the few kilobytes the parser asks for at a time, so that the
// inflater is called a few dozen times for a large sheet, not thousands.
// Only the entry's end tells whether its checksum holds.
class EntryInput {
public:
    EntryInput(const Archive& zip, const std::string& part) : zip_(zip) {
        open_ = zip.locate(part) && unzOpenCurrentFile(zip.handle()) == UNZ_OK;
        opened_ = open_;
    }
    ~EntryInput() {
        if (open_) unzCloseCurrentFile(zip_.handle());
    }
    EntryInput(const EntryInput&) = delete;
    EntryInput& operator=(const EntryInput&) = delete;

    bool opened() const { return opened_; }
    bool failed() const { return failed_; }
    // What the parser left unread is inflated and passed over, so that the
    // checksum at the entry's end still judges the bytes that were read;
    // false when the entry does not inflate or does not match it.
    bool finish() {
        if (open_) {
            if (inflated_.empty()) inflated_.resize(inflate_chunk);
            int n;
            while ((n = unzReadCurrentFile(zip_.handle(), inflated_.data(), static_cast<unsigned>(inflated_.size()))) > 0) {}
            open_ = false;
            if (n < 0 || unzCloseCurrentFile(zip_.handle()) != UNZ_OK) failed_ = true;
        }
        return !failed_;
    }
    // libxml2's input read callback, with this as its context.
    static int read_cb(void* ctx, char* buffer, int len) {
        auto* self = static_cast<EntryInput*>(ctx);
        if (self->pos_ == self->filled_) {
            if (!self->open_) return 0;
            if (self->inflated_.empty()) self->inflated_.resize(inflate_chunk);
            const int n = unzReadCurrentFile(self->zip_.handle(), self->inflated_.data(),
                                             static_cast<unsigned>(self->inflated_.size()));
            if (n < 0) {
                self->failed_ = true;
                return -1;
            }
            self->pos_ = 0;
            self->filled_ = static_cast<std::size_t>(n);
            if (n == 0) {
                self->open_ = false;
                if (unzCloseCurrentFile(self->zip_.handle()) != UNZ_OK) {
                    self->failed_ = true;
                    return -1;
                }
                return 0;
            }
        }
        const std::size_t k = std::min(static_cast<std::size_t>(len), self->filled_ - self->pos_);
        std::memcpy(buffer, self->inflated_.data() + self->pos_, k);
        self->pos_ += k;
        return static_cast<int>(k);
    }

private:
    static constexpr std::size_t inflate_chunk = 256 * 1024;
    const Archive& zip_;
    std::vector<char> inflated_;
    std::size_t pos_ = 0, filled_ = 0;
    bool opened_ = false, open_ = false, failed_ = false;
};

// A whole number as an attribute writes it; one too large for a long is
// kept at the largest, so that a row or style far out of range stays out.
long to_long(std::string_view s, long fallback) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    if (i == s.size()) return fallback;
    long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return fallback;
        if (v < 100000000000000000L) v = v * 10 + (s[i] - '0');
    }
    return negative ? -v : v;
}

// The largest text one cell value or string item may hold, as libxml2 bounds
// a text node by default: past it the part is taken for damaged rather than
// grown without end.
constexpr std::size_t max_text = 10000000;

// An attribute's value as SAX2 hands it over: a start and an end pointer.
std::string_view attr_value(const xmlChar** attributes, int i) {
    const char* start = reinterpret_cast<const char*>(attributes[5 * i + 3]);
    const char* end = reinterpret_cast<const char*>(attributes[5 * i + 4]);
    return std::string_view(start, static_cast<std::size_t>(end - start));
}

// What the SAX2 callbacks of a part reach, through their state's `parser`
// and through the parser context's _private: the parse to end, as done (the
// rest of the part is not wanted) or as failed.
class SaxControl {
public:
    SaxControl() = default;
    SaxControl(const SaxControl&) = delete;
    SaxControl& operator=(const SaxControl&) = delete;

    bool ok() const { return ctxt_ != nullptr; }
    // The parser's own copy of a name: names the callbacks get compare by
    // pointer with it.
    const xmlChar* intern(const char* name) const {
        return xmlDictLookup(ctxt_->dict, reinterpret_cast<const xmlChar*>(name), -1);
    }
    void stop() {
        stopped_ = true;
        xmlStopParser(ctxt_);
    }
    void fail() {
        failed_ = true;
        xmlStopParser(ctxt_);
    }

protected:
    ~SaxControl() {
        if (ctxt_) xmlFreeParserCtxt(ctxt_);
    }
    // Options every part is parsed with: no network, no entity substitution
    // (a DOCTYPE is refused by the handler before any entity could be
    // declared), libxml2's default bounds on names and depth; the parser
    // reports its errors to the handler alone.
    void adopt(xmlParserCtxtPtr ctxt) {
        ctxt_ = ctxt;
        if (!ctxt_) return;
        xmlCtxtUseOptions(ctxt_, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        ctxt_->_private = this;
    }
    // Whether the parse went wrong: a callback failed it, or the parser met
    // an error that no stop came before.
    bool parse_failed() const { return failed_ || (!stopped_ && (ctxt_->errNo != 0 || !ctxt_->wellFormed)); }

    xmlParserCtxtPtr ctxt_ = nullptr;
    bool stopped_ = false;
    bool failed_ = false;
};

// The handler of every part, over the State its callbacks get: a document
// type declaration is refused, and with it every entity but the five
// predefined ones.
template <class State>
xmlSAXHandler handler_for() {
    xmlSAXHandler h{};
    h.initialized = XML_SAX2_MAGIC;
    h.internalSubset = [](void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
        static_cast<State*>(ctx)->parser->fail();
    };
    h.externalSubset = h.internalSubset;
    h.entityDecl = [](void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
        static_cast<State*>(ctx)->parser->fail();
    };
    // The first error ends the parse: the part is damaged whatever follows,
    // and past a fatal error libxml2 still reports text though no elements.
    // The parser is found through the error's own context, which is set from
    // the start, unlike the user data.
    h.serror = [](void*, xmlErrorPtr e) {
        if (!e || e->level < XML_ERR_ERROR || !e->ctxt) return;
        if (auto* p = static_cast<SaxControl*>(static_cast<xmlParserCtxtPtr>(e->ctxt)->_private)) p->fail();
    };
    h.startElementNs = [](void* ctx, const xmlChar* local, const xmlChar*, const xmlChar*, int, const xmlChar**,
                          int nb_attributes, int, const xmlChar** attributes) {
        static_cast<State*>(ctx)->start(local, nb_attributes, attributes);
    };
    h.endElementNs = [](void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
        static_cast<State*>(ctx)->end();
    };
    h.characters = [](void* ctx, const xmlChar* ch, int len) {
        static_cast<State*>(ctx)->text(reinterpret_cast<const char*>(ch), static_cast<std::size_t>(len));
    };
    h.cdataBlock = h.characters;
    return h;
}

// A worksheet or the shared strings, parsed by libxml2's SAX2 parser pulling
// the current zip entry through an EntryInput: the parser asks for the
// bytes as it goes, so a part of any size is read in one call. The
// handler's callbacks get the user data set with set_user().
class SaxParser : public SaxControl {
public:
    SaxParser(const Archive& zip, const std::string& part, const xmlSAXHandler& handler) : input_(zip, part) {
        if (!input_.opened()) return;
        adopt(xmlCreateIOParserCtxt(const_cast<xmlSAXHandler*>(&handler), nullptr, &EntryInput::read_cb, nullptr,
                                    &input_, XML_CHAR_ENCODING_NONE));
    }

    // The state the callbacks get, set before the parse: it interns its
    // names in this parser's dictionary, so it is made after the parser.
    void set_user(void* user) { ctxt_->userData = user; }

    // Parses the part to its end or to a stop; false when the XML is
    // malformed (the first error the parser reports), a callback failed it,
    // or the entry does not inflate or does not match its checksum.
    bool run() {
        xmlParseDocument(ctxt_);
        if (parse_failed() || input_.failed()) return false;
        return input_.finish();
    }

private:
    EntryInput input_;
};

// A small part (relationships, workbook, styles) read node by node, on the
// same SAX2 handler as the sheets: the parser is pushed a piece of the entry
// at a time, and the elements it reports wait in a queue until they are
// asked for. An element whose end comes right after its start is one empty
// node, as the reader interface of libxml2 gives it.
class PartReader : public SaxControl {
public:
    PartReader(const Archive& zip, const std::string& part) : input_(zip, part), nodes_(*this) {
        if (!input_.opened()) return;
        static const xmlSAXHandler handler = handler_for<Nodes>();
        // The first bytes go with the context, which tells their encoding from them.
        const int n = read_piece();
        if (n < 0) return;
        adopt(xmlCreatePushParserCtxt(const_cast<xmlSAXHandler*>(&handler), &nodes_, buffer_.data(), n, nullptr));
        if (n == 0) finish_push();
    }

    // Whether the archive holds the part.
    bool ok() const { return input_.opened(); }
    // Whether the part was sound to its last byte: checked when it has been
    // read to its end.
    bool sound() { return !failed() && input_.finish(); }

    // Next element start or end; false at the end or on malformed XML
    // (sound() tells which).
    bool next() {
        if (!fill()) return false;
        node_ = std::move(nodes_.queue.front());
        nodes_.queue.pop_front();
        if (!node_.end && fill() && nodes_.queue.front().end && nodes_.queue.front().depth == node_.depth) {
            nodes_.queue.pop_front();
            node_.empty = true;
        }
        return !failed();
    }
    bool element() const { return !node_.end; }
    bool empty() const { return node_.empty; }
    bool is(const char* local) const {
        return node_.local && std::strcmp(reinterpret_cast<const char*>(node_.local), local) == 0;
    }
    // An attribute by its local name, whatever its namespace; "" when absent.
    // With `prefixed`, only an attribute in a namespace (r:id) counts.
    std::string attr(const char* local, bool prefixed = false) const {
        for (const Attribute& a : node_.attributes)
            if (std::strcmp(reinterpret_cast<const char*>(a.local), local) == 0 && (!prefixed || a.in_namespace))
                return a.value;
        return {};
    }

private:
    struct Attribute {
        const xmlChar* local; // the parser's dictionary's
        bool in_namespace;
        std::string value;
    };
    struct Node {
        const xmlChar* local = nullptr;
        int depth = 0;
        bool end = false, empty = false;
        std::vector<Attribute> attributes;
    };
    // The handler's state: the nodes the parser has reported and not yet
    // been asked for, and the names of the open elements for their ends.
    struct Nodes {
        explicit Nodes(SaxControl& p) : parser(&p) {}
        SaxControl* parser;
        std::deque<Node> queue;
        std::vector<const xmlChar*> open;

        void start(const xmlChar* local, int nb_attributes, const xmlChar** attributes) {
            open.push_back(local);
            Node n{local, static_cast<int>(open.size()), false, false, {}};
            for (int i = 0; i < nb_attributes; ++i)
                n.attributes.push_back({attributes[5 * i], attributes[5 * i + 2] != nullptr,
                                        std::string(attr_value(attributes, i))});
            queue.push_back(std::move(n));
        }
        void end() {
            if (open.empty()) return; // after a fatal error the parser may report what it never opened
            queue.push_back({open.back(), static_cast<int>(open.size()), true, false, {}});
            open.pop_back();
        }
        void text(const char*, std::size_t) {}
    };

    // The entry does not inflate, the XML is malformed, or the parser could
    // not be made for a part that is there.
    bool failed() const { return input_.failed() || (ctxt_ && parse_failed()) || (!ctxt_ && input_.opened()); }
    // Pushes pieces of the entry until a node waits; false when none is left.
    bool fill() {
        while (nodes_.queue.empty() && ctxt_ && !done_ && !failed()) {
            const int n = read_piece();
            if (n < 0) return false;
            if (n == 0) finish_push();
            else xmlParseChunk(ctxt_, buffer_.data(), n, 0);
        }
        return !nodes_.queue.empty() && !failed();
    }
    int read_piece() {
        if (buffer_.empty()) buffer_.resize(push_piece);
        return EntryInput::read_cb(&input_, buffer_.data(), static_cast<int>(buffer_.size()));
    }
    void finish_push() {
        done_ = true;
        xmlParseChunk(ctxt_, nullptr, 0, 1);
    }

    static constexpr std::size_t push_piece = 16 * 1024;
    EntryInput input_;
    Nodes nodes_;
    std::vector<char> buffer_;
    Node node_;
    bool done_ = false;
};

struct Relationship {
    std::string type, target;
};

std::string folder_of(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// Relationships of a part, by id. A missing rels part is no error: it has
// none; a damaged one is.
bool relationships(const Archive& zip, const std::string& part, std::map<std::string, Relationship>& rels) {
    const std::string folder = folder_of(part);
    const std::string name = part.substr(folder.size());
    rels.clear();
    PartReader r(zip, folder + "_rels/" + name + ".rels");
    if (!r.ok()) return true;
    while (r.next()) {
        if (!r.element() || !r.is("Relationship")) continue;
        if (r.attr("TargetMode") == "External") continue;
        rels[r.attr("Id")] = {r.attr("Type"), resolve_target(part, r.attr("Target"))};
    }
    return r.sound();
}

bool ends_with(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string first_target(const std::map<std::string, Relationship>& rels, const char* type_tail) {
    for (const auto& [id, rel] : rels)
        if (ends_with(rel.type, type_tail)) return rel.target;
    return {};
}


// "AB12" -> column 28; 0 when the reference holds no letters.
std::int32_t column_of(std::string_view ref) {
    std::int32_t col = 0;
    for (char c : ref) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        col = col * 26 + (c - 'A' + 1);
        if (col > max_columns) return max_columns + 1;
    }
    return col;
}

// Most numbers are written as they show: at most 15 digits, the first not
// 0, and a fraction, if any, not ending in 0. One pass over the text tells;
// the general rule below takes several (bench/mailmerge_bench
// BM_SheetReaderOnly).
bool written_as_shown(std::string_view v) {
    if (!v.empty() && v[0] == '-') v.remove_prefix(1);
    if (v.empty() || v.size() > 15 || v[0] < '1' || v[0] > '9') return false;
    bool point = false;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (v[i] == '.' && !point) point = true;
        else if (v[i] < '0' || v[i] > '9') return false;
    }
    return !point || (v.back() != '0' && v.back() != '.');
}

// A number as the file writes it ("13800138000", "5000.50") copied without
// going through a double, which is what most cells are: false when it has an
// exponent or more digits than a double keeps, for number_text to handle.
bool plain_number_text(const std::string& v, std::string& out) {
    if (written_as_shown(v)) {
        out.assign(v);
        return true;
    }
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
    const long long days = day_serial(y, mo, d);
    serial = static_cast<double>(days) + (h * 3600 + mi * 60 + sec) / 86400.0;
    return true;
}

// The value of an escape _xHHHH_ at i; false when none stands there.
bool escape_at(const std::string& s, std::size_t i, unsigned& unit) {
    if (s.size() - i < 7 || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_') return false;
    unit = 0;
    for (std::size_t k = i + 2; k < i + 6; ++k) {
        const char c = s[k];
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        unit = unit * 16 + static_cast<unsigned>(d);
    }
    return true;
}

// Text as office programs write it in a workbook's XML: a character that XML
// cannot carry, or that would be read as a line end, as _xHHHH_ (a carriage
// return is _x000D_), and an underscore that would start such a form as
// _x005F_. Decoded in place from `from` on, in one pass: what an escape gives
// is never longer than it. A surrogate pair is two escapes; half a pair is
// U+FFFD, and NUL, which no cell text holds, is left out.
void unescape(std::string& s, std::size_t from = 0) {
    std::size_t i = s.find("_x", from);
    if (i == std::string::npos) return;
    std::size_t out = i;
    while (i < s.size()) {
        unsigned u;
        if (!escape_at(s, i, u)) {
            s[out++] = s[i++];
            continue;
        }
        i += 7;
        if (u >= 0xD800 && u < 0xDC00) {
            unsigned low;
            if (escape_at(s, i, low) && low >= 0xDC00 && low < 0xE000) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                i += 7;
            } else {
                u = 0xFFFD;
            }
        } else if (u >= 0xDC00 && u < 0xE000) {
            u = 0xFFFD;
        }
        if (u == 0) continue;
        char utf8[4];
        std::size_t n;
        if (u < 0x80) {
            utf8[0] = static_cast<char>(u);
            n = 1;
        } else if (u < 0x800) {
            utf8[0] = static_cast<char>(0xC0 | (u >> 6));
            utf8[1] = static_cast<char>(0x80 | (u & 0x3F));
            n = 2;
        } else if (u < 0x10000) {
            utf8[0] = static_cast<char>(0xE0 | (u >> 12));
            utf8[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            utf8[2] = static_cast<char>(0x80 | (u & 0x3F));
            n = 3;
        } else {
            utf8[0] = static_cast<char>(0xF0 | (u >> 18));
            utf8[1] = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            utf8[2] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            utf8[3] = static_cast<char>(0x80 | (u & 0x3F));
            n = 4;
        }
        s.replace(out, n, utf8, n);
        out += n;
    }
    s.resize(out);
}

// The shared-string items into the workbook's table: each item's text, its
// rich-text runs joined, its phonetic runs left out and its escapes
// decoded. Items wait in UTF-8, each closed by a NUL (which XML text cannot
// hold), until about a mebibyte of them goes to the table in one GBK
// conversion. The table's cap is checked as the text arrives, so a part
// that holds more is given up on as soon as it passes it.
struct StringsState {
    StringsState(SaxParser& p, SharedStrings& table)
        : parser(&p), table(table), si(p.intern("si")), t(p.intern("t")), rPh(p.intern("rPh")) {}
    SaxParser* parser;
    SharedStrings& table;
    const xmlChar *si, *t, *rPh;
    std::string pending;
    std::size_t pending_items = 0, item_start = 0;
    bool too_large = false;
    // Depths of the open item, phonetic run and text element; 0 for none.
    int depth = 0, si_depth = 0, rph_depth = 0, t_depth = 0;

    static constexpr std::size_t flush_size = std::size_t{1} << 20;

    void start(const xmlChar* local, int, const xmlChar**) {
        ++depth;
        if (!si_depth) {
            if (local == si) {
                si_depth = depth;
                item_start = pending.size();
            }
        } else if (!rph_depth && !t_depth) {
            if (local == rPh) rph_depth = depth;
            else if (local == t) t_depth = depth;
        }
    }
    void end() {
        if (depth == 0) return; // after a fatal error the parser may report what it never opened
        if (depth == t_depth) {
            t_depth = 0;
        } else if (depth == rph_depth) {
            rph_depth = 0;
        } else if (depth == si_depth) {
            unescape(pending, item_start);
            pending += '\0';
            ++pending_items;
            si_depth = 0;
            if (pending.size() >= flush_size) flush();
        }
        --depth;
    }
    void text(const char* s, std::size_t n) {
        if (!t_depth || depth != t_depth) return;
        if (pending.size() - item_start + n > max_text) return parser->fail();
        // The text in UTF-8 is never shorter than in GBK.
        if (!table.fits(pending.size() - pending_items + n, pending_items + 1)) {
            too_large = true;
            return parser->fail();
        }
        pending.append(s, n);
    }
    // The waiting items into the table; they fit, as checked on their way.
    void flush() {
        table.add_block(to_gbk(pending));
        pending.clear();
        pending_items = 0;
    }
};

class XlsxWorkbook final : public Workbook {
public:
    XlsxWorkbook(const std::string& path, CellText text) : zip_(path), shown_(text == CellText::shown) {}

    bool load(std::string& error) {
        if (!zip_.ok()) {
            error = reason(Reason::not_workbook);
            return false;
        }
        std::map<std::string, Relationship> rels;
        if (!relationships(zip_, "", rels)) return damaged(error);
        workbook_part_ = first_target(rels, office_rel);
        if (workbook_part_.empty()) workbook_part_ = "xl/workbook.xml";
        if (!relationships(zip_, workbook_part_, rels)) return damaged(error);
        if (!zip_.locate(workbook_part_)) {
            error = reason(Reason::not_workbook);
            return false;
        }
        if (!read_workbook(rels)) return damaged(error);
        const std::string styles = first_target(rels, "/styles");
        if (!styles.empty() && !read_styles(styles)) return damaged(error);
        // A workbook whose strings are named but missing would load with
        // every text cell empty: that is a damaged file, not an empty sheet.
        const std::string strings = first_target(rels, "/sharedStrings");
        if (!strings.empty() && !read_shared_strings(strings, error)) return false;
        return true;
    }

    const std::vector<std::string>& sheet_names() const override { return names_; }
    int active_sheet() const override { return active_; }

    bool read(int sheet, const RowSink& sink, std::string& error) override;

private:
    friend struct SheetState;

    bool damaged(std::string& error) const {
        error = reason(Reason::damaged);
        return false;
    }

    bool read_workbook(const std::map<std::string, Relationship>& rels) {
        PartReader r(zip_, workbook_part_);
        if (!r.ok()) return false;
        bool any = false;
        std::vector<bool> hidden;
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
                std::string name = r.attr("name");
                unescape(name);
                names_.push_back(to_gbk(name));
                const auto it = rels.find(r.attr("id", true));
                parts_.push_back(it == rels.end() ? std::string() : it->second.target);
                const std::string state = r.attr("state");
                hidden.push_back(state == "hidden" || state == "veryHidden");
            }
        }
        if (!r.sound() || !any) return false;
        if (active_ < 0 || static_cast<std::size_t>(active_) >= names_.size()) active_ = 0;
        // A hidden sheet is never the one the user sees: the first visible
        // one stands in for it.
        if (!hidden.empty() && hidden[static_cast<std::size_t>(active_)]) {
            const auto visible = std::find(hidden.begin(), hidden.end(), false);
            if (visible != hidden.end()) active_ = static_cast<int>(visible - hidden.begin());
        }
        return true;
    }

    bool read_styles(const std::string& part) {
        PartReader r(zip_, part);
        if (!r.ok()) return true; // a missing part: numbers show as General
        // Each format the file writes is read once, however many cell
        // styles use it; a style holds its index in formats_.
        std::map<long, std::size_t> own;
        bool in_xfs = false;
        while (r.next()) {
            if (r.element() && r.is("numFmt")) {
                own[to_long(r.attr("numFmtId"), -1)] = formats_.add(format_code_gbk(r.attr("formatCode")));
            } else if (r.is("cellXfs")) {
                in_xfs = r.element() && !r.empty();
            } else if (in_xfs && r.element() && r.is("xf")) {
                const int id = static_cast<int>(to_long(r.attr("numFmtId"), 0));
                const auto it = own.find(id);
                if (it != own.end()) {
                    date_style_.push_back(formats_.at(it->second).is_date());
                    style_formats_.push_back(it->second);
                } else {
                    date_style_.push_back(is_date_format(id, ""));
                    style_formats_.push_back(formats_.add(builtin_format_code(id)));
                }
            }
        }
        return r.sound();
    }

    bool read_shared_strings(const std::string& part, std::string& error) {
        const xmlSAXHandler handler = handler_for<StringsState>();
        SaxParser p(zip_, part, handler);
        if (!p.ok()) return damaged(error);
        StringsState state(p, strings_);
        p.set_user(&state);
        const bool ok = p.run();
        if (state.too_large) {
            error = reason(Reason::too_large);
            return false;
        }
        if (!ok) return damaged(error);
        state.flush();
        return true;
    }

    bool date_style(long s) const {
        return s >= 0 && static_cast<std::size_t>(s) < date_style_.size() && date_style_[s];
    }
    const NumberFormat& format_of(long s) const {
        return formats_.at(s >= 0 && static_cast<std::size_t>(s) < style_formats_.size() ? style_formats_[static_cast<std::size_t>(s)]
                                                                                         : FormatTable::general_index);
    }

    // The text of a finished cell into out, or "" for none.
    void cell_text(std::string_view type, long style, const std::string& v, bool has_v,
                   const std::string& inline_text, std::string& out) const {
        out.clear();
        if (type == "inlineStr") {
            out = to_gbk(inline_text);
            if (shown_) out = format_of(style).text(out);
            return;
        }
        if (!has_v) return;
        if (type == "s") {
            const long i = to_long(v, -1);
            if (i < 0 || static_cast<std::size_t>(i) >= strings_.size()) return;
            const std::string_view text = strings_[static_cast<std::size_t>(i)];
            if (!shown_ || format_of(style).general()) out = text;
            else out = format_of(style).text(text);
            return;
        }
        if (type == "str" || type == "e") {
            out = to_gbk(v);
            if (shown_ && type == "str") out = format_of(style).text(out);
            return;
        }
        if (type == "b") {
            out = v == "1" || v == "true" ? "TRUE" : "FALSE";
            return;
        }
        if (type == "d") {
            double serial = 0;
            if (!iso_serial(v, serial)) out = to_gbk(v);
            else if (shown_ && !format_of(style).general()) out = format_of(style).number(serial, false);
            else out = date_text(serial, false);
            return;
        }
        if (shown_) {
            // What the cell shows: its format applied, General for none.
            const NumberFormat& format = format_of(style);
            if (format.general() && plain_number_text(v, out)) return;
            char* end = nullptr;
            const double d = std::strtod(v.c_str(), &end);
            out = end == v.c_str() ? to_gbk(v) : format.number(d, date1904_);
            return;
        }
        const bool date = date_style(style);
        if (!date && plain_number_text(v, out)) return;
        char* end = nullptr;
        const double d = std::strtod(v.c_str(), &end);
        if (end == v.c_str()) out = to_gbk(v);
        else out = date ? date_text(d, date1904_) : number_text(d);
    }

    Archive zip_;
    bool shown_ = false;
    std::string workbook_part_;
    std::vector<std::string> names_;
    std::vector<std::string> parts_;
    SharedStrings strings_;
    std::vector<bool> date_style_;
    FormatTable formats_;
    std::vector<std::size_t> style_formats_; // of each cell style, its format in formats_
    bool date1904_ = false;
    bool have_view_ = false;
    int active_ = 0;
};

// Streams the rows of the first sheetData, each row handed to the sink when
// its end tag has been read; nothing but the row being read is kept.
struct SheetState {
    SheetState(SaxParser& p, const XlsxWorkbook& book, const RowSink& sink)
        : parser(&p), book(book), sink(sink), sheetData(p.intern("sheetData")), row(p.intern("row")),
          c(p.intern("c")), v(p.intern("v")), t(p.intern("t")), r(p.intern("r")), s(p.intern("s")),
          rPh(p.intern("rPh")) {}
    SaxParser* parser;
    const XlsxWorkbook& book;
    const RowSink& sink;
    const xmlChar *sheetData, *row, *c, *v, *t, *r, *s, *rPh;
    // Depths of the open sheetData, row, cell, phonetic run and value or
    // text element; 0 for none.
    int depth = 0, data_depth = 0, row_depth = 0, cell_depth = 0, rph_depth = 0, capture_depth = 0;
    bool data_seen = false;
    bool sink_stopped = false;
    std::string* capture = nullptr;
    std::int32_t row_number = 0, column = 0;
    long style = -1;
    bool has_v = false;
    std::vector<Cell> cells;
    // Reused from cell to cell, so that a cell costs no allocation of its own.
    std::string type, value, inline_text;

    void start(const xmlChar* local, int nb_attributes, const xmlChar** attributes) {
        ++depth;
        if (!data_depth) {
            if (!data_seen && local == sheetData) {
                data_depth = depth;
                data_seen = true;
            }
        } else if (!row_depth) {
            if (local == row) begin_row(nb_attributes, attributes);
        } else if (!cell_depth) {
            if (depth == row_depth + 1 && local == c) begin_cell(nb_attributes, attributes);
        } else if (!rph_depth && !capture_depth) {
            if (local == v) {
                has_v = true;
                capture = &value;
                capture_depth = depth;
            } else if (local == t) {
                capture = &inline_text;
                capture_depth = depth;
            } else if (local == rPh) {
                rph_depth = depth;
            }
        }
    }

    void end() {
        if (depth == 0) return; // after a fatal error the parser may report what it never opened
        if (depth == capture_depth) {
            capture_depth = 0;
        } else if (depth == rph_depth) {
            rph_depth = 0;
        } else if (depth == cell_depth) {
            end_cell();
            cell_depth = 0;
        } else if (depth == row_depth) {
            row_depth = 0;
            if (row_number >= 1 && row_number <= max_rows && !cells.empty() && !sink(row_number, cells)) {
                sink_stopped = true;
                parser->stop();
            }
        } else if (depth == data_depth) {
            data_depth = 0;
            parser->stop(); // what follows the rows is not wanted
        }
        --depth;
    }

    void text(const char* ch, std::size_t n) {
        if (!capture_depth || depth != capture_depth) return;
        if (capture->size() + n > max_text) return parser->fail();
        capture->append(ch, n);
    }

    // The row's number: its r attribute, else the one after the last.
    void begin_row(int nb_attributes, const xmlChar** attributes) {
        row_depth = depth;
        long rr = row_number + 1;
        for (int i = 0; i < nb_attributes; ++i)
            if (attributes[5 * i] == r) rr = to_long(attr_value(attributes, i), row_number + 1);
        row_number = rr < 1 ? 0 : rr > max_rows ? max_rows + 1 : static_cast<std::int32_t>(rr);
        cells.clear();
        column = 0;
    }

    void begin_cell(int nb_attributes, const xmlChar** attributes) {
        cell_depth = depth;
        std::int32_t next = column + 1;
        type.clear();
        style = -1;
        for (int i = 0; i < nb_attributes; ++i) {
            const xmlChar* name = attributes[5 * i];
            if (name == r) {
                const std::string_view ref = attr_value(attributes, i);
                if (!ref.empty()) next = column_of(ref);
            } else if (name == t) {
                type.assign(attr_value(attributes, i));
            } else if (name == s) {
                style = to_long(attr_value(attributes, i), -1);
            }
        }
        column = next;
        value.clear();
        inline_text.clear();
        has_v = false;
    }

    // A cell with a text joins the row in column order; one whose column is
    // not past the one before it is passed over.
    void end_cell() {
        if (column < 1 || column > max_columns) return;
        if (!cells.empty() && cells.back().column >= column) return; // out of order: keep the first
        if (!inline_text.empty()) unescape(inline_text);
        // The text is made in its place in the row, not copied there.
        cells.push_back({column, {}});
        book.cell_text(type, style, value, has_v, inline_text, cells.back().text);
        if (cells.back().text.empty()) cells.pop_back();
    }
};

bool XlsxWorkbook::read(int sheet, const RowSink& sink, std::string& error) {
    if (sheet < 0 || static_cast<std::size_t>(sheet) >= parts_.size() || parts_[sheet].empty()) {
        error = reason(Reason::no_sheet);
        return false;
    }
    const xmlSAXHandler handler = handler_for<SheetState>();
    SaxParser p(zip_, parts_[sheet], handler);
    if (!p.ok()) return damaged(error);
    SheetState state(p, *this, sink);
    p.set_user(&state);
    const bool ok = p.run();
    if (state.sink_stopped) return true;
    if (!ok) return damaged(error);
    return true;
}

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

std::unique_ptr<Workbook> open_xlsx(const std::string& native_path, std::string& error, CellText text) {
    auto book = std::make_unique<XlsxWorkbook>(native_path, text);
    if (!book->load(error)) return nullptr;
    return book;
}

} // namespace rt::sheet
