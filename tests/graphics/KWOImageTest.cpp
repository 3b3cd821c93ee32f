#include "graphics/KWOImage.h"

#include "core/KWOLog.h"
#include "files/KWOMemFile.h"
#include "graphics/KWOPal.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{
const unsigned kDepths[] = {8, 15, 16, 24, 32};

// The value of a pixel cut to the width of a depth.
unsigned Cut(unsigned bpp, unsigned v)
{
    return bpp == 8 ? v & 0xFF : bpp <= 16 ? v & 0xFFFF : bpp == 24 ? v & 0xFFFFFF : v;
}

// Fills every pixel with a value derived from its position and a seed.
void Pattern(KWOImage& img, unsigned seed)
{
    for (unsigned y = 0; y < img.Height(); ++y)
        for (unsigned x = 0; x < img.Width(); ++x)
        {
            unsigned v = (x * 2654435761u) ^ (y * 40503u) ^ (seed * 7919u);
            v ^= v >> 13;
            img.HLine(int(x), int(y), 1, v * 0x01000193u + x);
        }
}

// Every pixel value, row by row.
std::vector<unsigned> Pixels(const KWOImage& img)
{
    std::vector<unsigned> v;
    for (unsigned y = 0; y < img.Height(); ++y)
        for (unsigned x = 0; x < img.Width(); ++x)
            v.push_back(img.GetPixel(int(x), int(y)));
    return v;
}

// The positions of non-zero pixels.
std::set<std::pair<int, int>> Lit(const KWOImage& img)
{
    std::set<std::pair<int, int>> lit;
    for (unsigned y = 0; y < img.Height(); ++y)
        for (unsigned x = 0; x < img.Width(); ++x)
            if (img.GetPixel(int(x), int(y)) != 0)
                lit.insert({int(x), int(y)});
    return lit;
}

// An 8-bit image drawn as text rows, '#' for non-zero pixels.
std::vector<std::string> Picture(const KWOImage& img)
{
    std::vector<std::string> rows;
    for (unsigned y = 0; y < img.Height(); ++y)
    {
        std::string row;
        for (unsigned x = 0; x < img.Width(); ++x)
            row += img.GetPixel(int(x), int(y)) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

// Reference exclusive-or plotter over a clipped 8-bit grid, used to check
// the primitives' pixel sets without their shortcuts.
struct Grid
{
    int w, h, xmin, xmax, ymin, ymax;
    std::vector<unsigned char> px;
    Grid(int w_, int h_, int x1, int y1, int x2, int y2)
        : w(w_), h(h_), xmin(x1), xmax(x2), ymin(y1), ymax(y2), px(size_t(w_) * h_)
    {
    }
    void Plot(int64_t x, int64_t y)
    {
        if (x >= xmin && x <= xmax && y >= ymin && y <= ymax)
            px[size_t(y) * w + size_t(x)] ^= 1;
    }
    void Span(int64_t x, int64_t y, int64_t n)
    {
        // Only the pixels from xmin to xmax can be plotted.
        for (int64_t i = std::max<int64_t>(0, xmin - x); i < n && x + i <= xmax; ++i)
            Plot(x + i, y);
    }
    // The plain midpoint walks, step by step from x = 0.
    void Circle(int64_t cx, int64_t cy, int64_t r, bool disk)
    {
        int64_t x = 0, y = r, d = 1 - r, dE = 3, dSE = 5 - 2 * r;
        while (x <= y)
        {
            if (disk)
            {
                Span(cx - y, cy - x, 2 * y);
                if (x != 0)
                    Span(cx - y, cy + x, 2 * y);
                if (d >= 0 && x != y)
                {
                    Span(cx - x, cy - y, 2 * x);
                    if (y != 0)
                        Span(cx - x, cy + y, 2 * x);
                }
            }
            else
            {
                Plot(cx + x, cy + y);
                if (x != 0)
                    Plot(cx - x, cy + y);
                if (y != 0)
                    Plot(cx + x, cy - y);
                if (x != 0 && y != 0)
                    Plot(cx - x, cy - y);
                if (x != y)
                {
                    Plot(cx + y, cy + x);
                    if (x != 0)
                        Plot(cx + y, cy - x);
                    if (y != 0)
                        Plot(cx - y, cy + x);
                    if (x != 0 && y != 0)
                        Plot(cx - y, cy - x);
                }
            }
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
    }
    // The plain Bresenham walk over every step.
    void Line(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
    {
        const int64_t sx = x2 < x1 ? -1 : 1, sy = y2 < y1 ? -1 : 1;
        const int64_t dx = (x2 < x1 ? x1 - x2 : x2 - x1) + 1,
                      dy = (y2 < y1 ? y1 - y2 : y2 - y1) + 1;
        int64_t e = 0, x = x1, y = y1;
        if (dx < dy)
            for (int64_t i = 0; i < dy; ++i, y += sy)
            {
                Plot(x, y);
                if ((e += dx) >= dy)
                    e -= dy, x += sx;
            }
        else
            for (int64_t i = 0; i < dx; ++i, x += sx)
            {
                Plot(x, y);
                if ((e += dy) >= dx)
                    e -= dx, y += sy;
            }
    }
    bool Matches(const KWOImage& img) const
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((img.GetPixel(x, y) & 1) != px[size_t(y) * w + size_t(x)])
                    return false;
        return true;
    }
};

class ImageLogTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(KWO::SetLogTarget(2, (m_dir / "log.txt").c_str())); }
    void TearDown() override { KWO::SetLogTarget(0, nullptr); }
    std::string Logged() const { return ReadFileBytes(m_dir / "log.txt"); }
    TempDir m_dir;
};
} // namespace

