// The icon painter: draws one icon loaded from a file, at `size` by `size`
// pixels in its top-left corner, at every repaint.
#pragma once

#include "runtime/ui/controls.h"
#include "runtime/ui/window.h"

#include <QIcon>

#include <string>

class uo_icon : public rt::UserObject {
public:
    explicit uo_icon(rt::Container* parent, rt::Rect r = {0, 0, 82, 72});

    void constructor() override;
    void paint(QPainter& p) override;
    // Loads the icon file (program path); a missing or unreadable file
    // leaves iconhandle 0 and nothing is drawn.
    void of_loadicon(const std::string& asiconname);
    // Makes the control's window a child of the user object's or window's
    // area, at the same position inside it; null changes nothing.
    void of_setparent(rt::UserObject* asuserobject);
    void of_setparent(rt::Window* aw_window);

    long iconhandle = 0; // above 0 while an icon is loaded
    long size = 16;      // pixels

    // The icon drawn at the next repaint (null when none).
    const QIcon& icon() const { return icon_; }

private:
    QIcon icon_;
};
