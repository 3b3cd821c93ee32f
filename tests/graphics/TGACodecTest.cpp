// The TGA reader and writers on hand-made files and images.
#include "codec_test_support.h"

#include "support/CapturedLog.h"

#include <gtest/gtest.h>

using namespace codec_test;

namespace
{
struct TgaHeader
{
    int idLength = 0;
    int mapType = 0;
    int type = 2;
    unsigned mapFirst = 0;
    unsigned mapLength = 0;
    int mapBits = 0;
    unsigned width = 1;
    unsigned height = 1;
    int depth = 24;
    int descriptor = 0;

    std::string Bytes() const
    {
        return codec_test::Bytes({idLength, mapType, type}) + LE16(mapFirst) + LE16(mapLength) +
               static_cast<char>(mapBits) + LE16(0) + LE16(0) + LE16(width) + LE16(height) +
               static_cast<char>(depth) + static_cast<char>(descriptor);
    }
};

TEST(TGACodec, OrientationFollowsTheDescriptor)
{
    TgaHeader h;
    h.type = 3;
    h.depth = 8;
    h.width = 2;
    h.height = 2;
    const std::string data = Bytes({1, 2, 3, 4});
    KWOImage image(0u, 0u, 8u);
    h.descriptor = 0x20;
    ASSERT_TRUE(LoadBytes(image, h.Bytes() + data, 4));
    EXPECT_EQ(PixelBytes(image), Bytes({1, 2, 3, 4}));
    h.descriptor = 0;
    ASSERT_TRUE(LoadBytes(image, h.Bytes() + data, 0));
    EXPECT_EQ(PixelBytes(image), Bytes({3, 4, 1, 2}));
    h.descriptor = 0x10; // right to left: ignored
    ASSERT_TRUE(LoadBytes(image, h.Bytes() + data, 0));
    EXPECT_EQ(PixelBytes(image), Bytes({3, 4, 1, 2}));
}

TEST(TGACodec, ColourMapWithFirstEntryAndId)
{
    TgaHeader h;
    h.idLength = 3;
    h.mapType = 1;
    h.type = 1;
    h.mapFirst = 1;
    h.mapLength = 3;
    h.mapBits = 32;
    h.depth = 8;
    h.width = 2;
    const std::string map = Bytes({9, 9, 9, 9, 1, 2, 3, 4, 5, 6, 7, 8}); // the first is skipped
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, h.Bytes() + "abc" + map + Bytes({1, 0}), 0));
    EXPECT_EQ(PixelBytes(image), Bytes({1, 0}));
    ASSERT_NE(image.Palette(), nullptr);
    ASSERT_EQ(image.Palette()->Size(), 2u);
    const KWOColor c = image.Palette()->Entries()[1];
    EXPECT_TRUE(c.r == 7 && c.g == 6 && c.b == 5 && c.a == 0);

    // A map that ends up empty takes the image's palette away.
    h.idLength = 0;
    h.mapFirst = 2;
    h.mapLength = 2;
    ASSERT_TRUE(LoadBytes(image, h.Bytes() + map.substr(0, 8) + Bytes({0, 0}), 0));
    EXPECT_EQ(image.Palette(), nullptr);
}

TEST(TGACodec, PacketsRunOnAcrossLines)
{
    TgaHeader h;
    h.type = 10;
    h.width = 3;
    h.height = 2;
    h.descriptor = 0x20;
    // A run of 4 pixels over both lines, then 2 raw pixels.
    const std::string data = Bytes({0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9});
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, h.Bytes() + data, 0));
    EXPECT_EQ(image.GetPixel(2, 0), 0x030201u);
    EXPECT_EQ(image.GetPixel(0, 1), 0x030201u);
    EXPECT_EQ(image.GetPixel(1, 1), 0x060504u);
    EXPECT_EQ(image.GetPixel(2, 1), 0x090807u);
}

TEST(TGACodec, ThirtyTwoBitFourthByteIsInvertedOnReading)
{
    TgaHeader h;
    h.depth = 32;
    h.width = 2;
    h.descriptor = 8;
    const std::string data = Bytes({1, 2, 3, 0xFF, 4, 5, 6, 0x10});
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, h.Bytes() + data, 0));
    EXPECT_EQ(PixelBytes(image), Bytes({1, 2, 3, 0, 4, 5, 6, 0xEF}));
    // Saved again, the fourth bytes are what the image holds.
    bool ok = false;
    const std::string file = SaveBytes(image, 4, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(file.size(), 18u + 8);
    EXPECT_EQ(file.substr(2, 1), "\x02");
    EXPECT_EQ(file.substr(16, 2), Bytes({32, 8}));
    EXPECT_EQ(file.substr(18), Bytes({1, 2, 3, 0, 4, 5, 6, 0xEF}));
}

