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
} // namespace

KWOSDLMgr::KWOSDLMgr(unsigned flags)
{
    if (m_sdlstate == 0)
    {
        KWO::OS::StartQuitSignals(QueueQuit);
        if (SDL_Init(flags | INIT_VIDEO) == 0)
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
            std::snprintf(error, sizeof error, "%s", SDL_GetError());
            const bool others = (flags & ~INIT_VIDEO) != 0;
            if (!others || SDL_Init(INIT_VIDEO) != 0)
            {
                KWO::ERR("Can't initialize SDL (%s)\n", SDL_GetError());
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
        if (SDL_InitSubSystem(flags & ~m_sdlstate) == 0)
            m_sdlstate |= flags;
        else
            KWO::ERR("Can't initialize SDL subsystem (%s)\n", SDL_GetError());
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
