#include "core/KWOString.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
const unsigned NPOS = KWOString::NPOS;

// A string with capacity 8 and length 7, the shape the growth rules start from.
KWOString SevenInEight()
{
    KWOString s("abcdefg");
    EXPECT_EQ(8u, s.m_alloc);
    EXPECT_EQ(7u, s.m_length);
    return s;
}

void ExpectText(const KWOString& s, const char* text)
{
    ASSERT_NE(nullptr, s.m_text);
    EXPECT_STREQ(text, s.m_text);
    EXPECT_EQ(std::strlen(text), s.m_length);
    EXPECT_LT(s.m_length, s.m_alloc);
    EXPECT_EQ(0u, s.m_alloc % 4);
}
} // namespace

TEST(KWOString, ConstructionShapes)
{
    KWOString none;
    EXPECT_EQ(nullptr, none.m_text);
    EXPECT_EQ(0u, none.m_alloc);
    KWOString part(3, "abcdef");
    ExpectText(part, "abc");
    KWOString room(10, nullptr);
    ExpectText(room, "");
    EXPECT_GE(room.m_alloc, 11u);
    KWOString zero(0, "abc");
    EXPECT_EQ(nullptr, zero.m_text);
    KWOString copy(part);
    ExpectText(copy, "abc");
    KWOString copyNone(none);
    EXPECT_EQ(nullptr, copyNone.m_text);

    copy = none;
    EXPECT_EQ(nullptr, copy.m_text);
    EXPECT_EQ(0u, copy.m_alloc);
    EXPECT_EQ(0u, copy.m_length);
    const KWOString& same = part;
    part = same; // self-assignment
    ExpectText(part, "abc");
    part = part.m_text + 1; // assigning a piece of itself
    ExpectText(part, "bc");
    part += 'x';
    part += "yz";
    part += KWOString("!");
    part += static_cast<const char*>(nullptr);
    part += '\0';
    ExpectText(part, "bcxyz!");
}

TEST(KWOString, AllocateRoundsAndKeeps)
{
    KWOString s("abc");
    EXPECT_EQ(4u, s.m_alloc);
    s.Allocate(3, true); // smaller than the capacity: nothing happens
    EXPECT_EQ(4u, s.m_alloc);
    s.Allocate(9, true);
    EXPECT_EQ(12u, s.m_alloc);
    ExpectText(s, "abc");
    s.Allocate(12, false); // equal: a new, empty buffer of the same size
    EXPECT_EQ(12u, s.m_alloc);
    ExpectText(s, "");
}

TEST(KWOString, InsertGrowsByAtLeastTen)
{
    KWOString a = SevenInEight();
    a.Insert("XY", 3);
    EXPECT_EQ(20u, a.m_alloc);
    ExpectText(a, "abcXYdefg");

    KWOString b = SevenInEight();
    b.Insert("0123456789012345678901234567890", 100); // 31 characters, past the end
    EXPECT_EQ(40u, b.m_alloc);
    ExpectText(b, "abcdefg0123456789012345678901234567890");

    KWOString c("ab");
    c.Insert("X", 0); // fits in place
    ExpectText(c, "Xab");
    EXPECT_EQ(4u, c.m_alloc);
    c.Insert(c.m_text, 1); // a piece of itself
    ExpectText(c, "XXabab");
    c.Insert("", 0);
    c.Insert(static_cast<const char*>(nullptr), 0);
    ExpectText(c, "XXabab");

    KWOString empty;
    empty.Insert('q', 5);
    ExpectText(empty, "q");
}

TEST(KWOString, ChangeText)
{
    KWOString s("old");
    s.ChangeText("abcdef", 2, 3);
    ExpectText(s, "cde");
    s.ChangeText("abc", 0, 0);
    ExpectText(s, "cde");
    s.ChangeText("abcdef", 4, NPOS);
    ExpectText(s, "ef");
    s.ChangeText("a much longer text than before", 0, NPOS);
    ExpectText(s, "a much longer text than before");
    unsigned capacity = s.m_alloc;
    s.ChangeText("", 0, 5);
    ExpectText(s, "");
    EXPECT_EQ(capacity, s.m_alloc); // the buffer is kept
    s.ChangeText("xyz", 0, 2);
    ExpectText(s, "xy");
    // A start beyond the source reads nothing of it: the string empties.
    s.ChangeText("abc", 10, 2);
    ExpectText(s, "");
    s.ChangeText(nullptr, 0, 1);
    ExpectText(s, "");
}

