#include "mailmerge/dw_template.h"

#include "runtime/datastore.h"

namespace {

// The merge and the imports expect whole cell texts.
constexpr int whole_text = 32767;

rt::DataObject build() {
    rt::DataObject o;
    o.name = "dw_template";
    o.style = rt::Style::Grid;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        rt::ColumnDef c;
        c.name = std::string(1, static_cast<char>(letter - 'A' + 'a'));
        c.dbname = std::string(1, letter);
        c.type = rt::ColType::Char;
        c.length = whole_text;
        c.header = std::string(1, letter);
        c.width = 300;
        o.columns.push_back(c);
    }
    rt::ColumnDef flag;
    flag.name = "flag";
    flag.dbname = "flag";
    flag.type = rt::ColType::Char;
    flag.length = whole_text;
    flag.header = "Flag";
    flag.width = 200;
    o.columns.push_back(flag);
    // if(flag<>'',700,400): a null flag is not "<> ''", so only a real text makes B bold.
    o.columns[1].bold = [](const rt::DataStore& ds, long row) {
        const rt::nstring f = ds.GetItemString(static_cast<std::int32_t>(row), "flag");
        return f && !f->empty();
    };
    o.texts.push_back({"t_1", "合计", {}, 0, "a"});
    o.computes.push_back({"compute_1", "rowcount()",
                          [](const rt::DataStore& ds) { return std::to_string(ds.RowCount()); }, "b"});
    o.stored_rows = {
        "张三\t13800000001\t3000\t1200\t300\t50\t150\t45\t320\t4435",
        "李四\t13800000002\t3200\t1000\t0\t0\t150\t60\t330\t4070",
        "王五\t13800000003\t2800\t900\t200\t100\t150\t30\t300\t3720",
    };
    return o;
}

} // namespace

const rt::DataObject& dw_template() {
    static const rt::DataObject object = rt::registered(build());
    return object;
}
