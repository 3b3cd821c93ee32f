// BMP pictures: the reader and the writer.
//
// The reader knows the 12-byte (OS/2) and the 40-byte info headers; longer
// info headers (108 and 124 bytes) extend the 40-byte one, so their first 40
// bytes are read the same way and the rest is passed over. Pixels at 1, 4, 8,
// 16, 24 and 32 bits, uncompressed or, at 8 bits, RLE8. Lines are stored
// bottom line first; 1- and 4-bit pixels become one byte each.
#include "graphics/image_codecs.h"

#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "graphics/KWOImage.h"
#include "graphics/codec_stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

using kwo_codecs::ByteSource;
using kwo_codecs::MovedBy;
using kwo_codecs::SeekFrom;
using kwo_codecs::WriteZeros;

namespace
{
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kCoreHeaderSize = 12;

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRLE8 = 1;

bool BadHeader()
{
    KWO::LOG("BMP: bad file header\n");
    return false;
}

bool UnexpectedEOF()
{
    KWO::LOG("BMP: unexpected EOF\n");
    return false;
}

bool DataError()
{
    KWO::LOG("BMP: error reading data\n");
    return false;
}

// The fields of the info header the reader uses.
struct InfoHeader
{
    uint32_t width;
    uint32_t height;
    uint32_t bitCount;
    uint32_t compression;
    bool core; // the 12-byte form: 3-byte colour table entries
};

// Reads the info header of `size` bytes. The stream is left at the colour
// table. False on a short read or an unreachable colour table.
bool ReadInfoHeader(KWOResFile& f, uint32_t start, uint32_t size, InfoHeader* info)
{
    const uint32_t from = f.GetPos();
    if (size >= kInfoHeaderSize)
    {
        info->width = f.Read32();
        info->height = f.Read32();
        f.Read16(); // planes
        info->bitCount = f.Read16();
        info->compression = f.Read32();
        for (int i = 0; i < 5; ++i)
            f.Read32(); // image size, resolutions, colours used and important
        info->core = false;
    }
    else
    {
        info->width = f.Read16();
        info->height = f.Read16();
        f.Read16(); // planes
        info->bitCount = f.Read16();
        info->compression = kCompressionNone;
        info->core = true;
    }
    if (!MovedBy(f, from, info->core ? kCoreHeaderSize - 4 : kInfoHeaderSize - 4))
        return false;
    // The extended headers carry masks, colour spaces and profiles we do not
    // use; the colour table follows the whole header.
    if (size > kInfoHeaderSize && !SeekFrom(f, start, uint64_t(kFileHeaderSize) + size))
        return false;
    return true;
}

// Reads the colour table of a picture of 2^bitCount colours into the
// image's palette. Only the entries that lie before the pixel data are
// taken from the file (writers often store fewer than 2^bitCount); the
// others are black.
bool ReadColourTable(KWOResFile& f, uint32_t start, uint32_t dataOffset, const InfoHeader& info,
                     KWOPal** palette)
{
    const uint32_t entries = 1u << info.bitCount;
    const uint32_t entrySize = info.core ? 3 : 4;
    uint32_t inFile = entries;
    const uint64_t tableStart = uint64_t(f.GetPos()) - start;
    if (dataOffset >= tableStart)
        inFile = static_cast<uint32_t>(
            std::min<uint64_t>(entries, (dataOffset - tableStart) / entrySize));
    uint32_t bytes;
    if (!KWO::SizeMul(inFile, entrySize, &bytes))
        return BadHeader();
    std::vector<unsigned char> table(bytes);
    if (bytes != 0 && f.Read(table.data(), bytes) != bytes)
        return UnexpectedEOF();
    KWOPal* pal = ProvidePalette(palette, entries);
    if (pal == nullptr || pal->Size() < entries)
    {
        KWO::LOG("BMP: can not allocate image\n");
        return false;
    }
    KWOColor* e = pal->Entries();
    for (uint32_t i = 0; i < entries; ++i)
    {
        if (i < inFile)
        {
            const unsigned char* p = &table[size_t(i) * entrySize];
            e[i].r = p[2];
            e[i].g = p[1];
            e[i].b = p[0];
            e[i].a = info.core ? 0 : p[3];
        }
        else
        {
            e[i] = KWOColor{0, 0, 0, 0};
        }
    }
    return true;
}

// Spreads a packed line of 1- or 4-bit pixels over one byte per pixel,
// most significant bits first.
void ExpandLine(const unsigned char* packed, unsigned char* row, uint32_t width, uint32_t bitCount)
{
    if (bitCount == 1)
    {
        for (uint32_t x = 0; x < width; ++x)
            row[x] = (packed[x >> 3] >> (7 - (x & 7))) & 1;
    }
    else
    {
        for (uint32_t x = 0; x < width; ++x)
            row[x] = (x & 1) ? (packed[x >> 1] & 0x0F) : (packed[x >> 1] >> 4);
    }
}

// The size of a file line of uncompressed pixels: (width x bitCount + 7) / 8
// bytes, padded to 4 in the file. False when it does not fit 32 bits.
bool FileLineSize(const InfoHeader& info, uint32_t* line, uint32_t* padded)
{
    uint32_t bits;
    if (!KWO::SizeMul(info.width, info.bitCount, &bits))
        return false;
    *line = static_cast<uint32_t>((uint64_t(bits) + 7) / 8);
    return KWO::SizeAdd(*line, (4 - (*line & 3)) & 3, padded);
}

// True when the stream holds n bytes from the pixel data offset on.
bool HoldsBytes(KWOResFile& f, uint32_t start, uint32_t dataOffset, uint32_t n)
{
    const uint64_t position = uint64_t(f.GetPos()) - start;
    const uint64_t end = position + kwo_codecs::BytesLeft(f);
    return uint64_t(dataOffset) + n <= end;
}

// True when the stream holds the uncompressed pixel data from the pixel data
// offset on (the last line's padding may be missing).
bool HoldsPlainLines(KWOResFile& f, uint32_t start, uint32_t dataOffset, const InfoHeader& info)
{
    uint32_t line, padded, lines, needed;
    if (info.height == 0)
        return true;
    if (!FileLineSize(info, &line, &padded) || !KWO::SizeMul(info.height - 1, padded, &lines) ||
        !KWO::SizeAdd(lines, line, &needed))
        return false;
    return HoldsBytes(f, start, dataOffset, needed);
}

// The lines of ReadPlainLines; *done counts the lines read whole.
bool ReadPlainLinesFrom(KWOResFile& f, const InfoHeader& info, unsigned char* pixels,
                        uint32_t lineSize, uint32_t* done)
{
    const uint32_t width = info.width;
    const uint32_t height = info.height;
    const bool packed = info.bitCount < 8;
    uint32_t fileLine, padded;
    if (!FileLineSize(info, &fileLine, &padded))
        return BadHeader();
    const uint32_t padding = padded - fileLine;
    std::vector<unsigned char> line(packed ? fileLine : 0);
    for (uint32_t i = 0; i < height; ++i)
    {
        unsigned char* row = pixels + size_t(height - 1 - i) * lineSize;
        if (packed)
        {
            if (f.Read(line.data(), fileLine) != fileLine)
                return UnexpectedEOF();
            ExpandLine(line.data(), row, width, info.bitCount);
        }
        else if (f.Read(row, fileLine) != fileLine)
        {
            return DataError();
        }
        *done = i + 1;
        if (i + 1 < height)
        {
            if (padding != 0 && !f.Seek(static_cast<int>(padding), 1))
                return UnexpectedEOF();
            if (f.Eof())
                return UnexpectedEOF();
        }
    }
    return true;
}

// Uncompressed lines, bottom line first, each padded to 4 bytes in the file.
// On a failure the lines not read are cleared.
bool ReadPlainLines(KWOResFile& f, const InfoHeader& info, unsigned char* pixels, uint32_t lineSize)
{
    const uint32_t height = info.height;
    uint32_t done = 0; // lines read, from the bottom
    const bool ok = ReadPlainLinesFrom(f, info, pixels, lineSize, &done);
    if (!ok)
        ClearRows(pixels, lineSize, 0, height - done);
    return ok;
}

// The pixels of RLE8 data, bottom line first. Decoding only moves forward
// (runs to the right, line ends and deltas up), so every pixel the cursor
// passes over without a run is cleared as it goes, and the rest of the
// picture when decoding ends, whatever ends it.
class RLE8Canvas
{
public:
    RLE8Canvas(unsigned char* pixels, uint32_t width, uint32_t height)
        : m_pixels(pixels), m_width(width), m_height(height)
    {
    }
    ~RLE8Canvas() { MoveTo(m_height, 0); }

