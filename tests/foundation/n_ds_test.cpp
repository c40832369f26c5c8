#include "foundation/n_ds.h"

#include "core/n_cst_manager.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

rt::DataObject three_columns() {
    rt::DataObject o;
    o.name = "d_sheet";
    for (const char* name : {"a", "b", "c"}) o.columns.push_back(rt::Column(name, rt::ColType::Char, 100));
    return o;
}

} // namespace

TEST(NDs, BoxesAreTitledPromptAndNeedNoManager) {
    testing_support::RecordedBoxes boxes;
    ASSERT_EQ(nullptr, gnv_app);
    n_ds ds(three_columns());
    ds.InsertRow(0);
    EXPECT_EQ("Get value error4!", rt::String(ds.of_getvalue(1, "nosuch")));
    EXPECT_FALSE(ds.of_setvalue(1, "nosuch", rt::Any("x")));
    ASSERT_EQ(2u, boxes.shown().size());
    EXPECT_EQ("提示", boxes.shown()[0].title);
    EXPECT_EQ("d_sheet字段未找到nosuch", boxes.shown()[0].text);
    EXPECT_EQ("提示", boxes.shown()[1].title);
    EXPECT_EQ("d_sheet未找到字段nosuch，请联系系统管理员！", boxes.shown()[1].text);
    EXPECT_EQ("Get value error2!", rt::String(ds.of_getvalue(0, "a")));
    EXPECT_EQ("Get value error3!", rt::String(ds.of_getvalue(1, " ")));
    EXPECT_EQ(2u, boxes.shown().size());
}

TEST(NDs, ReadsAndWritesByNameAndNumber) {
    n_ds ds(three_columns());
    ds.ImportString("x\ty\tz");
    EXPECT_EQ("x", rt::String(ds.of_getvalue(1, rt::nint(1))));
    EXPECT_EQ("z", rt::String(ds.of_getvalue(1, "C")));
    EXPECT_TRUE(ds.of_setvalue(1, "b", rt::Any(12)));
    EXPECT_EQ("12", ds.GetItemString(1, "b"));
    EXPECT_EQ(1, ds.of_setitem(1, rt::nint(3), "w"));
    EXPECT_EQ("w", ds.GetItemString(1, "c"));
}

TEST(NDs, SetTransObject) {
    n_ds ds;
    pfc_n_tr first;
    EXPECT_EQ(-1, ds.of_settransobject(nullptr));
    EXPECT_EQ(nullptr, ds.itr_object);
    EXPECT_EQ(1, ds.of_settransobject(&first));
    EXPECT_EQ(&first, ds.itr_object);
    auto gone = std::make_unique<pfc_n_tr>();
    pfc_n_tr* dangling = gone.get();
    gone.reset();
    EXPECT_EQ(-1, ds.of_settransobject(dangling));
    EXPECT_EQ(&first, ds.itr_object);
}

TEST(NDs, GetColumnsKeepsWhatLiesAboveTheColumnCount) {
    n_ds ds(three_columns());
    std::vector<std::string> names;
    EXPECT_EQ(3, ds.of_getcolumns(names));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), names);
    std::vector<std::string> five{"1", "2", "3", "4", "5"};
    EXPECT_EQ(5, ds.of_getcolumns(five));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "4", "5"}), five);
    n_ds none;
    std::vector<std::string> empty;
    EXPECT_EQ(0, none.of_getcolumns(empty));
    EXPECT_EQ(2, none.of_getcolumns(names = {"p", "q"}));
    EXPECT_EQ((std::vector<std::string>{"p", "q"}), names);
}
