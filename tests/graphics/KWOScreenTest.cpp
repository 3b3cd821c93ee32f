#include "graphics/KWOScreen.h"

#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"
#include "graphics/KWOVideoMode.h"
#include "platform/sdl_fixture.h"
#include "support/TempDir.h"

#include <memory>
#include <string>
#include <vector>

namespace
{
const unsigned kWindowFlags = 0x20000001; // hardware palette and surface

class ScreenTest : public SdlTest
{
protected:
    void SetUp() override
    {
        SdlTest::SetUp();
        m_screen = KWOScreen::Singleton();
        ASSERT_NE(nullptr, m_screen);
        ASSERT_TRUE(m_screen->Init(640, 480, kWindowFlags, 8));
        Forget();
    }
    void TearDown() override
    {
        delete m_screen;
        SdlTest::TearDown();
    }

    // Forgets the SDL calls made so far, keeping the clock and the mouse.
    static void Forget() { SdlSpy::Recorded() = SdlSpy::Calls(); }

    SDL_Surface* Surface() const { return m_screen->Surface(); }
    // The byte of the surface at (x, y) of an 8-bit screen.
    unsigned Byte(int x, int y) const
    {
        return static_cast<const Uint8*>(Surface()->pixels)[y * Surface()->pitch + x];
    }
    // The physical palette updates sent with SDL_SetPalette.
    static std::vector<SdlSpy::PaletteCall> PaletteCalls(int which)
    {
        std::vector<SdlSpy::PaletteCall> calls;
        for (const SdlSpy::PaletteCall& c : SdlSpy::Recorded().setPalette)
            if (c.which == which)
                calls.push_back(c);
        return calls;
    }
    const SDL_Color& Logical(int i) const { return Surface()->format->palette->colors[i]; }

    KWOScreen* m_screen = nullptr;
};

// A palette whose entry i is (i, 2i, 255 - i).
std::unique_ptr<KWOPal> Ramp(unsigned n)
{
    auto pal = std::make_unique<KWOPal>(n);
    for (unsigned i = 0; i < n; ++i)
        pal->Entries()[i] = KWOColor{Uint8(i), Uint8(2 * i), Uint8(255 - i), 0};
    return pal;
}

// An image whose pixel (x, y) is (x + 3y) & 0xFF at 8 bits, a distinct
// colour at the other depths.
std::unique_ptr<KWOImage> Pattern(unsigned w, unsigned h, unsigned bpp)
{
    auto img = std::make_unique<KWOImage>(w, h, bpp);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            img->HLine(int(x), int(y), 1,
                       bpp == 8 ? (x + 3 * y) & 0xFF : 0x10203 * (x + 7 * y + 1));
    return img;
}

// Whether SDL makes cursors with this video driver.
bool SdlMakesCursors()
{
    Uint8 bits[32] = {};
    SDL_Cursor* cursor = SDL_CreateCursor(bits, bits, 16, 16, 0, 0);
    if (cursor == nullptr)
        return false;
    SDL_FreeCursor(cursor);
    return true;
}

bool SameColour(const SDL_Color& a, Uint8 r, Uint8 g, Uint8 b)
{
    return a.r == r && a.g == g && a.b == b;
}
} // namespace

// ---- lifetime and modes -----------------------------------------------------------

TEST_F(SdlTest, ScreenSingletonHoldsSdlVideoForItsLife)
{
    KWOScreen* screen = KWOScreen::Singleton();
    EXPECT_EQ(screen, KWOScreen::Singleton());
    EXPECT_EQ(1u, KWOSDLMgr::GetInstances());
    EXPECT_EQ(0x20u, KWOSDLMgr::GetSDLState());
    EXPECT_EQ(nullptr, screen->Surface());

    // Video mode queries share SDL with the screen.
    auto modes = std::make_unique<KWOVideoMode>();
    EXPECT_EQ(2u, KWOSDLMgr::GetInstances());
    EXPECT_NE(nullptr, modes->VideoInfo());
    delete screen;
    EXPECT_EQ(1u, KWOSDLMgr::GetInstances());
    EXPECT_EQ(0u, SdlSpy::Recorded().quit);
    modes.reset();
    EXPECT_EQ(1u, SdlSpy::Recorded().quit);

    // A new screen after the old one is gone starts SDL again.
    KWOScreen* again = KWOScreen::Singleton();
    EXPECT_EQ(1u, KWOSDLMgr::GetInstances());
    EXPECT_TRUE(again->Init(320, 200, kWindowFlags, 8));
    delete again;
    EXPECT_EQ(2u, SdlSpy::Recorded().quit);
}

