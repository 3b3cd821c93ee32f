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
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace SdlSpy
{
// One call that sets palette colours.
struct PaletteCall
{
    SDL_Surface* surface;
    int which; // SDL_SetPalette's flags; 0 for SDL_SetColors
    int first;
    std::vector<SDL_Color> colours;
};

// One SDL_SetVideoMode call.
struct VideoModeCall
{
    int width, height, bpp;
    Uint32 flags;
};

// A copy of an icon handed to SDL_WM_SetIcon.
struct IconCall
{
    int width, height, bpp;
    Uint32 rmask, gmask, bmask;
    bool keyed; // SDL_SRCCOLORKEY set
    Uint32 key;
    bool maskGiven;
    std::vector<Uint8> pixels; // rows of width x bytes per pixel
    std::vector<SDL_Color> colours;
};

struct Calls
{
    std::vector<Uint32> init;          // flags of each SDL_Init
    std::vector<Uint32> initSubSystem; // flags of each SDL_InitSubSystem but SDL_Init's own
    unsigned quit = 0;                 // SDL_Quit calls
    std::vector<Uint32> delays;        // SDL_Delay arguments (simulated clock)

    std::vector<VideoModeCall> setVideoMode;
    std::vector<PaletteCall> setPalette; // SDL_SetPalette calls made outside SDL
    std::vector<PaletteCall> setColors;  // SDL_SetColors calls
    std::vector<SDL_Rect> updateRects;   // every rectangle of SDL_UpdateRects
    std::vector<SDL_Rect> updateRect;    // SDL_UpdateRect's arguments
    unsigned flips = 0;                  // SDL_Flip
    unsigned glSwaps = 0;                // SDL_GL_SwapBuffers
    std::vector<std::string> cursors;    // SDL_CreateCursor: 32 data then 32 mask bytes
    std::vector<int> cursorHotSpots;     // x, y of each SDL_CreateCursor
    std::vector<SDL_Cursor*> setCursor;  // SDL_SetCursor arguments
    std::vector<SDL_Cursor*> freeCursor; // SDL_FreeCursor arguments
    std::vector<IconCall> icons;         // SDL_WM_SetIcon
    std::vector<Uint8> listModesBpp;     // depth asked of each SDL_ListModes
    std::vector<Uint32> listModesFlags;  // and its flags

    std::vector<SDL_AudioSpec> openAudio; // the wanted spec of each SDL_OpenAudio
    std::vector<int> pauseAudio;          // SDL_PauseAudio arguments
    unsigned closeAudio = 0;              // SDL_CloseAudio calls outside SDL_Quit
};

// Forgets every recorded call and returns to the real clock and mouse.
void Reset();
Calls& Recorded();

// Simulated clock: SDL_GetTicks answers `start`, then advances by `step` on
// every read; SDL_Delay(ms) advances it by ms without sleeping. Only the
// calling thread sees it: SDL's own threads (the audio device's) keep the
// real clock.
void SimulateClock(Uint32 start, Uint32 step);
// Moves the simulated clock on by `ms`.
void AdvanceClock(Uint32 ms);
// The value the last SDL_GetTicks read returned.
Uint32 LastTicks();

// Called each time the program is idle, waiting for input that is not
// there: when it sleeps (SDL_Delay) after SDL_PollEvent found the queue
// empty, with no palette change in between (a fade is no wait), or when it
// calls SDL_WaitEvent on an empty queue (the handler is then called until
// an event is queued). The handler plays the user: it pushes events, moves
// the clock, looks at the screen. An empty function ends the hook.
void OnIdle(std::function<void()> handler);

// Simulated failure: the subsystems of `bits` fail to start. SDL_Init and
// SDL_InitSubSystem start the others, as SDL does, then report the failure;
// unless `reported` is false: then they report success all the same, as SDL
// 1.2's compatibility layer over SDL2 does after a failed start.
void FailSubsystems(Uint32 bits, bool reported = true);

// Simulated mouse: SDL_GetMouseState reports these buttons and position.
void SimulateMouse(Uint8 buttons, int x, int y);

// Video modes: the surface returned by SDL_SetVideoMode keeps the requested
// flags of `bits` (the dummy driver drops SDL_RESIZABLE, for one).
void KeepModeFlags(Uint32 bits);

// Video modes: SDL_SetVideoMode fills the pixels of a new surface with
// `byte`, as SDL 1.2's compatibility layer over SDL2 can leave them
// uncleared; -1 leaves them as SDL made them.
void DirtyNewModes(int byte);

// Simulated mode lists: SDL_ListModes answers, by depth, with the listed
// sizes (an empty list gives an empty array), with "any size" for depths in
// `any`, and with no modes for the other depths.
void SimulateModes(const std::map<int, std::vector<SDL_Rect>>& lists,
                   const std::vector<int>& any = {});

// Simulated audio device: the SDL_OpenAudio calls from the `from`-th on
// (counting from 1 since the last Reset) fail; 0 lets every call through.
void FailOpenAudio(unsigned from);
// The first successful SDL_OpenAudio reports `format` as obtained (with its
// silence value) instead of the format the device really took.
void ObtainFormatOnce(Uint16 format);
} // namespace SdlSpy

#endif
