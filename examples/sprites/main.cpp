// sprites: cards bouncing over a tiled board. Each frame is composed on an
// image (the board, then every card copied without its transparent colour,
// then the frame rate in a font) and copied to the screen. The mouse picks
// a card up and drags it. Prints the frames per second on exit, and keeps
// the five best rates in the highscore table sprites.scores.
//
//   sprites DATA
//
// DATA is the folder of the game's data: the card set Shapes.set and the
// archive duomatch.dat, which holds the font score.font. Escape quits.
#include <KWOMedia/app/KWOScore.h>
#include <KWOMedia/core/KWOMath.h>
#include <KWOMedia/files/KWOResFinder.h>
#include <KWOMedia/files/KWOResMgr.h>
#include <KWOMedia/graphics/KWOFont.h>
#include <KWOMedia/graphics/KWOImage.h>
#include <KWOMedia/graphics/KWOScreen.h>
#include <KWOMedia/platform/KWOInput.h>
#include <KWOMedia/platform/KWOTimer.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../common/script.h"

namespace
{
const int kCardW = 70, kCardH = 100;

struct Card
{
    int x, y;   // top-left corner on the screen
    int dx, dy; // pixels per frame
    int face;   // 0 to 14: column face % 5, row face / 5 of the card set
};
} // namespace

