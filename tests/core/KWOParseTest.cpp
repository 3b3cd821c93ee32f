#include "core/KWOParse.h"
#include "core/KWOLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <string>

namespace
{
// A writable copy of a text, for the char** readers.
struct Text
{
    explicit Text(const char* s) : buf(s) {}
    char* Begin() { return buf.data(); }
    std::string buf;
};
} // namespace

TEST(KWOParse, CursorReadersStepOverOneCommaDirectlyBehind)
{
    Text t("12,34 ,56");
    char* cur = t.Begin();
    int v = 0;
    ASSERT_TRUE(KWOParse::ReadInt(&cur, v));
    EXPECT_EQ(12, v);
    EXPECT_STREQ("34 ,56", cur);
    ASSERT_TRUE(KWOParse::ReadInt(&cur, v));
    EXPECT_EQ(34, v);
    EXPECT_STREQ(" ,56", cur); // the space stops the comma rule
    char* before = cur;
    EXPECT_FALSE(KWOParse::ReadInt(&cur, v));
    EXPECT_EQ(before, cur);
    EXPECT_EQ(34, v);

    Text b("yes,0,x");
    cur = b.Begin();
    bool flag = false;
    ASSERT_TRUE(KWOParse::ReadBoolean(&cur, flag));
    EXPECT_TRUE(flag);
    ASSERT_TRUE(KWOParse::ReadBoolean(&cur, flag));
    EXPECT_FALSE(flag);
    EXPECT_STREQ("x", cur);
    EXPECT_FALSE(KWOParse::ReadBoolean(&cur, flag));
    EXPECT_STREQ("x", cur);

    Text f("1.5,,2");
    cur = f.Begin();
    float x = 0;
    ASSERT_TRUE(KWOParse::ReadFloat(&cur, x));
    EXPECT_FLOAT_EQ(1.5f, x);
    EXPECT_STREQ(",2", cur); // only one comma is taken
    EXPECT_FALSE(KWOParse::ReadFloat(&cur, x));

    Text c("#010203,#0A0B0C0D");
    cur = c.Begin();
    unsigned char rgba[4] = {9, 9, 9, 9};
    ASSERT_TRUE(KWOParse::ReadColor(&cur, rgba));
    EXPECT_STREQ("#0A0B0C0D", cur);
    ASSERT_TRUE(KWOParse::ReadColor(&cur, rgba));
    EXPECT_EQ(13, rgba[3]);
    EXPECT_STREQ("", cur);

    char* none = nullptr;
    EXPECT_FALSE(KWOParse::ReadInt(&none, v));
    EXPECT_FALSE(KWOParse::ReadInt(static_cast<char**>(nullptr), v));
}

TEST(KWOParse, ReadStringFieldsAndMax)
{
    Text t("  abc;def");
    char* cur = t.Begin();
    char out[11];
    EXPECT_EQ(3u, KWOParse::ReadString(&cur, out, 10, ';'));
    EXPECT_STREQ("abc", out);
    EXPECT_STREQ("def", cur);

    cur = t.Begin();
    EXPECT_EQ(2u, KWOParse::ReadString(&cur, out, 2, ';'));
    EXPECT_STREQ("ab", out);
    EXPECT_STREQ("c;def", cur);

    // Trailing spaces are kept; the last field ends at the end of the text.
    Text u("a b ;last");
    cur = u.Begin();
    EXPECT_EQ(4u, KWOParse::ReadString(&cur, out, 10, ';'));
    EXPECT_STREQ("a b ", out);
    EXPECT_EQ(4u, KWOParse::ReadString(&cur, out, 10, ';'));
    EXPECT_STREQ("last", out);
    EXPECT_EQ(0u, KWOParse::ReadString(&cur, out, 10, ';'));
    EXPECT_STREQ("", out);

    // Without an output the field is skipped whatever its length.
    Text v("a long field;next");
    cur = v.Begin();
    EXPECT_EQ(12u, KWOParse::ReadString(&cur, nullptr, 2, ';'));
    EXPECT_STREQ("next", cur);

    // A zero delimiter never steps past the end of the text.
    Text w("xy");
    cur = w.Begin();
    EXPECT_EQ(2u, KWOParse::ReadString(&cur, out, 10, '\0'));
    EXPECT_EQ(w.Begin() + 2, cur);
}

