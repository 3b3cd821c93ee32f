#include "graphics/KWOScreen.h"

#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "files/file_replace.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"
#include "graphics/canvas.h"
#include "platform/KWOFileUtils.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace kwo_pixels;

// Palette entries go to SDL as they are.
static_assert(sizeof(KWOColor) == sizeof(SDL_Color), "palette entries are SDL colours");
static_assert(offsetof(KWOColor, r) == offsetof(SDL_Color, r) &&
                  offsetof(KWOColor, g) == offsetof(SDL_Color, g) &&
                  offsetof(KWOColor, b) == offsetof(SDL_Color, b),
              "palette entries are SDL colours");
// The screen's flags are SDL 1.2's values; the browser's SDL numbers its
// own otherwise and takes SDL 1.2's at SDL_SetVideoMode.
#ifndef __EMSCRIPTEN__
static_assert(KWOScreen::HWSURFACE == SDL_HWSURFACE && KWOScreen::OPENGL == SDL_OPENGL &&
                  KWOScreen::RESIZABLE == SDL_RESIZABLE && KWOScreen::HWPALETTE == SDL_HWPALETTE &&
                  KWOScreen::DOUBLEBUF == SDL_DOUBLEBUF && KWOScreen::FULLSCREEN == SDL_FULLSCREEN,
              "SDL video flags");
#endif

KWOScreen* KWOScreen::m_instance = nullptr;
SDL_Cursor* KWOScreen::m_cursor = nullptr;

namespace
{
// The largest side SDL's rectangles (16-bit) describe safely.
const int64_t kMaxSide = 0x7FFF;

// The arrow cursor, 16 x 16 with its hot spot at (1, 1): '#' black, '.'
// white, blank transparent.
const char* const kArrow[16] = {
    "#",       "##",       "#.#",       "#..#",       "#...#",       "#....#",
    "#.....#", "#......#", "#.......#", "#........#", "#.........#", "#...########",
    "#..#",    "#.#",      "##",        "#",
};

SDL_Cursor* MakeArrow()
{
    Uint8 data[32] = {}, mask[32] = {};
    for (int row = 0; row < 16; ++row)
        for (int col = 0; kArrow[row][col] != 0; ++col)
        {
            const int byte = row * 2 + col / 8;
            const Uint8 bit = static_cast<Uint8>(0x80 >> (col % 8));
            if (kArrow[row][col] == '#')
                data[byte] |= bit;
            if (kArrow[row][col] != ' ')
                mask[byte] |= bit;
        }
    return SDL_CreateCursor(data, mask, 16, 16, 1, 1);
}

// SDL 1.2 hands over a new video surface cleared to black; its compatibility
// layer over SDL2 can leave in it what its memory held before.
void ClearNewSurface(SDL_Surface* s)
{
    if ((s->flags & SDL_OPENGL) == 0)
        SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0, 0, 0));
}

// Holds a surface locked, when SDL says it must be, while pixels are
// accessed directly.
class SurfaceLock
{
public:
    explicit SurfaceLock(SDL_Surface* s) : m_surface(s), m_locked(false), m_ok(s != nullptr)
    {
        if (s != nullptr && SDL_MUSTLOCK(s))
        {
            m_locked = SDL_LockSurface(s) == 0;
            m_ok = m_locked;
        }
    }
    ~SurfaceLock()
    {
        if (m_locked)
            SDL_UnlockSurface(m_surface);
    }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;
    bool Ok() const { return m_ok; }

private:
    SDL_Surface* m_surface;
    bool m_locked;
    bool m_ok;
};

// The canvas of a locked surface: its pixels, depth, size and clipping
// rectangle (SDL's is exclusive at the right and bottom).
Canvas SurfaceCanvas(SDL_Surface* s)
{
    const SDL_Rect& clip = s->clip_rect;
    return Canvas{static_cast<unsigned char*>(s->pixels),
                  s->pitch,
                  s->format->BitsPerPixel,
                  s->format->BytesPerPixel,
                  s->w,
                  s->h,
                  clip.x,
                  int64_t(clip.x) + clip.w - 1,
                  clip.y,
                  int64_t(clip.y) + clip.h - 1};
}

