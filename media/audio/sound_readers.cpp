#include "audio/sound_readers.h"

#include "audio/sample_format.h"
#include "core/KWOLog.h"

#include <climits>
#include <cstring>

namespace kwo_audio
{
namespace
{
// Leaves a stream whose header was read at the first sample byte (or at its
// start when that byte is its end), in a state that allows reading on.
void SeekToData(KWOResFile& file, uint32_t dataStart)
{
    if (!SeekTo(file, dataStart))
        file.SeekStart();
}
} // namespace

bool ReadSoundHeader(KWOResFile& file, int container, Use use, SoundHeader* header)
{
    if (file.GetState() != KWOResFile::StateOK)
    {
        KWO::WARN("Sound: bad file %s\n", StreamName(file));
        return false;
    }
    bool ok = false;
    switch (container)
    {
        case KWOSound::FormatWAV:
            ok = ReadWavHeader(file, use, header);
            break;
        case KWOSound::FormatAIFF:
            ok = ReadAiffHeader(file, header);
            break;
        case KWOSound::FormatAU:
            ok = ReadAuHeader(file, header);
            break;
        default:
            break;
    }
    if (ok)
        SeekToData(file, header->dataStart);
    return ok;
}

const char* StreamName(const KWOResFile& file)
{
    return file.GetName() ? file.GetName() : "(null)";
}

uint32_t StreamLength(KWOResFile& file)
{
    file.SeekEnd();
    return file.GetPos();
}

bool SeekTo(KWOResFile& file, uint64_t pos)
{
    if (pos > uint64_t(INT_MAX))
        return false;
    if (pos == 0)
    {
        file.SeekStart();
        return file.GetState() == KWOResFile::StateOK;
    }
    return file.Seek(static_cast<int>(pos), 0);
}

bool ReadId(KWOResFile& file, char id[4])
{
    return file.Read(id, 4) == 4;
}

bool ReadFormIds(KWOResFile& file, const char* outer, const char* kind)
{
    char first[4] = {};
    char second[4] = {};
    const bool firstOk = ReadId(file, first);
    file.Read32(); // the length: not used
    const bool secondOk = ReadId(file, second);
    return firstOk && secondOk && std::memcmp(first, outer, 4) == 0 &&
           std::memcmp(second, kind, 4) == 0;
}

bool CheckChannels(int64_t channels, const KWOResFile& file)
{
    if (channels == 1 || channels == 2)
        return true;
    KWO::WARN("Sound: channel count not supported (%lld) - %s\n", static_cast<long long>(channels),
              StreamName(file));
    return false;
}

bool CheckRate(int64_t rate, const KWOResFile& file)
{
    if (rate >= kMinRate && rate <= kMaxRate)
        return true;
    KWO::WARN("Sound: bad sample rate %s\n", StreamName(file));
    return false;
}

void SetLinearFormat(unsigned bits, SoundHeader* header)
{
    header->bigEndian = bits == 16;
    header->format = bits == 16 ? kFormatS16LSB : kFormatS8;
}

int DetectContainer(KWOResFile& file)
{
    char id[4] = {};
    file.Read(id, 4);
    file.SeekStart();
    if (std::memcmp(id, "RIFF", 4) == 0)
        return KWOSound::FormatWAV;
    if (std::memcmp(id, "FORM", 4) == 0)
        return KWOSound::FormatAIFF;
    if (std::memcmp(id, ".snd", 4) == 0)
        return KWOSound::FormatAU;
    return KWOSound::FormatDetect;
}
} // namespace kwo_audio
