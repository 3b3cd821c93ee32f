#include "files/KWOMemFile.h"
#include "support/CapturedLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const unsigned RW = KWOResFile::ModeRead | KWOResFile::ModeWrite;
}

TEST(KWOMemFile, SeekRules)
{
    KWOMemFile m(10, RW | KWOResFile::ModeTruncate);
    ASSERT_EQ(KWOResFile::StateOK, m.GetState());
    EXPECT_FALSE(m.Seek(10, 0));
    EXPECT_EQ(KWOResFile::StateSeekError, m.GetState());
    EXPECT_EQ(0u, m.Read8()); // refused in state 3
    EXPECT_TRUE(m.Seek(9, 0));
    EXPECT_EQ(KWOResFile::StateOK, m.GetState());
    EXPECT_EQ(9u, m.GetPos());
    EXPECT_FALSE(m.Seek(1, 1));
    EXPECT_EQ(9u, m.GetPos());
    EXPECT_TRUE(m.Seek(-9, 1));
    EXPECT_EQ(0u, m.GetPos());
    EXPECT_FALSE(m.Seek(-1, 1));
    EXPECT_TRUE(m.Seek(-10, 2));
    EXPECT_FALSE(m.Seek(0, 2));
    EXPECT_FALSE(m.Seek(-11, 2));
    EXPECT_TRUE(m.Seek(4, 7)); // an unknown whence counts from the start
    EXPECT_EQ(4u, m.GetPos());

    m.SeekEnd();
    EXPECT_EQ(10u, m.GetPos());
    EXPECT_TRUE(m.Eof());
    EXPECT_EQ(KWOResFile::StateSeekError, m.GetState());
    m.SeekStart();
    EXPECT_EQ(0u, m.GetPos());
    EXPECT_FALSE(m.Eof());
    EXPECT_EQ(KWOResFile::StateOK, m.GetState());
}

TEST(KWOMemFile, ReadAndWriteStopAtTheEnd)
{
    KWOMemFile m(4, RW | KWOResFile::ModeCreate, nullptr, false, "scratch");
    EXPECT_STREQ("scratch", m.GetName());
    EXPECT_EQ(3u, m.Write("abc", 3));
    EXPECT_FALSE(m.Eof());
    EXPECT_EQ(1u, m.Write("def", 3));
    EXPECT_EQ(KWOResFile::StateWriteAtEnd, m.GetState());
    EXPECT_TRUE(m.Eof());
    EXPECT_EQ(4u, m.GetSize()); // never grows
    EXPECT_EQ(0, std::memcmp("abcd", m.GetData(), 4));

    m.SeekStart();
    char buffer[8];
    EXPECT_EQ(4u, m.Read(buffer, 8));
    EXPECT_EQ(KWOResFile::StateReadAtEnd, m.GetState());
    EXPECT_EQ(0u, m.Read(buffer, 1));
    m.SeekStart();
    EXPECT_EQ(2u, m.Read(buffer, 2));
    EXPECT_EQ(2u, m.Read(buffer, 2));
    EXPECT_EQ(KWOResFile::StateOK, m.GetState()); // exactly to the end
    EXPECT_TRUE(m.Eof());
    EXPECT_EQ(0u, m.Read(buffer, 1)); // at the end nothing moves
}

TEST(KWOMemFile, OwnAndForeignData)
{
    {
        KWOMemFile own(16, KWOResFile::ModeRead | KWOResFile::ModeTruncate);
        ASSERT_EQ(KWOResFile::StateOK, own.GetState());
        EXPECT_TRUE(own.OwnsData());
        EXPECT_STREQ("Memory file", own.GetName());
        for (unsigned i = 0; i < 16; ++i)
            EXPECT_EQ(0, own.GetData()[i]);
    }
    unsigned char data[4] = {1, 2, 3, 4};
    {
        KWOMemFile foreign(4, 1, data);
        EXPECT_FALSE(foreign.OwnsData());
        EXPECT_EQ(data, foreign.GetData());
        EXPECT_EQ(1, foreign.Read8());
        foreign.Close();
        EXPECT_EQ(nullptr, foreign.GetData());
        EXPECT_EQ(KWOResFile::StateClosed, foreign.GetState());
    }
    EXPECT_EQ(4, data[3]);
    {
        // Truncation zeroes a caller's block too.
        KWOMemFile zero(4, 1 | KWOResFile::ModeTruncate, data);
        EXPECT_EQ(0, data[0]);
    }
    {
        // Handed over: freed by the stream (the leak checker watches).
        unsigned char* given = new unsigned char[3]{7, 8, 9};
        KWOMemFile taken(3, 1, given, true);
        EXPECT_TRUE(taken.OwnsData());
        EXPECT_EQ(7, taken.Read8());
    }
}

