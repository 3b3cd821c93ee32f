#include "sdl_spy.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <thread>

namespace
{
SdlSpy::Calls g_calls;

// The simulated clock belongs to the test's thread: SDL's own threads (its
// timer thread sleeps 1 ms at a time, the audio thread too) keep the real one.
std::atomic<bool> g_fakeClock{false};
std::thread::id g_clockThread;
Uint32 g_now = 0;
Uint32 g_step = 0;
Uint32 g_last = 0;
unsigned long g_reads = 0;

Uint32 g_failing = 0;
bool g_failureReported = true;
bool g_insideInit = false;

Uint32 g_keepFlags = 0;
int g_dirtyByte = -1;

bool g_fakeModes = false;
std::map<int, std::vector<SDL_Rect>> g_modeLists;
std::vector<int> g_anyModes;
std::vector<SDL_Rect*> g_modePointers;

// SDL_SetColors reaches SDL_SetPalette inside SDL: such calls are not the
// library's own.
int g_insideSetColors = 0;

// SDL_Quit may close the audio device through SDL_CloseAudio (SDL 1.2's
// compatibility layer over SDL2 does): such calls are not the library's own.
int g_insideQuit = 0;

unsigned g_failOpenFrom = 0;
Uint16 g_obtainFormat = 0;

std::function<void()> g_idleHandler;
bool g_idle = false;

bool g_fakeMouse = false;
Uint8 g_buttons = 0;
int g_mouseX = 0;
int g_mouseY = 0;

// SDL's own definition of `name`, found past the test program's.
template <typename Fn> Fn Real(const char* name)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == nullptr)
    {
        std::fprintf(stderr, "sdl_spy: no SDL function %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Fn>(symbol);
}
} // namespace

namespace SdlSpy
{
void Reset()
{
    g_calls = Calls();
    g_fakeClock = false;
    g_idleHandler = nullptr;
    g_idle = false;
    g_fakeMouse = false;
    g_failing = 0;
    g_failureReported = true;
    g_keepFlags = 0;
    g_dirtyByte = -1;
    g_fakeModes = false;
    g_modeLists.clear();
    g_anyModes.clear();
    g_failOpenFrom = 0;
    g_obtainFormat = 0;
}

Calls& Recorded()
{
    return g_calls;
}

void SimulateClock(Uint32 start, Uint32 step)
{
    g_clockThread = std::this_thread::get_id();
    g_fakeClock = true;
    g_now = start;
    g_step = step;
    g_last = start;
    g_reads = 0;
}

void AdvanceClock(Uint32 ms)
{
    g_now += ms;
}

void OnIdle(std::function<void()> handler)
{
    g_idleHandler = std::move(handler);
    g_idle = false;
}

Uint32 LastTicks()
{
    return g_last;
}

void FailSubsystems(Uint32 bits, bool reported)
{
    g_failing = bits;
    g_failureReported = reported;
}

void SimulateMouse(Uint8 buttons, int x, int y)
{
    g_fakeMouse = true;
    g_buttons = buttons;
    g_mouseX = x;
    g_mouseY = y;
}

void FailOpenAudio(unsigned from)
{
    g_failOpenFrom = from;
}

void ObtainFormatOnce(Uint16 format)
{
    g_obtainFormat = format;
}

void KeepModeFlags(Uint32 bits)
{
    g_keepFlags = bits;
}

void DirtyNewModes(int byte)
{
    g_dirtyByte = byte;
}

void SimulateModes(const std::map<int, std::vector<SDL_Rect>>& lists, const std::vector<int>& any)
{
    g_fakeModes = true;
    g_modeLists = lists;
    g_anyModes = any;
}
} // namespace SdlSpy

