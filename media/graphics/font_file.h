// Pieces of the "KWOF" font file shared by the font loader and the picture
// codec that reads a font's glyph bitmap as a plain picture. Internal to the
// graphics module.
//
// The bitmap block: width (32 bits), height (32 bits), depth (8 bits), then
// the rows, top row first. At 1 bit (width + 7) / 8 bytes per row, leftmost
// pixel in the most significant bit; at 2 bits (width + 3) / 4 bytes per
// row, leftmost pixel in the two most significant bits; at 8, 24 and 32 bits
// width x depth / 8 bytes per row.
#ifndef KWOMEDIA_GRAPHICS_FONT_FILE_H
#define KWOMEDIA_GRAPHICS_FONT_FILE_H

#include <cstdint>

class KWOResFile;

namespace kwo_font
{
// Offsets of the three blocks in a version-2 file header.
constexpr uint32_t kNameBlockOffset = 17;
constexpr uint32_t kOffsetsPosition = 9;

// Reads exactly `count` bytes; false on a short read or a stream that is
// not OK.
bool ReadExact(KWOResFile& f, void* buffer, uint32_t count);
// Moves to `offset` bytes from the start; false when the stream cannot.
bool SeekTo(KWOResFile& f, uint32_t offset);

// Little-endian fields from a byte buffer.
inline uint16_t Get16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void Put16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void Put32(unsigned char* p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// The header of a bitmap block.
struct BitmapHeader
{
    uint32_t width;
    uint32_t height;
    uint8_t depth;
};

// Reads the 9-byte header of the bitmap block at the stream's position.
bool ReadBitmapHeader(KWOResFile& f, BitmapHeader& header);

// The bytes of one stored row at a depth (1, 2, 8, 24 or 32); 0 for any
// other depth.
uint64_t StoredRowBytes(uint32_t width, uint8_t depth);

// True when the rows of `header` can be read into memory: the depth is one
// of 1, 2, 8, 24, 32, the unpacked size (width x height x bytes per pixel)
// passes the buffer limit, and the stream still holds every stored row. So
// a header that announces more than the file holds is refused before any
// buffer is allocated. The stream's position is kept.
bool RowsFit(KWOResFile& f, const BitmapHeader& header);

// Reads the rows of `header` into `out`: one byte per pixel at 1, 2 and 8
// bits (values 0-1, 0-3, 0-255), the stored bytes unchanged at 24 and 32
// bits. `out` holds width x height x bytes per pixel bytes. False on a
// short read.
bool ReadRows(KWOResFile& f, const BitmapHeader& header, unsigned char* out);
} // namespace kwo_font

#endif
