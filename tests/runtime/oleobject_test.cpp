// The automation stand-in and the OLE DB driver over the worksheet readers.
#include "runtime/datastore.h"
#include "runtime/oledb_driver.h"
#include "runtime/oleobject.h"
#include "runtime/path.h"
#include "runtime/services.h"
#include "runtime/transaction.h"
#include "tests/runtime/sheet/workbook_fixtures.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

namespace {

// A clipboard that holds what the user copied last.
class UserClipboard : public rt::Clipboard {
public:
    rt::nstring held = std::string("the user's own text");
    rt::nstring text() override { return held; }
    void set_text(const std::string& gbk) override { held = gbk; }
    void clear() override { held = rt::null; }
};

} // namespace

TEST(ExcelStandIn, CopiesRowsWithoutTouchingTheClipboard) {
    testing_support::TempProgramFolder dir;
    auto clip = std::make_unique<UserClipboard>();
    UserClipboard* user = clip.get();
    auto previous = rt::set_clipboard(std::move(clip));
    fixtures::write_generated_xlsx(dir.native() / "cells.xlsx",
                                   "<row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><t>a\tb\nc</t></is></c></row>"
                                   "<row r=\"5\"><c r=\"A5\"><v>7</v></c></row>");

    rt::OleObject ole;
    ASSERT_EQ(0, ole.ConnectToNewObject(" Excel.Application "));
    rt::ExcelApplication& app = ole.application();
    EXPECT_THROW(app.activesheet(), rt::OleError); // no workbook yet
    app.workbooks().open(dir.program() + "\\cells.xlsx");
    const auto used = app.activesheet().usedrange();
    EXPECT_EQ(3, used.row());
    EXPECT_EQ(3, used.rows().count());
    app.activesheet().range("5:2").cells().copy(); // either order
    // Row 2 and 4 are empty lines; a tab or line break inside a cell never splits it.
    EXPECT_EQ("\r\n\ta b c\r\n\r\n7\r\n", app.clipboard());
    EXPECT_THROW(app.activesheet().range("0:3"), rt::OleError);
    EXPECT_THROW(app.activesheet().range("A1:B2"), rt::OleError);
    app.set_cutcopymode(false);
    EXPECT_EQ("", app.clipboard());
    app.workbooks().close();
    app.quit();
    EXPECT_THROW(app.workbooks().open(dir.program() + "\\cells.xlsx"), rt::OleError);
    EXPECT_EQ("the user's own text", user->held.value_or(""));

    rt::set_ole_server_available("excel.application", false);
    rt::OleObject probe;
    EXPECT_EQ(-2, probe.ConnectToNewObject("excel.application"));
    EXPECT_THROW(probe.application(), rt::OleError);
    rt::set_ole_server_available("excel.application", true);
    EXPECT_EQ(-2, probe.ConnectToNewObject("word.application"));
    rt::set_clipboard(std::move(previous));
}

TEST(ExcelStandIn, RowOutOfOrderIsPassedOverAndTheRowsAfterItStay) {
    testing_support::TempProgramFolder dir;
    fixtures::write_generated_xlsx(dir.native() / "order.xlsx",
                                   "<row r=\"2\"><c r=\"A2\"><v>1</v></c></row><row r=\"4\"><c r=\"A4\"><v>2</v></c></row>"
                                   "<row r=\"3\"><c r=\"A3\"><v>9</v></c></row><row r=\"4\"><c r=\"A4\"><v>8</v></c></row>"
                                   "<row r=\"6\"><c r=\"A6\"><v>3</v></c></row>");
    rt::OleObject ole;
    ASSERT_EQ(0, ole.ConnectToNewObject("excel.application"));
    rt::ExcelApplication& app = ole.application();
    app.workbooks().open(dir.program() + "\\order.xlsx");
    EXPECT_EQ(2, app.activesheet().usedrange().row());
    EXPECT_EQ(5, app.activesheet().usedrange().rows().count());
    app.activesheet().range("1:6").cells().copy();
    EXPECT_EQ("\r\n1\r\n\r\n2\r\n\r\n3\r\n", app.clipboard());
    app.quit();
}

TEST(OledbDriver, ConnectionQueryAndHeadings) {
    testing_support::TempProgramFolder dir;
    fixtures::write_xls(dir.native() / "pay.xls", {fixtures::salary_sheet()});
    const std::string path = dir.program() + "\\pay.xls";
    struct Case { std::string dbparm; bool connects; };
    const Case cases[] = {
        {"PROVIDER='Microsoft.ACE.OLEDB.12.0',DATASOURCE='" + path + "',PROVIDERSTRING='Excel 12.0;HDR=Yes;IMEX=1;'", true},
        {"PROVIDER='microsoft.jet.oledb.4.0',DATASOURCE='" + path + "'", true},
        {"PROVIDER='SQLOLEDB',DATASOURCE='" + path + "'", false},
        {"PROVIDER='Microsoft.Jet.OLEDB.4.0',DATASOURCE='" + dir.program() + "\\none.xls'", false},
    };
    for (const auto& c : cases) {
        rt::Transaction tr;
        tr.DBMS = "OLE DB";
        tr.DBParm = c.dbparm;
        tr.Connect();
        EXPECT_EQ(c.connects ? 0 : -1, tr.SQLCode) << c.dbparm;
        EXPECT_EQ(c.connects, tr.SQLErrText.empty()) << c.dbparm << " " << tr.SQLErrText;
    }

    rt::Transaction tr;
    tr.DBMS = "OLE DB";
    tr.DBParm = cases[0].dbparm;
    tr.Connect();
    std::string err;
    EXPECT_EQ("", tr.SyntaxFromSQL("select a from [工资表$]", "style(type=grid)", err));
    EXPECT_FALSE(err.empty());
    EXPECT_EQ("", tr.SyntaxFromSQL("select * from [Nope$] ", "style(type=grid)", err));
    const std::string syntax = tr.SyntaxFromSQL("select * from [工资表$] ", "style(type=grid)", err);
    ASSERT_FALSE(syntax.empty()) << err;
    rt::DataStore ds;
    ASSERT_EQ(1, ds.Create(syntax, err)) << err;
    ds.SetTransObject(tr);
    ASSERT_EQ(2, ds.Retrieve());
    EXPECT_EQ("6", ds.Describe("datawindow.column.count")); // to the last used column, the heading row included
    EXPECT_EQ("入职日期", ds.Describe(ds.Describe("#5.name") + "_t.Text"));
    EXPECT_EQ("13800138000", ds.GetItemString(1, 2).value_or(""));
    EXPECT_FALSE(ds.GetItemString(1, 4)); // the empty deduction cell
    EXPECT_EQ("2023-12-31 10:30:00", ds.GetItemString(2, 5).value_or(""));

    std::string sheet;
    EXPECT_TRUE(rt::oledb_sheet_of_query(" SELECT * FROM [Sheet1$]  ", sheet));
    EXPECT_EQ("Sheet1", sheet);
    EXPECT_FALSE(rt::oledb_sheet_of_query("select * from [Sheet1]", sheet));
}
