// The PCX reader and writer on hand-made files and images.
#include "codec_test_support.h"

#include "support/CapturedLog.h"

#include <gtest/gtest.h>

using namespace codec_test;

namespace
{
// A 128-byte PCX header.
std::string PcxHeader(unsigned w, unsigned h, unsigned planes, unsigned bytesPerLine,
                      int bitsPerPlane = 8, int version = 5)
{
    std::string s = Bytes({10, version, 1, bitsPerPlane}) + LE16(0) + LE16(0) + LE16(w - 1) +
                    LE16(h - 1) + LE16(72) + LE16(72) + std::string(48, '\0') + '\0' +
                    static_cast<char>(planes) + LE16(bytesPerLine) + LE16(1);
    return s + std::string(128 - s.size(), '\0');
}

TEST(PCXCodec, PlanesRunsAndPadding)
{
    // 3 x 2, 3 planes, 4 bytes per line (one padding position).
    const std::string data = Bytes({
        0xC3, 0x11, 0x99,       // red plane: run of 3 (the last one is padding)
        0x01, 0x02, 0x03, 0x04, // green plane
        0xC4, 0x30,             // blue plane: run of 4
        0xC5, 0x55,             // red, second line: a run of 5 stops at the line's end
        0x06, 0x07, 0x08, 0x09, // green
        0x0A, 0x0B, 0x0C, 0x0D, // blue
    });
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, PcxHeader(3, 2, 3, 4) + data, 0));
    EXPECT_EQ(image.Bpp(), 24u);
    EXPECT_EQ(image.GetPixel(0, 0), 0x110130u);
    EXPECT_EQ(image.GetPixel(2, 0), 0x110330u);
    EXPECT_EQ(image.GetPixel(0, 1), 0x55060Au);
    EXPECT_EQ(image.GetPixel(2, 1), 0x55080Cu);
}

TEST(PCXCodec, TrailingPaletteOnlyWhenPresent)
{
    const std::string pixels = Bytes({0x05, 0xC2, 0xF0}); // 1 plane, 3 x 1
    std::string palette = "\x0C";
    for (int i = 0; i < 256; ++i)
        palette += Bytes({i, 255 - i, 7});
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, PcxHeader(3, 1, 1, 3) + pixels + palette, 2));
    EXPECT_EQ(PixelBytes(image), Bytes({5, 0xF0, 0xF0}));
    ASSERT_NE(image.Palette(), nullptr);
    ASSERT_EQ(image.Palette()->Size(), 256u);
    const KWOColor c = image.Palette()->Entries()[0xF0];
    EXPECT_TRUE(c.r == 0xF0 && c.g == 0x0F && c.b == 7 && c.a == 0);

    KWOImage plain(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(plain, PcxHeader(3, 1, 1, 3) + pixels, 0));
    EXPECT_EQ(plain.Palette(), nullptr);
    // A palette cut short is no palette either.
    ASSERT_TRUE(LoadBytes(plain, PcxHeader(3, 1, 1, 3) + pixels + palette.substr(0, 100), 0));
    EXPECT_EQ(plain.Palette(), nullptr);
    // Other versions have none.
    ASSERT_TRUE(LoadBytes(plain, PcxHeader(3, 1, 1, 3, 8, 3) + pixels + palette, 2));
    EXPECT_EQ(plain.Palette(), nullptr);
}

