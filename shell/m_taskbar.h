// The pop-up menu of the frame's notification-area icon: show the frame,
// hide it, end the program. Its items act on the window that popped it up.
#pragma once

#include "runtime/ui/menu.h"

class m_taskbar final : public rt::Menu {
public:
    m_taskbar();

    rt::Menu m_main{this, "main"};
    rt::Menu m_show{&m_main, "显示主窗口\tAlt+A", 577};
    rt::Menu m_beep{&m_main, "隐藏主窗口"};
    rt::Menu m_close{&m_main, "退出程序"};

private:
    void m_show_clicked();
    void m_beep_clicked();
    void m_close_clicked();
};
