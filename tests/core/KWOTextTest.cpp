#include "core/KWOText.h"
#include "files/KWOFile.h"
#include "files/KWOMemFile.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const unsigned NONE = 0xFFFFFFFFu;

// A read-only memory stream over a copy of `bytes`.
class Bytes
{
public:
    explicit Bytes(const std::string& bytes)
        : m_data(bytes.begin(), bytes.end()),
          m_file(static_cast<unsigned>(m_data.size()), KWOResFile::ModeRead, m_data.data())
    {
    }
    KWOResFile& File() { return m_file; }

private:
    std::vector<unsigned char> m_data;
    KWOMemFile m_file;
};

// What `text` writes in `format` (empty when Save fails).
std::string Saved(KWOText& text, int format)
{
    KWOMemFile out(256, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    if (!text.Save(out, format))
        return std::string();
    return std::string(reinterpret_cast<char*>(out.GetData()), out.GetPos());
}

std::string U32(unsigned v)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

void ExpectOneEmptySlot(const KWOText& t)
{
    EXPECT_EQ(1u, t.m_count);
    EXPECT_EQ(nullptr, t.m_lines[0]);
}
} // namespace

TEST(KWOText, SlotsAndGrowth)
{
    KWOText t(0);
    ExpectOneEmptySlot(t);
    EXPECT_EQ(0u, t.Length());
    EXPECT_EQ(0u, t.Append("first"));
    EXPECT_STREQ("first", t.m_lines[0]);

    t.SetString(5, "x", 0, NONE);
    EXPECT_EQ(6u, t.m_count);
    for (unsigned i = 1; i < 5; ++i)
        EXPECT_EQ(nullptr, t.m_lines[i]);
    EXPECT_STREQ("x", t.m_lines[5]);
    EXPECT_EQ(2u, t.Length());

    t.SetString(1, "hello", 1, 3);
    EXPECT_STREQ("ell", t.m_lines[1]);
    t.SetString(2, "ab", 0, 50); // a shorter source is all there is
    EXPECT_STREQ("ab", t.m_lines[2]);
    t.SetString(3, "ab", 7, NONE); // a start past the end gives an empty text
    ASSERT_NE(nullptr, t.m_lines[3]);
    EXPECT_STREQ("", t.m_lines[3]);
    t.SetString(1, t.m_lines[1], 1, NONE); // from its own slot
    EXPECT_STREQ("ll", t.m_lines[1]);
    t.SetString(1, nullptr);
    EXPECT_EQ(nullptr, t.m_lines[1]);
    t.SetString(2, "abc", 0, 0);
    EXPECT_EQ(nullptr, t.m_lines[2]);
    t.SetString(NONE, "nowhere");
    EXPECT_EQ(6u, t.m_count);

    // 12 + 4 x 6 slots + "first" + "" + "x"
    EXPECT_EQ(12u + 24u + 5u + 1u, t.MemoryUsed());

    t.ChangeSize(2);
    EXPECT_EQ(2u, t.m_count);
    EXPECT_STREQ("first", t.m_lines[0]);
    t.ChangeSize(0);
    EXPECT_EQ(1u, t.m_count);
    t.Clear();
    ExpectOneEmptySlot(t);
}

TEST(KWOText, AppendReusesTheFirstEmptySlot)
{
    KWOText t(3);
    t.SetString(0, "a");
    t.SetString(2, "c");
    EXPECT_EQ(1u, t.Append("bxx", 0, 1));
    EXPECT_STREQ("b", t.m_lines[1]);
    EXPECT_EQ(3u, t.Append("d"));
    EXPECT_EQ(4u, t.m_count);
    EXPECT_EQ(NONE, t.Append(nullptr));
    EXPECT_EQ(NONE, t.Append("e", 0, 0));
    EXPECT_EQ(4u, t.m_count);
}

TEST(KWOText, LoadsTheTextForm)
{
    for (int format : {0, 1})
    {
        Bytes in("a\r\n\nb\n");
        KWOText t(in.File(), format);
        ASSERT_EQ(4u, t.m_count) << format;
        EXPECT_STREQ("a", t.m_lines[0]);
        EXPECT_EQ(nullptr, t.m_lines[1]);
        EXPECT_STREQ("b", t.m_lines[2]);
        EXPECT_EQ(nullptr, t.m_lines[3]);
        EXPECT_EQ(2u, t.Length());
    }
    {
        // A line of a carriage return alone stays empty; a one-character
        // last line without its line end is kept; so is a file shorter
        // than the binary tag.
        Bytes in("\r\nx");
        KWOText t(in.File(), 0);
        ASSERT_EQ(3u, t.m_count);
        EXPECT_EQ(nullptr, t.m_lines[0]);
        EXPECT_STREQ("x", t.m_lines[1]);
        Bytes shortFile("q\n");
        KWOText s(shortFile.File(), 0);
        ASSERT_EQ(2u, s.m_count);
        EXPECT_STREQ("q", s.m_lines[0]);
    }
}

