// TGA pictures: the reader (types 1, 2, 3 uncompressed and 9, 10, 11 run-
// length encoded) and the two writers.
//
// At 4 bytes per pixel the fourth byte is stored inverted (255 minus the
// file's value) on reading; the writers store pixels as they are.
#include "graphics/image_codecs.h"

#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "graphics/KWOImage.h"
#include "graphics/codec_stream.h"

#include <cstring>
#include <vector>

using kwo_codecs::ByteSource;

namespace
{
constexpr unsigned char kTypeMapped = 1;
constexpr unsigned char kTypeTrueColour = 2;
constexpr unsigned char kTypeGrey = 3;
constexpr unsigned char kTypeRLE = 8; // added to the three types above
constexpr unsigned char kTopFirst = 0x20;
constexpr uint32_t kMaxPacket = 128;

struct Header
{
    unsigned char idLength;
    unsigned char mapType;
    unsigned char type;
    uint32_t mapFirst;
    uint32_t mapLength;
    unsigned char mapEntryBits;
    uint32_t width;
    uint32_t height;
    unsigned char depth;
    unsigned char descriptor;
};

bool BadFormat()
{
    KWO::LOG("TGA:: bad format\n");
    return false;
}

bool DataError(uint32_t line, uint32_t x)
{
    KWO::LOG("TGA: Error reading data, line %d, x= %d", static_cast<int>(line),
             static_cast<int>(x));
    return false;
}

// Reads the colour map into the image's palette: entries stored as blue,
// green, red (and a fourth byte that is dropped).
bool ReadColourMap(KWOResFile& f, const Header& hd, uint32_t bytesPerPixel, KWOPal** palette)
{
    const uint32_t entryBytes = (hd.mapEntryBits + 7u) / 8u;
    uint32_t length = hd.mapLength;
    if (hd.mapFirst != 0)
    {
        uint32_t skip;
        if (!KWO::SizeMul(hd.mapFirst, entryBytes, &skip) || !f.Seek(static_cast<int>(skip), 1))
        {
            KWO::LOG("TGA: Error reading palette\n");
            return false;
        }
        if (hd.mapFirst > length)
            KWO::LOG("TGA: Error, cmstart > cmlen !\n");
        else
            length -= hd.mapFirst;
    }
    if (length == 0)
    {
        delete *palette;
        *palette = nullptr;
        return true;
    }
    if (bytesPerPixel > 1)
    {
        KWO::LOG("TGA: Error colormap in %d bits mode\n", static_cast<int>(bytesPerPixel));
        return false;
    }
    KWOPal* pal = ProvidePalette(palette, length);
    if (pal == nullptr)
    {
        KWO::LOG("TGA: not enough memory\n");
        return false;
    }
    if (entryBytes < 3)
    {
        KWO::LOG("TGA: error in colormap depth = %d bytes.\n", static_cast<int>(entryBytes));
        return false;
    }
    uint32_t bytes;
    std::vector<unsigned char> map;
    if (KWO::SizeMul(length, entryBytes, &bytes))
        map.resize(bytes);
    if (map.size() != bytes || f.Read(map.data(), bytes) != bytes)
    {
        KWO::LOG("TGA: Error reading palette\n");
        return false;
    }
    const uint32_t n = pal->Size() < length ? pal->Size() : length;
    KWOColor* e = pal->Entries();
    for (uint32_t i = 0; i < n; ++i)
    {
        const unsigned char* p = &map[size_t(i) * entryBytes];
        e[i] = KWOColor{p[2], p[1], p[0], 0};
    }
    return true;
}

// The fourth byte of 32-bit pixels is kept inverted.
void InvertFourthBytes(unsigned char* p, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        p[4 * size_t(i) + 3] = static_cast<unsigned char>(255 - p[4 * size_t(i) + 3]);
}

// The row of the picture that file line i fills.
uint32_t RowOf(const Header& hd, uint32_t i)
{
    return (hd.descriptor & kTopFirst) ? i : hd.height - 1 - i;
}

// Clears the rows of file lines i to the last one: the lines a failed read
// did not fill.
void ClearLinesFrom(const Header& hd, uint32_t lineBytes, unsigned char* pixels, uint32_t i)
{
    if (hd.descriptor & kTopFirst)
        ClearRows(pixels, lineBytes, i, hd.height);
    else
        ClearRows(pixels, lineBytes, 0, hd.height - i);
}

bool ReadPlain(KWOResFile& f, const Header& hd, uint32_t bytesPerPixel, unsigned char* pixels)
{
    const uint32_t lineBytes = hd.width * bytesPerPixel; // fits: the buffer was allocated
    for (uint32_t i = 0; i < hd.height; ++i)
    {
        const uint32_t y = RowOf(hd, i);
        unsigned char* row = pixels + size_t(y) * lineBytes;
        const uint32_t got = f.Read(row, lineBytes);
        if (got != lineBytes)
        {
            ClearLinesFrom(hd, lineBytes, pixels, i);
            return DataError(y, got);
        }
        if (bytesPerPixel == 4)
            InvertFourthBytes(row, hd.width);
    }
    return true;
}

// Packets may run on from one line to the next.
bool ReadRLE(KWOResFile& f, const Header& hd, uint32_t bytesPerPixel, unsigned char* pixels)
{
    const uint32_t lineBytes = hd.width * bytesPerPixel;
    ByteSource src(f);
    uint32_t left = 0;   // pixels left in the current packet
    bool repeat = false; // the packet repeats `pixel`
    unsigned char pixel[4] = {};
    for (uint32_t i = 0; i < hd.height; ++i)
    {
        const uint32_t y = RowOf(hd, i);
        unsigned char* row = pixels + size_t(y) * lineBytes;
        uint32_t x = 0;
        const auto fail = [&](uint32_t at)
        {
            ClearLinesFrom(hd, lineBytes, pixels, i);
            return DataError(y, at);
        };
        while (x < hd.width)
        {
            if (left == 0)
            {
                unsigned char h;
                if (!src.Next(h))
                    return fail(x * bytesPerPixel);
                left = (h & 0x7Fu) + 1;
                repeat = (h & 0x80) != 0;
                if (repeat && src.Take(pixel, bytesPerPixel) != bytesPerPixel)
                    return fail(x * bytesPerPixel);
            }
            uint32_t n = hd.width - x < left ? hd.width - x : left;
            unsigned char* out = row + size_t(x) * bytesPerPixel;
            if (repeat)
            {
                for (uint32_t k = 0; k < n; ++k)
                    std::memcpy(out + size_t(k) * bytesPerPixel, pixel, bytesPerPixel);
            }
            else
            {
                const uint32_t want = n * bytesPerPixel;
                const uint32_t got = src.Take(out, want);
                if (got != want)
                    return fail(x * bytesPerPixel + got);
            }
            x += n;
            left -= n;
        }
        if (bytesPerPixel == 4)
            InvertFourthBytes(row, hd.width);
    }
    return true;
}

// Header, colour map and checks shared by both writers. Returns false when
// the image cannot be written or a write fails.
bool WriteHeader(KWOResFile& f, const KWOImage& image, bool rle)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    const uint32_t bytesPerPixel = image.BytesPerPixel();
    if (bytesPerPixel == 2)
    {
        KWO::LOG("TGA: can not handle 16 bits image.\n");
        return false;
    }
    if ((bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) ||
        image.Pixels() == nullptr || image.Width() == 0 || image.Height() == 0 ||
        image.Width() > 0xFFFF || image.Height() > 0xFFFF)
        return false;
    const KWOPal* pal = bytesPerPixel == 1 ? image.Palette() : nullptr;
    const uint32_t mapLength = pal != nullptr ? (pal->Size() < 0xFFFF ? pal->Size() : 0xFFFF) : 0;
    const bool mapped = mapLength != 0;
    // An 8-bit picture without a palette is stored as grey levels: a true
    // colour file of 8 bits per pixel does not exist.
    unsigned char type = mapped ? kTypeMapped : bytesPerPixel == 1 ? kTypeGrey : kTypeTrueColour;
    if (rle)
        type = static_cast<unsigned char>(type + kTypeRLE);
    bool ok = f.Write8(0); // id length
    ok &= f.Write8(mapped ? 1 : 0);
    ok &= f.Write8(type);
    ok &= f.Write16(0); // first colour map entry
    ok &= f.Write16(static_cast<unsigned short>(mapLength));
    ok &= f.Write8(mapped ? 24 : 0);
    ok &= f.Write16(0); // x and y origin
    ok &= f.Write16(0);
    ok &= f.Write16(static_cast<unsigned short>(image.Width()));
    ok &= f.Write16(static_cast<unsigned short>(image.Height()));
    ok &= f.Write8(static_cast<unsigned char>(image.Bpp()));
    ok &= f.Write8(bytesPerPixel == 4 ? 8 : 0); // bottom-left origin; 8 alpha bits
    if (mapped)
    {
        std::vector<unsigned char> map(size_t(mapLength) * 3);
        const KWOColor* e = pal->Entries();
        for (uint32_t i = 0; i < mapLength; ++i)
        {
            map[3 * size_t(i)] = e[i].b;
            map[3 * size_t(i) + 1] = e[i].g;
            map[3 * size_t(i) + 2] = e[i].r;
        }
        ok &= f.Write(map.data(), static_cast<unsigned int>(map.size())) == map.size();
    }
    return ok;
}
} // namespace

