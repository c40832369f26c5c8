#include "foundation/uo_icon.h"

#include "runtime/path.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

uo_icon::uo_icon(rt::Container* parent, rt::Rect r) : rt::UserObject(parent, r) {
    set_backcolor(81324524);
}

void uo_icon::constructor() { size = 16; }

void uo_icon::of_loadicon(const std::string& asiconname) {
    // The icon is read at the size of the first image in the file and scaled
    // to `size` when drawn.
    static long next_handle = 0;
    const QString path = QString::fromStdString(rt::native_path(asiconname));
    QImageReader reader(path);
    // Only an icon file loads as an icon, whatever picture its name hides.
    const bool icon_file = QFileInfo(path).isFile() && reader.canRead() && reader.format() == "ico";
    const QImage first = icon_file ? reader.read() : QImage();
    if (first.isNull()) {
        icon_ = QIcon();
        iconhandle = 0;
        return;
    }
    icon_ = QIcon(QPixmap::fromImage(first));
    iconhandle = ++next_handle;
}

void uo_icon::paint(QPainter& p) {
    if (iconhandle <= 0 || icon_.isNull()) return;
    const int edge = static_cast<int>(size);
    p.drawPixmap(QRect(0, 0, edge, edge), icon_.pixmap(QSize(edge, edge)).scaled(edge, edge));
}

namespace {

void set_parent(QWidget* child, QWidget* parent) {
    if (!child || !parent) return;
    const QPoint at = child->pos();
    child->setParent(parent);
    child->move(at);
    child->show();
}

} // namespace

void uo_icon::of_setparent(rt::UserObject* asuserobject) {
    if (asuserobject) set_parent(widget(), asuserobject->area());
}

void uo_icon::of_setparent(rt::Window* aw_window) {
    if (aw_window) set_parent(widget(), aw_window->area());
}
