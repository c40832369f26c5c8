#include "runtime/datastore.h"
#include "runtime/dwsyntax.h"
#include "runtime/registry.h"
#include "runtime/transaction.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <memory>

using rt::Any;
using rt::ColType;
using rt::DataObject;
using rt::DataStore;

namespace {

rt::ColumnDef col(const std::string& name, ColType type, int length = 0) {
    rt::ColumnDef c = rt::Column(name, type, length);
    c.header = name + " header";
    return c;
}

DataObject list_object(int length = 11) {
    DataObject o;
    o.name = "d_list";
    o.columns = {col("mobile", ColType::Char, length)};
    return o;
}

DataObject typed_object() {
    DataObject o;
    o.name = "d_typed";
    o.columns = {col("s", ColType::Char, 5),      col("n", ColType::Number),  col("l", ColType::Long),
                 col("u", ColType::ULong),        col("i", ColType::Int),     col("dec", ColType::Decimal, 2),
                 col("r", ColType::Real),         col("dbl", ColType::Double), col("d", ColType::Date),
                 col("dt", ColType::DateTime),    col("t", ColType::Time)};
    return o;
}

std::vector<std::string> texts(const DataStore& ds, const std::string& column) {
    std::vector<std::string> out;
    for (const rt::nstring& s : ds.column_strings(column)) out.push_back(s ? *s : "<null>");
    return out;
}

class ScriptedClipboard final : public rt::Clipboard {
public:
    explicit ScriptedClipboard(rt::nstring t) : text_(std::move(t)) {}
    rt::nstring text() override { return text_; }
    void set_text(const std::string& t) override { text_ = t; }
    void clear() override { text_ = rt::null; }

private:
    rt::nstring text_;
};

} // namespace

// ---- typed cells ---------------------------------------------------------------

TEST(DataStoreCells, EachTypeReadsBackThroughItsAccessor) {
    DataStore ds(typed_object());
    ASSERT_EQ(1, ds.InsertRow(0));
    EXPECT_EQ(1, ds.SetItem(1, "S", Any("abc")));
    EXPECT_EQ(1, ds.SetItem(1, "n", Any(2.5)));
    EXPECT_EQ(1, ds.SetItem(1, "l", Any(-7.9)));  // cut toward zero
    EXPECT_EQ(1, ds.SetItem(1, "u", Any(4000000000.0)));
    EXPECT_EQ(1, ds.SetItem(1, "i", Any(123)));
    EXPECT_EQ(1, ds.SetItem(1, "dec", Any(*rt::decimal::parse("-1234.50"))));
    EXPECT_EQ(1, ds.SetItem(1, "r", Any(0.125f)));
    EXPECT_EQ(1, ds.SetItem(1, "dbl", Any(1e300)));
    EXPECT_EQ(1, ds.SetItem(1, "d", Any(rt::Date{2017, 6, 1})));
    EXPECT_EQ(1, ds.SetItem(1, "dt", Any(rt::Date{2017, 6, 1}))); // a date is midnight of that day
    EXPECT_EQ(1, ds.SetItem(1, "t", Any(rt::Time{23, 59, 58, 0})));

    EXPECT_EQ("abc", ds.GetItemString(1, "s"));
    EXPECT_EQ(2.5, ds.GetItemNumber(1, "n"));
    EXPECT_EQ(-7.0, ds.GetItemNumber(1, "l"));
    EXPECT_EQ(4000000000.0, ds.GetItemNumber(1, "u"));
    EXPECT_EQ(123.0, ds.GetItemNumber(1, "i"));
    EXPECT_EQ("-1234.5", rt::String(*ds.GetItemDecimal(1, "dec")));
    EXPECT_EQ(0.125, ds.GetItemNumber(1, "r"));
    EXPECT_EQ(1e300, ds.GetItemNumber(1, "dbl"));
    EXPECT_EQ((rt::Date{2017, 6, 1}), ds.GetItemDate(1, "d"));
    EXPECT_EQ("2017-06-01 00:00:00", rt::String(*ds.GetItemDateTime(1, "dt")));
    EXPECT_EQ((rt::Time{23, 59, 58, 0}), ds.GetItemTime(1, "t"));
    // A whole-number column reads as a decimal too; a text column does not.
    EXPECT_EQ("-7", rt::String(*ds.GetItemDecimal(1, "l")));
    EXPECT_EQ(rt::null, ds.GetItemNumber(1, "s"));
    EXPECT_EQ(rt::null, ds.GetItemString(1, "n"));
}