TEST(TGACodec, RunLengthWriterPacksEachLine)
{
    KWOImage image(7u, 2u, 8u);
    FillBytes(image, {1, 1, 1, 2, 3, 4, 4, // top
                      5, 6, 7, 8, 9, 9, 10});
    bool ok = false;
    const std::string file = SaveBytes(image, 5, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(file.substr(0, 3), Bytes({0, 0, 11})); // grey levels, run-length encoded
    EXPECT_EQ(file.substr(18), Bytes({0x03, 5, 6, 7, 8, 0x81, 9, 0x00, 10, // bottom line
                                      0x82, 1, 0x01, 2, 3, 0x81, 4}));
    // Runs longer than a packet are split.
    KWOImage wide(300u, 1u, 24u);
    wide.Rectangle(0, 0, 300, 1, 0xABCDEF, 0);
    const std::string wideFile = SaveBytes(wide, 5, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(wideFile.substr(18),
              Bytes({0xFF, 0xEF, 0xCD, 0xAB, 0xFF, 0xEF, 0xCD, 0xAB, 0xAB, 0xEF, 0xCD, 0xAB}));
    KWOImage back(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(back, wideFile, 0));
    EXPECT_EQ(PixelBytes(back), PixelBytes(wide));
}

TEST(TGACodec, PaletteImagesAreWrittenColourMapped)
{
    KWOImage image(2u, 1u, 8u);
    FillBytes(image, {0, 2});
    KWOPal pal(3u);
    pal.Entries()[2] = KWOColor{10, 20, 30, 40};
    image.SetPalette(&pal, 0, 3);
    bool ok = false;
    const std::string file = SaveBytes(image, 4, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(file.substr(0, 8), Bytes({0, 1, 1, 0, 0, 3, 0, 24}));
    EXPECT_EQ(file.substr(18 + 6, 3), Bytes({30, 20, 10}));
    EXPECT_EQ(file.substr(27), Bytes({0, 2}));
}

TEST(TGACodec, SixteenBitImagesAreRefused)
{
    for (int format : {4, 5})
    {
        CapturedLog log;
        KWOImage image(2u, 2u, 16u);
        bool ok = true;
        SaveBytes(image, format, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(log.Text(), "TGA: can not handle 16 bits image.\n");
    }
}

TEST(TGACodec, WritersReportAFullStream)
{
    KWOImage image(8u, 8u, 24u);
    image.Rectangle(0, 0, 8, 8, 0x010203, 0);
    for (int format : {4, 5})
    {
        KWOMemFile small(40, KWOResFile::ModeWrite);
        EXPECT_FALSE(image.Save(small, format));
    }
}

struct Failure
{
    const char* what;
    std::string file;
    const char* message;
};

TEST(TGACodec, FailuresGiveTheirMessages)
{
    TgaHeader mapped;
    mapped.mapType = 1;
    mapped.type = 1;
    mapped.mapLength = 2;
    mapped.mapBits = 24;
    mapped.depth = 8;
    TgaHeader mapped24 = mapped;
    mapped24.depth = 24;
    TgaHeader mapped16 = mapped;
    mapped16.mapBits = 16;
    TgaHeader badMap = mapped;
    badMap.mapType = 2;
    TgaHeader type5;
    type5.type = 5;
    TgaHeader depth12;
    depth12.depth = 12;
    TgaHeader cmStart = mapped;
    cmStart.mapFirst = 3;
    TgaHeader big;
    big.width = 60000;
    big.height = 60000;
    big.depth = 32;
    TgaHeader rle;
    rle.type = 10;
    rle.width = 2;
    rle.height = 2;
    TgaHeader plain;
    plain.width = 2;
    plain.height = 2;
    const Failure cases[] = {
        {"short header", plain.Bytes().substr(0, 17), "TGA:: bad format\n"},
        {"colour map type 2", badMap.Bytes() + "abcdef", "TGA:: bad format\n"},
        {"type 5", type5.Bytes() + "abc", "TGA:: Unsupported type 5\n"},
        {"depth 12", depth12.Bytes() + "abc", "TGA:: bad format\n"},
        {"map at 24 bits", mapped24.Bytes() + "abcdefabc", "TGA: Error colormap in 3 bits mode\n"},
        {"16-bit map entries", mapped16.Bytes() + "abcd" + "x",
         "TGA: error in colormap depth = 2 bytes.\n"},
        {"short map", mapped.Bytes() + "abcd", "TGA: Error reading palette\n"},
        // First entry past the length: the whole length is read after it.
        {"cmstart > cmlen", cmStart.Bytes() + std::string(9, 'p') + "abcdef",
         "TGA: Error, cmstart > cmlen !\nTGA: Error reading data, line 0, x= 0"},
        {"huge picture", big.Bytes() + "abc", "TGA: not enough memory\n"},
        // Bottom line first: the second file line is row 0.
        {"short data", plain.Bytes() + "abcdefghi", "TGA: Error reading data, line 0, x= 3"},
        {"short packet", rle.Bytes() + Bytes({0x01, 1, 2, 3, 4, 5, 6, 0x81, 1}),
         "TGA: Error reading data, line 0, x= 0"},
        {"short raw packet", rle.Bytes() + Bytes({0x03, 1, 2, 3, 4, 5, 6, 7, 8}),
         "TGA: Error reading data, line 0, x= 2"},
        // Four pixels need at least one packet of 1 + 3 bytes.
        {"no room for a packet", rle.Bytes() + Bytes({0x83, 1, 2}),
         "TGA: run-length data too short for 2 x 2 pixels\n"},
    };
    for (const Failure& c : cases)
    {
        CapturedLog log;
        KWOImage image(0u, 0u, 8u);
        EXPECT_FALSE(LoadBytes(image, c.file, 4)) << c.what;
        EXPECT_EQ(log.Text(), c.message) << c.what;
        EXPECT_EQ(image.Pixels() == nullptr, image.Pitch() == 0) << c.what;
    }
    // A failed read keeps the lines it decoded and clears the others.
    KWOImage image(0u, 0u, 8u);
    EXPECT_FALSE(LoadBytes(image, rle.Bytes() + Bytes({0x03, 1, 2, 3, 4, 5, 6, 7, 8}), 4));
    EXPECT_EQ(PixelBytes(image), std::string(6, '\0') + Bytes({1, 2, 3, 4, 5, 6}));
}
} // namespace
