/// @class KWOImage
/// KWOImage: an in-memory picture with software drawing.
///
/// A rectangle of pixels at 8 (palette indices), 15, 16, 24 or 32 bits per
/// pixel, an optional palette for 8-bit pictures and a clipping rectangle
/// that every drawing operation respects. Rows are stored top row first,
/// without gaps (pitch = width x bytes per pixel), in the layout of the SDL
/// surface of the same depth:
///   8 bpp   one byte, a palette index
///   15/16   one 16-bit word in machine order
///   24 bpp  colour 0xRRGGBB stored as blue, green, red bytes
///   32 bpp  one 32-bit word in machine order
/// Colours wider than the depth are cut to it.
///
/// Picture file formats (Load / Save): 0 detect / automatic (PCX up to 8 bpp,
/// else run-length encoded TGA), 1 BMP, 2 PCX, 3 GIF (load only), 4 TGA,
/// 5 run-length encoded TGA (save only), 6 the glyph picture of a font file
/// (load only).
///
/// Load refuses pictures larger than the decoding limits (SetDecodeLimits)
/// before it allocates their pixels, so that a small damaged or hostile file
/// cannot claim a huge buffer.
///
/// Text is drawn with the bitmap fonts of KWOFont (DrawText, DrawTextEx).
#ifndef KWOMEDIA_GRAPHICS_KWOIMAGE_H
#define KWOMEDIA_GRAPHICS_KWOIMAGE_H

#include "../KWOExport.h"
#include "../core/KWOConst.h"
#include "../files/KWOResource.h"
#include "KWOFont.h"

#include <cstdint>

class KWOPal;
class KWOResFile;

class KWO_API KWOImage : public KWOResource
{
public:
    /// The last argument of every drawing operation: 0 draws the colour,
    /// any other value draws exclusive-or (at 8 bpp the pixel is xor-ed with
    /// the colour; at the other depths every bit of the pixel is inverted and
    /// the colour is ignored).
    using DrawMode = int;
    enum : int
    {
        DrawNormal = 0,
        DrawXor = 1
    };

    /// The default decoding limits: 16384 pixels on a side, 2^26 pixels in
    /// all (a 8192 x 8192 picture).
    enum : unsigned int
    {
        DefaultMaxDecodeSide = 16384,
        DefaultMaxDecodePixels = 1u << 26
    };

    /// @{
    /// The largest picture Load decodes, for every image of the process: a
    /// file whose picture is wider than maxWidth, higher than maxHeight or
    /// has more than maxPixels pixels is refused before its pixels are
    /// allocated, with a log line naming the format ("GIF: picture of
    /// 20000 x 100 pixels is over the decoding limits (...)\n"). KWO::All
    /// lifts a limit; no buffer passes 256 MiB whatever the limits say. May
    /// be called from any thread: a load running meanwhile sees each of the
    /// three values either before or after the change.
    static void SetDecodeLimits(unsigned int maxWidth, unsigned int maxHeight,
                                unsigned int maxPixels);
    static unsigned int MaxDecodeWidth();
    static unsigned int MaxDecodeHeight();
    static unsigned int MaxDecodePixels();
    /// @}

    /// A picture of width x height at `bpp` bits per pixel, cleared to 0.
    /// With a zero width or height (or a buffer that cannot be allocated) the
    /// image is empty: no pixels, the three values kept.
    KWOImage(unsigned int width, unsigned int height, unsigned int bpp);
    /// A copy of `other`'s pixels, clipping rectangle and palette; null gives
    /// an empty image.
    explicit KWOImage(const KWOImage* other);
    ~KWOImage() override;
    KWOImage(const KWOImage&) = delete;
    KWOImage& operator=(const KWOImage&) = delete;

    /// @{
    /// The size and depth (8, 15, 16, 24 or 32) given or loaded.
    unsigned int Width() const { return m_width; }
    unsigned int Height() const { return m_height; }
    unsigned int Bpp() const { return m_bpp; }
    /// @}
    /// Bytes of one pixel: 1, 2, 3 or 4.
    unsigned int BytesPerPixel() const { return (m_bpp + 7u) / 8u; }
    /// Bytes from one row to the next; 0 without pixels.
    unsigned int Pitch() const { return m_pitch; }
    /// @{
    /// The pixel buffer (height x pitch bytes), or null.
    unsigned char* Pixels() { return m_pixels; }
    const unsigned char* Pixels() const { return m_pixels; }
    /// @}
    /// @{
    /// The image's own palette, or null.
    KWOPal* Palette() { return m_palette; }
    const KWOPal* Palette() const { return m_palette; }
    /// @}
    /// @{
    /// The clipping rectangle, inclusive.
    int ClipXMin() const { return m_xmin; }
    int ClipXMax() const { return m_xmax; }
    int ClipYMin() const { return m_ymin; }
    int ClipYMax() const { return m_ymax; }
    /// @}

    /// 8 bpp only: copies entries first .. first + count - 1 of `pal` into the
    /// same entries of the image's palette, creating or growing it as needed
    /// (black where `pal` has no such entry). The caller keeps `pal`.
    void SetPalette(KWOPal* pal, unsigned int first, unsigned int count);
    /// 8 bpp only: deletes the current palette and takes ownership of `pal`
    /// (may be null). At other depths nothing happens and the caller keeps it.
    void ReplacePalette(KWOPal* pal);

