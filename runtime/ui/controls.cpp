#include "runtime/ui/controls.h"

#include "runtime/path.h"
#include "runtime/services.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>

#include <algorithm>


namespace rt {
namespace {

QPixmap load_picture(const std::string& program_path) {
    if (program_path.empty()) return {};
    return QPixmap(QString::fromStdString(native_path(program_path)));
}

class PictureButtonWidget final : public QPushButton {
public:
    PictureButtonWidget(PictureButton& owner, QWidget* parent) : QPushButton(parent), owner_(owner) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QPixmap pic = load_picture(owner_.shown_picture());
        if (!pic.isNull()) p.drawPixmap(rect(), pic);
        else {
            QStyleOptionButton opt;
            initStyleOption(&opt);
            opt.text.clear();
            style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
        }
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
    }

private:
    PictureButton& owner_;
};

} // namespace

// ---- static text ---------------------------------------------------------
StaticText::StaticText(Container* parent, const std::string& text, Rect r)
    : Control(parent, new QLabel(qstr(text), parent->area()), r) {
    label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label()->setWordWrap(true);
}
QLabel* StaticText::label() const { return static_cast<QLabel*>(widget()); }
std::string StaticText::text() const { return gbk(label()->text()); }
void StaticText::set_text(const std::string& text) { label()->setText(qstr(text)); }
void StaticText::set_alignment(Alignment a) {
    const Qt::Alignment h = a == Alignment::left ? Qt::AlignLeft : a == Alignment::center ? Qt::AlignHCenter : Qt::AlignRight;
    label()->setAlignment(h | Qt::AlignTop);
}
void StaticText::set_border(bool b) { label()->setFrameStyle(b ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame); }

// ---- single-line edit ----------------------------------------------------
SingleLineEdit::SingleLineEdit(Container* parent, const std::string& text, Rect r)
    : Control(parent, new QLineEdit(qstr(text), parent->area()), r) {
    // Of a text pasted or dropped with line breaks the edit keeps the first
    // line, as single-line edits do: the rest would reach the program as
    // part of one value (an INI writer refuses such a value outright).
    QObject::connect(edit(), &QLineEdit::textEdited, [this](const QString& t) {
        const auto is_break = [](QChar c) {
            return c == QChar('\n') || c == QChar('\r') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
        };
        const auto first = std::find_if(t.begin(), t.end(), is_break);
        if (first == t.end()) return;
        // What was just added ends at the cursor.
        const int from = static_cast<int>(first - t.begin());
        const int to = edit()->cursorPosition();
        if (to <= from) return;
        edit()->setSelection(from, to - from);
        edit()->del();
    });
}
QLineEdit* SingleLineEdit::edit() const { return static_cast<QLineEdit*>(widget()); }
std::string SingleLineEdit::text() const { return gbk(edit()->text()); }
void SingleLineEdit::set_text(const std::string& text) { edit()->setText(qstr(text)); }
void SingleLineEdit::set_password(bool p) { edit()->setEchoMode(p ? QLineEdit::Password : QLineEdit::Normal); }
bool SingleLineEdit::password() const { return edit()->echoMode() == QLineEdit::Password; }
void SingleLineEdit::set_limit(int chars) {
    limit_ = chars;
    edit()->setMaxLength(chars > 0 ? chars : 32767);
}
void SingleLineEdit::set_displayonly(bool d) { edit()->setReadOnly(d); }
void SingleLineEdit::set_autohscroll(bool) {}

int SingleLineEdit::SelectText(long start, long length) {
    if (start < 1 || length < 0) return -1;
    const std::string t = text();
    const std::size_t from = chars_in_bytes(t, static_cast<std::size_t>(start - 1));
    const std::size_t to = chars_in_bytes(t, static_cast<std::size_t>(start - 1 + length));
    edit()->setSelection(static_cast<int>(from), static_cast<int>(to - from));
    return static_cast<int>(to - from);
}
std::string SingleLineEdit::SelectedText() const { return gbk(edit()->selectedText()); }
// The clipboard is the runtime's service, the one ImportClipboard reads, so
// that tests can script it. Each answers the bytes it moved.
int SingleLineEdit::Copy() {
    if (!edit()->hasSelectedText() || password()) return 0;
    const std::string selected = SelectedText();
    clipboard().set_text(selected);
    return static_cast<int>(selected.size());
}
int SingleLineEdit::Cut() {
    const int n = Copy();
    if (n > 0) edit()->del();
    return n;
}
int SingleLineEdit::Paste() {
    const nstring t = clipboard().text();
    if (!t || t->empty() || edit()->isReadOnly()) return 0;
    const int before = static_cast<int>(text().size()) - static_cast<int>(SelectedText().size());
    edit()->insert(qstr(*t));
    return static_cast<int>(text().size()) - before;
}
// Deletes the selection only: without one nothing is deleted.
int SingleLineEdit::Clear() {
    if (!edit()->hasSelectedText()) return 0;
    const int n = static_cast<int>(SelectedText().size());
    edit()->del();
    return n;
}
int SingleLineEdit::Undo() {
    if (!CanUndo()) return 0;
    edit()->undo();
    return 1;
}
bool SingleLineEdit::CanUndo() const { return edit()->isUndoAvailable(); }

