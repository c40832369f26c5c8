// Menus. A menu class derives from rt::Menu and declares its items as
// members in item order, each naming its parent item:
//
//     class m_taskbar final : public rt::Menu {
//     public:
//         m_taskbar();
//         rt::Menu m_main{this, "main"};
//         rt::Menu m_show{&m_main, "显示主窗口\tAlt+A", 577};
//     };
//
// PopMenu opens an item's sub-items as a pop-up menu over a window. The
// pop-up does not block: a chosen item's clicked event runs from the event
// loop, with the window that popped the menu as its parent window.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QMenu;

namespace rt {

class Window;

class Menu {
public:
    // A menu object of its own (no parent), or an item added to its parent's items.
    explicit Menu(Menu* parent = nullptr, const std::string& text = "", int shortcut = 0);
    virtual ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    std::string text() const { return text_; }
    // The shortcut code: a key code, plus 256 with Shift, 512 with Ctrl... as
    // stored (577 is Alt+A). Shown by the text, which names it after a tab.
    int shortcut() const { return shortcut_; }
    const std::vector<Menu*>& items() const { return items_; }
    Menu* parent() const { return parent_; }
    bool enabled() const { return enabled_; }
    void set_enabled(bool e) { enabled_ = e; }
    bool visible() const { return visible_; }
    void set_visible(bool v) { visible_ = v; }

    // The window the menu acts for: the one that popped it up last.
    Window* ParentWindow() const;

    // Opens the sub-items at (x, y), layout units from the window's top left;
    // 1, or -1 when the item has no visible sub-items.
    int PopMenu(Window& parent, int x, int y);
    // The pop-up open at this moment, for tests; null when none.
    QMenu* popup() const { return popup_; }

    // The item was chosen.
    virtual void clicked();
    std::function<void()> on_clicked;

private:
    Menu* root();
    Menu* parent_;
    std::string text_;
    int shortcut_;
    bool enabled_ = true, visible_ = true;
    std::vector<Menu*> items_;
    Window* window_ = nullptr; // kept on the root
    QMenu* popup_ = nullptr;
};

// The pointer's position relative to the window's top left, in layout units.
int PointerX(const Window& w);
int PointerY(const Window& w);

} // namespace rt
