// KWOSound::Load over a memory stream, with detection and with every format
// number, then conversions of what was loaded towards a few mixer formats.
#include "audio/KWOSound.h"
#include "core/KWOLog.h"
#include "files/KWOMemFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 0x100000u)
        return 0;
    KWO::SetLogLevel(0);
    std::vector<unsigned char> bytes(data, data + size);
    for (int format = 0; format <= 4; ++format)
    {
        KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
        KWOSound sound;
        if (!sound.Load(in, format))
        {
            if (sound.m_data != nullptr || sound.m_size != 0)
                __builtin_trap();
            continue;
        }
        // Every loaded byte is readable, and the size is whole frames.
        unsigned sum = 0;
        for (unsigned i = 0; i < sound.m_size; ++i)
            sum += sound.m_data[i];
        const unsigned frame = ((sound.m_format & 0xFF) == 16 ? 2u : 1u) * sound.m_channels;
        if (sound.m_channels < 1 || sound.m_channels > 2 || sound.m_size % frame != 0 ||
            sound.MemoryUsed() != sound.m_size + 24)
            __builtin_trap();
        sound.ChangeFormat(0x8010, 22050, 2);
        sound.ChangeFormat(0x0008, 11025, 1);
        sound.ChangeFormat(0x9010, 44100, 2);
        sound.ChangeFormat(0x8008, 8000, 1);
        for (unsigned i = 0; i < sound.m_size; ++i)
            sum += sound.m_data[i];
        (void)sum;
    }
    return 0;
}