TEST(DataStoreCells, ValuesTheColumnRejectsAnswerMinusOneAndChangeNothing) {
    DataStore ds(typed_object());
    ds.InsertRow(0);
    ds.SetItem(1, "s", Any("ok"));
    ds.SetItem(1, "i", Any(5));
    const struct {
        const char* column;
        Any value;
    } cases[] = {
        {"s", Any("toolong")},            // six bytes into char(5)
        {"s", Any("汉字汉")},              // six bytes of GBK, three characters
        {"s", Any(12)},                   // a number into a text column
        {"i", Any(40000)},                // beyond a 16-bit int
        {"u", Any(-1)},                   // below an unsigned long
        {"l", Any("12")},                 // a text into a number column
        {"d", Any(rt::Time{1, 2, 3, 0})}, // a time into a date column
        {"t", Any(rt::Date{2017, 1, 1})},
        {"dec", Any(1e40)},               // past the 38 digits of a decimal
    };
    for (const auto& c : cases) EXPECT_EQ(-1, ds.SetItem(1, c.column, c.value)) << c.column;
    EXPECT_EQ("ok", ds.GetItemString(1, "s"));
    EXPECT_EQ(5.0, ds.GetItemNumber(1, "i"));
    EXPECT_EQ(1, ds.SetItem(1, "s", Any("汉字a"))); // five bytes fit
    EXPECT_EQ(1, ds.SetItem(1, "s", rt::null));     // null goes into any column
    EXPECT_EQ(rt::null, ds.GetItemString(1, "s"));
}

TEST(DataStoreCells, RowsAndColumnsOutOfRangeReadNullAndWriteMinusOne) {
    DataStore ds(list_object());
    ds.ImportString("13800000001\n13800000002");
    for (std::int32_t row : {0, -1, 3, 1000000}) {
        EXPECT_EQ(rt::null, ds.GetItemString(row, "mobile")) << row;
        EXPECT_EQ(rt::null, ds.GetItemNumber(row, 1)) << row;
        EXPECT_EQ(rt::null, ds.GetItemDate(row, 1)) << row;
        EXPECT_EQ(-1, ds.SetItem(row, "mobile", Any("x"))) << row;
        EXPECT_EQ(-1, ds.DeleteRow(row == 0 ? -1 : row)) << row;
    }
    EXPECT_EQ(rt::null, ds.GetItemString(1, "nosuch"));
    EXPECT_EQ(rt::null, ds.GetItemString(1, 2));
    EXPECT_EQ(-1, ds.SetItem(1, "nosuch", Any("x")));
    EXPECT_EQ(-1, ds.InsertRow(4));
    EXPECT_EQ(2, ds.RowCount());
}

TEST(DataStoreRows, InsertDeleteAndTheCurrentRow) {
    DataStore ds(list_object());
    EXPECT_EQ(0, ds.GetRow());
    ds.ImportString("a\nb\nc");
    EXPECT_EQ(1, ds.GetRow());
    EXPECT_EQ(2, ds.InsertRow(2));
    ds.SetItem(2, "mobile", Any("new"));
    EXPECT_EQ((std::vector<std::string>{"a", "new", "b", "c"}), texts(ds, "mobile"));
    EXPECT_EQ(1, ds.SetRow(3));
    EXPECT_EQ(1, ds.DeleteRow(0)); // 0 is the current row
    EXPECT_EQ((std::vector<std::string>{"a", "new", "c"}), texts(ds, "mobile"));
    EXPECT_EQ(1, ds.SelectRow(2, true));
    ds.DeleteRow(1);
    EXPECT_TRUE(ds.IsSelected(1)); // the mark moves with its row
    EXPECT_EQ(1, ds.SelectRow(0, false));
    EXPECT_FALSE(ds.IsSelected(1));
    EXPECT_EQ(-1, ds.SelectRow(3, true));
    ds.Reset();
    EXPECT_EQ(0, ds.RowCount());
    EXPECT_EQ(0, ds.GetRow());
}

