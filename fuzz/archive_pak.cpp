// PAK archives from arbitrary bytes.
#include "archive_fuzz.h"

#include "files/KWOArchPAK.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Run<KWOArchPAK>(data, size);
    return 0;
}
