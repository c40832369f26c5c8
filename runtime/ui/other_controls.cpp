#include "runtime/ui/controls.h"

#include "runtime/ui/qt_text.h"
#include "runtime/ui/window.h"

#include <QMdiArea>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace rt {
namespace {

// The runtime's texts separate lines with CR LF; the widget with LF.
QString to_widget(const std::string& gbk_text) {
    QString t = qstr(gbk_text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar('\r'), QChar('\n'));
    return t;
}
std::string from_widget(QString t) {
    t.replace(QChar(0x2029), QChar('\n'));
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return gbk(t);
}

} // namespace

// ---- multi-line edit -----------------------------------------------------
MultiLineEdit::MultiLineEdit(Container* parent, const std::string& text, Rect r)
    : Control(parent, new QPlainTextEdit(parent->area()), r) {
    edit()->setTabChangesFocus(true);
    edit()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit()->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    set_text(text);
    // The document tells where a change happened just before the edit
    // tells that the text changed.
    QObject::connect(edit()->document(), &QTextDocument::contentsChange, [this](int position, int, int added) {
        changed_from_ = position;
        changed_to_ = position + added;
    });
    QObject::connect(edit(), &QPlainTextEdit::textChanged, [this] { user_changed(); });
}
QPlainTextEdit* MultiLineEdit::edit() const { return static_cast<QPlainTextEdit*>(widget()); }
std::string MultiLineEdit::text() const { return from_widget(edit()->toPlainText()); }
void MultiLineEdit::set_text(const std::string& text) {
    setting_ = true;
    edit()->setPlainText(to_widget(text));
    setting_ = false;
}

void MultiLineEdit::user_changed() {
    if (setting_) return;
    take_back_what_does_not_fit();
    dirty_ = true;
    raise_changed();
}

// What the user adds is taken back at once, as if never typed, where GBK
// cannot hold it (it would reach the gateway as "?") and where it passes the
// limit. The limit counts as the runtime's text does, and so as the send
// window's counter does: a line break is CR LF there, two characters.
void MultiLineEdit::take_back_what_does_not_fit() {
    QTextDocument* doc = edit()->document();
    const int end = doc->characterCount() - 1; // without the document's closing separator
    const int from = std::clamp(changed_from_, 0, end);
    const int to = std::clamp(changed_to_, from, end);
    QTextCursor c(doc);
    setting_ = true;
    for (int i = to - 1; i >= from; --i) {
        const QChar ch = doc->characterAt(i);
        if (ch.unicode() < 0x80 || ch == QChar::ParagraphSeparator) continue;
        const bool pair = ch.isLowSurrogate() && i > from && doc->characterAt(i - 1).isHighSurrogate();
        const int first = pair ? i - 1 : i;
        QString one(ch);
        if (pair) one.prepend(doc->characterAt(i - 1));
        if (!gbk_holds(one)) {
            c.setPosition(first);
            c.setPosition(i + 1, QTextCursor::KeepAnchor);
            c.removeSelectedText();
        }
        i = first;
    }
    setting_ = false;
    if (limit_ <= 0) return;

    const QString t = edit()->toPlainText();
    const auto breaks = static_cast<int>(t.count(QChar('\n')));
    int over = static_cast<int>(t.size()) + breaks - limit_;
    if (over <= 0) return;
    // The cursor ends what was added; it is taken back from its end.
    QTextCursor at = edit()->textCursor();
    int pos = std::clamp(at.position(), from, static_cast<int>(t.size()));
    const int stop = pos;
    while (over > 0 && pos > 0) {
        const QChar ch = t.at(pos - 1);
        over -= ch == QChar('\n') ? 2 : 1;
        --pos;
    }
    setting_ = true;
    at.setPosition(pos);
    at.setPosition(stop, QTextCursor::KeepAnchor);
    at.removeSelectedText();
    setting_ = false;
    edit()->setTextCursor(at);
}

void MultiLineEdit::losefocus() {
    if (!dirty_) return;
    dirty_ = false;
    raise_modified();
}

void MultiLineEdit::set_limit(int chars) { limit_ = std::max(0, chars); }
void MultiLineEdit::set_vscrollbar(bool v) {
    edit()->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}
