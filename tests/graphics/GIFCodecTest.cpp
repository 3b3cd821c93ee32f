// The GIF reader on hand-made files: row order, which image and colour
// table count, data that end early or go wrong, and the failure messages.
#include "codec_test_support.h"

#include "support/CapturedLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace codec_test;

namespace
{
std::vector<uint8_t> Ramp(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i);
    return v;
}

TEST(GIFCodec, InterlacedRowsComeInFourPasses)
{
    // One pixel per row; the n-th row of the file holds the value n.
    const std::string file = GifHeader(1, 10, 3) + GifImage(1, 10, Ramp(10), 0x40) + ";";
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, file, 0));
    const int rowOfFileLine[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    for (unsigned n = 0; n < 10; ++n)
        EXPECT_EQ(image.GetPixel(0, rowOfFileLine[n]), n) << "file line " << n;

    // Every height up to 40, rows of 3 pixels: the passes in their order,
    // with all the data and with data that end halfway through a line.
    for (unsigned h = 1; h <= 40; ++h)
    {
        static const unsigned first[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        std::vector<unsigned> rows; // the row of each file line
        for (unsigned pass = 0; pass < 4; ++pass)
            for (unsigned y = first[pass]; y < h; y += step[pass])
                rows.push_back(y);
        std::vector<uint8_t> pixels;
        for (unsigned n = 0; n < h; ++n)
            pixels.insert(pixels.end(), {uint8_t(n + 1), uint8_t(n + 100), uint8_t(n + 1)});
        for (size_t count : {pixels.size(), pixels.size() / 2})
        {
            const std::vector<uint8_t> part(pixels.begin(), pixels.begin() + count);
            const std::string file = GifHeader(3, h, 7) + "," + LE16(0) + LE16(0) + LE16(3) +
                                     LE16(h) + '\x40' + '\x08' +
                                     SubBlocks(LiteralLZW(part, 8, false));
            ASSERT_TRUE(LoadBytes(image, file, 3));
            for (unsigned n = 0; n < h; ++n)
                for (unsigned x = 0; x < 3; ++x)
                    EXPECT_EQ(image.GetPixel(int(x), int(rows[n])),
                              3 * n + x < count ? pixels[3 * n + x] : 0u)
                        << h << " rows, " << count << " pixels, file line " << n << ", x " << x;
        }
    }
}

// LZW data of `count` pixels of one value, in the fewest codes: after the
// value itself each code is the one being defined (strings of 2, 3, ...
// pixels) until the table is full, then the longest string again and again.
std::string OneValueLZW(uint8_t value, unsigned codeSize, uint64_t count)
{
    const unsigned clear = 1u << codeSize;
    std::string out;
    uint64_t acc = 0;
    unsigned bits = 0, width = codeSize + 1;
    auto put = [&](unsigned code)
    {
        acc |= uint64_t(code) << bits;
        for (bits += width; bits >= 8; bits -= 8, acc >>= 8)
            out += static_cast<char>(acc & 0xFF);
    };
    put(clear);
    put(value);
    uint64_t done = 1;   // pixels so far
    unsigned length = 1; // of the last string
    for (unsigned next = clear + 2; done < count && next < 4096;)
    {
        put(next++);
        done += ++length;
        if (next == (1u << width) && width < 12)
            ++width;
    }
    for (; done < count; done += length)
        put(4095);
    put(clear + 1);
    if (bits > 0)
        out += static_cast<char>(acc & 0xFF);
    return out;
}

TEST(GIFCodec, LargeOneColourPictureLoadsExactly)
{
    // 8192 x 8192 pixels of colour 1, plain and interlaced, in 27 KB.
    const unsigned side = 8192;
    const std::string data = SubBlocks(OneValueLZW(1, 2, uint64_t(side) * side));
    EXPECT_LT(data.size(), 30000u);
    for (unsigned char flags : {0x00, 0x40})
    {
        const std::string file = GifHeader(side, side, 1) + "," + LE16(0) + LE16(0) + LE16(side) +
                                 LE16(side) + static_cast<char>(flags) + '\x02' + data + ";";
        KWOImage image(0u, 0u, 8u);
        ASSERT_TRUE(LoadBytes(image, file, 0));
        ASSERT_EQ(image.Width(), side);
        ASSERT_EQ(image.Height(), side);
        const unsigned char* p = image.Pixels();
        const unsigned char* end = p + size_t(side) * side;
        EXPECT_EQ(std::find_if(p, end, [](unsigned char v) { return v != 1; }), end) << int(flags);
    }
}

TEST(GIFCodec, FirstOfTwoImagesAfterExtensionsWithLocalTable)
{
    // A comment and a graphic control extension, then an image with a local
    // table of 4 entries, then a second image.
    std::string local;
    for (int i = 0; i < 4; ++i)
        local += Bytes({200 + i, 100 + i, i});
    const std::string file = GifHeader(2, 2, 0) + "!\xFE" + SubBlocks("a comment") + "!\xF9" +
                             SubBlocks(Bytes({1, 10, 0, 3})) + "," + LE16(0) + LE16(0) + LE16(2) +
                             LE16(2) + '\x81' + local + '\x08' +
                             SubBlocks(LiteralLZW({3, 2, 1, 0}, 8)) + GifImage(2, 1, {0, 0}) + ";";
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, file, 0));
    EXPECT_EQ(image.Width(), 2u);
    EXPECT_EQ(image.Height(), 2u);
    EXPECT_EQ(PixelBytes(image), std::string("\3\2\1\0", 4));
    ASSERT_NE(image.Palette(), nullptr);
    ASSERT_EQ(image.Palette()->Size(), 4u);
    EXPECT_EQ(image.Palette()->Entries()[3].r, 203);
    EXPECT_EQ(image.Palette()->Entries()[3].g, 103);
    EXPECT_EQ(image.Palette()->Entries()[3].b, 3);
}

