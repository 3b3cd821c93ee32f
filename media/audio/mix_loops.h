// The mixer's inner loops, one set per output sample format.
//
// A buffer is mixed in 32-bit sums centred on 0: each channel adds its
// samples, scaled by its volume, to the sums; the sums are then clipped and
// written in the output format. Unsigned samples are centred (value - 128 or
// value - 32768) before they are scaled and the centre is added back once
// when the sum is written, so that silence stays silence whatever the number
// of channels. For the signed formats this is exactly: output = clip(sum of
// sample x volume / 128).
#ifndef KWOMEDIA_AUDIO_MIX_LOOPS_H
#define KWOMEDIA_AUDIO_MIX_LOOPS_H

#include <cstdint>

namespace kwo_audio
{
struct MixLoops
{
    int format;           // the sample format read from channels and written out
    unsigned sampleBytes; // 1 or 2
    int minValue;         // clip range of the format, as written (0..255 for
    int maxValue;         // unsigned 8 bits, -32768..32767 for signed 16 bits, ...)

    // Adds `count` samples read from `src` to `sum`: each is multiplied by
    // its volume (0..128; `even` for samples 0, 2, 4, ..., `odd` for 1, 3,
    // 5, ...) and divided by 128, truncating toward zero. `sum` and `src`
    // must not overlap.
    void (*add)(int32_t* sum, const uint8_t* src, unsigned count, int even, int odd);
    // Writes `count` sums, clipped to the format's range, to `dst`.
    void (*write)(uint8_t* dst, const int32_t* sum, unsigned count);
};

// The loops of `format`; a format that is none of SDL's six 8- and 16-bit
// codes gets those of unsigned 8 bits.
const MixLoops& MixLoopsFor(int format);
} // namespace kwo_audio

#endif