TEST(KWOText, SavesBothFormsByteExact)
{
    Bytes in("a\r\n\nb\n");
    KWOText t(in.File(), 0);
    EXPECT_EQ("a\n\nb\n", Saved(t, 2));
    std::string binary = "KWOT" + U32(3) + U32(2) + "a" + U32(0) + U32(2) + "b";
    EXPECT_EQ(binary, Saved(t, 0));
    EXPECT_EQ(binary, Saved(t, 1));

    // And the binary form reads back, detected or named.
    for (int format : {0, 2})
    {
        Bytes back(binary);
        KWOText u(back.File(), format);
        ASSERT_EQ(3u, u.m_count);
        EXPECT_STREQ("a", u.m_lines[0]);
        EXPECT_EQ(nullptr, u.m_lines[1]);
        EXPECT_STREQ("b", u.m_lines[2]);
    }
}

TEST(KWOText, SaveRefusals)
{
    KWOText empty(4);
    KWOMemFile out(16, 3 | KWOResFile::ModeTruncate);
    EXPECT_FALSE(empty.Save(out, 0));
    EXPECT_FALSE(empty.Save(out, 2));
    EXPECT_EQ(0u, out.GetPos());

    KWOText t(1);
    t.SetString(0, "abc");
    EXPECT_TRUE(t.Save(out, 9)); // unknown format: nothing written
    EXPECT_EQ(0u, out.GetPos());

    KWOMemFile tiny(6, 3);
    EXPECT_FALSE(t.Save(tiny, 0)); // the data does not fit
    KWOMemFile closed(0, 3);
    EXPECT_FALSE(t.Save(closed, 2));
}

TEST(KWOText, LoadRefusals)
{
    TempDir dir;
    std::string empty = dir / "empty.txt";
    WriteFileBytes(empty, "");
    CapturedLog log(KWO::SEVERITY_LOG);
    KWOText a(empty.c_str(), 0);
    ExpectOneEmptySlot(a);
    KWOMemFile closed(0, 1);
    EXPECT_FALSE(a.Load(closed, 0));
    EXPECT_EQ("TextLoad: nothing to load!\n", log.Text());

    KWOText t(2);
    t.SetString(0, "keep");
    Bytes text("plain\n");
    EXPECT_FALSE(t.Load(text.File(), 2)); // no tag
    EXPECT_STREQ("keep", t.m_lines[0]);
    EXPECT_FALSE(t.Load(text.File(), 3));
    EXPECT_STREQ("keep", t.m_lines[0]);
}

TEST(KWOText, BinaryDataThatFallsShort)
{
    const std::string cases[] = {
        "KWOT" + U32(0x7FFFFFFF) + U32(2) + "a",                  // far more entries than data
        "KWOT" + U32(0xFFFFFFFF),                                 // entries without any entry
        "KWOT" + U32(2) + U32(2) + "a" + U32(0xFFFFFFF0) + "xyz", // text far longer than data
        "KWOT" + U32(1) + U32(5) + "ab",                          // text a little longer
        "KWOT" + U32(1) + "\x01\x00",                             // size cut short
        "KWOT" + std::string("\x02", 1),                          // count cut short
    };
    for (const std::string& bytes : cases)
    {
        Bytes in(bytes);
        KWOText t(3);
        t.SetString(0, "old");
        EXPECT_FALSE(t.Load(in.File(), 0));
        ExpectOneEmptySlot(t);
        Bytes again(bytes);
        KWOText u(again.File(), 2);
        ExpectOneEmptySlot(u);
    }
    Bytes none("KWOT" + U32(0));
    KWOText z(none.File(), 0);
    ExpectOneEmptySlot(z);
}

TEST(KWOText, FilesByName)
{
    TempDir dir;
    std::string path = dir / "list.txt";
    WriteFileBytes(path, "one\r\ntwo\r\n");
    KWOText t(path.c_str(), 0);
    ASSERT_EQ(3u, t.m_count);
    EXPECT_STREQ("two", t.m_lines[1]);

    // SaveName empties the file first; LoadName reads it back.
    std::string saved = dir / "saved.kwot";
    WriteFileBytes(saved, std::string(100, 'z'));
    EXPECT_TRUE(t.SaveName(saved.c_str(), 0));
    EXPECT_EQ("KWOT" + U32(2) + U32(4) + "one" + U32(4) + "two", ReadFileBytes(saved));
    KWOText u(1);
    EXPECT_TRUE(u.LoadName(saved.c_str(), 0));
    EXPECT_STREQ("one", u.m_lines[0]);
    EXPECT_EQ(2u, u.m_count);

    std::string missing = dir / "missing";
    EXPECT_FALSE(u.LoadName(missing.c_str(), 0));
    EXPECT_STREQ("one", u.m_lines[0]); // a closed stream changes nothing
    KWOText v(missing.c_str(), 0);
    ExpectOneEmptySlot(v);
}

TEST(KWOText, PrintInfo)
{
    KWOText t(3);
    t.SetString(1, "mid");
    CapturedLog log;
    t.PrintInfo();
    EXPECT_EQ("Array of 3 strings :\n[  1] mid\n", log.Text());
}
