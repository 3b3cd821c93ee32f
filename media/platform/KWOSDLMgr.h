/// @class KWOSDLMgr
/// KWOSDLMgr: shared ownership of SDL, the base of every SDL-backed class.
///
/// Each object names the SDL subsystems it needs (SDL's SDL_INIT_* bits). The
/// first live object starts SDL, always with video (the event queue lives
/// there); later objects add the subsystems still missing. The objects of all
/// kinds are counted, and SDL is shut down when the last one is deleted, so
/// the screen, the mixer, input and timers may come and go in any order.
/// Objects must be created and deleted on one thread.
#ifndef KWOMEDIA_PLATFORM_KWOSDLMGR_H
#define KWOMEDIA_PLATFORM_KWOSDLMGR_H

#include "KWOExport.h"

class KWO_API KWOSDLMgr
{
public:
    /// SDL's subsystem bits, as the constructor takes them.
    static const unsigned INIT_TIMER = 0x01;
    static const unsigned INIT_AUDIO = 0x10;
    static const unsigned INIT_VIDEO = 0x20;

    /// Brings SDL up or adds the missing subsystems of `flags`. SDL video that
    /// cannot start ends the process with status 1; another subsystem that
    /// cannot start is logged, and the object is built all the same.
    explicit KWOSDLMgr(unsigned flags);
    /// Shuts SDL down when this is the last live object.
    virtual ~KWOSDLMgr();

    /// Each object stands for one count: copies would unbalance it.
    KWOSDLMgr(const KWOSDLMgr&) = delete;
    KWOSDLMgr& operator=(const KWOSDLMgr&) = delete;

    /// The subsystems asked for and brought up (0 while SDL is down).
    static unsigned GetSDLState() { return m_sdlstate; }
    /// The number of live objects of all kinds.
    static unsigned GetInstances() { return m_instances; }

    void PrintInfo() const;

protected:
    static unsigned m_sdlstate;
    static unsigned m_instances;
};

#endif
