// Scripted input for the graphical examples, so that they can run without a
// person in front of them (their smoke tests do so under SDL's dummy
// drivers). It is not part of what the examples teach.
//
//   --script "key:right wait:10 shot click:320,240 key:escape"
//
// Each word is one step: key:NAME presses and releases the key SDL calls
// NAME ("left", "escape", "space", "a", "1", "+"); click:X,Y moves the
// mouse there and clicks; press:X,Y, move:X,Y and release:X,Y do it in
// parts (a drag); shot saves a screenshot as shotNNN.bmp through the
// library; wait:N lets N frames pass; quit asks the program to quit.
#ifndef KWO_EXAMPLES_SCRIPT_H
#define KWO_EXAMPLES_SCRIPT_H

#include <KWOMedia/graphics/KWOScreen.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

class ScriptedInput
{
public:
    // Takes "--script TEXT" out of the command line, so that the program
    // sees only its own arguments.
    ScriptedInput(int& argc, char** argv)
    {
        for (int i = 1; i + 1 < argc; ++i)
            if (std::strcmp(argv[i], "--script") == 0)
            {
                std::istringstream words(argv[i + 1]);
                for (std::string w; words >> w;)
                    m_steps.push_back(w);
                for (int j = i; j + 2 <= argc; ++j)
                    argv[j] = argv[j + 2];
                argc -= 2;
                break;
            }
    }

    // One step per call: programs with a frame loop call it once a frame.
    void Step()
    {
        if (m_wait > 0)
            --m_wait;
        else if (m_next < m_steps.size())
            Run(m_steps[m_next++]);
    }
    // Every remaining step at once, for a program that waits for an event.
    void PlayAll()
    {
        while (m_next < m_steps.size())
            Run(m_steps[m_next++]);
    }

private:
    static void Push(Uint8 type, int x, int y, SDLKey key = SDLK_UNKNOWN)
    {
        SDL_Event ev{};
        ev.type = type;
        if (type == SDL_KEYDOWN || type == SDL_KEYUP)
        {
            ev.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
            ev.key.keysym.sym = key;
            ev.key.keysym.unicode = key < 128 ? Uint16(key) : 0;
        }
        else if (type != SDL_QUIT)
        {
            ev.button.button = SDL_BUTTON_LEFT;
            ev.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            ev.button.x = Uint16(x);
            ev.button.y = Uint16(y);
        }
        SDL_PushEvent(&ev);
    }

    void Run(const std::string& step)
    {
        const std::string verb = step.substr(0, step.find(':'));
        const std::string arg = step.size() > verb.size() ? step.substr(verb.size() + 1) : "";
        int x = 0, y = 0;
        std::sscanf(arg.c_str(), "%d,%d", &x, &y);
        // Moving the mouse through SDL keeps SDL's own idea of its position
        // (SDL_GetMouseState) right, and queues the motion event.
        if (verb == "click" || verb == "press" || verb == "move" || verb == "release")
            SDL_WarpMouse(Uint16(x), Uint16(y));
        if (verb == "click" || verb == "press")
            Push(SDL_MOUSEBUTTONDOWN, x, y);
        if (verb == "click" || verb == "release")
            Push(SDL_MOUSEBUTTONUP, x, y);
        if (verb == "wait")
            m_wait = std::atoi(arg.c_str());
        if (verb == "quit")
            Push(SDL_QUIT, 0, 0);
        if (verb == "shot" && !KWOScreen::Singleton()->BMPScreenshot("shot"))
            std::fprintf(stderr, "script: no screenshot\n");
        if (verb == "key")
            for (int k = SDLK_FIRST; k < SDLK_LAST; ++k)
                if (arg == SDL_GetKeyName(SDLKey(k)))
                {
                    Push(SDL_KEYDOWN, 0, 0, SDLKey(k));
                    Push(SDL_KEYUP, 0, 0, SDLKey(k));
                    break;
                }
    }

    std::vector<std::string> m_steps;
    size_t m_next = 0;
    int m_wait = 0;
};

#endif
