#include "mailmerge/merge_template.h"

#include "foundation/n_cst_string.h"
#include "runtime/gbk.h"
#include "runtime/strings.h"

#include <algorithm>
#include <utility>

namespace {

bool is_bracket(char c) { return c == '[' || c == ']'; }

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "[" + at most one single-byte key + "]": such placeholders can neither
// overlap nor hide inside one another, and a new one can only appear where
// a "[" of the template stands at most one byte before a replaced cell.
bool simple_placeholder(std::string_view p) {
    if (p.size() < 2 || p.size() > 3 || p.front() != '[' || p.back() != ']') return false;
    return p.size() == 2 || (!is_bracket(p[1]) && static_cast<unsigned char>(p[1]) < 0x80);
}

// A placeholder (simple, so its key is one plain byte) at byte i, without regard to case.
bool placeholder_at(std::string_view text, std::size_t i, std::string_view p) {
    if (text.size() - i < p.size() || text[i] != '[' || text[i + p.size() - 1] != ']') return false;
    return p.size() == 2 || fold(text[i + 1]) == fold(p[1]);
}

// A cell that cannot change what later searches find: no bracket byte at
// all, and its last byte does not start a character that the text after it
// would complete.
bool inert_cell(std::string_view s) {
    for (char c : s)
        if (is_bracket(c)) return false;
    if (s.empty() || !rt::is_lead_byte(static_cast<unsigned char>(s.back()))) return true;
    std::size_t i = 0;
    while (i + 1 < s.size()) i += rt::char_len_at(s, i);
    return i == s.size(); // i == size - 1: the text ends on a lone lead byte
}

} // namespace

merge_template::merge_template(std::string text, const std::vector<std::string>& placeholders)
    : text_(std::move(text)) {
    const std::string_view t = text_;
    std::vector<std::pair<std::size_t, int>> found; // byte position, column
    std::vector<std::string> folded;
    for (std::size_t j = 1; j < placeholders.size(); ++j) {
        const std::string& p = placeholders[j];
        if (!simple_placeholder(p)) return;
        std::string f = rt::Lower(p);
        if (std::find(folded.begin(), folded.end(), f) != folded.end()) return; // one column would hide another
        folded.push_back(std::move(f));
        if (rt::Pos(t, p) == 0) continue; // not as written: the column replaces nothing
        used_.push_back(static_cast<int>(j));
        for (std::size_t i = 0; i < t.size(); i += rt::char_len_at(t, i))
            if (placeholder_at(t, i, p)) found.emplace_back(i, static_cast<int>(j));
    }
    std::sort(found.begin(), found.end());
    std::size_t literal = 0;
    for (const auto& [at, column] : found) {
        if ((at >= 1 && t[at - 1] == '[') || (at >= 2 && t[at - 2] == '[')) {
            pieces_.clear();
            used_.clear();
            return;
        }
        pieces_.push_back({literal, at - literal, column});
        literal = at + placeholders[static_cast<std::size_t>(column)].size();
    }
    pieces_.push_back({literal, t.size() - literal, 0});
    usable_ = true;
}

bool merge_template::build(const std::vector<std::string_view>& cells, std::string& out) const {
    if (!usable_) return false;
    std::size_t size = text_.size();
    for (int j : used_) {
        const std::string_view cell = cells[static_cast<std::size_t>(j)];
        if (!inert_cell(cell)) return false;
        size += cell.size();
    }
    out.reserve(out.size() + size);
    for (const Piece& p : pieces_) {
        out.append(text_, p.begin, p.length);
        if (p.column != 0) out.append(cells[static_cast<std::size_t>(p.column)]);
    }
    return true;
}

std::string merge_template::replace_column_by_column(const std::string& text,
                                                     const std::vector<std::string>& placeholders,
                                                     const std::vector<std::string_view>& cells) {
    n_cst_string lnv_string;
    std::string ls_msg = text;
    for (std::size_t j = 1; j < placeholders.size(); ++j) {
        // The byte search rules most columns out cheaply; Pos then makes
        // sure the bracket is not the second byte of a character.
        const std::string& placeholder = placeholders[j];
        if (ls_msg.find(placeholder) == std::string::npos || rt::Pos(ls_msg, placeholder) == 0) continue;
        ls_msg = lnv_string.of_globalreplace(ls_msg, placeholder, std::string(cells[j])).value_or(ls_msg);
    }
    return ls_msg;
}
