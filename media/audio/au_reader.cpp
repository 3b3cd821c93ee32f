#include "audio/au_reader.h"

#include "audio/reader_support.h"
#include "core/KWOLog.h"
#include "files/KWOResFile.h"

#include <cstring>

namespace kwo_audio
{
bool ReadAuHeader(KWOResFile& file, AuInfo* info)
{
    const char* name = StreamName(file);
    if (file.GetState() != KWOResFile::StateOK)
    {
        KWO::WARN("Sound: bad file %s\n", name);
        return false;
    }
    char magic[4] = {};
    if (!ReadId(file, magic) || std::memcmp(magic, ".snd", 4) != 0)
    {
        KWO::WARN("Sound: not a valid AU file %s\n", name);
        return false;
    }
    const uint32_t offset = file.ReadBE32();
    const uint32_t size = file.ReadBE32();
    const uint32_t encoding = file.ReadBE32();
    const uint32_t frequency = file.ReadBE32();
    const uint32_t channels = file.ReadBE32();
    if (encoding == 2)
        info->bits = 8;
    else if (encoding == 3)
        info->bits = 16;
    else
    {
        KWO::WARN("Sound: AU encoding not supported (%d) - %s\n", static_cast<int>(encoding), name);
        return false;
    }
    if (!CheckRate(frequency, file) || !CheckChannels(channels, file))
        return false;
    info->frequency = static_cast<int>(frequency);
    info->channels = static_cast<int>(channels);

    const uint32_t length = StreamLength(file);
    if (offset > length)
        return false;
    info->dataStart = offset;
    info->available = length - offset;
    info->dataSize = size == 0xFFFFFFFFu ? info->available : size;
    SeekToData(file, info->dataStart);
    return true;
}
} // namespace kwo_audio
