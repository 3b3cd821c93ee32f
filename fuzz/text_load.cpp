// KWOText::Load over a memory stream, in every format, then a save of what
// was loaded.
#include "core/KWOLog.h"
#include "core/KWOText.h"
#include "files/KWOMemFile.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 0xFFFFFFu)
        return 0;
    KWO::SetLogLevel(0);
    std::vector<unsigned char> bytes(data, data + size);
    for (int format = 0; format <= 3; ++format)
    {
        KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
        KWOText text(1);
        text.SetString(0, "previous");
        text.Load(in, format);
        if (text.m_count == 0)
            __builtin_trap();
        text.MemoryUsed();
        text.Length();
        KWOMemFile out(static_cast<unsigned>(size) + 64, KWOResFile::ModeWrite);
        text.Save(out, format == 0 ? 2 : format);
    }
    return 0;
}
