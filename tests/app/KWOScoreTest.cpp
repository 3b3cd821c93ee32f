// The highscore table: insertion ranks in both orders, order changes, resizing,
// byte-exact files with and without scrambled names, old and damaged files.
#include "app/KWOScore.h"
#include "support/CapturedLog.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <cstring>
#include <string>
#include <vector>

namespace
{
KWOScoreEntry Entry(const char* name, int score, int level = 0)
{
    KWOScoreEntry e;
    std::memset(&e, 0, sizeof e);
    std::strncpy(e.name, name, sizeof e.name - 1);
    e.score = score;
    e.level = level;
    return e;
}

std::string U32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string NameField(const std::string& name)
{
    std::string s = name;
    s.resize(20, '\0');
    return s;
}

std::string EntryBytes(const std::string& name, int score, int level)
{
    return NameField(name) + U32(static_cast<uint32_t>(score)) + U32(static_cast<uint32_t>(level));
}

std::string Header(unsigned char version, uint32_t count, uint32_t order)
{
    return std::string("\x04\x03\x02\x01", 4) + static_cast<char>(version) + U32(count) +
           U32(order);
}

std::string Scrambled(const std::string& name)
{
    std::string s;
    for (char c : name)
        s += static_cast<char>(~static_cast<unsigned char>(c));
    return s;
}

std::vector<int> Scores(const KWOScore& t)
{
    std::vector<int> v;
    for (unsigned i = 0; i < t.m_size; ++i)
        v.push_back(t.m_entries[i].score);
    return v;
}
} // namespace

TEST(KWOScore, LowerFirstRanksEqualScoresAfterTheExistingOne)
{
    KWOScore t(5, KWOScore::LowerFirst, 999);
    EXPECT_EQ(0u, t.Length());
    KWOScoreEntry a = Entry("Ann", 120, 2);
    EXPECT_EQ(0, t.Add(&a));
    EXPECT_EQ(1u, t.Length());
    KWOScoreEntry b = Entry("Bob", 120);
    EXPECT_EQ(1, t.Add(&b));
    KWOScoreEntry c = Entry("Cid", 999);
    EXPECT_EQ(-1, t.Add(&c)); // equal to the last placeholder
    KWOScoreEntry d = Entry("Dan", 50);
    EXPECT_EQ(0, t.Add(&d));
    KWOScoreEntry e = Entry("Eve", 130);
    EXPECT_EQ(3, t.Add(&e));
    EXPECT_EQ(4u, t.Length());
    EXPECT_EQ((std::vector<int>{50, 120, 120, 130, 999}), Scores(t));
    EXPECT_STREQ("Dan", t.m_entries[0].name);
    EXPECT_STREQ("Ann", t.m_entries[1].name);
    EXPECT_EQ(2, t.m_entries[1].level);
    EXPECT_STREQ("Bob", t.m_entries[2].name);

    // A full table drops its last entry.
    KWOScoreEntry f = Entry("Fay", 10);
    EXPECT_EQ(0, t.Add(&f));
    KWOScoreEntry g = Entry("Gus", 125);
    EXPECT_EQ(4, t.Add(&g));
    EXPECT_EQ((std::vector<int>{10, 50, 120, 120, 125}), Scores(t));
    EXPECT_STREQ("Gus", t.m_entries[4].name);
    EXPECT_EQ(5u, t.Length());
}

TEST(KWOScore, HigherFirstRefusesTheLastScoreAndInsertsAfterEqualOnes)
{
    KWOScore t(4, KWOScore::HigherFirst, 0);
    KWOScoreEntry e = Entry("x", 0);
    EXPECT_EQ(-1, t.Add(&e));
    e = Entry("a", 100);
    EXPECT_EQ(0, t.Add(&e));
    e = Entry("b", 300);
    EXPECT_EQ(0, t.Add(&e));
    e = Entry("c", 100);
    EXPECT_EQ(2, t.Add(&e));
    e = Entry("d", 200);
    EXPECT_EQ(1, t.Add(&e));
    EXPECT_EQ((std::vector<int>{300, 200, 100, 100}), Scores(t));
    EXPECT_STREQ("a", t.m_entries[2].name);
    EXPECT_STREQ("c", t.m_entries[3].name);
    e = Entry("e", 100); // equal to the last entry
    EXPECT_EQ(-1, t.Add(&e));
    e = Entry("f", 101);
    EXPECT_EQ(2, t.Add(&e));
    EXPECT_STREQ("f", t.m_entries[2].name);
    EXPECT_STREQ("a", t.m_entries[3].name);

    EXPECT_EQ(-1, t.Add(nullptr));
    KWOScore empty(0, KWOScore::HigherFirst, 0);
    EXPECT_EQ(nullptr, empty.m_entries);
    EXPECT_EQ(0u, empty.m_size);
    EXPECT_EQ(0u, empty.Length());
    EXPECT_EQ(-1, empty.Add(&e));
}

