// Pixel rows under the drawing code (canvas.h) and the text drawing: reading
// and writing one pixel at each supported depth, filling spans, transparent
// row copies and the clipping of block copies. Internal to the graphics
// module.
//
// Pixel values follow the image depth table: 8 bpp one palette index, 15/16
// one 16-bit word in machine order, 24 bpp 0xRRGGBB stored blue, green, red,
// 32 bpp one 32-bit word in machine order.
#ifndef KWOMEDIA_GRAPHICS_PIXEL_ROWS_H
#define KWOMEDIA_GRAPHICS_PIXEL_ROWS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kwo_pixels
{
// The five depths the drawing code knows.
inline bool SupportedDepth(unsigned int bpp)
{
    return bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32;
}

inline uint16_t Load16(const unsigned char* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

inline uint32_t Load32(const unsigned char* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline uint64_t Load64(const unsigned char* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline void Store16(unsigned char* p, uint16_t v)
{
    std::memcpy(p, &v, 2);
}

inline void Store32(unsigned char* p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}

inline void Store64(unsigned char* p, uint64_t v)
{
    std::memcpy(p, &v, 8);
}

// Writes one pixel at a supported depth.
inline void PutPixel(unsigned char* p, unsigned int bpp, uint32_t colour, bool xorMode)
{
    switch (bpp)
    {
        case 8:
            if (xorMode)
                p[0] ^= static_cast<unsigned char>(colour);
            else
                p[0] = static_cast<unsigned char>(colour);
            break;
        case 15:
        case 16:
            Store16(p, xorMode ? static_cast<uint16_t>(Load16(p) ^ 0xFFFFu)
                               : static_cast<uint16_t>(colour));
            break;
        case 24:
            if (xorMode)
            {
                p[0] ^= 0xFF;
                p[1] ^= 0xFF;
                p[2] ^= 0xFF;
            }
            else
            {
                p[0] = static_cast<unsigned char>(colour);
                p[1] = static_cast<unsigned char>(colour >> 8);
                p[2] = static_cast<unsigned char>(colour >> 16);
            }
            break;
        case 32:
            Store32(p, xorMode ? ~Load32(p) : colour);
            break;
        default:
            break;
    }
}

// Draws `count` neighbouring pixels at a supported depth.
inline void FillSpan(unsigned char* p, uint64_t count, unsigned int bpp, uint32_t colour,
                     bool xorMode)
{
    const unsigned int bytes = (bpp + 7) / 8;
    const size_t size = static_cast<size_t>(count) * bytes;
    if (xorMode)
    {
        // Above 8 bpp exclusive-or inverts every bit of the pixel.
        const unsigned char mask = bpp == 8 ? static_cast<unsigned char>(colour) : 0xFF;
        for (size_t i = 0; i < size; ++i)
            p[i] ^= mask;
        return;
    }
    switch (bpp)
    {
        case 8:
            std::memset(p, static_cast<unsigned char>(colour), size);
            break;
        case 15:
        case 16:
            for (uint64_t i = 0; i < count; ++i)
                Store16(p + 2 * i, static_cast<uint16_t>(colour));
            break;
        case 24:
            for (uint64_t i = 0; i < count; ++i, p += 3)
            {
                p[0] = static_cast<unsigned char>(colour);
                p[1] = static_cast<unsigned char>(colour >> 8);
                p[2] = static_cast<unsigned char>(colour >> 16);
            }
            break;
        case 32:
            for (uint64_t i = 0; i < count; ++i)
                Store32(p + 4 * i, colour);
            break;
        default:
            break;
    }
}

// ---- transparent row copies ------------------------------------------------
// Each copies n pixels from s to d, leaving out the pixels equal to the key.

// 8 bpp, eight pixels at a time: a word with no key byte is stored whole, a
// word of key bytes only is skipped, a mixed word is merged through a mask.
inline void TCopyRow8(unsigned char* d, const unsigned char* s, size_t n, uint8_t key)
{
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t keys = kOnes * key;
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen pixels at a time where the processor has SSE2 (every x86-64).
    const __m128i keys16 = _mm_set1_epi8(static_cast<char>(key));
    for (; i + 16 <= n; i += 16)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i isKey = _mm_cmpeq_epi8(v, keys16);
        const int mask = _mm_movemask_epi8(isKey);
        if (mask == 0)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
        else if (mask != 0xFFFF)
        {
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            const __m128i merged =
                _mm_or_si128(_mm_and_si128(isKey, old), _mm_andnot_si128(isKey, v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), merged);
        }
    }
#endif
    for (; i + 8 <= n; i += 8)
    {
        const uint64_t v = Load64(s + i);
        const uint64_t x = v ^ keys; // zero bytes where the pixel is the key
        // High bit of each byte set exactly where that byte of x is 0.
        const uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);
        if (zero == 0)
            Store64(d + i, v);
        else if (zero != (kOnes << 7))
        {
            const uint64_t keep = (zero >> 7) * 0xFF; // 0xFF where d keeps its byte
            Store64(d + i, (v & ~keep) | (Load64(d + i) & keep));
        }
    }
    for (; i < n; ++i)
        if (s[i] != key)
            d[i] = s[i];
}

inline void TCopyRow16(unsigned char* d, const unsigned char* s, size_t n, uint16_t key)
{
    for (size_t i = 0; i < n; ++i)
    {
        const uint16_t v = Load16(s + 2 * i);
        if (v != key)
            Store16(d + 2 * i, v);
    }
}

inline void TCopyRow24(unsigned char* d, const unsigned char* s, size_t n, uint32_t key)
{
    const unsigned char k0 = static_cast<unsigned char>(key);
    const unsigned char k1 = static_cast<unsigned char>(key >> 8);
    const unsigned char k2 = static_cast<unsigned char>(key >> 16);
    for (size_t i = 0; i < n; ++i, s += 3, d += 3)
        if (s[0] != k0 || s[1] != k1 || s[2] != k2)
        {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
}

inline void TCopyRow32(unsigned char* d, const unsigned char* s, size_t n, uint32_t key)
{
    for (size_t i = 0; i < n; ++i)
    {
        const uint32_t v = Load32(s + 4 * i);
        if (v != key)
            Store32(d + 4 * i, v);
    }
}

// The value of the pixel at p (a supported depth).
inline uint32_t ReadPixel(const unsigned char* p, unsigned int bpp)
{
    switch (bpp)
    {
        case 8:
            return p[0];
        case 15:
        case 16:
            return Load16(p);
        case 24:
            return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
        default:
            return Load32(p);
    }
}

// ---- block copies ----------------------------------------------------------

// A block copy after clipping: destination and source corners and the size.
struct Block
{
    int64_t dx, dy, sx, sy, w, h;
};

// Cuts the block to the destination's clipping rectangle (moving the source
// corner with it) and to the source's size. False when nothing remains.
inline bool ClipBlock(Block& b, int64_t xmin, int64_t xmax, int64_t ymin, int64_t ymax,
                      int64_t srcWidth, int64_t srcHeight)
{
    if (b.dx > xmax || b.dy > ymax || b.sx < 0 || b.sx >= srcWidth || b.sy < 0 || b.sy >= srcHeight)
        return false;
    if (b.dx < xmin)
    {
        b.sx += xmin - b.dx;
        b.w -= xmin - b.dx;
        b.dx = xmin;
    }
    if (b.dy < ymin)
    {
        b.sy += ymin - b.dy;
        b.h -= ymin - b.dy;
        b.dy = ymin;
    }
    b.w = std::min({b.w, srcWidth - b.sx, xmax - b.dx + 1});
    b.h = std::min({b.h, srcHeight - b.sy, ymax - b.dy + 1});
    return b.w > 0 && b.h > 0;
}
} // namespace kwo_pixels

#endif
