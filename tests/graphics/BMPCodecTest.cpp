// The BMP reader and writer on hand-made files and images.
#include "codec_test_support.h"

#include "support/CapturedLog.h"

#include <gtest/gtest.h>

using namespace codec_test;

namespace
{
// A BMP file: file header, an info header of `infoSize` bytes (12, 40 or
// longer; the extra bytes are zeros), the colour table and the pixel data.
std::string BmpFile(uint32_t infoSize, uint32_t w, uint32_t h, unsigned bitCount,
                    uint32_t compression, const std::string& table, const std::string& data,
                    uint32_t coloursUsed = 0)
{
    std::string info;
    if (infoSize == 12)
        info = LE32(12) + LE16(w) + LE16(h) + LE16(1) + LE16(bitCount);
    else
        info = LE32(infoSize) + LE32(w) + LE32(h) + LE16(1) + LE16(bitCount) + LE32(compression) +
               LE32(0) + LE32(0) + LE32(0) + LE32(coloursUsed) + LE32(0) +
               std::string(infoSize - 40, '\0');
    const uint32_t offset = static_cast<uint32_t>(14 + info.size() + table.size());
    return "BM" + LE32(offset + static_cast<uint32_t>(data.size())) + LE32(0) + LE32(offset) +
           info + table + data;
}

// A colour table of n entries (blue, green, red, fourth byte) = (i, 2i, 3i, 7).
std::string Table(unsigned n, bool core = false)
{
    std::string t;
    for (unsigned i = 0; i < n; ++i)
    {
        t += Bytes({int(i & 0xFF), int((2 * i) & 0xFF), int((3 * i) & 0xFF)});
        if (!core)
            t += '\x07';
    }
    return t;
}

TEST(BMPCodec, PackedPixelsAndBothHeaderForms)
{
    // 1 bit, 10 x 2: lines of 2 bytes padded to 4, bottom line first.
    KWOImage image(0u, 0u, 8u);
    const std::string oneBit =
        BmpFile(40, 10, 2, 1, 0, Table(2), Bytes({0xFF, 0xC0, 0, 0, 0x80, 0x40, 0, 0}));
    ASSERT_TRUE(LoadBytes(image, oneBit, 0));
    EXPECT_EQ(image.Bpp(), 8u);
    EXPECT_EQ(PixelBytes(image), Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 1,    // top
                                        1, 1, 1, 1, 1, 1, 1, 1, 1, 1})); // bottom
    ASSERT_NE(image.Palette(), nullptr);
    ASSERT_EQ(image.Palette()->Size(), 2u);
    const KWOColor c = image.Palette()->Entries()[1];
    EXPECT_TRUE(c.r == 3 && c.g == 2 && c.b == 1 && c.a == 7);

    // 4 bits, 12-byte header: 3-byte table entries, fourth byte 0.
    const std::string fourBit = BmpFile(12, 3, 1, 4, 0, Table(16, true), Bytes({0x1F, 0xA0, 0, 0}));
    ASSERT_TRUE(LoadBytes(image, fourBit, 1));
    EXPECT_EQ(PixelBytes(image), Bytes({1, 15, 10}));
    ASSERT_EQ(image.Palette()->Size(), 16u);
    const KWOColor d = image.Palette()->Entries()[15];
    EXPECT_TRUE(d.r == 45 && d.g == 30 && d.b == 15 && d.a == 0);
}

TEST(BMPCodec, LongInfoHeadersReadLikeTheFortyByteOne)
{
    for (uint32_t infoSize : {108u, 124u})
    {
        KWOImage image(0u, 0u, 8u);
        const std::string file =
            BmpFile(infoSize, 2, 2, 8, 0, Table(256), Bytes({5, 6, 0, 0, 7, 8, 0, 0}));
        ASSERT_TRUE(LoadBytes(image, file, 0)) << infoSize;
        EXPECT_EQ(image.Width(), 2u);
        EXPECT_EQ(image.Height(), 2u);
        EXPECT_EQ(PixelBytes(image), Bytes({7, 8, 5, 6}));
        ASSERT_NE(image.Palette(), nullptr);
        EXPECT_EQ(image.Palette()->Entries()[8].r, 24);
    }
}

