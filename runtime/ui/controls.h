// The runtime's window controls over Qt widgets. Texts are GBK; positions
// and sizes are layout units; indexes of list entries count from 1 as the
// runtime counts them; byte positions in texts count from 1.
#pragma once

#include "runtime/ui/control.h"
#include "runtime/value.h"

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QCheckBox;
class QRadioButton;
class QGroupBox;
class QComboBox;
class QListWidget;
class QTabWidget;
class QProgressBar;
class QMdiArea;
class QPainter;

namespace rt {

enum class Alignment { left, center, right };

// ---- static text ---------------------------------------------------------
class StaticText : public Control {
public:
    explicit StaticText(Container* parent, const std::string& text = "none", Rect r = {0, 0, 343, 64});
    std::string text() const;
    void set_text(const std::string& text);
    void set_alignment(Alignment a);
    void set_border(bool b);
    QLabel* label() const;
};

// ---- single-line edit ----------------------------------------------------
class SingleLineEdit : public Control {
public:
    explicit SingleLineEdit(Container* parent, const std::string& text = "", Rect r = {0, 0, 453, 77});
    std::string text() const;
    void set_text(const std::string& text);
    // Masked characters.
    void set_password(bool p);
    bool password() const;
    // The most characters the user can enter; 0 is none.
    void set_limit(int chars);
    int limit() const { return limit_; }
    void set_displayonly(bool d);
    void set_autohscroll(bool a);
    // Selects `length` bytes from the 1-based byte position `start`; a
    // selection that ends inside a double-byte character takes it whole.
    // Answers the number of characters selected.
    int SelectText(long start, long length);
    std::string SelectedText() const;
    // Clipboard and undo operations of the runtime's edit.
    int Cut();
    int Copy();
    int Paste();
    int Clear();
    int Undo();
    bool CanUndo() const;
    QLineEdit* edit() const;

private:
    int limit_ = 0;
};

// ---- multi-line edit -----------------------------------------------------
// The text uses CR LF between lines, as the runtime gives it. `changed`
// runs on every change the user makes (typing, deleting, pasting, cutting);
// `modified` once the edit loses the focus after such changes.
class MultiLineEdit : public Control {
public:
    explicit MultiLineEdit(Container* parent, const std::string& text = "", Rect r = {0, 0, 500, 400});
    std::string text() const;
    void set_text(const std::string& text);
    // The most characters the user can enter, a line break counting two
    // (CR LF, as in text()); 0 is none. Characters GBK cannot hold are never
    // taken, whatever the limit.
    void set_limit(int chars);
    int limit() const { return limit_; }
    void set_vscrollbar(bool v);
    void set_hscrollbar(bool h);
    void set_displayonly(bool d);
    bool displayonly() const;
    int SelectText(long start, long length);
    // 1-based byte position of the caret in the text.
    long Position() const;
    // Inserts text at the caret, replacing the selection.
    int ReplaceText(const std::string& text);
    int Scroll(long lines);
    QPlainTextEdit* edit() const;
    // Raises modified after changes; a class that overrides it calls it.
    void losefocus() override;

private:
    void user_changed();
    void take_back_what_does_not_fit();
    int limit_ = 0;
    bool setting_ = false;
    bool dirty_ = false;
    // Widget positions of the last change of the document's text.
    int changed_from_ = 0;
    int changed_to_ = 0;
};

// ---- command button ------------------------------------------------------
// "&" in the text marks the accelerator letter (Alt with it clicks the
// button); while the button is disabled or hidden its accelerator does
// nothing at all, and never reaches the control that has the focus. Enter
// clicks the window's default button and Esc its cancel button; no other
// button reacts to them.
class CommandButton : public Control {
public:
    explicit CommandButton(Container* parent, const std::string& text = "none", Rect r = {0, 0, 352, 92});
    std::string text() const;
    void set_text(const std::string& text);
    void set_default(bool d);
    void set_cancel(bool c);
    bool is_default() const { return default_; }
    bool is_cancel() const { return cancel_; }
    QPushButton* button() const;

private:
    bool default_ = false, cancel_ = false;
};

// ---- picture button ------------------------------------------------------
// A push button that shows a picture (stretched over the button) with its
// text over it, and another picture while disabled. Its accelerator works
// as a command button's.
class PictureButton : public Control {
public:
    PictureButton(Container* parent, const std::string& text = "none", Rect r = {0, 0, 462, 160});
    std::string text() const;
    void set_text(const std::string& text);
    std::string picturename() const { return picturename_; }
    void set_picturename(const std::string& path);
    std::string disabledname() const { return disabledname_; }
    void set_disabledname(const std::string& path);
    // The picture the button shows at this moment (by its enabled state).
    std::string shown_picture() const;
    void set_default(bool d);
    void set_cancel(bool c);
    bool is_default() const { return default_; }
    bool is_cancel() const { return cancel_; }
    QPushButton* button() const;

private:
    std::string picturename_, disabledname_;
    bool default_ = false, cancel_ = false;
};

// ---- check box and radio button ------------------------------------------
// clicked runs after the box has changed its state.
class CheckBox : public Control {
public:
    explicit CheckBox(Container* parent, const std::string& text = "none", Rect r = {0, 0, 402, 72});
    std::string text() const;
    void set_text(const std::string& text);
    bool checked() const;
    void set_checked(bool c);
    QCheckBox* box() const;
};

class RadioButton : public Control {
public:
    explicit RadioButton(Container* parent, const std::string& text = "none", Rect r = {0, 0, 402, 72});
    std::string text() const;
    void set_text(const std::string& text);
    bool checked() const;
    void set_checked(bool c);
    QRadioButton* button() const;
};

// ---- group box -----------------------------------------------------------
class GroupBox : public Control {
public:
    explicit GroupBox(Container* parent, const std::string& text = "", Rect r = {0, 0, 800, 400});
    std::string text() const;
    void set_text(const std::string& text);
};

// ---- lists ---------------------------------------------------------------
// Entries in display order, indexes from 1. A sorted list keeps its entries
// sorted (by their GBK bytes, as the original desktop sorts them).
class ListControl : public Control {
public:
    using Control::Control;
    // Appends (or, when sorted, inserts in order); answers the new entry's index.
    virtual int AddItem(const std::string& item) = 0;
    // Inserts before index; answers the index.
    virtual int InsertItem(const std::string& item, int index) = 0;
    // Deletes the entry; answers the number of entries left, -1 for a bad index.
    virtual int DeleteItem(int index) = 0;
    virtual int Reset() = 0;
    virtual int TotalItems() const = 0;
    // The entry at index; "" outside the list.
    virtual std::string Text(int index) const = 0;
    // The selected entry's index; -1 when none is selected.
    virtual int SelectedIndex() const = 0;
    // Selects entry `index` (0 clears the selection); answers the index, or
    // -1 for an index outside the list.
    virtual int SelectItem(int index) = 0;
    // Selects the first entry after `start` that begins with `item`;
    // answers its index, 0 when none matches.
    int SelectItem(const std::string& item, int start);
    // The first entry after `start` whose text begins with `text`; -1 when none.
    int FindItem(const std::string& text, int start) const;
    // Fills the list with the names of the files matching `filespec` (program
    // form, may hold * and ?); type 0 lists ordinary files only. False when
    // the folder cannot be read.
    bool DirList(const std::string& filespec, unsigned type);
    bool sorted() const { return sorted_; }
    void set_sorted(bool s);

protected:
    int insert_position(const std::string& item) const; // 0-based
    bool sorted_ = false;
};

// Drop-down list box: entries only, no free text. Its text is the selected
// entry, "" when none is selected; set_text selects the entry of that text
// when there is one and otherwise shows the text without a selection.
class DropDownListBox : public ListControl {
public:
    explicit DropDownListBox(Container* parent, Rect r = {0, 0, 480, 324});
    int AddItem(const std::string& item) override;
    int InsertItem(const std::string& item, int index) override;
    int DeleteItem(int index) override;
    int Reset() override;
    int TotalItems() const override;
    std::string Text(int index) const override;
    int SelectedIndex() const override;
    int SelectItem(int index) override;
    using ListControl::SelectItem;
    std::string text() const;
    void set_text(const std::string& text);
    void set_vscrollbar(bool) {}
    QComboBox* combo() const;

private:
    std::string shown_text_; // a text set without a matching entry
};

class ListBox : public ListControl {
public:
    explicit ListBox(Container* parent, Rect r = {0, 0, 480, 360});
    int AddItem(const std::string& item) override;
    int InsertItem(const std::string& item, int index) override;
    int DeleteItem(int index) override;
    int Reset() override;
    int TotalItems() const override;
    std::string Text(int index) const override;
    int SelectedIndex() const override;
    int SelectItem(int index) override;
    using ListControl::SelectItem;
    // The selected entry's text, "" when none.
    std::string text() const;
    QListWidget* list() const;
    // A double click on entry `index` (from 1); the handler runs after the control's own script.
    virtual void doubleclicked(int index) { (void)index; }
    std::function<void(int)> on_doubleclicked;
};

// ---- picture -------------------------------------------------------------
// Shows an image file (program path, "res\login.jpg" beside the program),
// stretched over the control unless originalsize is on.
class Picture : public Control {
public:
    explicit Picture(Container* parent, const std::string& picturename = "", Rect r = {0, 0, 600, 400});
    std::string picturename() const { return picturename_; }
    // Loads the picture; an unreadable file shows nothing. Answers 1 or -1.
    int set_picturename(const std::string& path);
    // On: the control takes the image's own size.
    void set_originalsize(bool o);
    bool originalsize() const { return originalsize_; }
    bool loaded() const;

private:
    void refresh();
    std::string picturename_;
    bool originalsize_ = false;
};

// ---- tab control ---------------------------------------------------------
class TabPage;
class Tab : public Control {
public:
    explicit Tab(Container* parent, Rect r = {0, 0, 1500, 1000});
    // The selected page, from 1; 0 without pages.
    int selectedtab() const;
    int SelectTab(int index);
    int page_count() const;
    TabPage* page(int index) const; // from 1
    QTabWidget* tabs() const;
    // Tab walks from the tab control through the controls of its pages, each
    // page's by their tab order (those of hidden pages are passed over), and
    // then on as before. Call it once the window has opened.
    void apply_tab_order();

private:
    friend class TabPage;
    std::vector<TabPage*> pages_;
};

// A page of a tab control; controls placed on it give the page as parent.
class TabPage : public Control, public Container {
public:
    TabPage(Tab* tab, const std::string& text);
    ~TabPage() override;
    std::string text() const;
    void set_text(const std::string& text);
    QWidget* area() const override;
    Window* parent_window() const override;
    Tab* tab() const { return tab_; }

private:
    Tab* tab_;
};

// ---- progress bar ----------------------------------------------------------
class HProgressBar : public Control {
public:
    explicit HProgressBar(Container* parent, Rect r = {0, 0, 1000, 64});
    int minposition() const;
    int maxposition() const;
    void set_range(int min, int max);
    int position() const;
    void set_position(int p);
    void set_setstep(int s) { step_ = s; }
    int StepIt();
    QProgressBar* bar() const;

private:
    int step_ = 10;
};

// ---- MDI client ------------------------------------------------------------
// The area of a frame in which its sheets open.
class MdiClient : public Control {
public:
    explicit MdiClient(Container* parent, Rect r = {0, 0, 1000, 1000});
    ~MdiClient() override;
    ObjectType type_of() const override { return ObjectType::mdiclient; }
    QMdiArea* mdi() const;
};

// ---- user object -----------------------------------------------------------
// A custom visual control: a plain area that draws its lines and whatever
// paint() draws, and may hold controls of its own.
class UserObject : public Control, public Container {
public:
    explicit UserObject(Container* parent, Rect r = {0, 0, 1000, 400});
    ~UserObject() override;
    QWidget* area() const override;
    Window* parent_window() const override;
    // Draws over the background and the lines; coordinates are pixels.
    virtual void paint(QPainter& p);
    // Asks for a repaint.
    void update();

private:
    class Canvas;
};

} // namespace rt
