#include "graphics/font_file.h"

#include "core/checked_size.h"
#include "files/KWOResFile.h"

#include <climits>
#include <cstddef>
#include <vector>

namespace kwo_font
{
bool ReadExact(KWOResFile& f, void* buffer, uint32_t count)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    return count == 0 || f.Read(buffer, count) == count;
}

bool SeekTo(KWOResFile& f, uint32_t offset)
{
    return offset <= uint32_t(INT_MAX) && f.Seek(static_cast<int>(offset), 0);
}

bool ReadBitmapHeader(KWOResFile& f, BitmapHeader& header)
{
    unsigned char raw[9];
    if (!ReadExact(f, raw, sizeof raw))
        return false;
    header.width = Get32(raw);
    header.height = Get32(raw + 4);
    header.depth = raw[8];
    return true;
}

uint64_t StoredRowBytes(uint32_t width, uint8_t depth)
{
    switch (depth)
    {
        case 1:
            return (uint64_t(width) + 7) / 8;
        case 2:
            return (uint64_t(width) + 3) / 4;
        case 8:
        case 24:
        case 32:
            return uint64_t(width) * (depth / 8);
        default:
            return 0;
    }
}

namespace
{
// The bytes from the current position to the end of the stream; the
// position is kept. 0 when the stream is at its end or cannot go back.
uint64_t BytesLeft(KWOResFile& f)
{
    const uint32_t pos = f.GetPos();
    f.SeekEnd();
    const uint32_t end = f.GetPos();
    if (pos >= end || !SeekTo(f, pos))
    {
        SeekTo(f, pos);
        return 0;
    }
    return end - pos;
}

unsigned int UnpackedBytesPerPixel(uint8_t depth)
{
    return depth <= 8 ? 1 : depth / 8;
}
} // namespace

bool RowsFit(KWOResFile& f, const BitmapHeader& header)
{
    const uint64_t row = StoredRowBytes(header.width, header.depth);
    if (row == 0 && header.width != 0)
        return false; // a depth the format does not know
    uint32_t unpacked;
    if (!KWO::BufferSize(header.width, header.height, UnpackedBytesPerPixel(header.depth),
                         &unpacked))
        return false;
    const uint64_t stored = row * header.height; // both below 2^35: no overflow
    return stored == 0 || stored <= BytesLeft(f);
}

bool ReadRows(KWOResFile& f, const BitmapHeader& header, unsigned char* out)
{
    const uint64_t rowBytes = StoredRowBytes(header.width, header.depth);
    if (header.width == 0 || header.height == 0)
        return true;
    if (rowBytes == 0 || rowBytes > KWO::kMaxBufferBytes)
        return false;
    const uint32_t width = header.width;
    if (header.depth >= 8)
    {
        // Stored as they are in memory: read in one block.
        uint32_t total;
        if (!KWO::BufferSize(rowBytes, header.height, 1, &total))
            return false;
        return ReadExact(f, out, total);
    }
    std::vector<unsigned char> row(static_cast<size_t>(rowBytes));
    for (uint32_t y = 0; y < header.height; ++y, out += width)
    {
        if (!ReadExact(f, row.data(), static_cast<uint32_t>(rowBytes)))
            return false;
        if (header.depth == 1)
            for (uint32_t x = 0; x < width; ++x)
                out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        else
            for (uint32_t x = 0; x < width; ++x)
                out[x] = (row[x >> 2] >> (6 - 2 * (x & 3))) & 3;
    }
    return true;
}
} // namespace kwo_font