// Runs `draw` on the surface's canvas while the surface is locked, when SDL
// says it must be; nothing without a surface or when the lock fails.
template <typename Draw> void DrawOn(SDL_Surface* s, Draw draw)
{
    SurfaceLock lock(s);
    if (lock.Ok())
        draw(SurfaceCanvas(s));
}

// The colour masks of a picture of `bpp` bits for SDL; `bpp` 32 gets the
// 24-bit masks when `masks32` is set, none otherwise.
void Masks(unsigned int bpp, bool masks32, Uint32& r, Uint32& g, Uint32& b)
{
    r = g = b = 0;
    if (bpp == 15)
    {
        r = 0x7C00;
        g = 0x3E0;
        b = 0x1F;
    }
    else if (bpp == 16)
    {
        r = 0xF800;
        g = 0x7E0;
        b = 0x1F;
    }
    else if (bpp == 24 || (bpp == 32 && masks32))
    {
        r = 0xFF0000;
        g = 0xFF00;
        b = 0xFF;
    }
}

// A surface over the pixels of `img` (which it does not own), with the
// image's palette at 8 bits; null when SDL cannot describe the image.
SDL_Surface* SurfaceOver(const KWOImage& img, bool masks32)
{
    if (img.Pixels() == nullptr || !SupportedDepth(img.Bpp()) || img.Width() > kMaxSide ||
        img.Height() > kMaxSide || img.Pitch() > 0xFFFF)
        return nullptr;
    Uint32 r, g, b;
    Masks(img.Bpp(), masks32, r, g, b);
    SDL_Surface* s =
        SDL_CreateRGBSurfaceFrom(const_cast<unsigned char*>(img.Pixels()), int(img.Width()),
                                 int(img.Height()), int(img.Bpp()), int(img.Pitch()), r, g, b, 0);
    if (s != nullptr && img.Bpp() == 8 && img.Palette() != nullptr && img.Palette()->Size() != 0)
        SDL_SetColors(s,
                      reinterpret_cast<SDL_Color*>(const_cast<KWOColor*>(img.Palette()->Entries())),
                      0, int(std::min(img.Palette()->Size(), 256u)));
    return s;
}

// The levels of a fade: the largest power of two not above `steps` (an
// unsigned byte), at least 2, and its logarithm.
void FadeLevels(char steps, unsigned& levels, unsigned& shift)
{
    const unsigned v = static_cast<unsigned char>(steps);
    levels = 2;
    shift = 1;
    while (levels * 2 <= v)
    {
        levels *= 2;
        ++shift;
    }
}

// Spaces the palette updates of a fade at least kFadeStepMs apart.
class FadePacer
{
public:
    FadePacer() : m_started(false), m_next(0) {}
    // Waits, when needed, until the previous step has been shown long enough.
    void NextStep()
    {
        if (m_started)
        {
            const Sint32 wait = static_cast<Sint32>(m_next - SDL_GetTicks());
            if (wait > 0)
                SDL_Delay(static_cast<Uint32>(wait));
        }
        m_started = true;
        m_next = SDL_GetTicks() + KWOScreen::kFadeStepMs;
    }

private:
    bool m_started;
    Uint32 m_next;
};

// SDL 1.2 palettes (surfaces of 8 bits and less) hold up to 256 colours.
const int kPaletteSize = 256;

// The colours of the surface's palette, at most `limit`; 0 without one.
int PaletteColours(SDL_Surface* s, unsigned limit)
{
    if (s->format->palette == nullptr || s->format->palette->ncolors <= 0)
        return 0;
    return int(std::min({unsigned(s->format->palette->ncolors), limit, unsigned(kPaletteSize)}));
}

// Each component of `from` times level >> shift.
void Scale(const SDL_Color* from, SDL_Color* to, int n, unsigned level, unsigned shift)
{
    for (int i = 0; i < n; ++i)
    {
        to[i].r = static_cast<Uint8>((from[i].r * level) >> shift);
        to[i].g = static_cast<Uint8>((from[i].g * level) >> shift);
        to[i].b = static_cast<Uint8>((from[i].b * level) >> shift);
        to[i].unused = 0;
    }
}
} // namespace

