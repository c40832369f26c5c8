// velotra.ini: any file, then one key written. The key must read back as
// written and every other key must read as before; a refused write must
// leave the file as it was.
#include "fuzz/fuzz_support.h"
#include "runtime/profile.h"
#include "runtime/strings.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string trimmed(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string name_of(const std::string& s) { return rt::Lower(trimmed(s)); }

// The (section, key) pairs the file seems to hold, found without the
// reader's own code; the reader decides what they answer.
std::vector<std::pair<std::string, std::string>> pairs_in(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    std::string section;
    std::size_t at = 0;
    while (at < text.size() && out.size() < 64) {
        std::size_t lf = text.find('\n', at);
        std::string line = text.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
        at = lf == std::string::npos ? text.size() : lf + 1;
        std::string body = trimmed(line);
        std::size_t close = body.find(']');
        std::size_t eq = line.find('=');
        if (!body.empty() && body[0] == '[' && close != std::string::npos) section = body.substr(1, close - 1);
        else if (!body.empty() && body[0] != ';' && eq != std::string::npos && !trimmed(line.substr(0, eq)).empty())
            out.emplace_back(section, line.substr(0, eq));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = rt::program_path((fuzzing::scratch() / "velotra.ini").string());
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(32);
    const std::string key = in.ConsumeRandomLengthString(32);
    const std::string value = in.ConsumeRandomLengthString(64);
    const std::string before = in.ConsumeRemainingBytesAsString();
    fuzzing::write_file(fuzzing::scratch() / "velotra.ini", before);

    const std::string missing = "\x01missing";
    auto others = pairs_in(before);
    std::vector<std::string> old_values;
    for (const auto& [s, k] : others) old_values.push_back(rt::or_empty(rt::ProfileString(file, s, k, missing)));

    const int rc = rt::SetProfileString(file, section, key, value);
    const std::string after = fuzzing::read_file(fuzzing::scratch() / "velotra.ini");
    if (rc != 1) {
        if (after != before) std::abort(); // a refused write changed the file
        return 0;
    }
    if (rt::ProfileString(file, section, key, missing) != value) std::abort(); // does not read back
    for (std::size_t i = 0; i < others.size(); ++i) {
        const auto& [s, k] = others[i];
        if (name_of(s) == name_of(section) && name_of(k) == name_of(key)) continue;
        if (rt::ProfileString(file, s, k, missing) != old_values[i]) std::abort(); // another key changed
    }
    return 0;
}
