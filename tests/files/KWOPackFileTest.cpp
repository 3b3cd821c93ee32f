#include "files/KWOPackFile.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// 150 bytes: byte i holds i.
std::string Ramp()
{
    std::string bytes;
    for (int i = 0; i < 150; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}
} // namespace

TEST(KWOPackFile, WindowClippedToTheFile)
{
    TempDir dir;
    std::string path = dir / "ramp.bin";
    WriteFileBytes(path, Ramp());
    KWOPackFile p(path.c_str(), 100, 200, 1);
    ASSERT_EQ(KWOResFile::StateOK, p.GetState());
    EXPECT_EQ(150u, p.GetEnd());
    EXPECT_EQ(100u, p.GetStart());
    EXPECT_STREQ(path.c_str(), p.GetName()); // no name: the path
    EXPECT_EQ(0u, p.GetPos());
    EXPECT_EQ(100u, p.Read8());

    EXPECT_TRUE(p.Seek(0, 2));
    EXPECT_EQ(50u, p.GetPos());
    EXPECT_TRUE(p.Eof());
    EXPECT_FALSE(p.Seek(50, 0));
    EXPECT_EQ(KWOResFile::StateSeekError, p.GetState());
    EXPECT_EQ(50u, p.GetPos()); // nothing moved
    EXPECT_FALSE(p.Seek(-50, 2));
    EXPECT_FALSE(p.Seek(1, 2));
    EXPECT_TRUE(p.Seek(-49, 2));
    EXPECT_EQ(1u, p.GetPos());
    EXPECT_EQ(101u, p.Read8());
    EXPECT_FALSE(p.Seek(-3, 1)); // before the start
    EXPECT_TRUE(p.Seek(-2, 1));
    EXPECT_EQ(0u, p.GetPos());
    EXPECT_FALSE(p.Seek(-1, 0));
    EXPECT_TRUE(p.Seek(49, 0));
    EXPECT_FALSE(p.Seek(1, 1)); // would reach the end
    EXPECT_TRUE(p.Seek(0, 1));
    EXPECT_EQ(149u, p.Read8());

    p.SeekEnd();
    EXPECT_EQ(50u, p.GetPos());
    EXPECT_EQ(KWOResFile::StateSeekError, p.GetState());
    EXPECT_TRUE(p.Eof());
    p.SeekStart();
    EXPECT_EQ(KWOResFile::StateOK, p.GetState());
    EXPECT_EQ(0u, p.GetPos());
}

TEST(KWOPackFile, ReadsStopAtTheWindow)
{
    TempDir dir;
    std::string path = dir / "ramp.bin";
    WriteFileBytes(path, Ramp());
    KWOPackFile p(path.c_str(), 10, 20, 1, "member");
    EXPECT_STREQ("member", p.GetName());
    EXPECT_STREQ(path.c_str(), p.GetPath());
    unsigned char buffer[32];
    EXPECT_EQ(10u, p.Read(buffer, 32));
    EXPECT_EQ(10, buffer[0]);
    EXPECT_EQ(19, buffer[9]);
    EXPECT_EQ(KWOResFile::StateReadAtEnd, p.GetState());
    EXPECT_TRUE(p.Eof());
    EXPECT_EQ(0u, p.Read(buffer, 1));
    p.SeekStart();
    EXPECT_EQ(10u, p.Read(buffer, 10));
    EXPECT_EQ(KWOResFile::StateOK, p.GetState());
    EXPECT_EQ(0u, p.Read(buffer, 1));  // at the window's end
    EXPECT_EQ(0u, p.Write(buffer, 1)); // read only
}

TEST(KWOPackFile, LinesEndWithTheWindow)
{
    TempDir dir;
    std::string path = dir / "text.txt";
    WriteFileBytes(path, "head\r\nab\r\ncdef\nrest");
    KWOPackFile p(path.c_str(), 6, 13, 1); // "ab\r\ncde"
    char buffer[16];
    EXPECT_EQ(3u, p.GetLine(buffer, 16, '\n'));
    EXPECT_STREQ("ab", buffer);
    EXPECT_EQ(4u, p.GetLine(buffer, 16, '\n'));
    EXPECT_STREQ("cde", buffer);
    EXPECT_EQ(0u, p.GetLine(buffer, 16, '\n'));

    p.SeekStart();
    KWOString line;
    EXPECT_EQ(4u, p.GetLine(line, 0xFFFFFFFFu, '\n'));
    EXPECT_STREQ("ab", line.m_text);
    EXPECT_EQ(3u, p.GetLine(line, 0xFFFFFFFFu, '\n'));
    EXPECT_STREQ("cde", line.m_text);
    EXPECT_EQ(0u, p.GetLine(line, 0xFFFFFFFFu, '\n'));
}

