// Number files as office programs and editors save them: a byte-order mark
// (UTF-8, UTF-16 "Unicode text" either way round), comma-separated values
// with quoted fields, and the file's kind taken from its name's ending.
#include "runtime/datastore.h"
#include "runtime/gbk.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

namespace {

rt::DataObject two_columns() {
    rt::DataObject o;
    o.name = "d_number_file";
    for (const char* name : {"mobile", "name"}) o.columns.push_back(rt::Column(name, rt::ColType::Char, 20));
    return o;
}

// Rows as "mobile|name", a null cell as "~".
std::vector<std::string> rows(const rt::DataStore& ds) {
    std::vector<std::string> out;
    for (std::int32_t r = 1; r <= ds.RowCount(); ++r)
        out.push_back(ds.GetItemString(r, 1).value_or("~") + "|" + ds.GetItemString(r, 2).value_or("~"));
    return out;
}

const std::string utf8_mark = "\xEF\xBB\xBF";

// A GBK text as an editor saves it in UTF-8 or UTF-16, without the mark.
std::string utf8(const std::string& gbk) { return rt::gbk_to_utf8(gbk); }
std::string utf16(const std::string& gbk, bool little) {
    const std::string u = rt::gbk_to_utf8(gbk);
    const QString q = QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
    std::string out;
    for (const char16_t u : q.toStdU16String()) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += little ? std::string{lo, hi} : std::string{hi, lo};
    }
    return out;
}
std::string utf16le(const std::string& gbk) { return "\xFF\xFE" + utf16(gbk, true); }
std::string utf16be(const std::string& gbk) { return "\xFE\xFF" + utf16(gbk, false); }

const std::string emoji = "\xF0\x9F\x98\x80"; // UTF-8; GBK has no such character

} // namespace

TEST(DataStoreImportFile, KindsMarksAndEndings) {
    const struct {
        const char* file;
        std::string bytes;
        std::int32_t result;
        std::vector<std::string> rows;
    } cases[] = {
        // Text files: tab-separated, in the encoding the mark declares.
        {"gbk.txt", "13800138000\t张三\r\n13900139000", 2, {"13800138000|张三", "13900139000|~"}},
        {"utf8.txt", utf8_mark + utf8("13800138000\t张三\r\n13900139000\r\n"), 2, {"13800138000|张三", "13900139000|~"}},
        {"unicode.txt", utf16le("13800138000\t张三\r\n13900139000\t李四\r\n"), 2, {"13800138000|张三", "13900139000|李四"}},
        {"big-endian.txt", utf16be("13800138000\t张三\r13900139000"), 2, {"13800138000|张三", "13900139000|~"}},
        {"utf8 lf.txt", utf8_mark + "1\n2\n", 2, {"1|~", "2|~"}},
        {"commas in text.txt", "13800138000,张三", 1, {"13800138000,张三|~"}},
        // Comma-separated values, whatever the case of the ending.
        {"list.csv", "13800138000,张三\r\n13900139000,\"李,四\"\r\n", 2, {"13800138000|张三", "13900139000|李,四"}},
        {"LIST.CSV", "13800138000,张三\n13900139000,\"李,四\"", 2, {"13800138000|张三", "13900139000|李,四"}},
        {"cr.csv", "1,a\r2,b\r", 2, {"1|a", "2|b"}},
        {"doubled quotes.csv", "1,\"say \"\"hi\"\"\"\n\"\"\"2\"\"\",x", 2, {"1|say \"hi\"", "\"2\"|x"}},
        {"empty fields.csv", ",x\n1,\n\"\",\"\"\n\n1,2,3", 5, {"~|x", "1|~", "~|~", "~|~", "1|2"}},
        {"line break in quotes.csv", "\"1\r\n2\",x\n3", 2, {"1\r\n2|x", "3|~"}},
        {"quotes inside a field.csv", "1\"2,a\"b\"c", 1, {"1\"2|a\"b\"c"}},
        {"text after the closing quote.csv", "\"1\"2,x", 1, {"12|x"}},
        {"tab inside.csv", "1\t2,3", 1, {"1\t2|3"}},
        {"unicode.csv", utf16le("13800138000,\"张,三\"\r\n"), 1, {"13800138000|张,三"}},
        {"utf8.csv", utf8_mark + utf8("13900139000,李四"), 1, {"13900139000|李四"}},
        {"unclosed quote.csv", "1,\"a\n2,b\n", rt::import::invalid_input, {}},
        // What GBK cannot hold is a field no column takes; past the last
        // column it is passed over like any other field.
        {"emoji number.txt", utf8_mark + "1\n" + emoji + "\n", rt::import::invalid_input, {}},
        {"emoji name.csv", utf8_mark + "1," + emoji, rt::import::invalid_input, {}},
        {"emoji third.txt", utf8_mark + "1\t2\t" + emoji + "\n3", 2, {"1|2", "3|~"}},
        {"lone surrogate.txt", std::string("\xFF\xFE" "1\0\x00\xD8\n\0", 8), rt::import::invalid_input, {}},
        // A broken UTF-8 character takes no tab or line break with it.
        {"broken utf8.txt", utf8_mark + "1\t2\t\xE4\xB8\n3", 2, {"1|2", "3|~"}},
        {"question mark.txt", utf8_mark + "?\t?", 1, {"?|?"}},
        // A mark alone is an empty file; a NUL character is no text.
        {"mark only.txt", utf8_mark, rt::import::empty_source, {}},
        {"unicode mark only.txt", "\xFF\xFE", rt::import::empty_source, {}},
        {"unicode without mark.txt", utf16("1\r\n", true), rt::import::not_text, {}},
        {"nul character.txt", utf16le(std::string("1\0", 2)), rt::import::not_text, {}},
        {"nul after utf8 mark.csv", utf8_mark + std::string("1,\0", 3), rt::import::not_text, {}},
    };
    testing_support::TempProgramFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        folder.write(c.file, c.bytes);
        rt::DataStore ds(two_columns());
        EXPECT_EQ(c.result, ds.ImportFile(folder.program() + "\\" + rt::utf8_to_gbk(c.file)));
        EXPECT_EQ(c.rows, rows(ds));
    }
}

TEST(DataStoreImportFile, ARefusedFileLeavesTheRowsThereAndTheClipboardStaysText) {
    testing_support::TempProgramFolder folder;
    folder.write("ok.csv", "1,a\n");
    folder.write("bad.csv", "2,b\n\"3\n");
    rt::DataStore ds(two_columns());
    EXPECT_EQ(1, ds.ImportFile(std::string("ok.csv")));
    EXPECT_EQ(rt::import::invalid_input, ds.ImportFile(std::string("bad.csv")));
    EXPECT_EQ((std::vector<std::string>{"1|a"}), rows(ds));
    // A pasted text is tab-separated GBK, a mark and commas included.
    EXPECT_EQ(1, ds.ImportString("\xEF\xBB\xBF" "4,d"));
    EXPECT_EQ("\xEF\xBB\xBF" "4,d", ds.GetItemString(2, 1).value_or(""));
}
