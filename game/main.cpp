// duomatch: a picture-matching card game.
#include "Game.h"

int main(int argc, char** argv)
{
    int status;
    {
        Game game;
        game.Init(argc, argv);
        status = game.Run();
    }
    return status;
}
