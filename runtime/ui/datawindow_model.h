// The Qt model over a row store: the grid view asks it for the cells of the
// rows on screen only, so a store of any size costs no widget per cell.
// It follows the store's changes as a RowObserver, and so also the rows of
// another store that it shares.
//
// With an object shown n-up (several rows side by side in one line), model
// row r column k shows store row r * n_up + k / visible + 1, where visible
// is the number of visible columns.
#pragma once

#include "runtime/datastore.h"

#include <QAbstractTableModel>

#include <vector>

namespace rt {

class DataWindowModel final : public QAbstractTableModel, public RowObserver {
public:
    explicit DataWindowModel(DataStore& store, QObject* parent = nullptr);
    ~DataWindowModel() override;

    // Takes a new object's columns (after set_dataobject).
    void rebind();
    void detach();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Reads the text into the cell by the column's type; false when the
    // column rejects it or the rows are read-only (the cell keeps its value).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // No cell is editable while set: the view opens no edit and writes nothing.
    void set_readonly(bool r) { readonly_ = r; }

    // Store row (1..n) and column number of a model index; row 0 when the
    // index shows no row (the empty places of the last n-up line).
    std::int32_t store_row(const QModelIndex& index) const;
    int store_column(const QModelIndex& index) const;
    QModelIndex index_of(std::int32_t row, int column) const;

    // Text of a cell as the grid shows it: String of the value, "" for null.
    static QString cell_text(const DataStore& store, std::int32_t row, int column);

    // RowObserver
    void before_reset() override;
    void after_reset() override;
    void before_insert(long first, long count) override;
    void after_insert() override;
    void before_remove(long first, long count) override;
    void after_remove() override;
    void cell_changed(long row, int column) override;
    void selection_changed() override;
    void texts_changed() override;

private:
    int n_up() const;
    DataStore* store_;
    std::vector<int> visible_;   // store column numbers of the visible columns
    bool any_bold_ = false;      // a visible column has a bold rule
    bool resetting_ = false;
    bool readonly_ = false;
};

} // namespace rt
