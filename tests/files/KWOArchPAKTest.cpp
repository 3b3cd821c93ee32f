// The PAK archive: byte-exact files, names, the data end, damaged headers
// and members that do not lie back to back.
#include "files/ArchiveTestSupport.h"

#include "files/KWOArchPAK.h"
#include "files/KWOResFile.h"

#include <memory>

namespace
{
const uint32_t kNotFound = 0xFFFFFFFFu;

std::string Header(uint32_t directory, uint32_t length)
{
    return "PACK" + U32(directory) + U32(length);
}

std::string Record(const std::string& name, uint32_t start, uint32_t size)
{
    return NameField(name, 56) + U32(start) + U32(size);
}

std::string ReadAll(KWOResFile& stream)
{
    std::string bytes;
    char buffer[64];
    while (unsigned int n = stream.Read(buffer, sizeof buffer))
        bytes.append(buffer, n);
    return bytes;
}

using KWOArchPAKTest = ArchiveTest;
} // namespace

TEST_F(KWOArchPAKTest, CreateAddRemoveWriteTheDescribedBytes)
{
    const std::string one = Pattern(100, 1), two = Pattern(50, 2);
    MakeFile(P("one.bin"), one);
    MakeFile(P("two.bin"), two);

    KWOArchPAK archive;
    EXPECT_EQ(2, archive.GetFormat());
    ASSERT_TRUE(archive.Create("q.pak"));
    EXPECT_EQ(Header(12, 0), ReadFileBytes(P("q.pak")));
    EXPECT_STREQ("Id Software Quake 1/2 Archive.", archive.FormatInfo());

    ASSERT_EQ(0u, archive.AddFile("one.bin", nullptr));
    EXPECT_EQ(Header(112, 64) + one + Record("one.bin", 12, 100), ReadFileBytes(P("q.pak")));
    ASSERT_EQ(1u, archive.AddFile("two.bin", nullptr));
    EXPECT_EQ(Header(162, 128) + one + two + Record("one.bin", 12, 100) +
                  Record("two.bin", 112, 50),
              ReadFileBytes(P("q.pak")));
    EXPECT_EQ(0u, archive.FileDate(0));
    EXPECT_EQ(0u, archive.FileDate(1));

    ASSERT_TRUE(archive.RemoveFile(0));
    EXPECT_EQ(Header(62, 64) + two + Record("two.bin", 12, 50), ReadFileBytes(P("q.pak")));
    EXPECT_EQ(62u, archive.GetDataEnd());

    const std::string three = Pattern(20, 3);
    MakeFile(P("three"), three);
    ASSERT_TRUE(archive.UpdateFile(0, "three"));
    EXPECT_EQ(Header(32, 64) + three + Record("two.bin", 12, 20), ReadFileBytes(P("q.pak")));
    EXPECT_EQ(0u, archive.FileDate(0));

    ASSERT_TRUE(archive.RemoveFile(0));
    EXPECT_EQ(Header(12, 0), ReadFileBytes(P("q.pak")));
    KWOArchPAK again;
    ASSERT_TRUE(again.Open("q.pak"));
    EXPECT_EQ(0u, again.NbFiles());
    EXPECT_EQ(12u, again.GetDataEnd());
}

TEST_F(KWOArchPAKTest, NamesHoldFiftySixCharactersAndKeepTheirSlashes)
{
    const std::string sixty(60, 'n');
    MakeFile(P(sixty), "abc");
    KWOArchPAK archive;
    ASSERT_TRUE(archive.Create("n.pak"));
    ASSERT_EQ(0u, archive.AddFile(sixty.c_str(), nullptr));
    EXPECT_EQ(std::string(56, 'n'), archive.FileName(0));
    // 56 characters fill the field: no terminating zero is written.
    EXPECT_EQ(Header(15, 64) + "abc" + std::string(56, 'n') + U32(12) + U32(3),
              ReadFileBytes(P("n.pak")));
    ASSERT_TRUE(archive.RenameFile(0, ("dir/" + std::string(70, 'r')).c_str()));
    EXPECT_EQ(std::string(56, 'r'), archive.FileName(0));

    // Stored names are taken as they are, "/" included.
    const std::string bytes = Header(15, 128) + "abc" + Record("sound/door.wav", 12, 1) +
                              std::string(56, 'z') + U32(13) + U32(2);
    MakeFile(P("s.pak"), bytes);
    ASSERT_TRUE(archive.Open("s.pak"));
    ASSERT_EQ(2u, archive.NbFiles());
    EXPECT_EQ(kNotFound, archive.FindFile("door.wav"));
    EXPECT_EQ(0u, archive.FindFile("sound/door.wav"));
    EXPECT_EQ(std::string(56, 'z'), archive.FileName(1));
    std::unique_ptr<KWOResFile> stream(archive.OpenFile(std::string(56, 'z').c_str()));
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ("bc", ReadAll(*stream));
}

TEST_F(KWOArchPAKTest, DirectoryLengthCountsWholeRecords)
{
    const std::string data = Pattern(30, 7);
    MakeFile(P("l.pak"), Header(42, 130) + data + Record("a", 12, 10) + Record("b", 22, 20) + "xy");
    KWOArchPAK archive;
    ASSERT_TRUE(archive.Open("l.pak"));
    ASSERT_EQ(2u, archive.NbFiles());
    EXPECT_EQ(42u, archive.GetDataEnd());
    EXPECT_EQ(30u, archive.TotalSize());
}

