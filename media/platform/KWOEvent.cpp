#include "platform/KWOEvent.h"

#include "core/KWOLog.h"

#include <SDL.h>
#include <cstddef>
#include <cstring>
#include <type_traits>

#ifdef __EMSCRIPTEN__
// The browser's SDL has records of another era: its events arrive
// translated into SDL 1.2's record (sdl_web.h).
#include "platform/sdl_web.h"
using EventRecord = KWO::Web::ClassicEvent;
#else
using EventRecord = SDL_Event;
#endif

// The event is exchanged with SDL as raw bytes: both records must agree.
static_assert(sizeof(KWOEvent) == sizeof(EventRecord), "KWOEvent has the size of SDL_Event");
static_assert(alignof(KWOEvent) >= alignof(EventRecord), "KWOEvent is aligned as SDL_Event");
static_assert(offsetof(EventRecord, type) == 0 && sizeof(EventRecord::type) == 1,
              "the event type is the first byte");
static_assert(std::is_trivially_copyable<KWOEvent>::value, "KWOEvent is plain bytes");

// The numbers are SDL 1.2's; the browser's SDL numbers its own otherwise
// (its events, keys and buttons reach KWOEvent translated).
#ifndef __EMSCRIPTEN__
static_assert(KWOEvent::TypeKeyDown == unsigned(SDL_KEYDOWN) &&
                  KWOEvent::TypeKeyUp == unsigned(SDL_KEYUP) &&
                  KWOEvent::TypeMouseMotion == unsigned(SDL_MOUSEMOTION) &&
                  KWOEvent::TypeButtonDown == unsigned(SDL_MOUSEBUTTONDOWN) &&
                  KWOEvent::TypeButtonUp == unsigned(SDL_MOUSEBUTTONUP) &&
                  KWOEvent::TypeQuit == unsigned(SDL_QUIT),
              "event types are SDL's");
static_assert(KWOEvent::KeyBackspace == unsigned(SDLK_BACKSPACE) &&
                  KWOEvent::KeyReturn == unsigned(SDLK_RETURN) &&
                  KWOEvent::KeyEscape == unsigned(SDLK_ESCAPE) &&
                  KWOEvent::KeySpace == unsigned(SDLK_SPACE) &&
                  KWOEvent::KeyKeypadEnter == unsigned(SDLK_KP_ENTER) &&
                  KWOEvent::KeyUp == unsigned(SDLK_UP) &&
                  KWOEvent::KeyDown == unsigned(SDLK_DOWN) &&
                  KWOEvent::KeyRight == unsigned(SDLK_RIGHT) &&
                  KWOEvent::KeyLeft == unsigned(SDLK_LEFT),
              "key symbols are SDL's");
static_assert(KWOEvent::ButtonLeft == unsigned(SDL_BUTTON_LEFT) &&
                  KWOEvent::ButtonMiddle == unsigned(SDL_BUTTON_MIDDLE) &&
                  KWOEvent::ButtonRight == unsigned(SDL_BUTTON_RIGHT) &&
                  KWOEvent::ButtonWheelUp == unsigned(SDL_BUTTON_WHEELUP) &&
                  KWOEvent::ButtonWheelDown == unsigned(SDL_BUTTON_WHEELDOWN),
              "mouse buttons are SDL's");
#endif

namespace
{
// The record's bytes as SDL's event, copied: the accessors never read
// through a pointer of another type.
EventRecord AsSdl(const KWOEvent& e)
{
    EventRecord event;
    std::memcpy(&event, e.m_data, sizeof(event));
    return event;
}

bool IsKeyEvent(const EventRecord& e)
{
    return e.type == KWOEvent::TypeKeyDown || e.type == KWOEvent::TypeKeyUp;
}

bool IsButtonEvent(const EventRecord& e)
{
    return e.type == KWOEvent::TypeButtonDown || e.type == KWOEvent::TypeButtonUp;
}
} // namespace

unsigned KWOEvent::Key() const
{
    const EventRecord e = AsSdl(*this);
    return IsKeyEvent(e) ? unsigned(e.key.keysym.sym) : 0u;
}

unsigned KWOEvent::Unicode() const
{
    const EventRecord e = AsSdl(*this);
    return IsKeyEvent(e) ? unsigned(e.key.keysym.unicode) : 0u;
}

bool KWOEvent::IsKeyDown(unsigned key) const
{
    return Type() == TypeKeyDown && Key() == key;
}

unsigned KWOEvent::Button() const
{
    const EventRecord e = AsSdl(*this);
    if (IsButtonEvent(e))
        return e.button.button;
    return 0;
}

int KWOEvent::X() const
{
    const EventRecord e = AsSdl(*this);
    if (IsButtonEvent(e))
        return e.button.x;
    return e.type == KWOEvent::TypeMouseMotion ? e.motion.x : 0;
}

int KWOEvent::Y() const
{
    const EventRecord e = AsSdl(*this);
    if (IsButtonEvent(e))
        return e.button.y;
    return e.type == KWOEvent::TypeMouseMotion ? e.motion.y : 0;
}

void KWOEvent::PrintInfo() const
{
    KWO::LOG("Event: type %u\n", static_cast<unsigned>(m_data[0]));
}
