#include "graphics/KWOImage.h"

#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "graphics/KWOPal.h"
#include "graphics/image_codecs.h"
#include "graphics/pixel_rows.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

using namespace kwo_pixels;

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

// ---- decoding limits ------------------------------------------------------------

namespace
{
std::atomic<unsigned int> g_maxDecodeWidth{KWOImage::DefaultMaxDecodeSide};
std::atomic<unsigned int> g_maxDecodeHeight{KWOImage::DefaultMaxDecodeSide};
std::atomic<unsigned int> g_maxDecodePixels{KWOImage::DefaultMaxDecodePixels};
} // namespace

void KWOImage::SetDecodeLimits(unsigned int maxWidth, unsigned int maxHeight,
                               unsigned int maxPixels)
{
    g_maxDecodeWidth.store(maxWidth, std::memory_order_relaxed);
    g_maxDecodeHeight.store(maxHeight, std::memory_order_relaxed);
    g_maxDecodePixels.store(maxPixels, std::memory_order_relaxed);
}

unsigned int KWOImage::MaxDecodeWidth()
{
    return g_maxDecodeWidth.load(std::memory_order_relaxed);
}

unsigned int KWOImage::MaxDecodeHeight()
{
    return g_maxDecodeHeight.load(std::memory_order_relaxed);
}

unsigned int KWOImage::MaxDecodePixels()
{
    return g_maxDecodePixels.load(std::memory_order_relaxed);
}

bool WithinDecodeLimits(const char* format, uint64_t width, uint64_t height)
{
    const unsigned int maxWidth = KWOImage::MaxDecodeWidth();
    const unsigned int maxHeight = KWOImage::MaxDecodeHeight();
    const unsigned int maxPixels = KWOImage::MaxDecodePixels();
    if (width <= maxWidth && height <= maxHeight && width * height <= maxPixels)
        return true;
    KWO::LOG("%s: picture of %llu x %llu pixels is over the decoding limits (%u x %u, %u "
             "pixels)\n",
             format, static_cast<unsigned long long>(width),
             static_cast<unsigned long long>(height), maxWidth, maxHeight, maxPixels);
    return false;
}

// ---- construction ------------------------------------------------------------

KWOImage::KWOImage(unsigned int width, unsigned int height, unsigned int bpp)
    : m_width(width), m_height(height), m_xmin(0), m_xmax(0), m_ymin(0), m_ymax(0),
      m_pixels(nullptr), m_palette(nullptr), m_pitch(0), m_bpp(static_cast<unsigned short>(bpp))
{
    if (width == 0 || height == 0)
        return;
    m_pixels = AllocPixels(width, height, BytesPerPixel());
    if (m_pixels == nullptr)
        return;
    m_pitch = width * BytesPerPixel();
    StopClipping();
}

KWOImage::KWOImage(const KWOImage* other)
    : m_width(0), m_height(0), m_xmin(0), m_xmax(0), m_ymin(0), m_ymax(0), m_pixels(nullptr),
      m_palette(nullptr), m_pitch(0), m_bpp(0)
{
    if (other == nullptr)
        return;
    m_width = other->m_width;
    m_height = other->m_height;
    m_bpp = other->m_bpp;
    if (other->m_pixels != nullptr)
    {
        const size_t size = size_t(other->m_height) * other->m_pitch;
        m_pixels = new (std::nothrow) unsigned char[size];
        if (m_pixels != nullptr)
        {
            std::memcpy(m_pixels, other->m_pixels, size);
            m_pitch = other->m_pitch;
            m_xmin = other->m_xmin;
            m_xmax = other->m_xmax;
            m_ymin = other->m_ymin;
            m_ymax = other->m_ymax;
        }
    }
    if (other->m_palette != nullptr)
        m_palette = new (std::nothrow) KWOPal(other->m_palette);
}

KWOImage::~KWOImage()
{
    delete[] m_pixels;
    delete m_palette;
}

void KWOImage::FreePixels()
{
    ::FreePixels(&m_pixels);
    m_pitch = 0;
}

// ---- palette -------------------------------------------------------------------