TEST_F(ScreenTest, InitOpensTheModeAndSetsTheArrowCursor)
{
    EXPECT_EQ(640u, m_screen->Width());
    EXPECT_EQ(480u, m_screen->Height());
    EXPECT_EQ(8u, m_screen->Bpp());
    ASSERT_NE(nullptr, Surface()->format->palette);

    // The arrow was made by the first Init; every Init sets it. Where SDL
    // makes no cursor (SDL 1.2's compatibility layer over SDL2 on its dummy
    // driver), every Init asks for the arrow again and sets none.
    const bool sdlCursors = SdlMakesCursors();
    Forget();
    ASSERT_TRUE(m_screen->Init(320, 240, kWindowFlags, 8));
    ASSERT_EQ(1u, SdlSpy::Recorded().setVideoMode.size());
    const SdlSpy::VideoModeCall& mode = SdlSpy::Recorded().setVideoMode[0];
    EXPECT_EQ(320, mode.width);
    EXPECT_EQ(240, mode.height);
    EXPECT_EQ(8, mode.bpp);
    EXPECT_EQ(kWindowFlags, mode.flags);
    if (sdlCursors)
    {
        EXPECT_TRUE(SdlSpy::Recorded().cursors.empty());
        // (SDL sets cursors of its own while it changes modes.)
        ASSERT_FALSE(SdlSpy::Recorded().setCursor.empty());
        SDL_Cursor* arrow = SdlSpy::Recorded().setCursor.back();
        EXPECT_EQ(arrow, SDL_GetCursor());

        // Destroying the screen frees the cursor; the next screen makes a new one.
        delete m_screen;
        ASSERT_FALSE(SdlSpy::Recorded().freeCursor.empty());
        EXPECT_EQ(arrow, SdlSpy::Recorded().freeCursor[0]); // before SDL frees its own
    }
    else
    {
        EXPECT_EQ(1u, SdlSpy::Recorded().cursors.size());
        EXPECT_TRUE(SdlSpy::Recorded().setCursor.empty());
        delete m_screen;
    }
    m_screen = KWOScreen::Singleton();
    Forget();
    ASSERT_TRUE(m_screen->Init(640, 480, kWindowFlags, 8));
    ASSERT_EQ(1u, SdlSpy::Recorded().cursors.size());
    EXPECT_EQ((std::vector<int>{1, 1}), SdlSpy::Recorded().cursorHotSpots);
    const std::string& bits = SdlSpy::Recorded().cursors[0];
    ASSERT_EQ(64u, bits.size());
    auto data = [&](int row, int byte) { return Uint8(bits[size_t(row * 2 + byte)]); };
    auto mask = [&](int row, int byte) { return Uint8(bits[size_t(32 + row * 2 + byte)]); };
    EXPECT_EQ(0x80, data(0, 0));
    EXPECT_EQ(0x80, mask(0, 0));
    EXPECT_EQ(0xA0, data(2, 0)); // #.#
    EXPECT_EQ(0xE0, mask(2, 0));
    EXPECT_EQ(0x80, data(10, 0)); // #.........#
    EXPECT_EQ(0x20, data(10, 1));
    EXPECT_EQ(0xFF, mask(10, 0));
    EXPECT_EQ(0xE0, mask(10, 1));
    EXPECT_EQ(0x8F, data(11, 0)); // #...########
    EXPECT_EQ(0xF0, data(11, 1));
    EXPECT_EQ(0xF0, mask(11, 1));
    EXPECT_EQ(0x80, data(15, 0));
    EXPECT_EQ(0x00, mask(15, 1));
}

TEST_F(ScreenTest, FullScreenIsNeverResizable)
{
    ASSERT_TRUE(m_screen->Init(640, 480, 0x80000010, 8));
    EXPECT_EQ(0x80000000u, SdlSpy::Recorded().setVideoMode.back().flags);
    EXPECT_FALSE(m_screen->Resize(800, 600));
    ASSERT_TRUE(m_screen->Init(640, 480, kWindowFlags, 8));
    EXPECT_FALSE(m_screen->Resize(800, 600)); // not resizable
    EXPECT_EQ(2u, SdlSpy::Recorded().setVideoMode.size());

    // A resizable window (the dummy driver forgets the flag: keep it).
    SdlSpy::KeepModeFlags(SDL_RESIZABLE);
    ASSERT_TRUE(m_screen->Init(320, 200, 0x10, 8));
    ASSERT_TRUE(m_screen->Resize(400, 300));
    const SdlSpy::VideoModeCall& call = SdlSpy::Recorded().setVideoMode.back();
    EXPECT_EQ(400, call.width);
    EXPECT_EQ(300, call.height);
    EXPECT_EQ(8, call.bpp);
    EXPECT_NE(0u, call.flags & SDL_RESIZABLE);
    EXPECT_EQ(400u, m_screen->Width());
}

