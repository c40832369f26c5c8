#include "runtime/ui/datawindow.h"

#include "runtime/strings.h"
#include "runtime/ui/datawindow_model.h"
#include "runtime/ui/freeform_view.h"
#include "runtime/ui/gbk_length_validator.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/units.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace rt {

namespace {

constexpr int default_column_px = 100;

// The grid's cell editor: a line edit that keeps a char(n) column's bytes,
// remembered so that AcceptText can write what is still being typed.
class CellDelegate final : public QStyledItemDelegate {
public:
    CellDelegate(DataStore& store, DataWindowModel& model, QObject* parent)
        : QStyledItemDelegate(parent), store_(store), model_(model) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        auto* e = new QLineEdit(parent);
        e->setFrame(false);
        const ColumnDef* c = store_.column(model_.store_column(index));
        if (c && c->type == ColType::Char && c->length > 0) e->setValidator(new GbkLengthValidator(c->length, e));
        editor_ = e;
        index_ = index;
        return e;
    }
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        if (editor == editor_) editor_ = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }
    QLineEdit* editor() const { return editor_; }
    // 1 when there is nothing pending or the text went into the cell; -1
    // when the column rejects it (the edit stays open with the text).
    int accept() {
        if (!editor_) return 1;
        if (!model_.setData(index_, editor_->text(), Qt::EditRole)) return -1;
        QLineEdit* e = editor_;
        emit closeEditor(e, QAbstractItemDelegate::NoHint);
        return 1;
    }

private:
    DataStore& store_;
    DataWindowModel& model_;
    mutable QPointer<QLineEdit> editor_;
    mutable QPersistentModelIndex index_;
};

QRect under_section(const QHeaderView& header, int section, int y, int h) {
    return {header.sectionViewportPosition(section) + header.x(), y, header.sectionSize(section), h};
}

} // namespace

// Everything on screen: the frame, the grid with its summary line, the free
// form; and the one observer through which the store's changes reach them.
class DataWindow::Presentation final : public QObject, public RowObserver {
public:
    explicit Presentation(DataWindow& dw) : dw_(dw) {
        frame_ = static_cast<QFrame*>(dw.widget());
        frame_->setFrameShape(QFrame::StyledPanel);
        layout_ = new QVBoxLayout(frame_);
        layout_->setContentsMargins(0, 0, 0, 0);
        layout_->setSpacing(0);
        model_ = new DataWindowModel(dw, frame_);
        table_ = new QTableView(frame_);
        table_->setModel(model_);
        delegate_ = new CellDelegate(dw, *model_, table_);
        table_->setItemDelegate(delegate_);
        table_->setSelectionMode(QAbstractItemView::NoSelection);
        table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
        table_->setWordWrap(false);
        table_->verticalHeader()->hide();
        table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
        table_->horizontalHeader()->setHighlightSections(false);
        table_->viewport()->installEventFilter(this);
        table_->horizontalHeader()->viewport()->installEventFilter(this);
        layout_->addWidget(table_);
        footer_ = new QWidget(frame_);
        footer_->installEventFilter(this);
        layout_->addWidget(footer_);
        connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& now) { user_moved(now); });
        connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { place_footer(); });
        connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { place_footer(); });
        dw.add_observer(this);
        rebuild();
    }

    ~Presentation() override {
        dw_.remove_observer(this);
        model_->detach();
        if (form_) form_->detach();
    }

    int accept() {
        if (form_) return form_->accept();
        return delegate_->accept();
    }

    void set_readonly(bool r) {
        if (r) accept();
        readonly_ = r;
        model_->set_readonly(r);
        if (QLineEdit* e = delegate_->editor()) e->setReadOnly(r);
        lock_form();
    }
    bool readonly() const { return readonly_; }

    // ---- the store's current row and column reach the screen -----------
    void show_current() {
        if (syncing_) return;
        syncing_ = true;
        if (form_) {
            if (shown_row_ != dw_.GetRow()) form_->load();
            shown_row_ = dw_.GetRow();
            // The window's own focus widget, not the application's: while a
            // message box has just closed and the window is not yet active
            // again, the application has none, and the caret must still move
            // to the column when the window comes back.
            const QWidget* had = frame_->window()->focusWidget();
            const bool focused = frame_->hasFocus() || had == frame_ || frame_->isAncestorOf(had);
            if (QLineEdit* e = form_->edit(dw_.GetColumn())) {
                frame_->setFocusProxy(e);
                if (focused) e->setFocus(Qt::OtherFocusReason);
            }
        } else {
            const QModelIndex at = model_->index_of(dw_.GetRow(), dw_.GetColumn());
            if (at.isValid()) table_->setCurrentIndex(at);
        }
        syncing_ = false;
    }

    QTableView* grid() const { return form_ ? nullptr : table_; }
    QTableView* table() const { return table_; }
    FreeFormView* form() const { return form_; }
    DataWindowModel* model() const { return model_; }
    QFrame* frame() const { return frame_; }
    std::int32_t row_at_viewport(const QPoint& p) const { return model_->store_row(table_->indexAt(p)); }

    // RowObserver: the model has its own registration; the form and the
    // summary line follow here.
    void after_reset() override {
        if (&dw_.object() != shown_object_) return rebuild();
        if (form_) form_->after_reset();
        refresh_footer();
    }
    void after_insert() override {
        if (form_) form_->after_insert();
        refresh_footer();
    }
    void after_remove() override {
        if (form_) form_->after_remove();
        refresh_footer();
    }
    void cell_changed(long row, int column) override {
        if (form_) form_->cell_changed(row, column);
    }
    void texts_changed() override {
        if (form_) form_->texts_changed();
        refresh_footer();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void user_moved(const QModelIndex& now);
    void refresh_footer();
    void place_footer();

    DataWindow& dw_;
    QFrame* frame_;
    QVBoxLayout* layout_;
    DataWindowModel* model_;
    QTableView* table_;
    CellDelegate* delegate_;
    QWidget* footer_;
    std::vector<std::pair<QLabel*, std::string>> footer_items_; // label, column it stands under
    FreeFormView* form_ = nullptr;
    const DataObject* shown_object_ = nullptr;
    std::int32_t shown_row_ = -1;
    bool syncing_ = false;
    bool readonly_ = false;

    // The form's fields take input only for editable columns of rows that
    // are not locked.
    void lock_form() {
        if (!form_) return;
        for (int c = 1; c <= dw_.column_count(); ++c)
            if (QLineEdit* e = form_->edit(c)) e->setReadOnly(readonly_ || !dw_.column(c)->editable);
    }
};

