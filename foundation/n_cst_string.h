// The string service: splitting, joining, searching, replacing, character
// tests, trimming, padding and cleaning of GBK byte texts. It keeps no state:
// a local variable of the type is a ready object.
//
// Arrays are numbered from 1 in the system; here element i is [i - 1] of the
// vector, and "assigning element n lengthens the array to n" is a resize.
// Every argument may be null (rt::nstring, rt::nlong, rt::nbool); each
// operation answers a null argument as its comment says, most with null.
#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <string>
#include <vector>

class n_cst_string {
public:
    // Pieces of as_source between the delimiters (found without regard to
    // case) into elements 1..n of as_array, which is not emptied first;
    // answers n: 0 for a text of spaces or "", 1 without a delimiter.
    // Trailing delimiters give no element. Null in: null, array unchanged.
    // An empty delimiter gives the one element as_source.
    rt::nlong of_parsetoarray(const rt::nstring& as_source, const rt::nstring& as_delimiter,
                              std::vector<rt::nstring>& as_array) const;
    rt::nlong of_parsetoarray(const rt::nstring& as_source, const rt::nstring& as_delimiter,
                              std::vector<std::string>& as_array) const;
    // The text before the first separator (case counts); as_source keeps what
    // follows it ("" when there is none). Null in: null, as_source unchanged.
    rt::nstring of_gettoken(rt::nstring& as_source, const rt::nstring& as_separator) const;
    rt::nstring of_padleft(const rt::nstring& as_source, const rt::nlong& al_length) const;
    rt::nstring of_padright(const rt::nstring& as_source, const rt::nlong& al_length) const;
    rt::nbool of_islower(const rt::nstring& as_source) const;
    rt::nbool of_isupper(const rt::nstring& as_source) const;
    rt::nbool of_iswhitespace(const rt::nstring& as_source) const;
    rt::nbool of_isalpha(const rt::nstring& as_source) const;
    rt::nbool of_isalphanum(const rt::nstring& as_source) const;
    rt::nstring of_quote(const rt::nstring& as_source) const;
    rt::nbool of_isspace(const rt::nstring& as_source) const;
    rt::nbool of_ispunctuation(const rt::nstring& as_source) const;
    // Start of the last occurrence (case counts) that begins at or before
    // al_start (0: the last byte); 0 when none or al_start < 0.
    rt::nlong of_lastpos(const rt::nstring& as_source, const rt::nstring& as_target,
                         const rt::nlong& al_start) const;
    rt::nlong of_lastpos(const rt::nstring& as_source, const rt::nstring& as_target) const;
    // Every occurrence replaced; the search resumes after the inserted text.
    // The three-argument form ignores case. An empty as_old changes nothing.
    rt::nstring of_globalreplace(const rt::nstring& as_source, const rt::nstring& as_old,
                                 const rt::nstring& as_new, const rt::nbool& ab_ignorecase) const;
    rt::nstring of_globalreplace(const rt::nstring& as_source, const rt::nstring& as_old,
                                 const rt::nstring& as_new) const;
    // Occurrences that do not overlap; 0 for an empty target.
    rt::nlong of_countoccurrences(const rt::nstring& as_source, const rt::nstring& as_target,
                                  const rt::nbool& ab_ignorecase) const;
    rt::nstring of_righttrim(const rt::nstring& as_source) const;
    rt::nstring of_lefttrim(const rt::nstring& as_source) const;
    rt::nstring of_lefttrim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces) const;
    rt::nstring of_lefttrim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces,
                            const rt::nbool& ab_remove_nonprint) const;
    rt::nstring of_righttrim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces) const;
    rt::nstring of_righttrim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces,
                             const rt::nbool& ab_remove_nonprint) const;
    rt::nstring of_trim(const rt::nstring& as_source) const;
    rt::nstring of_trim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces) const;
    rt::nstring of_trim(const rt::nstring& as_source, const rt::nbool& ab_remove_spaces,
                        const rt::nbool& ab_remove_nonprint) const;
    // Value of the first whole key in a list of key=value pairs, spaces
    // around it removed; "" when missing or for an empty keyword.
    rt::nstring of_getkeyvalue(const rt::nstring& as_source, const rt::nstring& as_keyword,
                               const rt::nstring& as_separator) const;
    // Sets the value of every key found; 1 when one was set, -1 when none (a
    // missing key is not added; an empty keyword or separator sets nothing).
    // Null in: null, as_source unchanged.
    rt::nint of_setkeyvalue(rt::nstring& as_source, const rt::nstring& as_keyword,
                            const rt::nstring& as_keyvalue, const rt::nstring& as_separator) const;
    rt::nstring of_removenonprint(const rt::nstring& as_source) const;
    bool of_isempty(const rt::nstring& as_source) const; // null or ""
    rt::nbool of_isprintable(const rt::nstring& as_source) const;
    rt::nbool of_isformat(const rt::nstring& as_source) const;
    rt::nstring of_removewhitespace(const rt::nstring& as_source) const;
    rt::nbool of_iscomparisonoperator(const rt::nstring& as_source) const;
    rt::nbool of_isarithmeticoperator(const rt::nstring& as_source) const;
    rt::nlong of_countoccurrences(const rt::nstring& as_source, const rt::nstring& as_target) const;
    // Joins elements with the delimiter, passing over null and empty ones
    // unless ab_processempty is true (a null flag counts as true); 1, or -1
    // for a null delimiter or an empty array, as_ref_string then unchanged.
    std::int32_t of_arraytostring(const std::vector<rt::nstring>& as_source, const rt::nstring& as_delimiter,
                                  rt::nstring& as_ref_string) const;
    std::int32_t of_arraytostring(const std::vector<rt::nstring>& as_source, const rt::nstring& as_delimiter,
                                  const rt::nbool& ab_processempty, rt::nstring& as_ref_string) const;
    std::int32_t of_arraytostring(const std::vector<std::string>& as_source, const rt::nstring& as_delimiter,
                                  std::string& as_ref_string) const;
    std::int32_t of_arraytostring(const std::vector<std::string>& as_source, const rt::nstring& as_delimiter,
                                  const rt::nbool& ab_processempty, std::string& as_ref_string) const;
    rt::nstring of_wordcap(const rt::nstring& as_source) const;
    // Each byte b becomes (k - b) mod 256 with k from the key "*rindu*"; its
    // own inverse. "" for null. A byte that would become 0 stays as it was.
    std::string pub_f_str_xor(const rt::nstring& as_source) const;
    std::int32_t of_arraytostring(const std::vector<rt::nlong>& al_source, const rt::nstring& as_delimiter,
                                  rt::nstring& as_ref_string) const;
    std::int32_t of_arraytostring(const std::vector<rt::nlong>& al_source, const rt::nstring& as_delimiter,
                                  const rt::nbool& ab_processempty, rt::nstring& as_ref_string) const;
    std::int32_t of_arraytostring(const std::vector<std::int32_t>& al_source, const rt::nstring& as_delimiter,
                                  std::string& as_ref_string) const;
    std::int32_t of_arraytostring(const std::vector<std::int32_t>& al_source, const rt::nstring& as_delimiter,
                                  const rt::nbool& ab_processempty, std::string& as_ref_string) const;
};