TEST_F(ScreenTest, ARefusedModeLeavesNoSurfaceAndEveryCallIsHarmless)
{
    EXPECT_FALSE(m_screen->Init(100000, 480, kWindowFlags, 8));
    EXPECT_EQ(nullptr, Surface());
    EXPECT_FALSE(m_screen->Resize(10, 10));
    auto img = Pattern(4, 4, 8);
    auto pal = Ramp(4);
    m_screen->CopyImage(0, 0, img.get(), 0, 0, 4, 4);
    m_screen->TCopyImage(0, 0, 1, img.get(), 0, 0, 4, 4);
    m_screen->HLine(0, 0, 10, 1);
    m_screen->Frame(0, 0, 10, 10, 1);
    m_screen->PutPixel(0, 0, 1);
    m_screen->MoveInside(0, 0, 5, 5, 1, 1);
    m_screen->SetClipping(0, 0, 5, 5);
    m_screen->Refresh(0, 0, 10, 10);
    m_screen->FadeIn(pal.get(), 4);
    m_screen->FadeOut(4);
    m_screen->BlackOut();
    m_screen->SetPalette(pal.get(), 0, 4);
    m_screen->Flip();
    EXPECT_EQ(0u, m_screen->GetPixel(0, 0));
    EXPECT_EQ(nullptr, m_screen->GetPalette());
    EXPECT_EQ(nullptr, m_screen->ScreenFormat(img.get()));
    EXPECT_FALSE(m_screen->BMPScreenshot("never"));
    EXPECT_TRUE(SdlSpy::Recorded().updateRects.empty());
    EXPECT_TRUE(SdlSpy::Recorded().setPalette.empty());

    // The next good mode works again.
    ASSERT_TRUE(m_screen->Init(64, 48, kWindowFlags, 8));
    m_screen->PutPixel(1, 1, 9);
    EXPECT_EQ(9u, m_screen->GetPixel(1, 1));
}

// ---- palettes ------------------------------------------------------------------

TEST_F(ScreenTest, PalettesGoToTheDisplay)
{
    auto pal = Ramp(256);
    m_screen->SetPalette(pal.get(), 10, 5);
    ASSERT_EQ(1u, SdlSpy::Recorded().setColors.size());
    const SdlSpy::PaletteCall& call = SdlSpy::Recorded().setColors[0];
    EXPECT_EQ(10, call.first);
    ASSERT_EQ(5u, call.colours.size());
    EXPECT_TRUE(SameColour(call.colours[0], 10, 20, 245));
    EXPECT_TRUE(SameColour(Logical(14), 14, 28, 241));

    std::unique_ptr<KWOPal> back(m_screen->GetPalette());
    ASSERT_NE(nullptr, back);
    ASSERT_EQ(256u, back->Size());
    EXPECT_EQ(12, back->Entries()[12].r);
    EXPECT_EQ(24, back->Entries()[12].g);

    // Only the entries the palette has are read.
    auto small = Ramp(8);
    m_screen->SetPalette(small.get(), 6, 100);
    EXPECT_EQ(2u, SdlSpy::Recorded().setColors.back().colours.size());
    m_screen->SetPalette(small.get(), 8, 1);
    m_screen->SetPalette(nullptr, 0, 1);
    EXPECT_EQ(2u, SdlSpy::Recorded().setColors.size());

    m_screen->ReplacePalette(small.get());
    EXPECT_EQ(8u, SdlSpy::Recorded().setColors.back().colours.size());
    EXPECT_EQ(0, SdlSpy::Recorded().setColors.back().first);
    EXPECT_TRUE(SameColour(Logical(7), 7, 14, 248));
    EXPECT_EQ(8u, small->Size()); // the caller keeps its palette

    // A true-colour display has no palette.
    ASSERT_TRUE(m_screen->Init(64, 48, 0, 32));
    EXPECT_EQ(nullptr, m_screen->GetPalette());
    Forget();
    m_screen->SetPalette(pal.get(), 0, 16);
    m_screen->ReplacePalette(pal.get());
    m_screen->FadeIn(pal.get(), 16);
    m_screen->FadeOut(16);
    EXPECT_TRUE(SdlSpy::Recorded().setColors.empty());
    EXPECT_TRUE(SdlSpy::Recorded().setPalette.empty());
}

TEST_F(ScreenTest, FadesRunFromBlackToThePaletteAndBack)
{
    SdlSpy::SimulateClock(1000, 1);
    auto pal = Ramp(256);
    m_screen->FadeIn(pal.get(), 16);
    const auto phys = PaletteCalls(SDL_PHYSPAL);
    ASSERT_EQ(17u, phys.size());
    for (unsigned i = 0; i <= 16; ++i)
    {
        ASSERT_EQ(256u, phys[i].colours.size());
        EXPECT_TRUE(SameColour(phys[i].colours[200], Uint8((200 * i) >> 4), Uint8((144 * i) >> 4),
                               Uint8((55 * i) >> 4)))
            << i;
    }
    auto both = PaletteCalls(SDL_LOGPAL | SDL_PHYSPAL);
    ASSERT_EQ(1u, both.size());
    EXPECT_TRUE(SameColour(both[0].colours[200], 200, 144, 55));
    EXPECT_TRUE(SameColour(Logical(200), 200, 144, 55));
    // Each step was shown at least kFadeStepMs, without real waiting.
    EXPECT_GE(SdlSpy::LastTicks() - 1000, 16 * KWOScreen::kFadeStepMs);
    EXPECT_FALSE(SdlSpy::Recorded().delays.empty());

    Forget();
    m_screen->FadeOut(16);
    const auto out = PaletteCalls(SDL_PHYSPAL);
    ASSERT_EQ(16u, out.size());
    EXPECT_TRUE(SameColour(out[0].colours[200], (200 * 15) >> 4, (144 * 15) >> 4, (55 * 15) >> 4));
    EXPECT_TRUE(SameColour(out[15].colours[200], 0, 0, 0));
    both = PaletteCalls(SDL_LOGPAL | SDL_PHYSPAL);
    ASSERT_EQ(1u, both.size());
    EXPECT_TRUE(SameColour(both[0].colours[255], 0, 0, 0));
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(SameColour(Logical(i), 0, 0, 0)) << i;

    // Fading in again restores the picture's colours.
    m_screen->FadeIn(pal.get(), 4);
    EXPECT_TRUE(SameColour(Logical(17), 17, 34, 238));
}

