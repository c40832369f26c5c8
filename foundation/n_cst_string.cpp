#include "foundation/n_cst_string.h"

#include "runtime/strings.h"

#include <algorithm>

namespace {

using rt::nbool;
using rt::nlong;
using rt::nstring;

bool any_null() { return false; }
template <class First, class... Rest>
bool any_null(const First& first, const Rest&... rest) {
    return !first.has_value() || any_null(rest...);
}

// Element n (from 1) of an array, lengthening it as the runtime does.
template <class T>
void set_element(std::vector<T>& array, std::int32_t n, const std::string& value) {
    if (array.size() < static_cast<std::size_t>(n)) array.resize(static_cast<std::size_t>(n));
    array[static_cast<std::size_t>(n) - 1] = value;
}

template <class T>
nlong parse_to_array(const nstring& as_source, const nstring& as_delimiter, std::vector<T>& as_array) {
    if (any_null(as_source, as_delimiter)) return rt::null;
    const std::string& source = *as_source;
    if (rt::Trim(source).empty()) return 0;
    // An empty delimiter is found nowhere: the text is one element.
    std::string upper_source = rt::Upper(source), upper_delimiter = rt::Upper(*as_delimiter);
    rt::PosScanner scan(upper_source, upper_delimiter);
    std::int32_t ll_dellen = rt::Len(*as_delimiter);
    std::int32_t p = scan.next(1);
    if (p == 0) {
        set_element(as_array, 1, source);
        return 1;
    }
    std::int32_t ll_count = 0, ll_start = 1;
    for (; p > 0; p = scan.next(ll_start)) {
        set_element(as_array, ++ll_count, rt::Mid(source, ll_start, p - ll_start));
        ll_start = p + ll_dellen;
    }
    if (ll_start <= rt::Len(source)) set_element(as_array, ++ll_count, rt::Mid(source, ll_start));
    return ll_count;
}

// Joins texts (null for a null element); the long forms hand their decimal
// texts in.
std::int32_t join(const std::vector<nstring>& elements, const nstring& as_delimiter, const nbool& ab_processempty,
                  nstring& as_ref_string) {
    if (!as_delimiter || elements.empty()) return -1;
    std::string joined;
    bool process_empty = ab_processempty.value_or(true);
    bool first = true;
    for (const nstring& e : elements) {
        if (!process_empty && rt::or_empty(e).empty()) continue;
        if (!first) joined += *as_delimiter;
        joined += rt::or_empty(e);
        first = false;
    }
    as_ref_string = std::move(joined);
    return 1;
}

template <class T>
std::vector<nstring> texts_of(const std::vector<T>& elements) {
    std::vector<nstring> texts;
    texts.reserve(elements.size());
    for (const T& e : elements) {
        if constexpr (std::is_same_v<T, rt::nlong>)
            texts.push_back(e ? nstring(rt::String(*e)) : rt::null);
        else if constexpr (std::is_same_v<T, std::int32_t>)
            texts.push_back(rt::String(e));
        else
            texts.push_back(e);
    }
    return texts;
}

std::int32_t join_into(const std::vector<nstring>& texts, const nstring& as_delimiter, const nbool& ab_processempty,
                       std::string& as_ref_string) {
    nstring joined;
    std::int32_t rc = join(texts, as_delimiter, ab_processempty, joined);
    if (rc == 1) as_ref_string = *joined;
    return rc;
}

// The class tests: every byte of a non-empty text in the class.
template <class InClass>
nbool all_bytes(const nstring& as_source, InClass in_class) {
    if (!as_source) return rt::null;
    if (as_source->empty()) return false;
    return std::all_of(as_source->begin(), as_source->end(),
                       [&](char c) { return in_class(static_cast<unsigned char>(c)); });
}

bool is_whitespace(unsigned char c) { return (c >= 8 && c <= 13) || c == 32; }
bool is_alpha(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_printable(unsigned char c) { return c >= 32 && c <= 126; }
bool is_visible(unsigned char c) { return c >= 33 && c <= 126; } // printable, not a space

// The bytes a trim removes at an end: those outside 33-126 when both
// flags are set, outside 32-126 with only ab_remove_nonprint.
bool trimmed_away(unsigned char c, bool spaces) { return spaces ? !is_visible(c) : !is_printable(c); }

// The offset of the first byte at or after `at` that is no space (LeftTrim's
// rule); the text's length when there is none.
std::size_t skip_blanks(const std::string& s, std::size_t at) {
    const std::size_t i = at < s.size() ? s.find_first_not_of(' ', at) : std::string::npos;
    return i == std::string::npos ? s.size() : i;
}

} // namespace

rt::nlong n_cst_string::of_parsetoarray(const rt::nstring& as_source, const rt::nstring& as_delimiter,
                                        std::vector<rt::nstring>& as_array) const {
    return parse_to_array(as_source, as_delimiter, as_array);
}

rt::nlong n_cst_string::of_parsetoarray(const rt::nstring& as_source, const rt::nstring& as_delimiter,
                                        std::vector<std::string>& as_array) const {
    return parse_to_array(as_source, as_delimiter, as_array);
}

rt::nstring n_cst_string::of_gettoken(rt::nstring& as_source, const rt::nstring& as_separator) const {
    if (any_null(as_source, as_separator)) return rt::null;
    std::string source = *as_source;
    std::int32_t p = rt::Pos(source, *as_separator);
    if (p == 0) {
        as_source = "";
        return source;
    }
    as_source = rt::Right(source, rt::Len(source) - p - rt::Len(*as_separator) + 1);
    return rt::Left(source, p - 1);
}

rt::nstring n_cst_string::of_padleft(const rt::nstring& as_source, const rt::nlong& al_length) const {
    if (any_null(as_source, al_length)) return rt::null;
    if (rt::Len(*as_source) >= *al_length) return as_source;
    return rt::Space(*al_length - rt::Len(*as_source)) + *as_source;
}

rt::nstring n_cst_string::of_padright(const rt::nstring& as_source, const rt::nlong& al_length) const {
    if (any_null(as_source, al_length)) return rt::null;
    if (rt::Len(*as_source) >= *al_length) return as_source;
    return *as_source + rt::Space(*al_length - rt::Len(*as_source));
}

rt::nbool n_cst_string::of_islower(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    return *as_source == rt::Lower(*as_source);
}

rt::nbool n_cst_string::of_isupper(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    return *as_source == rt::Upper(*as_source);
}

rt::nbool n_cst_string::of_iswhitespace(const rt::nstring& as_source) const {
    return all_bytes(as_source, is_whitespace);
}

rt::nbool n_cst_string::of_isalpha(const rt::nstring& as_source) const { return all_bytes(as_source, is_alpha); }

rt::nbool n_cst_string::of_isalphanum(const rt::nstring& as_source) const {
    return all_bytes(as_source, [](unsigned char c) { return is_alpha(c) || is_digit(c); });
}

rt::nstring n_cst_string::of_quote(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    return "\"" + *as_source + "\"";
}

rt::nbool n_cst_string::of_isspace(const rt::nstring& as_source) const {
    return all_bytes(as_source, [](unsigned char c) { return c == ' '; });
}

rt::nbool n_cst_string::of_ispunctuation(const rt::nstring& as_source) const {
    return all_bytes(as_source, [](unsigned char c) {
        return c == '!' || c == '"' || c == '\'' || c == ',' || c == '.' || c == ':' || c == ';' || c == '?';
    });
}

rt::nlong n_cst_string::of_lastpos(const rt::nstring& as_source, const rt::nstring& as_target,
                                   const rt::nlong& al_start) const {
    if (any_null(as_source, as_target, al_start)) return rt::null;
    if (as_source->empty() || *al_start < 0) return 0;
    return rt::LastPos(*as_source, *as_target, *al_start);
}

rt::nlong n_cst_string::of_lastpos(const rt::nstring& as_source, const rt::nstring& as_target) const {
    if (any_null(as_source, as_target)) return rt::null;
    return of_lastpos(as_source, as_target, rt::nlong(rt::Len(*as_source)));
}

rt::nstring n_cst_string::of_globalreplace(const rt::nstring& as_source, const rt::nstring& as_old,
                                           const rt::nstring& as_new, const rt::nbool& ab_ignorecase) const {
    if (any_null(as_source, as_old, as_new, ab_ignorecase)) return rt::null;
    const std::string& source = *as_source;
    if (as_old->empty()) return source;
    // One pass over the source: the search resumes after each inserted text,
    // so the inserted texts are never searched and the text around them is
    // the source's own. The search text is folded once, not after every
    // replacement; folding keeps every byte position.
    std::string folded_source, folded_old;
    if (*ab_ignorecase) {
        folded_source = rt::Lower(source);
        folded_old = rt::Lower(*as_old);
    }
    std::string_view search = *ab_ignorecase ? std::string_view(folded_source) : std::string_view(source);
    std::string_view old = *ab_ignorecase ? std::string_view(folded_old) : std::string_view(*as_old);
    rt::PosScanner scan(search, old);
    std::int32_t ll_oldlen = rt::Len(old);
    std::string out;
    std::int32_t copied = 1; // first byte of the source not yet in out
    for (std::int32_t p = scan.next(1); p > 0; p = scan.next(copied)) {
        out.append(source, static_cast<std::size_t>(copied - 1), static_cast<std::size_t>(p - copied));
        out += *as_new;
        copied = p + ll_oldlen;
    }
    if (copied == 1) return source;
    if (copied <= rt::Len(source)) out.append(source, static_cast<std::size_t>(copied - 1), std::string::npos);
    return out;
}

rt::nstring n_cst_string::of_globalreplace(const rt::nstring& as_source, const rt::nstring& as_old,
                                           const rt::nstring& as_new) const {
    if (any_null(as_source, as_old, as_new)) return rt::null;
    return of_globalreplace(as_source, as_old, as_new, rt::nbool(true));
}

rt::nlong n_cst_string::of_countoccurrences(const rt::nstring& as_source, const rt::nstring& as_target,
                                            const rt::nbool& ab_ignorecase) const {
    if (any_null(as_source, as_target, ab_ignorecase)) return rt::null;
    if (as_target->empty()) return 0;
    std::string source = *ab_ignorecase ? rt::Lower(*as_source) : *as_source;
    std::string target = *ab_ignorecase ? rt::Lower(*as_target) : *as_target;
    rt::PosScanner scan(source, target);
    std::int32_t ll_count = 0, ll_len = rt::Len(target);
    for (std::int32_t p = scan.next(1); p > 0; p = scan.next(p + ll_len)) ++ll_count;
    return ll_count;
}

rt::nstring n_cst_string::of_righttrim(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    return of_righttrim(as_source, rt::nbool(true), rt::nbool(false));
}

rt::nstring n_cst_string::of_lefttrim(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    return of_lefttrim(as_source, rt::nbool(true), rt::nbool(false));
}

rt::nstring n_cst_string::of_lefttrim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces) const {
    if (any_null(as_source, ab_remove_spaces)) return rt::null;
    return of_lefttrim(as_source, ab_remove_spaces, rt::nbool(false));
}

