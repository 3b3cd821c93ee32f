#include "platform/KWOEvent.h"

#include "core/KWOLog.h"

#include <SDL.h>
#include <cstddef>
#include <type_traits>

// The event is exchanged with SDL as raw bytes: both records must agree.
static_assert(sizeof(KWOEvent) == sizeof(SDL_Event), "KWOEvent has the size of SDL_Event");
static_assert(alignof(KWOEvent) >= alignof(SDL_Event), "KWOEvent is aligned as SDL_Event");
static_assert(offsetof(SDL_Event, type) == 0 && sizeof(SDL_Event::type) == 1,
              "the event type is the first byte");
static_assert(std::is_trivially_copyable<KWOEvent>::value, "KWOEvent is plain bytes");

void KWOEvent::PrintInfo() const
{
    KWO::LOG("Event: type %u\n", static_cast<unsigned>(m_data[0]));
}
