#include "tests/support/screenshot.h"

#include "runtime/ui/window.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QWidget>

namespace rt {

bool save_png(QWidget& widget, const std::string& native_path) {
    const QString path = QString::fromStdString(native_path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    widget.ensurePolished();
    return widget.grab().save(path, "PNG");
}

std::string screenshot_path(const std::string& name) {
    const QByteArray bin = qgetenv("VELOTRA_BIN_DIR");
    const QString base = bin.isEmpty() ? QStringLiteral("screenshots")
                                       : QDir(QString::fromLocal8Bit(bin)).absoluteFilePath("../screenshots");
    return QDir::cleanPath(base + "/" + QString::fromStdString(name) + ".png").toStdString();
}

bool save_png(Window& window, const std::string& native_path) {
    QWidget* top = window.widget();
    if (window.is_sheet() && top->parentWidget()) top = top->parentWidget();
    return save_png(*top, native_path);
}

} // namespace rt
