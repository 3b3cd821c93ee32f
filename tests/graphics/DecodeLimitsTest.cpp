// The decoding limits of KWOImage::Load, and tiny files that declare huge
// pictures (tests/data/images/hostile): each is refused from its header,
// with a message, before any pixel memory is taken.
#include "codec_test_support.h"

#include "support/CapturedLog.h"

#include <gtest/gtest.h>

using namespace codec_test;

namespace
{
// Puts the default limits back when a test ends.
struct LimitsGuard
{
    ~LimitsGuard()
    {
        KWOImage::SetDecodeLimits(KWOImage::DefaultMaxDecodeSide, KWOImage::DefaultMaxDecodeSide,
                                  KWOImage::DefaultMaxDecodePixels);
    }
};

struct Hostile
{
    const char* file;
    std::string withDefaults; // the message with the default limits
    // The message without limits, from the checks of the format; empty: not
    // tried (the picture is valid, only too large).
    std::string lifted;
};

// The message of a picture over the default limits.
std::string OverDefaults(const char* format, unsigned w, unsigned h)
{
    return std::string(format) + ": picture of " + std::to_string(w) + " x " + std::to_string(h) +
           " pixels is over the decoding limits (16384 x 16384, 67108864 pixels)\n";
}

TEST(DecodeLimits, HostileFilesAreRefusedFromTheirHeaders)
{
    LimitsGuard guard;
    const Hostile cases[] = {
        {"bmp-rle8-16384x16384-eop.bmp", OverDefaults("BMP", 16384, 16384), ""},
        {"gif-16384x16384-empty.gif", OverDefaults("GIF", 16384, 16384), ""},
        {"gif-16384x16384-interlaced-empty.gif", OverDefaults("GIF", 16384, 16384), ""},
        {"gif-lzw-chain-5k.gif", OverDefaults("GIF", 16384, 16384), ""},
        {"gif-17993x14648-a.gif", OverDefaults("GIF", 17993, 14648), ""},
        {"gif-17993x14648-b.gif", OverDefaults("GIF", 17993, 14648), ""},
        {"gif-6870x14732-bad-code-size.gif", "GIF: error reading image\n",
         "GIF: error reading image\n"},
        {"pcx-16384x16384-bpl0.pcx", OverDefaults("PCX", 16384, 16384),
         "PCX: 0 bytes per line cannot hold a line of 16384 pixels\n"},
        {"pcx-3124x57089-bpl7.pcx", OverDefaults("PCX", 3124, 57089),
         "PCX: 7 bytes per line cannot hold a line of 3124 pixels\n"},
        {"tga-rle-65535x1024x32-empty.tga", OverDefaults("TGA", 65535, 1024),
         "TGA: run-length data too short for 65535 x 1024 pixels\n"},
    };
    for (const Hostile& c : cases)
    {
        const std::string bytes =
            ReadFileBytes(std::string(KWO_TEST_DATA_DIR) + "/images/hostile/" + c.file);
        ASSERT_FALSE(bytes.empty()) << c.file;
        for (bool lifted : {false, true})
        {
            if (lifted && c.lifted.empty())
                continue;
            const unsigned none = 0xFFFFFFFFu;
            if (lifted)
                KWOImage::SetDecodeLimits(none, none, none);
            else
                KWOImage::SetDecodeLimits(16384, 16384, 1u << 26);
            CapturedLog log;
            KWOImage image(2u, 2u, 8u);
            EXPECT_FALSE(LoadBytes(image, bytes, 0)) << c.file;
            EXPECT_EQ(log.Text(), lifted ? c.lifted : c.withDefaults) << c.file;
            EXPECT_EQ(image.Pixels() == nullptr, image.Pitch() == 0) << c.file;
        }
    }
}

TEST(DecodeLimits, EveryReaderKeepsToTheLimitsSet)
{
    LimitsGuard guard;
    EXPECT_EQ(KWOImage::MaxDecodeWidth(), 16384u);
    EXPECT_EQ(KWOImage::MaxDecodeHeight(), 16384u);
    EXPECT_EQ(KWOImage::MaxDecodePixels(), 1u << 26);
    KWOImage::SetDecodeLimits(20, 10, 150);
    EXPECT_EQ(KWOImage::MaxDecodeWidth(), 20u);
    EXPECT_EQ(KWOImage::MaxDecodeHeight(), 10u);
    EXPECT_EQ(KWOImage::MaxDecodePixels(), 150u);

    struct Size
    {
        unsigned w, h;
        bool fits;
    };
    // At each limit, and one past it.
    const Size sizes[] = {{20, 7, true},  {15, 10, true},  {21, 1, false},
                          {1, 11, false}, {16, 10, false}, {13, 12, false}};
    // Load formats: BMP, PCX, GIF, TGA, and TGA run-length encoded (written
    // with save format 5, read with 4).
    const struct
    {
        int save, load;
        const char* name;
    } formats[] = {{1, 1, "BMP"}, {2, 2, "PCX"}, {-1, 3, "GIF"}, {4, 4, "TGA"}, {5, 4, "TGA"}};
    for (const auto& format : formats)
    {
        for (const Size& s : sizes)
        {
            std::vector<uint8_t> values(size_t(s.w) * s.h);
            for (size_t i = 0; i < values.size(); ++i)
                values[i] = static_cast<uint8_t>(i * 7);
            std::string file;
            if (format.save < 0)
            {
                file = GifHeader(s.w, s.h, 7) + GifImage(s.w, s.h, values) + ";";
            }
            else
            {
                KWOImage source(s.w, s.h, 8u);
                FillBytes(source, values);
                bool ok = false;
                file = SaveBytes(source, format.save, &ok);
                ASSERT_TRUE(ok);
            }
            CapturedLog log;
            KWOImage image(0u, 0u, 8u);
            const std::string what =
                std::string(format.name) + " " + std::to_string(s.w) + " x " + std::to_string(s.h);
            EXPECT_EQ(LoadBytes(image, file, format.load), s.fits) << what;
            if (s.fits)
            {
                EXPECT_EQ(PixelBytes(image), std::string(values.begin(), values.end())) << what;
                EXPECT_EQ(log.Text(), "") << what;
            }
            else
            {
                EXPECT_EQ(log.Text(), std::string(format.name) + ": picture of " +
                                          std::to_string(s.w) + " x " + std::to_string(s.h) +
                                          " pixels is over the decoding limits (20 x 10, 150 "
                                          "pixels)\n")
                    << what;
            }
        }
    }
}
} // namespace
