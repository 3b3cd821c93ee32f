#include "platform/KWOTimer.h"

#include "core/KWOLog.h"

#include <SDL.h>

KWOTimer::KWOTimer(unsigned ticks) : KWOSDLMgr(INIT_TIMER), m_ticks(ticks) {}

KWOTimer::~KWOTimer() = default;

void KWOTimer::WaitAcc(unsigned ms)
{
    // Elapsed time is measured as a difference, which stays right when the
    // millisecond counter wraps (after 49.7 days).
    const Uint32 start = SDL_GetTicks();
#ifdef __EMSCRIPTEN__
    // In the browser the page must have its turn: no waiting on the clock
    // (its timers keep to a few milliseconds anyway).
    while (SDL_GetTicks() - start < ms)
        SDL_Delay(ms - (SDL_GetTicks() - start));
#else
    if (ms > 20)
        SDL_Delay(10 * (ms / 10));
    while (SDL_GetTicks() - start < ms)
    {
    }
#endif
}

unsigned KWOTimer::Ticks()
{
    return SDL_GetTicks();
}

void KWOTimer::Delay(unsigned ms)
{
    SDL_Delay(ms);
}

void KWOTimer::PrintInfo() const
{
    KWO::LOG("Timer: ticks %u\n", m_ticks);
}
