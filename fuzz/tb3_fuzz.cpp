// velotra.tb3: any text as a command-bar layout, read whole and for its
// first band alone. A layout that reads must be one the window half can
// build without looking anything up twice: every band docked on a side,
// every tool it names read once, the band read alone the same as in the
// whole.
#include "runtime/commandbar_layout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void check_layout(const rt::CommandBarLayout& layout) {
    check(!layout.bands.empty());
    std::set<std::string> tools;
    for (const auto& t : layout.tools) check(tools.insert(t.name).second && !t.name.empty());
    std::set<std::string> bands;
    for (const auto& b : layout.bands) {
        check(bands.insert(b.name).second && !b.name.empty());
        check(b.dock == rt::DockingArea::top || b.dock == rt::DockingArea::bottom ||
              b.dock == rt::DockingArea::left || b.dock == rt::DockingArea::right);
        check(b.flags >= 0);
        for (const auto& t : b.tools) check(tools.count(t) == 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    constexpr int default_flags = 1 | 2 | 4 | 8 | 4096;
    rt::CommandBarLayout whole;
    if (!rt::parse_commandbar_layout(text, "", default_flags, whole)) return 0;
    check_layout(whole);

    const rt::CommandBarLayout::Band& first = whole.bands.front();
    rt::CommandBarLayout alone;
    check(rt::parse_commandbar_layout(text, first.name, default_flags, alone));
    check_layout(alone);
    check(alone.bands.size() == 1 && alone.bands.front().name == first.name &&
          alone.bands.front().caption == first.caption && alone.bands.front().tools == first.tools &&
          alone.bands.front().flags == first.flags && alone.bands.front().dock == first.dock);
    return 0;
}
