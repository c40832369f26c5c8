// A right click on a widget whose context menu the widget builds and runs
// itself (QMenu::exec): the items it offered, and one of them chosen.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace testing_support {

// The texts (GBK) of the items the menu offered, separators left out. The
// item whose text is `choose` is triggered; an empty or unknown text
// chooses nothing. Events posted by the choice have run on return.
std::vector<std::string> context_menu(QWidget* widget, const std::string& choose = "");

} // namespace testing_support
