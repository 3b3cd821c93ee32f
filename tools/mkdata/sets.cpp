// Card-set pictures: sixteen faces, the back, the board and bar tiles, the
// digit strip, the counter labels and the ornament, at the places the game
// reads them from, with the transparent colour and the measuring marks.
#include "data.h"
#include "draw.h"

#include "core/KWOMath.h"

#include <cmath>
#include <cstdio>

namespace mkdata
{
namespace
{
// Palette plan of a set picture.
const unsigned kBlack = 0;
const unsigned kWhite = 1;
const unsigned kFace = 2;      // 16 face colours
const unsigned kFaceDark = 18; // their dark shades
const unsigned kFaceLight = 34;
const unsigned kBoard = 50; // 32-entry ramps
const unsigned kBar = 82;
const unsigned kBack = 114;
const unsigned kCard = 146; // 16-entry ramps
const unsigned kPanel = 162;
const unsigned kGold = 178;
const unsigned kGrey = 194;
const unsigned kKey = 255;

const int kPictureW = 432;
const int kPictureH = 432;

// The kinds of faces.
enum Faces
{
    ShapeFaces,
    PatternFaces,
    NatureFaces,
    LetterFaces
};

struct Theme
{
    const char* name;
    RGB board1, board2; // board tile ramp
    RGB bar1, bar2;
    RGB back1, back2;
    RGB panel1, panel2;
    Faces faces;
    const RGB* colours; // the sixteen face colours
};

const RGB kShapeColours[16] = {
    {220, 30, 30},  {30, 80, 220},  {30, 170, 60},   {250, 210, 20},
    {150, 50, 190}, {250, 130, 20}, {20, 190, 210},  {240, 100, 170},
    {190, 140, 80}, {140, 220, 30}, {20, 30, 120},   {0, 130, 130},
    {230, 170, 0},  {170, 0, 50},   {120, 120, 130}, {0, 90, 30},
};

// Colours of the nature pictures and the letters: besides their hue they
// differ in lightness, so that faces of like colour stay apart for players
// who do not tell red from green.
const RGB kNatureColours[16] = {
    {245, 170, 20},  {110, 140, 200}, {30, 100, 230}, {100, 200, 245},
    {250, 230, 50},  {50, 150, 50},   {235, 95, 175}, {215, 35, 35},
    {125, 115, 135}, {0, 135, 155},   {250, 130, 30}, {150, 205, 45},
    {140, 0, 45},    {140, 70, 205},  {20, 95, 60},   {150, 95, 45},
};
const RGB kLetterColours[16] = {
    {215, 40, 40},  {30, 90, 215},  {245, 190, 20}, {0, 140, 90},   {95, 10, 250}, {250, 120, 20},
    {20, 160, 210}, {225, 80, 160}, {175, 115, 45}, {120, 190, 40}, {30, 30, 110}, {0, 150, 150},
    {170, 0, 60},   {90, 90, 100},  {45, 40, 50},   {60, 110, 40},
};

KWOPal* MakePalette(KWOImage& img, const Theme& t)
{
    KWOPal& pal = *img.Palette();
    SetColour(pal, kBlack, {0, 0, 0});
    SetColour(pal, kWhite, {255, 255, 255});
    for (unsigned i = 0; i < 16; ++i)
    {
        const RGB c = t.colours[i];
        SetColour(pal, kFace + i, c);
        SetColour(pal, kFaceDark + i, {c.r / 2, c.g / 2, c.b / 2});
        SetColour(pal, kFaceLight + i, {(c.r + 255) / 2, (c.g + 255) / 2, (c.b + 255) / 2});
    }
    Ramp(pal, kBoard, 32, t.board1, t.board2);
    Ramp(pal, kBar, 32, t.bar1, t.bar2);
    Ramp(pal, kBack, 32, t.back1, t.back2);
    Ramp(pal, kCard, 16, {255, 252, 240}, {215, 205, 185});
    Ramp(pal, kPanel, 16, t.panel1, t.panel2);
    Ramp(pal, kGold, 16, {70, 40, 0}, {255, 235, 120});
    Ramp(pal, kGrey, 16, {20, 20, 20}, {235, 235, 235});
    SetColour(pal, kKey, {255, 0, 255});
    return &pal;
}

// The white rounded card every face and the back are drawn on.
void CardBase(KWOImage& img, int x, int y, unsigned border, unsigned inside)
{
    img.Rectangle(x, y, 70, 100, kKey);
    RoundBox(img, x, y, 70, 100, 8, border);
    RoundBox(img, x + 2, y + 2, 66, 96, 7, inside);
}

std::vector<PointF> Grown(std::vector<PointF> pts, double cx, double cy, double grow)
{
    for (PointF& p : pts)
    {
        const double dx = p.x - cx, dy = p.y - cy;
        const double len = std::sqrt(dx * dx + dy * dy);
        if (len > 0)
        {
            p.x += dx / len * grow;
            p.y += dy / len * grow;
        }
    }
    return pts;
}

// One of the sixteen shapes, centred on (cx, cy), grown by g pixels.
void Shape(KWOImage& img, int id, int cx, int cy, double g, unsigned c)
{
    const int gi = int(g);
    switch (id)
    {
        case 0: // disk
            img.Disk(cx, cy, 22 + gi, c);
            break;
        case 1: // square
            img.Rectangle(cx - 19 - gi, cy - 19 - gi, 38 + 2 * gi, 38 + 2 * gi, c);
            break;
        case 2: // triangle
            FillPolygon(img, Grown(StarPoints(cx, cy + 5, 28, 28, 3, 0), cx, cy + 5, g * 1.6), c);
            break;
        case 3: // star
            FillPolygon(img, Grown(StarPoints(cx, cy + 2, 28, 12, 5, 0), cx, cy + 2, g * 1.5), c);
            break;
        case 4: // diamond
            FillPolygon(img,
                        Grown({{double(cx), cy - 32.0},
                               {cx + 20.0, double(cy)},
                               {double(cx), cy + 32.0},
                               {cx - 20.0, double(cy)}},
                              cx, cy, g * 1.4),
                        c);
            break;
        case 5: // heart
            img.Disk(cx - 11, cy - 8, 12 + gi, c);
            img.Disk(cx + 11, cy - 8, 12 + gi, c);
            FillPolygon(img,
                        {{cx - 22.5 - g, cy - 4.0},
                         {cx + 22.5 + g, cy - 4.0},
                         {double(cx), cy + 26.0 + g * 1.5}},
                        c);
            break;
        case 6: // ring
            img.Disk(cx, cy, 24 + gi, c);
            break;
        case 7: // plus
            img.Rectangle(cx - 7 - gi, cy - 25 - gi, 14 + 2 * gi, 50 + 2 * gi, c);
            img.Rectangle(cx - 25 - gi, cy - 7 - gi, 50 + 2 * gi, 14 + 2 * gi, c);
            break;
        case 8: // hexagon
            FillPolygon(img, Grown(StarPoints(cx, cy, 25, 25, 6, 30), cx, cy, g), c);
            break;
        case 9: // cross of diagonals
            ThickLine(img, cx - 18, cy - 18, cx + 18, cy + 18, 11 + 2 * g, c);
            ThickLine(img, cx + 18, cy - 18, cx - 18, cy + 18, 11 + 2 * g, c);
            break;
        case 10: // crescent, cut later
            img.Disk(cx, cy, 24 + gi, c);
            break;
        case 11: // arrow up
            FillPolygon(img,
                        Grown({{double(cx), cy - 30.0},
                               {cx + 22.0, cy - 6.0},
                               {cx + 8.0, cy - 6.0},
                               {cx + 8.0, cy + 28.0},
                               {cx - 8.0, cy + 28.0},
                               {cx - 8.0, cy - 6.0},
                               {cx - 22.0, cy - 6.0}},
                              cx, cy, g * 1.3),
                        c);
            break;
        case 12: // sun
            for (int k = 0; k < 8; ++k)
            {
                const double a = k * kPi / 4;
                ThickLine(img, cx + 14 * std::sin(a), cy - 14 * std::cos(a), cx + 28 * std::sin(a),
                          cy - 28 * std::cos(a), 5 + 2 * g, c);
            }
            img.Disk(cx, cy, 14 + gi, c);
            break;
        case 13: // three dots
            img.Disk(cx - 15, cy - 22, 10 + gi, c);
            img.Disk(cx, cy, 10 + gi, c);
            img.Disk(cx + 15, cy + 22, 10 + gi, c);
            break;
        case 14: // house
            img.Rectangle(cx - 18 - gi, cy - 4 - gi, 36 + 2 * gi, 32 + 2 * gi, c);
            FillPolygon(img,
                        {{cx - 26.0 - g, cy - 2.0 + g},
                         {double(cx), cy - 28.0 - g},
                         {cx + 26.0 + g, cy - 2.0 + g}},
                        c);
            break;
        default: // tree
            FillPolygon(img,
                        {{double(cx), cy - 32.0 - g},
                         {cx + 18.0 + g, cy - 6.0 + g},
                         {cx - 18.0 - g, cy - 6.0 + g}},
                        c);
            FillPolygon(img,
                        {{double(cx), cy - 18.0 - g},
                         {cx + 24.0 + g, cy + 14.0 + g},
                         {cx - 24.0 - g, cy + 14.0 + g}},
                        c);
            break;
    }
}

void ShapeFace(KWOImage& img, int id, int x, int y)
{
    CardBase(img, x, y, kGrey + 6, kCard + 1);
    const int cx = x + 35, cy = y + 50;
    const unsigned colour = kFace + id, dark = kFaceDark + id, light = kFaceLight + id;
    Shape(img, id, cx, cy, 2, dark);
    Shape(img, id, cx, cy, 0, colour);
    switch (id)
    {
        case 6: // ring: hollow centre
            img.Disk(cx, cy, 12, dark);
            img.Disk(cx, cy, 10, kCard + 1);
            break;
        case 10: // crescent: the bite
            img.Disk(cx + 11, cy - 6, 20, dark);
            img.Disk(cx + 13, cy - 7, 19, kCard + 1);
            break;
        case 14: // house door and window
            img.Rectangle(cx - 5, cy + 12, 10, 16, dark);
            img.Rectangle(cx + 8, cy + 2, 7, 7, light);
            break;
        case 15: // trunk
            img.Rectangle(cx - 4, cy + 15, 8, 14, kFaceDark + 8);
            break;
        default: // a highlight
            img.Disk(cx - 7, cy - 7, 3, light);
            break;
    }
    // Small corner marks, as on playing cards.
    img.Disk(x + 10, y + 11, 4, colour);
    img.Disk(x + 59, y + 88, 4, colour);
}

void PatternFace(KWOImage& img, int id, int x, int y)
{
    CardBase(img, x, y, kGrey + 6, kCard + 1);
    const int wx = x + 8, wy = y + 10, ww = 54, wh = 80;
    const unsigned a = kFace + id, b = kFace + (id + 5) % 16, c = kFace + (id + 11) % 16;
    img.SetClipping(wx, wy, wx + ww - 1, wy + wh - 1);
    img.Rectangle(wx, wy, ww, wh, kWhite);
    const int cx = wx + ww / 2, cy = wy + wh / 2;
    switch (id)
    {
        case 0: // horizontal bands
            for (int k = 0; k < 3; ++k)
                img.Rectangle(wx, wy + k * 27, ww, 27, k == 0 ? a : (k == 1 ? kWhite : b));
            break;
        case 1: // vertical bands
            for (int k = 0; k < 3; ++k)
                img.Rectangle(wx + k * 18, wy, 18, wh, k == 0 ? a : (k == 1 ? c : b));
            break;
        case 2: // checkerboard
            for (int j = 0; j < 8; ++j)
                for (int i = 0; i < 6; ++i)
                    img.Rectangle(wx + i * 9, wy + j * 10, 9, 10, ((i + j) & 1) ? a : kWhite);
            break;
        case 3: // target
            for (int r = 40, k = 0; r > 0; r -= 7, ++k)
                img.Disk(cx, cy, r, (k & 1) ? kWhite : a);
            break;
        case 4: // diagonal stripes
            for (int k = -10; k < 12; ++k)
                ThickLine(img, wx + k * 10, wy, wx + k * 10 + 80, wy + wh, 4, a);
            break;
        case 5: // polka dots
            img.Rectangle(wx, wy, ww, wh, b);
            for (int j = 0; j < 5; ++j)
                for (int i = 0; i < 4; ++i)
                    img.Disk(wx + 7 + i * 14 + (j & 1) * 7, wy + 8 + j * 16, 4, kWhite);
            break;
        case 6: // cross
            img.Rectangle(wx, wy, ww, wh, a);
            img.Rectangle(wx + 15, wy, 10, wh, kWhite);
            img.Rectangle(wx, wy + 35, ww, 10, kWhite);
            break;
        case 7: // saltire
            img.Rectangle(wx, wy, ww, wh, a);
            ThickLine(img, wx, wy, wx + ww, wy + wh, 9, kWhite);
            ThickLine(img, wx + ww, wy, wx, wy + wh, 9, kWhite);
            break;
        case 8: // chevrons
            img.Rectangle(wx, wy, ww, wh, kFaceLight + id);
            for (int k = -1; k < 6; ++k)
            {
                ThickLine(img, wx, wy + k * 16, cx, wy + k * 16 + 16, 6, a);
                ThickLine(img, cx, wy + k * 16 + 16, wx + ww, wy + k * 16, 6, a);
            }
            break;
        case 9: // quarters
            img.Rectangle(wx, wy, ww / 2, wh / 2, a);
            img.Rectangle(cx, wy, ww / 2, wh / 2, b);
            img.Rectangle(wx, cy, ww / 2, wh / 2, b);
            img.Rectangle(cx, cy, ww / 2, wh / 2, a);
            break;
        case 10: // a disk on a field
            img.Rectangle(wx, wy, ww, wh, kFaceLight + id);
            img.Disk(cx, cy, 17, a);
            break;
        case 11: // zigzag
            img.Rectangle(wx, wy, ww, wh, kFaceLight + id);
            for (int k = 0; k < 6; ++k)
                ThickLine(img, wx + k * 10, cy + ((k & 1) ? 12 : -12), wx + k * 10 + 10,
                          cy + ((k & 1) ? -12 : 12), 7, a);
            break;
        case 12: // rays
            img.Rectangle(wx, wy, ww, wh, a);
            for (int k = 0; k < 12; k += 2)
            {
                const double a0 = k * kPi / 6, a1 = (k + 1) * kPi / 6;
                FillPolygon(img,
                            {{double(cx), double(cy)},
                             {cx + 80 * std::sin(a0), cy - 80 * std::cos(a0)},
                             {cx + 80 * std::sin(a1), cy - 80 * std::cos(a1)}},
                            c);
            }
            break;
        case 13: // triangles
            img.Rectangle(wx, wy, ww, wh, kWhite);
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 3; ++i)
                    FillPolygon(img,
                                {{wx + i * 18 + 9.0, wy + j * 20 + 2.0},
                                 {wx + i * 18 + 17.0, wy + j * 20 + 18.0},
                                 {wx + i * 18 + 1.0, wy + j * 20 + 18.0}},
                                (i + j) & 1 ? a : b);
            break;
        case 14: // grid, on white: its grey and the teal zigzag's look alike
                 // without red-green vision
            img.Rectangle(wx, wy, ww, wh, kWhite);
            for (int i = 0; i < ww; i += 9)
                img.VLine(wx + i, wy, wh, a);
            for (int j = 0; j < wh; j += 9)
                img.HLine(wx, wy + j, ww, a);
            break;
        default: // nested squares
            for (int k = 0; k < 6; ++k)
                img.Rectangle(wx + k * 5, wy + k * 7, ww - k * 10, wh - k * 14,
                              (k & 1) ? kWhite : a);
            break;
    }
    img.StopClipping();
    img.Frame(wx, wy, ww, wh, kFaceDark + id);
}

// The silhouette of one of the sixteen nature pictures, centred on (cx, cy)
// and grown by g pixels: drawn dark and grown first, then in its colour, it
// gets an outline.
void NatureShape(KWOImage& img, int id, int cx, int cy, double g, unsigned c)
{
    const int gi = int(g);
    auto box = [&](int x, int y, int w, int h, int r)
    { RoundBox(img, x - gi, y - gi, w + 2 * gi, h + 2 * gi, r + gi, c); };
    switch (id)
    {
        case 0: // sun
            for (int k = 0; k < 8; ++k)
            {
                const double a = k * kPi / 4;
                ThickLine(img, cx + 16 * std::sin(a), cy - 16 * std::cos(a), cx + 27 * std::sin(a),
                          cy - 27 * std::cos(a), 6 + 2 * g, c);
            }
            img.Disk(cx, cy, 15 + gi, c);
            break;
        case 1: // cloud
            img.Disk(cx - 12, cy + 2, 11 + gi, c);
            img.Disk(cx + 1, cy - 7, 14 + gi, c);
            img.Disk(cx + 14, cy + 3, 10 + gi, c);
            box(cx - 25, cy + 2, 50, 13, 6);
            break;
        case 2: // drop
            img.Disk(cx, cy + 9, 16 + gi, c);
            FillPolygon(img,
                        {{double(cx), cy - 28 - g * 1.6},
                         {cx + 15.5 + g, cy + 4.0},
                         {cx - 15.5 - g, cy + 4.0}},
                        c);
            break;
        case 3: // snowflake
            for (int k = 0; k < 6; ++k)
            {
                const double a = k * kPi / 3, s = std::sin(a), o = std::cos(a);
                ThickLine(img, cx, cy, cx + 27 * s, cy - 27 * o, 5 + 2 * g, c);
                for (int side : {-1, 1})
                {
                    const double b = a + side * kPi / 4;
                    ThickLine(img, cx + 15 * s, cy - 15 * o, cx + 15 * s + 9 * std::sin(b),
                              cy - 15 * o - 9 * std::cos(b), 3 + 2 * g, c);
                }
            }
            break;
        case 4: // lightning
            FillPolygon(img,
                        Grown({{cx + 5.0, cy - 32.0},
                               {cx - 15.0, cy + 4.0},
                               {cx - 2.0, cy + 4.0},
                               {cx - 9.0, cy + 32.0},
                               {cx + 15.0, cy - 7.0},
                               {cx + 2.0, cy - 7.0},
                               {cx + 12.0, cy - 32.0}},
                              cx, cy, g * 1.4),
                        c);
            break;
        case 5: // leaf, a pointed oval leaning right
        {
            std::vector<PointF> pts;
            for (int k = 0; k < 48; ++k)
            {
                const double t = k * 2 * kPi / 48,
                             w = (17 + g) * std::sin(t) * std::sqrt(std::fabs(std::sin(t)));
                const double h = -(29 + g) * std::cos(t), r = kPi / 7;
                pts.push_back({cx + w * std::cos(r) - h * std::sin(r),
                               cy + w * std::sin(r) + h * std::cos(r)});
            }
            FillPolygon(img, pts, c);
            break;
        }
        case 6: // flower
            for (int k = 0; k < 5; ++k)
            {
                const double a = k * 2 * kPi / 5;
                img.Disk(cx + int(std::lround(14 * std::sin(a))),
                         cy - 6 - int(std::lround(14 * std::cos(a))), 10 + gi, c);
            }
            break;
        case 7: // mushroom cap
        {
            std::vector<PointF> pts;
            for (int k = 0; k <= 24; ++k)
            {
                const double a = kPi * k / 24;
                pts.push_back({cx - (28 + g) * std::cos(a), cy + 2 - (26 + g) * std::sin(a)});
            }
            pts.push_back({cx + 28 + g, cy + 4 + g});
            pts.push_back({cx - 28 - g, cy + 4 + g});
            FillPolygon(img, pts, c);
            break;
        }
        case 8: // mountains
            FillPolygon(
                img,
                Grown({{cx + 14.0, cy - 12.0}, {cx + 31.0, cy + 22.0}, {cx - 3.0, cy + 22.0}},
                      cx + 14, cy + 8, g * 1.6),
                c);
            FillPolygon(
                img,
                Grown({{cx - 6.0, cy - 28.0}, {cx + 22.0, cy + 22.0}, {cx - 31.0, cy + 22.0}},
                      cx - 6, cy + 5, g * 1.6),
                c);
            break;
        case 9: // waves
            for (int row = 0; row < 3; ++row)
                for (int k = 0; k < 12; ++k)
                {
                    auto y = [&](int i) { return cy - 18 + 18 * row + 6 * std::sin(i * kPi / 4); };
                    ThickLine(img, cx - 27 + 4.5 * k, y(k), cx - 22.5 + 4.5 * k, y(k + 1),
                              6 + 2 * g, c);
                }
            break;
        case 10: // fish
        {
            std::vector<PointF> body;
            for (int k = 0; k < 40; ++k)
            {
                const double t = k * 2 * kPi / 40;
                body.push_back({cx - 5 + (21 + g) * std::cos(t), cy + (14 + g) * std::sin(t)});
            }
            FillPolygon(img, body, c);
            FillPolygon(
                img,
                Grown({{cx + 12.0, cy + 0.0}, {cx + 29.0, cy - 15.0}, {cx + 29.0, cy + 15.0}},
                      cx + 23, cy, g * 1.6),
                c);
            break;
        }
        case 11: // apple
            img.Disk(cx - 9, cy + 2, 17 + gi, c);
            img.Disk(cx + 9, cy + 2, 17 + gi, c);
            img.Disk(cx, cy + 11, 15 + gi, c);
            break;
        case 12: // cherries
            img.Disk(cx - 12, cy + 15, 11 + gi, c);
            img.Disk(cx + 11, cy + 11, 11 + gi, c);
            break;
        case 13: // butterfly
            img.Disk(cx - 13, cy - 10, 13 + gi, c);
            img.Disk(cx + 13, cy - 10, 13 + gi, c);
            img.Disk(cx - 10, cy + 13, 10 + gi, c);
            img.Disk(cx + 10, cy + 13, 10 + gi, c);
            break;
        case 14: // cactus
            box(cx - 8, cy - 30, 16, 60, 8);
            box(cx - 25, cy - 14, 10, 24, 5);
            box(cx - 25, cy + 2, 20, 9, 4);
            box(cx + 15, cy - 22, 10, 24, 5);
            box(cx + 5, cy - 6, 20, 9, 4);
            break;
        default: // snail
            box(cx - 28, cy + 12, 54, 11, 5);
            ThickLine(img, cx - 20, cy + 14, cx - 26, cy - 6, 3 + 2 * g, c);
            ThickLine(img, cx - 15, cy + 14, cx - 16, cy - 8, 3 + 2 * g, c);
            img.Disk(cx + 5, cy - 2, 19 + gi, c);
            break;
    }
}

void NatureFace(KWOImage& img, int id, int x, int y)
{
    CardBase(img, x, y, kGrey + 6, kCard + 1);
    const int cx = x + 35, cy = y + 50;
    const unsigned colour = kFace + id, dark = kFaceDark + id, light = kFaceLight + id;
    // Parts drawn behind the picture.
    if (id == 6) // the flower's stem and leaf
    {
        ThickLine(img, cx, cy, cx, cy + 34, 6, kFaceDark + 5);
        ThickLine(img, cx, cy, cx, cy + 34, 3, kFace + 5);
        FillPolygon(img, {{double(cx), cy + 26.0}, {cx + 15.0, cy + 14.0}, {cx + 4.0, cy + 30.0}},
                    kFace + 5);
    }
    if (id == 7) // the mushroom's stem
    {
        RoundBox(img, cx - 11, cy - 2, 22, 34, 7, kFaceDark + 15);
        RoundBox(img, cx - 9, cy, 18, 30, 6, kCard + 6);
    }
    if (id == 12) // the cherries' stems
    {
        ThickLine(img, cx - 12, cy + 10, cx + 4, cy - 26, 3, kFaceDark + 15);
        ThickLine(img, cx + 11, cy + 6, cx + 4, cy - 26, 3, kFaceDark + 15);
        FillPolygon(img, {{cx + 4.0, cy - 26.0}, {cx + 20.0, cy - 30.0}, {cx + 12.0, cy - 19.0}},
                    kFace + 5);
    }
    NatureShape(img, id, cx, cy, 2, dark);
    NatureShape(img, id, cx, cy, 0, colour);
    switch (id)
    {
        case 0:
            img.Disk(cx, cy, 10, light);
            img.Disk(cx, cy, 7, colour);
            break;
        case 1:
            img.Disk(cx - 2, cy - 10, 5, light);
            break;
        case 2:
            img.Disk(cx - 6, cy + 6, 4, light);
            break;
        case 5: // the vein
            ThickLine(img, cx - 8, cy + 24, cx + 9, cy - 22, 2, dark);
            break;
        case 6: // the flower's heart
            img.Disk(cx, cy - 6, 8, kFaceDark + 4);
            img.Disk(cx, cy - 6, 6, kFace + 4);
            break;
        case 7: // spots
            img.Disk(cx - 13, cy - 10, 5, kWhite);
            img.Disk(cx + 4, cy - 17, 5, kWhite);
            img.Disk(cx + 16, cy - 5, 4, kWhite);
            break;
        case 8: // snow
            FillPolygon(img,
                        {{cx - 6.0, cy - 27.0},
                         {cx + 3.0, cy - 12.0},
                         {cx - 2.0, cy - 15.0},
                         {cx - 6.0, cy - 10.0},
                         {cx - 11.0, cy - 15.0},
                         {cx - 15.0, cy - 12.0}},
                        kWhite);
            break;
        case 10: // eye and fin
            img.Disk(cx - 15, cy - 3, 4, kWhite);
            img.Disk(cx - 15, cy - 3, 2, kBlack);
            ThickLine(img, cx - 2, cy - 8, cx + 3, cy + 6, 2, dark);
            break;
        case 11: // stem and leaf
            ThickLine(img, cx, cy - 12, cx + 2, cy - 26, 3, kFaceDark + 15);
            FillPolygon(img,
                        {{cx + 2.0, cy - 20.0}, {cx + 16.0, cy - 28.0}, {cx + 12.0, cy - 16.0}},
                        kFace + 14);
            img.Disk(cx - 10, cy - 2, 4, light);
            break;
        case 12:
            img.Disk(cx - 15, cy + 11, 3, light);
            img.Disk(cx + 8, cy + 7, 3, light);
            break;
        case 13: // body and spots
            RoundBox(img, cx - 3, cy - 22, 6, 44, 3, kBlack);
            img.Disk(cx - 14, cy - 11, 5, light);
            img.Disk(cx + 14, cy - 11, 5, light);
            break;
        case 14: // ribs
            img.VLine(cx - 3, cy - 24, 50, dark);
            img.VLine(cx + 3, cy - 24, 50, dark);
            break;
        case 15: // the shell's spiral and the eyes
            img.Circle(cx + 5, cy - 2, 13, dark);
            img.Circle(cx + 3, cy - 1, 7, dark);
            img.Disk(cx + 2, cy, 2, dark);
            img.Disk(cx - 26, cy - 7, 3, kBlack);
            img.Disk(cx - 16, cy - 9, 3, kBlack);
            break;
        default:
            break;
    }
    img.Disk(x + 10, y + 11, 4, colour);
    img.Disk(x + 59, y + 88, 4, colour);
}

// Sixteen letters that no two look alike.
const char kLetters[] = "ABCEHIJKLMSTUXYZ";

void LetterFace(KWOImage& img, int id, int x, int y, KWOFont& big)
{
    CardBase(img, x, y, kGrey + 6, kCard + 1);
    RoundBox(img, x + 7, y + 12, 56, 76, 6, kFace + id);
    RoundBox(img, x + 9, y + 14, 52, 72, 5, kCard + 3);
    const char text[2] = {kLetters[id], 0};
    const int w = int(big.TextWidth(text));
    DrawString(img, big, x + 35 - w / 2, y + 50 - 28, text, kFaceDark + id, kBlack, kFace + id);
    img.Disk(x + 8, y + 7, 3, kFace + id);
    img.Disk(x + 61, y + 92, 3, kFace + id);
}

void CardBack(KWOImage& img, int x, int y, bool patterns)
{
    CardBase(img, x, y, kGrey + 3, kWhite);
    const int wx = x + 6, wy = y + 6, ww = 58, wh = 88;
    img.Gradient(wx, wy, ww, wh, kBack + 8, kBack + 24, 0);
    img.SetClipping(wx, wy, wx + ww - 1, wy + wh - 1);
    if (patterns)
    {
        for (int k = 0; k < 8; ++k)
            img.Frame(wx + k * 4, wy + k * 5, ww - k * 8, wh - k * 10, kBack + (k & 1 ? 4 : 28));
    }
    else
    {
        for (int k = -12; k < 14; ++k)
        {
            img.Line(wx + k * 8, wy, wx + k * 8 + wh, wy + wh, kBack + 30);
            img.Line(wx + k * 8, wy, wx + k * 8 - wh, wy + wh, kBack + 30);
        }
    }
    img.StopClipping();
    img.Disk(x + 35, y + 50, 13, kBack + 2);
    FillPolygon(img, StarPoints(x + 35, y + 51, 11, 5, 5, 0), kGold + 14);
}

void BoardTile(KWOImage& img, int x, int y)
{
    img.Rectangle(x, y, 80, 110, kBoard + 12);
    KWO::RandomInit(7);
    for (int k = 0; k < 400; ++k)
    {
        const int px = int(KWO::Randomi(80)), py = int(KWO::Randomi(110));
        img.Rectangle(x + px, y + py, 1, 1, kBoard + 9 + KWO::Randomi(7));
    }
    // The slot a card lies in.
    RoundBox(img, x + 4, y + 4, 72, 102, 9, kBoard + 6);
    RoundBox(img, x + 6, y + 6, 68, 98, 7, kBoard + 10);
}

// Bar colours by row, 0..39, so the ornament can share the bar's background.
unsigned BarColour(int row)
{
    return kBar + unsigned(row * 31 / 39);
}

void BarTile(KWOImage& img, int x, int y)
{
    for (int r = 0; r < 40; ++r)
        img.HLine(x, y + r, 40, BarColour(r));
    img.HLine(x, y, 40, kBar + 31);
    img.HLine(x, y + 1, 40, kBar + 28);
    img.VLine(x, y + 2, 38, kBar + 20);
}

void Digits(KWOImage& img, KWOFont& font)
{
    img.Rectangle(0, 300, 300, 40, kKey);
    for (int d = 0; d < 10; ++d)
    {
        const char text[2] = {char('0' + d), 0};
        const int w = int(font.TextWidth(text));
        DrawString(img, font, 30 * d + (24 - w) / 2, 301, text, kBlack, kGold + 8, kGold + 15);
    }
    // Width mark on row 340, height mark in column 300, the key at (301, 300).
    img.HLine(0, 340, 300, kBlack);
    img.Rectangle(24, 340, 1, 1, kKey);
    img.VLine(300, 300, 40, kBlack);
    img.Rectangle(300, 332, 1, 1, kKey);
    img.VLine(301, 300, 40, kBlack);
    img.Rectangle(301, 300, 1, 1, kKey);
}

void Label(KWOImage& img, int x, int w, int digits, int icon)
{
    const int y = 341, h = 36;
    img.Rectangle(x, y, w, 40, kKey);
    RoundBox(img, x, y, w, h, 9, kPanel + 2);
    RoundBox(img, x + 2, y + 2, w - 4, h - 4, 7, kPanel + 10);
    RoundBox(img, x + 4, y + 4, w - 8, h - 8, 5, kKey);
    const int dw = 24 * digits + 8;
    RoundBox(img, x + (w - dw) / 2, y + 1, dw, h - 2, 5, kPanel + 1);
    if (icon == 0) // two cards
    {
        img.Rectangle(x + 10, y + 8, 13, 18, kGrey + 4);
        img.Rectangle(x + 11, y + 9, 11, 16, kCard);
        img.Rectangle(x + 18, y + 12, 13, 18, kGrey + 4);
        img.Rectangle(x + 19, y + 13, 11, 16, kCard);
        img.Disk(x + 24, y + 21, 3, kFace);
    }
    else if (icon == 1) // clock
    {
        img.Disk(x + 24, y + 18, 11, kGrey + 4);
        img.Disk(x + 24, y + 18, 9, kCard);
        img.Line(x + 24, y + 18, x + 24, y + 11, kBlack);
        img.Line(x + 24, y + 18, x + 29, y + 18, kBlack);
    }
}

void Ornament(KWOImage& img)
{
    const int x = 64, y = 400;
    for (int r = 0; r < 30; ++r)
        img.HLine(x, y + r, 22, BarColour(5 + r));
    // A small cup.
    img.Disk(x + 11, y + 9, 8, kGold + 10);
    img.Rectangle(x + 3, y + 2, 17, 7, kGold + 12);
    img.Rectangle(x + 9, y + 16, 4, 6, kGold + 8);
    img.Rectangle(x + 5, y + 22, 12, 4, kGold + 6);
    img.Circle(x + 3, y + 7, 3, kGold + 9);
    img.Circle(x + 19, y + 7, 3, kGold + 9);
    img.Rectangle(x + 8, y + 4, 2, 6, kGold + 15);
}
const Theme kThemes[kSets] = {
    {"Shapes",
     {10, 60, 20},
     {60, 160, 80},
     {60, 30, 10},
     {200, 140, 80},
     {90, 0, 0},
     {250, 90, 70},
     {30, 20, 10},
     {150, 110, 60},
     ShapeFaces,
     kShapeColours},
    {"Patterns",
     {10, 20, 60},
     {70, 100, 190},
     {30, 30, 40},
     {170, 170, 190},
     {0, 40, 40},
     {60, 210, 190},
     {10, 10, 30},
     {110, 120, 200},
     PatternFaces,
     kShapeColours},
    {"Nature",
     {40, 25, 10},
     {150, 110, 60},
     {20, 40, 20},
     {120, 170, 90},
     {10, 50, 20},
     {120, 200, 90},
     {20, 30, 10},
     {140, 170, 80},
     NatureFaces,
     kNatureColours},
    {"Letters",
     {40, 10, 40},
     {170, 90, 150},
     {20, 20, 50},
     {150, 140, 200},
     {40, 10, 80},
     {190, 120, 250},
     {25, 10, 40},
     {170, 120, 200},
     LetterFaces,
     kLetterColours},
};
} // namespace