rt::nstring n_cst_string::of_lefttrim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces,
                                      const rt::nbool& ab_remove_nonprint) const {
    if (any_null(as_source, ab_remove_spaces, ab_remove_nonprint)) return rt::null;
    const std::string& s = *as_source;
    if (!*ab_remove_nonprint) return *ab_remove_spaces ? rt::LeftTrim(s) : s;
    std::size_t i = 0;
    while (i < s.size() && trimmed_away(static_cast<unsigned char>(s[i]), *ab_remove_spaces)) ++i;
    return s.substr(i);
}

rt::nstring n_cst_string::of_righttrim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces) const {
    if (any_null(as_source, ab_remove_spaces)) return rt::null;
    return of_righttrim(as_source, ab_remove_spaces, rt::nbool(false));
}

rt::nstring n_cst_string::of_righttrim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces,
                                       const rt::nbool& ab_remove_nonprint) const {
    if (any_null(as_source, ab_remove_spaces, ab_remove_nonprint)) return rt::null;
    const std::string& s = *as_source;
    if (!*ab_remove_nonprint) return *ab_remove_spaces ? rt::RightTrim(s) : s;
    std::size_t n = s.size();
    while (n > 0 && trimmed_away(static_cast<unsigned char>(s[n - 1]), *ab_remove_spaces)) --n;
    return s.substr(0, n);
}

