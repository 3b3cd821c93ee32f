// The command line, the options log and the two reporting operations.
#include "Game.h"

#include "core/KWOLog.h"

#include <cstdlib>
#include <cstring>

namespace
{
const char* const kUsage = "Usage : duomatch [-fs] [-s/-ns] [-le/-lf] [-?]\n\n"
                           "  -fs : fullscreen mode\n"
                           "  -s/-ns : use/do not use sounds\n"
                           "  -le/-lf : use english/french language\n"
                           "  -? : display this usage message\n\n";
}

void Game::ParseCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-fs") == 0)
        {
            m_fullscreen = true;
            KWO::LOG("  Fullscreen mode");
        }
        else if (std::strcmp(arg, "-s") == 0)
        {
            m_sound = true;
            KWO::LOG("  Sound mode");
        }
        else if (std::strcmp(arg, "-ns") == 0)
        {
            m_sound = false;
            KWO::LOG("  No sound mode");
        }
        else if (std::strcmp(arg, "-le") == 0)
        {
            m_lang = 'e';
        }
        else if (std::strcmp(arg, "-lf") == 0)
        {
            m_lang = 'f';
        }
        else
        {
            KWO::LOG("%s", kUsage);
            std::exit(0);
        }
    }
}

void Game::LogOptions()
{
    KWO::LOG("Options :\nScreen : %s\n", m_fullscreen ? "Fullscreen" : "Window");
    KWO::LOG("Sound  : %s, volume: %d\n", m_sound ? "Enabled" : "Disabled", m_volume);
    KWO::LOG("Lang.  : %s\n", m_lang == 'e' ? "English" : "French");
}

void Game::Warning(const char* message)
{
    KWO::WARN("Warning : %s\n", message);
}

void Game::Fatal(const char* message)
{
    KWO::ERR("Error : %s\n", message);
    // Ends at once: no destructor of the game runs, the log is already flushed.
    std::exit(1);
}
