// Listing and extraction, on archives made by Info-ZIP's zip.
#include "tests/zip/zip_fixture.h"
#include "tests/support/tree_files.h"
#include "runtime/path.h"

#include <algorithm>
#include <csignal>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utime.h>

using zip_testing::noise;
using zip_testing::prose;
using zip_testing::split;

namespace {

void set_local_mtime(const std::filesystem::path& p, int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
    t.tm_isdst = -1;
    utimbuf times{std::mktime(&t), std::mktime(&t)};
    ASSERT_EQ(utime(p.c_str(), &times), 0);
}

class UnzipTest : public zip_testing::ZipTest {
protected:
    // A folder docs/ holding a deflated text, a stored binary at the top and
    // an empty file, packed at the highest level (which sets flag bit 1).
    void make_sample() {
        write_raw("src/docs/readme.txt", prose(5000));
        write_raw("src/b.bin", noise(100));
        write_raw("src/empty.txt", "");
        set_local_mtime(at("src/docs/readme.txt"), 2024, 1, 15, 10, 20, 30);
        info_zip("src", "-9 ../a.zip docs docs/readme.txt b.bin empty.txt");
    }

    // Flips the byte in the middle of the data of the archive's first entry.
    void corrupt_first_entry(const std::string& archive) {
        std::string z = read_raw(archive);
        auto u16 = [&](std::size_t at) {
            return static_cast<std::size_t>(static_cast<unsigned char>(z[at])) |
                   static_cast<std::size_t>(static_cast<unsigned char>(z[at + 1])) << 8;
        };
        std::size_t packed = u16(18) | u16(20) << 16;
        std::size_t data = 30 + u16(26) + u16(28);
        z[data + packed / 2] ^= 0x01;
        write_raw(archive, z);
    }
};

TEST_F(UnzipTest, ListsEveryFileEntryAsTenColumns) {
    make_sample();
    std::vector<std::string> lines = split(zlib.of_directory("a.zip"), "\r\n");
    ASSERT_EQ(lines.size(), 3u); // the folder entry gives no line
    for (const auto& l : lines) ASSERT_EQ(split(l, "\t").size(), 10u) << l;

    std::vector<std::string> text = split(lines[0], "\t");
    EXPECT_EQ(text[0], "readme.txt");
    EXPECT_FALSE(text[1].empty()) << "a .txt name has a type";
    EXPECT_EQ(text[2], "2024-01-15 10:20:30"); // January is month 0 inside the archive
    EXPECT_EQ(text[3], "5000");
    EXPECT_LT(std::stoul(text[5]), 5000u);
    EXPECT_DOUBLE_EQ(std::stod(text[4]), std::stod(text[5]) / 5000.0);
    EXPECT_EQ(text[7], "N"); // flag bit 1 set, bit 0 clear
    EXPECT_EQ(text[8], "docs\\");
    EXPECT_EQ(text[9], "docs/readme.txt");

    struct Row {
        std::size_t line;
        const char *name, *size, *ratio, *packed, *full;
    } rows[] = {
        {1, "b.bin", "100", "0", "100", "b.bin"},        // stored: equal sizes show 0
        {2, "empty.txt", "0", "0", "0", "empty.txt"},    // no bytes: 0 as well
    };
    for (const Row& r : rows) {
        std::vector<std::string> c = split(lines[r.line], "\t");
        EXPECT_EQ(c[0], r.name);
        EXPECT_EQ(c[3], r.size) << r.name;
        EXPECT_EQ(c[4], r.ratio) << r.name;
        EXPECT_EQ(c[5], r.packed) << r.name;
        EXPECT_EQ(c[6], "") << "Info-ZIP on this system sets no Windows attributes";
        EXPECT_EQ(c[8], "") << "a top entry has no path";
        EXPECT_EQ(c[9], r.full);
    }
    EXPECT_NE(lines[1].find("\t\tb.bin"), std::string::npos);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(UnzipTest, ArchivesThatGiveNoListing) {
    // An archive without entries is only its end record.
    write_raw("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    write_raw("not.zip", "plain text, not an archive");
    EXPECT_EQ(zlib.of_directory("empty.zip"), "");
    EXPECT_TRUE(boxes.shown().empty());

    for (const char* name : {"missing.zip", "not.zip"}) {
        boxes.clear();
        EXPECT_EQ(zlib.of_directory(name), "") << name;
        EXPECT_EQ(shown(), std::vector<std::string>{"ZLib Error in of_unzOpen|The zip file is invalid or can't be found!"});
        EXPECT_EQ(zlib.of_unzopen(name), nullptr);
        EXPECT_EQ(boxes.shown().back().icon, rt::Icon::StopSign);
    }
}

TEST_F(UnzipTest, MovesWithoutAnArchiveReportTheParameterError) {
    EXPECT_EQ(zlib.of_unzgotofirstfile(nullptr), n_zlib::unz_paramerror);
    EXPECT_EQ(zlib.of_unzgotonextfile(nullptr), n_zlib::unz_paramerror);
    EXPECT_EQ(shown(), (std::vector<std::string>{"ZLib Error in of_unzGotoFirstFile|Parameter Error!",
                                                 "ZLib Error in of_unzGotoNextFile|Parameter Error!"}));
}

TEST_F(UnzipTest, ALongStoredNameIsCutToItsFirst256Bytes) {
    std::string dir(200, 'd'), file(100, 'f');
    write_raw("src/" + dir + "/" + file, "x");
    info_zip("src", "../long.zip " + dir + "/" + file);
    std::vector<std::string> c = split(zlib.of_directory("long.zip"), "\t");
    ASSERT_EQ(c.size(), 10u);
    std::string cut = (dir + "/" + file).substr(0, 256);
    EXPECT_EQ(c[9], cut);
    EXPECT_EQ(c[0], std::string(55, 'f'));
    EXPECT_EQ(c[8], dir + "\\");
}

TEST_F(UnzipTest, ExtractsTheNamedEntryByteExact) {
    std::string big = noise(20000); // several pieces, the last one short
    write_raw("src/Setup/New.EXE", big);
    write_raw("src/first.txt", prose(300));
    write_raw("src/zero.dat", "");
    write_raw("src/piece.dat", prose(8192));
    info_zip("src", "../u.zip first.txt Setup/New.EXE zero.dat piece.dat");
    write_raw("out/old.bin", std::string(50000, 'o')); // replaced whole

    struct Case {
        const char *entry, *output, *source;
    } cases[] = {
        {"setup/new.exe", "out\\old.bin", "src/Setup/New.EXE"}, // other letter case
        {"", "out\\current.txt", "src/first.txt"},              // the current entry: the first
        {"ZERO.DAT", "out\\zero.dat", "src/zero.dat"},
        {"piece.dat", "out\\piece.dat", "src/piece.dat"}, // exactly one piece
    };
    for (const Case& c : cases) {
        n_zlib::unzfile h = zlib.of_unzopen("u.zip");
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(zlib.of_extractfile(h, c.output, c.entry)) << c.entry;
        std::string out = c.output;
        std::replace(out.begin(), out.end(), '\\', '/');
        EXPECT_EQ(read_raw(out), read_raw(c.source)) << c.entry;
        EXPECT_EQ(zlib.of_unzclose(h), n_zlib::unz_ok);
    }
    EXPECT_TRUE(boxes.shown().empty());

    n_zlib::unzfile h = zlib.of_unzopen("u.zip");
    rt::blob data;
    EXPECT_TRUE(zlib.of_extractblob(h, "SETUP/new.exe", data));
    EXPECT_EQ(data, big);
    zlib.of_unzclose(h);
}

TEST_F(UnzipTest, RefusedExtractionsTellWhyAndLeaveNoFile) {
    write_raw("src/a.txt", prose(1000));
    info_zip("src", "../a.zip a.txt");
    n_zlib::unzfile h = zlib.of_unzopen("a.zip");
    ASSERT_NE(h, nullptr);

    EXPECT_FALSE(zlib.of_extractfile(h, "out.txt", "nope.txt"));
    EXPECT_FALSE(folder.exists("out.txt"));
    EXPECT_FALSE(zlib.of_extractfile(h, "no\\such\\folder\\out.txt", "a.txt"));
    rt::blob data;
    EXPECT_FALSE(zlib.of_extractblob(h, "nope.txt", data));
    EXPECT_EQ(shown(), (std::vector<std::string>{
                           "ZLib Error in of_ExtractFile|Unable to locate file 'nope.txt' within archive!",
                           "ZLib Error in of_ExtractFile|Unable to open the output file!",
                           "ZLib Error in of_ExtractBlob|Unable to locate file 'nope.txt' within archive!"}));
    zlib.of_unzclose(h);
}

TEST_F(UnzipTest, LookupMatchesWholeGbkCharacters) {
    // GBK names as Info-ZIP stores them: the bytes of the name on disk. The
    // second byte of "礬" is "\", and "癆" and "癮" differ only in a trail
    // byte that looks like "A" and "a".
    write_raw("src/资料/数据礬.txt", "gbk one");
    write_raw("src/癆.txt", "first");
    write_raw("src/癮.txt", "second");
    info_zip("src", "../g.zip " + zip_testing::quoted("资料/数据礬.txt") + " " + zip_testing::quoted("癆.txt") + " " +
                        zip_testing::quoted("癮.txt"));

    std::vector<std::string> lines = split(zlib.of_directory("g.zip"), "\r\n");
    ASSERT_EQ(lines.size(), 3u);
    std::vector<std::string> c = split(lines[0], "\t");
    EXPECT_EQ(c[0], "数据礬.txt");
    EXPECT_EQ(c[8], "资料\\");
    EXPECT_EQ(c[9], "资料/数据礬.txt");

    struct Case {
        const char *entry, *content;
    } cases[] = {{"资料/数据礬.TXT", "gbk one"}, {"癮.txt", "second"}, {"癆.TXT", "first"}};
    for (const Case& k : cases) {
        n_zlib::unzfile h = zlib.of_unzopen("g.zip");
        rt::blob data;
        EXPECT_TRUE(zlib.of_extractblob(h, k.entry, data)) << k.entry;
        EXPECT_EQ(data, k.content) << k.entry;
        zlib.of_unzclose(h);
    }
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(UnzipTest, AnEntryWithOneFlippedByteIsRefused) {
    write_raw("src/stored.bin", noise(30000)); // stored: only the CRC can tell
    write_raw("src/packed.txt", prose(30000));  // deflated
    info_zip("src", "../s.zip stored.bin");
    info_zip("src", "../p.zip packed.txt");
    struct Case {
        const char *archive, *entry;
    } cases[] = {{"s.zip", "stored.bin"}, {"p.zip", "packed.txt"}};
    for (const Case& c : cases) {
        corrupt_first_entry(c.archive);
        boxes.clear();
        n_zlib::unzfile h = zlib.of_unzopen(c.archive);
        ASSERT_NE(h, nullptr);
        EXPECT_FALSE(zlib.of_extractfile(h, "out.bin", c.entry)) << c.archive;
        EXPECT_FALSE(folder.exists("out.bin")) << c.archive;
        rt::blob data;
        EXPECT_FALSE(zlib.of_extractblob(h, c.entry, data)) << c.archive;
        EXPECT_EQ(shown(), (std::vector<std::string>{
                               "ZLib Error in of_ExtractFile|Error extracting file '" + std::string(c.entry) +
                                   "' within archive!",
                               "ZLib Error in of_ExtractBlob|Error extracting file '" + std::string(c.entry) +
                                   "' within archive!"}));
        zlib.of_unzclose(h);
    }
}

// Found by fuzz/zip_fuzz: the central directory declares an entry of
// nearly 4 GiB that holds 15 bytes. The blob must not be sized on the
// archive's word, and the entry is refused.
TEST_F(UnzipTest, AnEntryDeclaringGigabytesIsRefusedWithoutReservingThem) {
    std::ifstream in(std::string(std::getenv("VELOTRA_SOURCE_DIR")) + "/fuzz/regressions/zip/declared_4gib.zip",
                     std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ASSERT_FALSE(bytes.str().empty());
    write_raw("declared.zip", bytes.str());
    n_zlib::unzfile h = zlib.of_unzopen("declared.zip");
    ASSERT_NE(h, nullptr);
    rt::blob data;
    EXPECT_FALSE(zlib.of_extractblob(h, "", data));
    EXPECT_LT(data.size(), 1u << 20);
    EXPECT_EQ(shown(), (std::vector<std::string>{"ZLib Error in of_ExtractBlob|Error extracting file '' within archive!"}));
    zlib.of_unzclose(h);
}

TEST_F(UnzipTest, AFailedWriteRemovesThePartialFile) {
    write_raw("src/big.bin", noise(40000));
    info_zip("src", "../b.zip big.bin");
    n_zlib::unzfile h = zlib.of_unzopen("b.zip");
    ASSERT_NE(h, nullptr);
    // A file size limit halfway through the entry makes a write fail.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 20000;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool extracted = zlib.of_extractfile(h, "out.bin", "big.bin");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(extracted);
    EXPECT_FALSE(folder.exists("out.bin"));
    EXPECT_EQ(shown(), std::vector<std::string>{"ZLib Error in of_ExtractFile|Unable to write the output file!"});
    zlib.of_unzclose(h);
}

// A temporary left by an extraction that was killed, under this very
// process id, is passed over for a new name and left alone.
TEST_F(UnzipTest, ALeftoverTemporaryNeverBlocksAnExtraction) {
    make_sample();
    const std::vector<std::string> leftovers = leave_replacement_leftovers(rt::native_path("out.bin"), 2, "half");
    n_zlib::unzfile h = zlib.of_unzopen("a.zip");
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(zlib.of_extractfile(h, "out.bin", "b.bin"));
    zlib.of_unzclose(h);
    EXPECT_EQ(read_raw("out.bin"), noise(100));
    EXPECT_TRUE(shown().empty());
    for (const auto& name : leftovers) {
        std::ifstream in(name, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "half") << name;
    }
}

TEST_F(UnzipTest, EncryptedEntriesNeedTheRightPassword) {
    std::string secret = prose(40000);
    write_raw("src/secret.txt", secret);
    write_raw("src/tiny.txt", "ab"); // stored
    write_raw("src/open.txt", "no password here");
    info_zip("src", "-P 'Pass word' ../e.zip secret.txt tiny.txt");
    info_zip("src", "../e.zip open.txt");

    std::vector<std::string> lines = split(zlib.of_directory("e.zip"), "\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(split(lines[0], "\t")[7], "Y");
    EXPECT_EQ(split(lines[2], "\t")[7], "N");

    n_zlib::unzfile h = zlib.of_unzopen("e.zip");
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(zlib.of_currentfilehaspassword(h));
    EXPECT_FALSE(zlib.of_extractfile(h, "out.txt", "secret.txt"));
    EXPECT_FALSE(folder.exists("out.txt"));

    zlib.of_setpassword("wrong");
    EXPECT_FALSE(zlib.of_extractfile(h, "out.txt", "secret.txt"));
    EXPECT_FALSE(folder.exists("out.txt"));
    EXPECT_EQ(shown(), (std::vector<std::string>{
                           "ZLib Error in of_ExtractFile|The file 'secret.txt' requires a password!",
                           "ZLib Error in of_ExtractFile|Error extracting file 'secret.txt' within archive!"}));
    boxes.clear();

    zlib.of_setpassword("Pass word");
    EXPECT_EQ(zlib.of_getpassword(), "Pass word");
    EXPECT_TRUE(zlib.of_extractfile(h, "out.txt", "SECRET.TXT"));
    EXPECT_EQ(folder.read("out.txt"), secret);
    struct Case {
        const char *entry, *content;
    } blobs[] = {{"tiny.txt", "ab"}, {"open.txt", "no password here"}}; // the password leaves a plain entry alone
    for (const Case& c : blobs) {
        rt::blob data;
        EXPECT_TRUE(zlib.of_extractblob(h, c.entry, data)) << c.entry;
        EXPECT_EQ(data, c.content);
    }
    EXPECT_FALSE(zlib.of_currentfilehaspassword(h));
    EXPECT_TRUE(boxes.shown().empty());
    zlib.of_unzclose(h);
}

TEST_F(UnzipTest, ReadingWithoutAnOpenEntryFailsInsideTheBlob) {
    write_raw("src/a.txt", "abc");
    info_zip("src", "../a.zip a.txt");
    n_zlib::unzfile h = zlib.of_unzopen("a.zip");
    rt::blob data = "old";
    EXPECT_LT(zlib.of_unzreadcurrentfile(h, data, 5), 0);
    EXPECT_EQ(data, "     ");
    EXPECT_LT(zlib.of_unzclosecurrentfile(h), 0);
    zlib.of_unzclose(h);
}

} // namespace
