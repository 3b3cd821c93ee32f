#include "audio/sound_readers.h"
#include "core/KWOLog.h"
#include "core/checked_size.h"

#include <cstdint>
#include <cstring>

namespace kwo_audio
{
uint32_t ExtendedToRate(const unsigned char b[10])
{
    if ((b[0] & 0x80) || b[0] <= 0x3F || b[0] > 0x40 || (b[0] == 0x40 && b[1] > 0x1C))
        return 0;
    const uint32_t mantissa = (uint32_t(b[2]) << 23) | (uint32_t(b[3]) << 15) |
                              (uint32_t(b[4]) << 7) | (uint32_t(b[5]) >> 1);
    return mantissa >> (29 - b[1]);
}

bool ReadAiffHeader(KWOResFile& file, SoundHeader* header)
{
    const char* name = StreamName(file);
    if (!ReadFormIds(file, "FORM", "AIFF"))
    {
        KWO::WARN("Sound: not a valid AIFF file %s\n", name);
        return false;
    }
    const uint32_t length = StreamLength(file);

    bool comm = false;
    bool ssnd = false;
    uint64_t dataStart = 0;
    uint64_t pos = 12;
    while (!(comm && ssnd) && pos + 8 <= length)
    {
        char id[4];
        if (!SeekTo(file, pos) || !ReadId(file, id))
            break;
        const uint32_t chunkLength = file.ReadBE32();
        if (std::memcmp(id, "COMM", 4) == 0)
        {
            const unsigned channels = file.ReadBE16();
            const uint32_t frames = file.ReadBE32();
            const unsigned bits = file.ReadBE16();
            if (bits != 8 && bits != 16)
            {
                KWO::WARN("Sound: sample size not supported - %s\n", name);
                return false;
            }
            if (!CheckChannels(channels, file))
                return false;
            header->channels = static_cast<int>(channels);
            SetLinearFormat(bits, header);
            if (!KWO::SizeMul3(frames, channels, bits / 8, &header->dataSize))
                header->dataSize = UINT32_MAX; // more than any stream holds
            unsigned char rate[10] = {};
            file.Read(rate, sizeof rate);
            const uint32_t frequency = ExtendedToRate(rate);
            if (!CheckRate(frequency, file)) // 0 (not convertible) included
                return false;
            header->frequency = static_cast<int>(frequency);
            comm = true;
        }
        else if (std::memcmp(id, "SSND", 4) == 0)
        {
            const uint32_t offset = file.ReadBE32();
            const uint32_t blockSize = file.ReadBE32();
            dataStart = pos + 16 + offset;
            KWO::WARN("Sound: offset=%d, datasize=%d, position=%d\n", static_cast<int>(offset),
                      static_cast<int>(blockSize), static_cast<int>(dataStart));
            ssnd = true;
        }
        // The next chunk starts behind this one's data and its pad byte.
        pos += 8 + uint64_t(chunkLength) + (chunkLength & 1);
    }
    if (!comm || !ssnd || dataStart > length)
        return false;
    header->dataStart = static_cast<uint32_t>(dataStart);
    header->available = static_cast<uint32_t>(length - dataStart);
    return true;
}
} // namespace kwo_audio
