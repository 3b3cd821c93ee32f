// Start-up sequence, main run and shutdown of the game.
#include "Game.h"

#include <cstdio>

namespace
{
const char* const kDataFile = "duomatch.dat";
}

void Game::Init(int argc, char** argv)
{
    ParseCommandLine(argc, argv);
    LogOptions();

    // The data archive must be in the working directory.
    std::FILE* data = std::fopen(kDataFile, "rb");
    if (data == nullptr)
        Fatal("Can't open data file (duomatch.dat).");
    std::fclose(data);
}

int Game::Run()
{
    return 0;
}

Game::~Game() = default;
