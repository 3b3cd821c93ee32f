// The examples run as processes under SDL's dummy drivers, each driven by a
// script of input events, and judged by what they printed, wrote and showed
// (screenshots taken through the library).
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include "app/KWOScore.h"
#include "files/KWOArchKWO.h"
#include "files/KWOResFile.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace
{
const std::string kData = KWO_GAME_DATA_DIR; // empty when the game's data is not built
const std::string kImages = std::string(KWO_TEST_DATA_DIR) + "/images/";

#define REQUIRE_GAME_DATA()                                                                        \
    if (kData.empty())                                                                             \
    GTEST_SKIP() << "the game's data is not built (KWO_BUILD_GAME=OFF)"

std::unique_ptr<KWOImage> Picture(const std::string& path)
{
    auto image = std::make_unique<KWOImage>(0u, 0u, 8u);
    EXPECT_TRUE(image->LoadName(path.c_str(), 0)) << path;
    return image;
}

// A palette colour as 0xRRGGBB.
unsigned Rgb(const KWOColor& c)
{
    return unsigned(c.r) << 16 | unsigned(c.g) << 8 | c.b;
}

// The colour of pixel (x, y) of an 8-bit picture, as 0xRRGGBB.
unsigned Colour(const KWOImage& image, int x, int y)
{
    return Rgb(image.Palette()->Entries()[image.GetPixel(x, y)]);
}

// The last x in row y whose colour is `rgb` (-1 when none is).
int LastOfColour(const KWOImage& shot, int y, unsigned rgb)
{
    int last = -1;
    for (int x = 0; x < int(shot.Width()); ++x)
        if (Colour(shot, x, y) == rgb)
            last = x;
    return last;
}

// Sets an environment variable for one scope.
struct ScopedEnv
{
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        m_old = m_had ? old : "";
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { m_had ? setenv(m_name, m_old.c_str(), 1) : unsetenv(m_name); }
    const char* m_name;
    bool m_had;
    std::string m_old;
};
} // namespace

TEST(Examples, HelloShowsTheGreetingInTheMiddleAndQuitsOnAKey)
{
    REQUIRE_GAME_DATA();
    TempDir dir;
    ProcessResult r = RunProcess(
        KWO_EXAMPLE_HELLO, {kData + "/duomatch.dat", "--script", "shot key:space"}, dir.Path());
    ASSERT_EQ(0, r.status) << r.out << r.err;

    // The text as hello draws it with the archive's font, centred on a black screen.
    std::unique_ptr<KWOArchive> archive(KWOArchive::OpenArchive((kData + "/duomatch.dat").c_str()));
    ASSERT_NE(nullptr, archive);
    std::unique_ptr<KWOResFile> stream(archive->OpenFile("score.font"));
    ASSERT_NE(nullptr, stream);
    KWOFont font(*stream, 0);
    const char* text = "Hello, world!";
    const int w = int(font.TextWidth(text)), h = font.Ascent() + font.Descent();
    KWOImage expected(unsigned(w), unsigned(h), 8u);
    KWOFont::FontParams params{&font, KWOFont::AlignTop, {0, 1, 2, 3}};
    expected.DrawTextEx(0, 0, text, params);

    auto shot = Picture(dir / "shot000.bmp");
    ASSERT_EQ(640u, shot->Width());
    const int x0 = (640 - w) / 2, y0 = (480 - h) / 2;
    int wrong = 0, lit = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
        {
            const bool inside = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
            const unsigned want = inside ? expected.GetPixel(x - x0, y - y0) : 0;
            wrong += shot->GetPixel(x, y) != want;
            lit += want != 0;
        }
    EXPECT_EQ(0, wrong);
    EXPECT_GT(lit, 100);
    EXPECT_EQ(0xFFEB8Cu, Rgb(shot->Palette()->Entries()[3]));
}