TEST(KWOPackFile, WritesStayInsideTheWindow)
{
    TempDir dir;
    std::string path = dir / "w.bin";
    WriteFileBytes(path, "0123456789");
    {
        KWOPackFile p(path.c_str(), 2, 6, KWOResFile::ModeWrite | KWOResFile::ModeTruncate);
        ASSERT_EQ(KWOResFile::StateOK, p.GetState());
        EXPECT_EQ(2, p.GetMode());
        EXPECT_EQ(2u, p.Write("ab", 2));
        EXPECT_EQ(2u, p.Write("cdef", 4));
        EXPECT_EQ(KWOResFile::StateWriteAtEnd, p.GetState());
    }
    EXPECT_EQ("01abcd6789", ReadFileBytes(path));
    {
        // Read and write by turns without a seek in between.
        KWOPackFile p(path.c_str(), 0, 10, 3);
        EXPECT_EQ('0', p.Read8());
        EXPECT_TRUE(p.Write8('X'));
        EXPECT_EQ('a', p.Read8());
    }
    EXPECT_EQ("0Xabcd6789", ReadFileBytes(path));
}

TEST(KWOPackFile, OpenFailures)
{
    TempDir dir;
    std::string path = dir / "ramp.bin";
    WriteFileBytes(path, Ramp());
    CapturedLog log;
    KWOPackFile empty(nullptr, 0, 10, 1);
    EXPECT_EQ(KWOResFile::StateClosed, empty.GetState());
    EXPECT_FALSE(empty.Open("", 0, 10, 1));
    EXPECT_FALSE(empty.Seek(0, 0));

    KWOPackFile past(path.c_str(), 150, 300, 1);
    EXPECT_EQ(KWOResFile::StateOpenError, past.GetState());
    EXPECT_EQ(0u, past.Read8());
    KWOPackFile reversed(path.c_str(), 20, 10, 1);
    EXPECT_EQ(KWOResFile::StateOpenError, reversed.GetState());
    KWOPackFile bad(path.c_str(), 0, 10, 0);
    EXPECT_EQ(KWOResFile::StateBadOpenMode, bad.GetState());
    std::string missing = dir / "missing";
    KWOPackFile gone(missing.c_str(), 0, 10, 3);
    EXPECT_EQ(KWOResFile::StateOpenError, gone.GetState());
    EXPECT_EQ("PackFile: invalid offset (start=150, end=150) " + path +
                  "\nPackFile: invalid offset (start=20, end=10) " + path +
                  "\nPackFile: bad open mode (" + path + ")\nPackFile: Can not open " + missing +
                  " in mode 'r+b'\n",
              log.Text());

    // Reopening with its own path and name.
    KWOPackFile p(path.c_str(), 0, 5, 1, "n");
    EXPECT_TRUE(p.Open(p.GetPath(), 1, 5, 1, p.GetName()));
    EXPECT_STREQ("n", p.GetName());
    EXPECT_EQ(1, p.Read8());
    p.Close();
    EXPECT_EQ(nullptr, p.GetPath());
    EXPECT_EQ(0u, p.GetPos());
}

TEST(KWOPackFile, PrintInfo)
{
    TempDir dir;
    std::string path = dir / "ramp.bin";
    WriteFileBytes(path, Ramp());
    KWOPackFile p(path.c_str(), 100, 200, 1, "m");
    CapturedLog log;
    p.PrintInfo();
    std::string text = log.Text();
    EXPECT_EQ(0u, text.find("PackFile info :\nFile  :" + path + "\nName  : m\nFILE* : "));
    EXPECT_NE(std::string::npos, text.find("\nMode  : 1 (read only)\nState : 1 (OK)\nStart : "
                                           "100\nPos.  : 100\nEnd   : 150\nEOF   : no\n"));
}
