#include "graphics/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kwo_pixels
{
namespace
{
// ---- circles ----------------------------------------------------------------
// The midpoint walk over one octant (x from 0 up while x <= y) has a state
// that depends on x and y alone: d = (x + 1)^2 + y^2 - y - r^2, dE = 2x + 3,
// dSE = 2x - 2y + 5, and y is the largest integer with y (y - 1) < r^2 - x^2.
// So the walk can start at any x, and only the steps that may draw inside
// the clipping rectangle are taken: a huge radius costs no more than the
// rectangle's size.

struct MidpointWalk
{
    int64_t r, x, y, d, dE, dSE;

    explicit MidpointWalk(int64_t radius)
        : r(radius), x(0), y(radius), d(1 - radius), dE(3), dSE(5 - 2 * radius)
    {
    }

    bool Running() const { return x <= y; }

    void Step()
    {
        if (d < 0)
        {
            d += dE;
            dSE += 2;
        }
        else
        {
            d += dSE;
            dSE += 4;
            --y;
        }
        dE += 2;
        ++x;
    }

    // Moves the walk forward to step `to` (when that is ahead).
    void JumpTo(int64_t to)
    {
        if (to <= x)
            return;
        if (to > r)
        {
            x = to;
            y = -1; // past the octant
            return;
        }
        x = to;
        y = YAt(r, to);
        d = (x + 1) * (x + 1) + y * y - y - r * r;
        dE = 2 * x + 3;
        dSE = 2 * x - 2 * y + 5;
    }

    // The largest y >= 0 with y (y - 1) < r^2 - x^2, for 0 <= x <= r.
    static int64_t YAt(int64_t r, int64_t x)
    {
        const int64_t n = r * r - x * x;
        if (n <= 0)
            return 0;
        int64_t y = static_cast<int64_t>((1.0 + std::sqrt(1.0 + 4.0 * static_cast<double>(n))) / 2);
        while (y > 0 && y * (y - 1) >= n)
            --y;
        while ((y + 1) * y < n)
            ++y;
        return y;
    }
};

struct Range
{
    int64_t lo, hi;
};

// The t >= 0 for which c + t or c - t lies in [lo, hi]: up to two ranges
// appended to `out`.
void AddDistanceRanges(int64_t c, int64_t lo, int64_t hi, Range* out, int& count)
{
    const Range parts[2] = {{lo - c, hi - c}, {c - hi, c - lo}};
    for (const Range& p : parts)
    {
        const Range q = {std::max<int64_t>(p.lo, 0), p.hi};
        if (q.lo <= q.hi)
            out[count++] = q;
    }
}

// floor(sqrt(n)) for n >= 0.
int64_t FloorSqrt(int64_t n)
{
    if (n <= 0)
        return 0;
    int64_t s = static_cast<int64_t>(std::sqrt(static_cast<double>(n)));
    while (s > 0 && s * s > n)
        --s;
    while ((s + 1) * (s + 1) <= n)
        ++s;
    return s;
}

// The steps x of a walk of radius r at which y lies in [a, b] (a >= 0),
// widened by one step on each side; false when there are none.
bool StepsWithYIn(int64_t r, int64_t a, int64_t b, Range& out)
{
    if (a > r || b < 0)
        return false;
    // y(x) <= b  <=>  x^2 >= r^2 - b (b + 1);  y(x) >= a  <=>  x^2 < r^2 - a (a - 1).
    int64_t lo = 0;
    if (b < r)
    {
        const int64_t m = r * r - b * (b + 1);
        lo = FloorSqrt(m);
    }
    const int64_t m = r * r - a * (a - 1) - 1;
    if (m < 0)
        return false;
    const int64_t hi = FloorSqrt(m);
    out.lo = std::max<int64_t>(lo - 1, 0);
    out.hi = hi + 1;
    return out.lo <= out.hi;
}

// Runs `step(walk)` at every step of the walk of radius r whose x lies in
// one of the sorted, disjoint ranges.
template <typename Step> void WalkSteps(int64_t r, const Range* ranges, int count, Step step)
{
    MidpointWalk walk(r);
    for (int k = 0; k < count && walk.Running(); ++k)
    {
        walk.JumpTo(ranges[k].lo);
        while (walk.Running() && walk.x <= ranges[k].hi)
        {
            step(walk);
            walk.Step();
        }
    }
}

// Sorts ranges by start and joins the overlapping ones; returns the new count.
int MergeRanges(Range* ranges, int count)
{
    // At most four ranges: an insertion sort by start.
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && ranges[j].lo < ranges[j - 1].lo; --j)
            std::swap(ranges[j], ranges[j - 1]);
    int n = 0;
    for (int i = 0; i < count; ++i)
    {
        if (n > 0 && ranges[i].lo <= ranges[n - 1].hi + 1)
            ranges[n - 1].hi = std::max(ranges[n - 1].hi, ranges[i].hi);
        else
            ranges[n++] = ranges[i];
    }
    return n;
}
} // namespace

