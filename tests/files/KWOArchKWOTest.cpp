// The native archive: byte-exact files through create, add, remove, update
// and rename; names; opening damaged files; member streams; failed changes.
#include "files/ArchiveTestSupport.h"

#include "files/KWOArchKWO.h"
#include "files/KWOResFile.h"

#include <memory>

namespace
{
const uint32_t kNotFound = 0xFFFFFFFFu;

std::string Header(uint32_t directory, uint32_t count)
{
    return "KWOA" + U32(directory) + U32(count);
}

std::string Record(const std::string& name, uint32_t size, uint32_t start, uint32_t date)
{
    return NameField(name, 32) + U32(size) + U32(start) + U32(date);
}

// Reads a whole stream.
std::string ReadAll(KWOResFile& stream)
{
    std::string bytes;
    char buffer[37];
    while (unsigned int n = stream.Read(buffer, sizeof buffer))
        bytes.append(buffer, n);
    return bytes;
}

using KWOArchKWOTest = ArchiveTest;
} // namespace

TEST_F(KWOArchKWOTest, CreateAddRemoveWriteTheDescribedBytes)
{
    const std::string one = Pattern(100, 1), two = Pattern(50, 2);
    MakeFile(P("one.bin"), one, 1111111111);
    MakeFile(P("two.bin"), two, 1222222222);

    KWOArchKWO archive;
    EXPECT_EQ(0u, archive.GetDataEnd());
    ASSERT_TRUE(archive.Create("game.dat"));
    EXPECT_EQ(P("game.dat"), archive.Name());
    EXPECT_EQ(Header(12, 0), ReadFileBytes(P("game.dat")));
    EXPECT_EQ(12u, archive.GetDataEnd());
    EXPECT_STREQ("KWO Archive v1.00", archive.FormatInfo());

    EXPECT_EQ(0u, archive.AddFile("one.bin", nullptr));
    std::string bytes = ReadFileBytes(P("game.dat"));
    EXPECT_EQ(Header(112, 1) + one + Record("one.bin", 100, 12, 1111111111), bytes);
    EXPECT_EQ(156u, bytes.size());

    EXPECT_EQ(1u, archive.AddFile(P("two.bin").c_str(), nullptr));
    bytes = ReadFileBytes(P("game.dat"));
    EXPECT_EQ(Header(162, 2) + one + two + Record("one.bin", 100, 12, 1111111111) +
                  Record("two.bin", 50, 112, 1222222222),
              bytes);
    EXPECT_EQ(162u, archive.GetDataEnd());
    EXPECT_EQ(150u, archive.TotalSize());

    // Removing the first member moves the second to the front.
    ASSERT_TRUE(archive.RemoveFile(0));
    EXPECT_EQ(Header(62, 1) + two + Record("two.bin", 50, 12, 1222222222),
              ReadFileBytes(P("game.dat")));
    EXPECT_EQ(62u, archive.GetDataEnd());
    EXPECT_TRUE(StrayTemporaryFiles(m_dir.Path()).empty());

    // Removing the only member leaves an empty archive that opens again.
    ASSERT_TRUE(archive.RemoveFile(0));
    EXPECT_EQ(Header(12, 0), ReadFileBytes(P("game.dat")));
    KWOArchKWO again;
    ASSERT_TRUE(again.Open("game.dat"));
    EXPECT_EQ(0u, again.NbFiles());
    EXPECT_EQ(12u, again.GetDataEnd());
    EXPECT_FALSE(again.RemoveFile(0));
}

TEST_F(KWOArchKWOTest, UpdateAndRenameRewriteTheArchive)
{
    MakeFile(P("a"), Pattern(100, 1), 1000);
    MakeFile(P("b"), Pattern(50, 2), 2000);
    const std::string shorter = Pattern(30, 3);
    MakeFile(P("c"), shorter, 3000);

    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create("u.dat"));
    ASSERT_EQ(0u, archive.AddFile("a", nullptr));
    ASSERT_EQ(1u, archive.AddFile("b", nullptr));

    // The first member shrinks to 30 bytes: the second follows at 42, the
    // directory at 92, and the member takes the new file's date.
    ASSERT_TRUE(archive.UpdateFile(0, "c"));
    EXPECT_EQ(Header(92, 2) + shorter + Pattern(50, 2) + Record("a", 30, 12, 3000) +
                  Record("b", 50, 42, 2000),
              ReadFileBytes(P("u.dat")));

    // Renaming rewrites the directory in place; the name loses its folders
    // and is cut to 31 characters.
    ASSERT_TRUE(archive.RenameFile(1, "some/dir\\a_name_that_is_much_longer_than_31.bin"));
    EXPECT_STREQ("a_name_that_is_much_longer_than", archive.FileName(1));
    EXPECT_EQ(Header(92, 2) + shorter + Pattern(50, 2) + Record("a", 30, 12, 3000) +
                  Record("a_name_that_is_much_longer_than", 50, 42, 2000),
              ReadFileBytes(P("u.dat")));
    EXPECT_FALSE(archive.RenameFile(1, "folder/"));
    EXPECT_FALSE(archive.RenameFile(1, ""));
    EXPECT_FALSE(archive.RenameFile(1, nullptr));
    EXPECT_FALSE(archive.RenameFile(2, "x"));
    EXPECT_STREQ("a_name_that_is_much_longer_than", archive.FileName(1));
}

