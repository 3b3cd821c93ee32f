// Game: the duomatch application, from the command line to shutdown.
#ifndef DUOMATCH_GAME_H
#define DUOMATCH_GAME_H

#include <cstdint>

class Game
{
public:
    // Options, set by the command line.
    bool m_fullscreen = false;
    bool m_sound = true;
    char m_lang = 'e'; // 'e' English, 'f' French
    uint8_t m_volume = 100;

    Game() = default;
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Brings every service up; ends the process through Fatal on failure.
    void Init(int argc, char** argv);
    // Runs the game until the player quits; returns the exit status.
    int Run();

    // Reads the switches; prints the usage text and exits 0 on an unknown one.
    void ParseCommandLine(int argc, char** argv);
    // Logs "Warning : message".
    void Warning(const char* message);
    // Logs "Error : message" and ends the process with status 1.
    [[noreturn]] void Fatal(const char* message);

private:
    void LogOptions();
};

#endif
