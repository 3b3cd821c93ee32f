// Pictures written by another program (tests/data/images, made by
// make-fixtures.sh with ImageMagick) decode to the colours that program
// reads back from them, and every writer's output reads back the same.
#include "codec_test_support.h"

#include "files/KWOFile.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using namespace codec_test;

namespace
{
const std::string kDir = std::string(KWO_TEST_DATA_DIR) + "/images/";

struct Expected
{
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::string> colours; // RRGGBB or RRGGBBAA, row by row
};

std::map<std::string, Expected> ReadExpectations()
{
    std::map<std::string, Expected> all;
    std::ifstream in(kDir + "expected.txt");
    std::string name;
    Expected e;
    while (in >> name >> e.width >> e.height)
    {
        e.colours.resize(size_t(e.width) * e.height);
        for (auto& c : e.colours)
            in >> c;
        all[name] = e;
    }
    return all;
}

const std::map<std::string, Expected>& Expectations()
{
    static const std::map<std::string, Expected> all = ReadExpectations();
    return all;
}

// The colour of a pixel in the form of the expectations file. Pixels of
// 32-bit pictures keep their fourth byte inverted: 255 minus the alpha.
std::string ColourAt(const KWOImage& image, int x, int y, bool alpha)
{
    const unsigned v = image.GetPixel(x, y);
    unsigned r, g, b;
    char text[16];
    if (image.Bpp() == 8)
    {
        const KWOPal* pal = image.Palette();
        if (pal != nullptr && v < pal->Size())
        {
            const KWOColor& c = pal->Entries()[v];
            r = c.r, g = c.g, b = c.b;
        }
        else if (pal != nullptr)
            return "index-outside-palette";
        else
            r = g = b = v; // grey levels
    }
    else
    {
        r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
    }
    if (alpha)
        std::snprintf(text, sizeof text, "%02X%02X%02X%02X", r, g, b, 255 - (v >> 24));
    else
        std::snprintf(text, sizeof text, "%02X%02X%02X", r, g, b);
    return text;
}

void ExpectColours(const KWOImage& image, const Expected& e, const std::string& what)
{
    ASSERT_EQ(image.Width(), e.width) << what;
    ASSERT_EQ(image.Height(), e.height) << what;
    const bool alpha = !e.colours.empty() && e.colours[0].size() == 8;
    int wrong = 0;
    for (unsigned y = 0; y < e.height; ++y)
    {
        for (unsigned x = 0; x < e.width; ++x)
        {
            const std::string got = ColourAt(image, int(x), int(y), alpha);
            const std::string& want = e.colours[size_t(y) * e.width + x];
            if (got != want && wrong++ < 5)
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << got
                              << ", expected " << want;
        }
    }
    EXPECT_EQ(wrong, 0) << what << ": pixels that differ";
}

class Fixture : public ::testing::TestWithParam<const char*>
{
};

TEST_P(Fixture, DecodesAsTheOtherProgramDoes)
{
    const std::string name = GetParam();
    auto it = Expectations().find(name);
    ASSERT_NE(it, Expectations().end()) << name << " is missing from expected.txt";
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(image.LoadName((kDir + name).c_str(), 0)) << name;
    ExpectColours(image, it->second, name);
}

// Saved in each writer format and read back, the picture is the same: same
// depth, same pixel bytes (but the fourth byte of 32-bit pixels, which a TGA
// file gives back inverted), the same colours for 8-bit pictures.
TEST_P(Fixture, EveryWriterOutputReadsBackTheSame)
{
    const std::string name = GetParam();
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(image.LoadName((kDir + name).c_str(), 0)) << name;
    for (int format : {1, 2, 4, 5, 0})
    {
        const std::string what = name + " saved in format " + std::to_string(format);
        bool saved = false;
        const std::string file = SaveBytes(image, format, &saved);
        ASSERT_TRUE(saved) << what;
        KWOImage back(0u, 0u, 8u);
        ASSERT_TRUE(LoadBytes(back, file, 0)) << what;
        ASSERT_EQ(back.Width(), image.Width()) << what;
        ASSERT_EQ(back.Height(), image.Height()) << what;
        ASSERT_EQ(back.Bpp(), image.Bpp()) << what;
        std::string want = PixelBytes(image);
        const bool tga = format == 4 || format == 5 || (format == 0 && image.Bpp() > 8);
        if (tga && image.Bpp() == 32)
        {
            for (size_t i = 3; i < want.size(); i += 4)
                want[i] = static_cast<char>(255 - static_cast<unsigned char>(want[i]));
        }
        EXPECT_EQ(PixelBytes(back), want) << what;
        if (image.Bpp() == 8 && image.Palette() != nullptr)
        {
            ASSERT_NE(back.Palette(), nullptr) << what;
            ASSERT_GE(back.Palette()->Size(), image.Palette()->Size()) << what;
            for (unsigned i = 0; i < image.Palette()->Size(); ++i)
            {
                const KWOColor& a = image.Palette()->Entries()[i];
                const KWOColor& b = back.Palette()->Entries()[i];
                EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << what << ", entry " << i;
            }
        }
        else if (image.Bpp() == 8 && tga)
        {
            // Grey levels without a palette stay grey levels in a TGA file.
            EXPECT_EQ(back.Palette(), nullptr) << what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Images, Fixture,
    ::testing::Values("gif-2col.gif", "gif-16col.gif", "gif-16col-interlaced.gif", "gif-64col.gif",
                      "gif-two-images.gif", "gif-local-table.gif", "bmp-1bit.bmp", "bmp-4bit.bmp",
                      "bmp-8bit.bmp", "bmp-8bit-rle.bmp", "bmp-24bit.bmp", "bmp-24bit-v5.bmp",
                      "bmp-8bit-v5.bmp", "pcx-8bit.pcx", "pcx-24bit.pcx", "tga-mapped.tga",
                      "tga-mapped-rle.tga", "tga-24bit.tga", "tga-24bit-rle.tga",
                      "tga-24bit-topleft.tga", "tga-24bit-rle-topleft.tga", "tga-grey.tga",
                      "tga-grey-rle.tga", "tga-32bit.tga"),
    [](const ::testing::TestParamInfo<const char*>& info)
    {
        std::string n = info.param;
        for (char& c : n)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST(Fixtures, EveryExpectationHasATest)
{
    EXPECT_EQ(Expectations().size(), 24u);
}

// Depth and palette size of the files, as their headers say.
TEST(Fixtures, DepthsAndPaletteSizes)
{
    struct Case
    {
        const char* name;
        unsigned bpp;
        unsigned paletteSize; // 0: no palette
    };
    const Case cases[] = {
        {"gif-2col.gif", 8, 2},        {"gif-16col.gif", 8, 16},    {"gif-64col.gif", 8, 64},
        {"gif-local-table.gif", 8, 4}, {"bmp-1bit.bmp", 8, 2},      {"bmp-4bit.bmp", 8, 16},
        {"bmp-8bit.bmp", 8, 256},      {"bmp-8bit-v5.bmp", 8, 256}, {"bmp-24bit.bmp", 24, 0},
        {"pcx-8bit.pcx", 8, 256},      {"pcx-24bit.pcx", 24, 0},    {"tga-mapped.tga", 8, 29},
        {"tga-mapped-rle.tga", 8, 16}, {"tga-grey.tga", 8, 0},      {"tga-32bit.tga", 32, 0},
    };
    for (const Case& c : cases)
    {
        KWOImage image(0u, 0u, 8u);
        ASSERT_TRUE(image.LoadName((kDir + c.name).c_str(), 0)) << c.name;
        EXPECT_EQ(image.Bpp(), c.bpp) << c.name;
        EXPECT_EQ(image.Pitch(), image.Width() * image.BytesPerPixel()) << c.name;
        if (c.paletteSize == 0)
            EXPECT_EQ(image.Palette(), nullptr) << c.name;
        else if (image.Palette() == nullptr)
            ADD_FAILURE() << c.name << " has no palette";
        else
            EXPECT_EQ(image.Palette()->Size(), c.paletteSize) << c.name;
    }
}

TEST(Fixtures, OneBitBmpHasPixelValuesZeroAndOne)
{
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(image.LoadName((kDir + "bmp-1bit.bmp").c_str(), 1));
    bool seen[2] = {false, false};
    for (unsigned y = 0; y < image.Height(); ++y)
        for (unsigned x = 0; x < image.Width(); ++x)
        {
            const unsigned v = image.GetPixel(int(x), int(y));
            ASSERT_LE(v, 1u);
            seen[v] = true;
        }
    EXPECT_TRUE(seen[0] && seen[1]);
}

TEST(Fixtures, TwentyFourBitBmpGetPixelIsRGB)
{
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(image.LoadName((kDir + "bmp-24bit.bmp").c_str(), 1));
    EXPECT_EQ(image.GetPixel(0, 0), 0xFF0000u);
    EXPECT_EQ(image.GetPixel(6, 4), 0x112233u);
    // Memory holds blue, green, red.
    const unsigned char* last = image.Pixels() + 4 * image.Pitch() + 6 * 3;
    EXPECT_EQ(last[0], 0x33);
    EXPECT_EQ(last[1], 0x22);
    EXPECT_EQ(last[2], 0x11);
}

// POSIX cksum: CRC-32 (polynomial 0x04C11DB7, most significant bit first)
// over the data and then the length, inverted.
uint32_t PosixCksum(const std::string& data)
{
    uint32_t crc = 0;
    auto add = [&crc](unsigned char byte)
    {
        crc ^= uint32_t(byte) << 24;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    };
    for (char c : data)
        add(static_cast<unsigned char>(c));
    for (size_t n = data.size(); n != 0; n >>= 8)
        add(static_cast<unsigned char>(n & 0xFF));
    return ~crc;
}

// The two 640 x 480 benchmark pictures exercise what the small files
// cannot: full code tables, 12-bit codes, clear codes mid-image.
TEST(Fixtures, LargeGifsDecodeAsTheOtherProgramDoes)
{
    std::ifstream in(kDir + "bench/expected-cksum.txt");
    std::string name;
    uint32_t sum = 0;
    size_t length = 0;
    int files = 0;
    while (in >> name >> sum >> length)
    {
        ++files;
        KWOImage image(0u, 0u, 8u);
        ASSERT_TRUE(image.LoadName((kDir + name).c_str(), 0)) << name;
        ASSERT_NE(image.Palette(), nullptr) << name;
        std::string rgb;
        for (unsigned y = 0; y < image.Height(); ++y)
            for (unsigned x = 0; x < image.Width(); ++x)
            {
                const unsigned v = image.GetPixel(int(x), int(y));
                ASSERT_LT(v, image.Palette()->Size());
                const KWOColor& c = image.Palette()->Entries()[v];
                rgb += static_cast<char>(c.r);
                rgb += static_cast<char>(c.g);
                rgb += static_cast<char>(c.b);
            }
        EXPECT_EQ(rgb.size(), length) << name;
        EXPECT_EQ(PosixCksum(rgb), sum) << name;
    }
    EXPECT_EQ(files, 2);
}
} // namespace