TEST(KWOScore, AddKeepsANameWithinItsField)
{
    KWOScore t(3, KWOScore::HigherFirst, 0);
    KWOScoreEntry e;
    std::memset(&e, 'A', sizeof e.name);
    e.score = 5;
    e.level = 1;
    EXPECT_EQ(0, t.Add(&e));
    EXPECT_EQ(19u, std::strlen(t.m_entries[0].name));
}

TEST(KWOScore, SizesBelowThreeAreRaisedAndResizeKeepsTheFirstEntries)
{
    KWOScore small(1, KWOScore::LowerFirst, 7);
    EXPECT_EQ(3u, small.m_size);
    EXPECT_EQ((std::vector<int>{7, 7, 7}), Scores(small));

    KWOScore t(4, KWOScore::HigherFirst, 0);
    for (int i = 1; i <= 4; ++i)
    {
        KWOScoreEntry e = Entry(("p" + std::to_string(i)).c_str(), i * 10, i);
        t.Add(&e);
    }
    t.Resize(6);
    ASSERT_EQ(6u, t.m_size);
    EXPECT_EQ((std::vector<int>{40, 30, 20, 10, 0, 0}), Scores(t));
    EXPECT_STREQ("p1", t.m_entries[3].name);
    EXPECT_EQ(0, t.m_entries[5].name[0]);
    EXPECT_EQ(0, t.m_entries[5].level);
    EXPECT_EQ(4u, t.Length());
    t.Resize(1);
    ASSERT_EQ(3u, t.m_size);
    EXPECT_EQ((std::vector<int>{40, 30, 20}), Scores(t));
    EXPECT_STREQ("p2", t.m_entries[2].name);

    // The game's fresh table: an empty one grown to five entries and reset.
    KWOScore fresh(0, KWOScore::HigherFirst, 0);
    fresh.SetSortOrder(KWOScore::LowerFirst);
    fresh.Resize(5);
    fresh.Reset(999);
    EXPECT_EQ((std::vector<int>{999, 999, 999, 999, 999}), Scores(fresh));
    EXPECT_EQ(KWOScore::LowerFirst, fresh.m_order);
}

TEST(KWOScore, ChangingTheOrderReversesTheTable)
{
    KWOScore t(4, KWOScore::HigherFirst, 0);
    for (int s : {40, 30, 20})
    {
        KWOScoreEntry e = Entry("n", s);
        t.Add(&e);
    }
    t.SetSortOrder(KWOScore::HigherFirst);
    EXPECT_EQ((std::vector<int>{40, 30, 20, 0}), Scores(t));
    t.SetSortOrder(KWOScore::LowerFirst);
    EXPECT_EQ((std::vector<int>{0, 20, 30, 40}), Scores(t));
    EXPECT_EQ(KWOScore::LowerFirst, t.m_order);
    EXPECT_EQ(0u, t.Length()); // the placeholder came to the start
    t.Reset(5);
    EXPECT_EQ((std::vector<int>{5, 5, 5, 5}), Scores(t));
    EXPECT_EQ(0u, t.Length());
}