TEST_F(KWOArchKWOTest, MemberNamesAreBareCutAndCaseSensitive)
{
    std::filesystem::create_directories(P("dir/sub"));
    MakeFile(P("dir/sub/pic.gif"), "GIF89a");
    MakeFile(P("a_file_name_of_forty_characters_long.bin"), "x");

    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create("n.dat"));
    EXPECT_EQ(0u, archive.AddFile("dir/sub/pic.gif", nullptr));
    EXPECT_EQ(1u, archive.AddFile("a_file_name_of_forty_characters_long.bin", nullptr));
    EXPECT_EQ(2u, archive.AddFile("dir/sub/pic.gif", "c:\\games\\Pic.gif"));
    EXPECT_EQ(3u, archive.AddFile("dir/sub/pic.gif", "pic.gif")); // duplicates are allowed
    EXPECT_EQ(kNotFound, archive.AddFile("dir/sub/pic.gif", "ends/with/"));

    EXPECT_STREQ("pic.gif", archive.FileName(0));
    EXPECT_STREQ("a_file_name_of_forty_characters", archive.FileName(1));
    EXPECT_EQ(31u, std::string(archive.FileName(1)).size());
    EXPECT_STREQ("Pic.gif", archive.FileName(2));

    EXPECT_EQ(0u, archive.FindFile("pic.gif")); // the first of two
    EXPECT_EQ(2u, archive.FindFile("Pic.gif"));
    EXPECT_EQ(kNotFound, archive.FindFile("PIC.GIF"));
    EXPECT_EQ(kNotFound, archive.FindFile("sub/pic.gif"));
    EXPECT_EQ(kNotFound, archive.FindFile(nullptr));
    EXPECT_EQ(nullptr, archive.OpenFile("PIC.GIF"));

    // What was written reads back the same.
    KWOArchKWO again;
    ASSERT_TRUE(again.Open(P("n.dat").c_str()));
    ASSERT_EQ(4u, again.NbFiles());
    for (unsigned int i = 0; i < 4; ++i)
    {
        EXPECT_STREQ(archive.FileName(i), again.FileName(i));
        EXPECT_EQ(1000000000u, again.FileDate(i));
        EXPECT_EQ(i, again.GetItem(i)->m_index);
    }
}

TEST_F(KWOArchKWOTest, AddRefusesWhatCannotBeAdded)
{
    MakeFile(P("f"), "data");
    std::filesystem::create_directory(P("folder"));

    KWOArchKWO closed;
    EXPECT_EQ(kNotFound, closed.AddFile("f", nullptr)); // no archive yet

    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create("r.dat"));
    EXPECT_FALSE(archive.Create("r.dat")); // never over an existing file
    const std::string before = ReadFileBytes(P("r.dat"));
    EXPECT_EQ(kNotFound, archive.AddFile(nullptr, nullptr));
    EXPECT_EQ(kNotFound, archive.AddFile("", nullptr));
    EXPECT_EQ(kNotFound, archive.AddFile("missing", nullptr));
    EXPECT_EQ(kNotFound, archive.AddFile("folder", nullptr));
    EXPECT_EQ(kNotFound, archive.AddFile("r.dat", "self")); // the archive itself
    EXPECT_EQ(before, ReadFileBytes(P("r.dat")));
    EXPECT_EQ(0u, archive.NbFiles());

    // An empty file is a member like any other.
    MakeFile(P("empty"), "");
    EXPECT_EQ(0u, archive.AddFile("empty", nullptr));
    EXPECT_EQ(0u, archive.FileSize(0));
    EXPECT_TRUE(archive.ExtractFile(0, "empty.out"));
    EXPECT_EQ("", ReadFileBytes(P("empty.out")));
}

