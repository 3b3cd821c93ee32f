// The configuration manager: the sorted, case-blind table; every value type
// from the command line and from a file with the exact messages; files
// written back byte for byte.
#include "app/KWOConfigMgr.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace
{
using Value = KWOConfigMgr::CfgValue;

// A table like a program would make: one parameter of every type.
void AddAll(KWOConfigMgr& cfg)
{
    ASSERT_TRUE(cfg.AddParameter("sound", KWOConfigMgr::TypeBool, Value::Bool(true)));
    ASSERT_TRUE(cfg.AddParameter("size", KWOConfigMgr::TypeInt, Value::Int(1)));
    ASSERT_TRUE(cfg.AddParameter("gamma", KWOConfigMgr::TypeFloat, Value::Float(1.5f)));
    ASSERT_TRUE(cfg.AddParameter("name", KWOConfigMgr::TypeString, Value::String("Player")));
    ASSERT_TRUE(cfg.AddParameter("color", KWOConfigMgr::TypeColor, Value::Color(0x80112233u)));
    ASSERT_TRUE(cfg.AddParameter("when", KWOConfigMgr::TypeDate, Value::Date(0)));
}

// Runs ParseCL over the words of a command line (the program name first).
bool Parse(KWOConfigMgr& cfg, std::vector<std::string> words)
{
    words.insert(words.begin(), "prog");
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    return cfg.ParseCL(static_cast<int>(words.size()), argv.data());
}

uint32_t LocalTime(int year, int month0, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month0;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<uint32_t>(std::mktime(&tm));
}

std::string Names(const KWOConfigMgr& cfg)
{
    std::string s;
    for (unsigned i = 0; i < cfg.Count(); ++i)
        s += std::string(cfg.Cell(i)->name) + " ";
    return s;
}
} // namespace

TEST(KWOConfigMgr, NamesAreSortedAndCompareWithoutCase)
{
    KWOConfigMgr cfg(0);
    EXPECT_EQ(4u, cfg.Capacity());
    EXPECT_TRUE(cfg.AddParameter("volume", KWOConfigMgr::TypeInt, Value::Int(5)));
    EXPECT_FALSE(cfg.AddParameter("Volume", KWOConfigMgr::TypeInt, Value::Int(6)));
    EXPECT_FALSE(cfg.AddParameter("", KWOConfigMgr::TypeInt, Value::Int(6)));
    EXPECT_FALSE(cfg.AddParameter(nullptr, KWOConfigMgr::TypeInt, Value::Int(6)));
    unsigned index = 77;
    EXPECT_TRUE(cfg.Find("VOLUME", index));
    EXPECT_EQ(0u, index);
    EXPECT_EQ(5, cfg.GetValue("VoLuMe", KWOConfigMgr::TypeInt).i);

    for (const char* n : {"delta", "Alpha", "echo", "charlie"})
        EXPECT_TRUE(cfg.AddParameter(n, KWOConfigMgr::TypeBool, Value::Bool(false)));
    EXPECT_EQ(5u, cfg.Count());
    EXPECT_EQ(8u, cfg.Capacity());
    EXPECT_EQ("Alpha charlie delta echo volume ", Names(cfg));

    // A missing name tells where it belongs.
    EXPECT_FALSE(cfg.Find("Bravo", index));
    EXPECT_EQ(1u, index);
    EXPECT_FALSE(cfg.Find("zulu", index));
    EXPECT_EQ(5u, index);
    index = 42;
    EXPECT_FALSE(cfg.Find("", index));
    EXPECT_EQ(42u, index);

    // '_' lies between the upper- and lower-case letters: compared as lower case.
    EXPECT_TRUE(cfg.AddParameter("a_b", KWOConfigMgr::TypeInt, Value::Int(0)));
    EXPECT_EQ("a_b Alpha charlie delta echo volume ", Names(cfg));

    EXPECT_TRUE(cfg.RemoveParameter("DELTA"));
    EXPECT_FALSE(cfg.RemoveParameter("delta"));
    EXPECT_EQ("a_b Alpha charlie echo volume ", Names(cfg));
    EXPECT_EQ(0, cfg.ParamType("delta"));
    EXPECT_EQ(KWOConfigMgr::TypeBool, cfg.ParamType("echo"));
    EXPECT_EQ(nullptr, cfg.GetCell("delta"));
    EXPECT_EQ(0, cfg.GetValue("nothing", KWOConfigMgr::TypeInt).i);
    EXPECT_EQ(nullptr, cfg.GetValue("nothing", KWOConfigMgr::TypeString).s);

    KWOConfigMgr empty(0);
    EXPECT_FALSE(empty.RemoveParameter("x"));
}