int main(int argc, char** argv)
{
    ScriptedInput script(argc, argv); // for the smoke test; see common/script.h
    if (argc != 2)
    {
        std::fprintf(stderr, "Usage: sprites DATA\n");
        return 2;
    }
    // The finder asks the archive first, then the folder itself.
    KWOResFinder finder;
    finder.AddSource((std::string(argv[1]) + "/duomatch.dat").c_str(), false);
    finder.AddSource(argv[1], false);
    KWOResMgr resources(finder);
    auto* set =
        static_cast<KWOImage*>(resources.Load(KWOResMgr::TypePicture, "Shapes.set", 0, true));
    auto* font = static_cast<KWOFont*>(resources.Load(KWOResMgr::TypeFont, "score.font", 0, true));
    if (set == nullptr || font == nullptr || set->Bpp() != 8 || set->Palette() == nullptr)
    {
        std::fprintf(stderr, "sprites: no 8-bit Shapes.set or no score.font in %s\n", argv[1]);
        return 1;
    }
    // Card sets mark the transparent colour in the pixel at (301, 300).
    const unsigned key = set->GetPixel(301, 300);

    KWOScreen* screen = KWOScreen::Singleton();
    if (!screen->Init(640, 480, KWOScreen::HWPALETTE, 8))
        return 1;
    screen->SetNames("KWOMedia sprites", nullptr);
    screen->ReplacePalette(set->Palette()); // the screen copies the colours

    // The board: the set's 80 x 110 tile at (350, 200), repeated.
    KWOImage board(640, 480, 8), frame(640, 480, 8);
    for (int y = 0; y < 480; y += 110)
        for (int x = 0; x < 640; x += 80)
            board.CopyImage(x, y, set, 350, 200, 80, 110);

    // 24 cards dealt in three rows, each sent off in its own direction. The
    // library's generator gives the same directions on every run.
    KWO::RandomInit(1);
    std::vector<Card> cards;
    for (int i = 0; i < 24; ++i)
        cards.push_back({20 + i % 8 * 76, 20 + i / 8 * 110, int(KWO::Randomi(7)) - 3,
                         int(KWO::Randomi(7)) - 3, i % 15});

    // Only these events reach the queue; mouse motion is read when needed.
    KWOInput* input = KWOInput::Singleton();
    input->SetEventTypes(1u << KWOEvent::TypeKeyDown | 1u << KWOEvent::TypeButtonDown |
                         1u << KWOEvent::TypeButtonUp | 1u << KWOEvent::TypeQuit);
    const unsigned start = KWOTimer::Ticks(); // milliseconds
    unsigned frames = 0, shownFrames = 0, second = start;
    int dragX = 0, dragY = 0; // where the card was grabbed
    bool dragging = false, running = true;
    char fps[32] = "";
    while (running)
    {
        const unsigned frameStart = KWOTimer::Ticks();
        script.Step();
        KWOEvent ev;
        while (input->PollEvent(&ev)) // every event queued since the last frame
            if (ev.Type() == KWOEvent::TypeQuit || ev.IsKeyDown(KWOEvent::KeyEscape))
                running = false;
            else if (ev.Type() == KWOEvent::TypeButtonUp)
                dragging = false;
            else if (ev.Type() == KWOEvent::TypeButtonDown)
                // The topmost card under the pointer goes to the top: the end of the list.
                for (size_t i = cards.size(); i-- > 0;)
                {
                    const Card c = cards[i];
                    if (ev.X() >= c.x && ev.X() < c.x + kCardW && ev.Y() >= c.y &&
                        ev.Y() < c.y + kCardH)
                    {
                        cards.erase(cards.begin() + long(i));
                        cards.push_back(c);
                        dragX = ev.X() - c.x;
                        dragY = ev.Y() - c.y;
                        dragging = true;
                        break;
                    }
                }

        // Move: the dragged card follows the mouse, the others bounce.
        for (size_t i = 0; i < cards.size(); ++i)
        {
            Card& c = cards[i];
            if (dragging && i + 1 == cards.size())
            {
                int mx = 0, my = 0;
                input->GetMouseState(&mx, &my);
                c.x = mx - dragX;
                c.y = my - dragY;
                continue;
            }
            c.x += c.dx;
            c.y += c.dy;
            if (c.x < 0 || c.x > 640 - kCardW) // back towards the inside
                c.dx = c.x < 0 ? std::abs(c.dx) : -std::abs(c.dx);
            if (c.y < 0 || c.y > 480 - kCardH)
                c.dy = c.y < 0 ? std::abs(c.dy) : -std::abs(c.dy);
        }

        // Compose the frame and show it.
        frame.CopyImage(0, 0, &board, 0, 0, 640, 480);
        for (const Card& c : cards)
            frame.TCopyImage(c.x, c.y, key, set, c.face % 5 * kCardW, c.face / 5 * kCardH, kCardW,
                             kCardH);
        frame.DrawText(8, 8, fps, 1, font, KWOFont::AlignTop);
        screen->CopyImage(0, 0, &frame, 0, 0, 640, 480);
        screen->Refresh(0, 0, 640, 480);

        // Count the frames of each second, and keep to 60 frames a second.
        ++frames;
        if (KWOTimer::Ticks() - second >= 1000)
        {
            std::snprintf(fps, sizeof fps, "%u fps", frames - shownFrames);
            shownFrames = frames;
            second += 1000;
        }
        const unsigned spent = KWOTimer::Ticks() - frameStart;
        if (spent < 16)
            KWOTimer::Delay(16 - spent); // sleeps, and leaves the processor to others
    }
    const unsigned ms = KWOTimer::Ticks() - start;
    const double rate = ms ? frames * 1000.0 / ms : 0.0;
    std::printf("%u frames in %.1f s: %.1f frames per second\n", frames, ms / 1000.0, rate);

    // The five best rates: a table in a small file. Load fails the first time
    // (no file yet) and leaves the table empty.
    KWOScore best(5, KWOScore::HigherFirst, 0);
    best.Load("sprites.scores");
    KWOScoreEntry entry{};
    std::snprintf(entry.name, sizeof entry.name, "%s",
                  std::getenv("USER") ? std::getenv("USER") : "?");
    entry.score = int32_t(rate);
    entry.level = int32_t(cards.size());
    const int rank = best.Add(&entry); // -1 when it is not among the best
    if (rank >= 0 && best.Save("sprites.scores", false))
        std::printf("rank %d in sprites.scores\n", rank + 1);

    resources.Release(font);
    resources.Release(set);
    delete input;
    delete screen;
    return 0;
}