TEST(KWOParse, Booleans)
{
    struct Case
    {
        const char* text;
        bool value;
        const char* rest;
    } cases[] = {{"True", true, ""}, {" 0", false, ""},      {"\t1x", true, "x"},
                 {"NO", false, ""},  {"fAlSe!", false, "!"}, {"yesno", true, "no"},
                 {"10", true, "0"}};
    for (const Case& c : cases)
    {
        bool v = !c.value;
        const char* end = KWOParse::ReadBoolean(c.text, v);
        ASSERT_NE(nullptr, end) << c.text;
        EXPECT_EQ(c.value, v) << c.text;
        EXPECT_STREQ(c.rest, end) << c.text;
    }
    for (const char* bad : {"off", "", "   ", "tru", "ye", "2", "-1"})
    {
        bool v = true;
        EXPECT_EQ(nullptr, KWOParse::ReadBoolean(bad, v)) << bad;
        EXPECT_TRUE(v);
    }
    bool v = false;
    EXPECT_EQ(nullptr, KWOParse::ReadBoolean(static_cast<const char*>(nullptr), v));
}

TEST(KWOParse, IntegersAndFloats)
{
    int i = 0;
    const char* end = KWOParse::ReadInt("  -42abc", i);
    ASSERT_NE(nullptr, end);
    EXPECT_EQ(-42, i);
    EXPECT_STREQ("abc", end);
    EXPECT_EQ(nullptr, KWOParse::ReadInt("abc", i));
    EXPECT_EQ(nullptr, KWOParse::ReadInt("-", i));
    // Values beyond int are held at its limits rather than wrapped.
    ASSERT_NE(nullptr, KWOParse::ReadInt("99999999999", i));
    EXPECT_EQ(2147483647, i);
    ASSERT_NE(nullptr, KWOParse::ReadInt("-99999999999", i));
    EXPECT_EQ(-2147483647 - 1, i);

    float f = 0;
    end = KWOParse::ReadFloat(" 2.5e1 rest", f);
    ASSERT_NE(nullptr, end);
    EXPECT_FLOAT_EQ(25.0f, f);
    EXPECT_STREQ(" rest", end);
    EXPECT_EQ(nullptr, KWOParse::ReadFloat("x1", f));
    ASSERT_NE(nullptr, KWOParse::ReadFloat("1e300", f));
    EXPECT_TRUE(std::isinf(f) && f > 0);
    ASSERT_NE(nullptr, KWOParse::ReadFloat("-1e300", f));
    EXPECT_TRUE(std::isinf(f) && f < 0);
}

TEST(KWOParse, ColorsWithSixSevenAndEightDigits)
{
    unsigned char rgba[4] = {1, 2, 3, 77};
    const char* text = "#FF8000";
    EXPECT_EQ(text + 7, KWOParse::ReadColor(text, rgba));
    EXPECT_EQ(255, rgba[0]);
    EXPECT_EQ(128, rgba[1]);
    EXPECT_EQ(0, rgba[2]);
    EXPECT_EQ(77, rgba[3]); // alpha kept with six digits

    text = "color #ff800040 next";
    EXPECT_STREQ(" next", KWOParse::ReadColor(text, rgba));
    EXPECT_EQ(64, rgba[3]);

    // Seven digits: the seventh is left behind and alpha is unchanged.
    text = "#a0b0c0d";
    EXPECT_STREQ("d", KWOParse::ReadColor(text, rgba));
    EXPECT_EQ(0xA0, rgba[0]);
    EXPECT_EQ(0xB0, rgba[1]);
    EXPECT_EQ(0xC0, rgba[2]);
    EXPECT_EQ(64, rgba[3]);

    // More than eight digits: only eight are used.
    EXPECT_STREQ("9", KWOParse::ReadColor("#112233449", rgba));
    EXPECT_EQ(0x44, rgba[3]);

    unsigned char untouched[4] = {5, 6, 7, 8};
    for (const char* bad : {"#12345", "FF8000", "#", "#12G456", ""})
        EXPECT_EQ(nullptr, KWOParse::ReadColor(bad, untouched)) << bad;
    EXPECT_EQ(5, untouched[0]);
    EXPECT_EQ(8, untouched[3]);
}

TEST(KWOParse, Geometry)
{
    Text t("1,2,300,400");
    char* cur = t.Begin();
    KWORect r;
    ASSERT_TRUE(KWOParse::ReadGeometry(&cur, r));
    EXPECT_EQ(1, r.x);
    EXPECT_EQ(2, r.y);
    EXPECT_EQ(300, r.w);
    EXPECT_EQ(400, r.h);

    // Fields read before the failure stay set; values are cut to 16 bits.
    Text u("-5,70000,x");
    cur = u.Begin();
    KWORect s;
    EXPECT_FALSE(KWOParse::ReadGeometry(&cur, s));
    EXPECT_EQ(-5, s.x);
    EXPECT_EQ(70000 - 65536, s.y);
    EXPECT_EQ(0, s.w);
}

