#include "graphics/KWOPal.h"
#include "files/KWOFile.h"
#include "files/KWOMemFile.h"

#include "core/KWOLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
// Sends the log to a scratch file for the test's duration.
class PalTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(KWO::SetLogTarget(2, (m_dir / "log.txt").c_str())); }
    void TearDown() override { KWO::SetLogTarget(0, nullptr); }
    std::string Logged() const { return ReadFileBytes(m_dir / "log.txt"); }

    // Loads `bytes` from a memory stream.
    static bool LoadBytes(KWOPal& pal, const std::string& bytes, int format)
    {
        std::vector<unsigned char> data(bytes.begin(), bytes.end());
        KWOMemFile f(static_cast<unsigned>(data.size()), KWOResFile::ModeRead, data.data());
        return pal.Load(f, format);
    }
    static int Detect(const std::string& bytes)
    {
        std::vector<unsigned char> data(bytes.begin(), bytes.end());
        KWOMemFile f(static_cast<unsigned>(data.size()), KWOResFile::ModeRead, data.data());
        KWOPal pal;
        const int format = pal.FindFormat(f);
        EXPECT_EQ(0u, f.GetPos()) << "the stream is left at its start";
        EXPECT_EQ(KWOResFile::StateOK, f.GetState());
        return format;
    }
    // Saves to a disk file and returns its bytes.
    std::string SaveBytes(KWOPal& pal, int format, bool* ok = nullptr)
    {
        const std::string path = m_dir / "saved.pal";
        bool result;
        {
            KWOFile f(path.c_str(),
                      KWOResFile::ModeRead | KWOResFile::ModeWrite | KWOResFile::ModeTruncate);
            result = pal.Save(f, format);
        }
        if (ok != nullptr)
            *ok = result;
        return ReadFileBytes(path);
    }
    static void Fill(KWOPal& pal)
    {
        for (unsigned i = 0; i < pal.Size(); ++i)
            pal.Entries()[i] =
                KWOColor{static_cast<unsigned char>(i), static_cast<unsigned char>(3 * i),
                         static_cast<unsigned char>(255 - i), static_cast<unsigned char>(i ^ 0x5A)};
    }

    TempDir m_dir;
};

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}
} // namespace

TEST_F(PalTest, ConstructorsAndMemory)
{
    KWOPal empty(0);
    EXPECT_EQ(0u, empty.Size());
    EXPECT_EQ(nullptr, empty.Entries());
    EXPECT_EQ(sizeof(KWOPal), empty.MemoryUsed());

    // The count constructor does not clamp.
    KWOPal big(5000u);
    EXPECT_EQ(5000u, big.Size());
    EXPECT_EQ(sizeof(KWOPal) + 4 * 5000, big.MemoryUsed());
    Fill(big);

    KWOPal copy(&big);
    ASSERT_EQ(5000u, copy.Size());
    EXPECT_EQ(0, std::memcmp(big.Entries(), copy.Entries(), 5000 * 4));
    KWOPal fromNull(static_cast<const KWOPal*>(nullptr));
    EXPECT_EQ(0u, fromNull.Size());
}

TEST_F(PalTest, ResizeClampsTo4096WithOneNote)
{
    KWOPal pal(4u);
    Fill(pal);
    pal.Resize(5000);
    EXPECT_EQ(4096u, pal.Size());
    EXPECT_EQ(1u, Count(Logged(), "Note: palette size must be < 4096 !\n"));
    // Growing kept the old entries.
    EXPECT_EQ(3, pal.Entries()[1].g);
    EXPECT_EQ(0x5A ^ 3, pal.Entries()[3].a);

    pal.Resize(4096);
    pal.Resize(2);
    pal.Resize(4096);
    EXPECT_EQ(1u, Count(Logged(), "Note:")) << "4096 itself is accepted without the note";
    EXPECT_EQ(255, pal.Entries()[0].b);

    pal.Resize(0);
    EXPECT_EQ(0u, pal.Size());
    EXPECT_EQ(nullptr, pal.Entries());
    EXPECT_EQ(sizeof(KWOPal), pal.MemoryUsed());
}