    uint32_t X() const { return m_x; }
    uint32_t Y() const { return m_y; } // counted from the bottom line
    bool Inside() const { return m_y < m_height; }

    // Writes n bytes (at most the room left on the line) at the cursor.
    void Run(unsigned char value, uint32_t n)
    {
        std::memset(Row(m_y) + m_x, value, n);
        m_x += n;
    }
    void Literal(const unsigned char* bytes, uint32_t n)
    {
        std::memcpy(Row(m_y) + m_x, bytes, n);
        m_x += n;
    }

    // Moves the cursor forward to column x of line y (y may pass the top
    // line), clearing the pixels passed over.
    void MoveTo(uint64_t y, uint32_t x)
    {
        if (y >= m_height)
        {
            y = m_height;
            x = 0;
        }
        while (m_y < y)
        {
            std::memset(Row(m_y) + m_x, 0, m_width - m_x);
            ++m_y;
            m_x = 0;
        }
        if (m_y < m_height && x > m_x)
        {
            std::memset(Row(m_y) + m_x, 0, x - m_x);
            m_x = x;
        }
    }

private:
    unsigned char* Row(uint32_t y) { return m_pixels + size_t(m_height - 1 - y) * m_width; }

    unsigned char* m_pixels;
    uint32_t m_width;
    uint32_t m_height;
    uint32_t m_x = 0;
    uint32_t m_y = 0;
};

// RLE8 data, bottom line first. Runs and deltas are cut at the picture's
// edges; data that ends before the end of the picture is an error.
bool ReadRLE8(KWOResFile& f, const InfoHeader& info, unsigned char* pixels)
{
    const uint32_t width = info.width;
    ByteSource src(f);
    RLE8Canvas canvas(pixels, width, info.height);
    unsigned char literal[256];
    for (;;)
    {
        unsigned char count, value;
        if (!src.Next(count) || !src.Next(value))
            return UnexpectedEOF();
        if (count > 0)
        {
            canvas.Run(value, std::min<uint32_t>(count, width - canvas.X()));
            continue;
        }
        if (value == 0) // end of line
        {
            canvas.MoveTo(uint64_t(canvas.Y()) + 1, 0);
            if (!canvas.Inside())
                return true;
        }
        else if (value == 1) // end of picture
        {
            return true;
        }
        else if (value == 2) // delta
        {
            unsigned char dx, dy;
            if (!src.Next(dx) || !src.Next(dy))
                return UnexpectedEOF();
            canvas.MoveTo(uint64_t(canvas.Y()) + dy, std::min<uint32_t>(canvas.X() + dx, width));
            if (!canvas.Inside())
                return true;
        }
        else // absolute run of `value` bytes, padded to an even count
        {
            const uint32_t n = value + (value & 1u);
            if (src.Take(literal, n) != n)
                return UnexpectedEOF();
            canvas.Literal(literal, std::min<uint32_t>(value, width - canvas.X()));
        }
    }
}
} // namespace

