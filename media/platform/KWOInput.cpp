#include "platform/KWOInput.h"

#include "core/KWOLog.h"

#include <SDL.h>
#include <cstring>
#include <new>

#ifdef __EMSCRIPTEN__
// The browser's SDL numbers its events otherwise and lacks SDL 1.2's event
// filter: the queue there is sdl_web's, in SDL 1.2's record and numbers.
#include "platform/sdl_web.h"
#endif

namespace
{
// SDL's event queue, as SDL 1.2 keeps it.
namespace events
{
#ifdef __EMSCRIPTEN__
using namespace KWO::Web;
using Record = ClassicEvent;
#else
using Record = SDL_Event;
constexpr unsigned NumEvents = SDL_NUMEVENTS;
constexpr Uint32 AllEventsMask = SDL_ALLEVENTS;
constexpr SDL_eventaction PeekEvent = SDL_PEEKEVENT, GetEvent = SDL_GETEVENT;
inline void PumpEvents()
{
    SDL_PumpEvents();
}
inline int PollEvent(Record* e)
{
    return SDL_PollEvent(e);
}
inline int WaitEvent(Record* e)
{
    return SDL_WaitEvent(e);
}
inline int PeepEvents(Record* e, int n, SDL_eventaction action, Uint32 mask)
{
    return SDL_PeepEvents(e, n, action, mask);
}
inline Uint8 EventState(Uint8 type, int state)
{
    return SDL_EventState(type, state);
}
#endif
} // namespace events

// SDL's event types are 0 to SDL_NUMEVENTS - 1; its state table and event
// masks have no room for more.
bool IsEventType(unsigned type)
{
    return type < events::NumEvents;
}

Uint32 EventMask(unsigned type)
{
    return Uint32(1) << type;
}

// The highest type SetEventTypes enables.
const unsigned kLastMaskType = 27;

// Copies an event that arrived to the caller's record, when there is one.
bool Deliver(const events::Record& received, KWOEvent* event)
{
    if (event != nullptr)
        std::memcpy(event->m_data, &received, sizeof(received));
    return true;
}
} // namespace

KWOInput* KWOInput::m_instance = nullptr;

KWOInput* KWOInput::Singleton()
{
    if (m_instance == nullptr)
        m_instance = new (std::nothrow) KWOInput();
    return m_instance;
}

KWOInput::KWOInput() : KWOSDLMgr(INIT_VIDEO), m_eventTypes(0) {}

KWOInput::~KWOInput()
{
    // Another object built with the public constructor must not take the
    // singleton's place with it.
    if (m_instance == this)
        m_instance = nullptr;
}

void KWOInput::AddEventType(unsigned type)
{
    if (!IsEventType(type))
        return;
    events::EventState(static_cast<Uint8>(type), SDL_ENABLE);
    m_eventTypes |= EventMask(type);
}

void KWOInput::RemoveEventType(unsigned type)
{
    if (!IsEventType(type))
        return;
    events::EventState(static_cast<Uint8>(type), SDL_IGNORE);
    m_eventTypes &= ~EventMask(type);
}

void KWOInput::SetEventTypes(unsigned mask)
{
    // Each type is set on its own: SDL 1.2's compatibility layer over SDL2
    // ignores a state given for all types at once.
    m_eventTypes = mask;
    for (unsigned t = 0; t < events::NumEvents; ++t)
    {
        const bool on = t >= 1 && t <= kLastMaskType && (mask & EventMask(t)) != 0;
        events::EventState(static_cast<Uint8>(t), on ? SDL_ENABLE : SDL_IGNORE);
    }
}

void KWOInput::Flush()
{
    events::Record event;
    while (events::PollEvent(&event) > 0)
    {
    }
}

unsigned char KWOInput::GetMouseState(int* x, int* y)
{
    const Uint8 buttons = SDL_GetMouseState(x, y);
    return static_cast<unsigned char>(buttons &
                                      (SDL_BUTTON_LMASK | SDL_BUTTON_MMASK | SDL_BUTTON_RMASK));
}

bool KWOInput::WaitNextEvent(unsigned char type, KWOEvent* event)
{
    // SDL never queues an ignored type by itself: unless one is already
    // queued, SDL_WaitEvent would wait for ever.
    events::Record received;
    if (!IsEventType(type) ||
        (events::EventState(type, SDL_QUERY) == SDL_IGNORE &&
         events::PeepEvents(&received, 1, events::PeekEvent, EventMask(type)) <= 0))
    {
        KWO::WARN("Input: event type %u can't arrive\n", static_cast<unsigned>(type));
        return false;
    }
    for (;;)
    {
        if (events::WaitEvent(&received) == 0)
            return false;
        if (received.type == type)
            break;
    }
    return Deliver(received, event);
}

bool KWOInput::PollEvent(KWOEvent* event)
{
    events::Record received;
    if (events::PollEvent(&received) <= 0)
        return false;
    return Deliver(received, event);
}

bool KWOInput::WaitEvent(KWOEvent* event)
{
    events::Record received;
    bool anyEnabled = false;
    for (unsigned t = 1; t < events::NumEvents && !anyEnabled; ++t)
        anyEnabled = events::EventState(static_cast<Uint8>(t), SDL_QUERY) == SDL_ENABLE;
    if (!anyEnabled &&
        events::PeepEvents(&received, 1, events::PeekEvent, events::AllEventsMask) <= 0)
    {
        KWO::WARN("Input: no event type can arrive\n");
        return false;
    }
    if (events::WaitEvent(&received) == 0)
        return false;
    return Deliver(received, event);
}

bool KWOInput::TakeEvent(unsigned char type, KWOEvent* event)
{
    if (!IsEventType(type))
        return false;
    events::PumpEvents();
    events::Record received;
    if (events::PeepEvents(&received, 1, events::GetEvent, EventMask(type)) <= 0)
        return false;
    return Deliver(received, event);
}

bool KWOInput::EnableKeyRepeat(unsigned delay, unsigned interval)
{
    // SDL takes signed values and refuses negative ones.
    const unsigned kMax = 0x7FFFFFFF;
    if (delay > kMax || interval > kMax)
        return false;
    return SDL_EnableKeyRepeat(int(delay), int(interval)) == 0;
}

void KWOInput::PrintInfo() const
{
    KWO::LOG("Input: event types 0x%08X\n", m_eventTypes);
}
