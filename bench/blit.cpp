// Block copies of KWOImage against SDL 1.2's software blits, in one run.
//
// The card game's work: a 70 x 100 8-bit card, about a fifth of it
// transparent, copied onto a 640 x 480 8-bit picture with TCopyImage, and
// opaque copies with CopyImage (a card and a whole screen). SDL does the
// same on software surfaces with SDL_BlitSurface: a colour-keyed blit with
// and without RLE acceleration, and a plain blit. Each benchmark reports
// pixels per second; the ratios ours / SDL are printed at the end.
//
// The same copies onto the display (KWOScreen, 640 x 480 at 8 bits, on SDL's
// dummy video driver unless another is chosen) show what drawing on the
// screen's surface costs beside drawing on an image.
#include "graphics/KWOImage.h"
#include "graphics/KWOScreen.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{
constexpr int kCardW = 70;
constexpr int kCardH = 100;
constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr unsigned kKey = 0;

// The card positions of the game's 8 x 4 board, visited in turn.
struct Position
{
    int x, y;
};
std::vector<Position> BoardPositions()
{
    std::vector<Position> p;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 8; ++col)
            p.push_back({5 + 80 * col, 5 + 110 * row});
    return p;
}

// A card: opaque picture values 1..255, rounded transparent corners and one
// transparent run per row (a cut-out of the picture), about 20 % in all.
std::vector<unsigned char> CardPixels(double* transparentShare)
{
    std::vector<unsigned char> px(size_t(kCardW) * kCardH);
    uint32_t seed = 2024;
    auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
    size_t transparent = 0;
    for (int y = 0; y < kCardH; ++y)
    {
        const int runStart = 4 + int(next() % 40);
        const int runLength = 6 + int(next() % 13);
        for (int x = 0; x < kCardW; ++x)
        {
            const int cx = x < 6 ? 6 - x : x >= kCardW - 6 ? x - (kCardW - 7) : 0;
            const int cy = y < 6 ? 6 - y : y >= kCardH - 6 ? y - (kCardH - 7) : 0;
            const bool corner = cx * cx + cy * cy > 36;
            const bool cut = x >= runStart && x < runStart + runLength;
            unsigned char v = static_cast<unsigned char>(1 + next() % 255);
            if (corner || cut)
            {
                v = kKey;
                ++transparent;
            }
            px[size_t(y) * kCardW + x] = v;
        }
    }
    *transparentShare = double(transparent) / double(px.size());
    return px;
}

struct Fixture
{
    KWOImage card{kCardW, kCardH, 8};
    KWOImage screen{kScreenW, kScreenH, 8};
    KWOImage picture{kScreenW, kScreenH, 8};
    SDL_Surface* sdlCard = nullptr;
    SDL_Surface* sdlScreen = nullptr;
    SDL_Surface* sdlPicture = nullptr;
    std::vector<Position> positions = BoardPositions();
    double transparentShare = 0;

    Fixture()
    {
        const std::vector<unsigned char> px = CardPixels(&transparentShare);
        for (int y = 0; y < kCardH; ++y)
            std::memcpy(card.Pixels() + size_t(y) * card.Pitch(), &px[size_t(y) * kCardW], kCardW);
        for (unsigned i = 0; i < kScreenW * kScreenH; ++i)
            picture.Pixels()[i] = static_cast<unsigned char>(i * 31 + i / 640);

        // The SDL surfaces hold the same pixels and one identical palette, so
        // SDL copies bytes without translating colours.
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i)
            colours[i] = SDL_Color{Uint8(i), Uint8(255 - i), Uint8(i * 7), 0};
        sdlCard = Make(kCardW, kCardH, card.Pixels(), card.Pitch(), colours);
        sdlScreen = Make(kScreenW, kScreenH, nullptr, 0, colours);
        sdlPicture = Make(kScreenW, kScreenH, picture.Pixels(), picture.Pitch(), colours);
    }
    ~Fixture()
    {
        SDL_FreeSurface(sdlCard);
        SDL_FreeSurface(sdlScreen);
        SDL_FreeSurface(sdlPicture);
    }

    static SDL_Surface* Make(int w, int h, const unsigned char* pixels, unsigned pitch,
                             SDL_Color* colours)
    {
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
        if (s == nullptr)
            return nullptr;
        SDL_SetColors(s, colours, 0, 256);
        if (pixels != nullptr)
            for (int y = 0; y < h; ++y)
                std::memcpy(static_cast<unsigned char*>(s->pixels) + size_t(y) * s->pitch,
                            pixels + size_t(y) * pitch, size_t(w));
        return s;
    }
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

