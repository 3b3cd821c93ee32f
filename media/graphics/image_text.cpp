// Text drawing on images: KWOImage::DrawText and KWOImage::DrawTextEx.
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace kwo_pixels;

namespace
{
// Draws the glyphs of `text` on `img`. `shade(v, colour)` gives for a glyph
// pixel value v whether it is drawn and in which colour.
template <typename Shade>
void DrawGlyphs(KWOImage& img, int x0, int y, const char* text, const KWOFont& font,
                KWOFont::FontAlign align, int count, Shade shade)
{
    const Canvas canvas = CanvasOf(img);
    if (text == nullptr || !font.Defined() || !canvas.Drawable())
        return;
    const int64_t xmin = canvas.xmin, xmax = canvas.xmax;
    const int64_t ymin = canvas.ymin, ymax = canvas.ymax;
    int64_t x = x0;
    if (x > xmax)
        return;

    // The baseline, and the line's rows around it.
    const int64_t ascent = font.Ascent(), descent = font.Descent();
    int64_t base;
    if (align == KWOFont::AlignTop)
        base = int64_t(y) + ascent - 1;
    else if (align == KWOFont::AlignBottom)
        base = int64_t(y) - descent;
    else
        base = y;
    if (base - ascent > ymax || ymin > base + descent)
        return;

    const unsigned char* bitmap = font.Bitmap();
    const int64_t bitmapWidth = bitmap != nullptr ? font.BitmapWidth() : 0;
    const int64_t bitmapHeight = bitmap != nullptr ? font.BitmapHeight() : 0;
    const int64_t white = font.WhiteCharSize(), spacing = font.CharSpacing();

    // Any negative count means the whole text; the terminating zero ends it anyway.
    uint64_t left = count < 0 ? UINT64_MAX : uint64_t(count);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
         left > 0 && *p != 0 && x <= xmax; ++p, --left)
    {
        const unsigned char c = *p;
        const KWOChar* g = nullptr;
        if (c == ' ')
            x += white;
        else if (c == '\t')
            x += 8 * white;
        else
            g = font.GetChar(c);
        if (g != nullptr)
        {
            const int64_t w = g->w;
            const int64_t top = base - g->h + g->below + 1;
            const int64_t bottom = top + g->h - 1;
            if (w == 0 || x + w <= xmin || g->h == 0 || bottom < ymin || top > ymax)
                x += w;
            else
            {
                // Cut to the clipping rectangle; the source follows the cut.
                const int64_t from = std::max(x, xmin), to = std::min(x + w - 1, xmax);
                const int64_t rowFrom = std::max(top, ymin), rowTo = std::min(bottom, ymax);
                // A record may point past the bitmap: pixels there are background.
                const int64_t srcX = g->x + (from - x);
                const int64_t cols = std::min(to - from + 1, bitmapWidth - srcX);
                for (int64_t row = rowFrom; row <= rowTo && cols > 0; ++row)
                {
                    const int64_t srcY = g->y + (row - top);
                    if (srcY >= bitmapHeight)
                        break;
                    const unsigned char* s = bitmap + srcY * bitmapWidth + srcX;
                    unsigned char* d = canvas.At(from, row);
                    for (int64_t i = 0; i < cols; ++i, d += canvas.bytes)
                    {
                        uint32_t colour;
                        if (s[i] != 0 && shade(s[i], colour))
                            PutPixel(d, canvas.bpp, colour, false);
                    }
                }
                // Past the drawn part: the glyph's right edge unless it was cut there.
                x = to + 1;
            }
        }
        x += spacing;
    }
}
} // namespace

void KWOImage::DrawText(int x, int y, const char* text, unsigned int colour, KWOFont* font,
                        KWOFont::FontAlign align, int count)
{
    if (font == nullptr)
        return;
    DrawGlyphs(*this, x, y, text, *font, align, count,
               [colour](unsigned char, uint32_t& out)
               {
                   out = colour;
                   return true;
               });
}

void KWOImage::DrawTextEx(int x, int y, const char* text, KWOFont::FontParams& params, int count)
{
    if (params.font == nullptr)
        return;
    if (params.font->Bpp() != 2)
    {
        DrawText(x, y, text, params.colours[3], params.font, params.align, count);
        return;
    }
    // Three shades; a 2-bit bitmap holds 0 to 3 only, the mask keeps it so.
    const unsigned int* colours = params.colours;
    DrawGlyphs(*this, x, y, text, *params.font, params.align, count,
               [colours](unsigned char v, uint32_t& out)
               {
                   out = colours[v & 3];
                   return (v & 3) != 0;
               });
}