TEST(KWOScore, SaveWritesTheDescribedBytesAndLoadReadsThemBack)
{
    TempDir dir;
    KWOScore t(5, KWOScore::LowerFirst, 999);
    KWOScoreEntry a = Entry("Alice", 42, 3);
    KWOScoreEntry b = Entry("Bob", 77, 1);
    t.Add(&a);
    t.Add(&b);

    const std::string plain = dir / "plain";
    ASSERT_TRUE(t.Save(plain.c_str(), false));
    std::string expected =
        Header(3, 5, 1) + '\0' + EntryBytes("Alice", 42, 3) + EntryBytes("Bob", 77, 1);
    for (int i = 0; i < 3; ++i)
        expected += EntryBytes("", 999, 0);
    EXPECT_EQ(154u, expected.size());
    EXPECT_EQ(expected, ReadFileBytes(plain));

    const std::string hidden = dir / "hidden";
    ASSERT_TRUE(t.Save(hidden.c_str(), true));
    std::string scrambled = Header(3, 5, 1) + '\1' + EntryBytes(Scrambled("Alice"), 42, 3) +
                            EntryBytes(Scrambled("Bob"), 77, 1);
    for (int i = 0; i < 3; ++i)
        scrambled += EntryBytes("", 999, 0);
    const std::string bytes = ReadFileBytes(hidden);
    EXPECT_EQ(scrambled, bytes);
    EXPECT_EQ(std::string::npos, bytes.find("Alice"));
    EXPECT_EQ(std::string::npos, bytes.find("Bob"));

    // Both load into a table of another shape and save back byte for byte.
    for (const std::string& path : {plain, hidden})
    {
        KWOScore u(3, KWOScore::HigherFirst, 0);
        ASSERT_TRUE(u.Load(path.c_str()));
        EXPECT_EQ(5u, u.m_size);
        EXPECT_EQ(KWOScore::LowerFirst, u.m_order);
        EXPECT_STREQ("Alice", u.m_entries[0].name);
        EXPECT_STREQ("Bob", u.m_entries[1].name);
        EXPECT_EQ(1, u.m_entries[1].level);
        EXPECT_EQ(2u, u.Length());
        const std::string again = dir / "again";
        ASSERT_TRUE(u.Save(again.c_str(), path == hidden));
        EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(again));
    }
}

TEST(KWOScore, AScrambledNameIsCutAtAByte255)
{
    TempDir dir;
    KWOScore t(3, KWOScore::HigherFirst, 0);
    KWOScoreEntry e = Entry("ab\xFF"
                            "cd",
                            10);
    t.Add(&e);
    const std::string path = dir / "s";
    ASSERT_TRUE(t.Save(path.c_str(), true));
    KWOScore u(0, KWOScore::HigherFirst, 0);
    ASSERT_TRUE(u.Load(path.c_str()));
    EXPECT_STREQ("ab", u.m_entries[0].name);
}

TEST(KWOScore, OldFilesWithoutTheFlagLoadWithPlainNames)
{
    TempDir dir;
    const std::string path = dir / "v2";
    WriteFileBytes(path, Header(2, 3, 0) + EntryBytes("Zed", 900, 4) + EntryBytes("Yan", 800, 0) +
                             EntryBytes("", 0, 0));
    KWOScore t(0, KWOScore::LowerFirst, 0);
    ASSERT_TRUE(t.Load(path.c_str()));
    ASSERT_EQ(3u, t.m_size);
    EXPECT_EQ(KWOScore::HigherFirst, t.m_order);
    EXPECT_STREQ("Zed", t.m_entries[0].name);
    EXPECT_EQ(4, t.m_entries[0].level);
    EXPECT_STREQ("Yan", t.m_entries[1].name);
    EXPECT_EQ(2u, t.Length());

    // The last entry's score and level may be missing: they read as 0.
    WriteFileBytes(path, Header(3, 2, 0) + '\0' + EntryBytes("One", 5, 5) + NameField("Two"));
    ASSERT_TRUE(t.Load(path.c_str()));
    EXPECT_EQ(2u, t.m_size);
    EXPECT_STREQ("Two", t.m_entries[1].name);
    EXPECT_EQ(0, t.m_entries[1].score);

    // An empty table loads as no table.
    WriteFileBytes(path, Header(3, 0, 1) + '\0');
    ASSERT_TRUE(t.Load(path.c_str()));
    EXPECT_EQ(0u, t.m_size);
    EXPECT_EQ(nullptr, t.m_entries);
    EXPECT_FALSE(t.Save((dir / "none").c_str(), false));
}