rt::nstring n_cst_string::of_trim(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    return of_trim(as_source, rt::nbool(true), rt::nbool(false));
}

rt::nstring n_cst_string::of_trim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces) const {
    if (any_null(as_source, ab_remove_spaces)) return rt::null;
    return of_trim(as_source, ab_remove_spaces, rt::nbool(false));
}

rt::nstring n_cst_string::of_trim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces,
                                  const rt::nbool& ab_remove_nonprint) const {
    if (any_null(as_source, ab_remove_spaces, ab_remove_nonprint)) return rt::null;
    if (*ab_remove_nonprint)
        return of_righttrim(of_lefttrim(as_source, ab_remove_spaces, ab_remove_nonprint), ab_remove_spaces,
                            ab_remove_nonprint);
    return *ab_remove_spaces ? rt::Trim(*as_source) : *as_source;
}

rt::nstring n_cst_string::of_getkeyvalue(const rt::nstring& as_source, const rt::nstring& as_keyword,
                                         const rt::nstring& as_separator) const {
    if (any_null(as_source, as_keyword, as_separator)) return rt::null;
    std::string ls_keyvalue;
    if (as_keyword->empty() || as_separator->empty()) return ls_keyvalue;
    const std::string& source = *as_source;
    const std::string& separator = *as_separator;
    const std::string keyword = rt::Lower(*as_keyword);
    const std::size_t keylen = keyword.size(), seplen = separator.size();
    // The list is lower-cased once and walked by offset: a rejected match
    // costs no copy, so a long list is read in linear time.
    const std::string lowered = rt::Lower(source);
    rt::PosScanner keys(lowered, keyword);
    std::size_t from = 0; // where the text still to search begins
    for (;;) {
        const std::int32_t found = keys.next(static_cast<std::int32_t>(from) + 1);
        if (found == 0) return ls_keyvalue;
        const std::size_t at = static_cast<std::size_t>(found) - 1;
        const std::size_t before = from;
        from = skip_blanks(source, at + keylen);
        // The tail of a longer key: no separator right before it.
        if (at - before >= seplen && source.compare(at - seplen, seplen, separator) != 0) continue;
        if (from >= source.size() || source[from] != '=') continue;
        const std::string_view rest = std::string_view(source).substr(from);
        const std::int32_t li_separator = rt::Pos(rest, separator, 2);
        ls_keyvalue = rt::Trim(li_separator > 0 ? rest.substr(1, static_cast<std::size_t>(li_separator) - 2)
                                                : rest.substr(1));
        return ls_keyvalue;
    }
}

