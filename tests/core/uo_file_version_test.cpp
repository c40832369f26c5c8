// The version stamp read out of program files written by the test.
#include "core/uo_file_version.h"
#include "runtime/path.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

namespace {

// Built at run time: a literal marker would put a second stamp into this
// test program, which the last test reads.
std::string marker() {
    std::string m = "VELOTRA_FILE_VERSION";
    m += '=';
    return m;
}

std::string with_nul(const std::string& s) { return s + std::string(1, '\0'); }

} // namespace

TEST(FileVersion, ReadsTheStampOfAFile) {
    testing_support::TempProgramFolder dir;
    const std::string m = marker();
    struct {
        const char* name;
        std::string bytes;
        std::string version;
    } cases[] = {
        {"no stamp", "no stamp here", ""},
        {"empty file", "", ""},
        {"stamp in the middle", "\x7f" "ELF" + with_nul(m + "2,3,4,5") + "tail", "2,3,4,5"},
        {"stamp at the very end", "head" + m + "7.0", "7.0"},
        {"blanks kept for the caller to trim", with_nul(m + " 1, 2 "), " 1, 2 "},
        {"a marker without a version, then a stamp", with_nul(m + "abc") + with_nul(m) + with_nul(m + "3,1"), "3,1"},
        {"past the first read's piece", std::string(40000, 'x') + with_nul(m + "9,9"), "9,9"},
        {"255 characters", with_nul(m + std::string(255, '1')), std::string(255, '1')},
        {"longer than 255", with_nul(m + std::string(256, '1')), ""},
    };
    for (const auto& c : cases) {
        dir.write("prog", c.bytes);
        std::string version = "left over";
        EXPECT_EQ(uo_file_version().f_get_fileversion(dir.program() + "\\prog", version), 1) << c.name;
        EXPECT_EQ(version, c.version) << c.name;
    }
    std::string version = "left over";
    EXPECT_EQ(uo_file_version().f_get_fileversion(dir.program() + "\\missing", version), 1);
    EXPECT_EQ(version, "");
}

TEST(FileVersion, ThisBuildStampsItsPrograms) {
    std::string version;
    uo_file_version().f_get_fileversion(rt::program_path("/proc/self/exe"), version);
    EXPECT_EQ(version, VELOTRA_FILE_VERSION);
}
