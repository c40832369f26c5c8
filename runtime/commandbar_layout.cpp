#include "runtime/commandbar_layout.h"

#include "runtime/profile.h"
#include "runtime/strings.h"

#include <map>
#include <set>

namespace rt {
namespace {

// A key the reader cannot hold: tells a missing key from an empty one.
const char* const missing_key = "\x01";

std::vector<std::string> split_list(const std::string& list) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at <= list.size()) {
        std::size_t comma = list.find(',', at);
        if (comma == std::string::npos) comma = list.size();
        std::string item = Trim(list.substr(at, comma - at));
        if (!item.empty()) out.push_back(item);
        at = comma + 1;
    }
    return out;
}

} // namespace

bool parse_commandbar_layout(const std::string& text, const std::string& only_band, int default_flags,
                             CommandBarLayout& out) {
    auto read = [&](const std::string& section, const std::string& key) -> nstring {
        nstring v = ProfileStringText(text, section, key, std::string(missing_key));
        if (!v || *v == missing_key) return null;
        return v;
    };
    const nstring list = read("Layout", "Bands");
    if (!list) return false;
    std::vector<std::string> names = split_list(*list);
    if (names.empty()) return false;
    std::set<std::string> seen_bands;
    std::map<std::string, std::size_t> tool_index;
    for (const std::string& bn : names) {
        if (!seen_bands.insert(bn).second) return false;
        if (!only_band.empty() && bn != only_band) continue;
        const std::string section = "Band:" + bn;
        const nstring dock = read(section, "Dock");
        if (!dock) return false;
        static const std::map<std::string, DockingArea> sides{{"top", DockingArea::top},
                                                              {"bottom", DockingArea::bottom},
                                                              {"left", DockingArea::left},
                                                              {"right", DockingArea::right}};
        auto side = sides.find(Lower(Trim(*dock)));
        if (side == sides.end()) return false;
        CommandBarLayout::Band band{bn, read(section, "Caption").value_or(bn), side->second, default_flags, {}};
        if (const nstring flags = read(section, "Flags")) {
            const std::string f = Trim(*flags);
            if (f.empty() || f.find_first_not_of("0123456789") != std::string::npos || f.size() > 5) return false;
            band.flags = std::stoi(f);
        }
        band.tools = split_list(read(section, "Tools").value_or(""));
        for (const std::string& tn : band.tools) {
            if (tool_index.count(tn)) continue;
            const std::string ts = "Tool:" + tn;
            const nstring caption = read(ts, "Caption");
            if (!caption) return false;
            long id = static_cast<long>(out.tools.size()) + 1;
            if (const nstring ids = read(ts, "Id")) {
                const std::string s = Trim(*ids);
                if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 9) return false;
                id = std::stol(s);
            }
            tool_index[tn] = out.tools.size();
            out.tools.push_back({id, tn, *caption, Trim(read(ts, "Picture").value_or(""))});
        }
        out.bands.push_back(std::move(band));
    }
    return !out.bands.empty();
}

} // namespace rt