rt::nint n_cst_string::of_setkeyvalue(rt::nstring& as_source, const rt::nstring& as_keyword,
                                      const rt::nstring& as_keyvalue, const rt::nstring& as_separator) const {
    if (any_null(as_source, as_keyword, as_keyvalue, as_separator)) return rt::null;
    std::int16_t li_found = -1;
    if (as_keyword->empty() || as_separator->empty()) return li_found;
    const std::string& source = *as_source;
    const std::string keyword = rt::Lower(*as_keyword);
    const std::size_t keylen = keyword.size();
    // One pass over the list as it was: what lies before a replaced value
    // is copied once, and the search resumes at the separator after the new
    // value, so a value holding the key and "=" is not set again.
    const std::string lowered = rt::Lower(source);
    rt::PosScanner keys(lowered, keyword), equals(source, "="), separators(source, *as_separator);
    std::string result;
    std::size_t copied = 0, from = 0;
    for (;;) {
        const std::int32_t found = keys.next(static_cast<std::int32_t>(from) + 1);
        if (found == 0) break;
        const std::size_t at = static_cast<std::size_t>(found) - 1;
        const std::size_t after = skip_blanks(source, at + keylen);
        if (after >= source.size() || source[after] != '=') {
            from = at + 1;
            continue;
        }
        const std::int32_t li_equal = equals.next(found + 1);
        const std::int32_t li_separator = separators.next(li_equal + 1);
        result.append(source, copied, static_cast<std::size_t>(li_equal) - copied);
        result += *as_keyvalue;
        li_found = 1;
        if (li_separator == 0) {
            copied = source.size();
            break;
        }
        copied = from = static_cast<std::size_t>(li_separator) - 1;
    }
    if (li_found == 1) {
        result.append(source, copied, std::string::npos);
        as_source = std::move(result);
    }
    return li_found;
}

rt::nstring n_cst_string::of_removenonprint(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    std::string out;
    for (char c : *as_source)
        if (is_printable(static_cast<unsigned char>(c))) out += c;
    return out;
}

bool n_cst_string::of_isempty(const rt::nstring& as_source) const { return !as_source || as_source->empty(); }

rt::nbool n_cst_string::of_isprintable(const rt::nstring& as_source) const {
    return all_bytes(as_source, is_printable);
}