TEST(PCXCodec, FourBitsPerPlaneIsRefusedOnStandardError)
{
    CapturedLog log;
    KWOImage image(0u, 0u, 8u);
    ::testing::internal::CaptureStderr();
    const bool loaded = LoadBytes(image, PcxHeader(4, 4, 1, 2, 4) + std::string(16, '\0'), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(err, "PCX: format not supported, 4 bits per pixel.\n");
    EXPECT_EQ(log.Text(), "");
}

TEST(PCXCodec, OtherHeadersAndShortDataFailQuietly)
{
    const std::string good = PcxHeader(2, 2, 1, 2) + Bytes({1, 2, 3, 4});
    std::string notPcx = good;
    notPcx[0] = 11;
    std::string notRle = good;
    notRle[2] = 0;
    const std::string cases[] = {
        notPcx,
        notRle,
        good.substr(0, 60),                                 // short header
        PcxHeader(2, 2, 2, 2) + std::string(8, '\0'),       // 2 planes
        PcxHeader(2, 2, 1, 2).replace(8, 2, LE16(0xFFFE)) + // xmax < xmin
            "ab",
        good.substr(0, good.size() - 1), // data end early
    };
    for (const std::string& file : cases)
    {
        CapturedLog log;
        KWOImage image(0u, 0u, 8u);
        EXPECT_FALSE(LoadBytes(image, file, 2));
        EXPECT_EQ(log.Text(), "");
    }
}

TEST(PCXCodec, WrittenFilesReadBack)
{
    // 24 bits, odd width, values that need the run form (top bits set).
    KWOImage image(5u, 3u, 24u);
    const unsigned colours[] = {0xC0FFEE, 0x00C1C2, 0x123456, 0x123456, 0xFFFFFF,
                                0x000000, 0x3F3F3F, 0x404040, 0xC0C0C0, 0xC0C0C0,
                                0x010203, 0x010203, 0x010203, 0x010203, 0x010203};
    for (int i = 0; i < 15; ++i)
        image.Rectangle(i % 5, i / 5, 1, 1, colours[i], 0);
    bool ok = false;
    const std::string file = SaveBytes(image, 2, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(file.substr(0, 4), Bytes({10, 5, 1, 8}));
    EXPECT_EQ(file.substr(8, 4), LE16(4) + LE16(2));
    EXPECT_EQ(file[65], 3);
    EXPECT_EQ(file.substr(66, 4), LE16(6) + LE16(1));
    // First plane line (red): C0 as a run, 00, 12 as a run of 2, FF as a run,
    // then the padding byte.
    EXPECT_EQ(file.substr(128, 8), Bytes({0xC1, 0xC0, 0x00, 0xC2, 0x12, 0xC1, 0xFF, 0x00}));
    KWOImage back(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(back, file, 0));
    EXPECT_EQ(back.Bpp(), 24u);
    EXPECT_EQ(PixelBytes(back), PixelBytes(image));

    // 8 bits: runs of at most 63, the palette after the data padded to 256.
    KWOImage indexed(70u, 1u, 8u);
    indexed.Rectangle(0, 0, 70, 1, 0x21, 0);
    KWOPal pal(2u);
    pal.Entries()[1] = KWOColor{9, 8, 7, 6};
    indexed.SetPalette(&pal, 0, 2);
    const std::string file8 = SaveBytes(indexed, 0, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(file8.size(), 128u + 4 + 769);
    EXPECT_EQ(file8.substr(128, 4), Bytes({0xFF, 0x21, 0xC7, 0x21}));
    EXPECT_EQ(file8.substr(132, 7), Bytes({12, 0, 0, 0, 9, 8, 7}));
    ASSERT_TRUE(LoadBytes(back, file8, 0));
    EXPECT_EQ(PixelBytes(back), PixelBytes(indexed));
    EXPECT_EQ(back.Palette()->Size(), 256u);
}

TEST(PCXCodec, WriterRefusals)
{
    bool ok = true;
    KWOImage sixteen(2u, 2u, 16u);
    SaveBytes(sixteen, 2, &ok);
    EXPECT_FALSE(ok);
    KWOImage fifteen(2u, 2u, 15u);
    SaveBytes(fifteen, 2, &ok);
    EXPECT_FALSE(ok);

    KWOImage image(4u, 4u, 8u);
    image.Rectangle(0, 0, 4, 4, 1, 0);
    {
        CapturedLog log;
        KWOMemFile tiny(100, KWOResFile::ModeWrite);
        EXPECT_FALSE(image.Save(tiny, 2));
        EXPECT_EQ(log.Text(), "PCX: Error writing header\n");
    }
    {
        // Room for the header, the pixels (4 lines of one run), the marker
        // and 10 colours.
        CapturedLog log;
        KWOMemFile small(128 + 8 + 1 + 30, KWOResFile::ModeWrite);
        EXPECT_FALSE(image.Save(small, 2));
        EXPECT_EQ(log.Text(), "PCX: error writing color index 10\n");
    }
}
} // namespace