TEST_F(ScreenTest, FadeLevelsAndPaletteSizes)
{
    // A clock that moves fast enough never waits.
    SdlSpy::SimulateClock(0, 50);
    auto pal = Ramp(256);
    struct
    {
        char steps;
        size_t updates;
    } cases[] = {{20, 17}, {0, 3}, {1, 3}, {2, 3}, {3, 3}, {8, 9}, {char(200), 129}};
    for (const auto& c : cases)
    {
        Forget();
        m_screen->FadeIn(pal.get(), c.steps);
        EXPECT_EQ(c.updates, PaletteCalls(SDL_PHYSPAL).size()) << int(c.steps);
        Forget();
        m_screen->FadeOut(c.steps);
        EXPECT_EQ(c.updates - 1, PaletteCalls(SDL_PHYSPAL).size()) << int(c.steps);
    }
    EXPECT_TRUE(SdlSpy::Recorded().delays.empty());

    // A small palette fades only its own entries; the others stay.
    m_screen->ReplacePalette(pal.get());
    Forget();
    auto small = Ramp(4);
    m_screen->FadeIn(small.get(), 2);
    for (const SdlSpy::PaletteCall& call : SdlSpy::Recorded().setPalette)
        EXPECT_EQ(4u, call.colours.size());
    EXPECT_TRUE(SameColour(Logical(100), 100, 200, 155));

    Forget();
    m_screen->FadeIn(nullptr, 8);
    KWOPal none(0u);
    m_screen->FadeIn(&none, 8);
    EXPECT_TRUE(SdlSpy::Recorded().setPalette.empty());
}

TEST_F(ScreenTest, BlackOutClearsPaletteAndPixels)
{
    auto pal = Ramp(256);
    m_screen->ReplacePalette(pal.get());
    m_screen->HLine(0, 5, 640, 77);
    m_screen->SetClipping(0, 0, 639, 479);
    Forget();
    m_screen->BlackOut();
    ASSERT_EQ(1u, SdlSpy::Recorded().setColors.size());
    EXPECT_EQ(256u, SdlSpy::Recorded().setColors[0].colours.size());
    EXPECT_TRUE(SameColour(Logical(255), 0, 0, 0));
    EXPECT_EQ(0u, Byte(100, 5));
    ASSERT_FALSE(SdlSpy::Recorded().updateRect.empty());
    const SDL_Rect& whole = SdlSpy::Recorded().updateRect.back();
    EXPECT_EQ(0, whole.x | whole.y | whole.w | whole.h);
}

// ---- drawing -------------------------------------------------------------------

TEST_F(ScreenTest, CopiedPicturesReachTheSurface)
{
    auto img = Pattern(70, 100, 8);
    m_screen->CopyImage(10, 20, img.get(), 0, 0, 70, 100);
    for (int y = 0; y < 100; y += 9)
        for (int x = 0; x < 70; x += 7)
            ASSERT_EQ((x + 3 * y) & 0xFF, int(Byte(10 + x, 20 + y))) << x << "," << y;
    EXPECT_EQ(0u, Byte(9, 20));
    EXPECT_EQ(0u, Byte(80, 20));
    EXPECT_EQ(img->GetPixel(5, 6), m_screen->GetPixel(15, 26));

    // Clipped at the surface's edge; a block of another depth is refused.
    m_screen->CopyImage(630, 470, img.get(), 2, 3, 70, 100);
    EXPECT_EQ(img->GetPixel(11, 12), m_screen->GetPixel(639, 479));
    auto deep = Pattern(4, 4, 32);
    m_screen->CopyImage(0, 0, deep.get(), 0, 0, 4, 4);
    EXPECT_EQ(0u, Byte(0, 0));

    // Transparent copies keep what lies under the key colour.
    auto sprite = std::make_unique<KWOImage>(3, 1, 8);
    sprite->HLine(0, 0, 3, 5);
    sprite->HLine(1, 0, 1, 0);
    m_screen->HLine(300, 300, 3, 9);
    m_screen->TCopyImage(300, 300, 0, sprite.get(), 0, 0, 3, 1);
    EXPECT_EQ(5u, Byte(300, 300));
    EXPECT_EQ(9u, Byte(301, 300));
    EXPECT_EQ(5u, Byte(302, 300));

    // Outside the surface nothing is read.
    EXPECT_EQ(0u, m_screen->GetPixel(-1, 0));
    EXPECT_EQ(0u, m_screen->GetPixel(640, 0));
    EXPECT_EQ(0u, m_screen->GetPixel(0, 480));
}