bool TGALoad(KWOResFile& f, unsigned char** pixels, unsigned int* width, unsigned int* height,
             KWOPal** palette, unsigned short* bpp)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    const uint32_t start = f.GetPos();
    Header hd;
    hd.idLength = f.Read8();
    hd.mapType = f.Read8();
    hd.type = f.Read8();
    hd.mapFirst = f.Read16();
    hd.mapLength = f.Read16();
    hd.mapEntryBits = f.Read8();
    f.Read16(); // x and y origin
    f.Read16();
    hd.width = f.Read16();
    hd.height = f.Read16();
    hd.depth = f.Read8();
    hd.descriptor = f.Read8();
    if (!kwo_codecs::MovedBy(f, start, 18) || hd.mapType > 1)
        return BadFormat();
    const unsigned char kind = hd.type & static_cast<unsigned char>(~kTypeRLE);
    if (kind < kTypeMapped || kind > kTypeGrey || (hd.type & ~0x0B) != 0)
    {
        KWO::LOG("TGA:: Unsupported type %d\n", hd.type);
        return false;
    }
    // Depths an image can hold; anything else is no picture we can use.
    if (hd.depth != 8 && hd.depth != 15 && hd.depth != 16 && hd.depth != 24 && hd.depth != 32)
        return BadFormat();
    if (hd.idLength != 0 && !f.Seek(hd.idLength, 1))
        return BadFormat();

    const uint32_t bytesPerPixel = (hd.depth + 7u) / 8u;
    FreePixels(pixels);
    *width = hd.width;
    *height = hd.height;
    *bpp = hd.depth;
    if (hd.mapType == 1 && !ReadColourMap(f, hd, bytesPerPixel, palette))
        return false;

    uint32_t size;
    if (!KWO::BufferSize(hd.width, hd.height, bytesPerPixel, &size))
    {
        KWO::LOG("TGA: not enough memory\n");
        return false;
    }
    if (!WithinDecodeLimits("TGA", hd.width, hd.height))
        return false;
    if (!(hd.type & kTypeRLE) && size != 0)
    {
        // Uncompressed data are read whole: a file that cannot hold them
        // fails where the reading would, before a buffer is allocated.
        const uint32_t left = kwo_codecs::BytesLeft(f);
        if (left < size)
        {
            const uint32_t lineBytes = hd.width * bytesPerPixel;
            const uint32_t i = left / lineBytes;
            return DataError(RowOf(hd, i), left % lineBytes);
        }
    }
    if ((hd.type & kTypeRLE) && size != 0)
    {
        // A packet covers at most 128 pixels and takes a header byte and at
        // least one pixel: data shorter than that for every pixel cannot
        // fill the picture.
        const uint64_t pixelCount = uint64_t(hd.width) * hd.height;
        const uint64_t shortest = (pixelCount + kMaxPacket - 1) / kMaxPacket * (1 + bytesPerPixel);
        if (kwo_codecs::BytesLeft(f) < shortest)
        {
            KWO::LOG("TGA: run-length data too short for %u x %u pixels\n", hd.width, hd.height);
            return false;
        }
    }
    unsigned char* buffer = NewPixels(hd.width, hd.height, bytesPerPixel);
    if (buffer == nullptr)
    {
        KWO::LOG("TGA: not enough memory\n");
        return false;
    }
    *pixels = buffer;
    if (hd.type & kTypeRLE)
        return ReadRLE(f, hd, bytesPerPixel, buffer);
    return ReadPlain(f, hd, bytesPerPixel, buffer);
}

