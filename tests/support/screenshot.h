// Saves what a window or widget shows as a PNG, for tests and for looking
// at windows built offscreen.
#pragma once

#include <string>

class QWidget;

namespace rt {

class Window;

// Paints the widget into a PNG file (native UTF-8 path). True on success.
bool save_png(QWidget& widget, const std::string& native_path);
bool save_png(Window& window, const std::string& native_path);

// Where the screenshot tests put their pictures: <build>/screenshots/<name>.png,
// the build folder being the parent of $VELOTRA_BIN_DIR (the current
// folder's "screenshots" without it).
std::string screenshot_path(const std::string& name);

} // namespace rt