TEST(BMPCodec, ColourTableShorterThanTheDepthLeavesTheRestBlack)
{
    // Two entries stored for an 8-bit picture; the pixel data follow them.
    KWOImage image(0u, 0u, 8u);
    const std::string file = BmpFile(40, 1, 1, 8, 0, Table(2), Bytes({1, 0xEE, 0xEE, 0xEE}), 2);
    ASSERT_TRUE(LoadBytes(image, file, 0));
    ASSERT_EQ(image.Palette()->Size(), 256u);
    EXPECT_EQ(image.Palette()->Entries()[1].r, 3);
    const KWOColor c = image.Palette()->Entries()[2];
    EXPECT_TRUE(c.r == 0 && c.g == 0 && c.b == 0 && c.a == 0);
}

TEST(BMPCodec, TrueColourDepthsKeepFileBytes)
{
    KWOImage image(0u, 0u, 8u);
    // 24 bits, 1 x 2: each line 3 bytes padded to 4.
    ASSERT_TRUE(LoadBytes(
        image, BmpFile(40, 1, 2, 24, 0, "", Bytes({1, 2, 3, 0, 0x33, 0x22, 0x11, 0})), 0));
    EXPECT_EQ(image.Bpp(), 24u);
    EXPECT_EQ(image.GetPixel(0, 0), 0x112233u);
    EXPECT_EQ(image.GetPixel(0, 1), 0x030201u);
    ASSERT_TRUE(LoadBytes(image, BmpFile(40, 1, 1, 16, 0, "", Bytes({0x34, 0x12, 0, 0})), 0));
    EXPECT_EQ(image.Bpp(), 16u);
    EXPECT_EQ(image.GetPixel(0, 0), 0x1234u);
    ASSERT_TRUE(LoadBytes(image, BmpFile(40, 1, 1, 32, 0, "", Bytes({1, 2, 3, 4})), 0));
    EXPECT_EQ(image.Bpp(), 32u);
    EXPECT_EQ(image.GetPixel(0, 0), 0x04030201u);
}

TEST(BMPCodec, RunLengthEncodedPicture)
{
    // 4 x 3, bottom line first; runs are cut at the right edge.
    const std::string rle = Bytes({
        3, 9,             // bottom line: 9 9 9
        0, 3, 1, 2, 3, 0, // absolute run of 3 (padded): 1 cut off at the edge
        0, 0,             // end of line
        0, 2, 1, 1,       // delta: one right, one up -> top line, column 1
        6, 4,             // run of 6 cut at the edge: columns 1 to 3
        0, 0,             // end of the top line ends the picture
        5, 5,             // never read
    });
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, BmpFile(40, 4, 3, 8, 1, Table(256), rle), 0));
    EXPECT_EQ(PixelBytes(image), Bytes({0, 4, 4, 4,    // top
                                        0, 0, 0, 0,    // middle: skipped, cleared
                                        9, 9, 9, 1})); // bottom

    // End of picture marker; data that stop before it fail.
    ASSERT_TRUE(LoadBytes(image, BmpFile(40, 2, 2, 8, 1, Table(256), Bytes({2, 1, 0, 1})), 0));
    EXPECT_EQ(PixelBytes(image), Bytes({0, 0, 1, 1}));
    CapturedLog log;
    EXPECT_FALSE(LoadBytes(image, BmpFile(40, 2, 2, 8, 1, Table(256), Bytes({2, 1, 0, 3, 1})), 0));
    EXPECT_EQ(log.Text(), "BMP: unexpected EOF\n");
    EXPECT_EQ(PixelBytes(image), Bytes({0, 0, 1, 1})); // what was not decoded is cleared
    // No data at all: refused before the pixels are allocated.
    EXPECT_FALSE(LoadBytes(image, BmpFile(40, 2, 2, 8, 1, Table(256), Bytes({0})), 0));
    EXPECT_EQ(log.Text(), "BMP: unexpected EOF\nBMP: unexpected EOF\n");
}

struct Failure
{
    const char* what;
    std::string file;
    const char* message;
};