TEST(KWOConfigMgr, StringsAreCopiedAndTypesChangeOnlyWhenAsked)
{
    KWOConfigMgr cfg(2);
    char text[] = "Player";
    ASSERT_TRUE(cfg.AddParameter("name", KWOConfigMgr::TypeString, Value::String(text)));
    text[0] = 'X';
    EXPECT_STREQ("Player", cfg.GetValue("name", 0).s);
    EXPECT_NE(text, cfg.GetValue("name", 0).s);
    ASSERT_TRUE(cfg.AddParameter("none", KWOConfigMgr::TypeString, Value::String(nullptr)));
    EXPECT_EQ(nullptr, cfg.GetValue("none", 0).s);

    EXPECT_FALSE(cfg.SetValue("name", KWOConfigMgr::TypeInt, Value::Int(2), false));
    EXPECT_STREQ("Player", cfg.GetValue("name", 0).s);
    EXPECT_EQ(KWOConfigMgr::TypeString, cfg.ParamType("name"));
    EXPECT_TRUE(cfg.SetValue("name", KWOConfigMgr::TypeInt, Value::Int(2), true));
    EXPECT_EQ(KWOConfigMgr::TypeInt, cfg.ParamType("name"));
    EXPECT_EQ(2, cfg.GetValue("name", 0).i);
    EXPECT_TRUE(cfg.SetValue("name", KWOConfigMgr::TypeString, Value::String("Bob"), true));
    EXPECT_STREQ("Bob", cfg.GetValue("name", 0).s);
    // A cell's own text stored again.
    EXPECT_TRUE(cfg.SetValue("NAME", KWOConfigMgr::TypeString, cfg.GetValue("name", 0), false));
    EXPECT_STREQ("Bob", cfg.GetValue("name", 0).s);
    EXPECT_FALSE(cfg.SetValue("other", KWOConfigMgr::TypeInt, Value::Int(1), true));
    EXPECT_TRUE(cfg.RemoveParameter("name"));
    EXPECT_EQ(1u, cfg.Count());
}

TEST(KWOConfigMgr, CommandLineSetsEveryType)
{
    KWOConfigMgr cfg(0);
    AddAll(cfg);
    CapturedLog log;
    EXPECT_TRUE(Parse(cfg, {"-sound", "0", "-SIZE", "-12", "-gamma", "2.25", "-name", "My", "Game",
                            "-color", "#FF0000", "-when", "2004/09/26"}));
    EXPECT_EQ("", log.Text());
    EXPECT_FALSE(cfg.GetValue("sound", 0).b);
    EXPECT_EQ(-12, cfg.GetValue("size", 0).i);
    EXPECT_FLOAT_EQ(2.25f, cfg.GetValue("gamma", 0).f);
    EXPECT_STREQ("My Game", cfg.GetValue("name", 0).s);
    EXPECT_EQ(0xFF0000FFu, cfg.GetValue("color", 0).color);
    EXPECT_EQ(LocalTime(2004, 9, 26, 0, 0, 0), cfg.GetValue("when", 0).date);

    EXPECT_TRUE(Parse(cfg, {"-color", "#01020304", "-name", "-dash", "two", "-sound", "YES"}));
    EXPECT_EQ(0x04030201u, cfg.GetValue("color", 0).color);
    EXPECT_STREQ("-dash two", cfg.GetValue("name", 0).s);
    EXPECT_TRUE(cfg.GetValue("sound", 0).b);
    EXPECT_TRUE(Parse(cfg, {"-name", ""}));
    EXPECT_EQ(nullptr, cfg.GetValue("name", 0).s);
}

