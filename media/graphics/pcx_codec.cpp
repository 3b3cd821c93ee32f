// PCX pictures: the reader and the writer, version 5, run-length encoded,
// 8 bits per plane: 1 plane (8-bit indexed, 256-colour palette after the
// data), 3 planes (24-bit) or 4 planes (32-bit). Each line holds the planes
// one after the other; plane p is byte number planes - 1 - p of a pixel.
#include "graphics/image_codecs.h"

#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "graphics/KWOImage.h"
#include "graphics/codec_stream.h"

#include <cstdio>
#include <vector>

using kwo_codecs::ByteSource;
using kwo_codecs::MovedBy;
using kwo_codecs::SeekFrom;
using kwo_codecs::WriteZeros;

namespace
{
constexpr unsigned char kManufacturer = 10;
constexpr unsigned char kVersion = 5;
constexpr unsigned char kEncodingRLE = 1;
constexpr unsigned char kPaletteMarker = 12;
constexpr uint32_t kHeaderSize = 128;
constexpr unsigned int kMaxRun = 63;

// Reads the trailing 256-colour palette: the bytes after the data up to the
// marker byte 12, then 768 bytes of red, green, blue. No marker, or a
// palette cut short, leaves the image's palette as it was.
void ReadTrailingPalette(ByteSource& src, KWOPal** palette)
{
    unsigned char b;
    do
    {
        if (!src.Next(b))
            return;
    } while (b != kPaletteMarker);
    unsigned char rgb[768];
    if (src.Take(rgb, sizeof rgb) != sizeof rgb)
        return;
    KWOPal* pal = ProvidePalette(palette, 256);
    if (pal == nullptr)
        return;
    const unsigned int n = pal->Size() < 256 ? pal->Size() : 256;
    KWOColor* e = pal->Entries();
    for (unsigned int i = 0; i < n; ++i)
        e[i] = KWOColor{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 0};
}

// The fewest bytes that encode a plane line of `bytesPerLine` positions:
// a run of 63 in two bytes as often as it fits, then a single byte for one
// position left or a run (cut at the line's end) for more.
uint64_t ShortestLine(uint32_t bytesPerLine)
{
    const uint32_t rest = bytesPerLine % kMaxRun;
    return 2 * uint64_t(bytesPerLine / kMaxRun) + (rest == 0 ? 0 : rest == 1 ? 1 : 2);
}

// Decodes the run-length data into `pixels`. Writes every pixel when it
// returns true; *line gets the line being decoded when it returns false.
bool ReadLines(ByteSource& src, unsigned char* pixels, uint32_t width, uint32_t height,
               uint32_t planes, uint32_t bytesPerLine, uint32_t* line)
{
    const uint32_t rowBytes = width * planes; // fits: the buffer was allocated
    for (uint32_t y = 0; y < height; ++y)
    {
        *line = y;
        unsigned char* row = pixels + size_t(y) * rowBytes;
        for (uint32_t p = 0; p < planes; ++p)
        {
            unsigned char* out = row + (planes - 1 - p);
            // Positions past the width are padding and dropped; a run ends
            // with the plane line.
            uint32_t x = 0;
            while (x < bytesPerLine)
            {
                unsigned char b, value;
                uint32_t count = 1;
                if (!src.Next(b))
                    return false;
                value = b;
                if ((b & 0xC0) == 0xC0)
                {
                    count = b & 0x3F;
                    if (!src.Next(value))
                        return false;
                }
                uint32_t end = x + count < bytesPerLine ? x + count : bytesPerLine;
                for (; x < end; ++x)
                {
                    if (x < width)
                        out[size_t(x) * planes] = value;
                }
            }
        }
    }
    return true;
}
} // namespace

