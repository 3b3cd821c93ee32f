#include "files/KWOFile.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
const unsigned NOLIMIT = 0xFFFFFFFFu;

std::string Word(const char* s, unsigned n)
{
    return std::string(s, n);
}
} // namespace

TEST(KWOFile, ReadWriteOpenCreatesMissingFile)
{
    TempDir dir;
    std::string path = dir / "new.bin";
    KWOFile f(path.c_str(), KWOResFile::ModeRead | KWOResFile::ModeWrite);
    ASSERT_EQ(KWOResFile::StateOK, f.GetState());
    EXPECT_EQ(3, f.GetMode());
    EXPECT_STREQ(path.c_str(), f.GetName());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(f.Write32(0x01020304));
    f.SeekStart();
    EXPECT_EQ(0x01020304u, f.Read32());
    f.Close();
    EXPECT_EQ(KWOResFile::StateClosed, f.GetState());
    EXPECT_EQ(0, f.GetMode());
    EXPECT_EQ(nullptr, f.GetName());
    EXPECT_EQ(std::string("\x04\x03\x02\x01", 4), ReadFileBytes(path));
}

TEST(KWOFile, CreateRefusesAnExistingFileAndLeavesItAlone)
{
    TempDir dir;
    std::string path = dir / "keep.txt";
    WriteFileBytes(path, "precious");
    CapturedLog log;
    KWOFile f(path.c_str(), KWOResFile::ModeWrite | KWOResFile::ModeCreate);
    EXPECT_EQ(KWOResFile::StateOpenError, f.GetState());
    EXPECT_EQ(0u, f.Write("x", 1));
    EXPECT_EQ("precious", ReadFileBytes(path));
    EXPECT_EQ("File: open error: file already exists (CREATE) " + path + "\n", log.Text());

    // The same mode on a missing file creates it.
    std::string fresh = dir / "fresh.txt";
    KWOFile g(fresh.c_str(), 0x0A);
    ASSERT_EQ(KWOResFile::StateOK, g.GetState());
    EXPECT_EQ(3u, g.Write("abc", 3));
    g.Close();
    EXPECT_EQ("abc", ReadFileBytes(fresh));
}

TEST(KWOFile, OpenFailures)
{
    TempDir dir;
    CapturedLog log;
    KWOFile none(nullptr, 1);
    EXPECT_EQ(KWOResFile::StateClosed, none.GetState());
    EXPECT_TRUE(none.Eof() == false);
    EXPECT_FALSE(none.Open("", 1));
    EXPECT_EQ(KWOResFile::StateClosed, none.GetState());
    EXPECT_FALSE(none.Seek(0, 0));
    EXPECT_EQ(0u, none.GetPos());

    std::string path = dir / "missing";
    KWOFile bad(path.c_str(), 0x1C);
    EXPECT_EQ(KWOResFile::StateBadOpenMode, bad.GetState());
    EXPECT_STREQ(path.c_str(), bad.GetName());
    KWOFile missing(path.c_str(), 1);
    EXPECT_EQ(KWOResFile::StateOpenError, missing.GetState());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ("File: bad open mode (" + path + ")\nFile: Can not open " + path + " in mode 'rb'\n",
              log.Text());
}

TEST(KWOFile, MessagesAreDebugLevel)
{
    CapturedLog log(KWO::SEVERITY_LOG);
    KWOFile missing("/nonexistent-dir/x", 1);
    EXPECT_EQ(KWOResFile::StateOpenError, missing.GetState());
    EXPECT_EQ("", log.Text());
}

TEST(KWOFile, GetLineBothForms)
{
    TempDir dir;
    std::string path = dir / "lines.txt";
    WriteFileBytes(path, "ab\r\ncd");

    KWOFile f(path.c_str(), 1);
    char buffer[100];
    EXPECT_EQ(3u, f.GetLine(buffer, 100, '\n'));
    EXPECT_STREQ("ab", buffer);
    EXPECT_EQ(3u, f.GetLine(buffer, 100, '\n'));
    EXPECT_STREQ("cd", buffer);
    EXPECT_TRUE(f.Eof());
    buffer[0] = 'z';
    EXPECT_EQ(0u, f.GetLine(buffer, 100, '\n'));
    EXPECT_EQ('z', buffer[0]);

    KWOFile g(path.c_str(), 1);
    KWOString line(256, nullptr);
    EXPECT_EQ(4u, g.GetLine(line, NOLIMIT, '\n'));
    EXPECT_STREQ("ab", line.m_text);
    EXPECT_EQ(2u, line.m_length);
    EXPECT_EQ(2u, g.GetLine(line, NOLIMIT, '\n'));
    EXPECT_STREQ("cd", line.m_text);
    EXPECT_EQ(0u, g.GetLine(line, NOLIMIT, '\n'));
}