TEST_F(KWOArchKWOTest, OpenRefusesDirectoriesOutsideTheFileAndKeepsItsState)
{
    MakeFile(P("m"), Pattern(20, 5));
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create("good.dat"));
    ASSERT_EQ(0u, archive.AddFile("m", nullptr));
    const std::string goodName = archive.Name();

    const std::string data = Pattern(20, 5);
    const std::string record = Record("m", 20, 12, 7);
    struct Case
    {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"directory past the end", Header(33, 1) + data + record},
        {"directory below 12", Header(8, 1) + data + record},
        {"directory offset 0", Header(0, 1) + data + record},
        {"directory longer than the file", Header(32, 2) + data + record},
        {"count overflowing 32 bits", Header(32, 0x05D1745E) + data + record},
        {"huge count", Header(32, 0xFFFFFFFF) + data + record},
        {"offset near 4 GiB", Header(0xFFFFFFF0, 1) + data + record},
        {"wrong magic", "KWOB" + U32(32) + U32(1) + data + record},
        {"short header", "KWOA" + U32(12)},
        {"magic only", "KWOA"},
        {"empty file", ""},
    };
    for (const Case& c : cases)
    {
        MakeFile(P("bad.dat"), c.bytes);
        EXPECT_FALSE(archive.Open("bad.dat")) << c.what;
        EXPECT_EQ(goodName, archive.Name()) << c.what;
        ASSERT_EQ(1u, archive.NbFiles()) << c.what;
        EXPECT_STREQ("m", archive.FileName(0)) << c.what;
        EXPECT_EQ(32u, archive.GetDataEnd()) << c.what;
    }
    EXPECT_FALSE(archive.Open(nullptr));
    EXPECT_FALSE(archive.Open(""));
    EXPECT_FALSE(archive.Open("missing.dat"));
    EXPECT_EQ(1u, archive.NbFiles());

    // With no entries the directory offset is not looked at.
    MakeFile(P("zero.dat"), Header(0x7777, 0));
    ASSERT_TRUE(archive.Open("zero.dat"));
    EXPECT_EQ(0u, archive.NbFiles());
    EXPECT_EQ(12u, archive.GetDataEnd());

    // The sound file opens: the directory at its exact end.
    MakeFile(P("exact.dat"), Header(32, 1) + data + record);
    ASSERT_TRUE(archive.Open("exact.dat"));
    EXPECT_EQ(1u, archive.NbFiles());
    EXPECT_EQ(7u, archive.FileDate(0));

    archive.Close();
    EXPECT_EQ(nullptr, archive.Name());
    EXPECT_EQ(0u, archive.NbFiles());
    EXPECT_EQ(12u, archive.GetDataEnd());
}

TEST_F(KWOArchKWOTest, MemberStreamsAreWindowsThatOutliveTheArchive)
{
    const std::string one = Pattern(100, 1), two = Pattern(50, 2);
    MakeFile(P("one"), one);
    MakeFile(P("two"), two);
    std::unique_ptr<KWOArchKWO> archive(new KWOArchKWO);
    ASSERT_TRUE(archive->Create("s.dat"));
    ASSERT_EQ(0u, archive->AddFile("one", nullptr));
    ASSERT_EQ(1u, archive->AddFile("two", nullptr));

    std::unique_ptr<KWOResFile> stream(archive->OpenResFile(1));
    ASSERT_NE(nullptr, stream);
    EXPECT_STREQ("two", stream->GetName());
    EXPECT_EQ(0u, stream->GetPos());
    EXPECT_TRUE(stream->Seek(0, 2));
    EXPECT_EQ(50u, stream->GetPos());
    stream->SeekStart();

    std::unique_ptr<KWOResFile> first(
        archive->OpenFile(KWOFileProvider::iterator(archive.get(), 0)));
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(nullptr, archive->OpenResFile(2));
    EXPECT_EQ(nullptr, archive->OpenFile(KWOFileProvider::iterator(archive.get(), 2)));

    archive.reset();
    EXPECT_EQ(two, ReadAll(*stream)); // the member's bytes and nothing after
    EXPECT_EQ(one, ReadAll(*first));
    EXPECT_TRUE(stream->Eof());
}