void KWOImage::SetPalette(KWOPal* pal, unsigned int first, unsigned int count)
{
    if (m_bpp != 8 || pal == nullptr || count == 0)
        return;
    const uint64_t end = uint64_t(first) + count;
    // Never more than the largest palette, whatever the arguments say.
    const unsigned int want = static_cast<unsigned int>(std::min<uint64_t>(end, KWOPal::MaxSize));
    if (m_palette == nullptr)
    {
        m_palette = new (std::nothrow) KWOPal(want);
        if (m_palette == nullptr)
            return;
    }
    else if (m_palette->Size() < want)
        m_palette->Resize(want);
    const uint64_t stop = std::min<uint64_t>(end, m_palette->Size());
    KWOColor* to = m_palette->Entries();
    const KWOColor* from = pal->Entries();
    for (uint64_t i = first; i < stop; ++i)
        to[i] = i < pal->Size() ? from[i] : KWOColor{0, 0, 0, 0};
}

void KWOImage::ReplacePalette(KWOPal* pal)
{
    if (m_bpp != 8)
        return;
    if (pal != m_palette)
        delete m_palette;
    m_palette = pal;
}

// ---- clipping ------------------------------------------------------------------

void KWOImage::SetClipping(int x1, int y1, int x2, int y2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::max(x2, 0);
    y2 = std::max(y2, 0);
    if (m_pixels == nullptr || unsigned(x1) >= m_width || unsigned(y1) >= m_height)
        return;
    x2 = static_cast<int>(std::min<int64_t>(x2, int64_t(m_width) - 1));
    y2 = static_cast<int>(std::min<int64_t>(y2, int64_t(m_height) - 1));
    m_xmin = x1;
    m_xmax = x2;
    m_ymin = y1;
    m_ymax = y2;
}

bool KWOImage::IsClipping() const
{
    if (m_pixels == nullptr)
        return m_xmin != 0 || m_xmax != 0 || m_ymin != 0 || m_ymax != 0;
    return m_xmin != 0 || m_ymin != 0 || int64_t(m_xmax) != int64_t(m_width) - 1 ||
           int64_t(m_ymax) != int64_t(m_height) - 1;
}

void KWOImage::StopClipping()
{
    m_xmin = 0;
    m_ymin = 0;
    // A picture with pixels is never larger than kMaxBufferBytes, so its
    // sides fit in an int.
    m_xmax = m_pixels != nullptr && m_width > 0 ? static_cast<int>(m_width - 1) : 0;
    m_ymax = m_pixels != nullptr && m_height > 0 ? static_cast<int>(m_height - 1) : 0;
}

// ---- pixels --------------------------------------------------------------------

bool KWOImage::Drawable() const
{
    return m_pixels != nullptr && SupportedDepth(m_bpp);
}

unsigned int KWOImage::GetPixel(int x, int y) const
{
    if (!Drawable() || x < 0 || y < 0 || unsigned(x) >= m_width || unsigned(y) >= m_height)
        return 0;
    const unsigned char* p = m_pixels + size_t(y) * m_pitch + size_t(x) * BytesPerPixel();
    switch (m_bpp)
    {
        case 8:
            return p[0];
        case 15:
        case 16:
            return Load16(p);
        case 24:
            return p[0] | (unsigned(p[1]) << 8) | (unsigned(p[2]) << 16);
        default:
            return Load32(p);
    }
}

// ---- lines and blocks ----------------------------------------------------------

void KWOImage::Plot(int64_t x, int64_t y, uint32_t colour, DrawMode mode)
{
    if (x < m_xmin || x > m_xmax || y < m_ymin || y > m_ymax)
        return;
    PutPixel(PixelAt(x, y), m_bpp, colour, mode != DrawNormal);
}

void KWOImage::Span(int64_t x, int64_t y, uint64_t length, uint32_t colour, DrawMode mode)
{
    if (!Drawable() || length == 0 || y < m_ymin || y > m_ymax)
        return;
    int64_t x2 = x + static_cast<int64_t>(length) - 1;
    if (x > m_xmax || x2 < m_xmin)
        return;
    x = std::max<int64_t>(x, m_xmin);
    x2 = std::min<int64_t>(x2, m_xmax);
    FillSpan(PixelAt(x, y), uint64_t(x2 - x + 1), m_bpp, colour, mode != DrawNormal);
}

