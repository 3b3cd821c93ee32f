// What KWOImage::Load reads from arbitrary bytes is saved in every writer
// format and read back: the writers must produce files their readers take
// back with the same size, depth and pixels.
#include "core/KWOLog.h"
#include "files/KWOMemFile.h"
#include "graphics/KWOImage.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{
// The load format that reads what save format `format` wrote.
int LoadFormatOf(int format, const KWOImage& image)
{
    switch (format)
    {
        case 0:
            return image.Bpp() <= 8 ? 2 : 4;
        case 1:
            return 1;
        case 2:
            return 2;
        default:
            return 4;
    }
}

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 0xFFFFFFu)
        return 0;
    KWO::SetLogLevel(0);
    std::vector<unsigned char> bytes(data, data + size);
    KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
    KWOImage image(0u, 0u, 8u);
    if (!image.Load(in, 0) || image.Pixels() == nullptr)
        return 0;
    const size_t pixelBytes = size_t(image.Height()) * image.Pitch();
    if (pixelBytes > (1u << 20))
        return 0;
    // Room for the largest output: two bytes per pixel byte plus a padding
    // byte per line, headers and a colour map of up to 65535 entries.
    const unsigned room =
        static_cast<unsigned>(2 * pixelBytes + 4 * size_t(image.Height()) + 4 * 65536 + 4096);
    for (int format : {0, 1, 2, 4, 5})
    {
        KWOMemFile file(room,
                        KWOResFile::ModeRead | KWOResFile::ModeWrite | KWOResFile::ModeTruncate);
        if (!image.Save(file, format))
            continue;
        file.SeekStart();
        KWOImage back(0u, 0u, 8u);
        Check(back.Load(file, LoadFormatOf(format, image)));
        Check(back.Width() == image.Width() && back.Height() == image.Height());
        // 15-bit pictures are written as 16-bit BMP files.
        Check(back.Bpp() == image.Bpp() || (image.Bpp() == 15 && back.Bpp() == 16));
        std::vector<unsigned char> want(image.Pixels(), image.Pixels() + pixelBytes);
        // TGA files give the fourth byte of 32-bit pixels back inverted.
        if (image.BytesPerPixel() == 4 && LoadFormatOf(format, image) == 4)
        {
            for (size_t i = 3; i < want.size(); i += 4)
                want[i] = static_cast<unsigned char>(255 - want[i]);
        }
        Check(std::memcmp(back.Pixels(), want.data(), pixelBytes) == 0);
    }
    return 0;
}
