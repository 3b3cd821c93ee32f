// The data generator: every file it writes loads through the library with
// the size, depth and layout the game relies on, and the data script packs
// the nine archive members.
#include "support/Process.h"
#include "support/TempDir.h"

#include "audio/KWOSound.h"
#include "files/KWOArchKWO.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{
const std::string kBin = KWO_BIN_DIR;

std::unique_ptr<KWOImage> LoadPicture(const std::string& path)
{
    auto img = std::make_unique<KWOImage>(1u, 1u, 8u);
    if (!img->LoadName(path.c_str(), 0))
        return nullptr;
    return img;
}

class Mkdata : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ProcessResult r = RunProcess(kBin + "/mkdata", {m_dir.Path()}, m_dir.Path());
        ASSERT_EQ(0, r.status) << r.err;
    }
    TempDir m_dir;
};
} // namespace

TEST_F(Mkdata, PicturesLoadWithTheirSizeAndPalette)
{
    struct Expect
    {
        const char* name;
        unsigned w, h;
    };
    const Expect pictures[] = {{"kwo2.gif", 360, 200},   {"title.gif", 640, 480},
                               {"menu.gif", 580, 280},   {"duomatch-ico.gif", 32, 32},
                               {"Shapes.set", 432, 432}, {"Patterns.set", 432, 432}};
    for (const Expect& e : pictures)
    {
        SCOPED_TRACE(e.name);
        // The .gif members are GIF files; the sets may be any picture.
        const std::string name = e.name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".gif")
        {
            EXPECT_EQ("GIF8", ReadFileBytes(m_dir / e.name).substr(0, 4));
        }
        auto img = LoadPicture(m_dir / e.name);
        ASSERT_NE(nullptr, img);
        EXPECT_EQ(e.w, img->Width());
        EXPECT_EQ(e.h, img->Height());
        EXPECT_EQ(8u, img->Bpp());
        ASSERT_NE(nullptr, img->Palette());
        EXPECT_EQ(256u, img->Palette()->Size());
    }
}

TEST_F(Mkdata, SetsCarryTheMeasuringMarks)
{
    for (const char* name : {"Shapes.set", "Patterns.set"})
    {
        SCOPED_TRACE(name);
        auto set = LoadPicture(m_dir / name);
        ASSERT_NE(nullptr, set);
        const unsigned key = set->GetPixel(301, 300);
        // Digits 24 x 32, labels 36 rows high: the first key pixel of each probe.
        auto firstKeyX = [&]()
        {
            for (int x = 0; x < 30; ++x)
                if (set->GetPixel(x, 340) == key)
                    return x;
            return 30;
        };
        auto firstKeyDown = [&](int x, int y0)
        {
            for (int d = 0; d < 40; ++d)
                if (set->GetPixel(x, y0 + d) == key)
                    return d;
            return 40;
        };
        EXPECT_EQ(24, firstKeyX());
        EXPECT_EQ(32, firstKeyDown(300, 300));
        EXPECT_EQ(36, firstKeyDown(140, 341));
        EXPECT_EQ(36, firstKeyDown(311, 341));
        EXPECT_EQ(36, firstKeyDown(422, 341));
        // Card corners are transparent, card middles are not; the sixteen faces differ.
        std::set<std::string> faces;
        const int pos[16][2] = {{0, 0},    {70, 0},    {140, 0},   {210, 0},   {280, 0},   {350, 0},
                                {0, 100},  {70, 100},  {140, 100}, {210, 100}, {280, 100}, {0, 200},
                                {70, 200}, {140, 200}, {210, 200}, {280, 200}};
        for (const auto& p : pos)
        {
            EXPECT_EQ(key, set->GetPixel(p[0], p[1]));
            EXPECT_NE(key, set->GetPixel(p[0] + 35, p[1] + 50));
            std::string pixels;
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 70; ++x)
                    pixels += char(set->GetPixel(p[0] + x, p[1] + y));
            faces.insert(pixels);
        }
        EXPECT_EQ(16u, faces.size());
        EXPECT_NE(key, set->GetPixel(350 + 35, 100 + 50)); // the back
    }
}

TEST_F(Mkdata, FontCoversPrintableAscii)
{
    KWOFont font((m_dir / "score.font").c_str());
    ASSERT_TRUE(font.Defined());
    EXPECT_EQ(32u, font.First());
    EXPECT_EQ(126u, font.Last());
    EXPECT_EQ(2u, font.Bpp());
    for (unsigned c = 33; c <= 126; ++c)
        EXPECT_GT(font.CharWidth(static_cast<unsigned char>(c)), 0u) << c;
    EXPECT_GT(font.CharWidth(' '), 0u);
    // A name of 19 wide letters still fits the name entry's 375 pixels.
    EXPECT_LE(font.TextWidth("WWWWWWWWWWWWWWWWWWW"), 375u);
    EXPECT_LE(font.Ascent() + font.Descent(), 45);
}

TEST_F(Mkdata, SoundsAreShortMonoPcm)
{
    for (const char* name : {"clic.wav", "ding.wav", "applause.wav", "laugh.wav"})
    {
        SCOPED_TRACE(name);
        KWOSound sound((m_dir / name).c_str());
        ASSERT_NE(nullptr, sound.m_data);
        EXPECT_EQ(0x8010, sound.m_format);
        EXPECT_EQ(22050, sound.m_frequency);
        EXPECT_EQ(1, sound.m_channels);
        EXPECT_GT(sound.m_size, 1000u);
    }
}

TEST_F(Mkdata, EveryRunWritesTheSameBytes)
{
    TempDir again;
    ASSERT_EQ(0, RunProcess(kBin + "/mkdata", {again.Path()}, again.Path()).status);
    for (const char* name :
         {"kwo2.gif", "title.gif", "menu.gif", "score.font", "duomatch-ico.gif", "clic.wav",
          "ding.wav", "applause.wav", "laugh.wav", "Shapes.set", "Patterns.set"})
        EXPECT_EQ(ReadFileBytes(m_dir / name), ReadFileBytes(again / name)) << name;
}

TEST(MkdataCommandLine, WithoutAFolderItPrintsItsUsage)
{
    TempDir dir;
    ProcessResult r = RunProcess(kBin + "/mkdata", {}, dir.Path());
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("Usage"));
}

TEST(MakeDataScript, BuildsTheArchiveAndTheSets)
{
    TempDir dir;
    ProcessResult r = RunProcess(KWO_SOURCE_DIR "/scripts/make-data.sh",
                                 {KWO_BUILD_DIR, dir.Path() + "/run"}, dir.Path());
    ASSERT_EQ(0, r.status) << r.err;
    KWOArchKWO arch;
    ASSERT_TRUE(arch.Open((dir.Path() + "/run/duomatch.dat").c_str()));
    std::set<std::string> members;
    for (unsigned i = 0; i < arch.NbFiles(); ++i)
        members.insert(arch.FileName(i));
    EXPECT_EQ((std::set<std::string>{"kwo2.gif", "title.gif", "menu.gif", "score.font",
                                     "duomatch-ico.gif", "clic.wav", "ding.wav", "applause.wav",
                                     "laugh.wav"}),
              members);
    auto set = LoadPicture(dir.Path() + "/run/Shapes.set");
    EXPECT_NE(nullptr, set);
    EXPECT_NE(nullptr, LoadPicture(dir.Path() + "/run/Patterns.set"));
}