// ---- text import -----------------------------------------------------------------

TEST(DataStoreImport, LinesAndFields) {
    const struct {
        const char* name;
        std::string text;
        std::int32_t result;
        std::vector<std::string> mobiles;
    } cases[] = {
        {"lf", "1\n2\n3\n", 3, {"1", "2", "3"}},
        {"crlf", "1\r\n2\r\n3\r\n", 3, {"1", "2", "3"}},
        {"lone cr", "1\r2\r3", 3, {"1", "2", "3"}},
        {"last line without break", "1\n2", 2, {"1", "2"}},
        {"blank lines give null rows", "1\n\n   \n2\n", 4, {"1", "<null>", "   ", "2"}},
        {"a lone line break", "\n", 1, {"<null>"}},
        {"first tab field only", "1\tname\textra\n\t2", 2, {"1", "<null>"}},
        {"commas stay in one row", "13800000001,13800000002", 1, {"13800000001,13800000002"}},
        {"gbk text whole", "号码一\t号码二", 1, {"号码一"}},
        {"quotes are data", "\"1\"", 1, {"\"1\""}},
        {"empty text", "", rt::import::no_rows, {}},
        {"nul byte", std::string("1\n\0\n2", 5), rt::import::not_text, {}},
    };
    for (const auto& c : cases) {
        DataStore ds(list_object(30));
        EXPECT_EQ(c.result, ds.ImportString(c.text)) << c.name;
        EXPECT_EQ(c.mobiles, texts(ds, "mobile")) << c.name;
    }
}

TEST(DataStoreImport, AFieldThatDoesNotFitImportsNothing) {
    DataStore ds(list_object(11));
    ds.ImportString("13800000000");
    EXPECT_EQ(rt::import::invalid_input, ds.ImportString("13800000001\n138000000012\n13800000003"));
    EXPECT_EQ((std::vector<std::string>{"13800000000"}), texts(ds, "mobile"));

    DataObject o;
    o.name = "d_mixed";
    o.columns = {col("name", ColType::Char, 10), col("amount", ColType::Long), col("day", ColType::Date)};
    DataStore mixed(o);
    EXPECT_EQ(2, mixed.ImportString("a\t12\t2017-06-01\nb\t -3 \t"));
    EXPECT_EQ(-3.0, mixed.GetItemNumber(2, "amount"));
    EXPECT_EQ(rt::null, mixed.GetItemDate(2, "day"));
    EXPECT_EQ(rt::import::invalid_input, mixed.ImportString("c\t12.5"));
    EXPECT_EQ(rt::import::invalid_input, mixed.ImportString("c\t1\t2017-13-01"));
    EXPECT_EQ(2, mixed.RowCount());
}

TEST(DataStoreImport, FilesAppendAndBadFilesAnswerTheirCode) {
    testing_support::TempProgramFolder folder;
    folder.write("lf.txt", "13800000001\n13800000002\n");
    folder.write("crlf.txt", "13800000003\r\n13800000004");
    folder.write("empty.txt", "");
    folder.write("sheet.xls", std::string("\xD0\xCF\x11\xE0\0\0\0\0", 8));
    std::filesystem::create_directory(folder.native() / "dir");
    DataStore ds(list_object());
    EXPECT_EQ(2, ds.ImportFile(std::string("lf.txt")));
    EXPECT_EQ(2, ds.ImportFile(folder.program() + "\\crlf.txt"));
    EXPECT_EQ((std::vector<std::string>{"13800000001", "13800000002", "13800000003", "13800000004"}),
              texts(ds, "mobile"));
    EXPECT_EQ(rt::import::empty_source, ds.ImportFile(std::string("empty.txt")));
    EXPECT_EQ(rt::import::not_text, ds.ImportFile(std::string("sheet.xls")));
    EXPECT_EQ(rt::import::cannot_open, ds.ImportFile(std::string("missing.txt")));
    EXPECT_EQ(rt::import::cannot_open, ds.ImportFile(std::string("dir")));
    EXPECT_EQ(rt::import::invalid_argument, ds.ImportFile(rt::null));
    EXPECT_EQ(rt::import::invalid_argument, ds.ImportString(rt::null));
    EXPECT_EQ(4, ds.RowCount());
}

