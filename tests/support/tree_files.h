// Files the tests take from the source tree and leave in the build tree.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/files.h"

// A file of the source tree, as bytes. The tree is VELOTRA_SOURCE_DIR, which
// the test main sets; this header's own path serves when it is missing, but
// that path may be relative to the build folder, and ctest runs the programs
// from elsewhere.
inline std::string source_file(const std::string& relative) {
    const char* env = std::getenv("VELOTRA_SOURCE_DIR");
    const std::filesystem::path root = env && *env ? std::filesystem::path(env)
                                                   : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    std::ifstream in(root / relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// <build>/screenshots (the test programs live in <build>/bin), made when missing.
inline std::filesystem::path screenshots_folder() {
    const std::filesystem::path bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::filesystem::path folder = bin.parent_path() / "screenshots";
    std::filesystem::create_directories(folder);
    return folder;
}

// Leaves `count` files in the way of the next replacement of `native`
// (rt::ReplaceFile): the names it would try first, as a writer that was
// killed under this very process id would have left them. Gives the names.
inline std::vector<std::string> leave_replacement_leftovers(const std::string& native, int count,
                                                           const std::string& content) {
    const std::string first = rt::ReplacementName(native); // ".<name>.<pid>.<serial>.part"
    const std::size_t end = first.size() - 5, dot = first.rfind('.', end - 1);
    const unsigned long serial = std::stoul(first.substr(dot + 1, end - dot - 1));
    std::vector<std::string> names;
    for (int k = 0; k < count; ++k) {
        names.push_back(first.substr(0, dot + 1) + std::to_string(serial + k) + ".part");
        std::ofstream(names.back(), std::ios::binary) << content;
    }
    return names;
}