bool BMPLoad(KWOResFile& f, unsigned char** pixels, unsigned int* width, unsigned int* height,
             KWOPal** palette, unsigned short* bpp)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    const uint32_t start = f.GetPos();
    unsigned char head[10];
    if (f.Read(head, 10) != 10 || head[0] != 'B' || head[1] != 'M')
        return BadHeader();
    const uint32_t dataOffset = f.Read32();
    const uint32_t headerSize = f.Read32();
    InfoHeader info;
    if (!MovedBy(f, start, kFileHeaderSize + 4) || !ReadInfoHeader(f, start, headerSize, &info))
        return BadHeader();
    if (info.compression != kCompressionNone &&
        !(info.compression == kCompressionRLE8 && info.bitCount == 8))
    {
        KWO::LOG("BMP: compressed data not supported.\n");
        return false;
    }
    if (info.bitCount != 1 && info.bitCount != 4 && info.bitCount != 8 && info.bitCount != 16 &&
        info.bitCount != 24 && info.bitCount != 32)
        return BadHeader();

    const unsigned short depth = static_cast<unsigned short>(info.bitCount < 8 ? 8 : info.bitCount);
    const uint32_t bytesPerPixel = depth / 8;
    uint32_t size;
    if (!KWO::BufferSize(info.width, info.height, bytesPerPixel, &size) || size == 0)
    {
        // Also a negative (top-down) height, read as a huge unsigned number.
        KWO::LOG("BMP: can not allocate image\n");
        return false;
    }
    if (!WithinDecodeLimits("BMP", info.width, info.height))
        return false;
    if (depth == 8 && !ReadColourTable(f, start, dataOffset, info, palette))
        return false;
    // Uncompressed data are read whole: a file that cannot hold them is
    // refused before a buffer is allocated for them. Run-length data must at
    // least hold one code.
    if (info.compression == kCompressionNone && !HoldsPlainLines(f, start, dataOffset, info))
        return info.bitCount < 8 ? UnexpectedEOF() : DataError();
    if (info.compression == kCompressionRLE8 && !HoldsBytes(f, start, dataOffset, 2))
        return UnexpectedEOF();

    FreePixels(pixels);
    unsigned char* buffer = NewPixels(info.width, info.height, bytesPerPixel);
    if (buffer == nullptr)
    {
        KWO::LOG("BMP: can not allocate image\n");
        return false;
    }
    *pixels = buffer;
    *width = info.width;
    *height = info.height;
    *bpp = depth;
    const uint32_t lineSize = info.width * bytesPerPixel; // fits: the buffer was allocated
    if (!SeekFrom(f, start, dataOffset))
        return UnexpectedEOF();
    if (info.compression == kCompressionRLE8)
        return ReadRLE8(f, info, buffer);
    return ReadPlainLines(f, info, buffer, lineSize);
}