TEST_F(KWOArchKWOTest, FailedRemoveAndUpdateLeaveArchiveAndObjectAlone)
{
    MakeFile(P("a"), Pattern(100, 1));
    MakeFile(P("b"), Pattern(50, 2));
    MakeFile(P("c"), Pattern(70, 3));
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create("f.dat"));
    ASSERT_EQ(0u, archive.AddFile("a", nullptr));
    ASSERT_EQ(1u, archive.AddFile("b", nullptr));
    const std::string before = ReadFileBytes(P("f.dat"));

    // The rebuilt archive cannot be written whole (as on a full disk).
    {
        FileSizeLimit full(40);
        EXPECT_FALSE(archive.RemoveFile(0));
        EXPECT_FALSE(archive.UpdateFile(1, "c"));
    }
    EXPECT_EQ(before, ReadFileBytes(P("f.dat")));

    EXPECT_FALSE(archive.UpdateFile(0, "missing"));
    EXPECT_FALSE(archive.UpdateFile(0, nullptr));
    EXPECT_FALSE(archive.UpdateFile(2, "c"));
    EXPECT_FALSE(archive.RemoveFile(2));
    EXPECT_EQ(before, ReadFileBytes(P("f.dat")));

    // The archive's data went missing behind the object's back: the copy
    // falls short and nothing changes.
    std::filesystem::resize_file(P("f.dat"), 80);
    const std::string cut = ReadFileBytes(P("f.dat"));
    EXPECT_FALSE(archive.RemoveFile(0));
    EXPECT_FALSE(archive.UpdateFile(0, "c"));
    EXPECT_EQ(cut, ReadFileBytes(P("f.dat")));
    EXPECT_TRUE(StrayTemporaryFiles(m_dir.Path()).empty());

    ASSERT_EQ(2u, archive.NbFiles());
    EXPECT_EQ(12u, static_cast<KWOArchive::Entry*>(archive.GetItem(0))->m_start);
    EXPECT_EQ(112u, static_cast<KWOArchive::Entry*>(archive.GetItem(1))->m_start);
    EXPECT_EQ(100u, archive.FileSize(0));
    EXPECT_EQ(162u, archive.GetDataEnd());
}

TEST_F(KWOArchKWOTest, HostileDirectoriesGiveMembersThatStayInsideTheFile)
{
    // Members that overflow 32-bit arithmetic, reach past the file, or
    // overlap each other.
    const std::string data = Pattern(40, 9);
    const std::string bytes = Header(52, 4) + data + Record("huge", 0xFFFFFFFF, 12, 0) +
                              Record("wrap", 0x20, 0xFFFFFFF0, 0) + Record("past", 1000, 40, 0) +
                              Record("inside", 10, 20, 0);
    MakeFile(P("h.dat"), bytes);
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Open("h.dat"));
    ASSERT_EQ(4u, archive.NbFiles());
    EXPECT_EQ(0xFFFFFFFFu, archive.TotalSize());

    std::unique_ptr<KWOResFile> huge(archive.OpenResFile(0));
    ASSERT_NE(nullptr, huge);
    EXPECT_EQ(bytes.substr(12), ReadAll(*huge)); // clipped to the file
    EXPECT_EQ(nullptr, archive.OpenResFile(1));
    std::unique_ptr<KWOResFile> past(archive.OpenResFile(2));
    ASSERT_NE(nullptr, past);
    EXPECT_EQ(bytes.substr(40), ReadAll(*past));

    EXPECT_FALSE(archive.ExtractFile(0, "out"));
    EXPECT_FALSE(archive.ExtractFile(1, "out"));

    // None of these can be cut out without damaging another member.
    for (unsigned int i = 0; i < 4; ++i)
        EXPECT_FALSE(archive.RemoveFile(i)) << i;
    MakeFile(P("small"), "xy");
    EXPECT_FALSE(archive.UpdateFile(3, "small"));
    EXPECT_EQ(bytes, ReadFileBytes(P("h.dat")));
}

TEST_F(KWOArchKWOTest, ExtractWritesMembersAndNeverTheArchive)
{
    const std::string one = Pattern(300, 4);
    MakeFile(P("one"), one);
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create("x.dat"));
    ASSERT_EQ(0u, archive.AddFile("one", "x.dat"));
    const std::string before = ReadFileBytes(P("x.dat"));

    EXPECT_TRUE(archive.ExtractFile(0, "copy"));
    EXPECT_EQ(one, ReadFileBytes(P("copy")));
    EXPECT_TRUE(archive.CopyFile("x.dat", "copy2"));
    EXPECT_EQ(one, ReadFileBytes(P("copy2")));
    EXPECT_FALSE(archive.CopyFile("nothing", "copy3"));
    EXPECT_FALSE(archive.ExtractFile(0, nullptr));
    EXPECT_FALSE(archive.ExtractFile(1, "copy4"));
    EXPECT_FALSE(std::filesystem::exists(P("copy3")));

    // Extracting over the archive itself would destroy it.
    EXPECT_FALSE(archive.ExtractFile(0, "x.dat"));
    EXPECT_FALSE(archive.ExtractFile(0, P("x.dat").c_str()));
    std::filesystem::create_directory(P("here"));
    std::filesystem::current_path(P("here"));
    EXPECT_TRUE(archive.ExtractAll(".")); // the member x.dat lands in here/
    std::filesystem::current_path(Root());
    EXPECT_EQ(one, ReadFileBytes(P("here/x.dat")));
    EXPECT_TRUE(archive.ExtractAll(Root().c_str())); // the one that is the archive is refused
    EXPECT_EQ(before, ReadFileBytes(P("x.dat")));
}
