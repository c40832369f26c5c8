#include "runtime/ui/datawindow.h"
#include "runtime/ui/datawindow_model.h"
#include "runtime/ui/freeform_view.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>

using rt::Any;
using rt::DataWindow;

namespace {

rt::DataObject list_object(int n_up = 1) {
    rt::DataObject o;
    o.name = "d_numbers";
    o.n_up = n_up;
    rt::ColumnDef c;
    c.name = "mobile";
    c.type = rt::ColType::Char;
    c.length = 11;
    c.header = "号码";
    o.columns.push_back(c);
    return o;
}

// A free-form of two char(6) fields, account and password, labelled by name.
rt::DataObject account_form(const char* name) {
    rt::DataObject o;
    o.name = name;
    o.style = rt::Style::FreeForm;
    for (const char* field : {"account", "password"}) {
        rt::ColumnDef c;
        c.name = field;
        c.type = rt::ColType::Char;
        c.length = 6;
        c.header = std::string(field) + "：";
        o.columns.push_back(c);
    }
    return o;
}

std::string numbers(int count) {
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 13);
    for (int i = 0; i < count; ++i) text += std::to_string(13800000000LL + i) + "\r\n";
    return text;
}

struct Click {
    std::int32_t row = -1;
    std::string dwo;
};

void watch(DataWindow& dw, Click& last) {
    dw.on_dwclicked = [&last](int, int, std::int32_t row, const rt::DwObject& dwo) { last = {row, dwo.name}; };
}

QPoint in_control(DataWindow& dw, QWidget* from, QPoint p) { return from->mapTo(dw.widget(), p); }

// Types GBK text as key presses.
void type_into(QWidget* w, const std::string& gbk_text) {
    for (QChar ch : rt::qstr(gbk_text)) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(w, &press);
    }
}

} // namespace

TEST(DataWindowView, ShowsTwoHundredThousandRowsWithoutAWidgetPerCell) {
    DataWindow dw(nullptr, list_object(), {0, 0, 2000, 1600});
    dw.widget()->resize(400, 400);
    ASSERT_EQ(200000, dw.ImportString(numbers(200000)));
    QTableView* grid = dw.grid();
    ASSERT_NE(nullptr, grid);
    EXPECT_EQ(200000, grid->model()->rowCount());
    EXPECT_LT(grid->findChildren<QWidget*>().size(), 30);
    EXPECT_EQ("号码", rt::gbk(grid->model()->headerData(0, Qt::Horizontal).toString()));

    EXPECT_EQ(1, dw.first_row_on_screen());
    dw.ScrollToRow(150000);
    QApplication::processEvents();
    const std::int32_t first = dw.first_row_on_screen();
    EXPECT_GT(first, 149950);
    EXPECT_LE(first, 150000);
    EXPECT_EQ(std::to_string(13800000000LL + first - 1),
              rt::gbk(grid->model()->index(first - 1, 0).data().toString()));
}

TEST(DataWindowView, EditsACellAndRefusesWhatTheColumnCannotHold) {
    DataWindow dw(nullptr, list_object(), {0, 0, 2000, 1600});
    dw.ImportString("13800000001\n13800000002");
    QTableView* grid = dw.grid();
    const QModelIndex second = grid->model()->index(1, 0);
    grid->setCurrentIndex(second);
    EXPECT_EQ(2, dw.GetRow()); // the cell the user moves to is the current row
    grid->edit(second);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(nullptr, editor);
    editor->setText("13999999999");
    EXPECT_EQ(1, dw.AcceptText());
    EXPECT_EQ("13999999999", dw.GetItemString(2, "mobile"));
    EXPECT_EQ(1, dw.AcceptText()); // nothing pending any more
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed editor goes

    // The editor keeps a char(11) column's bytes: a twelfth digit is refused.
    grid->edit(grid->model()->index(0, 0));
    editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(nullptr, editor);
    editor->selectAll();
    type_into(editor, "123456789012");
    EXPECT_EQ("12345678901", rt::gbk(editor->text()));
    EXPECT_EQ(1, dw.AcceptText());
    EXPECT_EQ("12345678901", dw.GetItemString(1, "mobile"));
}

