#include "audio/sample_format.h"
#include "audio/sound_readers.h"
#include "core/KWOLog.h"

#include <cstring>

namespace kwo_audio
{
namespace
{
// What stands at `pos`: nothing like a chunk header, four printable ASCII
// characters (a chunk name) followed by a length that reaches past the end
// of the stream, or a whole plausible header whose chunk fits in the stream.
enum class Header
{
    None,
    NameOnly,
    Whole
};

Header HeaderAt(KWOResFile& file, uint64_t pos, uint32_t streamLength)
{
    char id[4];
    if (pos + 8 > streamLength || !SeekTo(file, pos) || !ReadId(file, id))
        return Header::None;
    for (char c : id)
    {
        if (c < 0x20 || c > 0x7E)
            return Header::None;
    }
    const uint32_t len = file.Read32();
    if (file.GetState() != KWOResFile::StateOK)
        return Header::None;
    return len <= streamLength - (pos + 8) ? Header::Whole : Header::NameOnly;
}

// Finds the chunk `id`: true with `*start` just behind its header and
// `*length` its stored length.
bool FindChunk(KWOResFile& file, uint32_t streamLength, const char* id, uint32_t* start,
               uint32_t* length)
{
    uint64_t pos = 12;
    while (pos + 8 <= streamLength)
    {
        char got[4];
        if (!SeekTo(file, pos) || !ReadId(file, got))
            return false;
        const uint32_t len = file.Read32();
        if (file.GetState() != KWOResFile::StateOK)
            return false;
        if (std::memcmp(got, id, 4) == 0)
        {
            *start = static_cast<uint32_t>(pos + 8);
            *length = len;
            return true;
        }
        pos += 8 + uint64_t(len);
        // Chunks are padded to an even length, but some writers leave the
        // pad byte out. The pad (normally 0, never part of a chunk name) is
        // skipped unless a whole chunk header stands right behind the data;
        // a name whose length reaches past the end (a cut file) stays put
        // unless a whole header follows the pad instead.
        if ((len & 1) != 0)
        {
            const Header unpadded = HeaderAt(file, pos, streamLength);
            if (unpadded == Header::None ||
                (unpadded == Header::NameOnly &&
                 HeaderAt(file, pos + 1, streamLength) == Header::Whole))
                ++pos;
        }
    }
    return false;
}
} // namespace

bool ReadWavHeader(KWOResFile& file, Use use, SoundHeader* header)
{
    const char* name = StreamName(file);
    if (!ReadFormIds(file, "RIFF", "WAVE"))
    {
        KWO::WARN("Sound: bad file type (not WAV) (%s)\n", name);
        return false;
    }
    const uint32_t streamLength = StreamLength(file);

    uint32_t fmtStart = 0;
    uint32_t fmtLength = 0;
    if (!FindChunk(file, streamLength, "fmt ", &fmtStart, &fmtLength))
    {
        KWO::WARN("Sound: internal error\n");
        return false;
    }
    header->encoding = file.Read16();
    const unsigned channels = file.Read16();
    const uint32_t frequency = file.Read32();
    file.Read32(); // byte rate: not used
    const unsigned blockAlign = file.Read16();
    const unsigned bits = file.Read16();

    const bool adpcm = header->encoding == kWavMsAdpcm || header->encoding == kWavImaAdpcm;
    if (header->encoding == kWavMsAdpcm)
    {
        if (use == Use::Music)
        {
            KWO::WARN("Sound: MS_ADPCM not supported - %s\n", name);
            return false;
        }
        if (!InitMsAdpcm(file, channels, blockAlign, &header->ms))
        {
            KWO::WARN("Sound: InitMS_ADPCM failed - %s\n", name);
            return false;
        }
    }
    else if (header->encoding == kWavImaAdpcm)
    {
        if (use == Use::Music)
        {
            KWO::WARN("Sound: IMA_ADPCM not supported - %s\n", name);
            return false;
        }
        if (!InitImaAdpcm(file, channels, blockAlign, &header->ima))
        {
            KWO::WARN("Sound: InitIMA_ADPCM failed - %s\n", name);
            return false;
        }
    }
    else if (header->encoding != kWavPcm)
    {
        KWO::WARN("Sound: Unknown WAV data format - %s\n", name);
        return false;
    }

    // ADPCM data decode to signed 16-bit samples whatever bit count the
    // header declares.
    if (adpcm && (bits == 4 || bits == 8 || bits == 16))
        header->format = kFormatS16LSB;
    else if (bits == 8)
        header->format = kFormatU8;
    else if (bits == 16)
        header->format = kFormatS16LSB;
    else
    {
        KWO::WARN("Sound: unknown %d-bits PCM format - %s\n", static_cast<int>(bits), name);
        return false;
    }
    // The ADPCM codecs have checked their channel counts already (IMA ADPCM
    // refuses more than 2 channels when decoding).
    if ((!adpcm && !CheckChannels(channels, file)) || !CheckRate(frequency, file))
        return false;
    header->channels = static_cast<int>(channels);
    header->frequency = static_cast<int>(frequency);

    if (!FindChunk(file, streamLength, "data", &header->dataStart, &header->dataSize))
    {
        KWO::WARN("Sound: no data in file %s\n", name);
        return false;
    }
    // The chunk's header lies within the stream: dataStart <= streamLength.
    header->available = streamLength - header->dataStart;
    return true;
}
} // namespace kwo_audio
