#include "runtime/dwsyntax.h"

#include "runtime/gbk.h"
#include "runtime/strings.h"

#include <cctype>
#include <unordered_map>

namespace rt {

namespace {

// One attribute: key=value, where the value is a text or a nested list.
struct Attr {
    std::string key;   // lower case
    std::string text;
    std::vector<Attr> children;
};

struct Item {
    std::string name;  // lower case
    std::vector<Attr> attrs;
};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}

    bool items(std::vector<Item>& out, std::string& err) {
        for (skip(); i_ < s_.size(); skip()) {
            const std::string word = bare_word();
            if (word.empty()) return fail(err, "unexpected character");
            skip();
            if (i_ < s_.size() && s_[i_] == '(') {
                ++i_;
                Item item{Lower(word), {}};
                if (!attrs(item.attrs, err)) return false;
                out.push_back(std::move(item));
            } else {
                while (i_ < s_.size() && s_[i_] != ';' && s_[i_] != '\n') ++i_; // "release 1;"
                if (i_ < s_.size()) ++i_;
            }
        }
        return true;
    }

    // key=value ... up to the closing ")"
    bool attrs(std::vector<Attr>& out, std::string& err) {
        for (;;) {
            skip();
            if (i_ >= s_.size()) return fail(err, "missing )");
            if (s_[i_] == ')') { ++i_; return true; }
            const std::size_t k = i_;
            while (i_ < s_.size() && s_[i_] != '=' && s_[i_] != ')' && !is_space(s_[i_])) ++i_;
            Attr a{Lower(s_.substr(k, i_ - k)), {}, {}};
            if (a.key.empty()) return fail(err, "missing attribute name");
            skip();
            if (i_ >= s_.size() || s_[i_] != '=') return fail(err, "missing = after " + a.key);
            ++i_;
            skip();
            if (i_ < s_.size() && s_[i_] == '(') {
                ++i_;
                if (!attrs(a.children, err)) return false;
            } else if (i_ < s_.size() && (s_[i_] == '"' || s_[i_] == '\'')) {
                if (!quoted_text(a.text, err)) return false;
            } else {
                a.text = value_word();
            }
            out.push_back(std::move(a));
        }
    }

    bool quoted_text(std::string& out, std::string& err) {
        const char q = s_[i_++];
        while (i_ < s_.size() && s_[i_] != q) {
            char c = s_[i_++];
            if (c == '~' && i_ < s_.size()) {
                c = s_[i_++];
                if (c == 't') c = '\t';
                else if (c == 'r') c = '\r';
                else if (c == 'n') c = '\n';
            }
            out += c;
        }
        if (i_ >= s_.size()) return fail(err, "unclosed text");
        ++i_;
        return true;
    }

    std::size_t pos() const { return i_; }

private:
    void skip() {
        while (i_ < s_.size() && is_space(s_[i_])) ++i_;
    }
    std::string bare_word() {
        const std::size_t k = i_;
        while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_' || s_[i_] == '.'))
            ++i_;
        return s_.substr(k, i_ - k);
    }
    // A bare value, with parentheses attached to it: char(255).
    std::string value_word() {
        const std::size_t k = i_;
        int depth = 0;
        while (i_ < s_.size()) {
            const char c = s_[i_];
            if (c == '(') ++depth;
            else if (c == ')') {
                if (depth == 0) break;
                --depth;
            } else if (is_space(c) && depth == 0) break;
            ++i_;
        }
        return s_.substr(k, i_ - k);
    }
    bool fail(std::string& err, const std::string& why) const {
        err = "DataWindow syntax, byte " + std::to_string(i_ + 1) + ": " + why;
        return false;
    }

    const std::string& s_;
    std::size_t i_ = 0;
};

const Attr* find(const std::vector<Attr>& attrs, const std::string& key) {
    for (const Attr& a : attrs)
        if (a.key == key) return &a;
    return nullptr;
}

std::string text_of(const std::vector<Attr>& attrs, const std::string& key) {
    const Attr* a = find(attrs, key);
    return a ? a->text : std::string();
}