TEST(ImageTest, ConstructionAndCopies)
{
    KWOImage img(7, 5, 24);
    EXPECT_EQ(21u, img.Pitch());
    ASSERT_NE(nullptr, img.Pixels());
    EXPECT_FALSE(img.IsClipping());
    EXPECT_EQ(sizeof(KWOImage) + 105, img.MemoryUsed());

    KWOImage empty(0, 9, 16);
    EXPECT_EQ(nullptr, empty.Pixels());
    EXPECT_EQ(0u, empty.Width());
    EXPECT_EQ(9u, empty.Height());
    EXPECT_EQ(16u, empty.Bpp());
    EXPECT_EQ(0u, empty.Pitch());
    EXPECT_EQ(sizeof(KWOImage), empty.MemoryUsed());
    empty.StopClipping();
    EXPECT_EQ(0, empty.ClipXMax());
    EXPECT_EQ(0, empty.ClipYMax());
    EXPECT_FALSE(empty.IsClipping());
    empty.HLine(0, 0, 5, 1); // nothing to draw on
    EXPECT_EQ(0u, empty.GetPixel(0, 0));

    // A size no buffer may have gives an empty image instead of an attempt.
    KWOImage huge(100000, 100000, 32);
    EXPECT_EQ(nullptr, huge.Pixels());

    KWOImage pal8(4, 3, 8);
    Pattern(pal8, 1);
    pal8.SetClipping(1, 1, 2, 2);
    KWOPal* pal = new KWOPal(2u);
    pal->Entries()[1] = KWOColor{1, 2, 3, 4};
    pal8.ReplacePalette(pal);
    KWOImage copy(&pal8);
    EXPECT_EQ(Pixels(pal8), Pixels(copy));
    EXPECT_EQ(2, copy.ClipXMax());
    ASSERT_NE(nullptr, copy.Palette());
    EXPECT_NE(pal8.Palette(), copy.Palette());
    EXPECT_EQ(4, copy.Palette()->Entries()[1].a);
    KWOImage fromNull(static_cast<const KWOImage*>(nullptr));
    EXPECT_EQ(nullptr, fromNull.Pixels());
}

TEST(ImageTest, Palettes)
{
    KWOImage img(2, 2, 8);
    KWOPal src(3u);
    src.Entries()[2] = KWOColor{9, 9, 9, 9};
    img.SetPalette(&src, 2, 3); // entries 2..4; src has no 3 and 4
    ASSERT_NE(nullptr, img.Palette());
    EXPECT_EQ(5u, img.Palette()->Size());
    EXPECT_EQ(9, img.Palette()->Entries()[2].a);
    EXPECT_EQ(0, img.Palette()->Entries()[4].r);
    img.SetPalette(&src, 0xFFFFFFF0u, 0x100); // absurd range: capped, no overflow
    EXPECT_EQ(4096u, img.Palette()->Size());
    img.ReplacePalette(img.Palette()); // the same palette is kept, not freed
    ASSERT_NE(nullptr, img.Palette());
    img.ReplacePalette(nullptr);
    EXPECT_EQ(nullptr, img.Palette());

    KWOImage deep(2, 2, 32);
    KWOPal mine(1u);
    deep.SetPalette(&mine, 0, 1);
    deep.ReplacePalette(&mine); // refused: the caller keeps it
    EXPECT_EQ(nullptr, deep.Palette());
}

