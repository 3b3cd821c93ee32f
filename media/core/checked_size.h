// Checked arithmetic for buffer sizes taken from files or arguments.
//
// Every reader that turns header fields into a byte count (width x height x
// bytes per pixel, entry count x entry size, ...) goes through these helpers:
// the product is computed in 64 bits and refused when it does not fit the
// 32-bit sizes the library works with, or when it passes the limit a single
// buffer may have. So a corrupt header can never make us allocate gigabytes
// or wrap a size around to a small number.
#ifndef KWOMEDIA_CORE_CHECKED_SIZE_H
#define KWOMEDIA_CORE_CHECKED_SIZE_H

#include <cstdint>

namespace KWO
{
// The largest buffer a reader or an image may allocate: 256 MiB (a
// 8192 x 8192 picture at 32 bits per pixel).
constexpr uint64_t kMaxBufferBytes = uint64_t(1) << 28;

// a + b, false when the sum does not fit in 32 bits.
inline bool SizeAdd(uint64_t a, uint64_t b, uint32_t* out)
{
    if (a > UINT32_MAX || b > UINT32_MAX || a + b > UINT32_MAX)
        return false;
    *out = static_cast<uint32_t>(a + b);
    return true;
}

// a x b, false when the product does not fit in 32 bits.
inline bool SizeMul(uint64_t a, uint64_t b, uint32_t* out)
{
    if (a > UINT32_MAX || b > UINT32_MAX)
        return false;
    const uint64_t p = a * b; // both below 2^32: no 64-bit overflow
    if (p > UINT32_MAX)
        return false;
    *out = static_cast<uint32_t>(p);
    return true;
}

// a x b x c, false when the product does not fit in 32 bits.
inline bool SizeMul3(uint64_t a, uint64_t b, uint64_t c, uint32_t* out)
{
    uint32_t ab;
    return SizeMul(a, b, &ab) && SizeMul(ab, c, out);
}

// The byte count of a buffer of a x b x c bytes, false when it does not fit
// in 32 bits or passes kMaxBufferBytes. A zero factor gives 0 (and true).
inline bool BufferSize(uint64_t a, uint64_t b, uint64_t c, uint32_t* out)
{
    uint32_t n;
    if (!SizeMul3(a, b, c, &n) || n > kMaxBufferBytes)
        return false;
    *out = n;
    return true;
}

// Bytes per pixel of a depth in bits: (bpp + 7) / 8.
inline uint32_t BytesPerPixel(uint32_t bpp)
{
    return static_cast<uint32_t>((uint64_t(bpp) + 7) / 8);
}
} // namespace KWO

#endif