TEST(DataStoreImport, Clipboard) {
    DataStore ds(list_object());
    auto previous = rt::set_clipboard(std::make_unique<ScriptedClipboard>("1\r\n2\r\n"));
    EXPECT_EQ(2, ds.ImportClipboard());
    rt::set_clipboard(std::make_unique<ScriptedClipboard>(rt::null));
    EXPECT_EQ(rt::import::empty_source, ds.ImportClipboard());
    rt::set_clipboard(std::move(previous));
    EXPECT_EQ(2, ds.RowCount());
}

// ---- RowsCopy and ShareData ------------------------------------------------------------

TEST(DataStoreRowsCopy, Ranges) {
    const struct {
        std::int32_t start, end, before;
        int result;
        std::vector<std::string> target;
    } cases[] = {
        {1, 2, 1, 1, {"1", "2", "x"}},
        {2, 3, 2, 1, {"x", "2", "3"}},
        {4, 4000, 1, 1, {"4", "5", "x"}},        // an end past the last row copies to the last
        {5, 5, 99, 1, {"x", "5"}},               // a row past the target's last appends
        {6, 6, 1, -1, {"x"}},                    // start past the last row
        {0, 2, 1, -1, {"x"}},
        {3, 2, 1, -1, {"x"}},                    // end before start
        {1, 1, 0, -1, {"x"}},
    };
    DataStore source(list_object());
    source.ImportString("1\n2\n3\n4\n5");
    for (const auto& c : cases) {
        DataStore target(list_object());
        target.ImportString("x");
        EXPECT_EQ(c.result, source.RowsCopy(c.start, c.end, target, c.before)) << c.start << "-" << c.end;
        EXPECT_EQ(c.target, texts(target, "mobile")) << c.start << "-" << c.end;
    }
    EXPECT_EQ(5, source.RowCount());
    EXPECT_EQ(1, source.RowsCopy(1, 2, source, 1)); // into itself
    EXPECT_EQ((std::vector<std::string>{"1", "2", "1", "2", "3", "4", "5"}), texts(source, "mobile"));
    DataStore other(typed_object());
    EXPECT_EQ(-1, source.RowsCopy(1, 1, other, 1));
}

TEST(DataStoreRowsCopy, TextIntoAShorterOrLongerColumn) {
    DataStore source(list_object(11));
    source.ImportString("1234\n13800000001");
    const struct {
        int length; // of the target's column; 0 is unlimited
        int result;
        std::vector<std::string> target;
    } cases[] = {
        {4, -1, {"x"}}, // the second number does not fit
        {11, 1, {"1234", "13800000001", "x"}},
        {4000, 1, {"1234", "13800000001", "x"}},
        {0, 1, {"1234", "13800000001", "x"}},
    };
    for (const auto& c : cases) {
        DataStore target(list_object(c.length));
        target.ImportString("x");
        EXPECT_EQ(c.result, source.RowsCopy(1, 2, target, 1)) << c.length;
        EXPECT_EQ(c.target, texts(target, "mobile")) << c.length;
    }
    // From an unlimited column every text is looked at.
    DataStore unlimited(list_object(0));
    unlimited.ImportString("123456789012");
    DataStore target(list_object(11));
    EXPECT_EQ(-1, unlimited.RowsCopy(1, 1, target, 1));
    EXPECT_EQ(0, target.RowCount());
}

