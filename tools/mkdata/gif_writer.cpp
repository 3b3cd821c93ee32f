// Writes 8-bit pictures as GIF files with giflib's encoder.
#include "data.h"

#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <gif_lib.h>

#include <cstdio>
#include <vector>

namespace mkdata
{
namespace
{
// giflib's output through a C stream: the file gets the usual permissions.
int WriteBytes(GifFileType* gif, const GifByteType* bytes, int count)
{
    std::FILE* f = static_cast<std::FILE*>(gif->UserData);
    return int(std::fwrite(bytes, 1, size_t(count), f));
}
} // namespace

bool SaveGIF(KWOImage& img, const std::string& path)
{
    const KWOPal* pal = img.Palette();
    if (img.Bpp() != 8 || pal == nullptr || img.Pixels() == nullptr)
        return false;
    // A GIF colour table holds a power of two of entries, at most 256.
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    for (unsigned i = 0; i < 256 && i < pal->Size(); ++i)
        colours[i] = {pal->Entries()[i].r, pal->Entries()[i].g, pal->Entries()[i].b};
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    int error = 0;
    std::FILE* f = map ? std::fopen(path.c_str(), "wb") : nullptr;
    GifFileType* gif = f ? EGifOpen(f, WriteBytes, &error) : nullptr;
    bool ok = gif != nullptr;
    const int w = int(img.Width()), h = int(img.Height());
    ok = ok && EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK &&
         EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, img.Pixels() + size_t(y) * img.Pitch(), w) == GIF_OK;
    if (gif != nullptr && EGifCloseFile(gif, &error) != GIF_OK)
        ok = false;
    if (f != nullptr && std::fclose(f) != 0)
        ok = false;
    GifFreeMapObject(map);
    if (f != nullptr && !ok)
        std::remove(path.c_str());
    return ok;
}
} // namespace mkdata
