// The free-form presentation of a DataWindow: one row at a time, each
// column an edit field with its header text as a label, and the object's
// text objects, all placed as the object defines them (layout units) or,
// for an object without places, one column under the other. The control
// that holds it hands it the store's changes (RowObserver) while it shows.
#pragma once

#include "runtime/datastore.h"

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;

namespace rt {

class FreeFormView final : public QWidget, public RowObserver {
public:
    FreeFormView(DataStore& store, QWidget* parent);
    ~FreeFormView() override;

    void detach();
    // Shows the store's current row again.
    void load();
    // Writes the fields the user changed into the row: 1, or -1 when one
    // does not fit its column (that field keeps the text the user typed).
    int accept();
    // Gives the focus to the field of a column.
    void focus_column(int column);
    QLineEdit* edit(int column) const;
    // The column whose field the user entered.
    std::function<void(int column)> on_column_entered;

    void after_reset() override { load(); }
    void after_insert() override { load(); }
    void after_remove() override { load(); }
    void cell_changed(long row, int column) override;
    void texts_changed() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void load_field(std::size_t i);
    DataStore* store_;
    std::vector<QLineEdit*> edits_;   // by column number - 1
    std::vector<QLabel*> labels_;
    std::vector<QLabel*> texts_;
    std::vector<bool> dirty_;
};

} // namespace rt
