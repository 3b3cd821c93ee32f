// The data generator: every file it writes loads through the library with
// the size, depth and layout the game relies on, and the data script packs
// the nine archive members.
#include "game/game_test_support.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include "audio/KWOSound.h"
#include "files/KWOArchKWO.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace
{
const std::string kBin = KWO_BIN_DIR;

const char* const kSets[] = {"Shapes.set", "Patterns.set", "Nature.set", "Letters.set"};
const int kFacePos[16][2] = {{0, 0},    {70, 0},    {140, 0},   {210, 0},   {280, 0},   {350, 0},
                             {0, 100},  {70, 100},  {140, 100}, {210, 100}, {280, 100}, {0, 200},
                             {70, 200}, {140, 200}, {210, 200}, {280, 200}};

// A colour as CIE L*a*b*, seen with full colour vision or, through one of
// Machado, Oliveira and Fernandes' matrices (severity 1) applied to linear
// RGB, as a protanope or a deuteranope sees it.
using Lab = std::array<double, 3>;
enum Vision
{
    Normal,
    Protanopia,
    Deuteranopia
};
Lab Seen(const KWOColor& c, Vision v)
{
    static const double kMatrices[3][9] = {
        {1, 0, 0, 0, 1, 0, 0, 0, 1},
        {0.152286, 1.052583, -0.204868, 0.114503, 0.786281, 0.099216, -0.003882, -0.048116,
         1.051998},
        {0.367322, 0.860646, -0.227968, 0.280085, 0.672501, 0.047413, -0.011820, 0.042940,
         0.968881},
    };
    auto linear = [](int u)
    {
        const double x = u / 255.0;
        return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    const double in[3] = {linear(c.r), linear(c.g), linear(c.b)};
    double rgb[3];
    const double* m = kMatrices[v];
    for (int i = 0; i < 3; ++i)
        rgb[i] =
            std::clamp(m[3 * i] * in[0] + m[3 * i + 1] * in[1] + m[3 * i + 2] * in[2], 0.0, 1.0);
    const double xyz[3] = {(0.4124 * rgb[0] + 0.3576 * rgb[1] + 0.1805 * rgb[2]) / 0.95047,
                           0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2],
                           (0.0193 * rgb[0] + 0.1192 * rgb[1] + 0.9505 * rgb[2]) / 1.08883};
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
    return {116 * f(xyz[1]) - 16, 500 * (f(xyz[0]) - f(xyz[1])), 200 * (f(xyz[1]) - f(xyz[2]))};
}

double Distance(const Lab& a, const Lab& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
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
                               {"Shapes.set", 432, 432}, {"Patterns.set", 432, 432},
                               {"Nature.set", 432, 432}, {"Letters.set", 432, 432}};
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
    for (const char* name : kSets)
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
        for (const auto& p : kFacePos)
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

// Two faces that differ only in colour along the red-green axis look alike
// to a player without red-green vision: after simulating it, every two faces
// of a set still differ clearly in many pixels (one in fourteen of the card),
// and in at least a third of those where they differ for full colour vision.
TEST_F(Mkdata, FacesStayApartWithoutRedGreenVision)
{
    const double kClear = 15; // a colour difference seen at a glance
    for (const char* name : kSets)
    {
        SCOPED_TRACE(name);
        auto set = LoadPicture(m_dir / name);
        ASSERT_NE(nullptr, set);
        const KWOPal& pal = *set->Palette();
        for (Vision v : {Protanopia, Deuteranopia})
        {
            std::vector<Lab> normal(256), seen(256);
            for (unsigned i = 0; i < 256; ++i)
            {
                normal[i] = Seen(pal.Entries()[i], Normal);
                seen[i] = Seen(pal.Entries()[i], v);
            }
            for (int a = 0; a < 16; ++a)
                for (int b = a + 1; b < 16; ++b)
                {
                    int differ = 0, stillDiffer = 0;
                    for (int y = 0; y < 100; ++y)
                        for (int x = 0; x < 70; ++x)
                        {
                            const unsigned p =
                                set->GetPixel(kFacePos[a][0] + x, kFacePos[a][1] + y);
                            const unsigned q =
                                set->GetPixel(kFacePos[b][0] + x, kFacePos[b][1] + y);
                            differ += Distance(normal[p], normal[q]) > kClear;
                            stillDiffer += Distance(seen[p], seen[q]) > kClear;
                        }
                    EXPECT_GE(stillDiffer, 500) << v << ": faces " << a << " and " << b;
                    EXPECT_GE(3 * stillDiffer, differ) << v << ": faces " << a << " and " << b;
                }
        }
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
    for (const char* name : {"kwo2.gif", "title.gif", "menu.gif", "score.font", "duomatch-ico.gif",
                             "clic.wav", "ding.wav", "applause.wav", "laugh.wav", "Shapes.set",
                             "Patterns.set", "Nature.set", "Letters.set"})
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
    for (const char* name : kSets)
        EXPECT_NE(nullptr, LoadPicture(dir.Path() + "/run/" + name)) << name;
}