TEST(ImageTest, ClippingRules)
{
    KWOImage img(20, 15, 8);
    img.SetClipping(10, 10, 2, 2);
    EXPECT_EQ(2, img.ClipXMin());
    EXPECT_EQ(10, img.ClipXMax());
    EXPECT_EQ(2, img.ClipYMin());
    EXPECT_EQ(10, img.ClipYMax());
    EXPECT_TRUE(img.IsClipping());

    img.SetClipping(20, 0, 25, 5); // starts outside: refused
    img.SetClipping(0, 15, 5, 30);
    EXPECT_EQ(2, img.ClipXMin());
    EXPECT_EQ(10, img.ClipYMax());

    img.SetClipping(-5, -3, 100, 100);
    EXPECT_EQ(0, img.ClipXMin());
    EXPECT_EQ(19, img.ClipXMax());
    EXPECT_EQ(14, img.ClipYMax());
    EXPECT_FALSE(img.IsClipping());

    img.SetClipping(3, 3, -4, -4); // swapped, then raised to 0
    EXPECT_EQ(0, img.ClipXMin());
    EXPECT_EQ(3, img.ClipXMax());
    img.StopClipping();
    EXPECT_FALSE(img.IsClipping());
}

TEST(ImageTest, GetPixelAndByteOrder)
{
    KWOImage rgb(3, 2, 24);
    rgb.Rectangle(0, 0, 3, 2, 0xAB112233);
    EXPECT_EQ(0x112233u, rgb.GetPixel(2, 1));
    EXPECT_EQ(0x33, rgb.Pixels()[0]);
    EXPECT_EQ(0x22, rgb.Pixels()[1]);
    EXPECT_EQ(0x11, rgb.Pixels()[2]);
    EXPECT_EQ(0u, rgb.GetPixel(3, 0));
    EXPECT_EQ(0u, rgb.GetPixel(-1, 0));
    EXPECT_EQ(0u, rgb.GetPixel(0, 2));

    for (unsigned bpp : kDepths)
    {
        KWOImage img(4, 4, bpp);
        img.Rectangle(0, 0, 4, 4, 0x89ABCDEF);
        img.SetClipping(2, 2, 3, 3); // GetPixel ignores the clipping
        EXPECT_EQ(Cut(bpp, 0x89ABCDEF), img.GetPixel(0, 0)) << bpp;
        img.Rectangle(0, 0, 4, 4, 0);
        EXPECT_EQ(Cut(bpp, 0x89ABCDEF), img.GetPixel(1, 1)) << bpp;
        EXPECT_EQ(0u, img.GetPixel(3, 3)) << bpp;
    }

    // An unsupported depth has a buffer but reads and draws nothing.
    KWOImage odd(4, 4, 12);
    ASSERT_NE(nullptr, odd.Pixels());
    std::memset(odd.Pixels(), 0x55, 4 * odd.Pitch());
    odd.Rectangle(0, 0, 4, 4, 0);
    odd.Line(0, 0, 3, 3, 0);
    EXPECT_EQ(0x55, odd.Pixels()[0]);
    EXPECT_EQ(0u, odd.GetPixel(0, 0));
}

TEST(ImageTest, ExclusiveOrAtEveryDepth)
{
    for (unsigned bpp : kDepths)
    {
        KWOImage img(3, 1, bpp);
        img.HLine(0, 0, 3, 0x00123456);
        img.HLine(0, 0, 2, 0x0000F00F, KWOImage::DrawXor);
        img.VLine(2, 0, 1, 0x0000F00F, 7); // any non-zero mode is exclusive-or
        const unsigned before = Cut(bpp, 0x00123456);
        const unsigned expected = bpp == 8 ? (0x56 ^ 0x0F) : Cut(bpp, ~before);
        EXPECT_EQ(expected, img.GetPixel(0, 0)) << bpp;
        EXPECT_EQ(expected, img.GetPixel(2, 0)) << bpp;
    }
}

TEST(ImageTest, HorizontalAndVerticalLines)
{
    KWOImage img(10, 4, 8);
    img.HLine(-5, 0, 10, 1);
    EXPECT_EQ((std::vector<std::string>{"#####.....", "..........", "..........", ".........."}),
              Picture(img));
    img.HLine(3, 1, 0, 1); // length 0
    img.HLine(0, 1, 0, 1);
    img.VLine(4, 0, 0, 1);
    EXPECT_EQ(5u, Lit(img).size());

    img.SetClipping(2, 1, 7, 2);
    img.HLine(-100, 1, 0xFFFFFFFFu, 1); // clipped at both ends, no overflow
    img.HLine(0, 3, 10, 1);             // below the clipping rectangle
    img.VLine(5, -1000, 0xFFFFFFFFu, 1);
    img.VLine(9, 0, 4, 1); // right of it
    img.HLine(0x7FFFFFFF, 2, 0xFFFFFFFFu, 1);
    EXPECT_EQ((std::vector<std::string>{"#####.....", "..######..", ".....#....", ".........."}),
              Picture(img));

    // 16-bit spans with a colour of 0 and of a wider value.
    KWOImage hi(4, 1, 16);
    hi.HLine(0, 0, 4, 0x12345);
    EXPECT_EQ(0x2345u, hi.GetPixel(3, 0));
    hi.HLine(1, 0, 2, 0);
    EXPECT_EQ(0u, hi.GetPixel(2, 0));
    EXPECT_EQ(0x2345u, hi.GetPixel(3, 0));
}