bool BMPSave(KWOResFile& f, const KWOImage& image)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    const uint32_t width = image.Width();
    const uint32_t height = image.Height();
    const unsigned char* pixels = image.Pixels();
    if (width == 0 || height == 0 || pixels == nullptr || width > 0x7FFFFFFFu ||
        height > 0x7FFFFFFFu)
        return false;
    const uint32_t bytesPerPixel = image.BytesPerPixel();
    const uint32_t pitch = image.Pitch();
    // A colour table only for 8-bit pictures, always of 256 entries so that
    // the pixel data offset matches what is written; colours used says how
    // many of them the palette really has.
    const KWOPal* pal = bytesPerPixel == 1 ? image.Palette() : nullptr;
    const uint32_t tableEntries = pal != nullptr ? 256 : 0;
    const uint32_t coloursUsed = pal != nullptr ? std::min<uint32_t>(pal->Size(), 256) : 0;
    const uint32_t padding = (4 - (pitch & 3)) & 3;
    uint32_t fileLine, imageSize;
    if (!KWO::SizeAdd(pitch, padding, &fileLine) || !KWO::SizeMul(height, fileLine, &imageSize))
        return false;
    const uint32_t start = f.GetPos();

    f.Write8('B');
    f.Write8('M');
    f.Write32(0); // file size, patched at the end
    f.Write32(0);
    f.Write32(kFileHeaderSize + kInfoHeaderSize + 4 * tableEntries);
    f.Write32(kInfoHeaderSize);
    f.Write32(width);
    f.Write32(height);
    f.Write16(1);
    f.Write16(static_cast<unsigned short>(bytesPerPixel * 8));
    f.Write32(kCompressionNone);
    f.Write32(imageSize);
    f.Write32(0);
    f.Write32(0);
    f.Write32(coloursUsed);
    f.Write32(coloursUsed);
    if (pal != nullptr)
    {
        unsigned char table[256 * 4] = {};
        const KWOColor* e = pal->Entries();
        for (uint32_t i = 0; i < coloursUsed; ++i)
        {
            table[4 * i] = e[i].b;
            table[4 * i + 1] = e[i].g;
            table[4 * i + 2] = e[i].r;
            table[4 * i + 3] = e[i].a;
        }
        f.Write(table, sizeof table);
    }
    for (uint32_t i = 0; i < height; ++i)
    {
        const unsigned char* row = pixels + size_t(height - 1 - i) * pitch;
        if (f.Write(row, pitch) != pitch || !WriteZeros(f, padding))
        {
            KWO::LOG("BMP: error writing data, line %d\n", static_cast<int>(i));
            return false;
        }
    }
    const uint32_t size = f.GetPos() - start;
    if (!SeekFrom(f, start, 2) || !f.Write32(size))
    {
        KWO::LOG("BMP: error writing size\n");
        return false;
    }
    return true;
}
