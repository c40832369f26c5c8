// Compression, checksums, whole files and the small helpers of the service.
#include "tests/zip/zip_fixture.h"

using zip_testing::noise;
using zip_testing::prose;

namespace {

class ZlibFunctionsTest : public zip_testing::ZipTest {};

TEST_F(ZlibFunctionsTest, CompressGivesZlibsOwnStream) {
    struct Case {
        std::string source, stream;
    } cases[] = {
        {"hello", std::string("\x78\x9c\xcb\x48\xcd\xc9\xc9\x07\x00\x06\x2c\x02\x15", 13)},
        {"", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)}, // fits the 12-byte room of no input
    };
    for (const Case& c : cases) {
        n_zlib::nblob dest;
        EXPECT_TRUE(zlib.of_compress(c.source, dest));
        EXPECT_EQ(dest, c.stream);
        dest.reset();
        EXPECT_TRUE(zlib.of_compress(c.source.c_str(), dest)); // the text form
        EXPECT_EQ(dest, c.stream);
    }
    // Incompressible input still fits n × 1.01 + 12, and only the stream comes back.
    std::string random = noise(1000);
    n_zlib::nblob dest, back;
    ASSERT_TRUE(zlib.of_compress(random, dest));
    EXPECT_LT(dest->size(), 1022u);
    EXPECT_TRUE(zlib.of_uncompress(*dest, 1000, back));
    EXPECT_EQ(back, random);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ZlibFunctionsTest, UncompressTakesTheSizeFromTheCaller) {
    std::string text = prose(3000);
    n_zlib::nblob stream;
    ASSERT_TRUE(zlib.of_compress(text, stream));

    n_zlib::nblob out;
    EXPECT_TRUE(zlib.of_uncompress(*stream, 10000, out)); // larger: exactly the data
    EXPECT_EQ(out, text);

    struct Case {
        std::string source;
        std::uint32_t destlen;
        const char* text;
    } failures[] = {
        {*stream, 2999, "Not enough room in the output buffer!"},
        {"not a zlib stream", 100, "The input data was corrupted!"},
    };
    for (const Case& f : failures) {
        boxes.clear();
        n_zlib::nblob dest = rt::blob("old");
        EXPECT_FALSE(zlib.of_uncompress(f.source, f.destlen, dest));
        EXPECT_FALSE(dest.has_value());
        std::string as_text = "old";
        EXPECT_FALSE(zlib.of_uncompress(f.source, f.destlen, as_text));
        EXPECT_EQ(as_text, "");
        EXPECT_EQ(shown(), std::vector<std::string>(2, std::string("ZLib Error in of_UnCompress|") + f.text));
    }

    // The text form ends at the first zero byte.
    n_zlib::nblob zeroed;
    ASSERT_TRUE(zlib.of_compress(std::string("ab\0cd", 5), zeroed));
    std::string as_text;
    EXPECT_TRUE(zlib.of_uncompress(*zeroed, 5, as_text));
    EXPECT_EQ(as_text, "ab");
}

TEST_F(ZlibFunctionsTest, FileCrcIsZlibsCrc32) {
    folder.write("check.txt", "123456789");
    folder.write("empty.txt", "");
    EXPECT_EQ(zlib.of_getfilecrc("check.txt"), 0xCBF43926u);
    EXPECT_EQ(zlib.of_getfilecrc("empty.txt"), 0u);
    EXPECT_EQ(zlib.of_getfilecrc("missing.txt"), 0u);
}

TEST_F(ZlibFunctionsTest, WholeFilesAreReadAndWritten) {
    folder.write("empty.bin", "");
    folder.write("sub/keep", "");
    n_zlib::nblob data = rt::blob("unchanged");
    EXPECT_FALSE(zlib.of_readfile("missing.bin", data));
    EXPECT_FALSE(zlib.of_readfile("sub", data)); // a folder is no file
    EXPECT_EQ(data, "unchanged");
    EXPECT_TRUE(zlib.of_readfile("empty.bin", data));
    EXPECT_EQ(data, "");

    std::string bytes = noise(70000);
    folder.write("out.bin", std::string(100000, 'x'));
    EXPECT_TRUE(zlib.of_writefile("out.bin", bytes));
    EXPECT_EQ(folder.read("out.bin"), bytes);
    EXPECT_TRUE(zlib.of_readfile("out.bin", data));
    EXPECT_EQ(data, bytes);
    EXPECT_FALSE(zlib.of_writefile("no\\such\\folder\\out.bin", bytes));
    EXPECT_FALSE(zlib.of_writefile("sub", bytes));
}

TEST_F(ZlibFunctionsTest, MimeTypeComesFromTheData) {
    rt::nstring text = zlib.of_findmimefromdata("a.dat", "Plain ASCII words and nothing else.   ");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->substr(0, 4), "text");
    EXPECT_EQ(zlib.of_findmimefromdata("x.txt", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), "image/png");
    EXPECT_FALSE(zlib.of_findmimefromdata("nothing-to-go-by", "").has_value());
}

TEST_F(ZlibFunctionsTest, BitsAndReplacements) {
    struct Bit {
        std::uint32_t value;
        std::uint16_t bit;
        bool set;
    } bits[] = {{5, 1, true}, {5, 2, false}, {5, 3, true}, {2147483648u, 32, true}, {2147483648u, 31, false},
                {0xFFFFFFFFu, 0, false}, {0xFFFFFFFFu, 33, false}};
    for (const Bit& b : bits) EXPECT_EQ(zlib.of_getbit(b.value, b.bit), b.set) << b.value << " bit " << b.bit;

    struct Replace {
        const char *source, *find, *with, *result;
    } replaces[] = {
        {"a/b/c", "/", "\\", "a\\b\\c"},
        {"aa", "a", "ab", "abab"},       // the inserted text is not searched again
        {"abc", "", "x", "abc"},
        {"礬\\礬", "\\", "/", "礬/礬"}, // only the real "\", not the trail byte of "礬"
    };
    for (const Replace& r : replaces) EXPECT_EQ(zlib.of_replaceall(r.source, r.find, r.with), r.result) << r.source;
}

TEST_F(ZlibFunctionsTest, TypeNameFollowsTheExtension) {
    EXPECT_FALSE(zlib.of_getfiledescription("readme.txt").empty());
    EXPECT_NE(zlib.of_getfiledescription("readme.txt"), zlib.of_getfiledescription("photo.png"));
    EXPECT_EQ(zlib.of_getfiledescription("nothing.qqqzzz"), "");
}

} // namespace
