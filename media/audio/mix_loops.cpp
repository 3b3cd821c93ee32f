#include "audio/mix_loops.h"

#include "audio/sample_format.h"

namespace kwo_audio
{
namespace
{
// How one sample of a format is read (centred on 0) and written back.
struct U8Sample
{
    static constexpr unsigned kBytes = 1;
    static constexpr int kLow = -128, kHigh = 127, kCentre = 128;
    static int Read(const uint8_t* p) { return int(p[0]) - kCentre; }
    static void Write(uint8_t* p, int v) { p[0] = static_cast<uint8_t>(v + kCentre); }
};

struct S8Sample
{
    static constexpr unsigned kBytes = 1;
    static constexpr int kLow = -128, kHigh = 127, kCentre = 0;
    static int Read(const uint8_t* p) { return static_cast<int8_t>(p[0]); }
    static void Write(uint8_t* p, int v) { p[0] = static_cast<uint8_t>(v); }
};

template <bool kSigned, bool kBigEndian> struct Sample16
{
    static constexpr unsigned kBytes = 2;
    static constexpr int kLow = -32768, kHigh = 32767, kCentre = kSigned ? 0 : 32768;
    static int Read(const uint8_t* p)
    {
        const unsigned raw =
            kBigEndian ? (unsigned(p[0]) << 8) | p[1] : (unsigned(p[1]) << 8) | p[0];
        return kSigned ? int(static_cast<int16_t>(raw)) : int(raw) - kCentre;
    }
    static void Write(uint8_t* p, int v)
    {
        const unsigned raw = static_cast<unsigned>(v + kCentre) & 0xFFFF;
        p[kBigEndian ? 0 : 1] = static_cast<uint8_t>(raw >> 8);
        p[kBigEndian ? 1 : 0] = static_cast<uint8_t>(raw);
    }
};

// Integer division by 128 truncating toward zero, as C++'s division does;
// the compiler makes it a shift with a correction for negative values.
inline int32_t Scale(int sample, int volume)
{
    return sample * volume / 128;
}

template <class S> void Add(int32_t* sum, const uint8_t* src, unsigned count, int even, int odd)
{
    if (even == odd)
    {
        // Mono output, or both sides at the same volume: one plain loop.
        for (unsigned i = 0; i < count; ++i)
            sum[i] += Scale(S::Read(src + i * S::kBytes), even);
        return;
    }
    unsigned i = 0;
    for (; i + 1 < count; i += 2)
    {
        sum[i] += Scale(S::Read(src + i * S::kBytes), even);
        sum[i + 1] += Scale(S::Read(src + (i + 1) * S::kBytes), odd);
    }
    if (i < count)
        sum[i] += Scale(S::Read(src + i * S::kBytes), even);
}

template <class S> void Write(uint8_t* dst, const int32_t* sum, unsigned count)
{
    for (unsigned i = 0; i < count; ++i)
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