TEST_F(KWOArchPAKTest, DataEndIsTheLargestMemberEnd)
{
    // Members end at 5000, the directory sits at 6000.
    std::string bytes = Header(6000, 128) + Pattern(4988, 1);
    bytes += std::string(1000, '\0');
    bytes += Record("late", 2000, 3000) + Record("early", 12, 1988);
    MakeFile(P("d.pak"), bytes);

    KWOArchPAK archive;
    ASSERT_TRUE(archive.Open("d.pak"));
    EXPECT_EQ(5000u, archive.GetDataEnd());

    const std::string added = Pattern(10, 2);
    MakeFile(P("added"), added);
    ASSERT_EQ(2u, archive.AddFile("added", nullptr));
    const std::string after = ReadFileBytes(P("d.pak"));
    EXPECT_EQ(bytes.size(), after.size()); // the old directory's tail stays
    EXPECT_EQ(Header(5010, 192), after.substr(0, 12));
    EXPECT_EQ(bytes.substr(12, 4988), after.substr(12, 4988));
    EXPECT_EQ(added, after.substr(5000, 10));
    EXPECT_EQ(Record("late", 2000, 3000) + Record("early", 12, 1988) + Record("added", 5000, 10),
              after.substr(5010, 192));
    EXPECT_EQ(bytes.substr(5202), after.substr(5202));

    KWOArchPAK again;
    ASSERT_TRUE(again.Open("d.pak"));
    EXPECT_EQ(3u, again.NbFiles());
    EXPECT_EQ(5010u, again.GetDataEnd());
}

TEST_F(KWOArchPAKTest, OpenRefusesDirectoriesOutsideTheFile)
{
    KWOArchPAK archive;
    ASSERT_TRUE(archive.Create("ok.pak"));
    const std::string data = Pattern(10, 1);
    struct Case
    {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"offset past the end", Header(87, 64) + data + Record("a", 12, 10)},
        {"length past the end", Header(22, 128) + data + Record("a", 12, 10)},
        {"length overflowing 32 bits", Header(22, 0xFFFFFFF0) + data + Record("a", 12, 10)},
        {"offset overflowing 32 bits", Header(0xFFFFFFC0, 64) + data + Record("a", 12, 10)},
        {"wrong magic", "PACL" + U32(22) + U32(64) + data + Record("a", 12, 10)},
        {"short header", "PACK" + U32(12)},
    };
    for (const Case& c : cases)
    {
        MakeFile(P("bad.pak"), c.bytes);
        EXPECT_FALSE(archive.Open("bad.pak")) << c.what;
        EXPECT_EQ(P("ok.pak"), archive.Name()) << c.what;
        EXPECT_EQ(0u, archive.NbFiles()) << c.what;
    }
    MakeFile(P("fine.pak"), Header(22, 64) + data + Record("a", 12, 10));
    ASSERT_TRUE(archive.Open("fine.pak"));
    EXPECT_EQ(1u, archive.NbFiles());
}

TEST_F(KWOArchPAKTest, MembersOutOfOrderAreRemovedWithoutHarmingTheOthers)
{
    // Another maker's layout: a gap, and members stored in reverse order.
    const std::string a = Pattern(30, 1), gap(6, 'g'), b = Pattern(20, 2);
    const std::string bytes =
        Header(68, 128) + a + gap + b + Record("b", 48, 20) + Record("a", 12, 30);
    MakeFile(P("o.pak"), bytes);
    KWOArchPAK archive;
    ASSERT_TRUE(archive.Open("o.pak"));
    ASSERT_TRUE(archive.RemoveFile(1)); // "a": "b" moves up by 30
    EXPECT_EQ(Header(38, 64) + gap + b + Record("b", 18, 20), ReadFileBytes(P("o.pak")));
    std::unique_ptr<KWOResFile> stream(archive.OpenResFile(0));
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(b, ReadAll(*stream));

    // Two members sharing bytes cannot be taken apart.
    const std::string shared = Header(42, 128) + a + Record("x", 12, 30) + Record("y", 20, 10);
    MakeFile(P("shared.pak"), shared);
    ASSERT_TRUE(archive.Open("shared.pak"));
    EXPECT_FALSE(archive.RemoveFile(0));
    EXPECT_FALSE(archive.RemoveFile(1));
    EXPECT_EQ(shared, ReadFileBytes(P("shared.pak")));
}

TEST_F(KWOArchPAKTest, MembersPastTheFileNeverMakeItGrow)
{
    // A member claims to end near 2 GiB: the data end is there, far past the
    // file, and nothing may be written there.
    const std::string bytes = Header(22, 64) + Pattern(10, 1) + Record("far", 0x7F000000, 0x100);
    MakeFile(P("far.pak"), bytes);
    MakeFile(P("small"), "abc");
    KWOArchPAK archive;
    ASSERT_TRUE(archive.Open("far.pak"));
    EXPECT_EQ(0x7F000100u, archive.GetDataEnd());
    EXPECT_EQ(nullptr, archive.OpenResFile(0));
    EXPECT_FALSE(archive.RenameFile(0, "near"));
    EXPECT_EQ(0xFFFFFFFFu, archive.AddFile("small", nullptr));
    EXPECT_FALSE(archive.RemoveFile(0));
    EXPECT_FALSE(archive.UpdateFile(0, "small"));
    EXPECT_EQ(bytes, ReadFileBytes(P("far.pak")));
    EXPECT_STREQ("far", archive.FileName(0));
}