TEST(KWOConfigMgr, CommandLineBoolFlags)
{
    KWOConfigMgr cfg(0);
    AddAll(cfg);
    const std::vector<std::vector<std::string>> trueLines = {{"-sound"},
                                                             {"-sound", "-size", "3"},
                                                             {"-sound", "YES"},
                                                             {"-sound", "true"},
                                                             {"-sound", "1x"}};
    for (const auto& words : trueLines)
    {
        cfg.SetValue("sound", KWOConfigMgr::TypeBool, Value::Bool(false), false);
        EXPECT_TRUE(Parse(cfg, words));
        EXPECT_TRUE(cfg.GetValue("sound", 0).b) << words[0] << " " << words.size();
    }
    for (const char* word : {"0", "no", "on", "truest"})
    {
        cfg.SetValue("sound", KWOConfigMgr::TypeBool, Value::Bool(true), false);
        EXPECT_TRUE(Parse(cfg, {"-sound", word}));
        EXPECT_FALSE(cfg.GetValue("sound", 0).b) << word;
    }
}

TEST(KWOConfigMgr, CommandLineProblemsAreLoggedAndTheRestApplied)
{
    KWOConfigMgr cfg(0);
    AddAll(cfg);
    {
        CapturedLog log;
        EXPECT_FALSE(Parse(cfg, {"foo", "-size", "3", "-bogus", "-name", "A", "B"}));
        EXPECT_EQ("Config: ignored value foo\nConfig: unknown parameter bogus\n", log.Text());
        EXPECT_EQ(3, cfg.GetValue("size", 0).i);
        EXPECT_STREQ("A B", cfg.GetValue("name", 0).s);
    }
    {
        CapturedLog log;
        EXPECT_FALSE(Parse(cfg, {"-color", "red", "-size", "x", "-gamma"}));
        EXPECT_EQ("Config: missing value for param -color\n"
                  "Config: ignored value red\n"
                  "Config: missing value for param -size\n"
                  "Config: missing value for param -gamma\n",
                  log.Text());
        EXPECT_EQ(0x80112233u, cfg.GetValue("color", 0).color);
        EXPECT_EQ(3, cfg.GetValue("size", 0).i);
    }
    {
        CapturedLog log;
        EXPECT_FALSE(Parse(cfg, {"-name"}));
        EXPECT_FALSE(Parse(cfg, {"-when", "yesterday"}));
        EXPECT_FALSE(Parse(cfg, {"-color"}));
        // A colour with too few digits fails without a message.
        EXPECT_FALSE(Parse(cfg, {"-color", "#12345"}));
        EXPECT_EQ("Config: missing value for param -name\n"
                  "Config: missing value for param -when\n"
                  "Config: missing value for param -color\n",
                  log.Text());
        EXPECT_STREQ("A B", cfg.GetValue("name", 0).s);
    }
    {
        // An unknown type code is reported; it does not make the result false.
        ASSERT_TRUE(cfg.AddParameter("odd", 9, Value::Int(4)));
        CapturedLog log;
        EXPECT_TRUE(Parse(cfg, {"-odd"}));
        EXPECT_EQ("Config: unknown value type 9\n", log.Text());
    }
    EXPECT_TRUE(cfg.ParseCL(1, nullptr));
}

