#include "runtime/spreadsheet.h"
#include "runtime/sheet_reason.h"
#include "runtime/xls_reader.h"
#include "runtime/xlsx_reader.h"
#include "tests/runtime/workbook_fixtures.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include <sys/wait.h>

using rt::sheet::Workbook;

namespace {

// The rows of a sheet as "row: col=text|col=text".
std::vector<std::string> dump(Workbook& book, int sheet) {
    std::vector<std::string> out;
    std::string error;
    const bool ok = book.read(sheet, [&out](std::int32_t row, const std::vector<rt::sheet::Cell>& cells) {
        std::string line = std::to_string(row) + ":";
        for (const auto& c : cells) line += " " + std::to_string(c.column) + "=" + c.text;
        out.push_back(line);
        return true;
    }, error);
    EXPECT_TRUE(ok) << error;
    return out;
}

std::unique_ptr<Workbook> open_ok(const std::filesystem::path& file) {
    std::string error;
    auto book = Workbook::open(file.string(), error);
    EXPECT_NE(book, nullptr) << error;
    return book;
}

struct Spreadsheet : ::testing::Test {
    testing_support::TempProgramFolder dir;
    std::filesystem::path file(const std::string& name) const { return dir.native() / name; }
};

} // namespace

TEST(SpreadsheetText, NumbersAndDatesAsTheApplicationCopiesThem) {
    EXPECT_EQ("13800138000", rt::sheet::number_text(13800138000.0));
    EXPECT_EQ("5000.5", rt::sheet::number_text(5000.5));
    EXPECT_EQ("0.3", rt::sheet::number_text(0.1 + 0.2));
    EXPECT_EQ("-42", rt::sheet::number_text(-42));
    EXPECT_EQ("0", rt::sheet::number_text(-0.0));
    EXPECT_EQ("1000000000000000000000", rt::sheet::number_text(1e21)); // whole: never an exponent
    EXPECT_EQ("123456789012.346", rt::sheet::number_text(123456789012.3456));

    struct Case { double serial; bool d1904; const char* text; };
    const Case cases[] = {
        {1, false, "1900-01-01"},      {59, false, "1900-02-28"},   {60, false, "1900-02-29"},
        {61, false, "1900-03-01"},     {45360, false, "2024-03-09"}, {45291.4375, false, "2023-12-31 10:30:00"},
        {0.75, false, "18:00:00"},     {0, true, "1904-01-01"},      {43898, true, "2024-03-09"},
        {45360.99999999, false, "2024-03-10"}, // rounds to the next midnight
        {-1, false, "-1"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, rt::sheet::date_text(c.serial, c.d1904)) << c.serial;
}

TEST(SpreadsheetText, DateFormatsByIdAndByCode) {
    struct Case { int id; const char* code; bool date; };
    const Case cases[] = {
        {14, "", true},  {22, "", true},  {31, "", true}, {0, "", false}, {2, "", false}, {49, "", false},
        {164, "yyyy/mm/dd", true}, {164, "yyyy\"年\"m\"月\"d\"日\"", true}, {164, "[h]:mm:ss", true},
        {164, "h:mm AM/PM", true}, {164, "0.00", false}, {164, "[Red]#,##0.00", false},
        {164, "\"day\" 0", false}, {164, "0.00E+00", false}, {164, "General", false}, {164, "[$-804]0", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.date, rt::sheet::is_date_format(c.id, c.code)) << c.code;
}

TEST(SpreadsheetText, RelationshipTargetsRelativeAndAbsolute) {
    EXPECT_EQ("xl/workbook.xml", rt::sheet::resolve_target("", "xl/workbook.xml"));
    EXPECT_EQ("xl/workbook.xml", rt::sheet::resolve_target("", "/xl/workbook.xml"));
    EXPECT_EQ("xl/worksheets/sheet1.xml", rt::sheet::resolve_target("xl/workbook.xml", "worksheets/sheet1.xml"));
    EXPECT_EQ("xl/worksheets/sheet1.xml", rt::sheet::resolve_target("xl/workbook.xml", "/xl/worksheets/sheet1.xml"));
    EXPECT_EQ("xl/styles.xml", rt::sheet::resolve_target("xl/sub/book.xml", "../styles.xml"));
}

TEST_F(Spreadsheet, SalarySheetReadsAlikeFromXlsxAndXls) {
    fixtures::write_xlsx(file("pay.xlsx"), {fixtures::wide_sheet(), fixtures::salary_sheet()}, 1);
    fixtures::write_xls(file("pay.xls"), {fixtures::salary_sheet(), fixtures::wide_sheet()});
    const std::vector<std::string> salary = {
        "3: 1=姓名 2=手机 3=基本工资 4=扣款 5=入职日期 6=实发",
        "4: 1=张三 2=13800138000 3=5000.5 5=2024-03-09 6=5000.5",
        "5: 1=李四 2=13900139000 3=4200 4=100 5=2023-12-31 10:30:00 6=4100",
    };
    auto xlsx = open_ok(file("pay.xlsx"));
    ASSERT_TRUE(xlsx);
    EXPECT_EQ((std::vector<std::string>{"Wide", "工资表"}), xlsx->sheet_names());
    EXPECT_EQ(1, xlsx->active_sheet());
    EXPECT_EQ(salary, dump(*xlsx, 1));

    auto xls = open_ok(file("pay.xls"));
    ASSERT_TRUE(xls);
    EXPECT_EQ((std::vector<std::string>{"工资表", "Wide"}), xls->sheet_names());
    // FreeXL gives no value for a formula cell of an .xls: its result reads empty.
    std::vector<std::string> without_formulas = salary;
    without_formulas[1].resize(without_formulas[1].size() - std::string(" 6=5000.5").size());
    without_formulas[2].resize(without_formulas[2].size() - std::string(" 6=4100").size());
    EXPECT_EQ(without_formulas, dump(*xls, 0));

    for (Workbook* book : {xlsx.get(), xls.get()}) {
        rt::sheet::SheetRows rows;
        std::string error;
        ASSERT_TRUE(rt::sheet::read_rows(*book, book == xlsx.get() ? 0 : 1, rows, error)) << error;
        EXPECT_EQ(30, rows.last_column);
        EXPECT_EQ(2u, rows.rows.size());
        EXPECT_EQ("30", rows.rows[1].cells.back().text);
    }
}

TEST_F(Spreadsheet, GeneratedWorkbookWithAbsoluteTargetsAndInlineStrings) {
    const std::string shared =
        "<si><t>plain</t></si>"
        "<si><r><t>rich </t></r><r><rPr><b/></rPr><t xml:space=\"preserve\">text </t></r>"
        "<rPh sb=\"0\" eb=\"1\"><t>ignored</t></rPh></si>"
        "<si><t>" + fixtures::utf8("中文") + "</t></si>";
    const std::string data =
        "<row r=\"2\">"
        "<c r=\"A2\" t=\"inlineStr\"><is><t>" + fixtures::utf8("王五") + "</t></is></c>"
        "<c r=\"B2\" t=\"s\"><v>1</v></c>"
        "<c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\" t=\"b\"><v>0</v></c>"
        "<c r=\"E2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
        "<c r=\"F2\" t=\"str\"><f>A2&amp;\"x\"</f><v>abc</v></c>"
        "<c r=\"G2\" s=\"1\"><v>43898</v></c>"        // 1904 system, custom date code
        "<c r=\"H2\" s=\"2\"/>"                       // formatted, no value
        "<c r=\"I2\" t=\"s\"><v>99</v></c>"           // index past the table
        "<c r=\"J2\"><v>13800138000</v></c>"
        "</row>"
        "<row><c t=\"s\"><v>2</v></c><c><v>1.5E+3</v></c></row>"; // no r attributes: row 3, columns A, B
    fixtures::write_generated_xlsx(file("generated.xlsx"), data, shared);
    auto book = open_ok(file("generated.xlsx"));
    ASSERT_TRUE(book);
    EXPECT_EQ((std::vector<std::string>{"Data"}), book->sheet_names());
    EXPECT_EQ((std::vector<std::string>{
                  "2: 1=王五 2=rich text  3=TRUE 4=FALSE 5=#DIV/0! 6=abc 7=2024-03-09 10=13800138000",
                  "3: 1=中文 2=1500"}),
              dump(*book, 0));
}

TEST_F(Spreadsheet, FormatIsTakenFromTheContentNotTheName) {
    fixtures::write_xlsx(file("really-xlsx.XLS"), {fixtures::salary_sheet()});
    fixtures::write_xls(file("really-xls.xlsx"), {fixtures::salary_sheet()});
    EXPECT_EQ(rt::sheet::Format::xlsx, rt::sheet::sniff(file("really-xlsx.XLS").string()));
    EXPECT_EQ(rt::sheet::Format::xls, rt::sheet::sniff(file("really-xls.xlsx").string()));
    EXPECT_EQ(3u, dump(*open_ok(file("really-xlsx.XLS")), 0).size());
    EXPECT_EQ(3u, dump(*open_ok(file("really-xls.xlsx")), 0).size());

    dir.write("list.csv", "a,b\r\n1,2\r\n");
    dir.write("broken.xlsx", std::string("PK\x03\x04", 4) + "not a zip at all");
    for (const char* name : {"list.csv", "broken.xlsx", "missing.xls"}) {
        std::string error;
        EXPECT_EQ(nullptr, Workbook::open(file(name).string(), error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

TEST_F(Spreadsheet, DamagedSheetXmlIsAnErrorNotAPartialSuccess) {
    fixtures::write_generated_xlsx(file("cut.xlsx"), "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c");
    auto book = open_ok(file("cut.xlsx"));
    ASSERT_TRUE(book);
    std::string error;
    EXPECT_FALSE(book->read(0, [](std::int32_t, const std::vector<rt::sheet::Cell>&) { return true; }, error));
    EXPECT_FALSE(error.empty());
}

// FreeXL reads a directory entry's name with the length the entry claims,
// past the 64 bytes the name may hold; such a workbook must be refused with
// the reader's message before FreeXL sees it. The fuzzer's files shift the
// whole directory by one byte, or name no directory sector so that FreeXL
// reads the header as one; the generated file stretches a single length.
TEST_F(Spreadsheet, XlsWithAnOverlongDirectoryNameIsRefused) {
    const std::filesystem::path found = std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) / "fuzz/regressions/sheet";
    std::filesystem::copy_file(found / "freexl_stack_read.xls", file("shifted.xls"));
    std::filesystem::copy_file(found / "freexl_header_as_directory.xls", file("no_directory.xls"));
    fixtures::write_xls(file("sound.xls"), {fixtures::salary_sheet()});
    std::string bytes;
    {
        std::ifstream in(file("sound.xls"), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string workbook("W\0o\0r\0k\0b\0o\0o\0k\0", 16);
    const std::size_t entry = bytes.find(workbook);
    ASSERT_NE(std::string::npos, entry);
    bytes[entry + 64] = 0x00;
    bytes[entry + 65] = 0x16; // 5632 bytes of name
    std::ofstream(file("stretched.xls"), std::ios::binary) << bytes;

    EXPECT_TRUE(open_ok(file("sound.xls")));
    for (const char* name : {"shifted.xls", "no_directory.xls", "stretched.xls"}) {
        std::string error;
        EXPECT_EQ(nullptr, Workbook::open(file(name).string(), error)) << name;
        EXPECT_EQ("The file is not a valid .xls workbook: it is damaged.", error) << name;
    }
}

namespace {

// A sound salary workbook whose shared-string table is replaced, in the same
// number of bytes, by one whose first string claims a 3 GiB block of
// phonetic data after it: FreeXL steps over that block into memory far
// outside the file and reads from there when the table goes on.
std::string xls_with_a_wild_string_skip() {
    std::string stream = fixtures::biff::workbook_stream({fixtures::salary_sheet()}, false);
    std::size_t at = 0;
    unsigned size = 0;
    for (;; at += 4 + size) {
        size = static_cast<unsigned char>(stream[at + 2]) | static_cast<unsigned char>(stream[at + 3]) << 8;
        if ((static_cast<unsigned char>(stream[at]) | static_cast<unsigned char>(stream[at + 1]) << 8) == 0x00FC) break;
    }
    std::string table;
    fixtures::biff::u32(table, 2);
    fixtures::biff::u32(table, 2);
    fixtures::biff::u16(table, 1);          // one character,
    fixtures::biff::u8(table, 0x04);        // narrow, with phonetic data
    fixtures::biff::u32(table, 0xC0000000); // of 3 GiB
    table += 'a';
    std::string replaced;
    fixtures::biff::record(replaced, 0x00FC, table);
    fixtures::biff::record(replaced, 0x003C, std::string(4 + size - replaced.size() - 4, 'b'));
    stream.replace(at, 4 + size, replaced);
    return fixtures::biff::compound(stream);
}

bool no_child_left() {
    errno = 0;
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

} // namespace

// FreeXL reads and writes past its own buffers on some damaged workbook
// streams: the fuzzer's file makes it copy 115,204 bytes out of a record
// buffer of 8,224, the generated one makes it read 3 GiB past the table.
// Neither may reach the program: the workbook is refused with the reader's
// load error, no child is left behind, and a sound workbook reads as before.
TEST_F(Spreadsheet, XlsThatMakesTheLibraryStrayIsALoadError) {
    const std::filesystem::path found = std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) / "fuzz/regressions/sheet";
    std::filesystem::copy_file(found / "freexl_heap_read_workbook_stream.xls", file("over_read.xls"));
    dir.write("wild_skip.xls", xls_with_a_wild_string_skip());
    fixtures::write_xls(file("sound.xls"), {fixtures::salary_sheet()});

    std::string error;
    EXPECT_EQ(nullptr, Workbook::open(file("over_read.xls").string(), error));
    // What the library makes of the bytes it strays into, which differ from
    // run to run, decides whether it fails, finds no sheet or dies; each is
    // one of the reader's load errors.
    EXPECT_TRUE(error.rfind("The file is not a valid .xls workbook", 0) == 0 ||
                error == "The workbook lists no worksheets.")
        << error;
    error.clear();
    EXPECT_EQ(nullptr, Workbook::open(file("wild_skip.xls").string(), error));
    EXPECT_EQ("The file is not a valid .xls workbook: it is damaged.", error);
    EXPECT_TRUE(no_child_left());

    auto book = open_ok(file("sound.xls"));
    ASSERT_TRUE(book);
    EXPECT_EQ(3u, dump(*book, 0).size());
    EXPECT_TRUE(no_child_left());
}

// A workbook still being read when the time runs out is given up, the child
// reading it killed and waited for.
TEST_F(Spreadsheet, XlsReadPastTheTimeLimitIsALoadError) {
    fixtures::FSheet big{"Big", {}};
    for (int r = 0; r < 20000; ++r)
        for (int c = 0; c < 4; ++c) big.cells.push_back({r, c, fixtures::Kind::number, "", r * 10.0 + c});
    fixtures::write_xls(file("big.xls"), {big});

    rt::sheet::set_xls_time_limit(std::chrono::milliseconds(1));
    std::string error;
    const bool refused = Workbook::open(file("big.xls").string(), error) == nullptr;
    rt::sheet::set_xls_time_limit(std::chrono::minutes(1));
    EXPECT_TRUE(refused);
    EXPECT_EQ("The workbook could not be read in time: it may be damaged.", error);
    EXPECT_TRUE(no_child_left());

    auto book = open_ok(file("big.xls"));
    ASSERT_TRUE(book);
    rt::sheet::SheetRows rows;
    ASSERT_TRUE(rt::sheet::read_rows(*book, 0, rows, error)) << error;
    ASSERT_EQ(20000u, rows.rows.size());
    EXPECT_EQ("199993", rows.rows.back().cells.back().text);
}

namespace {

// The rows of a sheet as "A|B|..." (an empty cell between two as ""), read
// in the given text mode.
std::vector<std::string> joined(const std::filesystem::path& file, rt::sheet::CellText mode, int& active,
                                std::vector<std::string>& names) {
    std::string error;
    auto book = Workbook::open(file.string(), error, mode);
    EXPECT_NE(book, nullptr) << error;
    if (!book) return {};
    active = book->active_sheet();
    names = book->sheet_names();
    rt::sheet::SheetRows rows;
    EXPECT_TRUE(rt::sheet::read_rows(*book, active, rows, error)) << error;
    std::vector<std::string> out;
    for (const auto& r : rows.rows) {
        std::string line;
        std::int32_t column = 1;
        for (const auto& c : r.cells) {
            for (; column < c.column; ++column) line += "|";
            line += c.text;
        }
        out.push_back(line);
    }
    return out;
}

} // namespace

// The salary workbook as our writer makes it and as an office program saved
// it again (tests/runtime/data/salary_office.xlsx: write_salary_xlsx's file
// opened and saved there; its styles name General and the Chinese date as
// their own formats, with \-escaped characters). The hidden note sheet is
// never the one read; the shown texts are what the office program itself
// exports as the sheet's text.
TEST_F(Spreadsheet, SalaryWorkbookShowsWhatTheSheetShows) {
    fixtures::write_salary_xlsx(file("salary.xlsx"));
    const std::filesystem::path office =
        std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) / "tests/runtime/data/salary_office.xlsx";
    for (const std::filesystem::path& f : {file("salary.xlsx"), office}) {
        SCOPED_TRACE(f.string());
        int active = -1;
        std::vector<std::string> names;
        EXPECT_EQ(fixtures::salary_shown(), joined(f, rt::sheet::CellText::shown, active, names));
        EXPECT_EQ(1, active);
        EXPECT_EQ((std::vector<std::string>{"说明", "工资"}), names);
        EXPECT_EQ(fixtures::salary_values(), joined(f, rt::sheet::CellText::value, active, names));
    }
}

// Cached formula results of every kind, numbers in formats by built-in id
// and by code, an 18-digit number in General, and a hidden sheet that the
// file names as active.
TEST_F(Spreadsheet, ShownTextOfFormulaResultsAndFormats) {
    const std::string data =
        "<row r=\"1\">"
        "<c r=\"A1\" s=\"3\"><f>B1*2</f><v>2.675</v></c>"
        "<c r=\"B1\" t=\"str\"><f>\"x\"</f><v>abc</v></c>"
        "<c r=\"C1\" t=\"b\"><f>1&gt;0</f><v>1</v></c>"
        "<c r=\"D1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
        "<c r=\"E1\"><v>110101199001011008</v></c>"
        "<c r=\"F1\" s=\"4\"><v>0.155</v></c>"
        "<c r=\"G1\" s=\"1\"><v>44899</v></c>"          // 1904 dates
        "<c r=\"H1\" s=\"5\"><v>-1234.5</v></c>"
        "<c r=\"I1\" s=\"5\"><v>0</v></c>"
        "</row>";
    fixtures::write_generated_xlsx(file("shown.xlsx"), data, "", [](std::map<std::string, std::string>& parts) {
        parts["xl/styles.xml"] =
            "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts count=\"2\">"
            "<numFmt numFmtId=\"164\" formatCode=\"yyyy&quot;" + fixtures::utf8("年") + "&quot;m&quot;" +
            fixtures::utf8("月") + "&quot;d&quot;" + fixtures::utf8("日") + "&quot;\"/>"
            "<numFmt numFmtId=\"165\" formatCode=\"[$\xC2\xA5-804]#,##0.00;[Red]\\(#,##0.00\\);&quot;-&quot;\"/>"
            "</numFmts><cellXfs count=\"6\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"0\"/>"
            "<xf numFmtId=\"2\"/><xf numFmtId=\"9\"/><xf numFmtId=\"165\"/></cellXfs></styleSheet>";
        const std::string ns = "http://schemas.openxmlformats.org/";
        std::string& book = parts["xl/workbook.xml"];
        book.replace(book.find("<sheet "), 0, "<sheet name=\"Note\" sheetId=\"2\" state=\"hidden\" r:id=\"rId7\"/>");
        book.replace(book.find("<sheets>"), 0, "<bookViews><workbookView activeTab=\"0\"/></bookViews>");
    });
    int active = -1;
    std::vector<std::string> names;
    EXPECT_EQ((std::vector<std::string>{"2.68|abc|TRUE|#DIV/0!|110101199001011000|16%|2026年12月5日|(1,234.50)|-"}),
              joined(file("shown.xlsx"), rt::sheet::CellText::shown, active, names));
    EXPECT_EQ((std::vector<std::string>{"Note", "Data"}), names);
    EXPECT_EQ(1, active); // the hidden first sheet is not the one shown
    // Values stay as a data provider hands them over.
    EXPECT_EQ((std::vector<std::string>{"2.675|abc|TRUE|#DIV/0!|110101199001011008|0.155|2026-12-05|-1234.5|0"}),
              joined(file("shown.xlsx"), rt::sheet::CellText::value, active, names));
}

// A damaged .xlsx is refused with the clerk's reason, never read in part:
// bytes changed under an intact zip (only the checksum notices; a stored
// entry keeps the number readable, 13800138000 turned into 13800138999),
// strings the workbook names but the archive lacks, and a DOCTYPE.
TEST_F(Spreadsheet, DamagedXlsxIsRefusedNotHalfRead) {
    const std::string data = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>13800138000</v></c></row>";
    const std::string shared = "<si><t>" + fixtures::utf8("张三") + "</t></si>";
    // Changes the first "13800138000" in a file's bytes.
    const auto tamper = [](const std::filesystem::path& f) {
        std::ifstream in(f, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        const std::size_t at = bytes.find("13800138000");
        ASSERT_NE(std::string::npos, at);
        bytes.replace(at, 11, "13800138999");
        std::ofstream(f, std::ios::binary) << bytes;
    };
    struct Case {
        const char* name;
        void (*change)(std::map<std::string, std::string>&);
        bool stored_and_tampered;
        bool open_fails; // refused at open, else when the sheet is read
    };
    const Case cases[] = {
        {"sheet_crc.xlsx", nullptr, true, false},
        {"strings_missing.xlsx", [](std::map<std::string, std::string>& p) { p.erase("xl/sharedStrings.xml"); }, false, true},
        {"strings_crc.xlsx", [](std::map<std::string, std::string>& p) {
             p["xl/sharedStrings.xml"].insert(p["xl/sharedStrings.xml"].find("</sst>"), "<si><t>13800138000</t></si>");
             p["xl/worksheets/sheet1.xml"].replace(p["xl/worksheets/sheet1.xml"].find("13800138000"), 11, "1");
         }, true, true},
        {"doctype.xlsx", [](std::map<std::string, std::string>& p) {
             std::string& sheet = p["xl/worksheets/sheet1.xml"];
             sheet.insert(sheet.find("<worksheet"), "<!DOCTYPE worksheet [<!ENTITY n \"13800138000\">]>");
         }, false, false},
        {"strings_doctype.xlsx", [](std::map<std::string, std::string>& p) {
             std::string& sst = p["xl/sharedStrings.xml"];
             sst.insert(sst.find("<sst"), "<!DOCTYPE sst [<!ENTITY n \"x\">]>");
         }, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixtures::write_generated_xlsx(file(c.name), data, shared, c.change, c.stored_and_tampered);
        if (c.stored_and_tampered) tamper(file(c.name));
        std::string error;
        auto book = Workbook::open(file(c.name).string(), error);
        if (c.open_fails) {
            EXPECT_EQ(nullptr, book);
        } else {
            ASSERT_NE(nullptr, book) << error;
            rt::sheet::SheetRows rows;
            EXPECT_FALSE(rt::sheet::read_rows(*book, 0, rows, error));
        }
        EXPECT_EQ(rt::sheet::reason(rt::sheet::Reason::damaged), error);
    }

    // The same files untouched read whole.
    fixtures::write_generated_xlsx(file("sound.xlsx"), data, shared, nullptr, true);
    EXPECT_EQ((std::vector<std::string>{"1: 1=张三 2=13800138000"}), dump(*open_ok(file("sound.xlsx")), 0));
}

TEST_F(Spreadsheet, ReasonsForFilesThatAreNoWorkbook) {
    dir.write("list.csv", "a,b\r\n");
    dir.write("broken.xlsx", std::string("PK\x03\x04", 4) + "not a zip at all");
    const std::pair<const char*, rt::sheet::Reason> cases[] = {
        {"list.csv", rt::sheet::Reason::not_workbook},
        {"broken.xlsx", rt::sheet::Reason::not_workbook},
        {"missing.xlsx", rt::sheet::Reason::cannot_open},
    };
    for (const auto& [name, why] : cases) {
        std::string error;
        EXPECT_EQ(nullptr, Workbook::open(file(name).string(), error)) << name;
        EXPECT_EQ(rt::sheet::reason(why), error) << name;
    }
}
