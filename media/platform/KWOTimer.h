/// @class KWOTimer
/// KWOTimer: holds SDL's timer subsystem and waits accurately.
///
/// m_ticks is free for the owner: the class itself never reads it (a game may
/// keep an SDL_GetTicks value there).
#ifndef KWOMEDIA_PLATFORM_KWOTIMER_H
#define KWOMEDIA_PLATFORM_KWOTIMER_H

#include "../KWOExport.h"
#include "KWOSDLMgr.h"

class KWO_API KWOTimer : public KWOSDLMgr
{
public:
    /// The owner's value (see above).
    unsigned m_ticks;

    /// Starts SDL's timer subsystem; `ticks` goes into m_ticks.
    explicit KWOTimer(unsigned ticks);
    ~KWOTimer() override;

    /// Returns when at least `ms` milliseconds have passed since the call:
    /// sleeps whole tens of milliseconds when the wait is above 20 ms, then
    /// reads the clock without pause for the rest.
    void WaitAcc(unsigned ms);

    /// Milliseconds since SDL started (it wraps after 49.7 days: compare
    /// tick values by their difference).
    static unsigned Ticks();
    /// Sleeps at least `ms` milliseconds, giving the processor away; a
    /// program that waits for input sleeps a little between its looks.
    static void Delay(unsigned ms);

    /// Writes m_ticks to the log.
    void PrintInfo() const;
};

#endif
