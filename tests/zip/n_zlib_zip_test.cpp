// Archive writing, checked by Info-ZIP's unzip and by the service's own reader.
#include "tests/zip/zip_fixture.h"

#include "runtime/gbk.h"

#include <ctime>
#include <utime.h>

using zip_testing::noise;
using zip_testing::prose;
using zip_testing::split;

namespace {

class ZipWriteTest : public zip_testing::ZipTest {
protected:
    std::vector<std::string> listing(const std::string& archive) {
        std::string all = zlib.of_directory(archive);
        if (all.empty()) return {};
        return split(all, "\r\n");
    }
};

class WrittenArchive : public ZipWriteTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WrittenArchive, PassesInfoZipsTestAndReadsBack) {
    const std::string password = GetParam();
    std::string notes = prose(50000), pic = noise(30000);
    folder.write("data/notes.txt", notes);
    folder.write("data/pic.bin", pic);
    folder.write("data/empty.txt", "");
    std::tm t{};
    t.tm_year = 124, t.tm_mon = 0, t.tm_mday = 15, t.tm_hour = 8, t.tm_isdst = -1;
    utimbuf times{std::mktime(&t), std::mktime(&t)};
    ASSERT_EQ(utime(at("data/notes.txt").c_str(), &times), 0);

    zlib.of_setpassword(password);
    n_zlib::zipfile h = zlib.of_zipopen("w.zip");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(zlib.of_importfile(h, "data\\notes.txt", "data\\notes.txt"), n_zlib::zip_ok);
    // The blob is not the file's content: the entry must still be readable.
    EXPECT_EQ(zlib.of_importblob(h, "data\\pic.bin", "other bytes than the file's"), n_zlib::zip_ok);
    EXPECT_EQ(zlib.of_zipopennewfileinzip(h, "data\\empty.txt"), n_zlib::zip_ok);
    EXPECT_EQ(zlib.of_zipwriteinfileinzip(h, "part one, "), n_zlib::zip_ok);
    EXPECT_EQ(zlib.of_zipwriteinfileinzip(h, "part two"), n_zlib::zip_ok);
    EXPECT_EQ(zlib.of_zipclosefileinzip(h), n_zlib::zip_ok);
    EXPECT_EQ(zlib.of_zipclose(h, "made by the writer"), n_zlib::zip_ok);

    EXPECT_TRUE(unzip_test("w.zip", password));
    if (!password.empty()) {
        EXPECT_FALSE(unzip_test("w.zip", "not it"));
    }

    std::vector<std::string> lines = listing("w.zip");
    ASSERT_EQ(lines.size(), 3u);
    const char* names[] = {"data/notes.txt", "data/pic.bin", "data/empty.txt"};
    for (std::size_t i = 0; i < 3; ++i) {
        std::vector<std::string> c = split(lines[i], "\t");
        EXPECT_EQ(c[9], names[i]);
        EXPECT_EQ(c[6], "A");
        EXPECT_EQ(c[7], password.empty() ? "N" : "Y");
    }
    EXPECT_EQ(split(lines[0], "\t")[2], "2024-01-15 08:00:00");

    n_zlib::unzfile r = zlib.of_unzopen("w.zip");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(zlib.of_unzgetglobalcomment(r), "made by the writer");
    struct Case {
        const char* entry;
        std::string content;
    } cases[] = {{"data/notes.txt", notes}, {"data/pic.bin", "other bytes than the file's"},
                 {"data/empty.txt", "part one, part two"}};
    for (const Case& c : cases) {
        rt::blob data;
        EXPECT_TRUE(zlib.of_extractblob(r, c.entry, data)) << c.entry;
        EXPECT_EQ(data, c.content) << c.entry;
    }
    zlib.of_unzclose(r);
    EXPECT_TRUE(boxes.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Password, WrittenArchive, ::testing::Values("", "s3cret 口令"));

TEST_F(ZipWriteTest, StoredNamesLoseTheDriveAndUseSlashes) {
    struct Case {
        const char *disk, *source, *stored;
    } cases[] = {
        {"C:/work/a.txt", "C:\\work\\a.txt", "work/a.txt"},
        {"work/b.txt", "work\\b.txt", "work/b.txt"},
        {"C:c.txt", "C:c.txt", "C:c.txt"},
        {"资料/礬.txt", "资料\\礬.txt", "资料/礬.txt"}, // a "\" trail byte is no separator
    };
    n_zlib::zipfile h = zlib.of_zipopen("n.zip");
    for (const Case& c : cases) {
        folder.write(rt::gbk_to_utf8(c.disk), "x");
        EXPECT_EQ(zlib.of_importblob(h, c.source, "x"), n_zlib::zip_ok) << c.source;
    }
    zlib.of_zipclose(h, "");
    std::vector<std::string> lines = listing("n.zip");
    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(split(lines[i], "\t")[9], cases[i].stored);
}

TEST_F(ZipWriteTest, TextTestJudgesTheFirstBytes) {
    folder.write("plain.txt", "Just a line of plain ASCII text.\n");
    folder.write("empty", "");
    folder.write("pic.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + noise(300));
    folder.write("dir/x", "");
    struct Case {
        const char* name;
        int expected;
    } cases[] = {{"plain.txt", 1}, {"empty", 1}, {"pic.png", 0}, {"dir", 2}, {"missing.txt", 2}};
    for (const Case& c : cases) EXPECT_EQ(zlib.of_internal_fa(c.name), c.expected) << c.name;
}

TEST_F(ZipWriteTest, MissingSourcesAddNoEntry) {
    folder.write("real.txt", "content");
    n_zlib::zipfile h = zlib.of_zipopen("m.zip");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(zlib.of_zipopennewfileinzip(h, "missing.txt"), -1);
    EXPECT_EQ(zlib.of_importblob(h, "missing.txt", "data"), -1);
    EXPECT_EQ(zlib.of_importfile(h, "missing.txt", "real.txt"), -1);
    EXPECT_EQ(zlib.of_importfile(h, "real.txt", "missing.txt"), -1);
    EXPECT_EQ(zlib.of_zipwriteinfileinzip(h, "no entry is open"), n_zlib::zip_paramerror);
    EXPECT_EQ(zlib.of_zipclose(h, ""), n_zlib::zip_ok);
    EXPECT_TRUE(listing("m.zip").empty());
    EXPECT_TRUE(boxes.shown().empty());

    EXPECT_EQ(zlib.of_zipopen("no\\such\\folder\\x.zip"), nullptr);
    EXPECT_EQ(shown(), std::vector<std::string>{"ZLib Error in of_zipOpen|The zip file could not be opened!"});
}

TEST_F(ZipWriteTest, AFailedReadOfTheSourceIsReported) {
    // The process's own memory file opens but fails at its first read.
    folder.write("a.txt", "name and date come from here");
    n_zlib::zipfile h = zlib.of_zipopen("r.zip");
    EXPECT_EQ(zlib.of_importfile(h, "\\proc\\self\\mem", "a.txt"), n_zlib::zip_errno);
    zlib.of_zipclose(h, "");
    std::vector<std::string> lines = listing("r.zip");
    ASSERT_EQ(lines.size(), 1u) << "the entry was started, and ended to keep the archive whole";
    EXPECT_EQ(split(lines[0], "\t")[9], "a.txt");
}

} // namespace
