#include "platform/KWOInput.h"

#include "core/KWOLog.h"

#include <SDL.h>
#include <cstring>
#include <new>

namespace
{
// SDL's event types are 0 to SDL_NUMEVENTS - 1; its state table and event
// masks have no room for more.
bool IsEventType(unsigned type)
{
    return type < SDL_NUMEVENTS;
}

Uint32 EventMask(unsigned type)
{
    return Uint32(1) << type;
}

// The highest type SetEventTypes enables.
const unsigned kLastMaskType = 27;
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
    SDL_EventState(static_cast<Uint8>(type), SDL_ENABLE);
    m_eventTypes |= EventMask(type);
}

void KWOInput::RemoveEventType(unsigned type)
{
    if (!IsEventType(type))
        return;
    SDL_EventState(static_cast<Uint8>(type), SDL_IGNORE);
    m_eventTypes &= ~EventMask(type);
}

void KWOInput::SetEventTypes(unsigned mask)
{
    SDL_EventState(static_cast<Uint8>(SDL_ALLEVENTS), SDL_IGNORE);
    m_eventTypes = mask;
    for (unsigned t = 1; t <= kLastMaskType; ++t)
    {
        if (mask & EventMask(t))
            SDL_EventState(static_cast<Uint8>(t), SDL_ENABLE);
    }
}

void KWOInput::Flush()
{
    SDL_Event event;
    while (SDL_PollEvent(&event) > 0)
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
    SDL_Event received;
    if (!IsEventType(type) || (SDL_EventState(type, SDL_QUERY) == SDL_IGNORE &&
                               SDL_PeepEvents(&received, 1, SDL_PEEKEVENT, EventMask(type)) <= 0))
    {
        KWO::WARN("Input: event type %u can't arrive\n", static_cast<unsigned>(type));
        return false;
    }
    for (;;)
    {
        if (SDL_WaitEvent(&received) == 0)
            return false;
        if (received.type == type)
            break;
    }
    if (event != nullptr)
        std::memcpy(event->m_data, &received, sizeof(received));
    return true;
}

bool KWOInput::PollEvent(KWOEvent* event)
{
    SDL_Event received;
    if (SDL_PollEvent(&received) <= 0)
        return false;
    if (event != nullptr)
        std::memcpy(event->m_data, &received, sizeof(received));
    return true;
}

bool KWOInput::WaitEvent(KWOEvent* event)
{
    SDL_Event received;
    bool anyEnabled = false;
    for (unsigned t = 1; t < SDL_NUMEVENTS && !anyEnabled; ++t)
        anyEnabled = SDL_EventState(static_cast<Uint8>(t), SDL_QUERY) == SDL_ENABLE;
    if (!anyEnabled && SDL_PeepEvents(&received, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) <= 0)
    {
        KWO::WARN("Input: no event type can arrive\n");
        return false;
    }
    if (SDL_WaitEvent(&received) == 0)
        return false;
    if (event != nullptr)
        std::memcpy(event->m_data, &received, sizeof(received));
    return true;
}

bool KWOInput::TakeEvent(unsigned char type, KWOEvent* event)
{
    if (!IsEventType(type))
        return false;
    SDL_PumpEvents();
    SDL_Event received;
    if (SDL_PeepEvents(&received, 1, SDL_GETEVENT, EventMask(type)) <= 0)
        return false;
    if (event != nullptr)
        std::memcpy(event->m_data, &received, sizeof(received));
    return true;
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