TEST(ImageTest, Lines)
{
    KWOImage img(5, 3, 8);
    img.Line(0, 0, 3, 1, 1);
    EXPECT_EQ((std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 1}, {3, 1}}), Lit(img));

    KWOImage back(5, 3, 8);
    back.Line(3, 1, 0, 0, 1); // the reverse walk starts at (3, 1)
    EXPECT_EQ((std::set<std::pair<int, int>>{{3, 1}, {2, 1}, {1, 0}, {0, 0}}), Lit(back));

    KWOImage dot(5, 3, 8);
    dot.Line(2, 2, 2, 2, 1);
    EXPECT_EQ((std::set<std::pair<int, int>>{{2, 2}}), Lit(dot));

    // Every direction and slope, clipped and unclipped, against the plain
    // walk; exclusive-or shows a pixel drawn twice.
    const int ends[][4] = {{0, 0, 15, 9},
                           {15, 9, 0, 0},
                           {3, 11, 12, 0},
                           {-5, -7, 20, 30},
                           {7, 7, 7, -40},
                           {-30, 4, 40, 5},
                           {2, 5, 2, 5},
                           {-2000000000, 3, 2000000000, 6},
                           {1, -2147483647, 2, 2147483647},
                           {14, 0, 0, 11}};
    for (bool clip : {false, true})
        for (const auto& e : ends)
        {
            KWOImage line(16, 12, 8);
            Grid ref(16, 12, 0, 0, 15, 11);
            if (clip)
            {
                line.SetClipping(3, 2, 11, 8);
                ref = Grid(16, 12, 3, 2, 11, 8);
            }
            line.Line(e[0], e[1], e[2], e[3], 1, KWOImage::DrawXor);
            if (std::abs(int64_t(e[2]) - e[0]) < 100000 && std::abs(int64_t(e[3]) - e[1]) < 100000)
            {
                ref.Line(e[0], e[1], e[2], e[3]);
                EXPECT_TRUE(ref.Matches(line)) << e[0] << "," << e[1] << " " << e[2] << "," << e[3];
            }
        }

    // A line across the whole int range still draws its visible pixels: the
    // row it crosses at the image is row 4 or 5 of a slope of 3 / 4e9.
    KWOImage wide(16, 12, 8);
    wide.Line(-2000000000, 3, 2000000000, 6, 1);
    EXPECT_EQ(16u, Lit(wide).size());
}

TEST(ImageTest, FramesAndRectangles)
{
    KWOImage img(6, 5, 8);
    Pattern(img, 3);
    const std::vector<unsigned> before = Pixels(img);
    img.Frame(0, 0, 3, 3, 0x5A, 1);
    EXPECT_NE(before, Pixels(img));
    img.Frame(0, 0, 3, 3, 0x5A, 1);
    EXPECT_EQ(before, Pixels(img)) << "an exclusive-or frame drawn twice restores the image";

    // Each pixel of any frame is drawn exactly once, thin ones included.
    const unsigned sizes[][2] = {{1, 1}, {1, 4}, {4, 1}, {2, 2}, {2, 5}, {5, 2}, {6, 5}};
    for (const auto& s : sizes)
    {
        KWOImage frame(6, 5, 8);
        frame.Frame(0, 0, s[0], s[1], 1, KWOImage::DrawXor);
        unsigned outline = 0;
        for (unsigned y = 0; y < s[1]; ++y)
            for (unsigned x = 0; x < s[0]; ++x)
            {
                const bool edge = x == 0 || y == 0 || x == s[0] - 1 || y == s[1] - 1;
                EXPECT_EQ(edge ? 1u : 0u, frame.GetPixel(int(x), int(y))) << s[0] << "x" << s[1];
                outline += edge;
            }
        EXPECT_EQ(outline, Lit(frame).size());
    }
    KWOImage none(6, 5, 8);
    none.Frame(2, 2, 0, 3, 1);
    none.Frame(2, 2, 3, 0, 1);
    EXPECT_TRUE(Lit(none).empty());

    KWOImage rect(6, 5, 8);
    rect.SetClipping(1, 1, 4, 3);
    rect.Rectangle(-3, -3, 6, 20, 1);
    rect.Rectangle(4, 3, 0xFFFFFFFFu, 0xFFFFFFFFu, 1);
    rect.Rectangle(5, 0, 1, 1, 1);
    EXPECT_EQ((std::vector<std::string>{"......", ".##...", ".##...", ".##.#.", "......"}),
              Picture(rect));
}

