// The menu sprite sheet, the logo and title pictures and the window icon.
#include "data.h"
#include "draw.h"

#include "core/KWOMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mkdata
{
namespace
{
// Colours the game itself draws with, by index in the menu palette.
struct Fixed
{
    unsigned index;
    RGB colour;
};
const Fixed kFixed[] = {
    {0, {0, 0, 0}},        {1, {255, 255, 255}}, {13, {10, 30, 60}},   {17, {190, 200, 220}},
    {25, {120, 230, 255}}, {26, {60, 30, 0}},    {58, {20, 50, 120}},  {59, {40, 40, 60}},
    {72, {240, 140, 20}},  {76, {10, 25, 80}},   {79, {250, 160, 40}}, {155, {255, 225, 40}},
    {190, {25, 45, 110}},  {233, {255, 0, 255}},
};
const unsigned kGold = 30;    // 28 entries
const unsigned kBlue = 80;    // 32 entries
const unsigned kSilver = 112; // 32 entries
const unsigned kGreen = 191;  // 32 entries
const unsigned kRed = 160;    // 30 entries

void MenuPalette(KWOImage& img)
{
    KWOPal& pal = *img.Palette();
    Ramp(pal, kGold, 28, {50, 25, 0}, {255, 240, 120});
    Ramp(pal, kBlue, 32, {5, 10, 40}, {110, 160, 255});
    Ramp(pal, kSilver, 32, {30, 30, 40}, {240, 240, 255});
    Ramp(pal, kRed, 30, {60, 0, 0}, {255, 120, 80});
    Ramp(pal, kGreen, 32, {0, 50, 10}, {150, 255, 120});
    for (const Fixed& f : kFixed)
        SetColour(pal, f.index, f.colour);
}

struct Rect
{
    int x, y, w, h;
};

// Draws `text` centred in the part of `r` that is `textW` wide, with the
// largest house font that fits, clipped to the rectangle.
void Caption(KWOImage& img, Rect r, int textW, const char* text, unsigned shadow, unsigned edge,
             unsigned body, int maxScale)
{
    for (int scale = maxScale; scale >= 1; --scale)
    {
        auto font = BuildFont("caption", scale);
        const int w = int(font->TextWidth(text));
        const int h = LineHeight(*font);
        const int capH = font->Ascent() + 1;
        if ((w > textW || capH > r.h) && scale > 1)
            continue;
        img.SetClipping(r.x, r.y, r.x + r.w - 1, r.y + r.h - 1);
        int y = r.y + (r.h - capH) / 2;
        if (y + h > r.y + r.h)
            y = r.y + std::max(0, r.h - h);
        DrawString(img, *font, r.x + (textW - w) / 2, y, text, shadow, edge, body);
        img.StopClipping();
        return;
    }
}

void GoldCaption(KWOImage& img, Rect r, const char* text, int textW = 0)
{
    Caption(img, r, textW ? textW : r.w, text, kGold, kGold + 14, kGold + 27, 4);
}

// Volume mark d: five bars, the first d lit.
void VolumeMark(KWOImage& img, int x, int y, int d)
{
    for (int k = 0; k < 5; ++k)
    {
        const int h = 8 + 5 * k;
        const unsigned c =
            k < d ? (k < 3 ? kGreen + 20 + 3 * k : (k == 3 ? 155u : kRed + 25)) : kSilver + 6;
        img.Rectangle(x + 2 + 4 * k, y + 34 - h, 3, unsigned(h), c);
    }
}

unsigned BandColour(int t, int thickness)
{
    const double u = thickness > 1 ? double(t) / (thickness - 1) : 0.0;
    const double v = 1.0 - std::fabs(2.0 * u - 1.0);
    return kBlue + unsigned(std::lround(6 + 25 * v));
}

// A small frame at (434, 0), 143 x 140: its corners and pieces of its edges
// are the frame sprites.
void FrameSheet(KWOImage& img)
{
    const int x0 = 434, y0 = 0, w = 143, h = 140;
    for (int t = 0; t < 32; ++t)
        img.HLine(x0, y0 + t, w, BandColour(t, 32));
    for (int t = 0; t < 31; ++t)
        img.HLine(x0, y0 + 109 + t, w, BandColour(t, 31));
    for (int t = 0; t < 34; ++t)
        img.VLine(x0 + t, y0, h, BandColour(t, 34));
    for (int t = 0; t < 35; ++t)
        img.VLine(x0 + 108 + t, y0, h, BandColour(t, 35));
    const int centres[4][2] = {{467, 33}, {544, 33}, {544, 107}, {467, 107}};
    for (const auto& c : centres)
    {
        img.Disk(c[0], c[1], 22, kBlue + 2);
        img.Disk(c[0], c[1], 19, kGold + 18);
        img.Disk(c[0], c[1], 15, kGold + 6);
        FillPolygon(img, StarPoints(c[0], c[1] + 1, 13, 6, 4, 45), kGold + 27);
    }
}
} // namespace

bool MakeMenu(const std::string& folder)
{
    auto img = NewPicture(580, 280, 0);
    MenuPalette(*img);

    // English items, then the French ones, in their rectangles.
    GoldCaption(*img, {0, 0, 103, 41}, "Play");
    GoldCaption(*img, {0, 46, 174, 40}, "Scores");
    GoldCaption(*img, {1, 91, 170, 40}, "Volume", 170 - 23);
    VolumeMark(*img, 1 + 170 - 23, 91, 0);
    GoldCaption(*img, {118, 138, 111, 41}, "Lang.");
    GoldCaption(*img, {0, 138, 101, 41}, "Quit");
    Caption(*img, {243, 138, 59, 41}, 59, "EN", kSilver, kSilver + 16, kSilver + 31, 4);
    Caption(*img, {0, 184, 305, 40}, 305, "Choose a set", kSilver, kSilver + 16, kSilver + 31, 4);
    GoldCaption(*img, {110, 0, 139, 40}, "Jouer");
    GoldCaption(*img, {185, 91, 122, 40}, "Son", 122 - 23);
    GoldCaption(*img, {180, 46, 193, 41}, "Quitter");
    Caption(*img, {316, 139, 56, 40}, 56, "FR", kSilver, kSilver + 16, kSilver + 31, 4);
    Caption(*img, {318, 184, 244, 40}, 244, "Choix du jeu", kSilver, kSilver + 16, kSilver + 31, 4);

    // Title of the main menu.
    img->Gradient(0, 228 + 45, 227, 4, kRed + 10, kRed + 29, 1);
    Caption(*img, {0, 228, 227, 45}, 227, "Duomatch", kRed, kRed + 18, kRed + 29, 5);

    // Volume marks 0 to 5.
    for (int d = 0; d <= 5; ++d)
        VolumeMark(*img, 284 + 23 * d, 91, d);

    // Cursor arrows: the left one points right, the right one left; their
    // rectangles share two columns, left blank in both.
    FillPolygon(*img, {{298, 11}, {336, 22}, {298, 33}}, kGold + 27);
    FillPolygon(*img, {{301, 16}, {326, 22}, {301, 28}}, kGold + 14);
    FillPolygon(*img, {{294, 8}, {256, 19}, {294, 30}}, kGold + 27);
    FillPolygon(*img, {{291, 13}, {266, 19}, {291, 25}}, kGold + 14);

    FrameSheet(*img);
    return SaveGIF(*img, folder + "/menu.gif");
}

bool MakeIntro(const std::string& folder)
{
    // The logo: rings and three big letters.
    auto logo = NewPicture(360, 200, 0);
    KWOPal& lp = *logo->Palette();
    Ramp(lp, 1, 64, {0, 10, 30}, {60, 200, 255});
    Ramp(lp, 65, 32, {60, 30, 0}, {255, 230, 120});
    for (int r = 95, k = 0; r > 0; r -= 4, ++k)
        logo->Disk(180, 100, r, unsigned(1 + (k * 5) % 60));
    auto big = BuildFont("logo", 12);
    const int w = int(big->TextWidth("KWO"));
    DrawString(*logo, *big, 180 - w / 2, 100 - LineHeight(*big) / 2 + 8, "KWO", 66, 80, 96);
    bool ok = SaveGIF(*logo, folder + "/kwo2.gif");

    // The title: a sky, scattered cards and the name.
    auto title = NewPicture(640, 480, 0);
    KWOPal& tp = *title->Palette();
    Ramp(tp, 1, 64, {20, 0, 50}, {20, 90, 160});
    Ramp(tp, 65, 32, {80, 10, 0}, {255, 230, 120});
    Ramp(tp, 100, 16, {150, 150, 150}, {255, 255, 255});
    const RGB cardColours[6] = {{220, 40, 40},  {40, 90, 230},  {40, 180, 70},
                                {240, 200, 30}, {160, 60, 200}, {250, 130, 30}};
    for (int i = 0; i < 6; ++i)
        SetColour(tp, 120 + i, cardColours[i]);
    title->Gradient(0, 0, 640, 480, 1, 64, 0);
    KWO::RandomInit(11);
    for (int k = 0; k < 14; ++k)
    {
        const int x = int(KWO::Randomi(600)) - 20, y = 250 + int(KWO::Randomi(200));
        RoundBox(*title, x, y, 70, 100, 8, 100);
        RoundBox(*title, x + 2, y + 2, 66, 96, 7, 115);
        title->Disk(x + 35, y + 50, 20, 120 + unsigned(k % 6));
    }
    auto name = BuildFont("title", 9);
    const int nw = int(name->TextWidth("Duomatch"));
    DrawString(*title, *name, 320 - nw / 2, 70, "Duomatch", 66, 82, 96);
    auto small = BuildFont("small", 3);
    const char* lines[2] = {"A memory card game", "Un jeu de memoire"};
    for (int i = 0; i < 2; ++i)
    {
        const int lw = int(small->TextWidth(lines[i]));
        DrawString(*title, *small, 320 - lw / 2, 170 + 34 * i, lines[i], 1, 104, 115);
    }
    ok = SaveGIF(*title, folder + "/title.gif") && ok;
    return ok;
}

bool MakeIcon(const std::string& folder)
{
    auto icon = NewPicture(32, 32, 0);
    KWOPal& pal = *icon->Palette();
    SetColour(pal, 0, {255, 0, 255});
    SetColour(pal, 1, {0, 0, 0});
    SetColour(pal, 2, {255, 255, 255});
    SetColour(pal, 3, {220, 30, 30});
    SetColour(pal, 4, {40, 80, 210});
    RoundBox(*icon, 2, 1, 19, 27, 3, 1);
    RoundBox(*icon, 3, 2, 17, 25, 3, 4);
    RoundBox(*icon, 11, 4, 19, 27, 3, 1);
    RoundBox(*icon, 12, 5, 17, 25, 3, 2);
    icon->Disk(20, 17, 5, 3);
    return SaveGIF(*icon, folder + "/duomatch-ico.gif");
}
} // namespace mkdata