bool coltype_of(const std::string& text, ColType& type, int& length) {
    const std::string t = Lower(text);
    const std::size_t open = t.find('(');
    const std::string base = t.substr(0, open);
    length = open == std::string::npos ? 0 : Long(t.substr(open + 1));
    static const std::pair<const char*, ColType> names[] = {
        {"char", ColType::Char},         {"number", ColType::Number}, {"long", ColType::Long},
        {"ulong", ColType::ULong},       {"int", ColType::Int},       {"decimal", ColType::Decimal},
        {"real", ColType::Real},         {"double", ColType::Double}, {"date", ColType::Date},
        {"datetime", ColType::DateTime}, {"time", ColType::Time},
    };
    for (const auto& [name, ct] : names)
        if (base == name) {
            type = ct;
            return true;
        }
    return false;
}

Style style_of(const std::vector<Item>& items, Style fallback) {
    for (const Item& it : items) {
        if (it.name == "style") {
            const std::string type = Lower(text_of(it.attrs, "type"));
            if (type == "grid") return Style::Grid;
            if (type == "form" || type == "freeform") return Style::FreeForm;
        }
        if (it.name == "datawindow" && find(it.attrs, "processing"))
            fallback = text_of(it.attrs, "processing") == "1" ? Style::Grid : Style::FreeForm;
    }
    return fallback;
}

} // namespace

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "~\""; break;
        case '~': out += "~~"; break;
        case '\t': out += "~t"; break;
        case '\r': out += "~r"; break;
        case '\n': out += "~n"; break;
        default: out += c;
        }
    }
    return out + "\"";
}

bool parse_dw_syntax(const std::string& syntax, DataObject& object, std::string& err) {
    std::vector<Item> items;
    Parser p(syntax);
    if (!p.items(items, err)) return false;
    DataObject o;
    bool has_table = false;
    for (const Item& it : items) {
        if (it.name == "table") {
            has_table = true;
            for (const Attr& a : it.attrs) {
                if (a.key == "retrieve") o.retrieve = a.text;
                if (a.key != "column") continue;
                ColumnDef c;
                c.name = text_of(a.children, "name");
                c.dbname = text_of(a.children, "dbname");
                if (c.name.empty() || !coltype_of(text_of(a.children, "type"), c.type, c.length)) {
                    err = "DataWindow syntax: column " + std::to_string(o.columns.size() + 1) +
                          " needs a name and a known type";
                    return false;
                }
                o.columns.push_back(std::move(c));
            }
        }
    }
    if (!has_table) {
        err = "DataWindow syntax: no table";
        return false;
    }
    // A column's header is the text named after it; looked up by name, as a
    // worksheet reaching column XFD brings 16384 of each.
    std::unordered_multimap<std::string, std::size_t> header_of;
    header_of.reserve(o.columns.size());
    for (std::size_t i = 0; i < o.columns.size(); ++i) header_of.emplace(Lower(o.columns[i].name + "_t"), i);
    for (const Item& it : items) {
        if (it.name != "text") continue;
        const std::string name = text_of(it.attrs, "name");
        const std::string text = text_of(it.attrs, "text");
        const auto [first, last] = header_of.equal_range(Lower(name));
        for (auto h = first; h != last; ++h) o.columns[h->second].header = text;
        if (first == last) o.texts.push_back({name, text, {}, 0, {}});
    }
    o.style = style_of(items, Style::Grid);
    object = std::move(o);
    return true;
}

std::string dw_syntax(const std::vector<ResultColumn>& columns, const std::string& retrieve,
                      const std::string& presentation) {
    const std::vector<std::string> names = column_names(columns);
    std::string s = "release 1;\ndatawindow(processing=1)\ntable(";
    for (std::size_t i = 0; i < columns.size(); ++i)
        s += "column=(type=" + coltype_text(columns[i].type, columns[i].length) + " name=" + names[i] +
             " dbname=" + quoted(columns[i].name) + ")\n ";
    s += "retrieve=" + quoted(retrieve) + ")\n";
    for (std::size_t i = 0; i < columns.size(); ++i)
        s += "text(name=" + names[i] + "_t text=" + quoted(columns[i].name) + ")\n";
    return s + presentation + "\n";
}

// ---- Describe ---------------------------------------------------------------