// ---- lifetime ------------------------------------------------------------------

KWOScreen::KWOScreen() : KWOSDLMgr(INIT_VIDEO), m_screen(nullptr) {}

KWOScreen* KWOScreen::Singleton()
{
    if (m_instance == nullptr)
        m_instance = new (std::nothrow) KWOScreen();
    return m_instance;
}

KWOScreen::~KWOScreen()
{
    if (m_instance == this)
        m_instance = nullptr;
    if (m_screen != nullptr)
        SDL_FreeSurface(m_screen);
    m_screen = nullptr;
    if (m_cursor != nullptr)
    {
        // Made again by the next screen's Init: SDL's video goes with us.
        SDL_FreeCursor(m_cursor);
        m_cursor = nullptr;
    }
}

bool KWOScreen::Init(unsigned width, unsigned height, unsigned flags, unsigned bpp)
{
    if (m_screen != nullptr)
    {
        SDL_FreeSurface(m_screen);
        m_screen = nullptr;
    }
    if ((flags & FULLSCREEN) != 0)
        flags &= ~RESIZABLE;
    // Sizes beyond SDL's 16-bit rectangles cannot be drawn on.
    if (width > kMaxSide || height > kMaxSide || bpp > 32)
        return false;
    m_screen = SDL_SetVideoMode(int(width), int(height), int(bpp), flags);
    if (m_screen == nullptr)
        return false;
    ClearNewSurface(m_screen);
    if (m_cursor == nullptr)
        m_cursor = MakeArrow();
    if (m_cursor != nullptr)
        SDL_SetCursor(m_cursor);
    return true;
}

bool KWOScreen::Resize(unsigned width, unsigned height)
{
    if (m_screen == nullptr || (m_screen->flags & SDL_RESIZABLE) == 0 ||
        (m_screen->flags & SDL_FULLSCREEN) != 0)
        return false;
    if (width > kMaxSide || height > kMaxSide)
        return false;
    const Uint32 flags = m_screen->flags;
    const int bpp = m_screen->format->BitsPerPixel;
    m_screen = SDL_SetVideoMode(int(width), int(height), bpp, flags);
    if (m_screen == nullptr)
        return false;
    ClearNewSurface(m_screen);
    return true;
}

unsigned KWOScreen::Width() const
{
    return m_screen != nullptr ? unsigned(m_screen->w) : 0;
}

unsigned KWOScreen::Height() const
{
    return m_screen != nullptr ? unsigned(m_screen->h) : 0;
}

unsigned KWOScreen::Bpp() const
{
    return m_screen != nullptr ? m_screen->format->BitsPerPixel : 0;
}

// ---- palette -------------------------------------------------------------------

KWOPal* KWOScreen::GetPalette() const
{
    if (m_screen == nullptr || m_screen->format->palette == nullptr)
        return nullptr;
    const SDL_Palette* sp = m_screen->format->palette;
    const unsigned n = sp->ncolors > 0 ? unsigned(sp->ncolors) : 0;
    KWOPal* pal = new (std::nothrow) KWOPal(n);
    if (pal != nullptr && n != 0)
        pal->SetFromRGBA(reinterpret_cast<const unsigned char*>(sp->colors), n, 0);
    return pal;
}

void KWOScreen::SetPalette(KWOPal* pal, unsigned first, unsigned count)
{
    if (m_screen == nullptr || m_screen->format->palette == nullptr || pal == nullptr ||
        first >= pal->Size())
        return;
    // Only the entries `pal` has are read.
    count = std::min(count, pal->Size() - first);
    SDL_SetColors(m_screen, reinterpret_cast<SDL_Color*>(pal->Entries() + first), int(first),
                  int(count));
}

void KWOScreen::ReplacePalette(KWOPal* pal)
{
    if (m_screen == nullptr || m_screen->format->palette == nullptr || pal == nullptr ||
        pal->Size() == 0)
        return;
    SDL_SetColors(m_screen, reinterpret_cast<SDL_Color*>(pal->Entries()), 0, int(pal->Size()));
}