TEST_F(PalTest, SetFromRGBAndRGBA)
{
    KWOPal pal;
    const unsigned char rgb[] = {1, 2, 3, 4, 5, 6};
    pal.SetFromRGB(rgb, 2, 3);
    ASSERT_EQ(5u, pal.Size());
    EXPECT_EQ(1, pal.Entries()[3].r);
    EXPECT_EQ(6, pal.Entries()[4].b);
    EXPECT_EQ(0, pal.Entries()[4].a);

    const unsigned char rgba[] = {9, 8, 7, 6, 5, 4, 3, 2};
    pal.SetFromRGBA(rgba, 2, 4095); // the second entry would be past 4096
    ASSERT_EQ(4096u, pal.Size());
    EXPECT_EQ(6, pal.Entries()[4095].a);
    pal.SetFromRGBA(rgba, 2, 0xFFFFFFFFu); // far past the end: nothing written, no overflow
    EXPECT_EQ(4096u, pal.Size());
}

TEST_F(PalTest, GreyScales)
{
    KWOPal pal;
    pal.GenerateGreyScale(16);
    ASSERT_EQ(16u, pal.Size());
    for (unsigned i = 0; i < 16; ++i)
    {
        const KWOColor e = pal.Entries()[i];
        EXPECT_EQ(16 * i, e.r);
        EXPECT_EQ(e.r, e.g);
        EXPECT_EQ(e.r, e.b);
        EXPECT_EQ(0, e.a);
    }

    // A larger palette keeps its size and becomes the whole 0..255 ramp.
    KWOPal full(256u);
    Fill(full);
    full.GenerateGreyScale(16);
    ASSERT_EQ(256u, full.Size());
    for (unsigned i = 0; i < 256; ++i)
        EXPECT_EQ(i, full.Entries()[i].g);

    KWOPal two(2u);
    two.GenerateGreyScale(1000); // limited to 256 entries
    EXPECT_EQ(256u, two.Size());
    two.Resize(2);
    two.GenerateGreyScale(0);
    EXPECT_EQ(0, two.Entries()[0].r);
    EXPECT_EQ(128, two.Entries()[1].r);

    KWOPal colours(2u);
    colours.Entries()[0] = KWOColor{255, 128, 0, 77};
    colours.Entries()[1] = KWOColor{1, 1, 2, 0};
    colours.ToGreyScale();
    EXPECT_EQ(127, colours.Entries()[0].r);
    EXPECT_EQ(127, colours.Entries()[0].b);
    EXPECT_EQ(0, colours.Entries()[0].a);
    EXPECT_EQ(1, colours.Entries()[1].g);
}

TEST_F(PalTest, DetectsFormats)
{
    EXPECT_EQ(1, Detect("KWOP\0\0\0\0"));
    EXPECT_EQ(2, Detect("GIMP Palette\n"));
    EXPECT_EQ(3, Detect("JASC-PAL\r\n0100\r\n"));
    EXPECT_EQ(0, Detect("GIMP\0Palette"));
    EXPECT_EQ(0, Detect("x"));
    // Raw tables are recognised by their length alone.
    EXPECT_EQ(4, Detect(std::string(768, 'x')));
    EXPECT_EQ(0, Detect(std::string(769, 'x')));
    EXPECT_EQ(0, Detect(std::string(767, 'x')));
    EXPECT_EQ(1, Detect("KWOP" + std::string(764, 'x')));

    KWOPal pal(3u);
    EXPECT_FALSE(LoadBytes(pal, std::string(769, 'x'), 0));
    EXPECT_EQ(3u, pal.Size()) << "a rejected file leaves the palette alone";
}

