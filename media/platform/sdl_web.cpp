// SDL 1.2's behaviour over the browser build's SDL (see sdl_web.h).
//
// The functions under SDL's own names replace Emscripten's JavaScript ones
// at link time: a symbol defined here is never taken from its library. The
// JavaScript parts reach Emscripten's SDL state (SDL.surfaces, SDL.screen)
// from EM_JS functions.
#ifdef __EMSCRIPTEN__

#include "platform/sdl_web.h"

#include "platform/KWOEvent.h"

#include <SDL.h>
#include <emscripten.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
// Emscripten marks its palettised (8-bit) surfaces with this flag.
const Uint32 kPalettised = SDL_HWPALETTE;
const int kPaletteSize = 256;

// ---- the canvas side ---------------------------------------------------------------

// Makes the screen surface as Emscripten's SDL_SetVideoMode does, on the
// page's canvas, and gives it a cleared pixel buffer.
EM_JS(SDL_Surface*, kwo_js_make_screen, (int width, int height, Uint32 flags), {
    var canvas = Module['canvas'];
    [
        'mousedown', 'mouseup', 'mousemove', 'wheel', 'mouseout', 'touchstart', 'touchend',
        'touchmove'
    ]
        .forEach(function(type) { canvas.addEventListener(type, SDL.receiveEvent, true); });
    SDL.settingVideoMode = true;
    Browser.setCanvasSize(width, height);
    SDL.settingVideoMode = false;
    if (SDL.screen)
        SDL.freeSurface(SDL.screen);
    SDL.screen = SDL.makeSurface(width, height, flags, true, 'screen');
    var surface = SDL.surfaces[SDL.screen];
    var bytes = width * height * 4;
    if (!surface.buffer)
        surface.buffer = _malloc(bytes);
    if (!surface.buffer)
        return 0;
    HEAPU8.fill(0, surface.buffer, surface.buffer + bytes);
    return SDL.screen;
});

// The pixel buffer of a surface, made when it has none yet.
EM_JS(void*, kwo_js_pixels, (SDL_Surface * surf), {
    var surface = SDL.surfaces[surf];
    if (!surface)
        return 0;
    if (!surface.buffer)
        surface.buffer = _malloc(surface.width * surface.height * 4);
    return surface.buffer;
});

// Colours of the physical palette, as the canvas shows them.
EM_JS(void, kwo_js_set_colours, (SDL_Surface * surf, const SDL_Color* colours, int first, int n), {
    var surface = SDL.surfaces[surf];
    if (!surface)
        return;
    if (!surface.colors)
    {
        var buffer = new ArrayBuffer(256 * 4);
        surface.colors = new Uint8Array(buffer);
        surface.colors32 = new Uint32Array(buffer);
        for (var i = 0; i < 256; ++i)
            surface.colors[i * 4 + 3] = 255;
    }
    for (var i = 0; i < n; ++i)
    {
        var to = (first + i) * 4;
        var from = colours + i * 4;
        surface.colors[to] = HEAPU8[from];
        surface.colors[to + 1] = HEAPU8[from + 1];
        surface.colors[to + 2] = HEAPU8[from + 2];
        surface.colors[to + 3] = 255;
    }
});

// Shows a rectangle of a surface's pixels on its canvas (a surface of its
// own has none): palette indices
// through the physical palette, 32-bit pixels as they are (opaque).
EM_JS(void, kwo_js_present, (SDL_Surface * surf, int x, int y, int w, int h), {
    var surface = SDL.surfaces[surf];
    if (!surface || !surface.buffer || !surface.ctx || w <= 0 || h <= 0)
        return;
    if (!surface.image)
        surface.image = surface.ctx.createImageData(surface.width, surface.height);
    var image = surface.image;
    if (!image.data32)
        image.data32 = new Uint32Array(image.data.buffer);
    var out = image.data32;
    var width = surface.width;
    if (surface.isFlagSet(0x00200000))
    {
        var colours = surface.colors32;
        if (!colours)
            return;
        for (var row = y; row < y + h; ++row)
        {
            var at = row * width;
            var from = surface.buffer + at;
            for (var col = x; col < x + w; ++col)
                out[at + col] = colours[HEAPU8[from + col]];
        }
    }
    else
    {
        var words = surface.buffer >> 2;
        for (var row = y; row < y + h; ++row)
        {
            var at = row * width;
            for (var col = x; col < x + w; ++col)
                out[at + col] = HEAPU32[words + at + col] | 0xff000000;
        }
    }
    surface.ctx.putImageData(image, 0, 0, x, y, w, h);
});