void Rate(benchmark::State& state, int64_t pixelsPerIteration)
{
    state.counters["pixels/s"] = benchmark::Counter(
        double(pixelsPerIteration) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_TCopyImage_card(benchmark::State& state)
{
    Fixture& f = TheFixture();
    size_t i = 0;
    for (auto _ : state)
    {
        const Position p = f.positions[i++ % f.positions.size()];
        f.screen.TCopyImage(p.x, p.y, kKey, &f.card, 0, 0, kCardW, kCardH);
        benchmark::ClobberMemory();
    }
    Rate(state, kCardW * kCardH);
}

void SDLCardBlit(benchmark::State& state, Uint32 keyFlags)
{
    Fixture& f = TheFixture();
    if (f.sdlCard == nullptr || f.sdlScreen == nullptr)
    {
        state.SkipWithError("no SDL surface");
        return;
    }
    SDL_SetColorKey(f.sdlCard, keyFlags, keyFlags != 0 ? kKey : 0);
    size_t i = 0;
    for (auto _ : state)
    {
        const Position p = f.positions[i++ % f.positions.size()];
        SDL_Rect to = {Sint16(p.x), Sint16(p.y), 0, 0};
        SDL_BlitSurface(f.sdlCard, nullptr, f.sdlScreen, &to);
        benchmark::ClobberMemory();
    }
    SDL_SetColorKey(f.sdlCard, 0, 0);
    Rate(state, kCardW * kCardH);
}

void BM_SDL_colorkey_card(benchmark::State& state)
{
    SDLCardBlit(state, SDL_SRCCOLORKEY);
}

void BM_SDL_colorkey_RLE_card(benchmark::State& state)
{
    SDLCardBlit(state, SDL_SRCCOLORKEY | SDL_RLEACCEL);
}

void BM_CopyImage_card(benchmark::State& state)
{
    Fixture& f = TheFixture();
    size_t i = 0;
    for (auto _ : state)
    {
        const Position p = f.positions[i++ % f.positions.size()];
        f.screen.CopyImage(p.x, p.y, &f.card, 0, 0, kCardW, kCardH);
        benchmark::ClobberMemory();
    }
    Rate(state, kCardW * kCardH);
}

void BM_SDL_copy_card(benchmark::State& state)
{
    SDLCardBlit(state, 0);
}

void BM_CopyImage_full(benchmark::State& state)
{
    Fixture& f = TheFixture();
    for (auto _ : state)
    {
        f.screen.CopyImage(0, 0, &f.picture, 0, 0, kScreenW, kScreenH);
        benchmark::ClobberMemory();
    }
    Rate(state, kScreenW * kScreenH);
}

void BM_SDL_copy_full(benchmark::State& state)
{
    Fixture& f = TheFixture();
    if (f.sdlPicture == nullptr || f.sdlScreen == nullptr)
    {
        state.SkipWithError("no SDL surface");
        return;
    }
    for (auto _ : state)
    {
        SDL_Rect to = {0, 0, 0, 0};
        SDL_BlitSurface(f.sdlPicture, nullptr, f.sdlScreen, &to);
        benchmark::ClobberMemory();
    }
    Rate(state, kScreenW * kScreenH);
}

// The screen object once a benchmark asked for the display (main deletes it).
KWOScreen* g_screenMade = nullptr;

// The display, opened on first use; null when SDL cannot open it.
KWOScreen* TheScreen()
{
    static KWOScreen* screen = []
    {
        KWOScreen* s = g_screenMade = KWOScreen::Singleton();
        if (!s->Init(kScreenW, kScreenH, 0, 8))
            return static_cast<KWOScreen*>(nullptr);
        return s;
    }();
    return screen;
}

// Copies onto the display: `copy(screen, position)` once an iteration, the
// card positions visited in turn.
template <typename Copy> void ScreenCopies(benchmark::State& state, int64_t pixels, Copy copy)
{
    Fixture& f = TheFixture();
    KWOScreen* screen = TheScreen();
    if (screen == nullptr)
    {
        state.SkipWithError("no display");
        return;
    }
    size_t i = 0;
    for (auto _ : state)
    {
        copy(*screen, f, f.positions[i++ % f.positions.size()]);
        benchmark::ClobberMemory();
    }
    Rate(state, pixels);
}

void BM_Screen_TCopyImage_card(benchmark::State& state)
{
    ScreenCopies(state, kCardW * kCardH,
                 [](KWOScreen& s, Fixture& f, Position p)
                 { s.TCopyImage(p.x, p.y, kKey, &f.card, 0, 0, kCardW, kCardH); });
}

void BM_Screen_CopyImage_card(benchmark::State& state)
{
    ScreenCopies(state, kCardW * kCardH,
                 [](KWOScreen& s, Fixture& f, Position p)
                 { s.CopyImage(p.x, p.y, &f.card, 0, 0, kCardW, kCardH); });
}

void BM_Screen_CopyImage_full(benchmark::State& state)
{
    ScreenCopies(state, kScreenW * kScreenH,
                 [](KWOScreen& s, Fixture& f, Position)
                 { s.CopyImage(0, 0, &f.picture, 0, 0, kScreenW, kScreenH); });
}

BENCHMARK(BM_TCopyImage_card);
BENCHMARK(BM_SDL_colorkey_card);
BENCHMARK(BM_SDL_colorkey_RLE_card);
BENCHMARK(BM_CopyImage_card);
BENCHMARK(BM_SDL_copy_card);
BENCHMARK(BM_CopyImage_full);
BENCHMARK(BM_SDL_copy_full);
BENCHMARK(BM_Screen_TCopyImage_card);
BENCHMARK(BM_Screen_CopyImage_card);
BENCHMARK(BM_Screen_CopyImage_full);

// Keeps each benchmark's pixel rate (the last repetition or the mean) for
// the ratios printed at the end.
class RateReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "mean")
                continue;
            const auto c = run.counters.find("pixels/s");
            if (c != run.counters.end())
                m_rates[run.run_name.function_name] = c->second.value;
        }
    }
    double RateOf(const std::string& name) const
    {
        const auto it = m_rates.find(name);
        return it == m_rates.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_rates;
};