std::string SetFileName(int which)
{
    return which >= 0 && which < kSets ? std::string(kThemes[which].name) + ".set" : std::string();
}

bool MakeSet(const std::string& path, int which, KWOFont& digitFont)
{
    if (which < 0 || which >= kSets)
        return false;
    const Theme& theme = kThemes[which];
    auto img = NewPicture(kPictureW, kPictureH, kBlack);
    MakePalette(*img, theme);

    static const int kFacePos[16][2] = {
        {0, 0},     {70, 0},    {140, 0},   {210, 0}, {280, 0},  {350, 0},   {0, 100},   {70, 100},
        {140, 100}, {210, 100}, {280, 100}, {0, 200}, {70, 200}, {140, 200}, {210, 200}, {280, 200},
    };
    // The Letters set draws its faces with a large font of its own.
    std::unique_ptr<KWOFont> big;
    if (theme.faces == LetterFaces)
        big = BuildFont("letters", 8);
    for (int i = 0; i < 16; ++i)
    {
        const int x = kFacePos[i][0], y = kFacePos[i][1];
        switch (theme.faces)
        {
            case ShapeFaces:
                ShapeFace(*img, i, x, y);
                break;
            case PatternFaces:
                PatternFace(*img, i, x, y);
                break;
            case NatureFaces:
                NatureFace(*img, i, x, y);
                break;
            default:
                LetterFace(*img, i, x, y, *big);
                break;
        }
    }
    CardBack(*img, 350, 100, theme.faces == PatternFaces || theme.faces == LetterFaces);
    BoardTile(*img, 350, 200);
    BarTile(*img, 302, 300);
    Digits(*img, digitFont);
    Label(*img, 0, 140, 2, 0);
    Label(*img, 141, 170, 3, 1);
    Label(*img, 312, 110, 1, 2);
    // Label height marks: 36 rows in every label.
    for (int x : {140, 311, 422})
    {
        img->VLine(x, 341, 40, kBlack);
        img->Rectangle(x, 377, 1, 1, kKey);
    }
    Ornament(*img);
    return img->SaveName((path + "/" + SetFileName(which)).c_str(), kFormatBMP);
}
} // namespace mkdata
