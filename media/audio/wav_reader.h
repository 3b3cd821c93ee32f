// The header of RIFF WAVE files, for sounds (PCM and both ADPCM codecs) and
// music streams (PCM only): the format fields of the "fmt " chunk and where
// the "data" chunk lies. Failures are logged with KWO::WARN.
#ifndef KWOMEDIA_AUDIO_WAV_READER_H
#define KWOMEDIA_AUDIO_WAV_READER_H

#include "audio/adpcm.h"

#include <cstdint>

class KWOResFile;

namespace kwo_audio
{
enum : unsigned
{
    kWavPcm = 1,
    kWavMsAdpcm = 2,
    kWavImaAdpcm = 0x11
};

enum class WavUse
{
    Sound, // PCM and both ADPCM codecs
    Music  // PCM only
};

struct WavInfo
{
    unsigned encoding = 0;
    int channels = 0;
    int frequency = 0;
    int format = 0;          // sample format of the (decoded) data
    MsAdpcmParams ms{};      // with encoding 2
    ImaAdpcmParams ima{};    // with encoding 0x11
    uint32_t dataStart = 0;  // position just behind the "data" chunk header
    uint32_t dataLength = 0; // the "data" chunk's length as stored
    uint32_t streamLength = 0;
};

// Reads "RIFF", a length and "WAVE", the "fmt " chunk (with the ADPCM
// extension for sounds) and finds the "data" chunk. Chunks are searched from
// byte 12 each time; the pad byte after an odd length is skipped unless the
// file was plainly written without it, and a chunk that reaches past the end
// of the stream ends the search.
bool ReadWavHeader(KWOResFile& file, WavUse use, WavInfo* info);
} // namespace kwo_audio

#endif