TEST(KWOConfigMgr, FileSetsEveryTypeAndReportsBadLines)
{
    TempDir dir;
    const std::string path = dir / "game.cfg";
    WriteFileBytes(path, "# settings\r\n"
                         "\n"
                         "sound\tno\n"
                         "-SIZE   42\r\n"
                         "gamma 0.5\n"
                         "-name Bob Smith  \n"
                         "color #10203040\n"
                         "when 2004/09/26 10:00:00\n"
                         "volume = 5\n"
                         "size = 5\n"
                         "name\n"
                         "gamma fast\n"
                         "color red\n"
                         "when soon\n"
                         " size 7\n"
                         "sound TRUE");
    KWOConfigMgr cfg(0);
    AddAll(cfg);
    CapturedLog log;
    EXPECT_TRUE(cfg.ParseFile(path.c_str()));
    EXPECT_EQ("Config: unknown parameter volume\n"
              "Config: bad int value for param size : = 5\n"
              "Config: missing value for param name\n"
              "Config: bad float value for param gamma : fast\n"
              "Config: bad color value for param color : red\n"
              "Config: bad date value for param when : soon\n"
              "Config: unknown parameter \n",
              log.Text());
    EXPECT_TRUE(cfg.GetValue("sound", 0).b);
    EXPECT_EQ(42, cfg.GetValue("size", 0).i);
    EXPECT_FLOAT_EQ(0.5f, cfg.GetValue("gamma", 0).f);
    EXPECT_STREQ("Bob Smith  ", cfg.GetValue("name", 0).s);
    EXPECT_EQ(0x40302010u, cfg.GetValue("color", 0).color);
    EXPECT_EQ(LocalTime(2004, 9, 26, 10, 0, 0), cfg.GetValue("when", 0).date);
}

TEST(KWOConfigMgr, FileBoolNeedsTheWholeWord)
{
    TempDir dir;
    const std::string path = dir / "b.cfg";
    KWOConfigMgr cfg(0);
    AddAll(cfg);
    for (const char* value : {"1", "10", "yes", "Yes", "TRUE"})
    {
        cfg.SetValue("sound", KWOConfigMgr::TypeBool, Value::Bool(false), false);
        WriteFileBytes(path, std::string("sound ") + value + "\n");
        EXPECT_TRUE(cfg.ParseFile(path.c_str()));
        EXPECT_TRUE(cfg.GetValue("sound", 0).b) << value;
    }
    for (const char* value : {"yes ", "on", "true!", "0"})
    {
        cfg.SetValue("sound", KWOConfigMgr::TypeBool, Value::Bool(true), false);
        WriteFileBytes(path, std::string("sound ") + value + "\n");
        EXPECT_TRUE(cfg.ParseFile(path.c_str()));
        EXPECT_FALSE(cfg.GetValue("sound", 0).b) << value;
    }
}

TEST(KWOConfigMgr, FilesWithoutValuesReturnFalse)
{
    TempDir dir;
    const std::string path = dir / "c.cfg";
    KWOConfigMgr cfg(0);
    AddAll(cfg);
    CapturedLog log;
    WriteFileBytes(path, "#\n# only comments\n#\n\n");
    EXPECT_FALSE(cfg.ParseFile(path.c_str()));
    WriteFileBytes(path, "size many\nunknown 3\n");
    EXPECT_FALSE(cfg.ParseFile(path.c_str()));
    WriteFileBytes(path, "");
    EXPECT_FALSE(cfg.ParseFile(path.c_str()));
    EXPECT_FALSE(cfg.ParseFile((dir / "missing.cfg").c_str()));
    EXPECT_FALSE(cfg.ParseFile(nullptr));
    EXPECT_EQ(1, cfg.GetValue("size", 0).i);

    // A line longer than any buffer is read whole, never split into two.
    const std::string longName(3000, 'n');
    WriteFileBytes(path, "name " + longName + " size 9\n");
    EXPECT_TRUE(cfg.ParseFile(path.c_str()));
    EXPECT_EQ(longName + " size 9", cfg.GetValue("name", 0).s);
    EXPECT_EQ(1, cfg.GetValue("size", 0).i);
}