void DataWindow::Presentation::rebuild() {
    shown_object_ = &dw_.object();
    const DataObject& o = dw_.object();
    if (form_) {
        form_->detach();
        delete form_;
        form_ = nullptr;
    }
    for (auto& item : footer_items_) delete item.first;
    footer_items_.clear();
    if (o.style == Style::FreeForm) {
        table_->hide();
        footer_->hide();
        form_ = new FreeFormView(dw_, frame_);
        form_->installEventFilter(this);
        for (int c = 1; c <= dw_.column_count(); ++c) form_->edit(c)->installEventFilter(this);
        form_->on_column_entered = [this](int column) {
            if (!syncing_) dw_.SetColumn(column);
        };
        layout_->addWidget(form_);
        form_->show();
        frame_->setFocusProxy(form_->edit(std::max(1, dw_.GetColumn())));
        shown_row_ = dw_.GetRow();
        lock_form();
        return;
    }
    table_->show();
    frame_->setFocusProxy(table_);
    const int per_line = model_->columnCount() / std::max(1, o.n_up);
    for (int section = 0; section < model_->columnCount(); ++section) {
        const ColumnDef* c = dw_.column(model_->store_column(model_->index(0, section)));
        if (!c && per_line > 0) {
            int k = 0;
            for (const ColumnDef& d : o.columns) {
                if (!d.visible) continue;
                if (k++ == section % per_line) c = &d;
            }
        }
        table_->setColumnWidth(section, c && c->width > 0 ? units_to_px_x(c->width) : default_column_px);
    }
    for (const TextDef& t : o.texts)
        if (!t.under_column.empty()) footer_items_.push_back({new QLabel(qstr(t.text), footer_), t.under_column});
    for (const ComputeDef& c : o.computes) footer_items_.push_back({new QLabel(footer_), c.under_column});
    footer_->setVisible(!footer_items_.empty());
    footer_->setFixedHeight(table_->verticalHeader()->defaultSectionSize());
    refresh_footer();
}

void DataWindow::Presentation::refresh_footer() {
    if (form_ || footer_items_.empty()) return;
    const DataObject& o = dw_.object();
    std::size_t i = 0;
    for (const TextDef& t : o.texts)
        if (!t.under_column.empty()) footer_items_[i++].first->setText(qstr(t.text));
    for (const ComputeDef& c : o.computes) footer_items_[i++].first->setText(c.value ? qstr(c.value(dw_)) : QString());
    place_footer();
}

void DataWindow::Presentation::place_footer() {
    const QHeaderView& header = *table_->horizontalHeader();
    for (auto& [label, column] : footer_items_) {
        const QModelIndex at = model_->index_of(1, dw_.column_number(column));
        int section = at.isValid() ? at.column() : -1;
        if (section < 0) {
            // Without rows the model cannot map; the first line's places stand.
            int k = 0;
            for (const ColumnDef& d : dw_.object().columns) {
                if (!d.visible) continue;
                if (Lower(d.name) == Lower(column)) section = k;
                ++k;
            }
        }
        if (section < 0) continue;
        label->setGeometry(under_section(header, section, 0, footer_->height()));
    }
}

