#include "platform/KWOSDLMgr.h"

#include "core/KWOLog.h"
#include "platform/quit_signals.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>

static_assert(KWOSDLMgr::INIT_TIMER == SDL_INIT_TIMER, "SDL timer bit");
static_assert(KWOSDLMgr::INIT_AUDIO == SDL_INIT_AUDIO, "SDL audio bit");
static_assert(KWOSDLMgr::INIT_VIDEO == SDL_INIT_VIDEO, "SDL video bit");

unsigned KWOSDLMgr::m_sdlstate = 0;
unsigned KWOSDLMgr::m_instances = 0;

namespace
{
// Queues the quit request for an interrupt or termination signal, from the
// watcher thread (never from the signal handler itself).
void QueueQuit()
{
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

// Starts SDL (first) or adds subsystems to it: null when they run, else why
// not. A start counts only when SDL then says the subsystems run: SDL 1.2's
// compatibility layer over SDL2 reports success, with no message of use, for
// a subsystem that failed before.
const char kNotRunning[] = "not running";
const char* Start(Uint32 flags, bool first)
{
    if ((first ? SDL_Init(flags) : SDL_InitSubSystem(flags)) != 0)
        return SDL_GetError();
#ifndef __EMSCRIPTEN__ // the browser's SDL_WasInit answers 1 whatever runs
    const Uint32 wanted = flags & SDL_INIT_EVERYTHING;
    if ((SDL_WasInit(wanted) & wanted) != wanted)
        return kNotRunning;
#endif
    return nullptr;
}
} // namespace

KWOSDLMgr::KWOSDLMgr(unsigned flags)
{
    if (m_sdlstate == 0)
    {
        KWO::OS::StartQuitSignals(QueueQuit);
        const char* failed = Start(flags | INIT_VIDEO, true);
        if (failed == nullptr)
        {
            m_sdlstate |= flags;
        }
        else
        {
            // SDL_Init fails as a whole when any one subsystem fails. Without
            // video there is no SDL for us; without the others (an audio
            // device in use, say) the program can go on, as it does when the
            // same subsystem fails to join a running SDL.
            char error[256];
            std::snprintf(error, sizeof error, "%s", failed);
            const bool others = (flags & ~INIT_VIDEO) != 0;
            const char* videoFailed = others ? Start(INIT_VIDEO, true) : error;
            if (videoFailed != nullptr)
            {
                // SDL's first message, unless the second one says more.
                KWO::ERR("Can't initialize SDL (%s)\n",
                         videoFailed == kNotRunning ? error : videoFailed);
                KWO::OS::StopQuitSignals();
                SDL_Quit();
                std::exit(1);
            }
            KWO::ERR("Can't initialize SDL subsystem (%s)\n", error);
            // Video stands for the running SDL, with what else came up.
            m_sdlstate = INIT_VIDEO | (flags & SDL_WasInit(flags));
        }
        // Key events carry their Unicode character from now on.
        SDL_EnableUNICODE(1);
    }
    else if ((flags & ~m_sdlstate) != 0)
    {
        const char* failed = Start(flags & ~m_sdlstate, false);
        if (failed == nullptr)
            m_sdlstate |= flags;
        else
            KWO::ERR("Can't initialize SDL subsystem (%s)\n", failed);
    }
    ++m_instances;
}

KWOSDLMgr::~KWOSDLMgr()
{
    if (m_instances == 0)
    {
        KWO::LOGL(1, "Error :\n%s\n", "SDLMgr: instance == 0");
        std::exit(1);
    }
    if (--m_instances == 0)
    {
        KWO::OS::StopQuitSignals();
        SDL_Quit();
        m_sdlstate = 0;
    }
}

void KWOSDLMgr::PrintInfo() const
{
    KWO::LOG("SDLMgr: state 0x%02X, %u instances\n", m_sdlstate, m_instances);
}
