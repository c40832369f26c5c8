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

rt::ColumnDef col(const std::string& name, rt::ColType type, int length = 0) {
    rt::ColumnDef c;
    c.name = name;
    c.type = type;
    c.length = length;
    return c;
}

const rt::DataObject& every_type() {
    static const rt::DataObject o = [] {
        rt::DataObject d;
        d.name = "d_fuzz_import";
        d.columns = {col("s", rt::ColType::Char, 11), col("n", rt::ColType::Number),   col("l", rt::ColType::Long),
                     col("u", rt::ColType::ULong),    col("i", rt::ColType::Int),      col("dec", rt::ColType::Decimal, 2),
                     col("r", rt::ColType::Real),     col("dbl", rt::ColType::Double), col("d", rt::ColType::Date),
                     col("dt", rt::ColType::DateTime), col("t", rt::ColType::Time)};
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    rt::DataStore pasted(every_type());
    pasted.InsertRow(0); // the new rows are appended to what is there
    const std::int32_t from_string = pasted.ImportString(text);
    if (pasted.RowCount() != 1 + (from_string > 0 ? from_string : 0)) std::abort();
    read_all(pasted);

    fuzzing::write_file(fuzzing::scratch() / "numbers.txt", text);
    rt::DataStore loaded(every_type());
    const std::int32_t from_file = loaded.ImportFile(std::string("numbers.txt"));
    if (loaded.RowCount() != (from_file > 0 ? from_file : 0)) std::abort();
    const bool is_text = !text.empty() && text.find('\0') == std::string::npos;
    if (is_text && from_file != from_string) std::abort();
    read_all(loaded);
    return 0;
}