bool TGASave(KWOResFile& f, const KWOImage& image)
{
    if (!WriteHeader(f, image, false))
        return false;
    const unsigned char* pixels = image.Pixels();
    const uint32_t pitch = image.Pitch();
    for (uint32_t i = 0; i < image.Height(); ++i)
    {
        if (f.Write(pixels + size_t(image.Height() - 1 - i) * pitch, pitch) != pitch)
            return false;
    }
    return true;
}

bool TGASaveRLE(KWOResFile& f, const KWOImage& image)
{
    if (!WriteHeader(f, image, true))
        return false;
    const unsigned char* pixels = image.Pixels();
    const uint32_t pitch = image.Pitch();
    const uint32_t width = image.Width();
    const uint32_t bytesPerPixel = image.BytesPerPixel();
    // Worst case of a line: all its bytes plus one header byte per packet.
    uint32_t worst;
    if (!KWO::SizeAdd(pitch, width, &worst))
        return false;
    std::vector<unsigned char> packed(worst);
    for (uint32_t i = 0; i < image.Height(); ++i)
    {
        const unsigned char* row = pixels + size_t(image.Height() - 1 - i) * pitch;
        auto same = [row, bytesPerPixel](uint32_t a, uint32_t b)
        {
            return std::memcmp(row + size_t(a) * bytesPerPixel, row + size_t(b) * bytesPerPixel,
                               bytesPerPixel) == 0;
        };
        size_t n = 0;
        uint32_t x = 0;
        while (x < width)
        {
            uint32_t count = 1;
            if (x + 1 < width && same(x, x + 1))
            {
                // A run of equal pixels: one pixel stored.
                while (x + count < width && count < kMaxPacket && same(x, x + count))
                    ++count;
                packed[n++] = static_cast<unsigned char>(0x80 | (count - 1));
                std::memcpy(&packed[n], row + size_t(x) * bytesPerPixel, bytesPerPixel);
                n += bytesPerPixel;
            }
            else
            {
                // Raw pixels up to the first pair of equal neighbours.
                while (x + count < width && count < kMaxPacket &&
                       !(x + count + 1 < width && same(x + count, x + count + 1)))
                    ++count;
                packed[n++] = static_cast<unsigned char>(count - 1);
                std::memcpy(&packed[n], row + size_t(x) * bytesPerPixel,
                            size_t(count) * bytesPerPixel);
                n += size_t(count) * bytesPerPixel;
            }
            x += count;
        }
        if (f.Write(packed.data(), static_cast<unsigned int>(n)) != n)
            return false;
    }
    return true;
}