extern "C"
{
    int SDL_Init(Uint32 flags)
    {
        static auto real = Real<int (*)(Uint32)>("SDL_Init");
        g_calls.init.push_back(flags);
        // SDL_Init starts its subsystems through SDL_InitSubSystem.
        g_insideInit = true;
        int result = real(flags & ~g_failing);
        g_insideInit = false;
        if ((flags & g_failing) != 0 && g_failureReported)
        {
            SDL_SetError("simulated failure");
            return -1;
        }
        return result;
    }

    int SDL_InitSubSystem(Uint32 flags)
    {
        static auto real = Real<int (*)(Uint32)>("SDL_InitSubSystem");
        if (!g_insideInit)
            g_calls.initSubSystem.push_back(flags);
        int result = real(flags & ~g_failing);
        if ((flags & g_failing) != 0 && g_failureReported)
        {
            SDL_SetError("simulated failure");
            return -1;
        }
        return result;
    }

    void SDL_Quit(void)
    {
        static auto real = Real<void (*)(void)>("SDL_Quit");
        ++g_calls.quit;
        ++g_insideQuit;
        real();
        --g_insideQuit;
    }

    Uint32 SDL_GetTicks(void)
    {
        static auto real = Real<Uint32 (*)(void)>("SDL_GetTicks");
        if (!g_fakeClock || std::this_thread::get_id() != g_clockThread)
            return real();
        // A wait that never ends would spin here for ever: stop the test.
        if (++g_reads > 10000000ul)
        {
            std::fprintf(stderr, "sdl_spy: the clock was read too often\n");
            std::abort();
        }
        g_last = g_now;
        g_now += g_step;
        return g_last;
    }

    void SDL_Delay(Uint32 ms)
    {
        static auto real = Real<void (*)(Uint32)>("SDL_Delay");
        if (!g_fakeClock || std::this_thread::get_id() != g_clockThread)
            real(ms);
        else
        {
            g_calls.delays.push_back(ms);
            g_now += ms;
        }
        if (std::this_thread::get_id() == g_clockThread && g_idle && g_idleHandler)
        {
            g_idle = false;
            const std::function<void()> handler = g_idleHandler; // it may replace itself
            handler();
        }
    }

    int SDL_PollEvent(SDL_Event* event)
    {
        static auto real = Real<int (*)(SDL_Event*)>("SDL_PollEvent");
        const int result = real(event);
        if (event != nullptr)
            g_idle = result == 0;
        return result;
    }

    int SDL_WaitEvent(SDL_Event* event)
    {
        static auto real = Real<int (*)(SDL_Event*)>("SDL_WaitEvent");
        SDL_Event next;
        for (int calls = 0; g_idleHandler && calls < 1000 &&
                            SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) == 0;
             ++calls)
        {
            const std::function<void()> handler = g_idleHandler;
            handler();
        }
        g_idle = false;
        return real(event);
    }

    Uint8 SDL_GetMouseState(int* x, int* y)
    {
        static auto real = Real<Uint8 (*)(int*, int*)>("SDL_GetMouseState");
        if (!g_fakeMouse)
            return real(x, y);
        if (x != nullptr)
            *x = g_mouseX;
        if (y != nullptr)
            *y = g_mouseY;
        return g_buttons;
    }
}

namespace
{
SdlSpy::PaletteCall Palette(SDL_Surface* surface, int which, const SDL_Color* colours, int first,
                            int count)
{
    SdlSpy::PaletteCall call{surface, which, first, {}};
    if (colours != nullptr && count > 0)
        call.colours.assign(colours, colours + count);
    return call;
}
} // namespace