namespace
{
// Runs a test in a fixed time zone with daylight saving time, restoring the
// previous zone afterwards.
class KWOParseDate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        m_hadTz = tz != nullptr;
        if (tz)
            m_oldTz = tz;
        setenv("TZ", "Europe/Paris", 1);
        tzset();
    }
    void TearDown() override
    {
        if (m_hadTz)
            setenv("TZ", m_oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    bool m_hadTz = false;
    std::string m_oldTz;
};
} // namespace

TEST_F(KWOParseDate, MonthCountsFromZeroInLocalTime)
{
    unsigned long t = 0;
    ASSERT_TRUE(KWOParse::ReadDate("2004/09/26 17:22:44", t));
    // 26 October 2004, 17:22:44 in Paris (summer time, UTC+2).
    EXPECT_EQ(1098804164ul, t);

    ASSERT_TRUE(KWOParse::ReadDate("04/09/26", t));
    EXPECT_EQ(1098741600ul, t); // same day, midnight
}

TEST_F(KWOParseDate, LocalTimeRoundTrip)
{
    // The form a configuration file is written in, from local time.
    const std::time_t when = 1088676000; // 1 July 2004, 12:00 in Paris
    std::tm local;
    ASSERT_NE(nullptr, localtime_r(&when, &local));
    char text[64];
    std::snprintf(text, sizeof text, "%4d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    unsigned long t = 0;
    ASSERT_TRUE(KWOParse::ReadDate(text, t));
    EXPECT_EQ(static_cast<unsigned long>(when), t);
}

TEST_F(KWOParseDate, Failures)
{
    unsigned long t = 12345;
    for (const char* bad :
         {"2004/13/01", "2004/00/32", "2004/09", "", "abc", "2004-09-26", "1950/00/01"})
        EXPECT_FALSE(KWOParse::ReadDate(bad, t)) << bad;
    EXPECT_FALSE(KWOParse::ReadDate(nullptr, t));
    EXPECT_EQ(12345ul, t);
    // Month 12 is still accepted and runs into the next year.
    ASSERT_TRUE(KWOParse::ReadDate("2004/12/01", t));
    EXPECT_EQ(1104534000ul, t); // 1 January 2005, midnight in Paris
}

TEST(KWOParse, EatSpaceAndSkipEqual)
{
    const char* s = " \t x";
    EXPECT_EQ(s + 3, KWOParse::EatSpace(s));
    EXPECT_EQ(nullptr, KWOParse::EatSpace(nullptr));

    TempDir dir;
    const unsigned oldLevel = KWO::GetLogLevel();
    KWO::SetLogLevel(100);
    ASSERT_TRUE(KWO::SetLogTarget(2, (dir / "log.txt").c_str()));

    Text a("  =  42");
    EXPECT_EQ(a.Begin() + 5, KWOParse::SkipEqual(a.Begin()));
    Text b("\t:\tv");
    EXPECT_EQ(b.Begin() + 3, KWOParse::SkipEqual(b.Begin()));
    Text c("42");
    EXPECT_EQ(nullptr, KWOParse::SkipEqual(c.Begin()));
    Text d("= ");
    EXPECT_EQ(nullptr, KWOParse::SkipEqual(d.Begin()));

    KWO::SetLogTarget(0, nullptr);
    KWO::SetLogLevel(oldLevel);
    EXPECT_EQ("SkipEqual: missing : or =, or value\n"
              "SkipEqual: missing : or =, or value\n",
              ReadFileBytes(dir / "log.txt"));
}

TEST(KWOParse, HexadecimalConversions)
{
    EXPECT_EQ(0xA5, KWOParse::Hexa2Dec('a', '5'));
    EXPECT_EQ(0xFF, KWOParse::Hexa2Dec('F', 'f'));
    EXPECT_EQ(0x09, KWOParse::Hexa2Dec('0', '9'));

    char out[12];
    KWOParse::Dec2Hexa(0x1A2B, 6, out);
    EXPECT_STREQ("001A2B", out);
    KWOParse::Dec2Hexa(0x12345, 2, out);
    EXPECT_STREQ("45", out);
    KWOParse::Dec2Hexa(0xDEADBEEF, 12, out); // more than 8 digits is 8
    EXPECT_STREQ("DEADBEEF", out);
    std::memset(out, 'z', sizeof out);
    KWOParse::Dec2Hexa(0x12, -3, out);
    EXPECT_STREQ("", out);

    unsigned char bytes[] = {0x00, 0x7F, 0xAB};
    char pairs[8];
    std::memset(pairs, 'z', sizeof pairs);
    KWOParse::Dec2Hexa(bytes, 3, pairs);
    EXPECT_EQ("007FABzz", std::string(pairs, 8)); // no terminator written

    float rgb[3];
    KWOParse::Hexa2Float("FF0080", rgb);
    EXPECT_FLOAT_EQ(1.0f, rgb[0]);
    EXPECT_FLOAT_EQ(0.0f, rgb[1]);
    EXPECT_FLOAT_EQ(128.0f / 255.0f, rgb[2]);
    KWOParse::Hexa2Float("FF", rgb); // short text: the rest reads as zero
    EXPECT_FLOAT_EQ(1.0f, rgb[0]);
    EXPECT_FLOAT_EQ(0.0f, rgb[2]);
}

TEST(KWOParse, HsvBothWays)
{
    float h, s, v;
    KWOParse::RGB_to_HSV(1, 0, 0, h, s, v);
    EXPECT_FLOAT_EQ(0, h);
    EXPECT_FLOAT_EQ(1, s);
    EXPECT_FLOAT_EQ(1, v);
    KWOParse::RGB_to_HSV(0, 0, 1, h, s, v);
    EXPECT_FLOAT_EQ(240, h);
    KWOParse::RGB_to_HSV(1, 0, 0.5f, h, s, v); // negative sector wraps
    EXPECT_FLOAT_EQ(330, h);
    KWOParse::RGB_to_HSV(0.5f, 0.5f, 0.5f, h, s, v);
    EXPECT_FLOAT_EQ(0, h);
    EXPECT_FLOAT_EQ(0, s);
    EXPECT_FLOAT_EQ(0.5f, v);
    KWOParse::RGB_to_HSV(0, 0, 0, h, s, v);
    EXPECT_FLOAT_EQ(0, s);

    float r, g, b;
    KWOParse::HSV_to_RGB(120, 1, 1, r, g, b);
    EXPECT_FLOAT_EQ(0, r);
    EXPECT_FLOAT_EQ(1, g);
    EXPECT_FLOAT_EQ(0, b);
    KWOParse::HSV_to_RGB(360, 1, 1, r, g, b); // 360 is 0
    EXPECT_FLOAT_EQ(1, r);
    EXPECT_FLOAT_EQ(0, g);
    KWOParse::HSV_to_RGB(77, 0, 0.25f, r, g, b);
    EXPECT_FLOAT_EQ(0.25f, r);
    EXPECT_FLOAT_EQ(0.25f, b);

    // Round trips over the six sectors.
    const float colours[][3] = {{1, 0.5f, 0}, {0.5f, 1, 0}, {0, 1, 0.5f},      {0, 0.5f, 1},
                                {0.5f, 0, 1}, {1, 0, 0.5f}, {0.3f, 0.6f, 0.9f}};
    for (const auto& c : colours)
    {
        KWOParse::RGB_to_HSV(c[0], c[1], c[2], h, s, v);
        KWOParse::HSV_to_RGB(h, s, v, r, g, b);
        EXPECT_NEAR(c[0], r, 1e-5);
        EXPECT_NEAR(c[1], g, 1e-5);
        EXPECT_NEAR(c[2], b, 1e-5);
    }

    // Hues beyond the six sectors leave the colour unchanged.
    for (float bad : {400.0f, -90.0f, 1e30f, std::nanf("")})
    {
        r = g = b = 0.125f;
        KWOParse::HSV_to_RGB(bad, 1, 1, r, g, b);
        EXPECT_EQ(0.125f, r);
        EXPECT_EQ(0.125f, b);
    }

    float rgb[3] = {0, 1, 0};
    EXPECT_FLOAT_EQ(120, KWOParse::RGB2H(rgb));
    KWOParse::H2RGB(240, rgb);
    EXPECT_FLOAT_EQ(0, rgb[0]);
    EXPECT_FLOAT_EQ(0, rgb[1]);
    EXPECT_FLOAT_EQ(1, rgb[2]);
}

TEST(KWOParse, ObfuscateForceRangeSystemPath)
{
    char once[8], twice[8];
    KWOParse::Obfuscate("Ann\x01", once);
    EXPECT_EQ(static_cast<char>(255 - 'A'), once[0]);
    EXPECT_EQ(static_cast<char>(0xFE), once[3]);
    EXPECT_EQ('\0', once[4]);
    KWOParse::Obfuscate(once, twice);
    EXPECT_STREQ("Ann\x01", twice);

    Text t("a\tb");
    EXPECT_EQ(1, KWOParse::ForceRange(t.Begin(), ' ', '~', '?'));
    EXPECT_STREQ("a?b", t.Begin());
    Text u("caf\xC3\xA9");
    EXPECT_EQ(2, KWOParse::ForceRange(u.Begin(), ' ', '~', '_')); // bytes are unsigned
    EXPECT_STREQ("caf__", u.Begin());

    Text p("C:\\games/cards\\x");
    EXPECT_EQ(4, KWOParse::SystemPath(p.Begin()));
    EXPECT_STREQ("C//games/cards/x", p.Begin());
    EXPECT_EQ(0, KWOParse::SystemPath(nullptr));
}