TEST_F(ScreenTest, ClippingAndPrimitives)
{
    m_screen->SetClipping(540, 450, 100, 130); // corners in any order
    const SDL_Rect& clip = Surface()->clip_rect;
    EXPECT_EQ(100, clip.x);
    EXPECT_EQ(130, clip.y);
    EXPECT_EQ(441, clip.w);
    EXPECT_EQ(321, clip.h);
    m_screen->HLine(0, 200, 640, 3);
    EXPECT_EQ(0u, Byte(99, 200));
    EXPECT_EQ(3u, Byte(100, 200));
    EXPECT_EQ(3u, Byte(540, 200));
    EXPECT_EQ(0u, Byte(541, 200));
    m_screen->VLine(120, 0, 480, 4);
    EXPECT_EQ(0u, Byte(120, 129));
    EXPECT_EQ(4u, Byte(120, 450));
    EXPECT_EQ(0u, Byte(120, 451));
    m_screen->PutPixel(99, 140, 6);
    EXPECT_EQ(0u, Byte(99, 140));
    // GetPixel ignores the clipping.
    m_screen->SetClipping(0, 0, 639, 479);
    m_screen->PutPixel(99, 140, 6);
    EXPECT_EQ(6u, m_screen->GetPixel(99, 140));
    m_screen->XorPixel(99, 140, 3);
    EXPECT_EQ(5u, m_screen->GetPixel(99, 140));

    // Far corners are cut to the surface, never wrapped.
    m_screen->SetClipping(-100000, -5, 100000, 70000);
    EXPECT_EQ(0, clip.x);
    EXPECT_EQ(640, clip.w);
    EXPECT_EQ(480, clip.h);
    m_screen->SetClipping(700, 0, 800, 10); // wholly outside: nothing is drawn
    m_screen->HLine(0, 5, 640, 1);
    m_screen->Frame(0, 0, 640, 480, 1);
    m_screen->SetClipping(0, 0, 639, 479);
    EXPECT_EQ(0u, m_screen->GetPixel(700 - 640, 5));
    EXPECT_EQ(0u, m_screen->GetPixel(0, 0));

    // Frames draw as on images (each pixel once: tested there).
    m_screen->HLine(0, 10, 640, 0x0F);
    m_screen->Frame(5, 8, 10, 5, 0xFF, KWOScreen::DrawXor);
    EXPECT_EQ(0xF0u, Byte(5, 10));
    EXPECT_EQ(0xFFu, Byte(14, 9));
    EXPECT_EQ(0x0Fu, Byte(6, 10));

    // Moves handle overlapping blocks.
    for (int x = 0; x < 8; ++x)
        m_screen->PutPixel(200 + x, 50, unsigned(x + 1));
    m_screen->MoveInside(200, 50, 8, 1, 202, 50);
    EXPECT_EQ(1u, Byte(202, 50));
    EXPECT_EQ(8u, Byte(209, 50));
    m_screen->MoveInside(635, 50, 20, 1, 0, 60); // the source is cut to the surface
    EXPECT_EQ(0u, Byte(5, 60));
}

TEST_F(ScreenTest, RectanglesFillInsideTheClippingUntilItStops)
{
    m_screen->SetClipping(100, 130, 540, 450);
    m_screen->Rectangle(90, 120, 20, 20, 7); // cut at the clipping's corner
    EXPECT_EQ(0u, Byte(99, 135));
    EXPECT_EQ(0u, Byte(105, 129));
    EXPECT_EQ(7u, Byte(100, 130));
    EXPECT_EQ(7u, Byte(109, 139));
    EXPECT_EQ(0u, Byte(110, 139));
    EXPECT_EQ(0u, Byte(109, 140));
    m_screen->Rectangle(104, 134, 2, 2, 3, KWOScreen::DrawXor);
    EXPECT_EQ(4u, Byte(105, 135));

    // Whole-surface blocks and blocks far outside never wrap.
    m_screen->StopClipping();
    const SDL_Rect& clip = Surface()->clip_rect;
    EXPECT_EQ(640, clip.w);
    EXPECT_EQ(480, clip.h);
    m_screen->Rectangle(-5, -5, 0xFFFFFFFFu, 0xFFFFFFFFu, 9);
    EXPECT_EQ(9u, Byte(0, 0));
    EXPECT_EQ(9u, Byte(639, 479));
    m_screen->Rectangle(0, 479, 640, 0, 1);
    m_screen->Rectangle(0, 480, 640, 10, 1);
    m_screen->Rectangle(2147483000, 0, 1000, 10, 1);
    EXPECT_EQ(9u, Byte(639, 479));
    EXPECT_EQ(9u, Byte(0, 0));

    // The pointer shows and hides.
    m_screen->ShowCursor(false);
    EXPECT_EQ(SDL_DISABLE, SDL_ShowCursor(SDL_QUERY));
    m_screen->ShowCursor(true);
    EXPECT_EQ(SDL_ENABLE, SDL_ShowCursor(SDL_QUERY));
}