void KWOImage::Column(int64_t x, int64_t y, uint64_t length, uint32_t colour, DrawMode mode)
{
    if (!Drawable() || length == 0 || x < m_xmin || x > m_xmax)
        return;
    int64_t y2 = y + static_cast<int64_t>(length) - 1;
    if (y > m_ymax || y2 < m_ymin)
        return;
    y = std::max<int64_t>(y, m_ymin);
    y2 = std::min<int64_t>(y2, m_ymax);
    unsigned char* p = PixelAt(x, y);
    for (int64_t i = y; i <= y2; ++i, p += m_pitch)
        PutPixel(p, m_bpp, colour, mode != DrawNormal);
}

void KWOImage::HLine(int x, int y, unsigned int length, unsigned int colour, DrawMode mode)
{
    Span(x, y, length, colour, mode);
}

void KWOImage::VLine(int x, int y, unsigned int length, unsigned int colour, DrawMode mode)
{
    Column(x, y, length, colour, mode);
}

void KWOImage::Line(int x1, int y1, int x2, int y2, unsigned int colour, DrawMode mode)
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
    const int64_t dx = (x2 < x1 ? int64_t(x1) - x2 : int64_t(x2) - x1) + 1;
    const int64_t dy = (y2 < y1 ? int64_t(y1) - y2 : int64_t(y2) - y1) + 1;
    const bool alongY = dx < dy;
    const int64_t steps = alongY ? dy : dx;
    const uint64_t minor = uint64_t(alongY ? dx : dy);
    // The major coordinate: start, direction and the clipping bounds.
    const int64_t m0 = alongY ? y1 : x1;
    const int64_t ms = alongY ? sy : sx;
    const int64_t mlo = alongY ? m_ymin : m_xmin;
    const int64_t mhi = alongY ? m_ymax : m_xmax;
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
            Plot(other, major, colour, mode);
        else
            Plot(major, other, colour, mode);
        error += minor;
        if (error >= uint64_t(steps))
        {
            error -= uint64_t(steps);
            other += os;
        }
        major += ms;
    }
}

void KWOImage::Frame(int x, int y, unsigned int w, unsigned int h, unsigned int colour,
                     DrawMode mode)
{
    // Each pixel of the outline is drawn once, also for frames of one or two
    // rows or columns, so that an exclusive-or frame can be erased.
    if (w == 0 || h == 0)
        return;
    Span(x, y, w, colour, mode);
    if (h > 1)
        Span(x, int64_t(y) + h - 1, w, colour, mode);
    if (h > 2)
    {
        Column(x, int64_t(y) + 1, h - 2, colour, mode);
        if (w > 1)
            Column(int64_t(x) + w - 1, int64_t(y) + 1, h - 2, colour, mode);
    }
}

void KWOImage::Rectangle(int x, int y, unsigned int w, unsigned int h, unsigned int colour,
                         DrawMode mode)
{
    if (!Drawable() || w == 0 || h == 0)
        return;
    int64_t x1 = x, y1 = y;
    int64_t x2 = x1 + w - 1, y2 = y1 + h - 1;
    if (x1 > m_xmax || y1 > m_ymax || x2 < m_xmin || y2 < m_ymin)
        return;
    x1 = std::max<int64_t>(x1, m_xmin);
    y1 = std::max<int64_t>(y1, m_ymin);
    x2 = std::min<int64_t>(x2, m_xmax);
    y2 = std::min<int64_t>(y2, m_ymax);
    for (int64_t row = y1; row <= y2; ++row)
        FillSpan(PixelAt(x1, row), uint64_t(x2 - x1 + 1), m_bpp, colour, mode != DrawNormal);
}

