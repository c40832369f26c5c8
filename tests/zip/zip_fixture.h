// Shared pieces of the zip service's tests: a temporary program folder with
// recorded boxes, Info-ZIP's zip and unzip run on it, and small byte helpers.
#pragma once

#include "tests/support/scripted.h"
#include "zip/n_zlib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace zip_testing {

inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Random bytes that deflate cannot shrink, from a fixed seed.
inline std::string noise(std::size_t n, unsigned seed = 7) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

// Text that deflates well.
inline std::string prose(std::size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "line " + std::to_string(i) + " of a text that repeats itself\n";
    s.resize(n);
    return s;
}

inline std::vector<std::string> split(const std::string& s, const std::string& sep) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + sep.size())
        parts.push_back(s.substr(from, at - from));
    parts.push_back(s.substr(from));
    return parts;
}

class ZipTest : public ::testing::Test {
protected:
    testing_support::TempProgramFolder folder;
    testing_support::RecordedBoxes boxes;
    n_zlib zlib;

    std::filesystem::path at(const std::string& relative_native) const { return folder.native() / relative_native; }

    // Writes a file whose on-disk name is exactly these bytes (a GBK name
    // stays GBK, as Info-ZIP then stores it).
    void write_raw(const std::string& relative_bytes, const std::string& content) const {
        std::filesystem::path p = folder.native() / std::filesystem::path(relative_bytes);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }

    std::string read_raw(const std::string& relative_bytes) const {
        std::ifstream in(folder.native() / std::filesystem::path(relative_bytes), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Runs Info-ZIP's zip in the folder `dir` (relative to the program folder).
    void info_zip(const std::string& dir, const std::string& args) const {
        std::string cmd = "cd " + quoted(at(dir).string()) + " && LC_ALL=C zip -q -X " + args + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }

    // Info-ZIP's unzip -t on an archive: true when every entry tests good.
    bool unzip_test(const std::string& archive, const std::string& password = "") const {
        std::string cmd = "LC_ALL=C unzip -qq -t " + (password.empty() ? "" : "-P " + quoted(password) + " ") +
                          quoted(at(archive).string()) + " >/dev/null 2>&1";
        return std::system(cmd.c_str()) == 0;
    }

    // The boxes shown so far, each as "title|text".
    std::vector<std::string> shown() const {
        std::vector<std::string> v;
        for (const auto& b : boxes.shown()) v.push_back(b.title + "|" + b.text);
        return v;
    }
};

} // namespace zip_testing
