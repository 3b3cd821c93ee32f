// KWOImage::Load over a memory stream: format detection and every format
// number. A loaded image must describe exactly the buffer it holds.
#include "core/KWOLog.h"
#include "files/KWOMemFile.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <cstdint>
#include <vector>

namespace
{
volatile unsigned g_sink;

// Reads every pixel byte and palette entry, so that a buffer smaller than
// the image says shows up under the address sanitizer.
void Touch(const KWOImage& image)
{
    const unsigned char* p = image.Pixels();
    if (p == nullptr)
    {
        if (image.Pitch() != 0)
            __builtin_trap();
        return;
    }
    if (image.Pitch() != image.Width() * image.BytesPerPixel())
        __builtin_trap();
    unsigned sum = 0;
    const size_t bytes = size_t(image.Height()) * image.Pitch();
    for (size_t i = 0; i < bytes; i += 4096)
        sum += p[i];
    sum += p[bytes - 1];
    if (const KWOPal* pal = image.Palette())
    {
        for (unsigned i = 0; i < pal->Size(); ++i)
            sum += pal->Entries()[i].r;
    }
    sum += image.GetPixel(int(image.Width()) - 1, int(image.Height()) - 1);
    g_sink = sum;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 0xFFFFFFu)
        return 0;
    KWO::SetLogLevel(0);
    std::vector<unsigned char> bytes(data, data + size);
    for (int format = 0; format <= 7; ++format)
    {
        KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
        // An image that held pixels and a palette before: readers replace them.
        KWOImage image(3u, 2u, 8u);
        KWOPal pal(4u);
        image.SetPalette(&pal, 0, 4);
        image.Load(in, format);
        Touch(image);
    }
    return 0;
}
