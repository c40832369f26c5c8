#include "runtime/ui/datawindow_model.h"

#include "runtime/cellvalue.h"
#include "runtime/ui/qt_text.h"

#include <QApplication>
#include <QFont>
#include <QPalette>

namespace rt {

DataWindowModel::DataWindowModel(DataStore& store, QObject* parent) : QAbstractTableModel(parent), store_(&store) {
    rebind();
    store_->add_observer(this);
}

DataWindowModel::~DataWindowModel() { detach(); }

void DataWindowModel::detach() {
    if (!store_) return;
    beginResetModel();
    store_->remove_observer(this);
    store_ = nullptr;
    visible_.clear();
    endResetModel();
}

void DataWindowModel::rebind() {
    visible_.clear();
    any_bold_ = false;
    if (!store_) return;
    for (int c = 1; c <= store_->column_count(); ++c) {
        if (!store_->column(c)->visible) continue;
        visible_.push_back(c);
        if (store_->column(c)->bold) any_bold_ = true;
    }
}

int DataWindowModel::n_up() const { return store_ ? std::max(1, store_->object().n_up) : 1; }

int DataWindowModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !store_ || visible_.empty()) return 0;
    const int n = n_up();
    return (store_->RowCount() + n - 1) / n;
}

int DataWindowModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !store_) return 0;
    return static_cast<int>(visible_.size()) * n_up();
}

std::int32_t DataWindowModel::store_row(const QModelIndex& index) const {
    if (!index.isValid() || !store_ || visible_.empty()) return 0;
    const int per_line = static_cast<int>(visible_.size());
    const std::int32_t row = index.row() * n_up() + index.column() / per_line + 1;
    return row <= store_->RowCount() ? row : 0;
}

int DataWindowModel::store_column(const QModelIndex& index) const {
    if (!index.isValid() || visible_.empty()) return 0;
    return visible_[static_cast<std::size_t>(index.column()) % visible_.size()];
}

QModelIndex DataWindowModel::index_of(std::int32_t row, int column) const {
    if (!store_ || row < 1 || row > store_->RowCount()) return {};
    std::size_t k = 0;
    while (k < visible_.size() && visible_[k] != column) ++k;
    if (k == visible_.size()) return {};
    const int n = n_up();
    const int line = (row - 1) / n, place = (row - 1) % n;
    return index(line, place * static_cast<int>(visible_.size()) + static_cast<int>(k));
}

QString DataWindowModel::cell_text(const DataStore& store, std::int32_t row, int column) {
    const nstring s = String(store.GetItem(row, column));
    return s ? qstr(*s) : QString();
}

QVariant DataWindowModel::data(const QModelIndex& index, int role) const {
    const std::int32_t row = store_row(index);
    if (row == 0) return {};
    const int column = store_column(index);
    const ColumnDef& def = *store_->column(column);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell_text(*store_, row, column);
    case Qt::FontRole:
        if (def.bold && def.bold(*store_, row)) {
            QFont f = QApplication::font();
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::BackgroundRole:
        if (store_->IsSelected(row)) return QApplication::palette().brush(QPalette::Highlight);
        return {};
    case Qt::ForegroundRole:
        if (store_->IsSelected(row)) return QApplication::palette().brush(QPalette::HighlightedText);
        return {};
    case Qt::TextAlignmentRole:
        if (def.type != ColType::Char) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant DataWindowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || !store_ || visible_.empty()) return {};
    const int column = visible_[static_cast<std::size_t>(section) % visible_.size()];
    return qstr(store_->column(column)->header);
}

Qt::ItemFlags DataWindowModel::flags(const QModelIndex& index) const {
    const std::int32_t row = store_row(index);
    if (row == 0) return Qt::ItemIsEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!readonly_ && store_->column(store_column(index))->editable) f |= Qt::ItemIsEditable;
    return f;
}

bool DataWindowModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const std::int32_t row = store_row(index);
    if (role != Qt::EditRole || row == 0 || readonly_) return false;
    const int column = store_column(index);
    const std::string text = gbk(value.toString());
    Any v;
    if (!parse_cell(*store_->column(column), text, v)) return false;
    return store_->SetItem(row, column, v) == 1;
}

// ---- following the store --------------------------------------------------

void DataWindowModel::before_reset() {
    if (resetting_) return;
    resetting_ = true;
    beginResetModel();
}

void DataWindowModel::after_reset() {
    if (!resetting_) return;
    rebind();
    resetting_ = false;
    endResetModel();
}

void DataWindowModel::before_insert(long first, long count) {
    if (n_up() > 1) return before_reset();
    beginInsertRows({}, static_cast<int>(first - 1), static_cast<int>(first + count - 2));
}

void DataWindowModel::after_insert() {
    if (n_up() > 1) return after_reset();
    endInsertRows();
}

void DataWindowModel::before_remove(long first, long count) {
    if (n_up() > 1) return before_reset();
    beginRemoveRows({}, static_cast<int>(first - 1), static_cast<int>(first + count - 2));
}

void DataWindowModel::after_remove() {
    if (n_up() > 1) return after_reset();
    endRemoveRows();
}

void DataWindowModel::cell_changed(long row, int column) {
    const QModelIndex at = index_of(static_cast<std::int32_t>(row), column);
    // Without bold rules a cell shows only its own value: the cell repaints,
    // and a hidden column's change (a loop's mark) has nothing to repaint.
    if (!any_bold_) {
        if (at.isValid()) emit dataChanged(at, at);
        return;
    }
    // A cell can make other cells of its row bold, so the whole line repaints.
    if (!at.isValid()) {
        for (int c : visible_) {
            const QModelIndex other = index_of(static_cast<std::int32_t>(row), c);
            if (other.isValid()) return cell_changed(row, c);
        }
        return;
    }
    emit dataChanged(index(at.row(), 0), index(at.row(), columnCount() - 1));
}

void DataWindowModel::selection_changed() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                     {Qt::BackgroundRole, Qt::ForegroundRole});
}

void DataWindowModel::texts_changed() { emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1)); }

} // namespace rt
