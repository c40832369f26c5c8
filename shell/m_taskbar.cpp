#include "shell/m_taskbar.h"

#include "runtime/ui/window.h"

m_taskbar::m_taskbar() {
    m_show.on_clicked = [this] { m_show_clicked(); };
    m_beep.on_clicked = [this] { m_beep_clicked(); };
    m_close.on_clicked = [this] { m_close_clicked(); };
}

// Show and hide run once the item's event has ended.
void m_taskbar::m_show_clicked() {
    if (rt::Window* w = m_show.ParentWindow()) rt::PostEvent(*w, [w] { w->Show(); });
}

void m_taskbar::m_beep_clicked() {
    if (rt::Window* w = m_beep.ParentWindow()) rt::PostEvent(*w, [w] { w->Hide(); });
}

void m_taskbar::m_close_clicked() {
    if (rt::Window* w = m_close.ParentWindow()) rt::Close(*w);
}