TEST(GIFCodec, CodesOfGrowingWidthAndRepeatedStrings)
{
    // Runs make the encoder's strings grow and the code width pass 9 bits;
    // the data come from a small encoder written here.
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 3000; ++i)
        pixels.push_back(static_cast<uint8_t>((i / 7) % 5 + (i % 3 == 0 ? 10 : 0)));
    // LZW encoder, code size 8, no clear code after the first.
    std::string data;
    {
        std::map<std::pair<int, int>, int> table;
        int next = 258, width = 9;
        uint32_t acc = 0;
        int bits = 0;
        auto put = [&](int code)
        {
            acc |= uint32_t(code) << bits;
            bits += width;
            while (bits >= 8)
            {
                data += static_cast<char>(acc & 0xFF);
                acc >>= 8;
                bits -= 8;
            }
        };
        put(256);
        int prefix = pixels[0];
        for (size_t i = 1; i < pixels.size(); ++i)
        {
            auto it = table.find({prefix, pixels[i]});
            if (it != table.end())
            {
                prefix = it->second;
                continue;
            }
            put(prefix);
            if (next >= (1 << width) && width < 12)
                ++width;
            if (next < 4096)
                table[{prefix, pixels[i]}] = next++;
            prefix = pixels[i];
        }
        put(prefix);
        put(257);
        if (bits > 0)
            data += static_cast<char>(acc & 0xFF);
    }
    const std::string file = GifHeader(100, 30, 7) + "," + LE16(0) + LE16(0) + LE16(100) +
                             LE16(30) + '\0' + '\x08' + SubBlocks(data) + ";";
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, file, 0));
    EXPECT_EQ(PixelBytes(image), std::string(pixels.begin(), pixels.end()));
}

TEST(GIFCodec, DataEndingEarlyLeaveTheRestCleared)
{
    // An image that held other pixels first: nothing of them may show.
    KWOImage image(4u, 4u, 8u);
    image.Rectangle(0, 0, 4, 4, 0xAB, 0);
    std::string data = LiteralLZW({7, 7, 7}, 8, false);
    const std::string file = GifHeader(4, 4, 3) + "," + LE16(0) + LE16(0) + LE16(4) + LE16(4) +
                             '\0' + '\x08' + SubBlocks(data); // no trailer either
    ASSERT_TRUE(LoadBytes(image, file, 0));
    EXPECT_EQ(PixelBytes(image), std::string("\7\7\7", 3) + std::string(13, '\0'));

    // The same with an interlaced image: rows 0 and 8 of 10 first.
    KWOImage interlaced(0u, 0u, 8u);
    const std::string half = GifHeader(2, 10, 3) + "," + LE16(0) + LE16(0) + LE16(2) + LE16(10) +
                             '\x40' + '\x08' + SubBlocks(LiteralLZW({1, 2, 3, 4}, 8, false));
    ASSERT_TRUE(LoadBytes(interlaced, half, 0));
    std::string want(20, '\0');
    want[0] = 1, want[1] = 2, want[16] = 3, want[17] = 4;
    EXPECT_EQ(PixelBytes(interlaced), want);
}

