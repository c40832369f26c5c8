#include "runtime/ui/controls.h"

#include "runtime/path.h"
#include "runtime/ui/qt_text.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>

#include <algorithm>

namespace rt {

// ---- shared list rules ------------------------------------------------------
int ListControl::insert_position(const std::string& item) const {
    const int n = TotalItems();
    if (!sorted_) return n;
    int i = 0;
    while (i < n && Text(i + 1) <= item) ++i;
    return i;
}

void ListControl::set_sorted(bool s) {
    sorted_ = s;
    if (!s) return;
    std::vector<std::string> items;
    for (int i = 1; i <= TotalItems(); ++i) items.push_back(Text(i));
    std::stable_sort(items.begin(), items.end());
    Reset();
    for (const auto& it : items) AddItem(it);
}

int ListControl::FindItem(const std::string& text, int start) const {
    const int n = TotalItems();
    for (int i = std::max(start, 0) + 1; i <= n; ++i)
        if (Text(i).compare(0, text.size(), text) == 0) return i;
    return -1;
}

int ListControl::SelectItem(const std::string& item, int start) {
    const int i = FindItem(item, start);
    if (i < 1) return 0;
    SelectItem(i);
    return i;
}

bool ListControl::DirList(const std::string& filespec, unsigned type) {
    // "…\log\*.txt": the folder before the last "\" and the pattern after it.
    const auto cut = filespec.rfind('\\');
    const std::string folder = cut == std::string::npos ? std::string(".") : filespec.substr(0, cut);
    const std::string pattern = cut == std::string::npos ? filespec : filespec.substr(cut + 1);
    QDir dir(QString::fromStdString(native_path(folder)));
    if (!dir.exists()) return false;
    QDir::Filters f = QDir::Files;
    if (type & 16) f |= QDir::Dirs | QDir::NoDot;
    const QStringList names =
        dir.entryList(QStringList{qstr(pattern)}, f, QDir::Name | QDir::IgnoreCase);
    Reset();
    for (const QString& n : names) AddItem(gbk(n));
    return true;
}

// ---- drop-down list box -------------------------------------------------------
DropDownListBox::DropDownListBox(Container* parent, Rect r)
    : ListControl(parent, new QComboBox(parent->area()), r) {
    // The designed height includes the dropped-down list; the closed box has
    // the height of one line.
    combo()->setMaxVisibleItems(std::max(1, units_to_px_y(r.height) / 16));
    combo()->setFixedHeight(combo()->sizeHint().height());
    QObject::connect(combo(), &QComboBox::activated, [this](int i) { raise_selectionchanged(i + 1); });
}
QComboBox* DropDownListBox::combo() const { return static_cast<QComboBox*>(widget()); }
// The first entry of an empty box would become its selection; the
// runtime's list stays without one until something selects it.
static void insert_keeping_selection(QComboBox* c, int pos, const QString& text) {
    const bool none = c->currentIndex() < 0;
    c->insertItem(pos, text);
    if (none) c->setCurrentIndex(-1);
}
int DropDownListBox::AddItem(const std::string& item) {
    const int pos = insert_position(item);
    insert_keeping_selection(combo(), pos, qstr(item));
    return pos + 1;
}
int DropDownListBox::InsertItem(const std::string& item, int index) {
    const int pos = std::clamp(index - 1, 0, TotalItems());
    insert_keeping_selection(combo(), pos, qstr(item));
    return pos + 1;
}
int DropDownListBox::DeleteItem(int index) {
    if (index < 1 || index > TotalItems()) return -1;
    combo()->removeItem(index - 1);
    return TotalItems();
}
int DropDownListBox::Reset() {
    combo()->clear();
    shown_text_.clear();
    return 1;
}
int DropDownListBox::TotalItems() const { return combo()->count(); }
std::string DropDownListBox::Text(int index) const {
    if (index < 1 || index > TotalItems()) return "";
    return gbk(combo()->itemText(index - 1));
}
int DropDownListBox::SelectedIndex() const {
    const int i = combo()->currentIndex();
    return i < 0 ? -1 : i + 1;
}
int DropDownListBox::SelectItem(int index) {
    if (index < 0 || index > TotalItems()) return -1;
    combo()->setCurrentIndex(index - 1);
    if (index == 0) shown_text_.clear();
    return index;
}
std::string DropDownListBox::text() const {
    const int i = combo()->currentIndex();
    return i < 0 ? shown_text_ : gbk(combo()->itemText(i));
}
void DropDownListBox::set_text(const std::string& text) {
    const int i = combo()->findText(qstr(text), Qt::MatchExactly);
    combo()->setCurrentIndex(i);
    shown_text_ = i < 0 ? text : "";
    combo()->setPlaceholderText(i < 0 ? qstr(text) : QString());
}

// ---- list box -------------------------------------------------------------------
ListBox::ListBox(Container* parent, Rect r) : ListControl(parent, new QListWidget(parent->area()), r) {
    QObject::connect(list(), &QListWidget::itemClicked,
                     [this](QListWidgetItem* it) { raise_selectionchanged(list()->row(it) + 1); });
    QObject::connect(list(), &QListWidget::itemDoubleClicked, [this](QListWidgetItem* it) {
        const int index = list()->row(it) + 1;
        doubleclicked(index);
        if (on_doubleclicked) on_doubleclicked(index);
    });
}
QListWidget* ListBox::list() const { return static_cast<QListWidget*>(widget()); }
int ListBox::AddItem(const std::string& item) {
    const int pos = insert_position(item);
    list()->insertItem(pos, qstr(item));
    return pos + 1;
}
int ListBox::InsertItem(const std::string& item, int index) {
    const int pos = std::clamp(index - 1, 0, TotalItems());
    list()->insertItem(pos, qstr(item));
    return pos + 1;
}
int ListBox::DeleteItem(int index) {
    if (index < 1 || index > TotalItems()) return -1;
    delete list()->takeItem(index - 1);
    return TotalItems();
}
int ListBox::Reset() {
    list()->clear();
    return 1;
}
int ListBox::TotalItems() const { return list()->count(); }
std::string ListBox::Text(int index) const {
    if (index < 1 || index > TotalItems()) return "";
    return gbk(list()->item(index - 1)->text());
}
int ListBox::SelectedIndex() const {
    const auto sel = list()->selectedItems();
    return sel.isEmpty() ? -1 : list()->row(sel.front()) + 1;
}
int ListBox::SelectItem(int index) {
    if (index < 0 || index > TotalItems()) return -1;
    list()->clearSelection();
    if (index == 0) return 0;
    list()->setCurrentRow(index - 1);
    list()->item(index - 1)->setSelected(true);
    return index;
}
std::string ListBox::text() const {
    const int i = SelectedIndex();
    return i < 1 ? "" : Text(i);
}

} // namespace rt