TEST(KWOFile, GetLineLimits)
{
    TempDir dir;
    std::string path = dir / "long.txt";
    WriteFileBytes(path, "abcdef\n\nxy");
    KWOFile f(path.c_str(), 1);
    char buffer[8];
    EXPECT_EQ(0u, f.GetLine(buffer, 1, '\n')); // room for the terminator only
    EXPECT_EQ(0u, f.GetLine(buffer, 0, '\n'));
    EXPECT_EQ(0u, f.GetLine(nullptr, 8, '\n'));
    EXPECT_EQ(4u, f.GetLine(buffer, 4, '\n'));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ(3u, f.GetPos()); // def and the line feed are still unread
    EXPECT_EQ(4u, f.GetLine(buffer, 8, '\n'));
    EXPECT_STREQ("def", buffer);
    EXPECT_EQ(1u, f.GetLine(buffer, 8, '\n')); // the empty line
    EXPECT_STREQ("", buffer);

    // The string form stops after `max` bytes, the end byte counted.
    KWOString line;
    EXPECT_EQ(2u, f.GetLine(line, 2, '\n'));
    EXPECT_STREQ("xy", line.m_text);
    EXPECT_EQ(0u, f.GetLine(line, 0, '\n'));
}

TEST(KWOFile, ShortReadStopsTheStreamUntilASeek)
{
    TempDir dir;
    std::string path = dir / "three.bin";
    WriteFileBytes(path, "xyz");
    KWOFile f(path.c_str(), 1);
    char buffer[10];
    EXPECT_EQ(3u, f.Read(buffer, 10));
    EXPECT_EQ(KWOResFile::StateReadAtEnd, f.GetState());
    EXPECT_TRUE(f.Eof());
    EXPECT_EQ(0u, f.Read(buffer, 1));
    EXPECT_EQ(0u, f.Read8());
    KWOString line;
    EXPECT_EQ(0u, f.GetLine(line, NOLIMIT, '\n'));
    EXPECT_TRUE(f.Seek(1, 0));
    EXPECT_EQ(KWOResFile::StateOK, f.GetState());
    EXPECT_FALSE(f.Eof());
    EXPECT_EQ('y', f.Read8());
    EXPECT_FALSE(f.Seek(-10, 1));
    EXPECT_EQ(KWOResFile::StateSeekError, f.GetState());
    EXPECT_EQ(0u, f.Read(buffer, 1));
    f.SeekEnd();
    EXPECT_EQ(KWOResFile::StateOK, f.GetState());
    EXPECT_EQ(3u, f.GetPos());
    // A read-only stream refuses writes.
    EXPECT_EQ(0u, f.Write("a", 1));
}

TEST(KWOFile, ModesTruncateAppendAndWriteOnly)
{
    TempDir dir;
    std::string path = dir / "data.txt";
    WriteFileBytes(path, "hello world");
    {
        KWOFile f(path.c_str(), 3); // keeps the content
        ASSERT_EQ(KWOResFile::StateOK, f.GetState());
        EXPECT_EQ('h', f.Read8());
    }
    EXPECT_EQ("hello world", ReadFileBytes(path));
    {
        KWOFile f(path.c_str(), KWOResFile::ModeWrite | KWOResFile::ModeAppend);
        EXPECT_EQ(1u, f.Write("!", 1));
        EXPECT_EQ(0u, f.Read8()); // write only
    }
    EXPECT_EQ("hello world!", ReadFileBytes(path));
    {
        KWOFile f(path.c_str(), 3 | KWOResFile::ModeAppend);
        f.SeekStart();
        EXPECT_EQ('h', f.Read8());
        EXPECT_EQ(1u, f.Write("?", 1)); // still at the end
    }
    EXPECT_EQ("hello world!?", ReadFileBytes(path));
    {
        KWOFile f(path.c_str(), 7);
        EXPECT_EQ(0u, f.Read(nullptr, 1));
        EXPECT_EQ(2u, f.Write("ok", 2));
    }
    EXPECT_EQ("ok", ReadFileBytes(path));
    {
        KWOFile f(path.c_str(), 2);
        EXPECT_EQ(1u, f.Write("w", 1));
    }
    EXPECT_EQ("w", ReadFileBytes(path));
}

TEST(KWOFile, ReadThenWriteWithoutSeek)
{
    TempDir dir;
    std::string path = dir / "mix.txt";
    WriteFileBytes(path, "hello");
    KWOFile f(path.c_str(), 3);
    char two[2];
    EXPECT_EQ(2u, f.Read(two, 2));
    EXPECT_EQ(2u, f.Write("XY", 2));
    EXPECT_EQ('o', f.Read8());
    f.SeekStart();
    char all[5];
    EXPECT_EQ(5u, f.Read(all, 5));
    EXPECT_EQ("heXYo", Word(all, 5));
}

TEST(KWOFile, ReopenWithItsOwnName)
{
    TempDir dir;
    std::string a = dir / "a.txt";
    WriteFileBytes(a, "A");
    KWOFile f(a.c_str(), 1);
    EXPECT_TRUE(f.Open(f.GetName(), 1));
    EXPECT_STREQ(a.c_str(), f.GetName());
    EXPECT_EQ('A', f.Read8());
}

TEST(KWOFile, PrintInfo)
{
    TempDir dir;
    std::string path = dir / "p.txt";
    WriteFileBytes(path, "p");
    KWOFile f(path.c_str(), 1);
    CapturedLog log;
    f.PrintInfo();
    std::string text = log.Text();
    EXPECT_EQ(0u, text.find("File info : " + path + "\nFILE* : "));
    EXPECT_NE(std::string::npos,
              text.find("\nMode  : 1 (read only)\nState : 1 (OK)\nEOF   : no\n"));
    f.Close();
    CapturedLog log2;
    f.PrintInfo();
    EXPECT_NE(std::string::npos,
              log2.Text().find("Mode  : 0 (error)\nState : 16 (file closed)\nEOF   : yes\n"));
}