TEST(DataStoreShareData, TheSecondaryShowsAndWritesThePrimarysRows) {
    DataStore primary(list_object());
    primary.ImportString("1\n2");
    {
        DataStore secondary(list_object());
        secondary.ImportString("own");
        ASSERT_EQ(1, primary.ShareData(secondary));
        EXPECT_EQ((std::vector<std::string>{"1", "2"}), texts(secondary, "mobile"));
        EXPECT_EQ(1, secondary.SetItem(2, "mobile", Any("22")));
        secondary.InsertRow(0);
        primary.SetItem(1, "mobile", Any("11"));
        EXPECT_EQ((std::vector<std::string>{"11", "22", "<null>"}), texts(primary, "mobile"));
        EXPECT_EQ("11", secondary.GetItemString(1, "mobile"));
    }
    // The secondary went: the primary keeps every row and every write.
    EXPECT_EQ((std::vector<std::string>{"11", "22", "<null>"}), texts(primary, "mobile"));
    EXPECT_EQ(-1, primary.ShareDataOff());

    auto secondary = std::make_unique<DataStore>(list_object());
    primary.ShareData(*secondary);
    EXPECT_EQ(1, secondary->ShareDataOff());
    EXPECT_EQ(0, secondary->RowCount());
    EXPECT_EQ(3, primary.RowCount());

    primary.ShareData(*secondary);
    {
        auto gone = std::make_unique<DataStore>(list_object());
        gone->ImportString("a");
        gone->ShareData(*secondary); // sharing with another primary ends the first
        EXPECT_EQ("a", secondary->GetItemString(1, "mobile"));
    }
    EXPECT_EQ(0, secondary->RowCount()); // its primary went
    secondary->ImportString("b");
    EXPECT_EQ(3, primary.RowCount());

    DataStore typed(typed_object());
    EXPECT_EQ(-1, primary.ShareData(typed));
    EXPECT_EQ(-1, primary.ShareData(primary));
}

// ---- Describe and Modify -------------------------------------------------------------------