rt::nbool n_cst_string::of_isformat(const rt::nstring& as_source) const {
    return all_bytes(as_source, [](unsigned char c) { return is_visible(c) && !is_alpha(c) && !is_digit(c); });
}

rt::nstring n_cst_string::of_removewhitespace(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    std::string out;
    for (char c : *as_source)
        if (!is_whitespace(static_cast<unsigned char>(c))) out += c;
    return out;
}

rt::nbool n_cst_string::of_iscomparisonoperator(const rt::nstring& as_source) const {
    return all_bytes(as_source, [](unsigned char c) { return c == '<' || c == '=' || c == '>'; });
}

rt::nbool n_cst_string::of_isarithmeticoperator(const rt::nstring& as_source) const {
    return all_bytes(as_source, [](unsigned char c) {
        return c == '(' || c == ')' || c == '*' || c == '+' || c == '-' || c == '/' || c == '^';
    });
}

rt::nlong n_cst_string::of_countoccurrences(const rt::nstring& as_source, const rt::nstring& as_target) const {
    if (any_null(as_source, as_target)) return rt::null;
    return of_countoccurrences(as_source, as_target, rt::nbool(true));
}

std::int32_t n_cst_string::of_arraytostring(const std::vector<rt::nstring>& as_source,
                                            const rt::nstring& as_delimiter, rt::nstring& as_ref_string) const {
    return join(as_source, as_delimiter, false, as_ref_string);
}

std::int32_t n_cst_string::of_arraytostring(const std::vector<rt::nstring>& as_source,
                                            const rt::nstring& as_delimiter, const rt::nbool& ab_processempty,
                                            rt::nstring& as_ref_string) const {
    return join(as_source, as_delimiter, ab_processempty, as_ref_string);
}

std::int32_t n_cst_string::of_arraytostring(const std::vector<std::string>& as_source,
                                            const rt::nstring& as_delimiter, std::string& as_ref_string) const {
    return join_into(texts_of(as_source), as_delimiter, false, as_ref_string);
}

std::int32_t n_cst_string::of_arraytostring(const std::vector<std::string>& as_source,
                                            const rt::nstring& as_delimiter, const rt::nbool& ab_processempty,
                                            std::string& as_ref_string) const {
    return join_into(texts_of(as_source), as_delimiter, ab_processempty, as_ref_string);
}

rt::nstring n_cst_string::of_wordcap(const rt::nstring& as_source) const {
    if (!as_source) return rt::null;
    return rt::WordCap(*as_source);
}

std::string n_cst_string::pub_f_str_xor(const rt::nstring& as_source) const {
    static const std::string as_key = "*rindu*";
    std::string ls_text;
    if (!as_source) return ls_text;
    ls_text.reserve(as_source->size());
    for (std::size_t i = 0; i < as_source->size(); ++i) {
        auto s = static_cast<unsigned char>((*as_source)[i]);
        auto k = static_cast<unsigned char>(as_key[i % as_key.size()]);
        auto b = static_cast<unsigned char>((k - s + 256) % 256);
        // A text holds no NUL: the byte that equals its key byte stays, which
        // keeps the transformation its own inverse.
        ls_text += static_cast<char>(b == 0 ? s : b);
    }
    return ls_text;
}

std::int32_t n_cst_string::of_arraytostring(const std::vector<rt::nlong>& al_source, const rt::nstring& as_delimiter,
                                            rt::nstring& as_ref_string) const {
    return join(texts_of(al_source), as_delimiter, false, as_ref_string);
}

std::int32_t n_cst_string::of_arraytostring(const std::vector<rt::nlong>& al_source, const rt::nstring& as_delimiter,
                                            const rt::nbool& ab_processempty, rt::nstring& as_ref_string) const {
    return join(texts_of(al_source), as_delimiter, ab_processempty, as_ref_string);
}

std::int32_t n_cst_string::of_arraytostring(const std::vector<std::int32_t>& al_source,
                                            const rt::nstring& as_delimiter, std::string& as_ref_string) const {
    return join_into(texts_of(al_source), as_delimiter, false, as_ref_string);
}

std::int32_t n_cst_string::of_arraytostring(const std::vector<std::int32_t>& al_source,
                                            const rt::nstring& as_delimiter, const rt::nbool& ab_processempty,
                                            std::string& as_ref_string) const {
    return join_into(texts_of(al_source), as_delimiter, ab_processempty, as_ref_string);
}