TEST(Examples, ViewerShowsPicturesSkipsBadFilesAndSavesScreenshots)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "pictures");
    std::filesystem::copy_file(kImages + "gif-64col.gif", dir / "pictures/gif-64col.gif");
    std::filesystem::copy_file(kImages + "tga-24bit.tga", dir / "pictures/tga-24bit.tga");
    WriteFileBytes(dir / "pictures/broken.gif", "no picture at all");

    // broken.gif is skipped, gif-64col.gif comes first; S, right, S, a click
    // (wraps round, skipping broken.gif again), S.
    ProcessResult r = RunProcess(
        KWO_EXAMPLE_VIEWER,
        {"pictures", "--script", "key:s key:right key:s click:5,5 key:s key:escape"}, dir.Path());
    ASSERT_EQ(0, r.status) << r.out << r.err;
    EXPECT_NE(std::string::npos, r.out.find("TGA:: bad format\nviewer: skipped broken.gif\n"))
        << r.out;
    EXPECT_NE(std::string::npos, r.out.find("gif-64col.gif: GIF, 16 x 12, 8 bits\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("tga-24bit.tga: TGA, 7 x 5, 24 bits\n")) << r.out;

    // The GIF in the middle, with its own pixel values and colours.
    auto gif = Picture(kImages + "gif-64col.gif");
    auto shot = Picture(dir / "viewer000.bmp");
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
        {
            ASSERT_EQ(gif->GetPixel(x, y), shot->GetPixel(312 + x, 234 + y)) << x << "," << y;
            ASSERT_EQ(Colour(*gif, x, y), Colour(*shot, 312 + x, 234 + y));
        }
    EXPECT_EQ(0u, shot->GetPixel(311, 234));

    // The true-colour TGA through 256 colours: each component close.
    auto tga = Picture(kImages + "tga-24bit.tga");
    shot = Picture(dir / "viewer001.bmp");
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
        {
            const unsigned want = tga->GetPixel(x, y), got = Colour(*shot, 316 + x, 237 + y);
            for (int s = 0; s < 24; s += 8)
                ASSERT_NEAR(int(want >> s & 0xFF), int(got >> s & 0xFF), 85) << x << "," << y;
        }
    EXPECT_EQ(ReadFileBytes(dir / "viewer000.bmp"), ReadFileBytes(dir / "viewer002.bmp"));
}

TEST(Examples, JukeboxMixesAndDrawsEachChannel)
{
    REQUIRE_GAME_DATA();
    TempDir dir;
    // The disk driver writes what the mixer produced to a file.
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", dir / "mixed.raw");
    ScopedEnv delay("SDL_DISKAUDIODELAY", "20");
    ProcessResult r = RunProcess(KWO_EXAMPLE_JUKEBOX,
                                 {kData + "/duomatch.dat", "-m", "applause.wav", "ding.wav",
                                  "missing.wav", "--script",
                                  "key:m wait:5 key:1 key:9 wait:2 shot key:- key:- key:left "
                                  "wait:2 shot key:m wait:2 shot key:escape"},
                                 dir.Path());
    ASSERT_EQ(0, r.status) << r.out << r.err;
    EXPECT_NE(std::string::npos,
              r.out.find("applause.wav: music\nding.wav: sound\nmissing.wav: not loaded\n"))
        << r.out;
    EXPECT_NE(std::string::npos, r.out.find("volume 64, pan -20\n")) << r.out;

    const std::string mixed = ReadFileBytes(dir / "mixed.raw");
    EXPECT_NE(std::string::npos, mixed.find_first_not_of('\0'))
        << mixed.size() << " bytes of silence";

    // Row 0 is the music's: its volume bar (yellow) shrinks from 96 to 64 and
    // the pan mark (red) moves left; when the music stops the row is free.
    const unsigned yellow = 0xF0C800, red = 0xE62828;
    auto before = Picture(dir / "shot000.bmp"), after = Picture(dir / "shot001.bmp");
    const int bar0 = LastOfColour(*before, 44, yellow) - 200,
              bar1 = LastOfColour(*after, 44, yellow) - 200;
    EXPECT_NEAR(bar0 * 2, bar1 * 3, 6) << bar0 << " then " << bar1;
    EXPECT_LT(LastOfColour(*after, 44, red), LastOfColour(*before, 44, red));
    EXPECT_EQ(-1, LastOfColour(*before, 44 + 2 * 52, yellow)); // a free channel
    auto stopped = Picture(dir / "shot002.bmp");
    EXPECT_EQ(-1, LastOfColour(*stopped, 44, yellow));
}

TEST(Examples, SpritesMovesCardsAndDragsOneWithTheMouse)
{
    REQUIRE_GAME_DATA();
    TempDir dir;
    // Card 0 starts at (20, 20): grab it in its middle and carry it to (500, 300).
    ProcessResult r =
        RunProcess(KWO_EXAMPLE_SPRITES,
                   {kData, "--script",
                    "press:55,70 move:500,300 wait:3 shot release:500,300 wait:20 shot key:escape"},
                   dir.Path());
    ASSERT_EQ(0, r.status) << r.out << r.err;
    EXPECT_NE(std::string::npos, r.out.find(" frames per second\nrank 1 in sprites.scores\n"))
        << r.out;

    // The run is in the highscore table, with the number of cards.
    KWOScore best(5, KWOScore::HigherFirst, 0);
    ASSERT_TRUE(best.Load((dir / "sprites.scores").c_str()));
    EXPECT_GT(best.m_entries[0].score, 0);
    EXPECT_EQ(24, best.m_entries[0].level);
    EXPECT_EQ(0, best.m_entries[1].score);

    // The carried card shows the set's first face, without its transparent colour.
    auto set = Picture(kData + "/Shapes.set");
    const unsigned key = set->GetPixel(301, 300);
    auto held = Picture(dir / "shot000.bmp");
    int faceMatches = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 70; ++x)
            if (set->GetPixel(x, y) != key)
            {
                ASSERT_EQ(set->GetPixel(x, y), held->GetPixel(465 + x, 250 + y)) << x << "," << y;
                ++faceMatches;
            }
    EXPECT_GT(faceMatches, 1000);

    // Twenty frames later the cards have moved.
    auto later = Picture(dir / "shot001.bmp");
    int changed = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            changed += held->GetPixel(x, y) != later->GetPixel(x, y);
    EXPECT_GT(changed, 5000);
}

