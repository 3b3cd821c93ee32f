// The header of AIFF files (big-endian): the "COMM" chunk's channels, frames,
// sample size and 80-bit sample rate, and where the "SSND" chunk's samples
// start. Failures that have a message are logged with KWO::WARN.
#ifndef KWOMEDIA_AUDIO_AIFF_READER_H
#define KWOMEDIA_AUDIO_AIFF_READER_H

#include <cstdint>

class KWOResFile;

namespace kwo_audio
{
struct AiffInfo
{
    int channels = 0;
    int frequency = 0;
    unsigned bits = 0;      // 8 or 16
    uint32_t dataSize = 0;  // frames x channels x bytes per sample (0xFFFFFFFF: more)
    uint32_t dataStart = 0; // first sample byte
    uint32_t available = 0; // bytes of the stream from dataStart on
};

// The rate stored as a big-endian IEEE 754 80-bit extended value, as a whole
// number of Hz; 0 for negative values, values below 1 and values of 2^30 or
// more.
uint32_t ExtendedToRate(const unsigned char bytes[10]);

// Walks the chunks until both "COMM" and "SSND" were seen or the stream ends.
// False (silently) when either is missing or the samples would start past the
// end of the stream.
bool ReadAiffHeader(KWOResFile& file, AiffInfo* info);
} // namespace kwo_audio

#endif
