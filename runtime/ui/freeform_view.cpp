#include "runtime/ui/freeform_view.h"

#include "runtime/cellvalue.h"
#include "runtime/ui/datawindow_model.h"
#include "runtime/ui/gbk_length_validator.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/style.h"
#include "runtime/ui/units.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>

namespace rt {

namespace {
// Places for an object that gives none: label and field side by side,
// one column under the other.
constexpr int auto_label_w = 120, auto_edit_w = 220, auto_h = 22, auto_step = 30, auto_margin = 8;

QRect pixels(const LayoutRect& r) {
    return {units_to_px_x(r.x), units_to_px_y(r.y), units_to_px_x(r.width), units_to_px_y(r.height)};
}
} // namespace

FreeFormView::FreeFormView(DataStore& store, QWidget* parent) : QWidget(parent), store_(&store) {
    build();
    load();
}

FreeFormView::~FreeFormView() = default;

void FreeFormView::detach() { store_ = nullptr; }

void FreeFormView::build() {
    const DataObject& o = store_->object();
    for (std::size_t i = 0; i < o.columns.size(); ++i) {
        const ColumnDef& c = o.columns[i];
        const int y = auto_margin + static_cast<int>(i) * auto_step;
        auto* label = new QLabel(qstr(c.header), this);
        label->setGeometry(c.label.empty() ? QRect(auto_margin, y, auto_label_w, auto_h) : pixels(c.label));
        label->setVisible(c.visible);
        auto* edit = new QLineEdit(this);
        edit->setGeometry(c.edit.empty() ? QRect(2 * auto_margin + auto_label_w, y, auto_edit_w, auto_h)
                                         : pixels(c.edit));
        if (c.type == ColType::Char && c.length > 0) edit->setValidator(new GbkLengthValidator(c.length, edit));
        edit->setReadOnly(!c.editable);
        edit->setVisible(c.visible);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, i] { dirty_[i] = true; });
        connect(edit, &QLineEdit::editingFinished, this, [this] { accept(); });
        labels_.push_back(label);
        edits_.push_back(edit);
    }
    dirty_.assign(edits_.size(), false);
    for (const TextDef& t : o.texts) {
        auto* label = new QLabel(qstr(t.text), this);
        if (!t.place.empty()) label->setGeometry(pixels(t.place));
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, qcolor(static_cast<std::int64_t>(t.color)));
        label->setPalette(pal);
        texts_.push_back(label);
    }
    if (!edits_.empty()) setFocusProxy(edits_.front());
}

void FreeFormView::load_field(std::size_t i) {
    const std::int32_t row = store_ ? store_->GetRow() : 0;
    edits_[i]->setText(row > 0 ? DataWindowModel::cell_text(*store_, row, static_cast<int>(i) + 1) : QString());
    dirty_[i] = false;
}

void FreeFormView::load() {
    for (std::size_t i = 0; i < edits_.size(); ++i) load_field(i);
}

int FreeFormView::accept() {
    if (!store_) return 1;
    const std::int32_t row = store_->GetRow();
    int result = 1;
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        if (!dirty_[i]) continue;
        const ColumnDef& c = *store_->column(static_cast<int>(i) + 1);
        Any v;
        if (row == 0 || !parse_cell(c, gbk(edits_[i]->text()), v) ||
            store_->SetItem(row, static_cast<int>(i) + 1, v) != 1) {
            result = -1;
            continue;
        }
        dirty_[i] = false;
    }
    return result;
}

void FreeFormView::focus_column(int column) {
    if (QLineEdit* e = edit(column)) {
        setFocusProxy(e);
        e->setFocus(Qt::OtherFocusReason);
    }
}

QLineEdit* FreeFormView::edit(int column) const {
    if (column < 1 || column > static_cast<int>(edits_.size())) return nullptr;
    return edits_[static_cast<std::size_t>(column - 1)];
}

void FreeFormView::cell_changed(long row, int column) {
    if (!store_ || row != store_->GetRow() || column < 1 || column > static_cast<int>(edits_.size())) return;
    load_field(static_cast<std::size_t>(column - 1));
}

void FreeFormView::texts_changed() {
    if (!store_) return;
    const DataObject& o = store_->object();
    for (std::size_t i = 0; i < labels_.size() && i < o.columns.size(); ++i) labels_[i]->setText(qstr(o.columns[i].header));
    for (std::size_t i = 0; i < texts_.size() && i < o.texts.size(); ++i) texts_[i]->setText(qstr(o.texts[i].text));
}

bool FreeFormView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (std::size_t i = 0; i < edits_.size(); ++i)
            if (edits_[i] == watched) {
                setFocusProxy(edits_[i]);
                if (on_column_entered) on_column_entered(static_cast<int>(i) + 1);
            }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace rt
