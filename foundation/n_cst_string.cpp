#include "foundation/n_cst_string.h"


rt::nlong n_cst_string::of_parsetoarray(const rt::nstring&, const rt::nstring&, std::vector<rt::nstring>&) const { return rt::null; }
rt::nlong n_cst_string::of_parsetoarray(const rt::nstring&, const rt::nstring&, std::vector<std::string>&) const { return rt::null; }
rt::nstring n_cst_string::of_gettoken(rt::nstring&, const rt::nstring&) const { return rt::null; }
rt::nstring n_cst_string::of_padleft(const rt::nstring&, const rt::nlong&) const { return rt::null; }
rt::nstring n_cst_string::of_padright(const rt::nstring&, const rt::nlong&) const { return rt::null; }
rt::nbool n_cst_string::of_islower(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_isupper(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_iswhitespace(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_isalpha(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_isalphanum(const rt::nstring&) const { return rt::null; }
rt::nstring n_cst_string::of_quote(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_isspace(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_ispunctuation(const rt::nstring&) const { return rt::null; }
rt::nlong n_cst_string::of_lastpos(const rt::nstring&, const rt::nstring&, const rt::nlong&) const { return rt::null; }
rt::nlong n_cst_string::of_lastpos(const rt::nstring&, const rt::nstring&) const { return rt::null; }
rt::nstring n_cst_string::of_globalreplace(const rt::nstring&, const rt::nstring&, const rt::nstring&, const rt::nbool&) const { return rt::null; }
rt::nstring n_cst_string::of_globalreplace(const rt::nstring&, const rt::nstring&, const rt::nstring&) const { return rt::null; }
rt::nlong n_cst_string::of_countoccurrences(const rt::nstring&, const rt::nstring&, const rt::nbool&) const { return rt::null; }
rt::nstring n_cst_string::of_righttrim(const rt::nstring&) const { return rt::null; }
rt::nstring n_cst_string::of_lefttrim(const rt::nstring&) const { return rt::null; }
rt::nstring n_cst_string::of_lefttrim(const rt::nstring&, const rt::nbool&) const { return rt::null; }
rt::nstring n_cst_string::of_lefttrim(const rt::nstring&, const rt::nbool&, const rt::nbool&) const { return rt::null; }
rt::nstring n_cst_string::of_righttrim(const rt::nstring&, const rt::nbool&) const { return rt::null; }
rt::nstring n_cst_string::of_righttrim(const rt::nstring&, const rt::nbool&, const rt::nbool&) const { return rt::null; }
rt::nstring n_cst_string::of_trim(const rt::nstring&) const { return rt::null; }
rt::nstring n_cst_string::of_trim(const rt::nstring&, const rt::nbool&) const { return rt::null; }
rt::nstring n_cst_string::of_trim(const rt::nstring&, const rt::nbool&, const rt::nbool&) const { return rt::null; }
rt::nstring n_cst_string::of_getkeyvalue(const rt::nstring&, const rt::nstring&, const rt::nstring&) const { return rt::null; }
rt::nint n_cst_string::of_setkeyvalue(rt::nstring&, const rt::nstring&, const rt::nstring&, const rt::nstring&) const { return rt::null; }
rt::nstring n_cst_string::of_removenonprint(const rt::nstring&) const { return rt::null; }
bool n_cst_string::of_isempty(const rt::nstring&) const { return false; }
rt::nbool n_cst_string::of_isprintable(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_isformat(const rt::nstring&) const { return rt::null; }
rt::nstring n_cst_string::of_removewhitespace(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_iscomparisonoperator(const rt::nstring&) const { return rt::null; }
rt::nbool n_cst_string::of_isarithmeticoperator(const rt::nstring&) const { return rt::null; }
rt::nlong n_cst_string::of_countoccurrences(const rt::nstring&, const rt::nstring&) const { return rt::null; }
std::int32_t n_cst_string::of_arraytostring(const std::vector<rt::nstring>&, const rt::nstring&, rt::nstring&) const { return -1; }
std::int32_t n_cst_string::of_arraytostring(const std::vector<rt::nstring>&, const rt::nstring&, const rt::nbool&, rt::nstring&) const { return -1; }
std::int32_t n_cst_string::of_arraytostring(const std::vector<std::string>&, const rt::nstring&, std::string&) const { return -1; }
std::int32_t n_cst_string::of_arraytostring(const std::vector<std::string>&, const rt::nstring&, const rt::nbool&, std::string&) const { return -1; }
rt::nstring n_cst_string::of_wordcap(const rt::nstring&) const { return rt::null; }
std::string n_cst_string::pub_f_str_xor(const rt::nstring&) const { return {}; }
std::int32_t n_cst_string::of_arraytostring(const std::vector<rt::nlong>&, const rt::nstring&, rt::nstring&) const { return -1; }
std::int32_t n_cst_string::of_arraytostring(const std::vector<rt::nlong>&, const rt::nstring&, const rt::nbool&, rt::nstring&) const { return -1; }
std::int32_t n_cst_string::of_arraytostring(const std::vector<std::int32_t>&, const rt::nstring&, std::string&) const { return -1; }
std::int32_t n_cst_string::of_arraytostring(const std::vector<std::int32_t>&, const rt::nstring&, const rt::nbool&, std::string&) const { return -1; }