// ---- command button ------------------------------------------------------
CommandButton::CommandButton(Container* parent, const std::string& text, Rect r)
    : Control(parent, new QPushButton(qstr(text), parent->area()), r) {
    button()->setAutoDefault(false);
    QObject::connect(button(), &QPushButton::clicked, [this] { raise_clicked(); });
}
QPushButton* CommandButton::button() const { return static_cast<QPushButton*>(widget()); }
std::string CommandButton::text() const { return gbk(button()->text()); }
void CommandButton::set_text(const std::string& text) { button()->setText(qstr(text)); }
void CommandButton::set_default(bool d) {
    // The window presses it on Enter; Qt's own default-button handling
    // would press it a second time.
    default_ = d;
}
void CommandButton::set_cancel(bool c) { cancel_ = c; }

// ---- picture button ------------------------------------------------------
PictureButton::PictureButton(Container* parent, const std::string& text, Rect r)
    : Control(parent, new PictureButtonWidget(*this, parent->area()), r) {
    button()->setText(qstr(text));
    button()->setAutoDefault(false);
    QObject::connect(button(), &QPushButton::clicked, [this] { raise_clicked(); });
}
QPushButton* PictureButton::button() const { return static_cast<QPushButton*>(widget()); }
std::string PictureButton::text() const { return gbk(button()->text()); }
void PictureButton::set_text(const std::string& text) { button()->setText(qstr(text)); }
void PictureButton::set_picturename(const std::string& path) {
    picturename_ = path;
    button()->update();
}
void PictureButton::set_disabledname(const std::string& path) {
    disabledname_ = path;
    button()->update();
}
std::string PictureButton::shown_picture() const {
    if (!enabled() && !disabledname_.empty()) return disabledname_;
    return picturename_;
}
void PictureButton::set_default(bool d) { default_ = d; }
void PictureButton::set_cancel(bool c) { cancel_ = c; }

// ---- check box and radio button ------------------------------------------
CheckBox::CheckBox(Container* parent, const std::string& text, Rect r)
    : Control(parent, new QCheckBox(qstr(text), parent->area()), r) {
    QObject::connect(box(), &QCheckBox::clicked, [this] { raise_clicked(); });
}
QCheckBox* CheckBox::box() const { return static_cast<QCheckBox*>(widget()); }
std::string CheckBox::text() const { return gbk(box()->text()); }
void CheckBox::set_text(const std::string& text) { box()->setText(qstr(text)); }
bool CheckBox::checked() const { return box()->isChecked(); }
void CheckBox::set_checked(bool c) { box()->setChecked(c); }

RadioButton::RadioButton(Container* parent, const std::string& text, Rect r)
    : Control(parent, new QRadioButton(qstr(text), parent->area()), r) {
    QObject::connect(button(), &QRadioButton::clicked, [this] { raise_clicked(); });
}
QRadioButton* RadioButton::button() const { return static_cast<QRadioButton*>(widget()); }
std::string RadioButton::text() const { return gbk(button()->text()); }
void RadioButton::set_text(const std::string& text) { button()->setText(qstr(text)); }
bool RadioButton::checked() const { return button()->isChecked(); }
void RadioButton::set_checked(bool c) { button()->setChecked(c); }

// ---- group box -----------------------------------------------------------
GroupBox::GroupBox(Container* parent, const std::string& text, Rect r)
    : Control(parent, new QGroupBox(qstr(text), parent->area()), r) {
    // Drawn behind the controls that sit on it; they are the window's.
    widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget()->lower();
}
std::string GroupBox::text() const { return gbk(static_cast<QGroupBox*>(widget())->title()); }
void GroupBox::set_text(const std::string& text) { static_cast<QGroupBox*>(widget())->setTitle(qstr(text)); }

// ---- picture -------------------------------------------------------------
namespace {
// A picture looks the same in a window that takes no input: only buttons
// and texts show that they are disabled.
class PictureLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* e) override {
        const QPixmap p = pixmap();
        if (isEnabled() || p.isNull()) return QLabel::paintEvent(e);
        QPainter painter(this);
        painter.drawPixmap(contentsRect(), p);
    }
};
} // namespace

Picture::Picture(Container* parent, const std::string& picturename, Rect r)
    : Control(parent, new PictureLabel(parent->area()), r) {
    static_cast<QLabel*>(widget())->setScaledContents(true);
    set_picturename(picturename);
}
int Picture::set_picturename(const std::string& path) {
    picturename_ = path;
    refresh();
    return loaded() ? 1 : -1;
}
void Picture::set_originalsize(bool o) {
    originalsize_ = o;
    refresh();
}
bool Picture::loaded() const {
    const QPixmap p = static_cast<QLabel*>(widget())->pixmap();
    return !p.isNull();
}
void Picture::refresh() {
    auto* l = static_cast<QLabel*>(widget());
    const QPixmap p = load_picture(picturename_);
    l->setPixmap(p);
    if (originalsize_ && !p.isNull()) Resize(px_to_units_x(p.width()), px_to_units_y(p.height()));
}

} // namespace rt
