#include "runtime/ui/ui_services.h"

#include "runtime/path.h"
#include "runtime/ui/qt_tray.h"
#include "runtime/ui/qt_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <QTranslator>
#include <QUrl>

#include <algorithm>

namespace rt {

void install_ui_services() {
    // Qt's own texts (the file dialog's columns and its "file not found" box,
    // an edit's context menu) in Chinese where the desktop has the catalogue;
    // without it they stay English and everything else works alike.
    static QTranslator qt_chinese;
    if (qt_chinese.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt_chinese);
    set_message_boxes(std::make_unique<QtMessageBoxes>());
    set_file_dialog(std::make_unique<QtFileDialog>());
    set_clipboard(std::make_unique<QtClipboard>());
    set_browser(std::make_unique<QtBrowser>());
    set_tray(std::make_unique<QtTray>());
}

bool set_application_icon(const std::string& icon_file) {
    const QIcon icon(QString::fromStdString(native_path(icon_file)));
    if (icon.isNull() || icon.availableSizes().isEmpty()) return false;
    QApplication::setWindowIcon(icon);
    return true;
}

// ---- message boxes ------------------------------------------------------------
std::vector<std::string> button_captions(Buttons b) {
    switch (b) {
    case Buttons::OK: return {"确定"};
    case Buttons::OKCancel: return {"确定", "取消"};
    case Buttons::RetryCancel: return {"重试(&R)", "取消"};
    case Buttons::AbortRetryIgnore: return {"中止(&A)", "重试(&R)", "忽略(&I)"};
    case Buttons::YesNo: return {"是(&Y)", "否(&N)"};
    case Buttons::YesNoCancel: return {"是(&Y)", "否(&N)", "取消"};
    }
    return {"确定"};
}

int escape_answer(Buttons b) {
    switch (b) {
    case Buttons::OK: return 1;
    case Buttons::OKCancel: return 2;
    case Buttons::RetryCancel: return 2;
    case Buttons::AbortRetryIgnore: return 1;
    case Buttons::YesNo: return 2;
    case Buttons::YesNoCancel: return 3;
    }
    return 1;
}

int QtMessageBoxes::show(const std::string& title, const std::string& text, Icon icon, Buttons buttons,
                         int default_button) {
    QMessageBox box;
    box.setWindowTitle(qstr(title));
    box.setText(qstr(text));
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::StopSign: box.setIcon(QMessageBox::Critical); break;
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    const auto captions = button_captions(buttons);
    std::vector<QPushButton*> made;
    for (const auto& c : captions) made.push_back(box.addButton(qstr(c), QMessageBox::ActionRole));
    const int def = default_button >= 1 && default_button <= static_cast<int>(made.size()) ? default_button : 1;
    box.setDefaultButton(made[static_cast<std::size_t>(def - 1)]);
    const int esc = escape_answer(buttons);
    box.setEscapeButton(made[static_cast<std::size_t>(esc - 1)]);
    // A box sized to a short text is narrower than its title, which the
    // window manager then cuts: it is at least as wide as the title and the
    // title bar's icon and buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        int title_bar = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            title_bar = std::min(title_bar, screen->availableGeometry().width() * 9 / 10);
        grid->addItem(new QSpacerItem(title_bar, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0,
                      1, grid->columnCount());
    }
    box.exec();
    for (std::size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return static_cast<int>(i) + 1;
    return esc;
}

// ---- file dialog ----------------------------------------------------------------
namespace {

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

} // namespace

std::vector<FileFilter> parse_file_filter(const std::string& filter) {
    std::vector<FileFilter> out;
    const auto parts = split(filter, ',');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        FileFilter f{trim(parts[i]), {}};
        for (const auto& g : split(parts[i + 1], ';'))
            if (!trim(g).empty()) f.globs.push_back(trim(g));
        if (!f.globs.empty()) out.push_back(std::move(f));
    }
    return out;
}

QStringList qt_name_filters(const std::string& filter) {
    QStringList out;
    for (const auto& f : parse_file_filter(filter)) {
        // The caption often names its patterns already ("txt Files (*.txt;)");
        // Qt takes the patterns from the last parentheses, so they are given anew.
        std::string caption = f.caption;
        const auto open = caption.rfind('(');
        if (open != std::string::npos && !caption.empty() && caption.back() == ')') caption = trim(caption.substr(0, open));
        QStringList globs;
        for (const auto& g : f.globs) globs << qstr(g);
        out << qstr(caption) + " (" + globs.join(' ') + ")";
    }
    if (out.isEmpty()) out << "* (*)";
    return out;
}

int QtFileDialog::get_file_open_name(const std::string& title, std::string& pathname, std::string& filename,
                                     const std::string& extension, const std::string& filter,
                                     const std::string& initdir) {
    QFileDialog dlg(nullptr, qstr(title));
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own labels are English unless a translation is installed; the
    // clerk reads Chinese, whatever the desktop holds.
    dlg.setLabelText(QFileDialog::LookIn, qstr("查找范围(&I):"));
    dlg.setLabelText(QFileDialog::FileName, qstr("文件名(&N):"));
    dlg.setLabelText(QFileDialog::FileType, qstr("文件类型(&T):"));
    dlg.setLabelText(QFileDialog::Accept, qstr("打开(&O)"));
    dlg.setLabelText(QFileDialog::Reject, qstr("取消"));
    dlg.setNameFilters(qt_name_filters(filter));
    if (!extension.empty()) dlg.setDefaultSuffix(qstr(extension));
    if (!initdir.empty()) dlg.setDirectory(QString::fromStdString(native_path(initdir)));
    if (dlg.exec() != QDialog::Accepted) return 0;
    const QStringList files = dlg.selectedFiles();
    if (files.isEmpty()) return -1;
    pathname = program_path(files.front().toStdString());
    filename = gbk(QFileInfo(files.front()).fileName());
    return 1;
}

// ---- clipboard and browser -----------------------------------------------------
nstring QtClipboard::text() {
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    if (!m || !m->hasText()) return null;
    return gbk(m->text());
}
void QtClipboard::set_text(const std::string& s) { QGuiApplication::clipboard()->setText(qstr(s)); }
void QtClipboard::clear() { QGuiApplication::clipboard()->clear(); }

bool QtBrowser::open_url(const std::string& gbk_url) {
    // Blanks around an address are no part of it.
    return QDesktopServices::openUrl(QUrl(qstr(gbk_url).trimmed()));
}

} // namespace rt