TEST_F(PalTest, RawTables)
{
    std::string table;
    for (int i = 0; i < 100; ++i)
        table += std::string{char(i), char(i + 1), char(i + 2)};

    KWOPal pal;
    ASSERT_TRUE(LoadBytes(pal, table, 4));
    ASSERT_EQ(100u, pal.Size());
    EXPECT_EQ(7, pal.Entries()[7].r);
    EXPECT_EQ(9, pal.Entries()[7].b);

    KWOPal pal301;
    ASSERT_TRUE(LoadBytes(pal301, table + "z", 4));
    EXPECT_EQ(100u, pal301.Size());

    KWOPal bgr;
    ASSERT_TRUE(LoadBytes(bgr, table, 5));
    EXPECT_EQ(9, bgr.Entries()[7].r);
    EXPECT_EQ(7, bgr.Entries()[7].b);

    // A 768-byte table is detected; the stream gives at most 256 entries.
    KWOPal detected;
    ASSERT_TRUE(LoadBytes(detected, std::string(768, '\x10'), 0));
    EXPECT_EQ(256u, detected.Size());

    KWOPal tiny(4u);
    EXPECT_TRUE(LoadBytes(tiny, "ab", 4));
    EXPECT_EQ(0u, tiny.Size());

    // Save writes 3 bytes per entry in either order, nothing else.
    bool ok = false;
    EXPECT_EQ(table, SaveBytes(pal, 4, &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string("\x02\x01\x00", 3), SaveBytes(pal, 5).substr(0, 3));
}

TEST_F(PalTest, NativeFormat)
{
    KWOPal pal(3u);
    Fill(pal);
    bool ok = false;
    const std::string bytes = SaveBytes(pal, 0, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(8u + 12u, bytes.size());
    EXPECT_EQ(std::string("KWOP\x03\x00\x00\x00", 8), bytes.substr(0, 8));
    EXPECT_EQ(bytes, SaveBytes(pal, 1));

    KWOPal back;
    ASSERT_TRUE(LoadBytes(back, bytes, 0));
    ASSERT_EQ(3u, back.Size());
    EXPECT_EQ(0, std::memcmp(pal.Entries(), back.Entries(), 12)) << "the fourth byte is kept";

    // A short file fails; a count above 4096 is clamped and only 4096 entries are read.
    EXPECT_FALSE(LoadBytes(back, bytes.substr(0, 15), 1));
    std::string huge("KWOP\xff\xff\xff\x7f", 8);
    huge += std::string(4096 * 4, '\x01');
    ASSERT_TRUE(LoadBytes(back, huge, 1));
    EXPECT_EQ(4096u, back.Size());
    EXPECT_NE(std::string::npos, Logged().find("Note: palette size must be < 4096 !\n"));

    // Without the magic nothing changes and nothing is logged.
    KWOPal kept(2u);
    EXPECT_FALSE(LoadBytes(kept, "KWOQ\x01\x00\x00\x00\x01\x02\x03\x04", 1));
    EXPECT_EQ(2u, kept.Size());
}

TEST_F(PalTest, GimpSaveAndReload)
{
    KWOPal pal(3u);
    pal.Entries()[0] = KWOColor{255, 128, 0, 9};
    pal.Entries()[1] = KWOColor{0, 0, 0, 1};
    pal.Entries()[2] = KWOColor{10, 20, 30, 2};
    bool ok = false;
    const std::string text = SaveBytes(pal, 2, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ("GIMP Palette\n# Generated by KWOPal\n255 128 0\tUnknown\n0 0 0\tUnknown\n"
              "10 20 30\tUnknown\n",
              text);

    KWOPal back(7u);
    ASSERT_TRUE(LoadBytes(back, text, 0));
    ASSERT_EQ(3u, back.Size());
    for (unsigned i = 0; i < 3; ++i)
    {
        EXPECT_EQ(pal.Entries()[i].r, back.Entries()[i].r);
        EXPECT_EQ(pal.Entries()[i].g, back.Entries()[i].g);
        EXPECT_EQ(pal.Entries()[i].b, back.Entries()[i].b);
        EXPECT_EQ(0, back.Entries()[i].a);
    }

    // Comments are skipped, an empty line is black, CR LF ends work, the
    // numbers keep their low byte, and a file without colours is empty.
    ASSERT_TRUE(LoadBytes(back, "GIMP Palette\r\n# a\r\n#b\r\n1 2 3 red\r\n\r\n256 -1 x\r\n", 2));
    ASSERT_EQ(3u, back.Size());
    EXPECT_EQ(3, back.Entries()[0].b);
    EXPECT_EQ(0, back.Entries()[1].r);
    EXPECT_EQ(0, back.Entries()[2].r);
    EXPECT_EQ(255, back.Entries()[2].g);
    ASSERT_TRUE(LoadBytes(back, "GIMP Palette\n# only comments\n", 2));
    EXPECT_EQ(0u, back.Size());

    // At most 256 colours are read.
    std::string many = "GIMP Palette\n";
    for (int i = 0; i < 300; ++i)
        many += "1 2 3\n";
    ASSERT_TRUE(LoadBytes(back, many, 2));
    EXPECT_EQ(256u, back.Size());

    KWOPal kept(2u);
    EXPECT_FALSE(LoadBytes(kept, "JASC-PAL\n", 2));
    EXPECT_EQ(2u, kept.Size());
    EXPECT_NE(std::string::npos, Logged().find("Not a Gimp palette\n"));
}

TEST_F(PalTest, JascFiles)
{
    std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int i = 0; i < 10; ++i)
        text += std::to_string(i) + " " + std::to_string(2 * i) + " 7\r\n";
    KWOPal pal;
    ASSERT_TRUE(LoadBytes(pal, text, 0));
    ASSERT_EQ(256u, pal.Size()) << "fewer lines than announced still load";
    EXPECT_EQ(9, pal.Entries()[9].r);
    EXPECT_EQ(18, pal.Entries()[9].g);
    EXPECT_EQ(7, pal.Entries()[9].b);

    // Extra lines beyond the count are left unread; a bad count is 0 entries.
    ASSERT_TRUE(LoadBytes(pal, "JASC-PAL\n0100\n1\n4 5 6\n7 8 9\n", 3));
    ASSERT_EQ(1u, pal.Size());
    EXPECT_EQ(6, pal.Entries()[0].b);
    ASSERT_TRUE(LoadBytes(pal, "JASC-PAL\n0100\n-7\n4 5 6\n", 3));
    EXPECT_EQ(0u, pal.Size());
    ASSERT_TRUE(LoadBytes(pal, "JASC-PAL", 3));
    EXPECT_EQ(0u, pal.Size());

    KWOPal two(2u);
    two.Entries()[0] = KWOColor{1, 2, 3, 4};
    two.Entries()[1] = KWOColor{255, 0, 16, 0};
    EXPECT_EQ("JASC-PAL\n0100\n2\n1 2 3\n255 0 16\n", SaveBytes(two, 3));

    EXPECT_FALSE(LoadBytes(two, "GIMP Palette\n", 3));
    EXPECT_EQ(2u, two.Size());
    EXPECT_NE(std::string::npos, Logged().find("Not a Paint Shop Pro palette\n"));
}

TEST_F(PalTest, BadStreamsAndFormats)
{
    KWOPal pal(2u);
    KWOMemFile closed(0, KWOResFile::ModeRead);
    EXPECT_FALSE(pal.Load(closed, 0));
    EXPECT_FALSE(pal.Save(closed, 0));
    EXPECT_NE(std::string::npos, Logged().find("KWOPal: bad file\n"));

    EXPECT_FALSE(LoadBytes(pal, "KWOP", 9));
    EXPECT_NE(std::string::npos, Logged().find("Unknown palette format 9\n"));
    bool ok = true;
    EXPECT_EQ("", SaveBytes(pal, 6, &ok));
    EXPECT_FALSE(ok);

    // A stream that cannot be written to fails the save.
    std::vector<unsigned char> data(4);
    KWOMemFile small(4, KWOResFile::ModeRead | KWOResFile::ModeWrite, data.data());
    EXPECT_FALSE(pal.Save(small, 1));

    // The file constructor loads and a missing file gives an empty palette.
    const std::string path = m_dir / "p.gpl";
    WriteFileBytes(path, "GIMP Palette\n1 2 3\n");
    KWOPal fromFile(path.c_str(), 0);
    EXPECT_EQ(1u, fromFile.Size());
    KWOPal missing((m_dir / "none").c_str(), 0);
    EXPECT_EQ(0u, missing.Size());
    EXPECT_TRUE(missing.LoadName(path.c_str(), 2));
    EXPECT_EQ(1u, missing.Size());
}

TEST_F(PalTest, PrintInfoText)
{
    KWOPal pal(1u);
    pal.Entries()[0] = KWOColor{255, 128, 0, 0};
    pal.PrintInfo();
    EXPECT_EQ("Palette info (1 colors)\n---------------------------\n"
              "[  0] #FF8000 (255, 128,   0,   0)\n\n",
              Logged());
}

TEST_F(PalTest, ArbitraryBytesLoadOrFailCleanly)
{
    // Every format over noise, truncated headers and the text formats with
    // junk lines: each load returns, and the palette stays within its rules.
    uint32_t seed = 12345;
    auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
    const std::string heads[] = {"", "KWOP", "GIMP Palette\n", "JASC-PAL\n0100\n",
                                 "JASC-PAL\n0100\n99999\n"};
    for (int round = 0; round < 200; ++round)
    {
        std::string bytes = heads[round % 5];
        const unsigned len = next() % 1200;
        for (unsigned i = 0; i < len; ++i)
        {
            const unsigned c = next() % 20;
            bytes += c < 3 ? '\n' : c < 5 ? ' ' : c < 10 ? char('0' + next() % 10) : char(next());
        }
        for (int format = 0; format <= 6; ++format)
        {
            KWOPal pal(3u);
            LoadBytes(pal, bytes, format);
            EXPECT_LE(pal.Size(), 4096u);
            EXPECT_EQ(pal.Size() == 0, pal.Entries() == nullptr);
        }
    }
}