    /// Restricts drawing to (x1, y1) .. (x2, y2), inclusive, corners in any
    /// order, cut to the image. A rectangle that starts outside the image is
    /// refused and the old one stays.
    void SetClipping(int x1, int y1, int x2, int y2);
    /// True when the clipping rectangle is not the whole image.
    bool IsClipping() const;
    /// Clipping rectangle = the whole image.
    void StopClipping();

    /// The pixel value at (x, y) (clipping ignored); 0 outside the image,
    /// without pixels or at an unsupported depth.
    unsigned int GetPixel(int x, int y) const;

    /// @{
    /// Drawing, inside the clipping rectangle.
    void HLine(int x, int y, unsigned int length, unsigned int colour, DrawMode mode = DrawNormal);
    void VLine(int x, int y, unsigned int length, unsigned int colour, DrawMode mode = DrawNormal);
    void Line(int x1, int y1, int x2, int y2, unsigned int colour, DrawMode mode = DrawNormal);
    /// @}
    /// Outline of w x h; each pixel is drawn once, so an exclusive-or frame
    /// drawn twice leaves the image as it was.
    void Frame(int x, int y, unsigned int w, unsigned int h, unsigned int colour,
               DrawMode mode = DrawNormal);
    /// A filled block of w x h.
    void Rectangle(int x, int y, unsigned int w, unsigned int h, unsigned int colour,
                   DrawMode mode = DrawNormal);
    /// A ramp from colour1 to colour2 over the visible part of the block:
    /// direction 0 top to bottom, 1 left to right. At 8 bpp the colour values
    /// are interpolated, at other depths each of the three low bytes (the
    /// drawn value has bits 24-31 set). Only normal drawing; equal colours
    /// draw a plain Rectangle in either mode.
    void Gradient(int x, int y, unsigned int w, unsigned int h, unsigned int colour1,
                  unsigned int colour2, int direction, DrawMode mode = DrawNormal);
    /// The outline of a circle of radius `r` around (cx, cy).
    void Circle(int cx, int cy, int r, unsigned int colour, DrawMode mode = DrawNormal);
    /// A filled circle drawn as horizontal spans (radius 0 draws nothing).
    void Disk(int cx, int cy, int r, unsigned int colour, DrawMode mode = DrawNormal);

    /// Copies the block (sx, sy, w, h) of `src` (same depth) to (dx, dy),
    /// cut to this image's clipping rectangle and to `src`.
    void CopyImage(int dx, int dy, KWOImage* src, int sx, int sy, unsigned int w, unsigned int h);
    /// The same, leaving out the source pixels equal to `key`.
    void TCopyImage(int dx, int dy, unsigned int key, KWOImage* src, int sx, int sy, unsigned int w,
                    unsigned int h);
    /// Draws up to `count` characters of `text` (-1: all of it) with `font`,
    /// every non-zero glyph pixel in `colour`, from x on; `align` tells
    /// whether y is the top, the bottom or the baseline of the line.
    /// Drawing stops at the right edge of the clipping rectangle.
    void DrawText(int x, int y, const char* text, unsigned int colour, KWOFont* font,
                  KWOFont::FontAlign align, int count = -1);
    /// The same with the font, alignment and colours of `params`: a 2-bit
    /// font draws a glyph pixel of value v in params.colours[v], a font of
    /// another depth draws in params.colours[3].
    void DrawTextEx(int x, int y, const char* text, KWOFont::FontParams& params, int count = -1);
    /// Moves a block within the image; overlapping blocks are handled.
    void MoveInside(int sx, int sy, unsigned int w, unsigned int h, int dx, int dy);
    /// Turns the picture upside down.
    void VFlip();
    /// Changes the canvas size keeping the top-left content; added pixels are
    /// 0. False (nothing changed) for a zero size or when memory runs out.
    bool Resize(unsigned int w, unsigned int h);
    /// Discards the content for a new size and depth (8, 15, 16, 24 or 32);
    /// the palette stays. The same size and depth keep the content.
    bool NewFormat(unsigned int w, unsigned int h, unsigned int bpp);

    unsigned int MemoryUsed() const override;
    bool Load(KWOResFile& f, int format) override;
    /// Writes the picture in a file format (see above; 0 chooses); false when the
    /// format cannot hold it or a write fails.
    bool Save(KWOResFile& f, int format) override;
    /// The load format of the stream's content from its first four bytes
    /// (4, TGA, when nothing else matches; 0 when they cannot be read). The
    /// stream's position is kept.
    int FindFormat(KWOResFile& f);

    /// Writes the size, depth, pitch and palette size to the log.
    void PrintInfo() const;

private:
    /// Frees the pixel buffer (pixels null, pitch 0).
    void FreePixels();
    /// Puts the fields back in line after a reader ran.
    void AfterLoad();

    unsigned int m_width;
    unsigned int m_height;
    /// Clipping rectangle, inclusive; inside the image whenever there are pixels.
    int m_xmin;
    int m_xmax;
    int m_ymin;
    int m_ymax;
    unsigned char* m_pixels; ///< new[] array of height x pitch bytes, or null
    KWOPal* m_palette;       ///< owned, or null
    unsigned int m_pitch;
    unsigned short m_bpp;
};

#endif