TEST(ImageTest, Gradients)
{
    KWOImage img(3, 11, 8);
    img.Gradient(0, 0, 3, 11, 0, 10, 0);
    for (unsigned y = 0; y < 11; ++y)
        EXPECT_EQ(y, img.GetPixel(1, int(y)));

    // Left to right, descending.
    KWOImage cols(11, 2, 8);
    cols.Gradient(0, 0, 11, 2, 10, 0, 1);
    for (unsigned x = 0; x < 11; ++x)
        EXPECT_EQ(10 - x, cols.GetPixel(int(x), 1));

    // Mode 1 or an unknown direction draws nothing; equal colours are a Rectangle.
    KWOImage quiet(4, 4, 8);
    quiet.Gradient(0, 0, 4, 4, 1, 9, 0, 1);
    quiet.Gradient(0, 0, 4, 4, 1, 9, 2);
    EXPECT_TRUE(Lit(quiet).empty());
    quiet.Gradient(1, 1, 2, 2, 6, 6, 2, 1);
    EXPECT_EQ(6u, quiet.GetPixel(2, 2));
    EXPECT_EQ(4u, Lit(quiet).size());

    // The ramp runs over the visible part only; one visible row gets colour1.
    KWOImage clipped(2, 11, 8);
    clipped.SetClipping(0, 5, 1, 7);
    clipped.Gradient(0, 0, 2, 11, 100, 200, 0);
    EXPECT_EQ(100u, clipped.GetPixel(0, 5));
    EXPECT_EQ(150u, clipped.GetPixel(0, 6));
    EXPECT_EQ(200u, clipped.GetPixel(0, 7));
    EXPECT_EQ(0u, clipped.GetPixel(0, 8));
    clipped.SetClipping(0, 9, 1, 9);
    clipped.Gradient(0, 0, 2, 11, 33, 200, 0);
    EXPECT_EQ(33u, clipped.GetPixel(1, 9));

    // Above 8 bits each byte runs on its own and bits 24-31 are set.
    KWOImage deep(5, 3, 32);
    deep.Gradient(0, 0, 5, 3, 0x000010FF, 0x00FF1000, 1);
    for (unsigned x = 0; x < 5; ++x)
        for (unsigned y = 0; y < 3; ++y)
            EXPECT_EQ(0xFF000000u, deep.GetPixel(int(x), int(y)) & 0xFF000000u);
    EXPECT_EQ(0xFF0010FFu, deep.GetPixel(0, 0));
    EXPECT_EQ(0xFFFF1000u, deep.GetPixel(4, 2));
    EXPECT_EQ(0xFF801080u, deep.GetPixel(2, 1)); // red 128.5, green kept, blue 128.5
    deep.SetClipping(0, 1, 4, 1);
    deep.Gradient(0, 0, 5, 3, 0x123456, 0, 0);
    EXPECT_EQ(0xFF123456u, deep.GetPixel(3, 1)) << "a single visible row";

    KWOImage rgb(2, 2, 24);
    rgb.Gradient(0, 0, 2, 2, 0x102030, 0x405060, 0);
    EXPECT_EQ(0x405060u, rgb.GetPixel(1, 1));
    KWOImage hi(2, 2, 16);
    hi.Gradient(0, 0, 2, 2, 0x102030, 0x405060, 0);
    EXPECT_EQ(0x5060u, hi.GetPixel(1, 1));
}

TEST(ImageTest, CirclesAndDisks)
{
    KWOImage dot(5, 5, 8);
    dot.Circle(2, 2, 0, 1);
    EXPECT_EQ((std::set<std::pair<int, int>>{{2, 2}}), Lit(dot));
    dot.Disk(1, 1, 0, 1);
    dot.Circle(1, 1, -3, 1);
    dot.Disk(1, 1, -3, 1);
    EXPECT_EQ(1u, Lit(dot).size());

    KWOImage ring(5, 5, 8);
    ring.Circle(2, 2, 2, 1, KWOImage::DrawXor);
    EXPECT_EQ((std::vector<std::string>{".###.", "#...#", "#...#", "#...#", ".###."}),
              Picture(ring));

    KWOImage disk(5, 5, 8);
    disk.Disk(2, 2, 2, 1, KWOImage::DrawXor);
    EXPECT_EQ((std::vector<std::string>{".##..", "####.", "####.", "####.", ".##.."}),
              Picture(disk));

    // Small and very large radii, centres inside and far outside, against
    // the plain walk; exclusive-or shows any pixel drawn twice.
    const int64_t cases[][3] = {{8, 6, 5},
                                {8, 6, 30},
                                {-3, 2, 7},
                                {20, 20, 13},
                                {1000, 6, 995},
                                {-500, -400, 641},
                                {8, 1000000, 999995},
                                {1000000, 6, 999993},
                                {8, 6, 400000},
                                {700001, 700000, 989949}};
    for (bool disks : {false, true})
        for (bool clip : {false, true})
            for (const auto& c : cases)
            {
                KWOImage img(17, 13, 8);
                Grid ref(17, 13, 0, 0, 16, 12);
                if (clip)
                {
                    img.SetClipping(2, 3, 12, 9);
                    ref = Grid(17, 13, 2, 3, 12, 9);
                }
                if (disks)
                    img.Disk(int(c[0]), int(c[1]), int(c[2]), 1, KWOImage::DrawXor);
                else
                    img.Circle(int(c[0]), int(c[1]), int(c[2]), 1, KWOImage::DrawXor);
                ref.Circle(c[0], c[1], c[2], disks);
                EXPECT_TRUE(ref.Matches(img))
                    << (disks ? "Disk " : "Circle ") << c[0] << "," << c[1] << " r " << c[2];
            }

    // The largest radius costs no more than the image: a circle through it.
    KWOImage big(17, 13, 8);
    big.Circle(-2147483647 + 8, 6, 2147483647, 1);
    EXPECT_FALSE(Lit(big).empty());
    big.Disk(8, -2147483647, 2147483647, 2); // its top row is row 0
    EXPECT_EQ(2u, big.GetPixel(0, 0));
    EXPECT_EQ(2u, big.GetPixel(16, 0));
    EXPECT_EQ(0u, big.GetPixel(0, 1));
}

