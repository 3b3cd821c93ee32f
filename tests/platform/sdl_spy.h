// Watches the library's SDL calls from the test program.
//
// The test program defines a few of SDL's entry points itself. The dynamic
// linker binds the library's calls to the program's definitions first; each
// counts the call and forwards it to SDL's own function. On request the clock
// (SDL_GetTicks, SDL_Delay) and the mouse state are simulated instead, so
// that timing code is checked by its results, never by durations.
#ifndef KWO_TESTS_PLATFORM_SDL_SPY_H
#define KWO_TESTS_PLATFORM_SDL_SPY_H

#include <SDL.h>
#include <vector>

namespace SdlSpy
{
struct Calls
{
    std::vector<Uint32> init;          // flags of each SDL_Init
    std::vector<Uint32> initSubSystem; // flags of each SDL_InitSubSystem but SDL_Init's own
    unsigned quit = 0;                 // SDL_Quit calls
    std::vector<Uint32> delays;        // SDL_Delay arguments (simulated clock)
};

// Forgets every recorded call and returns to the real clock and mouse.
void Reset();
Calls& Recorded();

// Simulated clock: SDL_GetTicks answers `start`, then advances by `step` on
// every read; SDL_Delay(ms) advances it by ms without sleeping.
void SimulateClock(Uint32 start, Uint32 step);
// The value the last SDL_GetTicks read returned.
Uint32 LastTicks();

// Simulated failure: the subsystems of `bits` fail to start. SDL_Init and
// SDL_InitSubSystem start the others, as SDL does, then report the failure.
void FailSubsystems(Uint32 bits);

// Simulated mouse: SDL_GetMouseState reports these buttons and position.
void SimulateMouse(Uint8 buttons, int x, int y);
} // namespace SdlSpy

#endif