void KWOScreen::FadeIn(KWOPal* pal, char steps)
{
    if (m_screen == nullptr || m_screen->format->palette == nullptr || pal == nullptr)
        return;
    const int n = PaletteColours(m_screen, pal->Size());
    if (n <= 0)
        return;
    unsigned levels, shift;
    FadeLevels(steps, levels, shift);
    SDL_Color* target = reinterpret_cast<SDL_Color*>(pal->Entries());
    SDL_Color table[kPaletteSize];
    FadePacer pacer;
    for (unsigned i = 0; i <= levels; ++i)
    {
        Scale(target, table, n, i, shift);
        pacer.NextStep();
        SDL_SetPalette(m_screen, SDL_PHYSPAL, table, 0, n);
    }
    SDL_SetPalette(m_screen, SDL_LOGPAL | SDL_PHYSPAL, target, 0, n);
}

void KWOScreen::FadeOut(char steps)
{
    if (m_screen == nullptr || m_screen->format->palette == nullptr)
        return;
    const int n = PaletteColours(m_screen, kPaletteSize);
    if (n <= 0)
        return;
    unsigned levels, shift;
    FadeLevels(steps, levels, shift);
    SDL_Color source[kPaletteSize];
    std::copy(m_screen->format->palette->colors, m_screen->format->palette->colors + n, source);
    SDL_Color table[kPaletteSize];
    FadePacer pacer;
    for (unsigned i = levels; i-- > 0;)
    {
        Scale(source, table, n, i, shift);
        pacer.NextStep();
        SDL_SetPalette(m_screen, SDL_PHYSPAL, table, 0, n);
    }
    SDL_SetPalette(m_screen, SDL_LOGPAL | SDL_PHYSPAL, table, 0, n);
}

void KWOScreen::BlackOut()
{
    if (m_screen == nullptr)
        return;
    const int n = PaletteColours(m_screen, kPaletteSize);
    if (n > 0)
    {
        SDL_Color black[kPaletteSize] = {};
        SDL_SetColors(m_screen, black, 0, n);
    }
    SDL_FillRect(m_screen, nullptr, 0);
    SDL_UpdateRect(m_screen, 0, 0, 0, 0);
}

// ---- drawing -------------------------------------------------------------------

void KWOScreen::SetClipping(int x1, int y1, int x2, int y2)
{
    if (m_screen == nullptr)
        return;
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    // Cut to the surface here, as SDL would, so that no corner is lost in
    // the 16-bit fields of SDL's rectangle.
    const int64_t left = std::max<int64_t>(x1, 0), top = std::max<int64_t>(y1, 0);
    const int64_t right = std::min<int64_t>(x2, int64_t(m_screen->w) - 1);
    const int64_t bottom = std::min<int64_t>(y2, int64_t(m_screen->h) - 1);
    SDL_Rect rect = {0, 0, 0, 0};
    if (left <= right && top <= bottom)
    {
        rect.x = static_cast<Sint16>(left);
        rect.y = static_cast<Sint16>(top);
        rect.w = static_cast<Uint16>(right - left + 1);
        rect.h = static_cast<Uint16>(bottom - top + 1);
    }
    SDL_SetClipRect(m_screen, &rect);
}

unsigned KWOScreen::GetPixel(int x, int y) const
{
    unsigned value = 0;
    DrawOn(m_screen, [&](const Canvas& c) { value = c.Get(x, y); });
    return value;
}

void KWOScreen::PutPixel(int x, int y, unsigned colour)
{
    DrawOn(m_screen, [&](const Canvas& c) { c.Point(x, y, colour, false); });
}

void KWOScreen::XorPixel(int x, int y, unsigned colour)
{
    DrawOn(m_screen, [&](const Canvas& c) { c.Point(x, y, colour, true); });
}

void KWOScreen::HLine(int x, int y, unsigned length, unsigned colour, DrawMode mode)
{
    DrawOn(m_screen, [&](const Canvas& c) { c.Span(x, y, length, colour, mode != DrawNormal); });
}