TEST(DataWindowView, ReadOnlyOpensNoEditWritesNothingAndStaysEnabled) {
    DataWindow dw(nullptr, list_object(), {0, 0, 2000, 1600});
    dw.ImportString("13800000001\n13800000002");
    QTableView* grid = dw.grid();
    const auto editor = [&] { return grid->viewport()->findChild<QLineEdit*>(); };
    const QModelIndex first = grid->model()->index(0, 0);

    // An edit under way goes into its cell as the lock begins.
    grid->edit(first);
    ASSERT_NE(nullptr, editor());
    editor()->setText("13900000001");
    dw.set_readonly(true);
    EXPECT_TRUE(dw.readonly());
    EXPECT_EQ("13900000001", dw.GetItemString(1, "mobile"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    grid->edit(grid->model()->index(1, 0));
    EXPECT_EQ(nullptr, editor());
    EXPECT_FALSE(grid->model()->setData(first, "13999999999", Qt::EditRole));
    EXPECT_EQ("13900000001", dw.GetItemString(1, "mobile"));
    EXPECT_TRUE(dw.enabled()); // nothing greyed, nothing to repaint
    EXPECT_EQ(1, dw.SetItem(2, "mobile", Any("1"))); // the program still writes

    dw.set_readonly(false);
    grid->edit(first);
    EXPECT_NE(nullptr, editor());
}

TEST(DataWindowView, ReadOnlyFreeFormKeepsNonEditableFieldsLocked) {
    rt::DataObject o = account_form("d_form_lock");
    o.columns[1].editable = false;
    DataWindow dw(nullptr, {0, 0, 1883, 1312});
    dw.set_dataobject(o);
    dw.InsertRow(0);
    rt::FreeFormView* form = dw.form();
    ASSERT_NE(nullptr, form);
    dw.set_readonly(true);
    EXPECT_TRUE(form->edit(1)->isReadOnly());
    EXPECT_TRUE(form->edit(2)->isReadOnly());
    dw.set_readonly(false);
    EXPECT_FALSE(form->edit(1)->isReadOnly());
    EXPECT_TRUE(form->edit(2)->isReadOnly());
}

TEST(DataWindowView, ClickedGivesTheRowUnderThePointer) {
    DataWindow dw(nullptr, list_object(), {0, 0, 2000, 1600});
    dw.widget()->resize(400, 400);
    dw.ImportString("1\n2\n3");
    QApplication::processEvents();
    Click last;
    watch(dw, last);
    QTableView* grid = dw.grid();
    const QRect second = grid->visualRect(grid->model()->index(1, 0));
    dw.click_at(in_control(dw, grid->viewport(), second.center()).x(),
                in_control(dw, grid->viewport(), second.center()).y());
    EXPECT_EQ(2, last.row);
    EXPECT_EQ("mobile", last.dwo);

    QHeaderView* header = grid->horizontalHeader();
    const QPoint on_header = in_control(dw, header->viewport(), QPoint(10, header->height() / 2));
    dw.click_at(on_header.x(), on_header.y());
    EXPECT_EQ(0, last.row);
    EXPECT_EQ("mobile_t", last.dwo);

    const QPoint below = in_control(dw, grid->viewport(), QPoint(10, grid->viewport()->height() - 5));
    dw.click_at(below.x(), below.y());
    EXPECT_EQ(0, last.row);
    EXPECT_EQ("datawindow", last.dwo);
}

TEST(DataWindowView, NUpLinesMapToRows) {
    DataWindow dw(nullptr, list_object(4), {0, 0, 2000, 1600});
    dw.widget()->resize(600, 300);
    dw.ImportString("1\n2\n3\n4\n5\n6");
    QApplication::processEvents();
    rt::DataWindowModel* m = dw.model();
    EXPECT_EQ(2, m->rowCount());
    EXPECT_EQ(4, m->columnCount());
    EXPECT_EQ(6, m->store_row(m->index(1, 1)));
    EXPECT_EQ(0, m->store_row(m->index(1, 2))); // the empty places of the last line
    EXPECT_EQ("6", rt::gbk(m->index(1, 1).data().toString()));
    Click last;
    watch(dw, last);
    QTableView* grid = dw.grid();
    const QPoint empty = in_control(dw, grid->viewport(), grid->visualRect(m->index(1, 3)).center());
    dw.click_at(empty.x(), empty.y());
    EXPECT_EQ(0, last.row);
    dw.InsertRow(0);
    EXPECT_EQ(2, m->rowCount());
    dw.DeleteRow(1);
    dw.DeleteRow(1);
    EXPECT_EQ(2, m->rowCount());
    dw.DeleteRow(1);
    EXPECT_EQ(1, m->rowCount());
}

TEST(DataWindowView, ASharedListShowsAndWritesThePrimarysRows) {
    rt::DataStore prepared(list_object());
    prepared.ImportString("1\n2");
    {
        DataWindow view(nullptr, list_object(), {0, 0, 2000, 1600});
        ASSERT_EQ(1, prepared.ShareData(view));
        rt::DataWindowModel* m = view.model();
        EXPECT_EQ(2, m->rowCount());
        prepared.ImportString("3");
        EXPECT_EQ(3, m->rowCount());
        EXPECT_TRUE(m->setData(m->index(0, 0), QString("11"), Qt::EditRole));
        EXPECT_FALSE(m->setData(m->index(1, 0), QString("123456789012"), Qt::EditRole));
        prepared.SelectRow(3, true);
        EXPECT_TRUE(m->index(2, 0).data(Qt::BackgroundRole).isValid());
        EXPECT_FALSE(m->index(1, 0).data(Qt::BackgroundRole).isValid());
    }
    EXPECT_EQ("11", prepared.GetItemString(1, "mobile"));
    EXPECT_EQ("2", prepared.GetItemString(2, "mobile"));
    EXPECT_EQ(3, prepared.RowCount());
}

// What a changed cell asks the grid to repaint: the cell alone, nothing
// for a hidden column, and the whole line when a bold rule may read it.
TEST(DataWindowView, AChangedCellRepaintsWhatItCanChange) {
    rt::DataObject o = list_object();
    rt::ColumnDef name = o.columns[0];
    name.name = "name";
    rt::ColumnDef flag = o.columns[0];
    flag.name = "flag";
    flag.type = rt::ColType::Long;
    flag.visible = false;
    o.columns.push_back(name);
    o.columns.push_back(flag);
    rt::DataObject bold = o;
    bold.columns[1].bold = [](const rt::DataStore& ds, long row) { return ds.GetItemNumber(row, "flag") == 1; };

    struct Case {
        const rt::DataObject& object;
        const char* column;
        std::vector<std::string> repainted; // "row,first column-last column"
    } cases[] = {
        {o, "name", {"1,1-1"}},
        {o, "flag", {}},
        {bold, "flag", {"1,0-1"}},
        {bold, "mobile", {"1,0-1"}},
    };
    for (const Case& c : cases) {
        DataWindow dw(nullptr, c.object, {0, 0, 2000, 1600});
        dw.ImportString("1\ta\t0\n2\tb\t0\n3\tc\t0");
        std::vector<std::string> repainted;
        QObject::connect(dw.model(), &QAbstractItemModel::dataChanged,
                         [&](const QModelIndex& from, const QModelIndex& to) {
                             repainted.push_back(std::to_string(from.row()) + "," + std::to_string(from.column()) +
                                                 "-" + std::to_string(to.column()));
                             EXPECT_EQ(from.row(), to.row());
                         });
        const Any value = std::string(c.column) == "flag" ? Any(std::int32_t{1}) : Any(std::string("x"));
        ASSERT_EQ(1, dw.SetItem(2, c.column, value)) << c.column;
        EXPECT_EQ(c.repainted, repainted) << c.column << (c.object.columns[1].bold ? " with a bold rule" : "");
    }
    DataWindow dw(nullptr, bold, {0, 0, 2000, 1600});
    dw.ImportString("1\ta\t0");
    dw.SetItem(1, "flag", Any(std::int32_t{1}));
    EXPECT_TRUE(dw.model()->index(0, 1).data(Qt::FontRole).value<QFont>().bold());
}

TEST(DataWindowView, HeaderTextsFollowModify) {
    DataWindow dw(nullptr, list_object(), {0, 0, 2000, 1600});
    EXPECT_EQ("", dw.Modify("mobile_t.Text='[A]手机'"));
    EXPECT_EQ("[A]手机", rt::gbk(dw.grid()->model()->headerData(0, Qt::Horizontal).toString()));
}

TEST(DataWindowView, FreeFormEditsTheCurrentRow) {
    rt::DataObject o = account_form("d_form");
    o.texts.push_back({"t_1", "*", {1600, 70, 40, 64}, 255, ""});
    DataWindow dw(nullptr, {0, 0, 1883, 1312});
    dw.set_dataobject(o);
    ASSERT_EQ(nullptr, dw.grid());
    rt::FreeFormView* form = dw.form();
    ASSERT_NE(nullptr, form);
    EXPECT_EQ(1, dw.InsertRow(0));
    QLineEdit* account = form->edit(1);
    type_into(account, "汉字ab汉"); // six bytes fit char(6); the last character would not
    EXPECT_EQ("汉字ab", rt::gbk(account->text()));
    EXPECT_EQ(rt::null, dw.GetItemString(1, "account")); // not in the row until accepted
    EXPECT_EQ(1, dw.AcceptText());
    EXPECT_EQ("汉字ab", dw.GetItemString(1, "account"));
    dw.SetItem(1, "password", Any("secret"));
    EXPECT_EQ("secret", rt::gbk(form->edit(2)->text()));

    bool red_star = false;
    for (QLabel* l : form->findChildren<QLabel*>())
        if (l->text() == "*") red_star = l->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
    EXPECT_TRUE(red_star);

    EXPECT_EQ(1, dw.SetColumn("password"));
    EXPECT_EQ(form->edit(2), dw.widget()->focusProxy());
    Click last;
    watch(dw, last);
    const QPoint on_edit = in_control(dw, form->edit(2), QPoint(3, 3));
    dw.click_at(on_edit.x(), on_edit.y());
    EXPECT_EQ(1, last.row);
    EXPECT_EQ("password", last.dwo);
}

// A DataWindow takes its place in the tab order: the first control of a
// window gets the focus when the window opens, and Tab walks through its
// columns and out of it to the next control.
TEST(DataWindowView, TakesTheFocusInTheTabOrder) {
    rt::DataObject o = account_form("d_tab_form");
    struct Form : rt::Window {
        Form() { set_window_type(rt::WindowType::response); }
        DataWindow dw{this, {20, 20, 1500, 600}};
        rt::CommandButton cb_reg{this, "注册&R", {20, 700, 352, 92}};
    } w;
    w.dw.set_dataobject(o);
    w.dw.InsertRow(0);
    w.dw.set_taborder(10);
    w.cb_reg.set_taborder(20);
    std::vector<QWidget*> walked;
    rt::OnWindowOpened hook([&](rt::Window& opened) {
        for (int i = 0; i < 3; ++i) {
            walked.push_back(QApplication::focusWidget());
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QApplication::sendEvent(QApplication::focusWidget(), &tab);
        }
        rt::Close(opened);
    });
    rt::Open(w);
    EXPECT_EQ(walked, (std::vector<QWidget*>{w.dw.form()->edit(1), w.dw.form()->edit(2), w.cb_reg.widget()}));
}
