// The glyph bitmap of a "KWOF" font file, read as a plain picture: 1- and
// 2-bit bitmaps become 8-bit pictures of their pixel values with a black to
// white palette, 8-bit bitmaps get a grey ramp, 24- and 32-bit bitmaps are
// read as they are stored.
#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "graphics/font_file.h"
#include "graphics/image_codecs.h"

#include <cstring>

using namespace kwo_font;

namespace
{
// The picture's palette for a bitmap of 1 or 2 bits: black to white in
// 2 or 4 levels.
bool GreyLevels(KWOPal** palette, unsigned int levels)
{
    KWOPal* pal = ProvidePalette(palette, levels);
    if (pal == nullptr || pal->Size() < levels)
        return false;
    for (unsigned int i = 0; i < levels; ++i)
    {
        const unsigned char v = static_cast<unsigned char>(i * 255 / (levels - 1));
        pal->Entries()[i] = KWOColor{v, v, v, 0};
    }
    return true;
}
} // namespace

bool KWOFPictureLoad(KWOResFile& f, unsigned char** pixels, unsigned int* width,
                     unsigned int* height, KWOPal** palette, unsigned short* bpp)
{
    char magic[4];
    if (!ReadExact(f, magic, 4) || std::memcmp(magic, "KWOF", 4) != 0)
        return false;
    unsigned char head[13];
    if (!ReadExact(f, head, 1))
        return false;
    if (head[0] != 2)
    {
        KWO::LOG("Font: unknown format version %d\n", head[0]);
        return false;
    }
    BitmapHeader header;
    if (!ReadExact(f, head + 1, 12) || !SeekTo(f, Get32(head + 9)) || !ReadBitmapHeader(f, header))
        return false;
    const uint8_t depth = header.depth;
    if (depth != 1 && depth != 2 && depth != 8 && depth != 24 && depth != 32)
    {
        FreePixels(pixels);
        return false;
    }
    if (!RowsFit(f, header) || !WithinDecodeLimits("Font", header.width, header.height))
        return false;
    FreePixels(pixels);
    const unsigned int bytes = depth <= 8 ? 1 : depth / 8;
    // Not cleared: the rows are read whole, or the buffer is dropped.
    unsigned char* buffer = NewPixels(header.width, header.height, bytes);
    if (buffer == nullptr)
        return false;
    if (!ReadRows(f, header, buffer))
    {
        delete[] buffer;
        return false;
    }
    *pixels = buffer;
    *width = header.width;
    *height = header.height;
    *bpp = depth <= 8 ? 8 : depth;

    switch (depth)
    {
        case 1:
            return GreyLevels(palette, 2);
        case 2:
            return GreyLevels(palette, 4);
        case 8:
            if (*palette == nullptr)
                *palette = new (std::nothrow) KWOPal(256u);
            if (*palette == nullptr)
                return false;
            (*palette)->GenerateGreyScale(256);
            return true;
        default:
            return true;
    }
}