TEST(KWOConfigMgr, SaveWritesTheDescribedLinesAndReadsBackUnchanged)
{
    TempDir dir;
    KWOConfigMgr cfg(0);
    AddAll(cfg);
    const uint32_t when = LocalTime(2004, 9, 26, 10, 0, 0);
    cfg.SetValue("when", KWOConfigMgr::TypeDate, Value::Date(when), false);
    cfg.SetValue("sound", KWOConfigMgr::TypeBool, Value::Bool(false), false);
    cfg.SetValue("size", KWOConfigMgr::TypeInt, Value::Int(-3), false);
    cfg.SetValue("gamma", KWOConfigMgr::TypeFloat, Value::Float(0.1f), false);
    cfg.SetValue("color", KWOConfigMgr::TypeColor, Value::Color(0x00ABCDEFu), false);
    const std::string path = dir / "out.cfg";
    ASSERT_TRUE(cfg.Save(path.c_str(), "duo settings"));
    const std::string expected = "#\n"
                                 "# duo settings\n"
                                 "# Configuration file\n"
                                 "#\n"
                                 "\n"
                                 "color\t#EFCDAB\n"
                                 "gamma\t0.1\n"
                                 "name\tPlayer\n"
                                 "size\t-3\n"
                                 "sound\tfalse\n"
                                 "when\t2004/09/26 10:00:00\n";
    EXPECT_EQ(expected, ReadFileBytes(path));

    KWOConfigMgr other(0);
    AddAll(other);
    EXPECT_TRUE(other.ParseFile(path.c_str()));
    EXPECT_EQ(when, other.GetValue("when", 0).date);
    const std::string again = dir / "again.cfg";
    ASSERT_TRUE(other.Save(again.c_str(), "duo settings"));
    // The colour's alpha is not written: it reads back as 255.
    EXPECT_EQ(0xFFABCDEFu, other.GetValue("color", 0).color);
    EXPECT_EQ(expected, ReadFileBytes(again));
}

TEST(KWOConfigMgr, SaveWithoutCommentAndWithAnEmptyString)
{
    TempDir dir;
    KWOConfigMgr cfg(0);
    cfg.AddParameter("volume", KWOConfigMgr::TypeInt, Value::Int(5));
    cfg.AddParameter("name", KWOConfigMgr::TypeString, Value::String("Player"));
    cfg.AddParameter("fullscreen", KWOConfigMgr::TypeBool, Value::Bool(false));
    cfg.AddParameter("title", KWOConfigMgr::TypeString, Value::String(nullptr));
    const std::string path = dir / "plain.cfg";
    ASSERT_TRUE(cfg.Save(path.c_str(), nullptr));
    EXPECT_EQ("#\n# Configuration file\n#\n\nfullscreen\tfalse\nname\tPlayer\ntitle\t\n"
              "volume\t5\n",
              ReadFileBytes(path));
    EXPECT_FALSE(cfg.Save((dir / "no/such/dir.cfg").c_str(), nullptr));
    EXPECT_FALSE(cfg.Save("/dev/full", nullptr));
}

TEST(KWOConfigMgr, PrintInfoShowsEveryType)
{
    KWOConfigMgr cfg(0);
    AddAll(cfg);
    cfg.AddParameter("odd", 9, Value::Int(1));
    CapturedLog log;
    cfg.PrintInfo();
    const std::time_t zero = 0;
    EXPECT_EQ(std::string("Configuration (7 parameters):\n"
                          "- color (color): 332211 [51, 34, 17, 128]\n"
                          "- gamma (float): 1.500000\n"
                          "- name (string): Player\n"
                          "- odd (- size (int): 1\n"
                          "- sound (bool): true\n"
                          "- when (date): ") +
                  std::ctime(&zero) + " (0)\n",
              log.Text());
}