EM_JS(void, kwo_js_free_surface, (SDL_Surface * surf), {
    if (SDL.surfaces[surf])
        SDL.freeSurface(surf);
});

// The page's icon, from w x h pixels of four bytes (red, green, blue, alpha).
EM_JS(void, kwo_js_set_icon, (const Uint8* rgba, int w, int h), {
    var canvas = document.createElement("canvas");
    canvas.width = w;
    canvas.height = h;
    var context = canvas.getContext("2d");
    var image = context.createImageData(w, h);
    image.data.set(HEAPU8.subarray(rgba, rgba + w * h * 4));
    context.putImageData(image, 0, 0);
    var link = document.querySelector("link[rel~=icon]");
    if (!link)
    {
        link = document.createElement("link");
        link.rel = "icon";
        document.head.appendChild(link);
    }
    link.href = canvas.toDataURL("image/png");
});

EM_JS(void, kwo_js_show_cursor, (int show), {
    if (Module['canvas'])
        Module["canvas"].style.cursor = show ? "" : "none";
});

EM_JS(int, kwo_js_audio_status, (), {
    if (!SDL.audio)
        return 0;
    return SDL.audio.paused ? 2 : 1;
});

// ---- surfaces ----------------------------------------------------------------------

// A surface over a program's pixels (SDL_CreateRGBSurfaceFrom). Emscripten
// makes such surfaces as canvases without their pixels (below 32 bits);
// these stay in memory, with their palette and colour key, for the calls
// below (colours, keys, the window icon), and are kept in a list to be told
// from Emscripten's.
struct OwnSurface
{
    SDL_Surface surface;
    SDL_PixelFormat format;
    SDL_Palette palette;
    SDL_Color colours[kPaletteSize];
    bool keyed;
    Uint32 key;
    OwnSurface* next;
};
OwnSurface* g_own = nullptr;

OwnSurface* Own(SDL_Surface* s)
{
    for (OwnSurface* o = g_own; o != nullptr; o = o->next)
        if (&o->surface == s)
            return o;
    return nullptr;
}

int MaskShift(Uint32 mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0)
    {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The screen's palette: Emscripten gives its surfaces none.
SDL_Palette* g_palette = nullptr;
SDL_Color* g_colours = nullptr;
int g_cursorShown = SDL_ENABLE;

// The video flags of SDL 1.2 (the library's values) as this SDL's; its own
// values (a screen's flags given back, as on a resize) stay as they are.
Uint32 VideoFlags(Uint32 flags)
{
    struct Pair
    {
        Uint32 classic, here;
    };
    static const Pair pairs[] = {{0x00000001u, SDL_HWSURFACE}, {0x00000002u, SDL_OPENGL},
                                 {0x00000010u, SDL_RESIZABLE}, {0x20000000u, SDL_HWPALETTE},
                                 {0x40000000u, SDL_DOUBLEBUF}, {0x80000000u, SDL_FULLSCREEN}};
    Uint32 out = flags;
    for (const Pair& p : pairs)
        out &= ~p.classic;
    for (const Pair& p : pairs)
        if (flags & p.classic)
            out |= p.here;
    return out;
}

bool Intersect(const SDL_Rect& a, const SDL_Rect& b, SDL_Rect& out)
{
    const int left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const int right = std::min(a.x + a.w, b.x + b.w), bottom = std::min(a.y + a.h, b.y + b.h);
    out.x = left;
    out.y = top;
    out.w = right > left ? right - left : 0;
    out.h = bottom > top ? bottom - top : 0;
    return out.w > 0 && out.h > 0;
}

void Present(SDL_Surface* s, int x, int y, int w, int h)
{
    SDL_Rect shown;
    if (Intersect(SDL_Rect{x, y, w, h}, SDL_Rect{0, 0, s->w, s->h}, shown))
        kwo_js_present(s, shown.x, shown.y, shown.w, shown.h);
}
} // namespace