TEST_F(ScreenTest, NewModesStartBlack)
{
    // Also where SDL leaves the memory of a new surface as it was (SDL 1.2's
    // compatibility layer over SDL2 does). (No pointer: SDL 1.2's dummy
    // driver draws it into the surface.)
    m_screen->ShowCursor(false);
    SdlSpy::DirtyNewModes(0x5A);
    auto black = [&]
    {
        const unsigned want = SDL_MapRGB(Surface()->format, 0, 0, 0);
        for (int y = 0; y < Surface()->h; ++y)
            for (int x = 0; x < Surface()->w; ++x)
                if (m_screen->GetPixel(x, y) != want)
                    return false;
        return true;
    };
    for (unsigned bpp : {8u, 16u, 24u, 32u})
    {
        ASSERT_TRUE(m_screen->Init(64, 48, 0, bpp));
        EXPECT_TRUE(black()) << bpp;
    }
    SdlSpy::KeepModeFlags(SDL_RESIZABLE);
    ASSERT_TRUE(m_screen->Init(64, 48, 0x10, 8));
    ASSERT_TRUE(m_screen->Resize(80, 60));
    EXPECT_TRUE(black());
}

TEST_F(ScreenTest, DeeperScreensUseTheImageEncoding)
{
    for (unsigned bpp : {16u, 24u, 32u})
    {
        SCOPED_TRACE(bpp);
        ASSERT_TRUE(m_screen->Init(64, 48, 0, bpp));
        ASSERT_EQ(bpp, m_screen->Bpp());
        m_screen->HLine(2, 3, 5, 0x112233);
        const unsigned want = bpp == 16 ? 0x2233u : 0x112233u;
        EXPECT_EQ(want, m_screen->GetPixel(6, 3));
        if (bpp == 24)
        {
            const Uint8* p = static_cast<const Uint8*>(Surface()->pixels) + 3 * Surface()->pitch;
            EXPECT_EQ(0x33, p[6]);
            EXPECT_EQ(0x22, p[7]);
            EXPECT_EQ(0x11, p[8]);
        }
        auto img = Pattern(5, 5, bpp);
        m_screen->CopyImage(60, 40, img.get(), 0, 0, 5, 5);
        EXPECT_EQ(img->GetPixel(3, 4), m_screen->GetPixel(63, 44));
        m_screen->TCopyImage(0, 0, img->GetPixel(0, 0), img.get(), 0, 0, 2, 1);
        EXPECT_EQ(0u, m_screen->GetPixel(0, 0));
        EXPECT_EQ(img->GetPixel(1, 0), m_screen->GetPixel(1, 0));
    }
}

TEST_F(ScreenTest, RefreshCutsTheRectangleToTheSurface)
{
    m_screen->Refresh(-10, -10, 20, 20);
    m_screen->Refresh(630, 470, 100, 100);
    m_screen->Refresh(0, 0, 640, 480);
    m_screen->Refresh(640, 0, 10, 10); // right of the surface
    m_screen->Refresh(0, 480, 10, 10); // below it
    m_screen->Refresh(-30, 0, 20, 5);  // left of it
    m_screen->Refresh(-20, 0, 20, 5);  // ends at its edge: nothing left
    m_screen->Refresh(-5, -5, 0xFFFFFFFFu, 0xFFFFFFFFu);
    const auto& rects = SdlSpy::Recorded().updateRects;
    ASSERT_EQ(4u, rects.size());
    auto same = [](const SDL_Rect& r, int x, int y, int w, int h)
    { return r.x == x && r.y == y && r.w == w && r.h == h; };
    EXPECT_TRUE(same(rects[0], 0, 0, 10, 10));
    EXPECT_TRUE(same(rects[1], 630, 470, 10, 10));
    EXPECT_TRUE(same(rects[2], 0, 0, 640, 480));
    EXPECT_TRUE(same(rects[3], 0, 0, 640, 480));

    // Flip shows a double-buffered display only.
    m_screen->Flip();
    EXPECT_EQ(0u, SdlSpy::Recorded().flips);
    SdlSpy::KeepModeFlags(SDL_DOUBLEBUF);
    ASSERT_TRUE(m_screen->Init(64, 48, kWindowFlags | SDL_DOUBLEBUF, 8));
    m_screen->Flip();
    EXPECT_EQ(1u, SdlSpy::Recorded().flips);
    EXPECT_EQ(0u, SdlSpy::Recorded().glSwaps);
}

