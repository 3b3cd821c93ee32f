#include "audio/sound_readers.h"
#include "core/KWOLog.h"

#include <cstdint>
#include <cstring>

namespace kwo_audio
{
bool ReadAuHeader(KWOResFile& file, SoundHeader* header)
{
    const char* name = StreamName(file);
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
    if (encoding == 2 || encoding == 3)
        SetLinearFormat(encoding == 3 ? 16 : 8, header);
    else
    {
        KWO::WARN("Sound: AU encoding not supported (%d) - %s\n", static_cast<int>(encoding), name);
        return false;
    }
    if (!CheckRate(frequency, file) || !CheckChannels(channels, file))
        return false;
    header->frequency = static_cast<int>(frequency);
    header->channels = static_cast<int>(channels);

    const uint32_t length = StreamLength(file);
    if (offset > length)
        return false;
    header->dataStart = offset;
    header->available = length - offset;
    // The format writes all ones for a size it does not know.
    header->dataSize = size == UINT32_MAX ? header->available : size;
    return true;
}
} // namespace kwo_audio