uint32_t Canvas::Get(int64_t x, int64_t y) const
{
    if (!Drawable() || x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    return ReadPixel(At(x, y), bpp);
}

// ---- lines and blocks ----------------------------------------------------------

void Canvas::Plot(int64_t x, int64_t y, uint32_t colour, bool xorMode) const
{
    if (x < xmin || x > xmax || y < ymin || y > ymax)
        return;
    PutPixel(At(x, y), bpp, colour, xorMode);
}

void Canvas::Point(int64_t x, int64_t y, uint32_t colour, bool xorMode) const
{
    if (Drawable())
        Plot(x, y, colour, xorMode);
}

void Canvas::Span(int64_t x, int64_t y, uint64_t length, uint32_t colour, bool xorMode) const
{
    if (!Drawable() || length == 0 || y < ymin || y > ymax)
        return;
    int64_t x2 = x + static_cast<int64_t>(length) - 1;
    if (x > xmax || x2 < xmin)
        return;
    x = std::max(x, xmin);
    x2 = std::min(x2, xmax);
    FillSpan(At(x, y), uint64_t(x2 - x + 1), bpp, colour, xorMode);
}

void Canvas::Column(int64_t x, int64_t y, uint64_t length, uint32_t colour, bool xorMode) const
{
    if (!Drawable() || length == 0 || x < xmin || x > xmax)
        return;
    int64_t y2 = y + static_cast<int64_t>(length) - 1;
    if (y > ymax || y2 < ymin)
        return;
    y = std::max(y, ymin);
    y2 = std::min(y2, ymax);
    unsigned char* p = At(x, y);
    for (int64_t i = y; i <= y2; ++i, p += pitch)
        PutPixel(p, bpp, colour, xorMode);
}

void Canvas::Line(int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t colour,
                  bool xorMode) const
{
    if (!Drawable())
        return;
    // Bresenham over pixel counts: the walk takes `steps` steps along the
    // major axis and moves on the minor axis whenever the error reaches
    // `steps`. After i steps the minor offset is floor(i * minor / steps)
    // and the error its remainder, so the walk starts directly at the first
    // step that can fall inside the clipping rectangle.
    const int64_t sx = x2 < x1 ? -1 : 1;
    const int64_t sy = y2 < y1 ? -1 : 1;
    const int64_t dx = (x2 < x1 ? x1 - x2 : x2 - x1) + 1;
    const int64_t dy = (y2 < y1 ? y1 - y2 : y2 - y1) + 1;
    const bool alongY = dx < dy;
    const int64_t steps = alongY ? dy : dx;
    const uint64_t minor = uint64_t(alongY ? dx : dy);
    // The major coordinate: start, direction and the clipping bounds.
    const int64_t m0 = alongY ? y1 : x1;
    const int64_t ms = alongY ? sy : sx;
    const int64_t mlo = alongY ? ymin : xmin;
    const int64_t mhi = alongY ? ymax : xmax;
    int64_t first, last; // steps whose major coordinate lies inside
    if (ms > 0)
    {
        first = mlo - m0;
        last = mhi - m0;
    }
    else
    {
        first = m0 - mhi;
        last = m0 - mlo;
    }
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, steps - 1);
    if (first > last)
        return;
    // first < steps <= 2^32 and minor <= steps: the product fits in 64 bits.
    const uint64_t done = uint64_t(first) * minor;
    uint64_t error = done % uint64_t(steps);
    int64_t major = m0 + ms * first;
    int64_t other = (alongY ? x1 : y1) + (alongY ? sx : sy) * int64_t(done / uint64_t(steps));
    const int64_t os = alongY ? sx : sy;
    for (int64_t i = first; i <= last; ++i)
    {
        if (alongY)
            Plot(other, major, colour, xorMode);
        else
            Plot(major, other, colour, xorMode);
        error += minor;
        if (error >= uint64_t(steps))
        {
            error -= uint64_t(steps);
            other += os;
        }
        major += ms;
    }
}

void Canvas::Frame(int64_t x, int64_t y, uint64_t w, uint64_t h, uint32_t colour,
                   bool xorMode) const
{
    // Also frames of one or two rows or columns draw each pixel once.
    if (w == 0 || h == 0)
        return;
    Span(x, y, w, colour, xorMode);
    if (h > 1)
        Span(x, y + int64_t(h) - 1, w, colour, xorMode);
    if (h > 2)
    {
        Column(x, y + 1, h - 2, colour, xorMode);
        if (w > 1)
            Column(x + int64_t(w) - 1, y + 1, h - 2, colour, xorMode);
    }
}