TEST_F(ScreenTest, ScreenFormatConvertsOnlyOtherDepths)
{
    auto same = Pattern(4, 4, 8);
    EXPECT_EQ(same.get(), m_screen->ScreenFormat(same.get()));
    EXPECT_EQ(nullptr, m_screen->ScreenFormat(nullptr));
    KWOImage empty(0, 0, 24);
    EXPECT_EQ(nullptr, m_screen->ScreenFormat(&empty));

    // A true-colour picture onto the 8-bit screen: its colours map to the
    // screen's palette, which the new picture receives.
    auto pal = Ramp(256);
    pal->Entries()[7] = KWOColor{255, 0, 0, 0};
    m_screen->ReplacePalette(pal.get());
    KWOImage rgb(3, 2, 24);
    rgb.Rectangle(0, 0, 3, 2, 0xFF0000);
    std::unique_ptr<KWOImage> converted(m_screen->ScreenFormat(&rgb));
    ASSERT_NE(nullptr, converted);
    EXPECT_EQ(8u, converted->Bpp());
    EXPECT_EQ(3u, converted->Width());
    EXPECT_EQ(7u, converted->GetPixel(2, 1));
    ASSERT_NE(nullptr, converted->Palette());
    EXPECT_EQ(256u, converted->Palette()->Size());
    EXPECT_EQ(255, converted->Palette()->Entries()[7].r);

    // A paletted picture onto a true-colour screen.
    ASSERT_TRUE(m_screen->Init(64, 48, 0, 32));
    KWOImage indexed(5, 3, 8);
    indexed.Rectangle(0, 0, 5, 3, 2);
    indexed.SetPalette(pal.get(), 0, 256);
    std::unique_ptr<KWOImage> deep(m_screen->ScreenFormat(&indexed));
    ASSERT_NE(nullptr, deep);
    EXPECT_EQ(32u, deep->Bpp());
    EXPECT_EQ(0x0204FDu, deep->GetPixel(4, 2) & 0xFFFFFF);
    m_screen->CopyImage(0, 0, deep.get(), 0, 0, 5, 3);
    EXPECT_EQ(deep->GetPixel(1, 1), m_screen->GetPixel(1, 1));
}

// ---- window ----------------------------------------------------------------------

TEST_F(ScreenTest, CaptionAndIcon)
{
    char* title = nullptr;
    char* icon = nullptr;
    m_screen->SetNames("KWO Duomatch v1.1", nullptr);
    SDL_WM_GetCaption(&title, &icon);
    EXPECT_STREQ("KWO Duomatch v1.1", title);
    EXPECT_STREQ("KWO Duomatch v1.1", icon);
    m_screen->SetNames("Window", "Icon");
    SDL_WM_GetCaption(&title, &icon);
    EXPECT_STREQ("Window", title);
    EXPECT_STREQ("Icon", icon);

    // An 8-bit icon with its palette, its top-left pixel transparent.
    auto img = Pattern(32, 32, 8);
    auto pal = Ramp(256);
    img->SetPalette(pal.get(), 0, 256);
    m_screen->SetIcon(img.get(), true, img->GetPixel(0, 0));
    ASSERT_EQ(1u, SdlSpy::Recorded().icons.size());
    const SdlSpy::IconCall& call = SdlSpy::Recorded().icons[0];
    EXPECT_EQ(32, call.width);
    EXPECT_EQ(8, call.bpp);
    EXPECT_TRUE(call.keyed);
    EXPECT_EQ(0u, call.key);
    EXPECT_FALSE(call.maskGiven);
    EXPECT_EQ(std::vector<Uint8>(img->Pixels(), img->Pixels() + 32 * 32), call.pixels);
    ASSERT_EQ(256u, call.colours.size());
    EXPECT_TRUE(SameColour(call.colours[9], 9, 18, 246));

    // True-colour icons with their masks; no key without transparency.
    auto rgb = Pattern(4, 4, 32);
    m_screen->SetIcon(rgb.get(), false, 0);
    auto rgb24 = Pattern(4, 4, 24);
    m_screen->SetIcon(rgb24.get(), true, 0x10203);
    auto hi = Pattern(4, 4, 16);
    m_screen->SetIcon(hi.get(), false, 0);
    m_screen->SetIcon(nullptr, true, 0);
    KWOImage empty(0, 0, 8);
    m_screen->SetIcon(&empty, true, 0);
    const auto& icons = SdlSpy::Recorded().icons;
    ASSERT_EQ(4u, icons.size());
    EXPECT_FALSE(icons[1].keyed);
    EXPECT_EQ(0xFF0000u, icons[1].rmask);
    EXPECT_EQ(0xFFu, icons[1].bmask);
    EXPECT_EQ(std::vector<Uint8>(rgb->Pixels(), rgb->Pixels() + 64), icons[1].pixels);
    EXPECT_EQ(24, icons[2].bpp);
    EXPECT_TRUE(icons[2].keyed);
    EXPECT_EQ(0x10203u, icons[2].key);
    EXPECT_EQ(0xF800u, icons[3].rmask);
}

