// Archives that lie about themselves: damaged end records, declared sizes
// far beyond their data, sizes kept in the ZIP64 extra field; and what a
// failed extraction leaves at its target.
#include "tests/zip/zip_fixture.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

using zip_testing::noise;
using zip_testing::prose;

namespace {

void put32(std::string& z, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) z[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

class DamagedZipTest : public zip_testing::ZipTest {
protected:
    // "a.zip": Info-ZIP's archive of one stored text "a.txt" ("hello").
    std::string one_entry() {
        write_raw("src/a.txt", "hello");
        info_zip("src", "-0 ../a.zip a.txt");
        return read_raw("a.zip");
    }
    std::string listed_size(const std::string& archive) {
        const std::vector<std::string> columns = zip_testing::split(zlib.of_directory(archive), "\t");
        return columns.size() == 10 ? columns[3] : "(no line)";
    }
};

} // namespace

// Only a whole end record over an empty directory is an empty archive; a
// record cut short, or one that counts no entries in front of a directory
// that holds one, is damage that minizip reports.
TEST_F(DamagedZipTest, OnlyAWholeEmptyEndRecordListsAsEmpty) {
    const std::string z = one_entry();
    const std::size_t end = z.rfind(std::string("PK\x05\x06", 4));
    ASSERT_EQ(end, z.size() - 22);

    std::string zero = z;
    put32(zero, end + 8, 0); // both entry counts
    write_raw("zero.zip", zero);
    write_raw("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));

    EXPECT_EQ(zlib.of_directory("empty.zip"), "");
    EXPECT_TRUE(boxes.shown().empty());
    std::vector<std::string> damaged_archives{"zero.zip"};
    for (std::size_t cut = 1; cut < 22; ++cut) {
        damaged_archives.push_back("cut" + std::to_string(cut) + ".zip");
        write_raw(damaged_archives.back(), z.substr(0, z.size() - cut));
    }
    for (const std::string& damaged : damaged_archives) {
        boxes.clear();
        const std::string listing = zlib.of_directory(damaged);
        EXPECT_FALSE(boxes.shown().empty() && listing.empty()) << damaged << ": listed as empty without a word";
        if (!boxes.shown().empty()) {
            EXPECT_EQ(boxes.shown().front().title.rfind("ZLib Error in ", 0), 0u) << damaged;
        }
    }
    boxes.clear();
    EXPECT_EQ(zlib.of_directory("zero.zip"), "");
    EXPECT_EQ(shown(), std::vector<std::string>{"ZLib Error in of_unzGotoFirstFile|Bad zip file!"});
}

// A 4 GiB size declared by a tiny archive allocates nothing of the kind:
// run under a memory limit, the extraction ends with its box, not an abort.
TEST_F(DamagedZipTest, ADeclaredSizeBeyondTheDataAllocatesNothing) {
    std::string z = one_entry();
    const std::size_t central = z.find(std::string("PK\x01\x02", 4));
    put32(z, 22, 0xFFFFFFF0u);           // local header: uncompressed size
    put32(z, central + 24, 0xFFFFFFF0u); // central directory: uncompressed size
    write_raw("big.zip", z);
    ASSERT_LT(z.size(), 200u);

    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Room for what the process holds now and 256 MiB more.
        long pages = 0;
        if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
            std::fclose(f);
        }
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (256u << 20);
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
        try {
            n_zlib::unzfile h = zlib.of_unzopen("big.zip");
            rt::blob data;
            const bool extracted = h && zlib.of_extractblob(h, "a.txt", data);
            const bool told = !boxes.shown().empty() && shown().back() ==
                              "ZLib Error in of_ExtractBlob|Error extracting file 'a.txt' within archive!";
            _exit(!extracted && told ? 0 : 4);
        } catch (...) {
            _exit(5); // in the program: an abort
        }
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "the extraction ended with signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

// Info-ZIP keeps the sizes of an entry it packs from a pipe in the ZIP64
// extra field, even for a few bytes: listed with their real sizes, extracted
// whole.
TEST_F(DamagedZipTest, SizesInTheZip64ExtraFieldListAndExtract) {
    const std::string text = prose(3000);
    write_raw("src/piped.txt", text);
    info_zip("src", "-fz ../z64.zip piped.txt");
    const std::string z = read_raw("z64.zip");
    ASSERT_NE(z.find(std::string("\x01\x00", 2)), std::string::npos);

    EXPECT_EQ(listed_size("z64.zip"), "3000");
    n_zlib::unzfile h = zlib.of_unzopen("z64.zip");
    ASSERT_NE(h, nullptr);
    rt::blob data;
    EXPECT_TRUE(zlib.of_extractblob(h, "piped.txt", data));
    EXPECT_EQ(data, text);
    EXPECT_TRUE(zlib.of_extractfile(h, "out.txt", "piped.txt"));
    EXPECT_EQ(read_raw("out.txt"), text);
    zlib.of_unzclose(h);
    EXPECT_TRUE(boxes.shown().empty());
}

// A failed extraction leaves a file that was at the target before as it
// was, and no partial or temporary file beside it.
TEST_F(DamagedZipTest, AFailedExtractionLeavesTheOldFile) {
    write_raw("src/packed.txt", prose(30000));
    info_zip("src", "../p.zip packed.txt");
    std::string z = read_raw("p.zip");
    z[30 + 10 + 500] ^= 0x01; // a flipped byte inside the deflated data
    write_raw("p.zip", z);
    write_raw("out/packed.txt", "the user's own file");

    n_zlib::unzfile h = zlib.of_unzopen("p.zip");
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(zlib.of_extractfile(h, "out\\packed.txt", "packed.txt"));
    zlib.of_unzclose(h);
    EXPECT_EQ(read_raw("out/packed.txt"), "the user's own file");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(at("out"))) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"packed.txt"});
}
