#include "core/KWOLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace
{
// Sends the log to a file of a scratch folder for the test's duration and
// puts level and target back afterwards.
class LogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldLevel = KWO::GetLogLevel();
        ASSERT_TRUE(KWO::SetLogTarget(2, File().c_str()));
    }
    void TearDown() override
    {
        KWO::SetLogTarget(0, nullptr);
        KWO::SetLogLevel(m_oldLevel);
    }
    std::string File() const { return m_dir / "log.txt"; }
    std::string Logged() const { return ReadFileBytes(File()); }

    TempDir m_dir;
    unsigned m_oldLevel = 100;
};
} // namespace

TEST_F(LogTest, LevelIsClampedTo255)
{
    KWO::SetLogLevel(1000);
    EXPECT_EQ(255u, KWO::GetLogLevel());
    KWO::SetLogLevel(255);
    EXPECT_EQ(255u, KWO::GetLogLevel());
    KWO::SetLogLevel(7);
    EXPECT_EQ(7u, KWO::GetLogLevel());
}

TEST_F(LogTest, SeverityThresholds)
{
    KWO::SetLogLevel(0);
    KWO::ERR("e0 ");
    KWO::LOGL(1, "l0 ");
    KWO::SetLogLevel(10);
    KWO::ERR("e10 ");
    KWO::WARN("w10 ");
    KWO::LOG("g10 ");
    KWO::DBG("d10 ");
    KWO::SetLogLevel(100);
    KWO::LOGL(150, "x100 ");
    KWO::WARN("w100 ");
    KWO::LOG("g100 ");
    KWO::DBG("d100 ");
    KWO::SetLogLevel(200);
    KWO::ERR("e200 ");
    KWO::WARN("w200 ");
    KWO::LOG("g200 ");
    KWO::DBG("d200 ");
    KWO::LOGL(150, "x200 ");
    KWO::SetLogLevel(255);
    KWO::LOGL(0, "never ");
    KWO::LOG(nullptr);
    EXPECT_EQ("e10 w10 w100 g100 e200 w200 g200 d200 x200 ", Logged());
}

TEST_F(LogTest, MessagesAreWrittenAsGivenAndFlushedAtOnce)
{
    KWO::LOG("Mixer: no channel %d\n", 3);
    // Read while the log file is still open: the text must already be there.
    EXPECT_EQ("Mixer: no channel 3\n", Logged());
    KWO::WARN("%s-%c", "a", 'b');
    EXPECT_EQ("Mixer: no channel 3\na-b", Logged());
}

TEST_F(LogTest, Targets)
{
    EXPECT_EQ(2u, KWO::GetLogTarget());
    EXPECT_TRUE(KWO::SetLogTarget(1, nullptr));
    EXPECT_EQ(1u, KWO::GetLogTarget());
    KWO::CloseLog(); // not a file: nothing changes
    EXPECT_EQ(1u, KWO::GetLogTarget());
    EXPECT_TRUE(KWO::SetLogTarget(0, "ignored"));
    EXPECT_EQ(0u, KWO::GetLogTarget());
    KWO::CloseLog();
    EXPECT_EQ(0u, KWO::GetLogTarget());
    EXPECT_TRUE(KWO::SetLogTarget(7, "anything"));
    EXPECT_EQ(0u, KWO::GetLogTarget());
    EXPECT_FALSE(KWO::SetLogTarget(2, nullptr));
    EXPECT_EQ(0u, KWO::GetLogTarget());
    EXPECT_FALSE(KWO::SetLogTarget(2, (m_dir / "no/such/folder/log").c_str()));
    EXPECT_EQ(0u, KWO::GetLogTarget());
}

TEST_F(LogTest, SecondFileClosesTheFirstAndStartsEmpty)
{
    std::string a = m_dir / "a.log";
    std::string b = m_dir / "b.log";
    WriteFileBytes(b, "old content");
    ASSERT_TRUE(KWO::SetLogTarget(2, a.c_str()));
    KWO::LOG("to a");
    ASSERT_TRUE(KWO::SetLogTarget(2, b.c_str()));
    EXPECT_EQ("", ReadFileBytes(b));
    KWO::LOG("to b");
    KWO::CloseLog();
    EXPECT_EQ(0u, KWO::GetLogTarget());
    KWO::LOG("to stdout\n");
    EXPECT_EQ("to a", ReadFileBytes(a));
    EXPECT_EQ("to b", ReadFileBytes(b));
}

TEST(Version, Values)
{
    const KWOVersion* v = KWO::Versionv();
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(0, v->major);
    EXPECT_EQ(21, v->minor);
    EXPECT_EQ(0, v->patch);
    EXPECT_EQ(2100, KWO::Versioni());
    EXPECT_STREQ("0.21.0", KWO::Versiont());
}