void PrintRatio(const RateReporter& r, const char* ours, const char* theirs, double aim)
{
    const double a = r.RateOf(ours), b = r.RateOf(theirs);
    if (a <= 0 || b <= 0)
        return;
    std::printf("%-22s / %-26s %6.2fx  (%.0f vs %.0f Mpixels/s; aim %.1fx: %s)\n", ours, theirs,
                a / b, a / 1e6, b / 1e6, aim, a / b >= aim ? "met" : "missed");
}
} // namespace

int main(int argc, char** argv)
{
    // Headless unless the caller chose a video driver.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("card %d x %d, %.1f %% transparent\n", kCardW, kCardH,
                100.0 * TheFixture().transparentShare);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nours / SDL 1.2 (pixel rates):\n");
    PrintRatio(reporter, "BM_TCopyImage_card", "BM_SDL_colorkey_card", 1.0);
    PrintRatio(reporter, "BM_TCopyImage_card", "BM_SDL_colorkey_RLE_card", 1.0);
    PrintRatio(reporter, "BM_CopyImage_card", "BM_SDL_copy_card", 2.0);
    PrintRatio(reporter, "BM_CopyImage_full", "BM_SDL_copy_full", 1.0);
    PrintRatio(reporter, "BM_Screen_TCopyImage_card", "BM_SDL_colorkey_card", 1.0);
    PrintRatio(reporter, "BM_Screen_CopyImage_card", "BM_SDL_copy_card", 2.0);
    PrintRatio(reporter, "BM_Screen_CopyImage_full", "BM_SDL_copy_full", 1.0);
    delete g_screenMade; // none made when no screen benchmark ran
    benchmark::Shutdown();
    return 0;
}
