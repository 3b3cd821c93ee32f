#include "sdl_spy.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace
{
SdlSpy::Calls g_calls;

bool g_fakeClock = false;
Uint32 g_now = 0;
Uint32 g_step = 0;
Uint32 g_last = 0;
unsigned long g_reads = 0;

Uint32 g_failing = 0;
bool g_insideInit = false;

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
    g_fakeMouse = false;
    g_failing = 0;
}

Calls& Recorded()
{
    return g_calls;
}

void SimulateClock(Uint32 start, Uint32 step)
{
    g_fakeClock = true;
    g_now = start;
    g_step = step;
    g_last = start;
    g_reads = 0;
}

Uint32 LastTicks()
{
    return g_last;
}

void FailSubsystems(Uint32 bits)
{
    g_failing = bits;
}

void SimulateMouse(Uint8 buttons, int x, int y)
{
    g_fakeMouse = true;
    g_buttons = buttons;
    g_mouseX = x;
    g_mouseY = y;
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
        if ((flags & g_failing) != 0)
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
        if ((flags & g_failing) != 0)
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
        real();
    }

    Uint32 SDL_GetTicks(void)
    {
        static auto real = Real<Uint32 (*)(void)>("SDL_GetTicks");
        if (!g_fakeClock)
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
        if (!g_fakeClock)
        {
            real(ms);
            return;
        }
        g_calls.delays.push_back(ms);
        g_now += ms;
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
