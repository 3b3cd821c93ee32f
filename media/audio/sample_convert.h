// The sample conversions shared by sounds (whole data) and music (one chunk):
// byte order, sign, 8 <-> 16 bits, rate doubling and halving, stereo to mono
// and mono to stereo.
//
// Each conversion is a pure function from a source buffer to a destination
// buffer whose size ConvertedSize gives beforehand, so the callers decide how
// buffers are allocated (a sound replaces its data, a music stream reuses two
// chunk buffers). Only whole samples, frames or sample pairs are converted;
// trailing bytes that do not make one are dropped.
#ifndef KWOMEDIA_AUDIO_SAMPLE_CONVERT_H
#define KWOMEDIA_AUDIO_SAMPLE_CONVERT_H

#include <cstdint>

namespace kwo_audio
{
enum class Conversion
{
    Endian, // swap the bytes of every 16-bit sample (nothing for 8-bit data)
    Sign,   // flip the top bit of every sample
    To16LE, // 8-bit sample b becomes the little-endian 16-bit value b * 256
    To16BE, // the same, big-endian
    To8,    // keep the high byte of every 16-bit sample
    Double, // write every frame twice (rate x 2)
    Halve,  // keep every second frame (rate / 2)
    Mono,   // add the two samples of every stereo pair, clipped
    Stereo  // write every sample twice (left = right)
};

// True for the conversions that work in place (the destination is the source).
bool InPlace(Conversion conversion);

// The bytes `conversion` makes of `size` bytes of `format` data whose frames
// hold `channels` samples. False when the conversion does not apply to the
// format (8 <-> 16 bits on the wrong width, Mono on a format that is none of
// the four known kinds) or the result would not fit in 32 bits.
bool ConvertedSize(Conversion conversion, uint32_t size, int format, int channels, uint32_t* out);

// Runs `conversion` from `src` (`size` bytes) into `dst`, which holds the
// ConvertedSize bytes (and is `src` itself for the in-place ones). Returns
// the format of the result. Call only after ConvertedSize said yes.
int Convert(Conversion conversion, const unsigned char* src, uint32_t size, unsigned char* dst,
            int format, int channels);
} // namespace kwo_audio

#endif
