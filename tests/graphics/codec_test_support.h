// Helpers of the picture codec tests: little-endian fields, loading from and
// saving to bytes, a palette made from a list of colours, and a minimal GIF
// writer whose LZW data is one literal code per pixel.
#ifndef KWO_TESTS_GRAPHICS_CODEC_TEST_SUPPORT_H
#define KWO_TESTS_GRAPHICS_CODEC_TEST_SUPPORT_H

#include "files/KWOFile.h"
#include "files/KWOMemFile.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"
#include "support/TempDir.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace codec_test
{
inline std::string LE16(unsigned v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

inline std::string LE32(uint32_t v)
{
    return LE16(v & 0xFFFF) + LE16(v >> 16);
}

inline std::string Bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

// Loads `bytes` through a memory stream.
inline bool LoadBytes(KWOImage& image, const std::string& bytes, int format)
{
    if (bytes.empty())
        return false;
    unsigned char* data = new unsigned char[bytes.size()];
    std::memcpy(data, bytes.data(), bytes.size());
    KWOMemFile f(static_cast<unsigned>(bytes.size()), KWOResFile::ModeRead, data, true);
    return image.Load(f, format);
}

// Saves into a disk file and returns its bytes; *ok gets Save's result.
inline std::string SaveBytes(KWOImage& image, int format, bool* ok)
{
    TempDir dir;
    const std::string path = dir / "out";
    {
        KWOFile f(path.c_str(), KWOResFile::ModeWrite);
        *ok = image.Save(f, format);
    }
    return ReadFileBytes(path);
}

// An 8-bit image of the given pixel values, row by row.
inline void FillBytes(KWOImage& image, const std::vector<uint8_t>& values)
{
    std::memcpy(image.Pixels(), values.data(), values.size());
}

// Bytes of an image's pixel buffer.
inline std::string PixelBytes(const KWOImage& image)
{
    if (image.Pixels() == nullptr)
        return std::string();
    return std::string(reinterpret_cast<const char*>(image.Pixels()),
                       size_t(image.Height()) * image.Pitch());
}

// LZW data (without sub-blocks) that holds every pixel as a literal code;
// a clear code every 254 codes keeps the code width at codeSize + 1.
inline std::string LiteralLZW(const std::vector<uint8_t>& pixels, unsigned codeSize,
                              bool withEnd = true)
{
    const unsigned clear = 1u << codeSize;
    const unsigned width = codeSize + 1;
    std::string out;
    uint32_t acc = 0;
    unsigned bits = 0;
    auto put = [&](unsigned code)
    {
        acc |= code << bits;
        bits += width;
        while (bits >= 8)
        {
            out += static_cast<char>(acc & 0xFF);
            acc >>= 8;
            bits -= 8;
        }
    };
    put(clear);
    for (size_t i = 0; i < pixels.size(); ++i)
    {
        if (i != 0 && i % 254 == 0)
            put(clear);
        put(pixels[i]);
    }
    if (withEnd)
        put(clear + 1);
    if (bits > 0)
        out += static_cast<char>(acc & 0xFF);
    return out;
}

// Data cut into sub-blocks of at most 255 bytes, with the terminating empty one.
inline std::string SubBlocks(const std::string& data)
{
    std::string out;
    for (size_t at = 0; at < data.size(); at += 255)
    {
        const size_t n = std::min<size_t>(255, data.size() - at);
        out += static_cast<char>(n);
        out += data.substr(at, n);
    }
    out += '\0';
    return out;
}

// The GIF header and a global colour table of 2 << sizeBits entries (grey
// levels 0, 1, 2, ... times 10), or none when sizeBits < 0.
inline std::string GifHeader(unsigned w, unsigned h, int sizeBits)
{
    std::string s = "GIF89a" + LE16(w) + LE16(h);
    if (sizeBits < 0)
        return s + Bytes({0, 0, 0});
    s += static_cast<char>(0x80 | sizeBits);
    s += Bytes({0, 0});
    for (unsigned i = 0; i < (2u << sizeBits); ++i)
        s += std::string(3, static_cast<char>(i * 10));
    return s;
}

// An image descriptor with its data (literal codes, code size 8).
inline std::string GifImage(unsigned w, unsigned h, const std::vector<uint8_t>& pixels,
                            unsigned char flags = 0)
{
    return "," + LE16(0) + LE16(0) + LE16(w) + LE16(h) + static_cast<char>(flags) + '\x08' +
           SubBlocks(LiteralLZW(pixels, 8));
}
} // namespace codec_test

#endif
