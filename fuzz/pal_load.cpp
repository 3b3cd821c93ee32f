// KWOPal::Load over arbitrary bytes, in every format (0 detects). Whatever
// loads must also save and load back the same in the native format.
#include "core/KWOLog.h"
#include "files/KWOMemFile.h"
#include "graphics/KWOPal.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KWO::SetLogLevel(0); // the readers' messages are not what is tested
    if (size == 0 || size > (1u << 20))
        return 0;
    std::vector<unsigned char> bytes(data, data + size);
    for (int format = 0; format <= 6; ++format)
    {
        KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
        KWOPal pal(3u);
        if (!pal.Load(in, format))
            continue;
        if (pal.Size() > KWOPal::MaxSize || (pal.Size() == 0) != (pal.Entries() == nullptr))
            std::abort();

        const unsigned saved = 8 + 4 * pal.Size();
        KWOMemFile out(saved, KWOResFile::ModeRead | KWOResFile::ModeWrite);
        if (!pal.Save(out, 1))
            std::abort();
        out.SeekStart();
        KWOPal back;
        if (!back.Load(out, 0) || back.Size() != pal.Size() ||
            (pal.Size() > 0 && std::memcmp(back.Entries(), pal.Entries(), 4 * pal.Size()) != 0))
            std::abort();
    }
    return 0;
}