TEST(Examples, PackerBuildsListsAndReadsBack)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "in/sub");
    const std::string text = "first line\r\nsecond\n", blob(5000, '\x5A');
    WriteFileBytes(dir / "in/notes.txt", text);
    WriteFileBytes(dir / "in/blob.bin", blob);
    WriteFileBytes(dir / "in/.hidden", "x");
    WriteFileBytes(dir / "in/sub/inner.txt", "y");

    ProcessResult r =
        RunProcess(KWO_EXAMPLE_PACKER,
                   {"-folder", "in", "-archive", "out.kwo", "-member", "notes.txt"}, dir.Path());
    ASSERT_EQ(0, r.status) << r.out << r.err;
    EXPECT_NE(std::string::npos, r.out.find("out.kwo: 2 members, 5019 bytes\n")) << r.out;
    EXPECT_NE(std::string::npos,
              r.out.find("notes.txt through the finder: 19 bytes, first line \"first line\"\n"))
        << r.out;

    // The archive holds exactly the two files, by name.
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Open((dir / "out.kwo").c_str()));
    ASSERT_EQ(2u, archive.NbFiles());
    for (const auto& [name, bytes] : {std::pair{"blob.bin", blob}, std::pair{"notes.txt", text}})
    {
        ASSERT_NE(0xFFFFFFFFu, archive.FindFile(name)) << name;
        ASSERT_TRUE(archive.ExtractFile(archive.FindFile(name), (dir / "x").c_str()));
        EXPECT_EQ(bytes, ReadFileBytes(dir / "x")) << name;
    }

    // An existing archive is never replaced.
    const std::string before = ReadFileBytes(dir / "out.kwo");
    r = RunProcess(KWO_EXAMPLE_PACKER, {"-folder", "in", "-archive", "out.kwo"}, dir.Path());
    EXPECT_EQ(1, r.status);
    r = RunProcess(KWO_EXAMPLE_PACKER, {"-folder", "in", "-archives", "x.kwo"}, dir.Path());
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Config: unknown parameter archives\n")) << r.out;
    EXPECT_EQ(before, ReadFileBytes(dir / "out.kwo"));
}