extern "C"
{
    SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
    {
        static auto real = Real<SDL_Surface* (*)(int, int, int, Uint32)>("SDL_SetVideoMode");
        g_calls.setVideoMode.push_back({width, height, bpp, flags});
        SDL_Surface* screen = real(width, height, bpp, flags);
        if (screen != nullptr)
            screen->flags |= flags & g_keepFlags;
        if (screen != nullptr && screen->pixels != nullptr && g_dirtyByte >= 0 &&
            SDL_LockSurface(screen) == 0)
        {
            std::memset(screen->pixels, g_dirtyByte, size_t(screen->h) * screen->pitch);
            SDL_UnlockSurface(screen);
        }
        return screen;
    }

    int SDL_SetPalette(SDL_Surface* surface, int which, SDL_Color* colours, int first, int count)
    {
        static auto real = Real<int (*)(SDL_Surface*, int, SDL_Color*, int, int)>("SDL_SetPalette");
        g_idle = false;
        if (g_insideSetColors == 0)
            g_calls.setPalette.push_back(Palette(surface, which, colours, first, count));
        return real(surface, which, colours, first, count);
    }

    int SDL_SetColors(SDL_Surface* surface, SDL_Color* colours, int first, int count)
    {
        static auto real = Real<int (*)(SDL_Surface*, SDL_Color*, int, int)>("SDL_SetColors");
        g_idle = false;
        g_calls.setColors.push_back(Palette(surface, 0, colours, first, count));
        ++g_insideSetColors;
        const int result = real(surface, colours, first, count);
        --g_insideSetColors;
        return result;
    }

    void SDL_UpdateRects(SDL_Surface* screen, int count, SDL_Rect* rects)
    {
        static auto real = Real<void (*)(SDL_Surface*, int, SDL_Rect*)>("SDL_UpdateRects");
        for (int i = 0; i < count; ++i)
            g_calls.updateRects.push_back(rects[i]);
        real(screen, count, rects);
    }

    void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
    {
        static auto real =
            Real<void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32)>("SDL_UpdateRect");
        g_calls.updateRect.push_back(SDL_Rect{Sint16(x), Sint16(y), Uint16(w), Uint16(h)});
        real(screen, x, y, w, h);
    }

    int SDL_Flip(SDL_Surface*)
    {
        // Counted only: the dummy driver has no page flipping to call.
        ++g_calls.flips;
        return 0;
    }

    void SDL_GL_SwapBuffers(void)
    {
        // No OpenGL context in the tests: counted only.
        ++g_calls.glSwaps;
    }

    SDL_Cursor* SDL_CreateCursor(Uint8* data, Uint8* mask, int w, int h, int hotX, int hotY)
    {
        static auto real =
            Real<SDL_Cursor* (*)(Uint8*, Uint8*, int, int, int, int)>("SDL_CreateCursor");
        const size_t bytes = size_t(w / 8) * size_t(h);
        g_calls.cursors.push_back(std::string(reinterpret_cast<char*>(data), bytes) +
                                  std::string(reinterpret_cast<char*>(mask), bytes));
        g_calls.cursorHotSpots.push_back(hotX);
        g_calls.cursorHotSpots.push_back(hotY);
        return real(data, mask, w, h, hotX, hotY);
    }

    void SDL_SetCursor(SDL_Cursor* cursor)
    {
        static auto real = Real<void (*)(SDL_Cursor*)>("SDL_SetCursor");
        g_calls.setCursor.push_back(cursor);
        real(cursor);
    }

    void SDL_FreeCursor(SDL_Cursor* cursor)
    {
        static auto real = Real<void (*)(SDL_Cursor*)>("SDL_FreeCursor");
        g_calls.freeCursor.push_back(cursor);
        real(cursor);
    }

    void SDL_WM_SetIcon(SDL_Surface* icon, Uint8* mask)
    {
        static auto real = Real<void (*)(SDL_Surface*, Uint8*)>("SDL_WM_SetIcon");
        SdlSpy::IconCall call{};
        if (icon != nullptr)
        {
            const SDL_PixelFormat* f = icon->format;
            call.width = icon->w;
            call.height = icon->h;
            call.bpp = f->BitsPerPixel;
            call.rmask = f->Rmask;
            call.gmask = f->Gmask;
            call.bmask = f->Bmask;
            call.keyed = (icon->flags & SDL_SRCCOLORKEY) != 0;
            call.key = f->colorkey;
            const size_t row = size_t(icon->w) * f->BytesPerPixel;
            for (int y = 0; y < icon->h; ++y)
            {
                const Uint8* p = static_cast<const Uint8*>(icon->pixels) + size_t(y) * icon->pitch;
                call.pixels.insert(call.pixels.end(), p, p + row);
            }
            if (f->palette != nullptr)
                call.colours.assign(f->palette->colors, f->palette->colors + f->palette->ncolors);
        }
        call.maskGiven = mask != nullptr;
        g_calls.icons.push_back(call);
        real(icon, mask);
    }

    SDL_Rect** SDL_ListModes(SDL_PixelFormat* format, Uint32 flags)
    {
        static auto real = Real<SDL_Rect** (*)(SDL_PixelFormat*, Uint32)>("SDL_ListModes");
        const int bpp = format != nullptr ? format->BitsPerPixel : 0;
        g_calls.listModesBpp.push_back(static_cast<Uint8>(bpp));
        g_calls.listModesFlags.push_back(flags);
        if (!g_fakeModes)
            return real(format, flags);
        if (std::find(g_anyModes.begin(), g_anyModes.end(), bpp) != g_anyModes.end())
            return reinterpret_cast<SDL_Rect**>(-1);
        auto it = g_modeLists.find(bpp);
        if (it == g_modeLists.end())
            return nullptr;
        g_modePointers.clear();
        for (SDL_Rect& r : it->second)
            g_modePointers.push_back(&r);
        g_modePointers.push_back(nullptr);
        return g_modePointers.data();
    }
}

extern "C"
{
    int SDL_OpenAudio(SDL_AudioSpec* desired, SDL_AudioSpec* obtained)
    {
        static auto real = Real<int (*)(SDL_AudioSpec*, SDL_AudioSpec*)>("SDL_OpenAudio");
        g_calls.openAudio.push_back(*desired);
        if (g_failOpenFrom != 0 && g_calls.openAudio.size() >= g_failOpenFrom)
        {
            SDL_SetError("simulated failure");
            return -1;
        }
        const int result = real(desired, obtained);
        if (result == 0 && obtained != nullptr && g_obtainFormat != 0)
        {
            obtained->format = g_obtainFormat;
            obtained->silence = (g_obtainFormat == AUDIO_U8) ? 0x80 : 0x00;
            g_obtainFormat = 0;
        }
        return result;
    }

    void SDL_PauseAudio(int pause_on)
    {
        static auto real = Real<void (*)(int)>("SDL_PauseAudio");
        g_calls.pauseAudio.push_back(pause_on);
        real(pause_on);
    }

    void SDL_CloseAudio(void)
    {
        static auto real = Real<void (*)(void)>("SDL_CloseAudio");
        if (g_insideQuit == 0)
            ++g_calls.closeAudio;
        real();
    }
}
