// Sample formats of sounds, music and the mixer: SDL 1.2's audio format codes.
//
// The low byte is the number of bits per sample, bit 0x1000 means big-endian,
// bit 0x8000 signed. The audio classes keep these codes in plain ints so that
// only the mixer needs SDL's headers.
#ifndef KWOMEDIA_AUDIO_SAMPLE_FORMAT_H
#define KWOMEDIA_AUDIO_SAMPLE_FORMAT_H

#include <cstdint>

namespace kwo_audio
{
enum : int
{
    kFormatU8 = 0x0008,
    kFormatS8 = 0x8008,
    kFormatU16LSB = 0x0010,
    kFormatU16MSB = 0x1010,
    kFormatS16LSB = 0x8010,
    kFormatS16MSB = 0x9010
};

enum : int
{
    kFormatBigEndian = 0x1000,
    kFormatSigned = 0x8000,
    kFormatBits = 0x00FF
};

// Sample rates the loaders accept. Below 1000 Hz no rate is worth playing, and
// the floor bounds how often a conversion towards the mixer (at most 48000 Hz)
// doubles the data.
constexpr int64_t kMinRate = 1000;
constexpr int64_t kMaxRate = 0x7FFFFFFF;

// "8 bits unsigned", "16 bits signed LSB", ... or "unknown".
const char* FormatName(int format);

// True for the 16-bit formats (the low byte is 16).
inline bool Is16Bit(int format)
{
    return (format & kFormatBits) == 16;
}

// Bytes of one sample: 2 for 16-bit formats, 1 for everything else.
inline unsigned BytesPerSample(int format)
{
    return Is16Bit(format) ? 2u : 1u;
}

// `bytes` rounded down to whole frames of `channels` samples (0 without channels).
inline uint32_t WholeFrames(uint32_t bytes, int format, int channels)
{
    if (channels <= 0)
        return 0;
    const uint64_t frame = uint64_t(BytesPerSample(format)) * unsigned(channels);
    return static_cast<uint32_t>(bytes - bytes % frame);
}
} // namespace kwo_audio

#endif
