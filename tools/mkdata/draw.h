// Drawing helpers of the data generator: palettes built from ramps, filled
// polygons, rounded boxes and text in the house font.
#ifndef MKDATA_DRAW_H
#define MKDATA_DRAW_H

#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <memory>
#include <vector>

namespace mkdata
{
struct RGB
{
    int r, g, b;
};

struct PointF
{
    double x, y;
};

// Sets entry `index` of the palette.
void SetColour(KWOPal& pal, unsigned index, RGB c);
// Fills entries first .. first + count - 1 with a straight ramp from a to b.
void Ramp(KWOPal& pal, unsigned first, unsigned count, RGB a, RGB b);

// An 8-bit picture filled with `colour`, with a palette of 256 black entries.
std::unique_ptr<KWOImage> NewPicture(unsigned w, unsigned h, unsigned colour);

// Fills a polygon (even-odd rule, pixel centres) with a colour.
void FillPolygon(KWOImage& img, const std::vector<PointF>& pts, unsigned colour);
// A regular polygon or a star: `points` outer corners, with inner radius
// `inner` (equal to `outer` for a plain polygon), the first corner at angle
// `start` in degrees (0 points up).
std::vector<PointF> StarPoints(double cx, double cy, double outer, double inner, int points,
                               double start);
// A box with rounded corners of radius r.
void RoundBox(KWOImage& img, int x, int y, int w, int h, int r, unsigned colour);
// A thick line, drawn as a filled quadrilateral with round ends.
void ThickLine(KWOImage& img, double x1, double y1, double x2, double y2, double width,
               unsigned colour);

// The house font at a scale: each cell of the 5 x 9 glyph grid becomes
// scale x scale pixels; 2 bits per pixel: 3 body, 2 lower-right edge, 1 drop
// shadow.
std::unique_ptr<KWOFont> BuildFont(const char* name, int scale);

// Draws `text` with the three shades given (shadow, edge, body) at (x, y),
// the top of the line.
void DrawString(KWOImage& img, KWOFont& font, int x, int y, const char* text, unsigned shadow,
                unsigned edge, unsigned body);
// Line height of a font: ascent + descent.
int LineHeight(const KWOFont& font);
} // namespace mkdata

#endif
