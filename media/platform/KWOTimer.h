/// @class KWOTimer
/// KWOTimer: holds SDL's timer subsystem and waits accurately.
///
/// m_ticks is free for the owner: the class itself never reads it (a game may
/// keep an SDL_GetTicks value there).
#ifndef KWOMEDIA_PLATFORM_KWOTIMER_H
#define KWOMEDIA_PLATFORM_KWOTIMER_H

#include "KWOExport.h"
#include "platform/KWOSDLMgr.h"

class KWO_API KWOTimer : public KWOSDLMgr
{
public:
    unsigned m_ticks;

    explicit KWOTimer(unsigned ticks);
    ~KWOTimer() override;

    /// Returns when at least `ms` milliseconds have passed since the call:
    /// sleeps whole tens of milliseconds when the wait is above 20 ms, then
    /// reads the clock without pause for the rest.
    void WaitAcc(unsigned ms);

    void PrintInfo() const;
};

#endif
