// Drawing helpers of the data generator.
#include "draw.h"
#include "data.h"

#include "glyphs.h"

#include <algorithm>
#include <cmath>

namespace mkdata
{
void SetColour(KWOPal& pal, unsigned index, RGB c)
{
    if (index >= pal.Size())
        return;
    KWOColor& e = pal.Entries()[index];
    e.r = static_cast<unsigned char>(std::clamp(c.r, 0, 255));
    e.g = static_cast<unsigned char>(std::clamp(c.g, 0, 255));
    e.b = static_cast<unsigned char>(std::clamp(c.b, 0, 255));
    e.a = 0;
}

void Ramp(KWOPal& pal, unsigned first, unsigned count, RGB a, RGB b)
{
    for (unsigned i = 0; i < count; ++i)
    {
        const double t = count > 1 ? double(i) / double(count - 1) : 0.0;
        SetColour(pal, first + i,
                  {int(std::lround(a.r + (b.r - a.r) * t)), int(std::lround(a.g + (b.g - a.g) * t)),
                   int(std::lround(a.b + (b.b - a.b) * t))});
    }
}

std::unique_ptr<KWOImage> NewPicture(unsigned w, unsigned h, unsigned colour)
{
    auto img = std::make_unique<KWOImage>(w, h, 8u);
    KWOPal pal(256u);
    img->SetPalette(&pal, 0, 256);
    img->Rectangle(0, 0, w, h, colour);
    return img;
}

void FillPolygon(KWOImage& img, const std::vector<PointF>& pts, unsigned colour)
{
    if (pts.size() < 3)
        return;
    double ymin = pts[0].y, ymax = pts[0].y;
    for (const PointF& p : pts)
    {
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, p.y);
    }
    std::vector<double> xs;
    for (int y = int(std::floor(ymin)); y <= int(std::ceil(ymax)); ++y)
    {
        const double cy = y + 0.5;
        xs.clear();
        for (size_t i = 0; i < pts.size(); ++i)
        {
            const PointF& a = pts[i];
            const PointF& b = pts[(i + 1) % pts.size()];
            if ((a.y <= cy && b.y > cy) || (b.y <= cy && a.y > cy))
                xs.push_back(a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2)
        {
            const int x1 = int(std::ceil(xs[i] - 0.5));
            const int x2 = int(std::floor(xs[i + 1] - 0.5));
            if (x2 >= x1)
                img.HLine(x1, y, unsigned(x2 - x1 + 1), colour);
        }
    }
}

std::vector<PointF> StarPoints(double cx, double cy, double outer, double inner, int points,
                               double start)
{
    std::vector<PointF> pts;
    const bool star = inner != outer;
    const int n = star ? points * 2 : points;
    for (int i = 0; i < n; ++i)
    {
        const double r = (star && (i % 2) == 1) ? inner : outer;
        const double a = (start + 360.0 * i / n) * kPi / 180.0;
        pts.push_back({cx + r * std::sin(a), cy - r * std::cos(a)});
    }
    return pts;
}

void RoundBox(KWOImage& img, int x, int y, int w, int h, int r, unsigned colour)
{
    if (w <= 0 || h <= 0)
        return;
    r = std::min({r, w / 2, h / 2});
    for (int row = 0; row < h; ++row)
    {
        int inset = 0;
        const int dy = row < r ? r - row : (row >= h - r ? row - (h - 1 - r) : 0);
        if (dy > 0)
        {
            const double d = std::sqrt(double(r) * r - double(dy - 0.5) * (dy - 0.5));
            inset = r - int(std::lround(d));
        }
        if (w - 2 * inset > 0)
            img.HLine(x + inset, y + row, unsigned(w - 2 * inset), colour);
    }
}

void ThickLine(KWOImage& img, double x1, double y1, double x2, double y2, double width,
               unsigned colour)
{
    const double dx = x2 - x1, dy = y2 - y1;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0.0)
        return;
    const double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    FillPolygon(img,
                {{x1 + nx, y1 + ny}, {x2 + nx, y2 + ny}, {x2 - nx, y2 - ny}, {x1 - nx, y1 - ny}},
                colour);
    const int rad = int(std::lround(width / 2));
    if (rad > 0)
    {
        img.Disk(int(std::lround(x1)), int(std::lround(y1)), rad, colour);
        img.Disk(int(std::lround(x2)), int(std::lround(y2)), rad, colour);
    }
}

std::unique_ptr<KWOFont> BuildFont(const char* name, int scale)
{
    struct Placed
    {
        int left = 0, cols = 0, x = 0;
    };
    Placed placed[95];
    const int height = kGlyphRows * scale + 1;
    int total = 0;
    for (int i = 1; i < 95; ++i)
    {
        unsigned used = 0;
        for (int r = 0; r < kGlyphRows; ++r)
            used |= kGlyphs[i][r];
        int left = 0, right = kGlyphCols - 1;
        while (left < kGlyphCols && !(used & (0x10u >> left)))
            ++left;
        while (right > left && !(used & (0x10u >> right)))
            --right;
        placed[i].left = left;
        placed[i].cols = left < kGlyphCols ? right - left + 1 : 0;
        placed[i].x = total;
        total += placed[i].cols * scale + 1;
    }

    KWOImage bitmap(unsigned(total), unsigned(height), 8u);
    bitmap.Rectangle(0, 0, unsigned(total), unsigned(height), 0);
    for (int i = 1; i < 95; ++i)
    {
        const Placed& p = placed[i];
        const int w = p.cols * scale;
        auto body = [&](int px, int py)
        {
            if (px < 0 || py < 0 || px >= w || py >= kGlyphRows * scale)
                return false;
            const int gx = px / scale + p.left, gy = py / scale;
            return (kGlyphs[i][gy] & (0x10u >> gx)) != 0;
        };
        for (int py = 0; py < height; ++py)
            for (int px = 0; px <= w; ++px)
            {
                unsigned v = 0;
                if (body(px, py))
                    v = (!body(px + 1, py) || !body(px, py + 1)) ? 2 : 3;
                else if (body(px - 1, py - 1))
                    v = 1;
                bitmap.Pixels()[py * bitmap.Pitch() + p.x + px] = static_cast<unsigned char>(v);
            }
    }

    auto font = std::make_unique<KWOFont>(name, 32u, 126u, &bitmap, static_cast<unsigned char>(2));
    for (int i = 1; i < 95; ++i)
    {
        KWOChar ch{};
        ch.x = static_cast<unsigned short>(placed[i].x);
        ch.y = 0;
        ch.w = static_cast<unsigned char>(placed[i].cols * scale + 1);
        ch.h = static_cast<unsigned char>(height);
        ch.below = static_cast<short>(height - kGlyphAbove * scale);
        font->SetChar(static_cast<unsigned char>(32 + i), &ch);
    }
    font->SetAscent(static_cast<short>(kGlyphAbove * scale));
    font->SetDescent(static_cast<short>(height - kGlyphAbove * scale));
    font->SetCharSpacing(static_cast<unsigned char>(scale > 2 ? scale - 1 : 1));
    font->SetWhiteCharSize(static_cast<unsigned char>(3 * scale + 1));
    return font;
}

void DrawString(KWOImage& img, KWOFont& font, int x, int y, const char* text, unsigned shadow,
                unsigned edge, unsigned body)
{
    KWOFont::FontParams params{&font, KWOFont::AlignTop, {0, shadow, edge, body}};
    img.DrawTextEx(x, y, text, params);
}

int LineHeight(const KWOFont& font)
{
    return font.Ascent() + font.Descent();
}
} // namespace mkdata
