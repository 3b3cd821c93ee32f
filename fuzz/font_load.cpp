// KWOFont::Load and LoadV1 over arbitrary bytes, and the same bytes read as
// a picture (load format 6). A font that loads is measured, drawn into a
// small clipped picture and saved; when it can be saved, it must load back
// the same.
#include "core/KWOLog.h"
#include "files/KWOMemFile.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
void Exercise(KWOFont& font)
{
    if (font.Bitmap() == nullptr && font.BitmapWidth() * uint64_t(font.BitmapHeight()) != 0)
        std::abort();
    static const char kText[] = "Ab\t g\xE9 \x01\xFFXyz";
    unsigned w, h;
    font.TextSize(kText, w, h);
    if (w != font.TextWidth(kText))
        std::abort();

    // Every depth, with the text crossing each edge of the clipping rectangle.
    for (unsigned bpp : {8u, 24u})
    {
        KWOImage img(40, 24, bpp);
        img.SetClipping(3, 2, 30, 20);
        for (int align = 0; align < 3; ++align)
        {
            img.DrawText(-5, 0, kText, 0xFF, &font, static_cast<KWOFont::FontAlign>(align));
            img.DrawText(25, 18, kText, 0xFF, &font, static_cast<KWOFont::FontAlign>(align), 6);
            KWOFont::FontParams params = {
                &font, static_cast<KWOFont::FontAlign>(align), {1, 2, 3, 4}};
            img.DrawTextEx(2, 10, kText, params);
        }
    }

    KWOMemFile out(1u << 20, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    if (!font.Save(out, 0))
        return;
    out.SeekStart();
    KWOFont back;
    if (!back.Load(out, 0) || back.First() != font.First() || back.Last() != font.Last() ||
        back.Bpp() != font.Bpp() || back.BitmapWidth() != font.BitmapWidth() ||
        back.BitmapHeight() != font.BitmapHeight() || back.Ascent() != font.Ascent() ||
        back.Descent() != font.Descent() || std::strncmp(back.Name(), font.Name(), 254) != 0)
        std::abort();
    const size_t pixels = size_t(font.BitmapWidth()) * font.BitmapHeight();
    if (pixels != 0 && std::memcmp(back.Bitmap(), font.Bitmap(), pixels) != 0)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KWO::SetLogLevel(0); // the readers' messages are not what is tested
    if (size == 0 || size > (1u << 16))
        return 0;
    std::vector<unsigned char> bytes(data, data + size);
    {
        KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
        KWOFont font;
        if (font.Load(in, 0))
            Exercise(font);
    }
    {
        KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
        KWOFont font;
        if (font.LoadV1(in, 1))
            Exercise(font);
    }
    {
        KWOMemFile in(static_cast<unsigned>(size), KWOResFile::ModeRead, bytes.data());
        KWOImage img(2, 2, 8);
        if (img.Load(in, 6) && (img.Pixels() == nullptr || img.Bpp() < 8))
            std::abort();
    }
    return 0;
}