bool PCXLoad(KWOResFile& f, unsigned char** pixels, unsigned int* width, unsigned int* height,
             KWOPal** palette, unsigned short* bpp)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    const uint32_t start = f.GetPos();
    unsigned char head[4];
    if (f.Read(head, 4) != 4 || head[0] != kManufacturer || head[2] != kEncodingRLE)
        return false;
    const unsigned char version = head[1];
    if (head[3] != 8)
    {
        std::fprintf(stderr, "PCX: format not supported, %d bits per pixel.\n", head[3]);
        return false;
    }
    const int xmin = static_cast<short>(f.Read16());
    const int ymin = static_cast<short>(f.Read16());
    const int xmax = static_cast<short>(f.Read16());
    const int ymax = static_cast<short>(f.Read16());
    if (!MovedBy(f, start, 12) || !SeekFrom(f, start, 65))
        return false;
    const uint32_t planes = f.Read8();
    const uint32_t bytesPerLine = f.Read16();
    if (!MovedBy(f, start, 68) || !SeekFrom(f, start, kHeaderSize))
        return false;
    const int w = xmax - xmin + 1;
    const int h = ymax - ymin + 1;
    if (w <= 0 || h <= 0 || (planes != 1 && planes != 3 && planes != 4))
        return false;

    uint32_t size;
    if (!KWO::BufferSize(uint32_t(w), uint32_t(h), planes, &size) ||
        !WithinDecodeLimits("PCX", uint32_t(w), uint32_t(h)))
        return false;
    // Every position of a line must lie in the file's lines; then each
    // pixel is written. Data too short for the lines fail as the decoding
    // would, before anything is allocated.
    if (bytesPerLine < uint32_t(w))
    {
        KWO::LOG("PCX: %u bytes per line cannot hold a line of %d pixels\n", bytesPerLine, w);
        return false;
    }
    if (ShortestLine(bytesPerLine) * planes * uint32_t(h) > kwo_codecs::BytesLeft(f))
        return false;

    FreePixels(pixels);
    unsigned char* buffer = NewPixels(uint32_t(w), uint32_t(h), planes);
    if (buffer == nullptr)
        return false;
    *pixels = buffer;
    *width = uint32_t(w);
    *height = uint32_t(h);
    *bpp = static_cast<unsigned short>(8 * planes);

    ByteSource src(f);
    uint32_t line = 0;
    if (!ReadLines(src, buffer, uint32_t(w), uint32_t(h), planes, bytesPerLine, &line))
    {
        ClearRows(buffer, size_t(w) * planes, line, uint32_t(h));
        return false;
    }
    if (version == kVersion)
        ReadTrailingPalette(src, palette);
    return true;
}

bool PCXSave(KWOResFile& f, const KWOImage& image)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    const uint32_t planes = image.BytesPerPixel();
    const uint32_t width = image.Width();
    const uint32_t height = image.Height();
    const unsigned char* pixels = image.Pixels();
    // 16-bit pictures have no PCX form; the window is stored in 16 bits.
    if (planes == 2 || (planes != 1 && planes != 3 && planes != 4) || pixels == nullptr ||
        width == 0 || height == 0 || width > 0x8000 || height > 0x8000)
        return false;
    const uint32_t bytesPerLine = (width + 1) & ~1u;

    bool ok = f.Write8(kManufacturer);
    ok &= f.Write8(kVersion);
    ok &= f.Write8(kEncodingRLE);
    ok &= f.Write8(8);
    ok &= f.Write16(0); // xmin, ymin, xmax, ymax
    ok &= f.Write16(0);
    ok &= f.Write16(static_cast<unsigned short>(width - 1));
    ok &= f.Write16(static_cast<unsigned short>(height - 1));
    ok &= f.Write16(72); // resolution
    ok &= f.Write16(72);
    ok &= WriteZeros(f, 49); // the 16-colour header palette and the reserved byte
    ok &= f.Write8(static_cast<unsigned char>(planes));
    ok &= f.Write16(static_cast<unsigned short>(bytesPerLine));
    ok &= f.Write16(1); // palette information
    ok &= WriteZeros(f, kHeaderSize - 70);
    if (!ok || f.GetState() != KWOResFile::StateOK)
    {
        KWO::LOG("PCX: Error writing header\n");
        return false;
    }

    // Worst case of a plane line: two bytes per pixel plus the padding byte.
    std::vector<unsigned char> line(size_t(width) * 2 + 1);
    const size_t pitch = image.Pitch();
    for (uint32_t y = 0; y < height; ++y)
    {
        const unsigned char* row = pixels + y * pitch;
        for (uint32_t p = 0; p < planes; ++p)
        {
            const unsigned char* in = row + (planes - 1 - p);
            size_t n = 0;
            uint32_t x = 0;
            while (x < width)
            {
                const unsigned char value = in[size_t(x) * planes];
                uint32_t count = 1;
                while (x + count < width && count < kMaxRun &&
                       in[size_t(x + count) * planes] == value)
                    ++count;
                if (count == 1 && (value & 0xC0) == 0)
                {
                    line[n++] = value;
                }
                else
                {
                    line[n++] = static_cast<unsigned char>(0xC0 | count);
                    line[n++] = value;
                }
                x += count;
            }
            if (width & 1)
                line[n++] = 0;
            if (f.Write(line.data(), static_cast<unsigned int>(n)) != n)
                return false;
        }
    }

    if (planes == 1)
    {
        const KWOPal* pal = image.Palette();
        const unsigned int colours = pal != nullptr ? (pal->Size() < 256 ? pal->Size() : 256) : 0;
        const bool marked = f.Write8(kPaletteMarker);
        for (unsigned int i = 0; i < 256; ++i)
        {
            unsigned char rgb[3] = {0, 0, 0};
            if (i < colours)
            {
                const KWOColor& e = pal->Entries()[i];
                rgb[0] = e.r;
                rgb[1] = e.g;
                rgb[2] = e.b;
            }
            if (!marked || f.Write(rgb, 3) != 3)
            {
                KWO::LOG("PCX: error writing color index %d\n", static_cast<int>(i));
                return false;
            }
        }
    }
    return true;
}