TEST(KWOMemFile, OpenRulesAndReopening)
{
    KWOMemFile none(0, 1);
    EXPECT_EQ(KWOResFile::StateClosed, none.GetState());
    EXPECT_EQ(nullptr, none.GetName());
    EXPECT_FALSE(none.Seek(0, 0));
    none.SeekStart();
    EXPECT_EQ(KWOResFile::StateClosed, none.GetState());

    // No access bit: opens, but refuses every transfer.
    KWOMemFile locked(4, 0);
    EXPECT_EQ(KWOResFile::StateOK, locked.GetState());
    EXPECT_EQ(0u, locked.Write("a", 1));
    EXPECT_EQ(0u, locked.Read8());
    char line[4];
    EXPECT_EQ(0u, locked.GetLine(line, 4, '\n'));

    // Reopening over the block the stream holds keeps it alive.
    KWOMemFile m(4, RW);
    m.Write("wxyz", 4);
    unsigned char* block = m.GetData();
    EXPECT_TRUE(m.Open(4, 1, block, false, m.GetName()));
    EXPECT_TRUE(m.OwnsData());
    EXPECT_STREQ("Memory file", m.GetName());
    EXPECT_EQ('w', m.Read8());
    EXPECT_FALSE(m.Open(0, 1)); // size 0 changes nothing
    EXPECT_EQ('x', m.Read8());
}

TEST(KWOMemFile, GetLineBothForms)
{
    unsigned char bytes[] = {'a', 'b', '\r', '\n', 'c', 'd'};
    KWOMemFile m(6, 1, bytes);
    char buffer[100];
    EXPECT_EQ(3u, m.GetLine(buffer, 100, '\n'));
    EXPECT_STREQ("ab", buffer);
    EXPECT_EQ(3u, m.GetLine(buffer, 100, '\n'));
    EXPECT_STREQ("cd", buffer);
    EXPECT_TRUE(m.Eof());
    EXPECT_EQ(0u, m.GetLine(buffer, 100, '\n'));

    m.SeekStart();
    KWOString line;
    EXPECT_EQ(4u, m.GetLine(line, 0xFFFFFFFFu, '\n'));
    EXPECT_STREQ("ab", line.m_text);
    EXPECT_EQ(2u, m.GetLine(line, 0xFFFFFFFFu, '\n'));
    EXPECT_STREQ("cd", line.m_text);
    EXPECT_EQ(0u, m.GetLine(line, 0xFFFFFFFFu, '\n'));

    // Another end byte: the carriage return stays.
    m.SeekStart();
    EXPECT_EQ(5u, m.GetLine(buffer, 100, 'c'));
    EXPECT_STREQ("ab\r\n", buffer);
}

TEST(KWOMemFile, LongLineIntoAString)
{
    std::string text(200000, 'q');
    text += "\nz";
    KWOMemFile m(static_cast<unsigned>(text.size()), 1,
                 reinterpret_cast<unsigned char*>(text.data()));
    KWOString line;
    EXPECT_EQ(200001u, m.GetLine(line, 0xFFFFFFFFu, '\n'));
    EXPECT_EQ(200000u, line.m_length);
    EXPECT_EQ(1u, m.GetLine(line, 0xFFFFFFFFu, '\n'));
    EXPECT_STREQ("z", line.m_text);
}

TEST(KWOMemFile, PrintInfo)
{
    unsigned char data[3] = {0, 0, 0};
    KWOMemFile m(3, 1, data);
    m.Read8();
    CapturedLog log;
    m.PrintInfo();
    char address[40];
    std::snprintf(address, sizeof address, "%p", static_cast<void*>(data));
    EXPECT_EQ(std::string("MemFile info:\nAddress: ") + address +
                  "\nMode  : 1 (read only)\nState : 1 (OK)\nSize : 3\nPos.  : 1\nEOF   : no\n"
                  "Own data: no\n",
              log.Text());
}