TEST(ImageTest, ResizeAndNewFormat)
{
    for (unsigned bpp : kDepths)
    {
        KWOImage img(4, 3, bpp);
        Pattern(img, bpp);
        const std::vector<unsigned> old = Pixels(img);
        img.SetClipping(1, 1, 2, 2);
        ASSERT_TRUE(img.Resize(6, 5));
        EXPECT_EQ(6u * img.BytesPerPixel(), img.Pitch());
        EXPECT_FALSE(img.IsClipping());
        for (unsigned y = 0; y < 5; ++y)
            for (unsigned x = 0; x < 6; ++x)
                EXPECT_EQ(x < 4 && y < 3 ? old[y * 4 + x] : 0u, img.GetPixel(int(x), int(y)))
                    << bpp << " at " << x << "," << y;
        ASSERT_TRUE(img.Resize(2, 4)); // narrower, taller
        EXPECT_EQ(old[1 * 4 + 1], img.GetPixel(1, 1));
        EXPECT_EQ(0u, img.GetPixel(1, 3));
    }

    KWOImage img(3, 3, 8);
    Pattern(img, 9);
    const std::vector<unsigned> old = Pixels(img);
    EXPECT_FALSE(img.Resize(0, 5));
    EXPECT_FALSE(img.Resize(5, 0));
    EXPECT_FALSE(img.Resize(70000, 70000)); // no buffer that large
    EXPECT_EQ(old, Pixels(img));

    KWOImage empty(0, 0, 16);
    ASSERT_TRUE(empty.Resize(2, 2));
    EXPECT_EQ(4u, empty.Pitch());

    EXPECT_FALSE(img.NewFormat(4, 4, 12));
    EXPECT_EQ(old, Pixels(img));
    EXPECT_TRUE(img.NewFormat(3, 3, 8)); // same format: content kept
    EXPECT_EQ(old, Pixels(img));
    img.ReplacePalette(new KWOPal(4u));
    ASSERT_TRUE(img.NewFormat(5, 2, 24));
    EXPECT_EQ(15u, img.Pitch());
    EXPECT_EQ(24u, img.Bpp());
    EXPECT_NE(nullptr, img.Palette()) << "the palette stays";
    img.SetClipping(1, 1, 1, 1);
    ASSERT_TRUE(img.NewFormat(0, 7, 8));
    EXPECT_EQ(nullptr, img.Pixels());
    EXPECT_EQ(0u, img.Width());
    EXPECT_EQ(0u, img.Bpp());
    EXPECT_FALSE(img.IsClipping());
    EXPECT_FALSE(img.NewFormat(100000, 100000, 32));
    EXPECT_EQ(nullptr, img.Pixels());
}