namespace
{
// The block cut to the clipping rectangle; false when nothing of it shows.
bool Visible(const Canvas& c, int64_t x, int64_t y, uint64_t w, uint64_t h, int64_t& x1,
             int64_t& y1, int64_t& x2, int64_t& y2)
{
    x1 = x;
    y1 = y;
    x2 = x1 + int64_t(w) - 1;
    y2 = y1 + int64_t(h) - 1;
    if (x1 > c.xmax || y1 > c.ymax || x2 < c.xmin || y2 < c.ymin)
        return false;
    x1 = std::max(x1, c.xmin);
    y1 = std::max(y1, c.ymin);
    x2 = std::min(x2, c.xmax);
    y2 = std::min(y2, c.ymax);
    return true;
}
} // namespace

void Canvas::Fill(int64_t x, int64_t y, uint64_t w, uint64_t h, uint32_t colour, bool xorMode) const
{
    int64_t x1, y1, x2, y2;
    if (!Drawable() || w == 0 || h == 0 || !Visible(*this, x, y, w, h, x1, y1, x2, y2))
        return;
    for (int64_t row = y1; row <= y2; ++row)
        FillSpan(At(x1, row), uint64_t(x2 - x1 + 1), bpp, colour, xorMode);
}

void Canvas::Gradient(int64_t x, int64_t y, uint64_t w, uint64_t h, uint32_t colour1,
                      uint32_t colour2, int direction) const
{
    int64_t x1, y1, x2, y2;
    if ((direction != 0 && direction != 1) || !Drawable() || w == 0 || h == 0 ||
        !Visible(*this, x, y, w, h, x1, y1, x2, y2))
        return;

    // The ramp runs over the visible rows (direction 0) or columns (1): the
    // first has colour1, the last colour2. Values are accumulated in single
    // precision from colour + 0.5, so a single line gets colour1.
    const int64_t n = direction == 0 ? y2 - y1 + 1 : x2 - x1 + 1;
    const float div = n > 1 ? static_cast<float>(n - 1) : 1.0f;
    const bool indexed = bpp == 8;
    float v[3];
    float step[3];
    for (int c = 0; c < 3; ++c)
    {
        const unsigned int shift = 8 * c;
        const float a = indexed ? static_cast<float>(colour1) : float((colour1 >> shift) & 0xFF);
        const float b = indexed ? static_cast<float>(colour2) : float((colour2 >> shift) & 0xFF);
        v[c] = a + 0.5f;
        step[c] = (b - a) / div;
    }
    auto truncated = [](float f) -> uint32_t
    {
        // Toward zero; the accumulated value stays within the two colours
        // up to rounding, which can only take it just below 0.
        if (!(f > 0.0f))
            return 0;
        if (f >= 4294967295.0f)
            return UINT32_MAX;
        return static_cast<uint32_t>(f);
    };
    for (int64_t i = 0; i < n; ++i)
    {
        uint32_t value;
        if (indexed)
            value = truncated(v[0]);
        else
            value = 0xFF000000u | ((truncated(v[2]) & 0xFF) << 16) |
                    ((truncated(v[1]) & 0xFF) << 8) | (truncated(v[0]) & 0xFF);
        if (direction == 0)
            FillSpan(At(x1, y1 + i), uint64_t(x2 - x1 + 1), bpp, value, false);
        else
        {
            unsigned char* p = At(x1 + i, y1);
            for (int64_t row = y1; row <= y2; ++row, p += pitch)
                PutPixel(p, bpp, value, false);
        }
        for (int c = 0; c < 3; ++c)
            v[c] += step[c];
    }
}

// ---- circles -------------------------------------------------------------------

void Canvas::Circle(int64_t cx, int64_t cy, int64_t r, uint32_t colour, bool xorMode) const
{
    if (!Drawable() || r < 0)
        return;
    // A step plots (cx +- x, cy +- y) and (cx +- y, cy +- x): it can draw
    // inside the clipping rectangle only when x is a horizontal or a
    // vertical distance from the centre to a column or row of the rectangle.
    Range ranges[4];
    int count = 0;
    AddDistanceRanges(cx, xmin, xmax, ranges, count);
    AddDistanceRanges(cy, ymin, ymax, ranges, count);
    count = MergeRanges(ranges, count);

    WalkSteps(r, ranges, count,
              [&](const MidpointWalk& walk)
              {
                  // (cx +- a, cy +- b), each point once (a point on an
                  // axis is not drawn twice, which matters to XOR).
                  const auto four = [&](int64_t a, int64_t b)
                  {
                      Plot(cx + a, cy + b, colour, xorMode);
                      if (a != 0)
                          Plot(cx - a, cy + b, colour, xorMode);
                      if (b != 0)
                          Plot(cx + a, cy - b, colour, xorMode);
                      if (a != 0 && b != 0)
                          Plot(cx - a, cy - b, colour, xorMode);
                  };
                  four(walk.x, walk.y);
                  if (walk.x != walk.y)
                      four(walk.y, walk.x);
              });
}