TEST(DataStoreDescribe, PropertiesAndUnknowns) {
    DataObject o = typed_object();
    o.texts.push_back({"t_1", "合计", {}, 0, "s"});
    o.computes.push_back({"compute_1", "rowcount()", nullptr, "n"});
    DataStore ds(o);
    const struct {
        const char* property;
        const char* answer;
    } cases[] = {
        {"s.ColType", "char(5)"},        {"DEC.coltype", "decimal(2)"},  {"dt.ColType", "datetime"},
        {"t.ColType", "time"},           {"#2.Name", "n"},               {"#11.name", "t"},
        {"#12.Name", "!"},               {"#0.Name", "!"},               {"#x.Name", "!"},
        {"s.dbName", "s"},               {"s.ID", "1"},                  {"s_t.Text", "s header"},
        {"t_1.Text", "合计"},            {"compute_1.Expression", "rowcount()"},
        {"DataWindow.Column.Count", "11"}, {"datawindow.processing", "1"}, {"nosuch.ColType", "!"},
        {"s.Nonsense", "!"},             {"", "!"},                      {"s.ColType n.ColType", "char(5)\nnumber"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.answer, ds.Describe(c.property)) << c.property;
    o.style = rt::Style::FreeForm;
    ds.set_dataobject(o);
    EXPECT_EQ("0", ds.Describe("DataWindow.Processing"));
}

TEST(DataStoreModify, HeaderTextsOnly) {
    DataStore ds(typed_object());
    EXPECT_EQ("", ds.Modify("s_t.Text='[S]姓名' n_t.text=\"it~'s\""));
    EXPECT_EQ("[S]姓名", ds.Describe("s_t.Text"));
    EXPECT_EQ("it's", ds.Describe("n_t.Text"));
    // The second byte of these characters is a "~", which must not escape the byte after it.
    EXPECT_EQ("", ds.Modify("s_t.Text='[S]皛眫' n_t.Text='皛'"));
    EXPECT_EQ("[S]皛眫", ds.Describe("s_t.Text"));
    EXPECT_EQ("皛", ds.Describe("n_t.Text"));
    for (const char* bad : {"destroy row_id_header", "s.Width=100", "nosuch_t.Text='x'", "s_t.Text='open",
                            "create bitmap(band=background)", ""}) {
        EXPECT_NE("", ds.Modify(bad)) << bad;
    }
    EXPECT_EQ("", ds.Modify("s_t.Text='a'"));
    EXPECT_NE("", ds.Modify("s_t.Text='b' nosuch_t.Text='c'")); // all or nothing
    EXPECT_EQ("a", ds.Describe("s_t.Text"));
}

TEST(DataStoreObject, UnknownNamesGiveNoColumnsAndStoredRowsLoad) {
    DataStore unknown(std::string("d_never_registered"));
    EXPECT_EQ(0, unknown.column_count());
    EXPECT_EQ("!", unknown.Describe("mobile.ColType"));
    EXPECT_EQ(rt::import::invalid_argument, unknown.ImportString("1"));

    DataObject o = list_object();
    o.name = "d_with_rows";
    o.stored_rows = {"1", "2"};
    rt::register_dataobject(o);
    DataStore ds(std::string("D_WITH_ROWS"));
    EXPECT_EQ("d_with_rows", ds.dataobject());
    EXPECT_EQ(2, ds.RowCount());
    EXPECT_EQ(-1, ds.set_dataobject("d_nothing"));
    EXPECT_EQ(0, ds.RowCount());
}

// ---- syntax, transactions and Retrieve ---------------------------------------------------

namespace {

class SheetConnection final : public rt::DbConnection {
public:
    bool describe(const std::string& sql, std::vector<rt::ResultColumn>& columns, std::string& error) override {
        if (sql.find("[Sheet1$]") == std::string::npos) {
            error = "no such sheet";
            return false;
        }
        columns = {{"姓名", ColType::Char, 255}, {"Mobile No", ColType::Char, 255}, {"Amount", ColType::Number, 0}};
        return true;
    }
    bool select(const std::string&, const std::function<void(std::vector<Any>&)>& row, std::string&) override {
        std::vector<Any> r1{Any("张三"), Any(13800000001.0), Any("12.5")};
        std::vector<Any> r2{Any(), Any("13800000002"), Any("abc")};
        row(r1);
        row(r2);
        return true;
    }
};

} // namespace

TEST(DataStoreRetrieve, FromAWorksheetQuery) {
    rt::register_dbms("test sheet", [](const std::string& dbparm, std::string& err) -> std::unique_ptr<rt::DbConnection> {
        if (dbparm.find("list.xls") == std::string::npos) {
            err = "cannot open";
            return nullptr;
        }
        return std::make_unique<SheetConnection>();
    });
    rt::Transaction tr;
    tr.DBMS = "TEST SHEET";
    tr.DBParm = "DATASOURCE='missing.xls'";
    tr.Connect();
    EXPECT_EQ(-1, tr.SQLCode);
    EXPECT_EQ("cannot open", tr.SQLErrText);
    tr.DBParm = "DATASOURCE='C:\\list.xls'";
    tr.Connect();
    ASSERT_EQ(0, tr.SQLCode);

    std::string err;
    EXPECT_EQ("", tr.SyntaxFromSQL("select * from [Sheet2$] ", "style(type=grid)", err));
    EXPECT_EQ("no such sheet", err);
    const std::string syntax =
        tr.SyntaxFromSQL("select * from [Sheet1$] ", "style(type=grid) column(font.face='MS Sans Serif')", err);
    ASSERT_NE("", syntax) << err;

    DataStore ds;
    ASSERT_EQ(1, ds.Create(syntax, err)) << err;
    EXPECT_EQ("3", ds.Describe("DataWindow.Column.Count"));
    EXPECT_EQ("column1", ds.Describe("#1.Name")); // no letter of the heading is a name byte
    EXPECT_EQ("mobile_no", ds.Describe("#2.Name"));
    EXPECT_EQ("姓名", ds.Describe("column1_t.Text"));
    EXPECT_EQ("Mobile No", ds.Describe("mobile_no.dbName"));
    EXPECT_EQ("number", ds.Describe("amount.ColType"));
    EXPECT_EQ("select * from [Sheet1$] ", ds.Describe("DataWindow.Table.Select"));

    EXPECT_EQ(-1, ds.Retrieve()); // no transaction yet
    ASSERT_EQ(1, ds.SetTransObject(tr));
    EXPECT_EQ(2, ds.Retrieve());
    EXPECT_EQ(0, tr.SQLCode);
    EXPECT_EQ("张三", ds.GetItemString(1, "column1"));
    EXPECT_EQ("13800000001", ds.GetItemString(1, "mobile_no")); // a number read into a text column
    EXPECT_EQ(12.5, ds.GetItemNumber(1, "amount"));
    EXPECT_EQ(rt::null, ds.GetItemString(2, "column1"));
    EXPECT_EQ(rt::null, ds.GetItemNumber(2, "amount")); // "abc" is no number
    EXPECT_EQ(2, ds.Retrieve()); // a second retrieve replaces the rows
    EXPECT_EQ(2, ds.RowCount());

    tr.Disconnect();
    EXPECT_EQ(-1, ds.Retrieve());
    EXPECT_EQ(-1, tr.SQLCode);
    {
        rt::Transaction gone;
        ds.SetTransObject(gone);
    }
    EXPECT_EQ(-1, ds.Retrieve()); // the transaction was destroyed: no crash
    EXPECT_EQ(-1, ds.Create("table(column=(type=blob name=x))", err));
    EXPECT_EQ(-1, ds.Create("table(column=(type=char(1) name=x)", err));
    EXPECT_EQ(3, ds.column_count()); // a failed Create keeps the object
}

TEST(DataStoreRetrieve, UnknownDbmsFailsToConnect) {
    rt::Transaction tr;
    tr.DBMS = "OLE DB nowhere";
    tr.Connect();
    EXPECT_EQ(-1, tr.SQLCode);
    EXPECT_FALSE(tr.connected());
}

TEST(Registry, ThousandsSeparator) {
    std::string sep = "unchanged";
    EXPECT_EQ(1, rt::RegistryGet("HKEY_CURRENT_USER\\Control Panel\\International", "sThousand", sep));
    EXPECT_FALSE(sep.empty());
    EXPECT_EQ(std::string::npos, sep.find('?'));
    std::string other = "unchanged";
    EXPECT_EQ(-1, rt::RegistryGet("HKEY_LOCAL_MACHINE\\Software", "x", other));
    EXPECT_EQ("unchanged", other);
}

// ---- views are told of every change, before and after --------------------------------------------

TEST(DataStoreObservers, SharedRowsTellBothStoresViews) {
    struct Log final : rt::RowObserver {
        std::string events;
        void before_reset() override { events += "R"; }
        void after_reset() override { events += "r"; }
        void before_insert(long first, long count) override { events += "I" + std::to_string(first) + "+" + std::to_string(count); }
        void after_insert() override { events += "i"; }
        void before_remove(long first, long) override { events += "D" + std::to_string(first); }
        void after_remove() override { events += "d"; }
        void cell_changed(long row, int column) override { events += "C" + std::to_string(row) + "." + std::to_string(column); }
    };
    DataStore primary(list_object()), secondary(list_object());
    Log p, s;
    primary.add_observer(&p);
    secondary.add_observer(&s);
    primary.ImportString("1\n2");
    primary.ShareData(secondary);
    secondary.SetItem(2, "mobile", Any("x"));
    secondary.DeleteRow(1);
    EXPECT_EQ("I1+2iC2.1D1d", p.events);
    EXPECT_EQ("RrC2.1D1d", s.events);
    primary.remove_observer(&p);
    secondary.remove_observer(&s);
}

// Column names made from worksheet headings stay distinct, also where a
// heading reads like the name an unnamed column gets.
TEST(Transaction, ColumnNamesNeverRepeat) {
    auto named = [](std::vector<std::string> headings) {
        std::vector<rt::ResultColumn> columns;
        for (auto& h : headings) columns.push_back({h});
        return rt::column_names(columns);
    };
    EXPECT_EQ((std::vector<std::string>{"name", "column2", "c1st"}), named({"Name", "Name", "1st"}));
    EXPECT_EQ((std::vector<std::string>{"a", "column5", "b", "c", "column5_"}),
              named({"a", "column5", "b", "c", ""}));
    EXPECT_EQ((std::vector<std::string>{"column1", "column2"}), named({"", "column1"}));
}
