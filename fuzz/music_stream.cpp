// A music stream over arbitrary bytes: load with detection and with every
// format number, pull every chunk in the data's own format and in a mixer's,
// move the position and pull again.
#include "audio/KWOMusic.h"
#include "core/KWOLog.h"
#include "files/KWOMemFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{
// Pulls chunks until the end; a stream of n bytes has at most n / 8192 + 1
// chunks before its end.
void PullAll(KWOMusic& music)
{
    const unsigned limit = music.m_dataSize / KWOMusic::ChunkBytes + 2;
    for (unsigned n = 0;; ++n)
    {
        if (n > limit)
            __builtin_trap();
        const unsigned char* chunk = music.NextData();
        if (chunk == nullptr)
            break;
        unsigned sum = 0;
        for (unsigned i = 0; i < music.m_chunkSize; ++i)
            sum += chunk[i];
        (void)sum;
        music.GetPosition();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 0x100000u)
        return 0;
    KWO::SetLogLevel(0);
    std::vector<unsigned char> bytes(data, data + size);
    for (int format = 0; format <= 4; ++format)
    {
        KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
        KWOMusic music;
        if (!music.Load(in, format))
        {
            if (music.m_file != nullptr || music.m_dataSize != 0)
                __builtin_trap();
            continue;
        }
        if (music.m_dataStart + uint64_t(music.m_dataSize) > size)
            __builtin_trap();
        PullAll(music);
        music.ChangeFormat(0x8010, 22050, 2);
        PullAll(music);
        music.SetPosition(music.m_dataSize / 3);
        PullAll(music);
        music.ChangeFormat(0x0008, 11025, 1);
        music.SetPosition(1);
        PullAll(music);
        music.MemoryUsed();
    }
    return 0;
}