TEST(ImageTest, CopiesClipOnEverySideAtEveryDepth)
{
    // Blocks sticking out of the destination's clipping rectangle on each
    // side and out of the source, against a per-pixel reference.
    const int blocks[][6] = {
        // dx, dy, sx, sy, w, h
        {-4, 3, 0, 0, 8, 5}, {10, 2, 1, 1, 9, 4},    {3, -6, 2, 0, 5, 9},
        {4, 8, 0, 2, 6, 9},  {-9, -9, 0, 0, 40, 40}, {5, 4, 7, 6, 9, 9},
        {5, 4, 9, 6, 3, 3},  {5, 4, -1, 0, 3, 3},    {12, 4, 0, 0, 3, 3},
        {2, 10, 0, 0, 3, 3}, {2, 3, 0, 0, 0, 3},     {-2147483647, 3, 0, 0, -1, 2}};
    for (unsigned bpp : kDepths)
        for (bool transparent : {false, true})
            for (const auto& b : blocks)
            {
                KWOImage src(10, 8, bpp);
                Pattern(src, bpp + 1);
                const unsigned key = src.GetPixel(3, 2);
                src.HLine(0, 4, 6, key);     // a run of transparent pixels
                src.SetClipping(0, 0, 1, 1); // the source's clipping is not used
                KWOImage dst(14, 11, bpp);
                Pattern(dst, bpp + 2);
                dst.SetClipping(2, 1, 11, 9);
                const std::vector<unsigned> before = Pixels(dst);
                if (transparent)
                    dst.TCopyImage(b[0], b[1], key | 0xAB000000u * (bpp != 32), &src, b[2], b[3],
                                   unsigned(b[4]), unsigned(b[5]));
                else
                    dst.CopyImage(b[0], b[1], &src, b[2], b[3], unsigned(b[4]), unsigned(b[5]));
                for (int y = 0; y < 11; ++y)
                    for (int x = 0; x < 14; ++x)
                    {
                        unsigned want = before[size_t(y) * 14 + x];
                        const int64_t sx = int64_t(b[2]) + x - b[0], sy = int64_t(b[3]) + y - b[1];
                        const bool srcStartInside = b[2] >= 0 && b[2] < 10 && b[3] >= 0 && b[3] < 8;
                        if (srcStartInside && x >= 2 && x <= 11 && y >= 1 && y <= 9 && x >= b[0] &&
                            int64_t(x) < int64_t(b[0]) + int64_t(unsigned(b[4])) && y >= b[1] &&
                            y < b[1] + b[5] && sx >= 0 && sx < 10 && sy >= 0 && sy < 8)
                        {
                            const unsigned v = src.GetPixel(int(sx), int(sy));
                            if (!transparent || v != key)
                                want = v;
                        }
                        ASSERT_EQ(want, dst.GetPixel(x, y))
                            << "bpp " << bpp << (transparent ? " T" : "") << " block " << b[0]
                            << "," << b[1] << " from " << b[2] << "," << b[3] << " at " << x << ","
                            << y;
                    }
            }

    // Different depths or a missing source copy nothing.
    KWOImage a(4, 4, 8), c(4, 4, 16);
    a.Rectangle(0, 0, 4, 4, 1);
    c.Rectangle(0, 0, 4, 4, 2);
    a.CopyImage(0, 0, &c, 0, 0, 4, 4);
    a.TCopyImage(0, 0, 0, &c, 0, 0, 4, 4);
    a.CopyImage(0, 0, nullptr, 0, 0, 4, 4);
    EXPECT_EQ(1u, a.GetPixel(2, 2));
}

TEST(ImageTest, TransparentRowsOfEveryLength)
{
    // The 8-bit copy works a word at a time: check every length and offset
    // against single pixels, with runs of keys, lone keys and no keys.
    for (unsigned w = 1; w <= 40; ++w)
        for (unsigned offset = 0; offset < 8; ++offset)
        {
            KWOImage src(48, 3, 8);
            for (unsigned x = 0; x < 48; ++x)
            {
                src.HLine(int(x), 0, 1, (x * 7 + offset) % 5 == 0 ? 9 : x + 10);
                src.HLine(int(x), 1, 1, (x / 9 + w) % 2 ? 9 : 200 + x % 50);
                src.HLine(int(x), 2, 1, x + 100);
            }
            KWOImage dst(48, 3, 8);
            Pattern(dst, w);
            const std::vector<unsigned> before = Pixels(dst);
            dst.TCopyImage(int(offset), 0, 0x1209, &src, int(offset / 2), 0, w, 3);
            for (unsigned y = 0; y < 3; ++y)
                for (unsigned x = 0; x < 48; ++x)
                {
                    unsigned want = before[y * 48 + x];
                    if (x >= offset && x < offset + w)
                    {
                        const unsigned v = src.GetPixel(int(x - offset + offset / 2), int(y));
                        if (v != 9)
                            want = v;
                    }
                    ASSERT_EQ(want, dst.GetPixel(int(x), int(y))) << w << "/" << offset;
                }
        }
}