void DataWindow::Presentation::user_moved(const QModelIndex& now) {
    if (syncing_) return;
    const std::int32_t row = model_->store_row(now);
    if (row == 0) return;
    syncing_ = true;
    dw_.SetRow(row);
    dw_.SetColumn(model_->store_column(now));
    syncing_ = false;
}

bool DataWindow::Presentation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    auto* m = static_cast<QMouseEvent*>(event);
    if (m->button() != Qt::LeftButton) return QObject::eventFilter(watched, event);
    auto* w = static_cast<QWidget*>(watched);
    const QPoint in_frame = frame_->mapFromGlobal(m->globalPosition().toPoint());
    std::int32_t row = 0;
    DwObject dwo;
    if (w == table_->viewport()) {
        const QModelIndex at = table_->indexAt(m->position().toPoint());
        row = model_->store_row(at);
        if (row > 0) dwo = {"column", dw_.column(model_->store_column(at))->name};
    } else if (w == table_->horizontalHeader()->viewport()) {
        const int section = table_->horizontalHeader()->logicalIndexAt(m->position().toPoint());
        if (section >= 0) {
            const int per_line = std::max(1, model_->columnCount() / std::max(1, dw_.object().n_up));
            int k = 0;
            for (const ColumnDef& d : dw_.object().columns)
                if (d.visible && k++ == section % per_line) dwo = {"text", d.name + "_t"};
        }
    } else if (form_ && (w == form_ || form_->isAncestorOf(w))) {
        row = dw_.GetRow();
        for (int c = 1; c <= dw_.column_count(); ++c)
            if (form_->edit(c) == w) dwo = {"column", dw_.column(c)->name};
    }
    dw_.raise_dwclicked(in_frame.x(), in_frame.y(), row, dwo);
    return QObject::eventFilter(watched, event);
}

// ---- the control -------------------------------------------------------------------

// The frame takes the focus, for its view (the grid, or the current
// column's edit) as its proxy: without a focus policy the control would
// drop out of its window's tab order and never get the focus on opening.
static QFrame* new_frame(Container* parent) {
    auto* frame = new QFrame(parent ? parent->area() : nullptr);
    frame->setFocusPolicy(Qt::StrongFocus);
    return frame;
}

DataWindow::DataWindow(Container* parent, Rect r) : Control(parent, new_frame(parent), r) { present(); }

DataWindow::DataWindow(Container* parent, const DataObject& object, Rect r)
    : Control(parent, new_frame(parent), r), DataStore(object) {
    present();
}

DataWindow::DataWindow(Container* parent, const char* dataobject, Rect r)
    : Control(parent, new_frame(parent), r), DataStore(std::string(dataobject)) {
    present();
}

DataWindow::~DataWindow() { p_.reset(); }

void DataWindow::present() { p_ = std::make_unique<Presentation>(*this); }

int DataWindow::AcceptText() { return p_->accept(); }

void DataWindow::set_readonly(bool r) { p_->set_readonly(r); }

bool DataWindow::readonly() const { return p_->readonly(); }

void DataWindow::set_border(bool b) { p_->frame()->setFrameShape(b ? QFrame::StyledPanel : QFrame::NoFrame); }

void DataWindow::set_vscrollbar(bool b) {
    p_->table()->setVerticalScrollBarPolicy(b ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void DataWindow::set_hscrollbar(bool b) {
    p_->table()->setHorizontalScrollBarPolicy(b ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

int DataWindow::ScrollToRow(std::int32_t row) {
    if (row < 1 || row > RowCount()) return -1;
    if (QTableView* t = grid()) {
        const int first_visible = column_count() > 0 ? p_->model()->store_column(p_->model()->index(0, 0)) : 0;
        t->scrollTo(p_->model()->index_of(row, first_visible));
    }
    return 1;
}

std::int32_t DataWindow::first_row_on_screen() const {
    QTableView* t = grid();
    if (!t || RowCount() == 0) return form() ? GetRow() : 0;
    return p_->row_at_viewport(QPoint(1, 1));
}

QTableView* DataWindow::grid() const { return p_ ? p_->grid() : nullptr; }
FreeFormView* DataWindow::form() const { return p_ ? p_->form() : nullptr; }
DataWindowModel* DataWindow::model() const { return p_ ? p_->model() : nullptr; }

void DataWindow::current_changed() {
    if (p_) p_->show_current();
}

void DataWindow::clicked(int, int, std::int32_t, const DwObject&) {}

void DataWindow::raise_dwclicked(int px, int py, std::int32_t row, const DwObject& dwo) {
    const int x = px_to_units_x(px), y = px_to_units_y(py);
    clicked(x, y, row, dwo);
    if (on_dwclicked) on_dwclicked(x, y, row, dwo);
}

void DataWindow::click_at(int px, int py) {
    QWidget* target = widget()->childAt(px, py);
    if (!target) target = widget();
    const QPoint local = target->mapFrom(widget(), QPoint(px, py));
    const QPoint global = target->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(global), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local), QPointF(global), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

} // namespace rt
