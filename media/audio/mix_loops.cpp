#include "audio/mix_loops.h"

#include "audio/sample_format.h"

#include <cstddef>
#include <cstring>

namespace kwo_audio
{
namespace
{
#if defined(__BYTE_ORDER__) && defined(__ORDER_BIG_ENDIAN__) &&                                    \
    __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kHostBigEndian = true;
#else
constexpr bool kHostBigEndian = false;
#endif

// How one sample of a format is read (centred on 0, so that it fits 16 bits
// signed) and written back.
struct U8Sample
{
    static constexpr unsigned kBytes = 1;
    static constexpr int kLow = -128, kHigh = 127, kCentre = 128;
    static int16_t Read(const uint8_t* p) { return static_cast<int16_t>(int(p[0]) - kCentre); }
    static void Write(uint8_t* p, int v) { p[0] = static_cast<uint8_t>(v + kCentre); }
};

struct S8Sample
{
    static constexpr unsigned kBytes = 1;
    static constexpr int kLow = -128, kHigh = 127, kCentre = 0;
    static int16_t Read(const uint8_t* p) { return static_cast<int8_t>(p[0]); }
    static void Write(uint8_t* p, int v) { p[0] = static_cast<uint8_t>(v); }
};

template <bool kSigned, bool kBigEndian> struct Sample16
{
    static constexpr unsigned kBytes = 2;
    static constexpr int kLow = -32768, kHigh = 32767, kCentre = kSigned ? 0 : 32768;
    static int16_t Read(const uint8_t* p)
    {
        // A plain 16-bit load (swapped when the byte orders differ), which
        // the compiler can widen into vector loads.
        uint16_t raw;
        std::memcpy(&raw, p, sizeof(raw));
        if (kBigEndian != kHostBigEndian)
            raw = static_cast<uint16_t>((raw << 8) | (raw >> 8));
        // Flipping the top bit centres an unsigned sample.
        return static_cast<int16_t>(kSigned ? raw : raw ^ 0x8000);
    }
    static void Write(uint8_t* p, int v)
    {
        uint16_t raw = static_cast<uint16_t>(v + kCentre);
        if (kBigEndian != kHostBigEndian)
            raw = static_cast<uint16_t>((raw << 8) | (raw >> 8));
        std::memcpy(p, &raw, sizeof(raw));
    }
};

// sample x volume / 128, the division truncating toward zero as C++'s
// does; both factors are 16-bit, so the compiler can use 16-bit multiplies.
inline int32_t Scale(int16_t sample, int16_t volume)
{
    return int32_t(sample) * int32_t(volume) / 128;
}

template <class S>
void Add(int32_t* __restrict sum, const uint8_t* __restrict src, unsigned count, int even, int odd)
{
    // Groups of eight samples with a fixed pattern of volumes (even, odd,
    // even, ...): the compiler turns each group into a few vector operations.
    // The sums and the samples never overlap (__restrict), so it needs no
    // run-time checks for that either.
    const int16_t e = static_cast<int16_t>(even), o = static_cast<int16_t>(odd);
    const int16_t volume[8] = {e, o, e, o, e, o, e, o};
    for (; count >= 8; count -= 8, sum += 8, src += 8 * S::kBytes)
    {
        for (size_t k = 0; k < 8; ++k)
            sum[k] += Scale(S::Read(src + k * S::kBytes), volume[k]);
    }
    for (size_t k = 0; k < count; ++k)
        sum[k] += Scale(S::Read(src + k * S::kBytes), volume[k & 1]);
}

template <class S>
void Write(uint8_t* __restrict dst, const int32_t* __restrict sum, unsigned count)
{
    for (size_t i = 0; i < count; ++i)
    {
        const int32_t v = sum[i];
        S::Write(dst + i * S::kBytes, v < S::kLow ? S::kLow : (v > S::kHigh ? S::kHigh : v));
    }
}

template <class S> constexpr MixLoops Loops(int format)
{
    return MixLoops{format,  S::kBytes, S::kLow + S::kCentre, S::kHigh + S::kCentre,
                    &Add<S>, &Write<S>};
}

const MixLoops kLoops[] = {
    Loops<U8Sample>(kFormatU8),
    Loops<S8Sample>(kFormatS8),
    Loops<Sample16<false, false>>(kFormatU16LSB),
    Loops<Sample16<false, true>>(kFormatU16MSB),
    Loops<Sample16<true, false>>(kFormatS16LSB),
    Loops<Sample16<true, true>>(kFormatS16MSB),
};
} // namespace

const MixLoops& MixLoopsFor(int format)
{
    for (const MixLoops& loops : kLoops)
    {
        if (loops.format == format)
            return loops;
    }
    return kLoops[0];
}
} // namespace kwo_audio
