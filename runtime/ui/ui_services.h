// The window half's services: message boxes, the file-open dialog, the
// clipboard and the browser over Qt. A program calls install_ui_services()
// once its QApplication exists; tests keep the scripted ones instead.
#pragma once

#include "runtime/services.h"

#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace rt {

void install_ui_services();

// Makes the icon file (program path) the application's own icon, the one
// that windows with the icon "AppIcon!" and message boxes show. False when
// the file holds no icon.
bool set_application_icon(const std::string& icon_file);

// The message box presenter over QMessageBox, with the captions of a
// Chinese desktop. Esc and the close box answer the cancelling button:
// Cancel where there is one, No for yes/no, Abort for abort/retry/ignore,
// OK for OK alone; never Yes.
class QtMessageBoxes final : public MessageBoxPresenter {
public:
    int show(const std::string& title, const std::string& text, Icon icon, Buttons buttons,
             int default_button) override;
};

// The button captions of a button set, in order (GBK).
std::vector<std::string> button_captions(Buttons b);
// The 1-based answer Esc or the close box gives for a button set.
int escape_answer(Buttons b);

// The file-open dialog over QFileDialog.
class QtFileDialog final : public FileDialog {
public:
    int get_file_open_name(const std::string& title, std::string& pathname, std::string& filename,
                           const std::string& extension, const std::string& filter,
                           const std::string& initdir) override;
};

// The filter of the file dialogs: caption, pattern, caption, pattern, ...
// separated by ",", a pattern holding one or more globs separated by ";"
// ("txt Files (*.txt;),*.txt,All Files (*.*), *.*"). Answers the pairs with
// captions and patterns trimmed; a caption without its pattern is dropped.
struct FileFilter {
    std::string caption;
    std::vector<std::string> globs;
};
std::vector<FileFilter> parse_file_filter(const std::string& filter);
// The same as Qt name filters ("txt Files (*.txt)").
QStringList qt_name_filters(const std::string& filter);

class QtClipboard final : public Clipboard {
public:
    nstring text() override;
    void set_text(const std::string& gbk) override;
    void clear() override;
};

class QtBrowser final : public Browser {
public:
    bool open_url(const std::string& gbk_url) override;
};

} // namespace rt