void KWOScreen::VLine(int x, int y, unsigned length, unsigned colour, DrawMode mode)
{
    DrawOn(m_screen, [&](const Canvas& c) { c.Column(x, y, length, colour, mode != DrawNormal); });
}

void KWOScreen::Frame(int x, int y, unsigned w, unsigned h, unsigned colour, DrawMode mode)
{
    DrawOn(m_screen, [&](const Canvas& c) { c.Frame(x, y, w, h, colour, mode != DrawNormal); });
}

void KWOScreen::MoveInside(int sx, int sy, unsigned w, unsigned h, int dx, int dy)
{
    DrawOn(m_screen, [&](const Canvas& c) { c.Copy(dx, dy, c, sx, sy, w, h); });
}

void KWOScreen::CopyImage(int dx, int dy, KWOImage* img, int sx, int sy, unsigned w, unsigned h)
{
    if (img != nullptr)
        DrawOn(m_screen, [&](const Canvas& c) { c.Copy(dx, dy, CanvasOf(*img), sx, sy, w, h); });
}

void KWOScreen::TCopyImage(int dx, int dy, unsigned key, KWOImage* img, int sx, int sy, unsigned w,
                           unsigned h)
{
    if (img != nullptr)
        DrawOn(m_screen,
               [&](const Canvas& c) { c.KeyedCopy(dx, dy, key, CanvasOf(*img), sx, sy, w, h); });
}

KWOImage* KWOScreen::ScreenFormat(const KWOImage* img)
{
    if (m_screen == nullptr || img == nullptr || img->Pixels() == nullptr)
        return nullptr;
    const unsigned bpp = m_screen->format->BitsPerPixel;
    if (img->Bpp() == bpp)
        return const_cast<KWOImage*>(img);
    SDL_Surface* temporary = SurfaceOver(*img, false);
    if (temporary == nullptr)
        return nullptr;
    SDL_Surface* converted = SDL_DisplayFormat(temporary);
    SDL_FreeSurface(temporary);
    if (converted == nullptr)
        return nullptr;

    KWOImage* out = new (std::nothrow) KWOImage(img->Width(), img->Height(), bpp);
    if (out == nullptr || out->Pixels() == nullptr)
    {
        delete out;
        SDL_FreeSurface(converted);
        return nullptr;
    }
    const SDL_Palette* sp = converted->format->palette;
    if (bpp == 8 && sp != nullptr && sp->ncolors > 0)
    {
        KWOPal* pal = new (std::nothrow) KWOPal(unsigned(sp->ncolors));
        if (pal != nullptr)
            for (int i = 0; i < sp->ncolors && unsigned(i) < pal->Size(); ++i)
                pal->Entries()[i] = KWOColor{sp->colors[i].r, sp->colors[i].g, sp->colors[i].b, 0};
        out->ReplacePalette(pal);
    }
    {
        SurfaceLock lock(converted);
        if (lock.Ok())
        {
            const unsigned char* s = static_cast<const unsigned char*>(converted->pixels);
            const size_t pitch = converted->pitch;
            if (pitch == out->Pitch())
                std::memcpy(out->Pixels(), s, pitch * out->Height());
            else
            {
                const size_t row = std::min<size_t>(pitch, out->Pitch());
                for (unsigned y = 0; y < out->Height(); ++y)
                    std::memcpy(out->Pixels() + size_t(y) * out->Pitch(), s + y * pitch, row);
            }
        }
    }
    SDL_FreeSurface(converted);
    return out;
}

// ---- display -------------------------------------------------------------------

void KWOScreen::Refresh(int x, int y, unsigned w, unsigned h)
{
    if (m_screen == nullptr)
        return;
    int64_t rx = x, ry = y, rw = w, rh = h;
    const int64_t sw = m_screen->w, sh = m_screen->h;
    if (rx >= sw || ry >= sh || rx + rw < 0 || ry + rh < 0)
        return;
    if (rx < 0)
    {
        rw += rx;
        rx = 0;
    }
    if (ry < 0)
    {
        rh += ry;
        ry = 0;
    }
    rw = std::min(rw, sw - rx);
    rh = std::min(rh, sh - ry);
    if (rw <= 0 || rh <= 0)
        return;
    SDL_Rect rect = {static_cast<Sint16>(rx), static_cast<Sint16>(ry), static_cast<Uint16>(rw),
                     static_cast<Uint16>(rh)};
    SDL_UpdateRects(m_screen, 1, &rect);
}