void KWOImage::Gradient(int x, int y, unsigned int w, unsigned int h, unsigned int colour1,
                        unsigned int colour2, int direction, DrawMode mode)
{
    if (colour1 == colour2)
    {
        Rectangle(x, y, w, h, colour1, mode);
        return;
    }
    if (mode != DrawNormal || (direction != 0 && direction != 1) || !Drawable() || w == 0 || h == 0)
        return;
    int64_t x1 = x, y1 = y;
    int64_t x2 = x1 + w - 1, y2 = y1 + h - 1;
    if (x1 > m_xmax || y1 > m_ymax || x2 < m_xmin || y2 < m_ymin)
        return;
    x1 = std::max<int64_t>(x1, m_xmin);
    y1 = std::max<int64_t>(y1, m_ymin);
    x2 = std::min<int64_t>(x2, m_xmax);
    y2 = std::min<int64_t>(y2, m_ymax);

    // The ramp runs over the visible rows (direction 0) or columns (1): the
    // first has colour1, the last colour2. Values are accumulated in single
    // precision from colour + 0.5, so a single line gets colour1.
    const int64_t n = direction == 0 ? y2 - y1 + 1 : x2 - x1 + 1;
    const float div = n > 1 ? static_cast<float>(n - 1) : 1.0f;
    const bool indexed = m_bpp == 8;
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
            return 0xFFFFFFFFu;
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
            FillSpan(PixelAt(x1, y1 + i), uint64_t(x2 - x1 + 1), m_bpp, value, false);
        else
        {
            unsigned char* p = PixelAt(x1 + i, y1);
            for (int64_t row = y1; row <= y2; ++row, p += m_pitch)
                PutPixel(p, m_bpp, value, false);
        }
        for (int c = 0; c < 3; ++c)
            v[c] += step[c];
    }
}

// ---- circles -------------------------------------------------------------------

void KWOImage::Circle(int cx, int cy, int r, unsigned int colour, DrawMode mode)
{
    if (!Drawable() || r < 0)
        return;
    // A step plots (cx +- x, cy +- y) and (cx +- y, cy +- x): it can draw
    // inside the clipping rectangle only when x is a horizontal or a
    // vertical distance from the centre to a column or row of the rectangle.
    Range ranges[4];
    int count = 0;
    AddDistanceRanges(cx, m_xmin, m_xmax, ranges, count);
    AddDistanceRanges(cy, m_ymin, m_ymax, ranges, count);
    count = MergeRanges(ranges, count);

    MidpointWalk walk(r);
    for (int k = 0; k < count && walk.Running(); ++k)
    {
        walk.JumpTo(ranges[k].lo);
        while (walk.Running() && walk.x <= ranges[k].hi)
        {
            const int64_t x = walk.x, y = walk.y;
            Plot(cx + x, cy + y, colour, mode);
            if (x != 0)
                Plot(cx - x, cy + y, colour, mode);
            if (y != 0)
                Plot(cx + x, cy - y, colour, mode);
            if (x != 0 && y != 0)
                Plot(cx - x, cy - y, colour, mode);
            if (x != y)
            {
                Plot(cx + y, cy + x, colour, mode);
                if (x != 0)
                    Plot(cx + y, cy - x, colour, mode);
                if (y != 0)
                    Plot(cx - y, cy + x, colour, mode);
                if (x != 0 && y != 0)
                    Plot(cx - y, cy - x, colour, mode);
            }
            walk.Step();
        }
    }
}

void KWOImage::Disk(int cx, int cy, int r, unsigned int colour, DrawMode mode)
{
    if (!Drawable() || r < 0)
        return;
    // A step draws rows cy +- x, and rows cy +- y when y is about to
    // decrease: only steps where x or y is a vertical distance from the
    // centre to a row of the clipping rectangle can draw anything.
    Range rows[2];
    int nrows = 0;
    AddDistanceRanges(cy, m_ymin, m_ymax, rows, nrows);
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

    MidpointWalk walk(r);
    for (int k = 0; k < count && walk.Running(); ++k)
    {
        walk.JumpTo(ranges[k].lo);
        while (walk.Running() && walk.x <= ranges[k].hi)
        {
            const int64_t x = walk.x, y = walk.y;
            Span(cx - y, cy - x, uint64_t(2 * y), colour, mode);
            if (x != 0)
                Span(cx - y, cy + x, uint64_t(2 * y), colour, mode);
            if (walk.d >= 0 && x != y)
            {
                Span(cx - x, cy - y, uint64_t(2 * x), colour, mode);
                if (y != 0)
                    Span(cx - x, cy + y, uint64_t(2 * x), colour, mode);
            }
            walk.Step();
        }
    }
}

