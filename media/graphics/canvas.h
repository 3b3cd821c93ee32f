// The one implementation of drawing: lines, frames, filled blocks, ramps,
// circles and block copies on a rectangle of pixels that belongs to someone
// else. An image hands its own buffer; the screen hands its SDL surface's
// pixels while it holds the surface locked. The canvas decides the clipping
// (an inclusive rectangle, which may be empty) and the depth handling for
// both. Internal to the graphics module.
#ifndef KWOMEDIA_GRAPHICS_CANVAS_H
#define KWOMEDIA_GRAPHICS_CANVAS_H

#include "graphics/KWOImage.h"
#include "graphics/pixel_rows.h"

#include <cstdint>

namespace kwo_pixels
{
struct Canvas
{
    unsigned char* pixels = nullptr; // null: nothing is drawn
    int64_t pitch = 0;               // bytes from one row to the next
    unsigned int bpp = 0;
    unsigned int bytes = 0; // bytes per pixel
    int64_t width = 0;
    int64_t height = 0;
    // Clipping rectangle, inclusive; xmin > xmax (or ymin > ymax) clips everything.
    int64_t xmin = 0, xmax = -1, ymin = 0, ymax = -1;

    // Pixels of whole bytes, as the depth says, in rows that hold them: block
    // copies need no more. (SDL's dummy video driver gives surfaces at some
    // depths rows shorter than their pixels: nothing is drawn on those.)
    bool HasPixels() const
    {
        return pixels != nullptr && bytes == (bpp + 7) / 8 && pitch >= width * bytes;
    }
    // Pixels at one of the five depths: every operation on pixel values.
    bool Drawable() const { return HasPixels() && SupportedDepth(bpp); }
    unsigned char* At(int64_t x, int64_t y) const { return pixels + y * pitch + x * bytes; }

    // The pixel value at (x, y), clipping ignored; 0 outside or when not drawable.
    uint32_t Get(int64_t x, int64_t y) const;
    // The drawing operations, inside the clipping rectangle; `xorMode` draws
    // exclusive-or. Nothing happens on a canvas that is not drawable.
    void Point(int64_t x, int64_t y, uint32_t colour, bool xorMode) const;
    void Span(int64_t x, int64_t y, uint64_t length, uint32_t colour, bool xorMode) const;
    void Column(int64_t x, int64_t y, uint64_t length, uint32_t colour, bool xorMode) const;
    void Line(int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t colour, bool xorMode) const;
    // Each pixel of the outline once, so that an exclusive-or frame drawn
    // twice leaves the pixels as they were.
    void Frame(int64_t x, int64_t y, uint64_t w, uint64_t h, uint32_t colour, bool xorMode) const;
    void Fill(int64_t x, int64_t y, uint64_t w, uint64_t h, uint32_t colour, bool xorMode) const;
    // A ramp from colour1 to colour2 over the visible part of the block
    // (direction 0 rows, 1 columns), drawn normally.
    void Gradient(int64_t x, int64_t y, uint64_t w, uint64_t h, uint32_t colour1, uint32_t colour2,
                  int direction) const;
    void Circle(int64_t cx, int64_t cy, int64_t r, uint32_t colour, bool xorMode) const;
    void Disk(int64_t cx, int64_t cy, int64_t r, uint32_t colour, bool xorMode) const;

    // Copies the block (sx, sy, w, h) of `src` (same depth) to (dx, dy), cut
    // to the clipping rectangle and to `src`. A block of the canvas itself
    // may overlap its destination.
    void Copy(int64_t dx, int64_t dy, const Canvas& src, int64_t sx, int64_t sy, uint64_t w,
              uint64_t h) const;
    // The same at a supported depth, leaving out the source pixels equal to `key`.
    void KeyedCopy(int64_t dx, int64_t dy, uint32_t key, const Canvas& src, int64_t sx, int64_t sy,
                   uint64_t w, uint64_t h) const;

private:
    void Plot(int64_t x, int64_t y, uint32_t colour, bool xorMode) const;
};

// The canvas of an image: its buffer, depth and clipping rectangle. Drawing
// on it changes the image, which the caller must be allowed to change.
inline Canvas CanvasOf(const KWOImage& img)
{
    if (img.Pixels() == nullptr)
        return Canvas{};
    return Canvas{const_cast<unsigned char*>(img.Pixels()),
                  img.Pitch(),
                  img.Bpp(),
                  img.BytesPerPixel(),
                  img.Width(),
                  img.Height(),
                  img.ClipXMin(),
                  img.ClipXMax(),
                  img.ClipYMin(),
                  img.ClipYMax()};
}
} // namespace kwo_pixels

#endif