TEST(KWOString, DeleteAndKillWord)
{
    KWOString s("abcdef");
    s.Delete(1, 2);
    ExpectText(s, "adef");
    s.Delete(2, 100);
    ExpectText(s, "ad");
    s.Delete(5, 1);
    ExpectText(s, "ad");
    KWOString t("abcdef");
    t.Delete(2, NPOS);
    ExpectText(t, "ab");
    unsigned capacity = t.m_alloc;
    t.Delete(0, NPOS);
    ExpectText(t, "");
    EXPECT_EQ(capacity, t.m_alloc);
    KWOString none;
    none.Delete(0, 1);
    EXPECT_EQ(nullptr, none.m_text);

    KWOString w("  foo bar");
    EXPECT_EQ(5u, w.KillWord(0));
    ExpectText(w, " bar");
    KWOString inside("foobar baz");
    EXPECT_EQ(4u, inside.KillWord(2));
    ExpectText(inside, "fo baz");
    KWOString end("foo");
    EXPECT_EQ(0u, end.KillWord(3));
    KWOString punct("a!!");
    EXPECT_EQ(2u, punct.KillWord(1)); // runs stop at the end
    ExpectText(punct, "a");
}

TEST(KWOString, FillInsideAndPastTheEnd)
{
    KWOString s("abcdef");
    s.Fill('x', 1, 2);
    ExpectText(s, "axxdef");
    s.Fill('y', 4, NPOS);
    ExpectText(s, "axxdyy");
    s.Fill('z', 0, 0);
    s.Fill('z', 6, NPOS); // nothing to the end
    ExpectText(s, "axxdyy");
    // Past the end the string grows to the filled end and stays terminated.
    s.Fill('q', 4, 5);
    ExpectText(s, "axxdqqqqq");
    s.Fill('r', 11, 2);
    ExpectText(s, "axxdqqqqq  rr");
    KWOString none;
    none.Fill('-', 0, 3);
    ExpectText(none, "---");
    none.Fill('-', 0xFFFFFFF0u, 100); // no string can be that long
    ExpectText(none, "---");
}

TEST(KWOString, FindAndRFind)
{
    KWOString h("Hello");
    EXPECT_EQ(2u, h.Find('l', 0, true));
    EXPECT_EQ(NPOS, h.Find('L', 0, true));
    EXPECT_EQ(2u, h.Find('L', 0, false));
    EXPECT_EQ(3u, h.RFind('l', NPOS, true));
    EXPECT_EQ(2u, h.RFind('l', 2, true));
    EXPECT_EQ(0u, h.RFind('h', NPOS, false));
    EXPECT_EQ(NPOS, h.Find('l', 5, true));
    EXPECT_EQ(NPOS, KWOString().RFind('a', NPOS, true));

    KWOString abc("abc");
    EXPECT_EQ(NPOS, abc.Find("abcd", 0, true));
    KWOString twice("abcabc");
    EXPECT_EQ(3u, twice.RFind("abc", NPOS, true));
    EXPECT_EQ(0u, twice.RFind("abc", 2, true));
    EXPECT_EQ(3u, twice.Find("ABC", 1, false));
    EXPECT_EQ(NPOS, twice.Find("ABC", 1, true));
    EXPECT_EQ(3u, twice.RFind(KWOString("ABC"), NPOS, false));
    EXPECT_EQ(1u, twice.Find(KWOString("bc"), 0, true));
    EXPECT_EQ(NPOS, twice.Find("", 0, true));
    EXPECT_EQ(NPOS, twice.Find(static_cast<const char*>(nullptr), 0, true));
    EXPECT_EQ(NPOS, twice.RFind(KWOString(), NPOS, true));
}

TEST(KWOString, Compare)
{
    KWOString s("Hello");
    EXPECT_EQ(0, s.Compare("Hello", true, NPOS, 0));
    EXPECT_EQ(0, s.Compare("hello", false, NPOS, 0));
    EXPECT_EQ('H' - 'h', s.Compare("hello", true, NPOS, 0));
    EXPECT_EQ(0, s.Compare("llo", true, NPOS, 2));
    EXPECT_EQ(0, s.Compare("Help", true, 3, 0));
    EXPECT_EQ('l' - 'p', s.Compare("Help", true, 4, 0));
    EXPECT_EQ(0, s.Compare("o", true, NPOS, 99)); // the position becomes the last character
    EXPECT_LT(s.Compare("Hello world", true, NPOS, 0), 0);
    EXPECT_EQ(0xE9 - 'a', KWOString("\xE9").Compare("a", true, 1, 0)); // bytes as unsigned
    // An empty string compares as the empty text, never before its buffer.
    KWOString none;
    EXPECT_EQ(0, none.Compare("", true, NPOS, 0));
    EXPECT_LT(none.Compare("a", true, NPOS, 5), 0);
    KWOString empty("");
    EXPECT_EQ(0, empty.Compare(nullptr, false, NPOS, 0));
}