TEST(KWOScore, DamagedFilesFailAndLeaveTheTableAlone)
{
    TempDir dir;
    const std::string path = dir / "bad";
    const std::string good = Header(3, 3, 1) + '\0' + EntryBytes("A", 1, 0) +
                             EntryBytes("B", 2, 0) + EntryBytes("C", 3, 0);
    const std::vector<std::string> bad = {
        "",
        std::string("\x01\x02\x03\x04", 4) + good.substr(4), // magic in the wrong order
        good.substr(0, 4),
        good.substr(0, 13),                                 // no flag byte in a version 3 file
        good.substr(0, 14 + 28 * 2 + 19),                   // last name cut short
        Header(3, 0xFFFFFFFFu, 1) + '\0' + good.substr(14), // a count the file cannot hold
        Header(3, 0x40000000u, 1) + '\0',
        Header(3, 3, 2) + '\0' + good.substr(14), // an unknown order
    };
    for (const std::string& bytes : bad)
    {
        WriteFileBytes(path, bytes);
        KWOScore t(3, KWOScore::HigherFirst, 55);
        KWOScoreEntry e = Entry("keep", 60, 9);
        t.Add(&e);
        EXPECT_FALSE(t.Load(path.c_str())) << bytes.size();
        EXPECT_EQ(3u, t.m_size);
        EXPECT_EQ(KWOScore::HigherFirst, t.m_order);
        EXPECT_STREQ("keep", t.m_entries[0].name);
        EXPECT_EQ((std::vector<int>{60, 55, 55}), Scores(t));
    }
    KWOScore t(3, KWOScore::HigherFirst, 0);
    EXPECT_FALSE(t.Load((dir / "missing").c_str()));
    EXPECT_FALSE(t.Load(nullptr));
    EXPECT_EQ(3u, t.m_size);
}

TEST(KWOScore, NamesWithoutTerminatorInAFileAreCut)
{
    TempDir dir;
    const std::string path = dir / "long";
    WriteFileBytes(path, Header(3, 3, 0) + '\1' + Scrambled(std::string(20, 'x')) + U32(3) +
                             U32(0) + EntryBytes("", 0, 0) + EntryBytes("", 0, 0));
    KWOScore t(0, KWOScore::HigherFirst, 0);
    ASSERT_TRUE(t.Load(path.c_str()));
    EXPECT_EQ(std::string(19, 'x'), t.m_entries[0].name);
}

TEST(KWOScore, SaveFailsWhenTheFileCannotBeWritten)
{
    TempDir dir;
    KWOScore t(3, KWOScore::HigherFirst, 0);
    EXPECT_FALSE(t.Save((dir / "no/such/folder").c_str(), false));

    // A target that cannot be replaced: nothing is left behind.
    const std::string folder = dir / "folder";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    EXPECT_FALSE(t.Save(folder.c_str(), false));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(StrayTemporaryFiles(dir.Path()).empty());

    // A save that cannot be written whole (a full disk) keeps the previous
    // table file as it was. Names the user chose beside it are no obstacle
    // and are never touched.
    const std::string path = dir / "highscores";
    ASSERT_TRUE(t.Save(path.c_str(), false));
    const std::string before = ReadFileBytes(path);
    KWOScoreEntry e = Entry("Bob", 50, 1);
    t.Add(&e);
    {
        FileSizeLimit full(before.size() / 2);
        EXPECT_FALSE(t.Save(path.c_str(), false));
    }
    EXPECT_EQ(before, ReadFileBytes(path));
    EXPECT_TRUE(StrayTemporaryFiles(dir.Path()).empty());
    ASSERT_TRUE(std::filesystem::create_directory(path + ".tmp"));
    ASSERT_TRUE(t.Save(path.c_str(), false));
    EXPECT_NE(before, ReadFileBytes(path));
    std::filesystem::remove(path + ".tmp");
    WriteFileBytes(path + ".tmp", "mine");
    ASSERT_TRUE(t.Save(path.c_str(), true));
    EXPECT_EQ("mine", ReadFileBytes(path + ".tmp"));
}

TEST(KWOScore, PrintInfoLogsEveryEntry)
{
    KWOScore t(3, KWOScore::LowerFirst, 999);
    KWOScoreEntry e = Entry("Ann", 12, 2);
    t.Add(&e);
    CapturedLog log;
    t.PrintInfo();
    EXPECT_EQ("Score table (3 entries) (name/level/score):\n"
              "[  0]                              Ann   2       12\n"
              "[  1]                                    0      999\n"
              "[  2]                                    0      999\n",
              log.Text());
}
