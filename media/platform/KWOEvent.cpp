#include "platform/KWOEvent.h"

#include "core/KWOLog.h"

#include <SDL.h>
#include <cstddef>
#include <cstring>
#include <type_traits>

// The event is exchanged with SDL as raw bytes: both records must agree.
static_assert(sizeof(KWOEvent) == sizeof(SDL_Event), "KWOEvent has the size of SDL_Event");
static_assert(alignof(KWOEvent) >= alignof(SDL_Event), "KWOEvent is aligned as SDL_Event");
static_assert(offsetof(SDL_Event, type) == 0 && sizeof(SDL_Event::type) == 1,
              "the event type is the first byte");
static_assert(std::is_trivially_copyable<KWOEvent>::value, "KWOEvent is plain bytes");

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

namespace
{
// The record's bytes as SDL's event, copied: the accessors never read
// through a pointer of another type.
SDL_Event AsSdl(const KWOEvent& e)
{
    SDL_Event event;
    std::memcpy(&event, e.m_data, sizeof(event));
    return event;
}

bool IsKeyEvent(const SDL_Event& e)
{
    return e.type == unsigned(SDL_KEYDOWN) || e.type == unsigned(SDL_KEYUP);
}
} // namespace

unsigned KWOEvent::Key() const
{
    const SDL_Event e = AsSdl(*this);
    return IsKeyEvent(e) ? unsigned(e.key.keysym.sym) : 0u;
}

unsigned KWOEvent::Unicode() const
{
    const SDL_Event e = AsSdl(*this);
    return IsKeyEvent(e) ? unsigned(e.key.keysym.unicode) : 0u;
}

bool KWOEvent::IsKeyDown(unsigned key) const
{
    return Type() == TypeKeyDown && Key() == key;
}

unsigned KWOEvent::Button() const
{
    const SDL_Event e = AsSdl(*this);
    if (e.type == unsigned(SDL_MOUSEBUTTONDOWN) || e.type == unsigned(SDL_MOUSEBUTTONUP))
        return e.button.button;
    return 0;
}

int KWOEvent::X() const
{
    const SDL_Event e = AsSdl(*this);
    if (e.type == unsigned(SDL_MOUSEBUTTONDOWN) || e.type == unsigned(SDL_MOUSEBUTTONUP))
        return e.button.x;
    return e.type == unsigned(SDL_MOUSEMOTION) ? e.motion.x : 0;
}

int KWOEvent::Y() const
{
    const SDL_Event e = AsSdl(*this);
    if (e.type == unsigned(SDL_MOUSEBUTTONDOWN) || e.type == unsigned(SDL_MOUSEBUTTONUP))
        return e.button.y;
    return e.type == unsigned(SDL_MOUSEMOTION) ? e.motion.y : 0;
}

void KWOEvent::PrintInfo() const
{
    KWO::LOG("Event: type %u\n", static_cast<unsigned>(m_data[0]));
}
