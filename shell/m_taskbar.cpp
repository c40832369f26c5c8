#include "shell/m_taskbar.h"

#include "runtime/ui/window.h"

m_taskbar::m_taskbar() {
    m_show.on_clicked = [this] { m_show_clicked(); };
    m_beep.on_clicked = [this] { m_beep_clicked(); };
    m_close.on_clicked = [this] { m_close_clicked(); };
}

// Show and hide run once the item's event has ended.
// A modal window open over the frame (a send under way, a message box)
// comes back in front of it.
void m_taskbar::m_show_clicked() {
    if (rt::Window* w = m_show.ParentWindow()) rt::PostEvent(*w, [w] {
            w->Show();
            rt::RaiseModalWindow();
        });
}

void m_taskbar::m_beep_clicked() {
    if (rt::Window* w = m_beep.ParentWindow()) rt::PostEvent(*w, [w] { w->Hide(); });
}

// While a modal window is open (a send, a login, a message box) the program
// does not end under it: that window is brought to the front instead.
void m_taskbar::m_close_clicked() {
    rt::Window* w = m_close.ParentWindow();
    if (!w) return;
    if (rt::RaiseModalWindow()) {
        w->Show();
        return;
    }
    rt::Close(*w);
}