TEST(KWOString, ReplaceCaseAndObfuscate)
{
    KWOString s("banana");
    EXPECT_EQ(0, s.Replace('a', 0));
    EXPECT_EQ(0, s.Replace(0, 'a'));
    ExpectText(s, "banana");
    EXPECT_EQ(3, s.Replace('a', 'o'));
    ExpectText(s, "bonono");
    KWOString mixed("Ab1\xC9z");
    mixed.UpperCase();
    EXPECT_STREQ("AB1\xC9Z", mixed.m_text);
    mixed.LowerCase();
    EXPECT_STREQ("ab1\xC9z", mixed.m_text);

    KWOString secret("Top secret!");
    secret.Obfuscate();
    EXPECT_EQ(static_cast<char>(~'T'), secret.m_text[0]);
    EXPECT_EQ(static_cast<char>(255 - '!'), secret.m_text[10]);
    secret.Obfuscate();
    ExpectText(secret, "Top secret!");
}

TEST(KWOString, MakeFilename)
{
    KWOString s("My Song #1/2.wav");
    s.MakeFilename();
    ExpectText(s, "My_Song_1_2.wav");
    EXPECT_EQ(20u, s.m_alloc); // 16 + 4, a multiple of 4 already
    KWOString t("a\\b\tc\nd-e@f_g.h\x01\xFF*?");
    t.MakeFilename();
    ExpectText(t, "a_b_c_d-e@f_g.h");
    KWOString none;
    none.MakeFilename();
    EXPECT_EQ(nullptr, none.m_text);
    KWOString gone("***");
    gone.MakeFilename();
    ExpectText(gone, "");
}

TEST(KWOString, FormatGrows)
{
    KWOString s;
    s.Format("%d-%s", 12, "x");
    ExpectText(s, "12-x");
    EXPECT_EQ(8u, s.m_alloc); // 4, then 4 + 1 rounded up
    s.Format("%s", "a");
    ExpectText(s, "a");
    EXPECT_EQ(8u, s.m_alloc);
    s.Format("%020d", 5);
    ExpectText(s, "00000000000000000005");
    EXPECT_EQ(24u, s.m_alloc);
    s.Format(nullptr);
    s.Format("%s", "");
    ExpectText(s, "");
    KWOString self("abc");
    self.Format("%s%s%s%s", self.m_text, self.m_text, self.m_text, self.m_text);
    ExpectText(self, "abcabcabcabc");
}

TEST(KWOString, StringCopy)
{
    char* ell = KWOString::StringCopy("hello", 1, 3);
    EXPECT_STREQ("ell", ell);
    delete[] ell;
    char* all = KWOString::StringCopy("hello", 2, NPOS);
    EXPECT_STREQ("llo", all);
    delete[] all;
    EXPECT_EQ(nullptr, KWOString::StringCopy("", 0, NPOS));
    EXPECT_EQ(nullptr, KWOString::StringCopy(nullptr, 0, 1));
    EXPECT_EQ(nullptr, KWOString::StringCopy("abc", 0, 0));
    EXPECT_EQ(nullptr, KWOString::StringCopy("abc", 7, 1));
    EXPECT_EQ(nullptr, KWOString::StringCopy("abc", 4, 1));
    char* none = KWOString::StringCopy("abc", 3, NPOS);
    ASSERT_NE(nullptr, none);
    EXPECT_STREQ("", none);
    delete[] none;
}

TEST(KWOString, PrintInfo)
{
    TempDir dir;
    ASSERT_TRUE(KWO::SetLogTarget(2, (dir / "log").c_str()));
    KWOString("abc").PrintInfo();
    KWOString().PrintInfo();
    KWO::SetLogTarget(0, nullptr);
    EXPECT_EQ("KWOString(3/4): abc\nKWOString(0/0): \n", ReadFileBytes(dir / "log"));
}