TEST_F(ScreenTest, ScreenshotsTakeTheNextFreeName)
{
    TempDir dir;
    const std::string prefix = dir / "shot";
    auto pal = Ramp(256);
    m_screen->ReplacePalette(pal.get());
    auto img = Pattern(70, 100, 8);
    m_screen->CopyImage(10, 20, img.get(), 0, 0, 70, 100);
    ASSERT_TRUE(m_screen->BMPScreenshot(prefix.c_str()));
    ASSERT_TRUE(m_screen->BMPScreenshot(prefix.c_str()));
    EXPECT_FALSE(ReadFileBytes(dir / "shot000.bmp").empty());
    EXPECT_FALSE(ReadFileBytes(dir / "shot001.bmp").empty());

    SDL_Surface* shot = SDL_LoadBMP((dir / "shot000.bmp").c_str());
    ASSERT_NE(nullptr, shot);
    EXPECT_EQ(640, shot->w);
    EXPECT_EQ(480, shot->h);
    ASSERT_EQ(8, shot->format->BitsPerPixel);
    const Uint8* p = static_cast<const Uint8*>(shot->pixels);
    EXPECT_EQ(img->GetPixel(5, 6), p[26 * shot->pitch + 15]);
    EXPECT_TRUE(SameColour(shot->format->palette->colors[40], 40, 80, 215));
    SDL_FreeSurface(shot);

    // No free name left, a folder that does not exist, no prefix.
    for (int n = 2; n < 1000; ++n)
    {
        char name[32];
        std::snprintf(name, sizeof name, "full%03d.bmp", n);
        WriteFileBytes(dir / name, "x");
    }
    WriteFileBytes(dir / "full000.bmp", "x");
    WriteFileBytes(dir / "full001.bmp", "x");
    EXPECT_FALSE(m_screen->BMPScreenshot((dir / "full").c_str()));
    EXPECT_EQ("x", ReadFileBytes(dir / "full999.bmp"));
    EXPECT_FALSE(m_screen->BMPScreenshot((dir / "missing/shot").c_str()));
    EXPECT_FALSE(m_screen->BMPScreenshot(nullptr));
}

TEST_F(ScreenTest, PrintInfo)
{
    const std::string before = Logged();
    m_screen->PrintInfo();
    EXPECT_NE(std::string::npos,
              Logged().find("Screen: 640 x 480 x 8 bpp, pitch: 640, flags: 0x", before.size()));
    EXPECT_NE(std::string::npos, Logged().find(", palette: 256 colors\n"));
}

// ---- video modes -----------------------------------------------------------------

TEST_F(SdlTest, VideoModesAreListedSortedFromTheLargest)
{
    KWOVideoMode modes;
    VideoMode* list = reinterpret_cast<VideoMode*>(1);
    // The dummy driver allows any size at every depth.
    EXPECT_EQ(-1, modes.QueryModes(&list, 0, 0));
    EXPECT_EQ(nullptr, list);

    SdlSpy::SimulateModes({{8, {{0, 0, 800, 600}, {0, 0, 640, 480}}},
                           {16, {{0, 0, 1024, 768}, {0, 0, 640, 480}}},
                           {24, {}}});
    SdlSpy::Recorded() = SdlSpy::Calls();
    ASSERT_EQ(4, modes.QueryModes(&list, 0, 0));
    EXPECT_EQ((std::vector<Uint8>{8, 16, 24, 32}), SdlSpy::Recorded().listModesBpp);
    for (Uint32 flags : SdlSpy::Recorded().listModesFlags)
        EXPECT_EQ(0x80000001u, flags);
    const unsigned want[4][3] = {{1024, 768, 16}, {800, 600, 8}, {640, 480, 16}, {640, 480, 8}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(want[i][0], list[i].width) << i;
        EXPECT_EQ(want[i][1], list[i].height) << i;
        EXPECT_EQ(want[i][2], list[i].bpp) << i;
    }
    delete[] list;

    // One depth: SDL's order.
    ASSERT_EQ(2, modes.GetModes(&list, 0, 8));
    EXPECT_EQ(800u, list[0].width);
    EXPECT_EQ(8u, list[1].bpp);
    delete[] list;
    ASSERT_EQ(2, modes.QueryModes(&list, 0, 16));
    EXPECT_EQ(1024u, list[0].width);
    delete[] list;
    EXPECT_EQ(0, modes.GetModes(&list, 0, 24)); // an empty list
    EXPECT_EQ(nullptr, list);
    EXPECT_EQ(0, modes.GetModes(&list, 0, 32)); // no modes
    EXPECT_EQ(nullptr, list);

    // Any size at one depth makes the whole answer "any size".
    SdlSpy::SimulateModes({{8, {{0, 0, 800, 600}}}}, {32});
    EXPECT_EQ(-1, modes.QueryModes(&list, 0, 0));
    EXPECT_EQ(nullptr, list);
}
