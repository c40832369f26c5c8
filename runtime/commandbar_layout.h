// The text of a command-bar layout (velotra.tb3): an INI-style file whose
// [Layout] Bands lists the bands, each band a [Band:<name>] section (Dock,
// Caption, Flags, Tools) and each tool a [Tool:<name>] section (Caption, Id,
// Picture). Read here, without a widget, so the fuzz build can read it too.
#pragma once

#include <string>
#include <vector>

namespace rt {

enum class DockingArea { top = 0, bottom = 1, left = 2, right = 3, floating = 4, popup = 5 };

struct CommandBarLayout {
    struct Tool {
        long id;
        std::string name, caption, picture;
    };
    struct Band {
        std::string name, caption;
        DockingArea dock;
        int flags;
        std::vector<std::string> tools;
    };
    std::vector<Band> bands;
    std::vector<Tool> tools; // each tool once, in the order the bands first name it
};

// Reads the layout, or only the band `only_band` when it is not empty; a band
// without Flags gets `default_flags`. False, with `out` to be thrown away, when
// the text is no layout: no band list, a band named twice, a band without a
// known Dock, a tool without a Caption, Flags or Id that is no small number.
bool parse_commandbar_layout(const std::string& text, const std::string& only_band, int default_flags,
                             CommandBarLayout& out);

} // namespace rt
