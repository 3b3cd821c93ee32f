// The header of Sun/NeXT AU files (big-endian): ".snd", data offset, data
// size, encoding (2: 8-bit linear, 3: 16-bit linear), rate and channels.
// Failures that have a message are logged with KWO::WARN.
#ifndef KWOMEDIA_AUDIO_AU_READER_H
#define KWOMEDIA_AUDIO_AU_READER_H

#include <cstdint>

class KWOResFile;

namespace kwo_audio
{
struct AuInfo
{
    int channels = 0;
    int frequency = 0;
    unsigned bits = 0;      // 8 or 16
    uint32_t dataStart = 0; // the data offset
    uint32_t dataSize = 0;  // as declared; an unknown size (0xFFFFFFFF) is the rest of the stream
    uint32_t available = 0; // bytes of the stream from dataStart on
};

// False when the header is not an AU header of a supported encoding, or the
// data offset lies past the end of the stream (silently).
bool ReadAuHeader(KWOResFile& file, AuInfo* info);
} // namespace kwo_audio

#endif
