#include "audio/reader_support.h"

#include "audio/sample_format.h"
#include "core/KWOLog.h"
#include "files/KWOResFile.h"

#include <climits>
#include <cstring>

namespace kwo_audio
{
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

void SeekToData(KWOResFile& file, uint32_t dataStart)
{
    if (!SeekTo(file, dataStart))
        file.SeekStart();
}

bool ReadId(KWOResFile& file, char id[4])
{
    return file.Read(id, 4) == 4;
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

int DetectContainer(KWOResFile& file)
{
    char id[4] = {};
    file.Read(id, 4);
    file.SeekStart();
    if (std::memcmp(id, "RIFF", 4) == 0)
        return 1;
    if (std::memcmp(id, "FORM", 4) == 0)
        return 2;
    if (std::memcmp(id, ".snd", 4) == 0)
        return 3;
    return 0;
}
} // namespace kwo_audio