void KWOScreen::Flip()
{
    if (m_screen == nullptr)
        return;
    if ((m_screen->flags & SDL_DOUBLEBUF) != 0)
        SDL_Flip(m_screen);
    else if ((m_screen->flags & SDL_OPENGL) != 0)
        SDL_GL_SwapBuffers();
}

namespace
{
// Writes the surface as a new BMP file: SDL encodes it in memory, and the
// file appears whole or not at all, never over an existing one.
bool SaveBMPFile(SDL_Surface* surface, const char* path)
{
    // Room for the headers, a full palette and rows of up to four bytes a
    // pixel padded to four bytes: more than any BMP that SDL writes.
    const uint64_t row = (static_cast<uint64_t>(surface->w) * 4 + 3) & ~3ull;
    const uint64_t room = 14 + 124 + 256 * 4 + row * static_cast<uint64_t>(surface->h);
    if (room > 0x7FFFFFFF)
        return false;
    std::vector<unsigned char> bmp(static_cast<size_t>(room));
    SDL_RWops* memory = SDL_RWFromMem(bmp.data(), static_cast<int>(bmp.size()));
    if (memory == nullptr)
        return false;
    const bool encoded = SDL_SaveBMP_RW(surface, memory, 0) == 0;
    const int length = SDL_RWtell(memory);
    SDL_RWclose(memory);
    if (!encoded || length <= 0)
        return false;
    const unsigned size = static_cast<unsigned>(length);
    return KWO::ReplaceFile(
        path, [&bmp, size](KWOResFile& file) { return file.Write(bmp.data(), size) == size; },
        true);
}
} // namespace

bool KWOScreen::BMPScreenshot(const char* prefix)
try
{
    if (m_screen == nullptr || prefix == nullptr)
        return false;
    std::string name;
    for (int n = 0; n < 1000; ++n)
    {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%03d.bmp", n);
        name = std::string(prefix) + suffix;
        if (!KWOFileUtils::FileExist(name.c_str()))
            return SaveBMPFile(m_screen, name.c_str());
    }
    return false;
}
catch (const std::exception&)
{
    return false;
}

void KWOScreen::SetNames(const char* title, const char* icon)
{
    SDL_WM_SetCaption(title, icon != nullptr ? icon : title);
}

void KWOScreen::SetIcon(const KWOImage* img, bool transparent, unsigned key)
{
    if (img == nullptr)
        return;
    SDL_Surface* icon = SurfaceOver(*img, true);
    if (icon == nullptr)
        return;
    if (transparent)
        SDL_SetColorKey(icon, SDL_SRCCOLORKEY, key);
    SDL_WM_SetIcon(icon, nullptr);
    SDL_FreeSurface(icon);
}

void KWOScreen::ShowCursor(bool show)
{
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void KWOScreen::StopClipping()
{
    if (m_screen != nullptr)
        SDL_SetClipRect(m_screen, nullptr);
}

void KWOScreen::Rectangle(int x, int y, unsigned w, unsigned h, unsigned colour, DrawMode mode)
{
    DrawOn(m_screen, [&](const Canvas& c) { c.Fill(x, y, w, h, colour, mode != DrawNormal); });
}

void KWOScreen::PrintInfo() const
{
    if (m_screen == nullptr)
    {
        KWO::LOG("Screen: no video mode\n");
        return;
    }
    KWO::LOG("Screen: %d x %d x %d bpp, pitch: %d, flags: 0x%08X", m_screen->w, m_screen->h,
             int(m_screen->format->BitsPerPixel), int(m_screen->pitch), unsigned(m_screen->flags));
    if (m_screen->format->palette != nullptr)
        KWO::LOG(", palette: %d colors", m_screen->format->palette->ncolors);
    KWO::LOG("\n");
}
