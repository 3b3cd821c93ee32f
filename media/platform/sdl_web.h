// The browser build's SDL (Emscripten's) under the library's SDL 1.2 code.
//
// Emscripten implements the SDL 1.2 interface on headers of the SDL 1.3
// era: its event records are larger and numbered otherwise, and its key
// symbols and video flags have other values. A few calls are missing or
// only partly done. sdl_web.cpp supplies, under their SDL names, the calls
// the library needs with SDL 1.2's behaviour (8-bit screens with a logical
// and a physical palette shown on the page's canvas at each update, clipping
// rectangles, rectangle fills, cursors, the audio status and mutexes), and
// below, the event queue as SDL 1.2 keeps it, in SDL 1.2's record: the one
// KWOEvent carries.
//
// Internal to the library and to the browser build (__EMSCRIPTEN__).
#ifndef KWOMEDIA_PLATFORM_SDL_WEB_H
#define KWOMEDIA_PLATFORM_SDL_WEB_H

#ifdef __EMSCRIPTEN__

#include <cstddef>
#include <cstdint>

namespace KWO
{
namespace Web
{
// SDL 1.2's event record, member for member, for the events the browser
// brings: keys, the mouse, focus, window size and quit requests. Its types,
// key symbols and buttons are SDL 1.2's numbers (KWOEvent's constants).
struct ClassicKeysym
{
    uint8_t scancode;
    uint32_t sym;
    uint32_t mod;
    uint16_t unicode;
};

union alignas(void*) ClassicEvent
{
    uint8_t type;
    struct
    {
        uint8_t type, gain, state;
    } active;
    struct
    {
        uint8_t type, which, state;
        ClassicKeysym keysym;
    } key;
    struct
    {
        uint8_t type, which, state;
        uint16_t x, y;
        int16_t xrel, yrel;
    } motion;
    struct
    {
        uint8_t type, which, button, state;
        uint16_t x, y;
    } button;
    struct
    {
        uint8_t type;
        int w, h;
    } resize;
    struct
    {
        uint8_t type;
        int code;
        void* data1;
        void* data2;
    } user;
};

static_assert(sizeof(ClassicEvent) == 20 && offsetof(ClassicEvent, key.keysym.sym) == 8 &&
                  offsetof(ClassicEvent, key.keysym.unicode) == 16 &&
                  offsetof(ClassicEvent, button.x) == 4 && offsetof(ClassicEvent, motion.x) == 4,
              "SDL 1.2's event record on a 32-bit machine");

// SDL 1.2's type numbers and queue actions.
constexpr unsigned NumEvents = 32;
constexpr uint8_t AllEvents = 0xFF; // for EventState: every type
constexpr uint32_t AllEventsMask = 0xFFFFFFFFu;
enum EventAction
{
    PeekEvent = 1,
    GetEvent = 2
};

// Moves what the browser has delivered into the queue; types set to
// SDL_IGNORE never enter it.
void PumpEvents();
// As SDL 1.2's calls of the same names, on the queue above.
int PollEvent(ClassicEvent* event);
int WaitEvent(ClassicEvent* event);
int PeepEvents(ClassicEvent* events, int count, EventAction action, uint32_t mask);
// SDL_QUERY (-1), SDL_IGNORE (0) or SDL_ENABLE (1) for one type or for
// AllEvents; a change drops the queued events, as SDL 1.2 does.
uint8_t EventState(uint8_t type, int state);
} // namespace Web
} // namespace KWO

#endif
#endif
