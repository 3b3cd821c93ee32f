// The readers of the three sound containers (WAV, AIFF, AU), one per
// container in wav_reader.cpp, aiff_reader.cpp and au_reader.cpp, and what
// they share: the header they all fill in, container detection, the load
// steps of sounds and music, the stream's name for messages, its length,
// bounded seeks and the checks every header gets. Failures that have a
// message are logged with KWO::WARN.
#ifndef KWOMEDIA_AUDIO_SOUND_READERS_H
#define KWOMEDIA_AUDIO_SOUND_READERS_H

#include "audio/KWOSound.h"
#include "audio/adpcm.h"
#include "files/KWOResFile.h"

#include <cstdint>

namespace kwo_audio
{
// The sample encodings of WAV files.
enum : unsigned
{
    kWavPcm = 1,
    kWavMsAdpcm = 2,
    kWavImaAdpcm = 0x11
};

// Who reads the header: sounds decode both ADPCM codecs, music streams only
// read linear samples.
enum class Use
{
    Sound,
    Music
};

// What a sound file's header says about its samples, whatever the container.
struct SoundHeader
{
    unsigned encoding = kWavPcm; // WAV's encoding; AIFF and AU hold linear samples
    int format = 0;              // the samples as sounds and music keep them (16-bit little-endian)
    bool bigEndian = false;      // 16-bit samples stored big-endian, swapped once read
    int channels = 0;
    int frequency = 0;
    MsAdpcmParams ms{};     // with encoding kWavMsAdpcm
    ImaAdpcmParams ima{};   // with encoding kWavImaAdpcm
    uint32_t dataStart = 0; // first sample byte
    uint32_t dataSize = 0;  // bytes of samples as declared (UINT32_MAX: more than any stream holds)
    uint32_t available = 0; // bytes of the stream from dataStart on

    // The declared bytes that the stream holds.
    uint32_t Readable() const { return dataSize < available ? dataSize : available; }
};

// Reads the header of a file in `container` (KWOSound::FormatWAV, FormatAIFF
// or FormatAU) and leaves the stream at the first sample byte. False, after
// the reason was logged where there is one, when the stream is not open, the
// header is not one of that container, or it declares samples that are not
// supported.
bool ReadSoundHeader(KWOResFile& file, int container, Use use, SoundHeader* header);

// The readers of the single containers, as ReadSoundHeader calls them.
//
// WAV: "RIFF", a length and "WAVE", the "fmt " chunk (with the ADPCM
// extension for sounds) and the "data" chunk. Chunks are searched from byte
// 12 each time; the pad byte after an odd length is skipped unless the file
// was plainly written without it, and a chunk that reaches past the end of
// the stream ends the search.
bool ReadWavHeader(KWOResFile& file, Use use, SoundHeader* header);
// AIFF (big-endian): walks the chunks until both "COMM" (channels, frames,
// sample size, 80-bit rate) and "SSND" were seen or the stream ends. False
// (silently) when either is missing or the samples would start past the end
// of the stream.
bool ReadAiffHeader(KWOResFile& file, SoundHeader* header);
// AU (big-endian): ".snd", data offset, data size (all ones: the rest of
// the stream), encoding (2: 8-bit linear, 3: 16-bit linear), rate and
// channels. False (silently) when the data offset lies past the end.
bool ReadAuHeader(KWOResFile& file, SoundHeader* header);

// The rate stored as a big-endian IEEE 754 80-bit extended value, as a whole
// number of Hz; 0 for negative values, values below 1 and values of 2^30 or
// more.
uint32_t ExtendedToRate(const unsigned char bytes[10]);

// The container of a sound file by its first four bytes: KWOSound::FormatWAV
// ("RIFF"), FormatAIFF ("FORM"), FormatAU (".snd"), 0 anything else. The
// stream is left at its start.
int DetectContainer(KWOResFile& file);

// The load steps sounds and music share: an open stream, the container
// (detected when `format` is 0; an unknown start leaves `target` as it
// was), then `target` emptied and loaded by the loader of the container,
// and emptied again when that fails (an unknown container included).
template <class Target> bool LoadContainer(Target& target, KWOResFile& file, int format)
{
    if (file.GetState() != KWOResFile::StateOK)
        return false;
    if (format == KWOSound::FormatDetect)
    {
        format = DetectContainer(file);
        if (format == KWOSound::FormatDetect)
            return false;
    }
    target.Clear();
    bool ok = false;
    switch (format)
    {
        case KWOSound::FormatWAV:
            ok = target.LoadWAV(file);
            break;
        case KWOSound::FormatAIFF:
            ok = target.LoadAIFF(file);
            break;
        case KWOSound::FormatAU:
            ok = target.LoadAU(file);
            break;
        default:
            break;
    }
    if (!ok)
        target.Clear();
    return ok;
}

// The stream's display name, or "(null)" when it has none.
const char* StreamName(const KWOResFile& file);

// The stream's length in bytes (SeekEnd, then GetPos). The stream is left at
// its end, in whatever state SeekEnd leaves: seek before reading again.
uint32_t StreamLength(KWOResFile& file);

// Seeks to the absolute position `pos`; false when the stream refuses or the
// position does not fit a seek offset.
bool SeekTo(KWOResFile& file, uint64_t pos);

// Reads four bytes as they are stored (a chunk id); false on a short read.
bool ReadId(KWOResFile& file, char id[4]);

// Reads the 12 bytes that open RIFF and IFF files: the id `outer`, a length
// (not used) and the id `kind`. False when either id differs.
bool ReadFormIds(KWOResFile& file, const char* outer, const char* kind);

// Channel counts other than 1 and 2 are refused with
// "Sound: channel count not supported (%d) - %s\n".
bool CheckChannels(int64_t channels, const KWOResFile& file);

// Rates outside kMinRate...kMaxRate are refused with "Sound: bad sample rate %s\n".
bool CheckRate(int64_t rate, const KWOResFile& file);

// The sample format of linear AIFF and AU samples of `bits` (8 or 16) as
// they are kept: signed, 16-bit swapped to little-endian.
void SetLinearFormat(unsigned bits, SoundHeader* header);
} // namespace kwo_audio

#endif
