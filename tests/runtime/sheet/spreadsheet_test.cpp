#include "runtime/sheet/numfmt.h"
#include "runtime/sheet/shared_strings.h"
#include "runtime/sheet/sheet_reason.h"
#include "runtime/sheet/spreadsheet.h"
#include "runtime/sheet/xlsx_reader.h"
#include "tests/runtime/sheet/workbook_fixtures.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

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

std::unique_ptr<Workbook> open_ok(const std::filesystem::path& file,
                                  rt::sheet::CellText mode = rt::sheet::CellText::value) {
    std::string error;
    auto book = Workbook::open(file.string(), error, mode);
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
        // Past 9999-12-31 a number, in either system, as the shown text has it.
        {2958465, false, "9999-12-31"}, {2958466, false, "2958466"}, {2957003, true, "9999-12-31"},
        {2957004, true, "2957004"},
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
    EXPECT_EQ(0, xls->active_sheet());
    EXPECT_EQ(salary, dump(*xls, 0));

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

// Number text as the file writes it: taken as written where that is already
// how the number shows, tidied where it is not.
TEST_F(Spreadsheet, XlsxNumberTextAsWrittenAndTidied) {
    const char* written[] = {"12.5", "-5", "12.", "007", "5.50", "-12.50", "0.250", ".5", "-0", "1.5E+3"};
    const char* shown[] = {"12.5", "-5", "12", "7", "5.5", "-12.5", "0.25", "0.5", "0", "1500"};
    std::string data = "<row r=\"1\">";
    std::string expected = "1:";
    for (int i = 0; i < 10; ++i) {
        data += std::string("<c><v>") + written[i] + "</v></c>";
        expected += " " + std::to_string(i + 1) + "=" + shown[i];
    }
    data += "</row>";
    fixtures::write_generated_xlsx(file("numbers.xlsx"), data);
    auto book = open_ok(file("numbers.xlsx"));
    ASSERT_TRUE(book);
    EXPECT_EQ((std::vector<std::string>{expected}), dump(*book, 0));
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


// ---- .xls --------------------------------------------------------------------

namespace {

using fixtures::Kind;
using rt::sheet::CellText;
using rt::sheet::Reason;

std::string bytes_of(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path regressions() {
    return std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) / "fuzz/regressions/sheet";
}

fixtures::biff::Options version(int v) {
    fixtures::biff::Options o;
    o.version = v;
    return o;
}

} // namespace

// A formula cell gives its last result, whatever its kind: a number (with
// the cell's format), a text from the record after the formula, a boolean,
// an error. An empty text result is no cell. Plain boolean and error cells
// read the same. BIFF5 and BIFF8 alike, in both modes.
TEST_F(Spreadsheet, XlsFormulaCellsGiveTheirLastResult) {
    const fixtures::FSheet s{"公式", {{0, 0, Kind::formula, "", 4100},      {0, 1, Kind::formula_text, "张三的实发"},
                                      {0, 2, Kind::formula_bool, "", 1},    {0, 3, Kind::formula_bool, "", 0},
                                      {0, 4, Kind::formula_error, "#DIV/0!"}, {0, 5, Kind::formula_error, "#N/A"},
                                      {0, 6, Kind::formula_text, ""},       {0, 7, Kind::boolean, "", 1},
                                      {0, 8, Kind::error, "#REF!"},         {0, 9, Kind::formula, "", 0.1 + 0.2},
                                      {1, 0, Kind::formula, "", 45360, "yyyy-mm-dd"}, {1, 1, Kind::formula, "", -42},
                                      {1, 2, Kind::formula, "", -0.0}, {1, 3, Kind::formula, "", 13800138000.0}}};
    for (int v : {8, 5}) {
        fixtures::write_xls(file("f.xls"), {s}, version(v));
        for (CellText mode : {CellText::value, CellText::shown}) {
            SCOPED_TRACE("BIFF" + std::to_string(v) + (mode == CellText::shown ? " shown" : " value"));
            auto book = open_ok(file("f.xls"), mode);
            ASSERT_TRUE(book);
            EXPECT_EQ((std::vector<std::string>{"公式"}), book->sheet_names());
            const bool shown = mode == CellText::shown;
            const std::string general = shown ? rt::sheet::format_number(4100, "", false) : "4100";
            const std::string third = shown ? rt::sheet::format_number(0.1 + 0.2, "", false) : "0.3";
            const std::string date = shown ? rt::sheet::format_number(45360, "yyyy-mm-dd", false) : "2024-03-09";
            EXPECT_EQ((std::vector<std::string>{"1: 1=" + general + " 2=张三的实发 3=TRUE 4=FALSE 5=#DIV/0! 6=#N/A "
                                                "8=TRUE 9=#REF! 10=" + third,
                                                "2: 1=" + date + " 2=" + (shown ? rt::sheet::format_number(-42, "", false) : "-42") +
                                                    " 3=" + (shown ? rt::sheet::format_number(-0.0, "", false) : "0") +
                                                    " 4=" + (shown ? rt::sheet::format_number(13800138000.0, "", false) : "13800138000")}),
                      dump(*book, 0));
        }
    }
}

// The active sheet is the tab the workbook names, unless that one is hidden
// or not there: then the first visible sheet. Hidden sheets are still
// listed and read by their index.
TEST_F(Spreadsheet, XlsActiveSheetIsTheNamedTabAndNeverAHiddenOne) {
    struct Case { bool first_hidden; int active; int expected; };
    const Case cases[] = {
        {true, 1, 1}, {true, 0, 1}, {true, -1, 1}, {false, 2, 2}, {false, -1, 0}, {false, 7, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first_hidden) + " " + std::to_string(c.active));
        fixtures::FSheet note{"说明", {{0, 0, Kind::text, "备注"}}, c.first_hidden};
        fixtures::biff::Options o;
        o.active = c.active;
        fixtures::write_xls(file("a.xls"), {note, fixtures::salary_sheet(), fixtures::wide_sheet()}, o);
        auto book = open_ok(file("a.xls"));
        ASSERT_TRUE(book);
        EXPECT_EQ((std::vector<std::string>{"说明", "工资表", "Wide"}), book->sheet_names());
        EXPECT_EQ(c.expected, book->active_sheet());
        EXPECT_EQ((std::vector<std::string>{"1: 1=备注"}), dump(*book, 0));
    }
}

// Dates are told by their number format, built in or the workbook's own, in
// the workbook's date system; in shown mode every number cell is its
// format's text.
TEST_F(Spreadsheet, XlsNumberFormatsAndDateSystems) {
    const std::string money = "#,##0.00", rate = "0%", day = "yyyy\"年\"m\"月\"d\"日\"";
    const fixtures::FSheet s{"S", {{0, 0, Kind::number, "", 12345.678, money}, {0, 1, Kind::number, "", 0.256, rate},
                                   {0, 2, Kind::number, "", 45360, day},        {0, 3, Kind::date, "", 45360},
                                   {0, 4, Kind::datetime, "", 45291.4375},      {0, 5, Kind::formula, "", 4100.5, money}}};
    for (int v : {8, 5})
        for (bool d1904 : {false, true}) {
            SCOPED_TRACE("BIFF" + std::to_string(v) + (d1904 ? " 1904" : " 1900"));
            fixtures::biff::Options o = version(v);
            o.date1904 = d1904;
            fixtures::write_xls(file("n.xls"), {s}, o);
            const std::string date = rt::sheet::date_text(45360, d1904);
            EXPECT_EQ((std::vector<std::string>{"1: 1=12345.678 2=0.256 3=" + date + " 4=" + date + " 5=" +
                                                rt::sheet::date_text(45291.4375, d1904) + " 6=4100.5"}),
                      dump(*open_ok(file("n.xls")), 0));
            const auto f = [d1904](double x, const std::string& code) { return rt::sheet::format_number(x, code, d1904); };
            // A built-in date format without a known code still shows a date.
            const auto builtin = [&](double x, int id) {
                const std::string code = rt::sheet::builtin_format_code(id);
                return code.empty() ? rt::sheet::date_text(x, d1904) : f(x, code);
            };
            EXPECT_EQ((std::vector<std::string>{"1: 1=" + f(12345.678, money) + " 2=" + f(0.256, rate) + " 3=" +
                                                f(45360, day) + " 4=" + builtin(45360, 14) + " 5=" +
                                                builtin(45291.4375, 22) + " 6=" + f(4100.5, money)}),
                      dump(*open_ok(file("n.xls"), CellText::shown), 0));
        }
}

// The shared-string table of a large sheet goes on in CONTINUE records,
// which split strings in the middle, the rest narrow or wide.
TEST_F(Spreadsheet, XlsSharedStringsAcrossContinueRecords) {
    fixtures::FSheet s{"名单", {}};
    for (int r = 0; r < 1500; ++r) {
        s.cells.push_back({r, 0, Kind::text, "客户" + std::to_string(r) + std::string(r % 7, 'x')});
        s.cells.push_back({r, 1, Kind::text, "name-" + std::to_string(r) + std::string(r % 11, '-') + "完"});
    }
    fixtures::write_xls(file("s.xls"), {s});
    ASSERT_NE(std::string::npos, bytes_of(file("s.xls")).find(std::string("\x3C\x00", 2)));
    auto book = open_ok(file("s.xls"));
    ASSERT_TRUE(book);
    const std::vector<std::string> rows = dump(*book, 0);
    ASSERT_EQ(1500u, rows.size());
    for (int r : {0, 499, 1000, 1499})
        EXPECT_EQ(std::to_string(r + 1) + ": 1=客户" + std::to_string(r) + std::string(r % 7, 'x') + " 2=name-" +
                      std::to_string(r) + std::string(r % 11, '-') + "完",
                  rows[static_cast<std::size_t>(r)]);
}

// A workbook whose stream is encrypted, or a password-protected office
// package inside a compound document, is protected; a compound document
// without a workbook is none.
TEST_F(Spreadsheet, XlsProtectedAndForeignCompoundDocuments) {
    fixtures::biff::Options o;
    o.filepass = true;
    fixtures::write_xls(file("filepass.xls"), {fixtures::salary_sheet()}, o);
    dir.write("package.xlsx", fixtures::biff::compound({{"EncryptionInfo", std::string(300, '\4')},
                                                        {"EncryptedPackage", std::string(5000, '\x7F')}}));
    dir.write("letter.xls", fixtures::biff::compound(std::string(5000, 'w'), "WordDocument"));
    struct Case { const char* name; Reason why; };
    for (const Case& c : {Case{"filepass.xls", Reason::protected_}, Case{"package.xlsx", Reason::protected_},
                          Case{"letter.xls", Reason::not_workbook}}) {
        std::string error;
        EXPECT_EQ(nullptr, Workbook::open(file(c.name).string(), error)) << c.name;
        EXPECT_EQ(rt::sheet::reason(c.why), error) << c.name;
    }
}

// A damaged .xls is refused whole: at the open when the container or the
// workbook's globals are damaged, at the read, before any row, when a
// sheet's records are. The inputs that once led a library astray are
// refused too.
TEST_F(Spreadsheet, DamagedXlsIsRefusedNotHalfLoaded) {
    const std::string stream = fixtures::biff::workbook_stream({fixtures::salary_sheet()}, false);
    const std::string sound = fixtures::biff::compound(stream);
    std::map<std::string, std::string> at_open = {
        {"short.xls", sound.substr(0, 700)},
        {"sector_shift.xls", sound.substr(0, 0x1E) + std::string("\x10\x00", 2) + sound.substr(0x20)},
        // a string table whose first string claims 3 GiB of phonetic data
        {"wild_skip.xls", [&stream] {
             std::string s = stream;
             const std::size_t sst = s.find(std::string("\xFC\x00", 2));
             s[sst + 4 + 8 + 2] = 0x05;                         // wide, with phonetic data,
             s.insert(sst + 4 + 8 + 3, std::string("\0\0\0\xC0", 4)); // of 3 GiB
             s[sst + 2] = static_cast<char>(static_cast<unsigned char>(s[sst + 2]) + 4);
             return fixtures::biff::compound(s);
         }()},
    };
    for (const char* name : {"freexl_stack_read.xls", "freexl_header_as_directory.xls"})
        at_open[name] = bytes_of(regressions() / name);
    for (const auto& [name, bytes] : at_open) {
        dir.write(name, bytes);
        std::string error;
        EXPECT_EQ(nullptr, Workbook::open(file(name).string(), error)) << name;
        EXPECT_EQ(rt::sheet::reason(Reason::damaged), error) << name;
    }

    // The sheet's last records cut off: the globals read, the sheet does not.
    const std::size_t eof = stream.rfind(std::string("\x0A\x00\x00\x00", 4));
    dir.write("cut.xls", fixtures::biff::compound(stream.substr(0, eof - 3)));
    auto book = open_ok(file("cut.xls"));
    ASSERT_TRUE(book);
    int rows = 0;
    std::string error;
    EXPECT_FALSE(book->read(0, [&rows](std::int32_t, const std::vector<rt::sheet::Cell>&) { return ++rows, true; }, error));
    EXPECT_EQ(0, rows);
    EXPECT_EQ(rt::sheet::reason(Reason::damaged), error);
    EXPECT_FALSE(book->read(1, [](std::int32_t, const std::vector<rt::sheet::Cell>&) { return true; }, error));
    EXPECT_EQ(rt::sheet::reason(Reason::no_sheet), error);

    // Whatever this one reads as, it reads without fault.
    dir.write("over_read.xls", bytes_of(regressions() / "freexl_heap_read_workbook_stream.xls"));
    if (auto other = Workbook::open(file("over_read.xls").string(), error))
        for (int s = 0; s < static_cast<int>(other->sheet_names().size()); ++s)
            other->read(s, [](std::int32_t, const std::vector<rt::sheet::Cell>&) { return true; }, error);
    else
        EXPECT_FALSE(error.empty());
}

// A workbook under 4096 bytes, whose stream lies in the compound document's
// mini stream, reads as a large one does.
TEST_F(Spreadsheet, SmallXlsFromTheMiniStream) {
    for (int v : {8, 5}) {
        fixtures::biff::Options o = version(v);
        o.small = true;
        fixtures::write_xls(file("small.xls"), {fixtures::salary_sheet()}, o);
        ASSERT_LT(bytes_of(file("small.xls")).size(), 4096u);
        auto book = open_ok(file("small.xls"));
        ASSERT_TRUE(book);
        EXPECT_EQ((std::vector<std::string>{"3: 1=姓名 2=手机 3=基本工资 4=扣款 5=入职日期 6=实发",
                                            "4: 1=张三 2=13800138000 3=5000.5 5=2024-03-09 6=5000.5",
                                            "5: 1=李四 2=13900139000 3=4200 4=100 5=2023-12-31 10:30:00 6=4100"}),
                  dump(*book, 0))
            << v;
    }
}

// A sheet of many sectors and allocation-table sectors reads whole.
TEST_F(Spreadsheet, LargeXlsReadsWhole) {
    fixtures::FSheet big{"Big", {}};
    for (int r = 0; r < 20000; ++r)
        for (int c = 0; c < 4; ++c) big.cells.push_back({r, c, Kind::number, "", r * 10.0 + c + 0.5 * (c == 3)});
    fixtures::write_xls(file("big.xls"), {big});
    auto book = open_ok(file("big.xls"));
    ASSERT_TRUE(book);
    rt::sheet::SheetRows rows;
    std::string error;
    ASSERT_TRUE(rt::sheet::read_rows(*book, 0, rows, error)) << error;
    ASSERT_EQ(20000u, rows.rows.size());
    EXPECT_EQ("199993.5", rows.rows.back().cells.back().text);
    EXPECT_EQ(4, rows.last_column);
}

// A salary workbook saved by an office program (tests/runtime/sheet/data/
// make_salary_xls.sh): shared formulas, RK and MULRK numbers, the program's
// own format records. Every cell reads as the program shows it: the active
// sheet past the hidden note, formula results of each kind, and the shown
// text of the formatted cells after their own format codes.
TEST(SpreadsheetOfficeFile, SalaryXlsReadsAsTheOfficeProgramShowsIt) {
    const auto path = std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) / "tests/runtime/sheet/data/salary.xls";
    std::string error;
    auto book = Workbook::open(path.string(), error);
    ASSERT_TRUE(book) << error;
    EXPECT_EQ((std::vector<std::string>{"说明", "工资"}), book->sheet_names());
    EXPECT_EQ(1, book->active_sheet());
    EXPECT_EQ((std::vector<std::string>{
                  "1: 1=姓名 2=手机 3=基本工资 4=扣款 5=实发 6=比例 7=发放日 8=备注 9=达标 10=人均",
                  "2: 1=张三 2=13800138000 3=5000.5 4=100 5=4900.5 6=0.05 7=2024-03-09 8=张三的工资 9=TRUE 10=#DIV/0!",
                  "3: 1=李四 2=13900139000 3=4200 4=0 5=4200 6=0.1 7=2024-03-10 8=李四的工资 9=FALSE 10=#DIV/0!",
                  "4: 1=王五 2=13700137000 3=8000 4=1234.56 5=6765.44 6=0.15 7=2024-03-11 8=王五的工资 9=TRUE "
                  "10=#DIV/0!"}),
              dump(*book, 1));
    EXPECT_EQ((std::vector<std::string>{"1: 1=本表由人事部填写，请勿改动"}), dump(*book, 0));

    auto shown = Workbook::open(path.string(), error, CellText::shown);
    ASSERT_TRUE(shown) << error;
    const auto f = [](double v, const std::string& code) { return rt::sheet::format_number(v, code, false); };
    const std::string money = "#,##0.00", day = "yyyy\\年m\\月d\\日";
    EXPECT_EQ("4: 1=王五 2=" + f(13700137000.0, "General") + " 3=" + f(8000, money) + " 4=" + f(1234.56, money) +
                  " 5=" + f(6765.44, money) + " 6=" + f(0.15, "0%") + " 7=" + f(45362, day) +
                  " 8=王五的工资 9=TRUE 10=#DIV/0!",
              dump(*shown, 1).back());
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

// The salary workbook as our writers make it, .xlsx and .xls alike, and as
// an office program saved the .xlsx again (tests/runtime/sheet/data/salary_office.xlsx: write_salary_xlsx's file
// opened and saved there; its styles name General and the Chinese date as
// their own formats, with \-escaped characters). The hidden note sheet is
// never the one read; the shown texts are what the office program itself
// exports as the sheet's text.
TEST_F(Spreadsheet, SalaryWorkbookShowsWhatTheSheetShows) {
    fixtures::write_salary_xlsx(file("salary.xlsx"));
    fixtures::write_salary_xls(file("salary.xls"));
    const std::filesystem::path office =
        std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) / "tests/runtime/sheet/data/salary_office.xlsx";
    for (const std::filesystem::path& f : {file("salary.xlsx"), file("salary.xls"), office}) {
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
        // The parser goes on past a broken declaration and reports text
        // outside any element: no crash, and still a damaged file.
        {"declaration.xlsx", [](std::map<std::string, std::string>& p) {
             std::string& sheet = p["xl/worksheets/sheet1.xml"];
             sheet.replace(sheet.find("version="), 8, "versionc");
         }, false, false},
        {"strings_declaration.xlsx", [](std::map<std::string, std::string>& p) {
             std::string& sst = p["xl/sharedStrings.xml"];
             sst.replace(sst.find("version="), 8, "versionc");
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

// ---- texts as the sheet holds them --------------------------------------------

// Office programs write a carriage return in a text as _x000D_, any character
// as _xHHHH_, and an underscore that would start such a form as _x005F_:
// shared strings, inline strings and sheet names read as the characters.
TEST_F(Spreadsheet, XlsxEscapedCharactersReadAsThemselves) {
    const std::string shared =
        "<si><t>" + fixtures::utf8("第一行") + "_x000D_&#10;" + fixtures::utf8("第二行") + "</t></si>"
        "<si><t>_x005F_x000D_</t></si>"                                  // a literal _x000D_
        "<si><r><t>a_x000d_</t></r><r><t>b</t></r></si>"               // lower-case digits, runs
        "<si><t>_x0041__xD83D__xDE00__xD800_z_x00G1__x000D</t></si>"    // pair, half a pair, no escapes
        "<si><t>n_x0000_ul</t></si>";
    const std::string data =
        "<row r=\"1\"><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c><c t=\"s\"><v>2</v></c>"
        "<c t=\"s\"><v>3</v></c><c t=\"s\"><v>4</v></c>"
        "<c t=\"inlineStr\"><is><t>x_x000D_y_x005F_</t></is></c></row>";
    fixtures::write_generated_xlsx(file("escapes.xlsx"), data, shared, [](std::map<std::string, std::string>& p) {
        std::string& book = p["xl/workbook.xml"];
        book.replace(book.find("name=\"Data\""), 11, "name=\"Pay_x0020_Q1\"");
    });
    auto book = open_ok(file("escapes.xlsx"));
    ASSERT_TRUE(book);
    EXPECT_EQ((std::vector<std::string>{"Pay Q1"}), book->sheet_names());
    EXPECT_EQ((std::vector<std::string>{"1: 1=第一行\r\n第二行 2=_x000D_ 3=a\rb 4=A??z_x00G1__x000D 5=nul 6=x\ry_"}),
              dump(*book, 0));
}

// A long text cell of a BIFF5 workbook goes on in CONTINUE records as plain
// bytes of its code page, without the option byte BIFF8 puts there: a text
// cell and a formula's text result, then the cells after them.
TEST_F(Spreadsheet, XlsBiff5LongTextsAcrossContinueRecords) {
    std::string note, result;
    for (int i = 0; i < 600; ++i) note += "客户" + std::to_string(i) + ",";
    for (int i = 0; i < 500; ++i) result += "r" + std::to_string(i);
    ASSERT_GT(note.size(), 2 * 2080u);
    const fixtures::FSheet s{"长文", {{0, 0, Kind::text, "备注"}, {0, 1, Kind::text, note},
                                      {1, 0, Kind::formula_text, result}, {1, 1, Kind::text, "完"}}};
    fixtures::write_xls(file("long5.xls"), {s}, version(5));
    auto book = open_ok(file("long5.xls"));
    ASSERT_TRUE(book);
    EXPECT_EQ((std::vector<std::string>{"1: 1=备注 2=" + note, "2: 1=" + result + " 2=完"}), dump(*book, 0));
}

// The same from a spreadsheet program's Excel 95 file (tests/runtime/sheet/data/
// make_long_text_biff5.sh), in code page 1252.
TEST(SpreadsheetOfficeFile, Biff5LongTextFromAnotherProgram) {
    const auto path =
        std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) / "tests/runtime/sheet/data/long_text_biff5.xls";
    std::string error;
    auto book = Workbook::open(path.string(), error);
    ASSERT_TRUE(book) << error;
    std::string note;
    for (int i = 0; i < 280; ++i) note += "Client" + std::string(i < 10 ? "000" : i < 100 ? "00" : "0") + std::to_string(i) + ",";
    EXPECT_EQ((std::vector<std::string>{"1: 1=Name 2=Note", "2: 1=Zhang 2=" + note, "3: 1=Café 2=first\r\nsecond"}),
              dump(*book, 0));
}

// ---- currency signs in number formats -------------------------------------------

// A format code's text in GBK: the yen sign as GBK's full-width one, any other
// sign GBK lacks a "?" that stays a sign wherever it stands, General none.
TEST(SpreadsheetFormatCode, SignsGbkLacksStaySigns) {
    const std::string yen = "\xC2\xA5", won = "\xE2\x82\xA9"; // UTF-8
    struct Case { std::string code; std::string gbk; };
    const Case cases[] = {
        {"\"" + yen + "\"#,##0.00", "\"￥\"#,##0.00"}, {"[$" + yen + "-804]#,##0.00", "[$￥-804]#,##0.00"},
        {won + "0", "\\?0"},       {"\"" + won + "\"0", "\"?\"0"}, {"\\" + won + "0", "\\?0"},
        {"[$" + won + "-412]0", "[$?-412]0"}, {"_" + won + "0", "_?0"}, {"0\"" + won + won + "\"" + won, "0\"??\"\\?"},
        {"General", ""},           {"GENERAL", ""}, {fixtures::utf8("0.00\"元\""), "0.00\"元\""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.gbk, rt::sheet::format_code_gbk(c.code)) << c.code;
    // Never a digit placeholder: 5 in a code with the sign shows the sign.
    EXPECT_EQ("?5", rt::sheet::format_number(5, rt::sheet::format_code_gbk(won + "0"), false));
}

// The yen sign (U+00A5, Y below) in "Y"#,##0.00 and [$Y-804]#,##0.00 shows
// ￥1,234.50 from .xlsx and from .xls, BIFF8 (UTF-16) and BIFF5 (code page
// 1252); another sign GBK lacks shows a "?" and leaves the digits alone.
TEST_F(Spreadsheet, CurrencySignsShowFromXlsxAndXls) {
    struct Case { std::string utf8, gb18030, cp1252, shown; };
    const Case cases[] = {
        {"&quot;\xC2\xA5&quot;#,##0.00", "\"\x81\x30\x84\x36\"#,##0.00", "\"\xA5\"#,##0.00", "￥1,234.50"},
        {"[$\xC2\xA5-804]#,##0.00", "[$\x81\x30\x84\x36-804]#,##0.00", "[$\xA5-804]#,##0.00", "￥1,234.50"},
        {"\xE2\x82\xA9#,##0", "\x81\x36\xB2\x39#,##0", "", "?1,235"},
    };
    static std::string code; // the xlsx code of the case, for the captureless change below
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        code = c.utf8;
        fixtures::write_generated_xlsx(file("cur.xlsx"), "<row r=\"1\"><c s=\"1\"><v>1234.5</v></c></row>", "",
                                       [](std::map<std::string, std::string>& p) {
                                           p["xl/styles.xml"] =
                                               "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
                                               "2006/main\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"" +
                                               code + "\"/></numFmts><cellXfs count=\"2\"><xf numFmtId=\"0\"/>"
                                               "<xf numFmtId=\"164\"/></cellXfs></styleSheet>";
                                       });
        EXPECT_EQ((std::vector<std::string>{"1: 1=" + c.shown}), dump(*open_ok(file("cur.xlsx"), CellText::shown), 0));

        const fixtures::FSheet biff8{"S", {{0, 0, Kind::number, "", 1234.5, c.gb18030}}};
        fixtures::write_xls(file("cur8.xls"), {biff8}, version(8));
        EXPECT_EQ((std::vector<std::string>{"1: 1=" + c.shown}), dump(*open_ok(file("cur8.xls"), CellText::shown), 0));
        if (c.cp1252.empty()) continue;
        const fixtures::FSheet biff5{"S", {{0, 0, Kind::number, "", 1234.5, c.cp1252}}};
        fixtures::biff::Options o = version(5);
        o.codepage = 1252;
        fixtures::write_xls(file("cur5.xls"), {biff5}, o);
        EXPECT_EQ((std::vector<std::string>{"1: 1=" + c.shown}), dump(*open_ok(file("cur5.xls"), CellText::shown), 0));
    }
}

// A format code of 1.6 million yen signs (a zip of a few kilobytes) is
// converted in one pass, not sign by sign: the sheet reads.
TEST_F(Spreadsheet, FormatCodeOfMillionsOfSignsReads) {
    fixtures::write_generated_xlsx(file("yen.xlsx"), "<row r=\"1\"><c s=\"1\"><v>7</v></c></row>", "",
                                   [](std::map<std::string, std::string>& p) {
                                       std::string code;
                                       for (int i = 0; i < 1600000; ++i) code += "\xC2\xA5";
                                       p["xl/styles.xml"] =
                                           "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
                                           "2006/main\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"" +
                                           code + "0\"/></numFmts><cellXfs count=\"2\"><xf numFmtId=\"0\"/>"
                                           "<xf numFmtId=\"164\"/></cellXfs></styleSheet>";
                                   });
    ASSERT_LT(bytes_of(file("yen.xlsx")).size(), 16u * 1024);
    auto book = open_ok(file("yen.xlsx"), CellText::shown);
    ASSERT_TRUE(book);
    const std::vector<std::string> rows = dump(*book, 0);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(std::string("1: 1=") .size() + 2 * 1600000 + 1, rows[0].size());
    EXPECT_EQ("1: 1=￥￥", rows[0].substr(0, 9));
    EXPECT_EQ("￥7", rows[0].substr(rows[0].size() - 3));
}

// ---- parts that are refused ---------------------------------------------------

// A document type declaration is refused in every part the reader reads, the
// small ones as the sheets: an entity could rename a sheet, or grow without
// end. The workbook is refused at its open, or, for the sheet, at its read.
TEST_F(Spreadsheet, DoctypeInAnyPartIsRefused) {
    struct Case { const char* part; const char* doctype; bool at_read; };
    const Case cases[] = {
        {"_rels/.rels", "<!DOCTYPE Relationships>", false},
        {"xl/workbook.xml", "<!DOCTYPE workbook [<!ENTITY n \"Evil\">]>", false},
        {"xl/_rels/workbook.xml.rels", "<!DOCTYPE Relationships>", false},
        {"xl/styles.xml",
         "<!DOCTYPE styleSheet [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>",
         false},
        {"xl/sharedStrings.xml", "<!DOCTYPE sst>", false},
        {"xl/worksheets/sheet1.xml", "<!DOCTYPE worksheet>", true},
    };
    static const Case* current; // for the captureless change below
    for (const Case& c : cases) {
        SCOPED_TRACE(c.part);
        current = &c;
        fixtures::write_generated_xlsx(file("dtd.xlsx"), "<row r=\"1\"><c t=\"s\"><v>0</v></c></row>", "<si><t>x</t></si>",
                                       [](std::map<std::string, std::string>& p) {
                                           std::string& part = p.at(current->part);
                                           part.insert(part.find("?>") + 2, current->doctype);
                                           // The entities in use where they are declared.
                                           if (part.find("ENTITY n") != std::string::npos)
                                               part.replace(part.find("name=\"Data\""), 11, "name=\"&n;\"");
                                           if (part.find("ENTITY d") != std::string::npos)
                                               part.replace(part.find("formatCode=\""), 12, "formatCode=\"&d;");
                                       });
        std::string error;
        auto book = Workbook::open(file("dtd.xlsx").string(), error);
        if (c.at_read) {
            ASSERT_NE(nullptr, book) << error;
            EXPECT_FALSE(book->read(0, [](std::int32_t, const std::vector<rt::sheet::Cell>&) { return true; }, error));
        } else {
            EXPECT_EQ(nullptr, book);
        }
        EXPECT_EQ(rt::sheet::reason(Reason::damaged), error);
    }
}

// ---- shared strings held once, within a cap -------------------------------------

// Items in blocks of about a mebibyte read back whole on either side of a
// block's border; what would pass the cap is not taken, counting each item's
// NUL and its four-byte end.
TEST(SpreadsheetSharedStrings, HeldInBlocksWithinTheCap) {
    rt::sheet::SharedStrings table(8u << 20);
    std::vector<std::string> items;
    for (int i = 0; i < 6000; ++i) items.push_back(std::string(static_cast<std::size_t>(i % 997), static_cast<char>('a' + i % 26)));
    std::string joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i % 3 == 0) {
            ASSERT_TRUE(table.add(items[i]));
            continue;
        }
        joined += items[i] + '\0';
        if (i % 3 == 2) {
            ASSERT_TRUE(table.add_block(std::exchange(joined, std::string())));
        }
    }
    ASSERT_EQ(items.size(), table.size());
    for (std::size_t i = 0; i < items.size(); ++i) ASSERT_EQ(items[i], table[i]) << i;

    rt::sheet::SharedStrings small(20);
    EXPECT_TRUE(small.add("abc"));     // 3 + 1 + 4
    EXPECT_TRUE(small.add("abcdefg")); // 7 + 1 + 4: exactly the cap
    EXPECT_FALSE(small.add(""));
    EXPECT_FALSE(small.add_block(std::string("x\0", 2)));
    EXPECT_EQ(2u, small.size());
    EXPECT_EQ("abcdefg", small[1]);
}

// A small .xlsx whose shared strings inflate past the cap (zlib makes a few
// hundred kilobytes of them) is refused as too large, not read into memory
// without end.
TEST_F(Spreadsheet, SharedStringsPastTheCapAreRefused) {
    fixtures::write_generated_xlsx(file("huge.xlsx"), "<row r=\"1\"><c t=\"s\"><v>0</v></c></row>", "",
                                   [](std::map<std::string, std::string>& p) { p.erase("xl/sharedStrings.xml"); });
    zipFile z = zipOpen64(file("huge.xlsx").c_str(), APPEND_STATUS_ADDINZIP);
    ASSERT_NE(nullptr, z);
    zipOpenNewFileInZip(z, "xl/sharedStrings.xml", nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_SPEED);
    const std::string head = "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    zipWriteInFileInZip(z, head.data(), static_cast<unsigned>(head.size()));
    std::string items;
    while (items.size() < (1u << 20)) items += "<si><t>" + std::string(1000, 'x') + "</t></si>";
    std::size_t written = 0;
    for (; written <= rt::sheet::SharedStrings::default_cap + (8u << 20); written += items.size())
        zipWriteInFileInZip(z, items.data(), static_cast<unsigned>(items.size()));
    zipWriteInFileInZip(z, "</sst>", 6);
    zipCloseFileInZip(z);
    zipClose(z, nullptr);
    ASSERT_LT(bytes_of(file("huge.xlsx")).size(), 4u << 20);

    std::string error;
    EXPECT_EQ(nullptr, Workbook::open(file("huge.xlsx").string(), error));
    EXPECT_EQ(rt::sheet::reason(Reason::too_large), error);
}

// Cells in the format codes clerks' workbooks carry (fractions, text
// sections, Chinese numerals and locales, fractions of a second), saved by
// an office program as .xls and as .xlsx (tests/runtime/sheet/data/make_formats.sh),
// the written workbook too: each cell reads as the program itself shows it
// (formats_shown.csv, its "as shown" text export).
TEST(SpreadsheetOfficeFile, FormatsReadAsTheOfficeProgramShowsThem) {
    const auto data = std::filesystem::path(std::getenv("VELOTRA_SOURCE_DIR")) / "tests/runtime/sheet/data";
    std::ifstream csv(data / "formats_shown.csv", std::ios::binary);
    std::vector<std::string> expected;
    for (std::string line; std::getline(csv, line);) {
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
        expected.push_back(rt::sheet::to_gbk(line));
    }
    ASSERT_EQ(21u, expected.size());
    for (const char* name : {"formats.xls", "formats_office.xlsx"}) {
        SCOPED_TRACE(name);
        int active = -1;
        std::vector<std::string> names;
        EXPECT_EQ(expected, joined(data / name, rt::sheet::CellText::shown, active, names));
    }
}

// .xls workbooks made to take a reader's time and memory: a format code of tens
// of thousands of commas under every cell, and tens of thousands of cell
// styles over one long code. Each code is read once, in one pass, however
// many styles and cells use it; the cells show what the code makes of them.
TEST_F(Spreadsheet, LongFormatCodesUnderManyXlsStylesAndCells) {
    const std::string commas = "0" + std::string(32000, ',') + "\"k\""; // each trailing comma divides by a thousand
    fixtures::FSheet s{"S", {}};
    for (int r = 0; r < 20; ++r) s.cells.push_back({r, 0, Kind::number, "", 1234.5 + r, commas});
    fixtures::biff::Options o;
    fixtures::write_xls(file("commas.xls"), {s}, o);
    o.extra_xfs = 100000;
    fixtures::write_xls(file("styles.xls"), {s}, o);
    for (const char* name : {"commas.xls", "styles.xls"}) {
        SCOPED_TRACE(name);
        const std::vector<std::string> rows = dump(*open_ok(file(name), CellText::shown), 0);
        ASSERT_EQ(20u, rows.size());
        EXPECT_EQ("20: 1=0k", rows.back());
        EXPECT_EQ("20: 1=1253.5", dump(*open_ok(file(name)), 0).back());
    }

}

// .xlsx: 5,000 styles over a code of 100,000 commas, and over one of 20,000
// yen signs (each written as U+00A5, shown as the full-width sign).
TEST_F(Spreadsheet, LongFormatCodesUnderManyXlsxStyles) {
    std::string cells;
    for (int i = 0; i < 4; ++i)
        cells += "<c r=\"" + std::string(1, static_cast<char>('A' + i)) + "1\" s=\"" + std::to_string(4990 + i) + "\"><v>" +
                 std::to_string(1234567 * (i + 1)) + "</v></c>";
    fixtures::write_generated_xlsx(file("styles.xlsx"), "<row r=\"1\">" + cells + "</row>", "",
                                   [](std::map<std::string, std::string>& parts) {
        std::string xfs, yen;
        for (int i = 0; i < 5000; ++i) xfs += i % 2 ? "<xf numFmtId=\"164\"/>" : "<xf numFmtId=\"165\"/>";
        for (int i = 0; i < 20000; ++i) yen += "\xC2\xA5";
        parts["xl/styles.xml"] =
            "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts count=\"2\">"
            "<numFmt numFmtId=\"164\" formatCode=\"#,##0" + std::string(100000, ',') + "\"/>"
            "<numFmt numFmtId=\"165\" formatCode=\"0" + yen + "\"/></numFmts><cellXfs count=\"5000\">" + xfs +
            "</cellXfs></styleSheet>";
    });
    std::string yen_gbk;
    for (int i = 0; i < 20000; ++i) yen_gbk += "￥";
    EXPECT_EQ((std::vector<std::string>{"1: 1=1234567" + yen_gbk + " 2=0 3=3703701" + yen_gbk + " 4=0"}),
              dump(*open_ok(file("styles.xlsx"), CellText::shown), 0));
}
