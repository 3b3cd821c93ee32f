// Native archives from arbitrary bytes.
#include "archive_fuzz.h"

#include "files/KWOArchKWO.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Run<KWOArchKWO>(data, size);
    return 0;
}