void Canvas::Disk(int64_t cx, int64_t cy, int64_t r, uint32_t colour, bool xorMode) const
{
    if (!Drawable() || r < 0)
        return;
    // A step draws rows cy +- x, and rows cy +- y when y is about to
    // decrease: only steps where x or y is a vertical distance from the
    // centre to a row of the clipping rectangle can draw anything.
    Range rows[2];
    int nrows = 0;
    AddDistanceRanges(cy, ymin, ymax, rows, nrows);
    Range ranges[4];
    int count = 0;
    for (int i = 0; i < nrows; ++i)
    {
        ranges[count++] = rows[i];
        Range byY;
        if (StepsWithYIn(r, rows[i].lo, rows[i].hi, byY))
            ranges[count++] = byY;
    }
    count = MergeRanges(ranges, count);

    WalkSteps(r, ranges, count,
              [&](const MidpointWalk& walk)
              {
                  const int64_t x = walk.x, y = walk.y;
                  Span(cx - y, cy - x, uint64_t(2 * y), colour, xorMode);
                  if (x != 0)
                      Span(cx - y, cy + x, uint64_t(2 * y), colour, xorMode);
                  if (walk.d >= 0 && x != y)
                  {
                      Span(cx - x, cy - y, uint64_t(2 * x), colour, xorMode);
                      if (y != 0)
                          Span(cx - x, cy + y, uint64_t(2 * x), colour, xorMode);
                  }
              });
}

// ---- block copies --------------------------------------------------------------

void Canvas::Copy(int64_t dx, int64_t dy, const Canvas& src, int64_t sx, int64_t sy, uint64_t w,
                  uint64_t h) const
{
    if (!HasPixels() || !src.HasPixels() || src.bpp != bpp)
        return;
    Block b = {dx, dy, sx, sy, int64_t(w), int64_t(h)};
    if (!ClipBlock(b, xmin, xmax, ymin, ymax, src.width, src.height))
        return;
    const size_t n = size_t(b.w) * bytes;
    if (src.pixels == pixels)
    {
        // Within one buffer: overlapping rows need a move, in the order that
        // reads every row before it is overwritten (top to bottom when
        // moving up, bottom to top otherwise).
        for (int64_t i = 0; i < b.h; ++i)
        {
            const int64_t row = b.sy > b.dy ? i : b.h - 1 - i;
            std::memmove(At(b.dx, b.dy + row), src.At(b.sx, b.sy + row), n);
        }
        return;
    }
    // Few values live across the copies, all in registers: a value reloaded
    // from the stack after each row can wait on the row just stored.
    const int64_t dstep = pitch, sstep = src.pitch;
    unsigned char* d = At(b.dx, b.dy);
    unsigned char* const end = d + b.h * dstep;
    for (const unsigned char* s = src.At(b.sx, b.sy); d != end; d += dstep, s += sstep)
        std::memcpy(d, s, n);
}

void Canvas::KeyedCopy(int64_t dx, int64_t dy, uint32_t key, const Canvas& src, int64_t sx,
                       int64_t sy, uint64_t w, uint64_t h) const
{
    if (!Drawable() || !src.Drawable() || src.bpp != bpp)
        return;
    Block b = {dx, dy, sx, sy, int64_t(w), int64_t(h)};
    if (!ClipBlock(b, xmin, xmax, ymin, ymax, src.width, src.height))
        return;
    // The depth is chosen once, outside the rows.
    const int64_t dstep = pitch, sstep = src.pitch;
    unsigned char* d = At(b.dx, b.dy);
    const unsigned char* s = src.At(b.sx, b.sy);
    const size_t n = size_t(b.w);
    auto rows = [&](auto copyRow)
    {
        for (int64_t i = 0; i < b.h; ++i, d += dstep, s += sstep)
            copyRow(d, s, n);
    };
    switch (bpp)
    {
        case 8:
            rows([key](unsigned char* to, const unsigned char* from, size_t count)
                 { TCopyRow8(to, from, count, static_cast<uint8_t>(key)); });
            break;
        case 15:
        case 16:
            rows([key](unsigned char* to, const unsigned char* from, size_t count)
                 { TCopyRow16(to, from, count, static_cast<uint16_t>(key)); });
            break;
        case 24:
            rows([key](unsigned char* to, const unsigned char* from, size_t count)
                 { TCopyRow24(to, from, count, key & 0xFFFFFFu); });
            break;
        default:
            rows([key](unsigned char* to, const unsigned char* from, size_t count)
                 { TCopyRow32(to, from, count, key); });
            break;
    }
}
} // namespace kwo_pixels