extern "C"
{
    SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
    {
        flags = VideoFlags(flags);
        // 8-bit screens are the palettised surfaces of Emscripten's SDL.
        if (bpp == 8)
            flags |= kPalettised;
        if (width <= 0 || height <= 0)
        {
            SDL_SetError("no size for the screen");
            return nullptr;
        }
        std::free(g_colours);
        std::free(g_palette);
        g_colours = nullptr;
        g_palette = nullptr;
        SDL_Surface* s = kwo_js_make_screen(width, height, flags);
        if (s == nullptr)
        {
            SDL_SetError("out of memory");
            return nullptr;
        }
        s->pixels = kwo_js_pixels(s);
        if (flags & kPalettised)
        {
            g_palette = static_cast<SDL_Palette*>(std::calloc(1, sizeof(SDL_Palette)));
            g_colours = static_cast<SDL_Color*>(std::calloc(kPaletteSize, sizeof(SDL_Color)));
            if (g_palette == nullptr || g_colours == nullptr)
            {
                SDL_SetError("out of memory");
                return nullptr;
            }
            g_palette->ncolors = kPaletteSize;
            g_palette->colors = g_colours;
            g_palette->refcount = 1;
            s->format->palette = g_palette;
            kwo_js_set_colours(s, g_colours, 0, kPaletteSize);
        }
        s->clip_rect = SDL_Rect{0, 0, width, height};
        Present(s, 0, 0, width, height);
        return s;
    }

    SDL_Surface* SDL_CreateRGBSurfaceFrom(void* pixels, int width, int height, int depth, int pitch,
                                          Uint32 rmask, Uint32 gmask, Uint32 bmask, Uint32 amask)
    {
        if (pixels == nullptr || width <= 0 || height <= 0 || pitch <= 0 ||
            (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32))
        {
            SDL_SetError("unsupported surface");
            return nullptr;
        }
        OwnSurface* o = static_cast<OwnSurface*>(std::calloc(1, sizeof(OwnSurface)));
        if (o == nullptr)
        {
            SDL_SetError("out of memory");
            return nullptr;
        }
        o->format.BitsPerPixel = static_cast<Uint8>(depth);
        o->format.BytesPerPixel = static_cast<Uint8>((depth + 7) / 8);
        o->format.Rmask = rmask;
        o->format.Gmask = gmask;
        o->format.Bmask = bmask;
        o->format.Amask = amask;
        o->format.refcount = 1;
        if (depth == 8)
        {
            o->palette.ncolors = kPaletteSize;
            o->palette.colors = o->colours;
            o->palette.refcount = 1;
            o->format.palette = &o->palette;
        }
        o->surface.flags = 0;
        o->surface.format = &o->format;
        o->surface.w = width;
        o->surface.h = height;
        o->surface.pitch = pitch;
        o->surface.pixels = pixels;
        o->surface.clip_rect = SDL_Rect{0, 0, width, height};
        o->surface.refcount = 1;
        o->next = g_own;
        g_own = o;
        return &o->surface;
    }

    void SDL_FreeSurface(SDL_Surface* s)
    {
        if (s == nullptr)
            return;
        for (OwnSurface** at = &g_own; *at != nullptr; at = &(*at)->next)
        {
            if (&(*at)->surface == s)
            {
                OwnSurface* o = *at;
                *at = o->next;
                std::free(o);
                return;
            }
        }
        kwo_js_free_surface(s);
    }

    // Only the icon reads a key here (Emscripten's own blitter, which ignores
    // keys, is not used).
    int SDL_SetColorKey(SDL_Surface* s, int flag, Uint32 key)
    {
        if (OwnSurface* o = Own(s))
        {
            o->keyed = (flag & SDL_SRCCOLORKEY) != 0;
            o->key = key;
        }
        return s != nullptr ? 0 : -1;
    }

    // The page's icon: a picture of 8 bits (its palette and key) or of 24 or
    // 32 bits (its masks).
    void SDL_WM_SetIcon(SDL_Surface* icon, Uint8*)
    {
        const OwnSurface* o = Own(icon);
        if (o == nullptr || icon->w > 256 || icon->h > 256)
            return;
        const SDL_PixelFormat& f = o->format;
        if (f.BitsPerPixel != 8 && f.BitsPerPixel < 24)
            return;
        const int rshift = MaskShift(f.Rmask), gshift = MaskShift(f.Gmask),
                  bshift = MaskShift(f.Bmask);
        std::vector<Uint8> rgba(size_t(icon->w) * icon->h * 4);
        Uint8* to = rgba.data();
        for (int y = 0; y < icon->h; ++y)
            for (int x = 0; x < icon->w; ++x, to += 4)
            {
                const Uint8* p = static_cast<const Uint8*>(icon->pixels) + size_t(y) * icon->pitch +
                                 size_t(x) * f.BytesPerPixel;
                Uint32 v = 0;
                std::memcpy(&v, p, f.BytesPerPixel);
                if (f.BitsPerPixel == 8)
                {
                    to[0] = o->colours[v & 0xFF].r;
                    to[1] = o->colours[v & 0xFF].g;
                    to[2] = o->colours[v & 0xFF].b;
                }
                else
                {
                    to[0] = Uint8((v & f.Rmask) >> rshift);
                    to[1] = Uint8((v & f.Gmask) >> gshift);
                    to[2] = Uint8((v & f.Bmask) >> bshift);
                }
                to[3] = o->keyed && v == o->key ? 0 : 255;
            }
        kwo_js_set_icon(rgba.data(), icon->w, icon->h);
    }

    // Screenshots are not written in the browser.
    int SDL_SaveBMP_RW(SDL_Surface*, SDL_RWops*, int)
    {
        SDL_SetError("SDL_SaveBMP_RW is not available in the browser");
        return -1;
    }

    int SDL_LockSurface(SDL_Surface* s)
    {
        if (s == nullptr)
            return -1;
        if (Own(s) != nullptr)
            return 0;
        s->pixels = kwo_js_pixels(s);
        return s->pixels != nullptr ? 0 : -1;
    }

    // Drawing shows at the next update, as on SDL 1.2's software screens.
    void SDL_UnlockSurface(SDL_Surface*) {}

    void SDL_UpdateRects(SDL_Surface* s, int count, SDL_Rect* rects)
    {
        if (s == nullptr || rects == nullptr)
            return;
        for (int i = 0; i < count; ++i)
            Present(s, rects[i].x, rects[i].y, rects[i].w, rects[i].h);
    }

    void SDL_UpdateRect(SDL_Surface* s, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
    {
        if (s == nullptr)
            return;
        // All zeros: the whole surface.
        if (x == 0 && y == 0 && w == 0 && h == 0)
            Present(s, 0, 0, s->w, s->h);
        else
            Present(s, x, y, int(std::min<Uint32>(w, 0x7FFF)), int(std::min<Uint32>(h, 0x7FFF)));
    }

    int SDL_Flip(SDL_Surface* s)
    {
        if (s == nullptr)
            return -1;
        Present(s, 0, 0, s->w, s->h);
        return 0;
    }

    // The logical palette is what the surface's pixels mean (and what
    // format->palette holds); the physical one is what the canvas shows.
    int SDL_SetPalette(SDL_Surface* s, int which, const SDL_Color* colours, int first, int count)
    {
        if (s == nullptr || colours == nullptr || s->format->palette == nullptr || first < 0 ||
            first >= s->format->palette->ncolors)
            return 0;
        const int n = std::min(count, s->format->palette->ncolors - first);
        if (n <= 0)
            return 0;
        if (which & SDL_LOGPAL)
            std::memmove(s->format->palette->colors + first, colours,
                         sizeof(SDL_Color) * size_t(n));
        if (which & SDL_PHYSPAL)
        {
            kwo_js_set_colours(s, colours, first, n);
            Present(s, 0, 0, s->w, s->h);
        }
        return n == count ? 1 : 0;
    }

    int SDL_SetColors(SDL_Surface* s, const SDL_Color* colours, int first, int count)
    {
        return SDL_SetPalette(s, SDL_LOGPAL | SDL_PHYSPAL, colours, first, count);
    }

    SDL_bool SDL_SetClipRect(SDL_Surface* s, const SDL_Rect* rect)
    {
        if (s == nullptr)
            return SDL_FALSE;
        const SDL_Rect full{0, 0, s->w, s->h};
        if (rect == nullptr)
        {
            s->clip_rect = full;
            return SDL_TRUE;
        }
        return Intersect(*rect, full, s->clip_rect) ? SDL_TRUE : SDL_FALSE;
    }

    void SDL_GetClipRect(SDL_Surface* s, SDL_Rect* rect)
    {
        if (s != nullptr && rect != nullptr)
            *rect = s->clip_rect;
    }

    int SDL_FillRect(SDL_Surface* s, const SDL_Rect* rect, Uint32 colour)
    {
        if (s == nullptr || SDL_LockSurface(s) != 0)
            return -1;
        SDL_Rect area = s->clip_rect;
        if (rect != nullptr)
            Intersect(*rect, s->clip_rect, area);
        const int bytes = s->format->BytesPerPixel;
        if (bytes < 1 || bytes > 4)
            return -1;
        for (int y = area.y; y < area.y + area.h; ++y)
        {
            Uint8* row =
                static_cast<Uint8*>(s->pixels) + size_t(y) * s->pitch + size_t(area.x) * bytes;
            if (bytes == 1)
                std::memset(row, int(colour & 0xFF), size_t(area.w));
            else
                for (int x = 0; x < area.w; ++x) // the pixel's low bytes (little-endian)
                    std::memcpy(row + size_t(x) * bytes, &colour, size_t(bytes));
        }
        return 0;
    }

    // Pictures in the screen's own format are not made in the browser.
    SDL_Surface* SDL_DisplayFormat(SDL_Surface*)
    {
        SDL_SetError("SDL_DisplayFormat is not available in the browser");
        return nullptr;
    }

    // The page shows the browser's own arrow; a program's cursor is kept
    // as a token only.
    SDL_Cursor* SDL_CreateCursor(const Uint8*, const Uint8*, int, int, int, int)
    {
        return static_cast<SDL_Cursor*>(std::calloc(1, 16));
    }
    void SDL_SetCursor(SDL_Cursor*) {}
    void SDL_FreeCursor(SDL_Cursor* cursor)
    {
        std::free(cursor);
    }

    int SDL_ShowCursor(int toggle)
    {
        const int was = g_cursorShown;
        if (toggle == SDL_ENABLE || toggle == SDL_DISABLE)
        {
            g_cursorShown = toggle;
            kwo_js_show_cursor(toggle);
        }
        return was;
    }

    SDL_AudioStatus SDL_GetAudioStatus(void)
    {
        return static_cast<SDL_AudioStatus>(kwo_js_audio_status());
    }

    // The browser runs the program and its audio callback on one thread:
    // the callback only runs while the program sleeps, so a mutex needs to
    // count only. Emscripten's own returns no mutex at all.
    struct SDL_mutex
    {
        int depth;
    };

    SDL_mutex* SDL_CreateMutex(void)
    {
        return static_cast<SDL_mutex*>(std::calloc(1, sizeof(SDL_mutex)));
    }
    void SDL_DestroyMutex(SDL_mutex* mutex)
    {
        std::free(mutex);
    }
    int SDL_mutexP(SDL_mutex* mutex)
    {
        if (mutex == nullptr)
            return -1;
        ++mutex->depth;
        return 0;
    }
    int SDL_mutexV(SDL_mutex* mutex)
    {
        if (mutex == nullptr || mutex->depth == 0)
            return -1;
        --mutex->depth;
        return 0;
    }
}

// ---- events --------------------------------------------------------------------------

namespace KWO
{
namespace Web
{
namespace
{
// SDL 1.2's numbers: KWOEvent's types, and those it has no name for.
const uint8_t kActive = 1, kSysWM = 13, kResize = 16;
const uint8_t kAppInputFocus = 2, kAppActive = 4;

// The queue, as long as SDL 1.2's.
const int kQueueSize = 128;
ClassicEvent g_queue[kQueueSize];
int g_head = 0, g_count = 0;
uint8_t g_state[NumEvents];
bool g_stateSet = false;

void InitStates()
{
    if (g_stateSet)
        return;
    for (unsigned t = 0; t < NumEvents; ++t)
        g_state[t] = SDL_ENABLE;
    g_state[kSysWM] = SDL_IGNORE; // window-manager events, off by default
    g_stateSet = true;
}

// SDL 1.2's symbol of a key that Emscripten numbers by its scan code (plus
// 1024); the keys of a character keep their code.
uint32_t ClassicSym(int32_t sym)
{
    if (sym >= 0 && sym < 128)
        return uint32_t(sym);
    if (sym == 316)
        return 316; // print screen
    if (sym < 1024)
        return 0;
    const int scan = sym - 1024;
    if (scan >= 58 && scan <= 69)
        return uint32_t(282 + scan - 58); // F1 to F12
    if (scan >= 104 && scan <= 106)
        return uint32_t(294 + scan - 104); // F13 to F15
    if (scan >= 89 && scan <= 97)
        return uint32_t(257 + scan - 89); // keypad 1 to 9
    switch (scan)
    {
        case 82:
            return 273; // up
        case 81:
            return 274; // down
        case 79:
            return 275; // right
        case 80:
            return 276; // left
        case 73:
            return 277; // insert
        case 74:
            return 278; // home
        case 77:
            return 279; // end
        case 75:
            return 280; // page up
        case 78:
            return 281; // page down
        case 98:
            return 256; // keypad 0
        case 99:
            return 266; // keypad period
        case 84:
            return 267; // keypad divide
        case 85:
            return 268; // keypad multiply
        case 86:
            return 269; // keypad minus
        case 87:
            return 270; // keypad plus
        case 88:
            return 271; // keypad enter
        case 103:
            return 272; // keypad equals
        case 83:
            return 300; // num lock
        case 57:
            return 301; // caps lock
        case 71:
            return 302; // scroll lock
        case 229:
            return 303; // right shift
        case 225:
            return 304; // left shift
        case 228:
            return 305; // right control
        case 224:
            return 306; // left control
        case 230:
            return 307; // right alt
        case 226:
            return 308; // left alt
        case 231:
            return 312; // right super
        case 227:
            return 311; // left super
        case 101:
            return 319; // menu
        default:
            return 0;
    }
}

uint16_t Coordinate(int v)
{
    return static_cast<uint16_t>(std::min(std::max(v, 0), 0xFFFF));
}

// The browser's event as SDL 1.2's; false for those SDL 1.2 has no record of
// (touches, the wheel's own event, text input).
bool Translate(const SDL_Event& in, ClassicEvent& out)
{
    std::memset(&out, 0, sizeof out);
    switch (in.type)
    {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
        {
            const bool down = in.type == SDL_KEYDOWN;
            out.key.type = down ? KWOEvent::TypeKeyDown : KWOEvent::TypeKeyUp;
            out.key.state = down ? SDL_PRESSED : SDL_RELEASED;
            out.key.keysym.scancode = static_cast<uint8_t>(in.key.keysym.scancode);
            out.key.keysym.sym = ClassicSym(in.key.keysym.sym);
            out.key.keysym.mod = in.key.keysym.mod;
            // Emscripten gives the character, or else the key's own code;
            // keys without a character have none in SDL 1.2, nor releases.
            uint32_t unicode = in.key.keysym.unicode;
            if (!down || unicode > 0xFFFF ||
                (unicode >= 1024 && unicode == uint32_t(in.key.keysym.sym)))
                unicode = 0;
            out.key.keysym.unicode = static_cast<uint16_t>(unicode);
            return true;
        }
        case SDL_MOUSEMOTION:
            out.motion.type = KWOEvent::TypeMouseMotion;
            out.motion.state = static_cast<uint8_t>(in.motion.state);
            out.motion.x = Coordinate(in.motion.x);
            out.motion.y = Coordinate(in.motion.y);
            out.motion.xrel = static_cast<int16_t>(in.motion.xrel);
            out.motion.yrel = static_cast<int16_t>(in.motion.yrel);
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out.button.type =
                in.type == SDL_MOUSEBUTTONDOWN ? KWOEvent::TypeButtonDown : KWOEvent::TypeButtonUp;
            out.button.button = in.button.button;
            out.button.state = in.button.state;
            out.button.x = Coordinate(in.button.x);
            out.button.y = Coordinate(in.button.y);
            return true;
        case SDL_QUIT:
            out.type = KWOEvent::TypeQuit;
            return true;
        case SDL_WINDOWEVENT:
            out.active.type = kActive;
            switch (in.window.event)
            {
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    out.active.gain = in.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
                    out.active.state = kAppInputFocus;
                    return true;
                case SDL_WINDOWEVENT_SHOWN:
                case SDL_WINDOWEVENT_HIDDEN:
                    out.active.gain = in.window.event == SDL_WINDOWEVENT_SHOWN;
                    out.active.state = kAppActive;
                    return true;
                default:
                    return false;
            }
        case SDL_VIDEORESIZE:
            out.resize.type = kResize;
            out.resize.w = in.resize.w;
            out.resize.h = in.resize.h;
            return true;
        default:
            return false;
    }
}

void Drop(int index)
{
    if (index == 0)
    {
        // The front event: the ring just moves on.
        g_head = (g_head + 1) % kQueueSize;
        --g_count;
        return;
    }
    for (int i = index; i + 1 < g_count; ++i)
        g_queue[(g_head + i) % kQueueSize] = g_queue[(g_head + i + 1) % kQueueSize];
    --g_count;
}
// A program that polls in a loop of its own, never sleeping, would keep the
// page from drawing and from delivering any event: polling gives the page
// its turn every few milliseconds.
void GiveTurn()
{
    static double last = 0;
    if (emscripten_get_now() - last >= 12)
    {
        emscripten_sleep(0);
        last = emscripten_get_now();
    }
}
} // namespace

void PumpEvents()
{
    InitStates();
    GiveTurn();
    SDL_Event raw;
    while (SDL_PollEvent(&raw) > 0)
    {
        ClassicEvent event;
        if (!Translate(raw, event) || g_state[event.type] != SDL_ENABLE)
            continue;
        // A full queue drops what comes, as SDL 1.2's does.
        if (g_count < kQueueSize)
            g_queue[(g_head + g_count++) % kQueueSize] = event;
    }
}

int PeepEvents(ClassicEvent* events, int count, EventAction action, uint32_t mask)
{
    int found = 0;
    for (int i = 0; i < g_count && found < count;)
    {
        const ClassicEvent& event = g_queue[(g_head + i) % kQueueSize];
        if (event.type >= 32 || (mask & (uint32_t(1) << event.type)) == 0)
        {
            ++i;
            continue;
        }
        if (events != nullptr)
            events[found] = event;
        ++found;
        if (action == GetEvent)
            Drop(i);
        else
            ++i;
    }
    return found;
}

int PollEvent(ClassicEvent* event)
{
    PumpEvents();
    return PeepEvents(event, 1, GetEvent, AllEventsMask);
}

int WaitEvent(ClassicEvent* event)
{
    // Gives the page its turn between two looks, as SDL 1.2 sleeps.
    for (;;)
    {
        if (PollEvent(event) > 0)
            return 1;
        emscripten_sleep(10);
    }
}

uint8_t EventState(uint8_t type, int state)
{
    InitStates();
    if (type != AllEvents && type >= NumEvents)
        return SDL_IGNORE;
    if (state != SDL_IGNORE && state != SDL_ENABLE)
        return type == AllEvents ? uint8_t(SDL_QUERY) : g_state[type];
    const uint8_t old = type == AllEvents ? uint8_t(SDL_QUERY) : g_state[type];
    for (unsigned t = 0; t < NumEvents; ++t)
        if (type == AllEvents || t == type)
            g_state[t] = static_cast<uint8_t>(state);
    // SDL 1.2 drops the waiting events when a state changes.
    PumpEvents();
    g_head = 0;
    g_count = 0;
    return old;
}
} // namespace Web
} // namespace KWO

#endif
