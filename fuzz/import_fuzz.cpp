// The grid's text import: a number file or a pasted text, into a store of
// every column type. ImportString and ImportFile must agree on a text, add
// exactly the rows they report, and add none when they refuse.
#include "fuzz/fuzz_support.h"
#include "runtime/datastore.h"
#include "runtime/strings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const rt::DataObject& every_type() {
    static const rt::DataObject o = [] {
        rt::DataObject d;
        d.name = "d_fuzz_import";
        using rt::Column;
        using rt::ColType;
        d.columns = {Column("s", ColType::Char, 11),     Column("n", ColType::Number),   Column("l", ColType::Long),
                     Column("u", ColType::ULong),        Column("i", ColType::Int),      Column("dec", ColType::Decimal, 2),
                     Column("r", ColType::Real),         Column("dbl", ColType::Double), Column("d", ColType::Date),
                     Column("dt", ColType::DateTime),    Column("t", ColType::Time)};
        return d;
    }();
    return o;
}

// Reads every cell back, as the send window does before it sends.
void read_all(const rt::DataStore& ds) {
    for (std::int32_t r = 1; r <= ds.RowCount(); ++r)
        for (int c = 1; c <= ds.column_count(); ++c) (void)rt::String(ds.GetItem(r, c));
}

} // namespace

// The first byte picks how the rest is written to the file: its ending
// (.txt, .csv, .CSV), the mark in front of it, and whether the rest is first
// widened to UTF-16 byte by byte. Where the file's text is known to be the
// same as a pasted one (no mark, or an ASCII text behind a mark; for a CSV
// one without commas, quotes and tabs), the file import must agree with
// ImportString on it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t mode = size > 0 ? data[0] : 0;
    const std::string text = size > 0 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : std::string();
    static const char* const endings[] = {".txt", ".csv", ".CSV", ".txt"};
    static const char* const marks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    const std::string ending = endings[mode & 3];
    const int mark = (mode >> 2) & 3;
    const bool widen = (mode & 16) != 0 && mark >= 2;

    rt::DataStore pasted(every_type());
    pasted.InsertRow(0); // the new rows are appended to what is there
    const std::int32_t from_string = pasted.ImportString(text);
    if (pasted.RowCount() != 1 + (from_string > 0 ? from_string : 0)) std::abort();
    read_all(pasted);

    std::string bytes = marks[mark];
    if (widen) {
        for (char c : text) bytes += mark == 2 ? std::string{c, '\0'} : std::string{'\0', c};
    } else {
        bytes += text;
    }
    const std::string name = "numbers" + ending;
    fuzzing::write_file(fuzzing::scratch() / name, bytes);
    rt::DataStore loaded(every_type());
    const std::int32_t from_file = loaded.ImportFile(name);
    if (loaded.RowCount() != (from_file > 0 ? from_file : 0)) std::abort();
    read_all(loaded);

    bool ascii = true, plain_csv = true;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
        if (c == ',' || c == '"' || c == '\t') plain_csv = false;
    }
    const bool has_nul = text.find('\0') != std::string::npos;
    const bool marked_itself = text.rfind("\xEF\xBB\xBF", 0) == 0 || text.rfind("\xFF\xFE", 0) == 0 ||
                               text.rfind("\xFE\xFF", 0) == 0;
    const bool same_text = !text.empty() && !has_nul &&
                           (mark == 0 ? !marked_itself : (ascii && (mark == 1 || widen)));
    const bool as_pasted = ending == ".txt" || plain_csv;
    if (same_text && as_pasted && from_file != from_string) std::abort();
    if (mark != 0 && text.empty() && from_file != rt::import::empty_source) std::abort();
    return 0;
}