TEST(GIFCodec, UndefinedCodeEndsTheDecoding)
{
    // After the clear code, code 258 (not defined yet) refers to itself.
    std::string data;
    const unsigned codes[] = {256, 5, 6, 300, 7, 257};
    uint32_t acc = 0;
    int bits = 0;
    for (unsigned c : codes)
    {
        acc |= c << bits;
        bits += 9;
        while (bits >= 8)
        {
            data += static_cast<char>(acc & 0xFF);
            acc >>= 8;
            bits -= 8;
        }
    }
    data += static_cast<char>(acc);
    const std::string file = GifHeader(3, 2, 7) + "," + LE16(0) + LE16(0) + LE16(3) + LE16(2) +
                             '\0' + '\x08' + SubBlocks(data) + ";";
    KWOImage image(0u, 0u, 8u);
    ASSERT_TRUE(LoadBytes(image, file, 0));
    EXPECT_EQ(PixelBytes(image), std::string("\5\6\0\0\0\0", 6));
}

struct Failure
{
    const char* what;
    std::string file;
    const char* message;
};

TEST(GIFCodec, FailuresGiveTheirMessages)
{
    const std::string header = GifHeader(2, 2, 1);
    const std::string descriptor = "," + LE16(0) + LE16(0) + LE16(2) + LE16(2);
    const Failure cases[] = {
        {"bad magic", "GIF88a" + std::string(20, '\0'), "GIF: error reading magic number\n"},
        {"short magic", "GIF8", "GIF: error reading magic number\n"},
        {"short screen", "GIF87a\1\0\1", "GIF: failed to read screen descriptor\n"},
        {"short global table", "GIF89a" + LE16(1) + LE16(1) + Bytes({0x81, 0, 0}) + "abcdef",
         "GIF: bad colormap\nGIF: error reading global colormap\n"},
        {"short local table", header + descriptor + '\x82' + "abc",
         "GIF: bad colormap\nGIF: error reading local colormap\n"},
        {"trailer first", header + "!\xFE" + SubBlocks("x") + ";",
         "GIF: only 0/1 images found in file\n"},
        {"end before an image", header + "\x01\x02", "GIF: EOF / read error on image data\n"},
        {"end in an extension", header + "!", "GIF: EOF / read error on extension function code\n"},
        {"short descriptor", header + "," + LE16(0) + LE16(0) + LE16(2),
         "GIF: couldn't read left/top/width/height\n"},
        {"no code size", header + descriptor + '\0', "GIF: EOF / read error on image data\n"},
        {"code size 12", header + descriptor + '\0' + '\x0C' + SubBlocks("ab"),
         "GIF: error reading image\n"},
        {"empty image",
         header + "," + LE16(0) + LE16(0) + LE16(0) + LE16(2) + '\0' + '\x08' + SubBlocks("ab"),
         "GIF: error reading image\n"},
        // 65535 x 65535 pixels from a few bytes: refused before allocating.
        {"huge image",
         header + "," + LE16(0) + LE16(0) + LE16(65535) + LE16(65535) + '\0' + '\x08' +
             SubBlocks("ab"),
         "GIF: error reading image\n"},
    };
    for (const Failure& c : cases)
    {
        CapturedLog log;
        KWOImage image(0u, 0u, 8u);
        EXPECT_FALSE(LoadBytes(image, c.file, 3)) << c.what;
        EXPECT_EQ(log.Text(), c.message) << c.what;
        EXPECT_EQ(image.Pixels() == nullptr, image.Pitch() == 0) << c.what;
    }
}
} // namespace