TEST(BMPCodec, FailuresGiveTheirMessages)
{
    const std::string two = Bytes({1, 2, 3, 0, 4, 5, 6, 0});
    const std::string full = BmpFile(40, 1, 2, 24, 0, "", two);
    const Failure cases[] = {
        {"short file header", "BM\1\2", "BMP: bad file header\n"},
        {"wrong signature", "MB" + std::string(60, '\0'), "BMP: bad file header\n"},
        {"short info header", full.substr(0, 30), "BMP: bad file header\n"},
        {"bit count 2", BmpFile(40, 1, 1, 2, 0, "", two), "BMP: bad file header\n"},
        {"RLE4", BmpFile(40, 1, 1, 4, 2, Table(16), two), "BMP: compressed data not supported.\n"},
        {"RLE8 at 24 bits", BmpFile(40, 1, 1, 24, 1, "", two),
         "BMP: compressed data not supported.\n"},
        {"bit fields", BmpFile(40, 1, 1, 32, 3, "", two), "BMP: compressed data not supported.\n"},
        {"top-down", BmpFile(40, 1, 0xFFFFFFFE, 24, 0, "", two), "BMP: can not allocate image\n"},
        {"size overflow", BmpFile(40, 0x10000, 0x10001, 32, 0, "", two),
         "BMP: can not allocate image\n"},
        {"no width", BmpFile(40, 0, 5, 24, 0, "", two), "BMP: can not allocate image\n"},
        {"short line", full.substr(0, full.size() - 2), "BMP: error reading data\n"},
        {"missing line", BmpFile(40, 1, 3, 24, 0, "", two), "BMP: error reading data\n"},
        {"short packed line", BmpFile(40, 8, 3, 1, 0, Table(2), Bytes({1, 0, 0, 0, 2})),
         "BMP: unexpected EOF\n"},
        {"short colour table", BmpFile(40, 1, 1, 8, 0, Table(256), two).substr(0, 100),
         "BMP: unexpected EOF\n"},
    };
    for (const Failure& c : cases)
    {
        CapturedLog log;
        KWOImage image(0u, 0u, 8u);
        EXPECT_FALSE(LoadBytes(image, c.file, 1)) << c.what;
        EXPECT_EQ(log.Text(), c.message) << c.what;
        EXPECT_EQ(image.Pixels() == nullptr, image.Pitch() == 0) << c.what;
    }
}

TEST(BMPCodec, SavedPaletteImageHas1078HeaderBytes)
{
    KWOImage image(3u, 2u, 8u);
    FillBytes(image, {1, 2, 3, 4, 5, 6});
    KWOPal pal(256u);
    for (unsigned i = 0; i < 256; ++i)
        pal.Entries()[i] = KWOColor{static_cast<unsigned char>(i), 1, 2, 3};
    image.SetPalette(&pal, 0, 256);
    bool ok = false;
    const std::string file = SaveBytes(image, 1, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(file.size(), 1078u + 2 * 4);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(file.substr(2, 4), LE32(1086));  // file size
    EXPECT_EQ(file.substr(10, 4), LE32(1078)); // pixel data offset
    EXPECT_EQ(file.substr(28, 2), LE16(8));    // bit count
    EXPECT_EQ(file.substr(46, 4), LE32(256));  // colours used
    EXPECT_EQ(file.substr(54 + 4 * 200, 4), Bytes({2, 1, 200, 3}));
    EXPECT_EQ(file.substr(1078), Bytes({4, 5, 6, 0, 1, 2, 3, 0})); // bottom line first
}

TEST(BMPCodec, SmallPaletteStillGivesAFullTable)
{
    KWOImage image(1u, 1u, 8u);
    FillBytes(image, {3});
    KWOPal pal(4u);
    pal.Entries()[3] = KWOColor{10, 20, 30, 0};
    image.SetPalette(&pal, 0, 4);
    bool ok = false;
    const std::string file = SaveBytes(image, 1, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(file.substr(10, 4), LE32(1078)); // the offset matches the table written
    EXPECT_EQ(file.substr(46, 4), LE32(4));    // colours used: the palette's size
    KWOImage back(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(back, file, 0));
    EXPECT_EQ(back.GetPixel(0, 0), 3u);
    EXPECT_EQ(back.Palette()->Entries()[3].g, 20);
}

TEST(BMPCodec, WriterRefusesEmptyImagesAndReportsFailedWrites)
{
    KWOImage empty(0u, 0u, 24u);
    bool ok = true;
    SaveBytes(empty, 1, &ok);
    EXPECT_FALSE(ok);

    // A memory stream too small for the pixels.
    KWOImage image(4u, 4u, 24u);
    image.Rectangle(0, 0, 4, 4, 0x123456, 0);
    KWOMemFile small(60, KWOResFile::ModeWrite);
    CapturedLog log;
    EXPECT_FALSE(image.Save(small, 1));
    EXPECT_EQ(log.Text(), "BMP: error writing data, line 0\n");
}
} // namespace