// ---- block copies --------------------------------------------------------------

void KWOImage::CopyImage(int dx, int dy, KWOImage* src, int sx, int sy, unsigned int w,
                         unsigned int h)
{
    if (src == nullptr || m_pixels == nullptr || src->m_pixels == nullptr || src->m_bpp != m_bpp)
        return;
    Block b = {dx, dy, sx, sy, w, h};
    if (!ClipBlock(b, m_xmin, m_xmax, m_ymin, m_ymax, src->m_width, src->m_height))
        return;
    const size_t bytes = size_t(b.w) * BytesPerPixel();
    if (src == this)
    {
        // Copying within one picture: overlapping rows need a move, in the
        // order that reads every row before it is overwritten.
        for (int64_t i = 0; i < b.h; ++i)
        {
            const int64_t row = b.sy > b.dy ? i : b.h - 1 - i;
            std::memmove(PixelAt(b.dx, b.dy + row), PixelAt(b.sx, b.sy + row), bytes);
        }
        return;
    }
    unsigned char* d = PixelAt(b.dx, b.dy);
    const unsigned char* s = src->PixelAt(b.sx, b.sy);
    for (int64_t i = 0; i < b.h; ++i, d += m_pitch, s += src->m_pitch)
        std::memcpy(d, s, bytes);
}

void KWOImage::TCopyImage(int dx, int dy, unsigned int key, KWOImage* src, int sx, int sy,
                          unsigned int w, unsigned int h)
{
    if (src == nullptr || m_pixels == nullptr || src->m_pixels == nullptr || src->m_bpp != m_bpp ||
        !SupportedDepth(m_bpp))
        return;
    Block b = {dx, dy, sx, sy, w, h};
    if (!ClipBlock(b, m_xmin, m_xmax, m_ymin, m_ymax, src->m_width, src->m_height))
        return;
    unsigned char* d = PixelAt(b.dx, b.dy);
    const unsigned char* s = src->PixelAt(b.sx, b.sy);
    const size_t n = size_t(b.w);
    for (int64_t i = 0; i < b.h; ++i, d += m_pitch, s += src->m_pitch)
    {
        switch (m_bpp)
        {
            case 8:
                TCopyRow8(d, s, n, static_cast<uint8_t>(key));
                break;
            case 15:
            case 16:
                TCopyRow16(d, s, n, static_cast<uint16_t>(key));
                break;
            case 24:
                TCopyRow24(d, s, n, key & 0xFFFFFFu);
                break;
            default:
                TCopyRow32(d, s, n, key);
                break;
        }
    }
}

void KWOImage::MoveInside(int sx, int sy, unsigned int w, unsigned int h, int dx, int dy)
{
    if (m_pixels == nullptr)
        return;
    Block b = {dx, dy, sx, sy, w, h};
    if (!ClipBlock(b, m_xmin, m_xmax, m_ymin, m_ymax, m_width, m_height))
        return;
    const size_t bytes = size_t(b.w) * BytesPerPixel();
    for (int64_t i = 0; i < b.h; ++i)
    {
        // Top to bottom when moving up, bottom to top otherwise.
        const int64_t row = b.sy > b.dy ? i : b.h - 1 - i;
        std::memmove(PixelAt(b.dx, b.dy + row), PixelAt(b.sx, b.sy + row), bytes);
    }
}

void KWOImage::VFlip()
{
    if (m_pixels == nullptr)
        return;
    for (unsigned int top = 0, bottom = m_height - 1; top < bottom; ++top, --bottom)
    {
        unsigned char* a = m_pixels + size_t(top) * m_pitch;
        std::swap_ranges(a, a + m_pitch, m_pixels + size_t(bottom) * m_pitch);
    }
}

// ---- size and depth ------------------------------------------------------------