TEST(ImageTest, MovesInsideAndOverlappingCopies)
{
    const int moves[][6] = {// sx, sy, w, h, dx, dy
                            {1, 1, 6, 5, 3, 2},  {3, 2, 6, 5, 1, 1},   {0, 3, 8, 4, 0, 1},
                            {0, 1, 8, 4, 0, 3},  {2, 0, 5, 6, 0, 0},   {0, 0, 5, 6, 2, 0},
                            {0, 0, 10, 8, 4, 3}, {4, 3, 10, 8, -2, -1}};
    for (unsigned bpp : kDepths)
        for (bool viaCopy : {false, true})
            for (const auto& m : moves)
            {
                KWOImage img(10, 8, bpp);
                Pattern(img, bpp);
                img.SetClipping(0, 0, 8, 6);
                KWOImage ref(&img);
                const KWOImage snapshot(&img);
                // The reference copies from an untouched snapshot.
                ref.CopyImage(m[4], m[5], const_cast<KWOImage*>(&snapshot), m[0], m[1],
                              unsigned(m[2]), unsigned(m[3]));
                if (viaCopy)
                    img.CopyImage(m[4], m[5], &img, m[0], m[1], unsigned(m[2]), unsigned(m[3]));
                else
                    img.MoveInside(m[0], m[1], unsigned(m[2]), unsigned(m[3]), m[4], m[5]);
                EXPECT_EQ(Pixels(ref), Pixels(img))
                    << bpp << (viaCopy ? " copy " : " move ") << m[0] << "," << m[1] << " -> "
                    << m[4] << "," << m[5];
            }

    KWOImage img(4, 4, 8);
    Pattern(img, 1);
    const std::vector<unsigned> before = Pixels(img);
    img.MoveInside(-1, 0, 2, 2, 0, 0);
    img.MoveInside(0, 4, 2, 2, 0, 0);
    img.MoveInside(0, 0, 2, 2, 4, 0);
    EXPECT_EQ(before, Pixels(img));
}

TEST(ImageTest, VerticalFlip)
{
    for (unsigned h : {1u, 2u, 5u})
    {
        KWOImage img(3, h, 24);
        Pattern(img, h);
        const std::vector<unsigned> before = Pixels(img);
        img.VFlip();
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < 3; ++x)
                EXPECT_EQ(before[(h - 1 - y) * 3 + x], img.GetPixel(int(x), int(y)));
    }
    KWOImage empty(0, 0, 8);
    empty.VFlip();
}

TEST_F(ImageLogTest, FindFormatAndDispatch)
{
    auto detect = [](const std::string& bytes, unsigned skip)
    {
        std::vector<unsigned char> data(bytes.begin(), bytes.end());
        KWOMemFile f(unsigned(data.size()), KWOResFile::ModeRead, data.data());
        f.Seek(int(skip), 0);
        KWOImage img(0, 0, 8);
        const int format = img.FindFormat(f);
        EXPECT_EQ(skip, f.GetPos()) << "the position is kept";
        return format;
    };
    EXPECT_EQ(3, detect("xxGIF89a...", 2));
    EXPECT_EQ(1, detect("BMxxxx", 0));
    EXPECT_EQ(6, detect("KWOF\x02", 0));
    EXPECT_EQ(2, detect(std::string("\x0a\x05\x01\x08", 4), 0));
    EXPECT_EQ(4, detect(std::string("\x0a\x03\x01\x08", 4), 0));
    EXPECT_EQ(4, detect(std::string(18, '\0'), 0));

    std::vector<unsigned char> three = {'G', 'I', 'F'};
    KWOMemFile shortFile(3, KWOResFile::ModeRead, three.data());
    KWOImage img(2, 2, 8);
    EXPECT_EQ(0, img.FindFormat(shortFile));
    EXPECT_NE(std::string::npos, Logged().find("Can not read file header\n"));

    std::vector<unsigned char> data(64, 'x');
    KWOMemFile f(64, KWOResFile::ModeRead | KWOResFile::ModeWrite, data.data());
    EXPECT_FALSE(img.Load(f, 5));
    EXPECT_FALSE(img.Load(f, 7));
    EXPECT_FALSE(img.Save(f, 3));
    EXPECT_FALSE(img.Save(f, 6));
    EXPECT_FALSE(img.Save(f, -1));
    EXPECT_EQ(0u, f.GetPos()) << "unsupported formats write nothing";
    KWOMemFile closed(0, KWOResFile::ModeRead);
    EXPECT_FALSE(img.Load(closed, 0));
    EXPECT_FALSE(img.Save(closed, 1));
    KWOImage empty(0, 0, 8);
    EXPECT_FALSE(empty.Save(f, 1)) << "nothing to save";
}

TEST_F(ImageLogTest, PrintInfoText)
{
    KWOImage img(7, 5, 24);
    img.PrintInfo();
    KWOImage indexed(3, 2, 8);
    indexed.ReplacePalette(new KWOPal(16u));
    indexed.PrintInfo();
    EXPECT_EQ(
        "Image: 7 x 5 x 24 bpp, pitch: 21\nImage: 3 x 2 x 8 bpp, pitch: 3, palette: 16 colors\n",
        Logged());
}