void MultiLineEdit::set_hscrollbar(bool h) {
    edit()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    edit()->setLineWrapMode(h ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
}
void MultiLineEdit::set_displayonly(bool d) { edit()->setReadOnly(d); }
bool MultiLineEdit::displayonly() const { return edit()->isReadOnly(); }

int MultiLineEdit::SelectText(long start, long length) {
    if (start < 1 || length < 0) return -1;
    const std::string t = text();
    // Positions count the runtime's bytes, CR LF included; the widget holds
    // LF alone, so the CRs before a position are taken off.
    auto to_widget_pos = [&](std::size_t bytes) {
        std::size_t chars = chars_in_bytes(t, bytes);
        std::size_t crs = 0;
        for (std::size_t i = 0; i < bytes && i < t.size(); ++i)
            if (t[i] == '\r') ++crs;
        return static_cast<int>(chars - crs);
    };
    const int from = to_widget_pos(static_cast<std::size_t>(start - 1));
    const int to = to_widget_pos(static_cast<std::size_t>(start - 1 + length));
    QTextCursor c = edit()->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    edit()->setTextCursor(c);
    return to - from;
}

long MultiLineEdit::Position() const {
    const QString before = edit()->toPlainText().left(edit()->textCursor().position());
    return static_cast<long>(from_widget(before).size()) + 1;
}

int MultiLineEdit::ReplaceText(const std::string& text) {
    edit()->textCursor().insertText(to_widget(text));
    return static_cast<int>(text.size());
}

int MultiLineEdit::Scroll(long lines) {
    QScrollBar* v = edit()->verticalScrollBar();
    v->setValue(v->value() + static_cast<int>(lines));
    return v->value() + 1;
}

// ---- tab control ---------------------------------------------------------
Tab::Tab(Container* parent, Rect r) : Control(parent, new QTabWidget(parent->area()), r) {
    QObject::connect(tabs(), &QTabWidget::currentChanged, [this](int i) { raise_selectionchanged(i + 1); });
}
QTabWidget* Tab::tabs() const { return static_cast<QTabWidget*>(widget()); }
int Tab::selectedtab() const { return tabs()->currentIndex() + 1; }
int Tab::SelectTab(int index) {
    if (index < 1 || index > page_count()) return -1;
    tabs()->setCurrentIndex(index - 1);
    return 1;
}
int Tab::page_count() const { return static_cast<int>(pages_.size()); }
TabPage* Tab::page(int index) const {
    return index >= 1 && index <= page_count() ? pages_[static_cast<std::size_t>(index - 1)] : nullptr;
}

void Tab::apply_tab_order() {
    QWidget* previous = tabs();
    for (TabPage* page : pages_) {
        std::vector<Control*> order;
        for (Control* c : page->controls())
            if (c->taborder() > 0 && c->widget() && c->widget()->focusPolicy() != Qt::NoFocus) order.push_back(c);
        std::stable_sort(order.begin(), order.end(),
                         [](const Control* a, const Control* b) { return a->taborder() < b->taborder(); });
        for (Control* c : order) {
            QWidget::setTabOrder(previous, c->widget());
            previous = c->widget();
        }
    }
}

// A page is listed with the window's controls, right after its tab control;
// its place is the tab control's to give.
TabPage::TabPage(Tab* tab, const std::string& text)
    : Control(tab->parent_container(), new QWidget(tab->tabs()), Rect{}), tab_(tab) {
    tab_->pages_.push_back(this);
    tab_->tabs()->addTab(widget(), qstr(text));
    widget()->setAutoFillBackground(true);
    QPalette p = widget()->palette();
    p.setColor(QPalette::Window, qcolor(colours::button_face));
    widget()->setPalette(p);
}
TabPage::~TabPage() {
    auto& v = tab_->pages_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
}
std::string TabPage::text() const {
    const int i = tab_->tabs()->indexOf(widget());
    return i < 0 ? "" : gbk(tab_->tabs()->tabText(i));
}
void TabPage::set_text(const std::string& text) {
    const int i = tab_->tabs()->indexOf(widget());
    if (i >= 0) tab_->tabs()->setTabText(i, qstr(text));
}
QWidget* TabPage::area() const { return widget(); }
Window* TabPage::parent_window() const { return tab_->parent_window(); }

// ---- progress bar ----------------------------------------------------------
HProgressBar::HProgressBar(Container* parent, Rect r) : Control(parent, new QProgressBar(parent->area()), r) {
    bar()->setRange(0, 100);
    bar()->setValue(0);
    bar()->setTextVisible(false);
}
QProgressBar* HProgressBar::bar() const { return static_cast<QProgressBar*>(widget()); }
int HProgressBar::minposition() const { return bar()->minimum(); }
int HProgressBar::maxposition() const { return bar()->maximum(); }
void HProgressBar::set_range(int min, int max) { bar()->setRange(min, std::max(min, max)); }
int HProgressBar::position() const { return bar()->value(); }
void HProgressBar::set_position(int p) { bar()->setValue(std::clamp(p, minposition(), maxposition())); }
int HProgressBar::StepIt() {
    const int before = position();
    int next = before + step_;
    if (next > maxposition()) next = minposition() + (next - maxposition());
    set_position(next);
    return before;
}

// ---- MDI client ------------------------------------------------------------
MdiClient::MdiClient(Container* parent, Rect r) : Control(parent, new QMdiArea(parent->area()), r) {
    mdi()->setBackground(qcolor(colours::app_workspace));
}
MdiClient::~MdiClient() {
    if (mdi()) release_sheets(mdi());
}
QMdiArea* MdiClient::mdi() const { return static_cast<QMdiArea*>(widget()); }

// ---- user object -----------------------------------------------------------
class UserObject::Canvas final : public QWidget {
public:
    Canvas(UserObject& owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        owner_.paint_lines(p);
        owner_.paint(p);
    }

private:
    UserObject& owner_;
};

UserObject::UserObject(Container* parent, Rect r) : Control(parent, new Canvas(*this, parent->area()), r) {}
UserObject::~UserObject() = default;
QWidget* UserObject::area() const { return widget(); }
Window* UserObject::parent_window() const { return Control::parent_window(); }
void UserObject::paint(QPainter&) {}
void UserObject::update() {
    if (widget()) widget()->update();
}

} // namespace rt