bool KWOImage::Resize(unsigned int w, unsigned int h)
{
    if (w == 0 || h == 0)
        return false;
    const unsigned int bytes = BytesPerPixel();
    unsigned char* pixels = AllocPixels(w, h, bytes);
    if (pixels == nullptr)
        return false;
    const unsigned int pitch = w * bytes;
    if (m_pixels != nullptr)
    {
        // The new buffer is cleared: only the common top-left part is copied.
        const size_t rowBytes = size_t(std::min(m_width, w)) * bytes;
        const unsigned int rows = std::min(m_height, h);
        for (unsigned int i = 0; i < rows; ++i)
            std::memcpy(pixels + size_t(i) * pitch, m_pixels + size_t(i) * m_pitch, rowBytes);
        delete[] m_pixels;
    }
    m_pixels = pixels;
    m_width = w;
    m_height = h;
    m_pitch = pitch;
    StopClipping();
    return true;
}

bool KWOImage::NewFormat(unsigned int w, unsigned int h, unsigned int bpp)
{
    if (!SupportedDepth(bpp))
        return false;
    const bool empty = w == 0 || h == 0;
    if (w == m_width && h == m_height && bpp == m_bpp && (m_pixels != nullptr || empty))
        return true;
    FreePixels();
    if (empty)
    {
        m_width = m_height = 0;
        m_bpp = 0;
        StopClipping();
        return true;
    }
    m_pixels = AllocPixels(w, h, (bpp + 7) / 8);
    if (m_pixels == nullptr)
    {
        // No memory for the new size: the image is left empty.
        m_width = m_height = 0;
        m_bpp = 0;
        StopClipping();
        return false;
    }
    m_width = w;
    m_height = h;
    m_bpp = static_cast<unsigned short>(bpp);
    m_pitch = w * BytesPerPixel();
    StopClipping();
    return true;
}

unsigned int KWOImage::MemoryUsed() const
{
    const uint64_t used = sizeof(KWOImage) + (m_pixels ? uint64_t(m_height) * m_pitch : 0);
    return static_cast<unsigned int>(std::min<uint64_t>(used, 0xFFFFFFFFu));
}

// ---- files ---------------------------------------------------------------------

int KWOImage::FindFormat(KWOResFile& f)
{
    unsigned char head[4];
    if (f.Read(head, 4) < 4)
    {
        KWO::LOG("Can not read file header\n");
        return 0;
    }
    f.Seek(-4, 1);
    if (head[0] == 'B' && head[1] == 'M')
        return 1;
    if (std::memcmp(head, "GIF", 3) == 0)
        return 3;
    if (std::memcmp(head, "KWOF", 4) == 0)
        return 6;
    if (head[0] == 10 && head[1] == 5 && head[2] == 1)
        return 2;
    return 4;
}

void KWOImage::AfterLoad()
{
    // A reader hands back a buffer of height x width x bytes per pixel (or
    // none); the pitch and the clipping follow from it, also after a failed
    // read, so that the image never describes more bytes than it holds.
    m_pitch = m_pixels != nullptr ? m_width * BytesPerPixel() : 0;
    StopClipping();
}

bool KWOImage::Load(KWOResFile& f, int format)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    if (format == 0)
        format = FindFormat(f);
    bool ok;
    switch (format)
    {
        case 0: // unreadable header: the PCX reader refuses it
        case 2:
            ok = PCXLoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
            break;
        case 1:
            ok = BMPLoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
            break;
        case 3:
            ok = GIFLoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
            break;
        case 4:
            ok = TGALoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
            break;
        case 6:
            ok = KWOFPictureLoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
            break;
        default:
            return false;
    }
    AfterLoad();
    return ok;
}

bool KWOImage::Save(KWOResFile& f, int format)
{
    if (f.GetState() != KWOResFile::StateOK || m_pixels == nullptr)
        return false;
    switch (format)
    {
        case 0:
            return m_bpp <= 8 ? PCXSave(f, *this) : TGASaveRLE(f, *this);
        case 1:
            return BMPSave(f, *this);
        case 2:
            return PCXSave(f, *this);
        case 4:
            return TGASave(f, *this);
        case 5:
            return TGASaveRLE(f, *this);
        default:
            return false;
    }
}

void KWOImage::PrintInfo() const
{
    KWO::LOG("Image: %d x %d x %d bpp, pitch: %d", m_width, m_height, m_bpp, m_pitch);
    if (m_palette != nullptr)
        KWO::LOG(", palette: %d colors", m_palette->Size());
    KWO::LOG("\n");
}