namespace {

const ColumnDef* column_named(const DataObject& o, const std::string& lower_name, int& number) {
    if (!lower_name.empty() && lower_name[0] == '#') {
        const std::string digits = lower_name.substr(1);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return nullptr;
        number = Long(digits);
        if (number < 1 || number > static_cast<int>(o.columns.size())) return nullptr;
        return &o.columns[static_cast<std::size_t>(number - 1)];
    }
    for (std::size_t i = 0; i < o.columns.size(); ++i)
        if (Lower(o.columns[i].name) == lower_name) {
            number = static_cast<int>(i) + 1;
            return &o.columns[i];
        }
    return nullptr;
}

std::string describe_one(const DataObject& o, const std::string& property) {
    const std::string p = Lower(property);
    if (p == "datawindow.column.count") return std::to_string(o.columns.size());
    if (p == "datawindow.processing") return o.style == Style::Grid ? "1" : "0";
    if (p == "datawindow.table.select") return o.retrieve.empty() ? "!" : o.retrieve;
    const std::size_t dot = p.rfind('.');
    if (dot == std::string::npos) return "!";
    const std::string obj = p.substr(0, dot);
    const std::string attr = p.substr(dot + 1);
    int number = 0;
    if (const ColumnDef* c = column_named(o, obj, number)) {
        if (attr == "coltype") return coltype_text(c->type, c->length);
        if (attr == "name") return c->name;
        if (attr == "dbname") return c->dbname.empty() ? c->name : c->dbname;
        if (attr == "id") return std::to_string(number);
        if (attr == "visible") return c->visible ? "1" : "0";
        if (attr == "type") return "column";
        return "!";
    }
    for (const ColumnDef& c : o.columns)
        if (Lower(c.name) + "_t" == obj) {
            if (attr == "text") return c.header;
            if (attr == "type") return "text";
            return "!";
        }
    for (const TextDef& t : o.texts)
        if (Lower(t.name) == obj) {
            if (attr == "text") return t.text;
            if (attr == "type") return "text";
            return "!";
        }
    for (const ComputeDef& c : o.computes)
        if (Lower(c.name) == obj) {
            if (attr == "expression") return c.expression;
            if (attr == "type") return "compute";
            return "!";
        }
    return "!";
}

} // namespace

std::string describe_properties(const DataObject& object, const std::string& properties) {
    std::string out;
    bool first = true;
    std::size_t i = 0;
    while (i < properties.size()) {
        while (i < properties.size() && is_space(properties[i])) ++i;
        const std::size_t k = i;
        while (i < properties.size() && !is_space(properties[i])) ++i;
        if (i == k) break;
        if (!first) out += '\n';
        out += describe_one(object, properties.substr(k, i - k));
        first = false;
    }
    return first ? "!" : out;
}

// ---- Modify -------------------------------------------------------------------

namespace {

std::string* text_target(DataObject& o, const std::string& lower_obj) {
    for (ColumnDef& c : o.columns)
        if (Lower(c.name) + "_t" == lower_obj) return &c.header;
    for (TextDef& t : o.texts)
        if (Lower(t.name) == lower_obj) return &t.text;
    return nullptr;
}

} // namespace

std::string modify_texts(DataObject& object, const std::string& modification) {
    const std::string& s = modification;
    std::size_t i = 0;
    bool any = false;
    for (;;) {
        while (i < s.size() && is_space(s[i])) ++i;
        if (i >= s.size()) break;
        const std::size_t k = i;
        while (i < s.size() && s[i] != '=' && !is_space(s[i])) ++i;
        const std::string target = s.substr(k, i - k);
        const std::string lower = Lower(target);
        if (lower == "create" || lower == "destroy")
            return "Modify: \"" + target + "\" is not supported; only the Text of text objects can be changed";
        if (i >= s.size() || s[i] != '=') return "Modify: missing = after \"" + target + "\"";
        ++i;
        std::string value;
        if (i < s.size() && (s[i] == '\'' || s[i] == '"')) {
            const char q = s[i++];
            while (i < s.size() && s[i] != q) {
                // A double-byte character stays whole: its second byte may be a "~".
                const std::size_t len = char_len_at(s, i);
                if (len == 1 && s[i] == '~' && i + 1 < s.size()) ++i;
                value.append(s, i, len);
                i += len;
            }
            if (i >= s.size()) return "Modify: unclosed text after \"" + target + "\"";
            ++i;
        } else {
            while (i < s.size() && !is_space(s[i])) value += s[i++];
        }
        const std::size_t dot = lower.rfind('.');
        if (dot == std::string::npos || lower.substr(dot + 1) != "text")
            return "Modify: \"" + target + "\" cannot be changed; only the Text of text objects can";
        std::string* text = text_target(object, lower.substr(0, dot));
        if (!text) return "Modify: there is no text object \"" + target.substr(0, dot) + "\"";
        *text = value;
        any = true;
    }
    return any ? std::string() : "Modify: nothing to change";
}

} // namespace rt
