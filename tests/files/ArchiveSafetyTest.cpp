// Archives that survive interruptions and neighbours: every change cut short
// at any byte leaves the old archive; writers on one archive take turns and
// keep each other's changes; a held lock makes a writer give up with a
// message; extraction never writes more than the archive holds.
#include "files/ArchiveTestSupport.h"

#include "files/KWOArchKWO.h"
#include "files/KWOArchPAK.h"
#include "files/KWOResFile.h"
#include "support/CapturedLog.h"

#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
using ArchiveSafetyTest = ArchiveTest;

// Names and contents of the members, in directory order.
std::vector<std::pair<std::string, std::string>> Members(const KWOArchive& archive)
{
    std::vector<std::pair<std::string, std::string>> members;
    for (unsigned int i = 0; i < archive.NbFiles(); ++i)
    {
        std::unique_ptr<KWOResFile> stream(archive.OpenResFile(i));
        std::string bytes;
        if (stream)
        {
            bytes.resize(archive.FileSize(i));
            bytes.resize(stream->Read(&bytes[0], archive.FileSize(i)));
        }
        members.emplace_back(archive.FileName(i), bytes);
    }
    return members;
}

std::unique_ptr<KWOArchive> Reopen(const std::string& path)
{
    return std::unique_ptr<KWOArchive>(KWOArchive::OpenArchive(path.c_str()));
}
} // namespace

TEST_F(ArchiveSafetyTest, ChangesCutShortAtAnyPointLeaveTheOldArchive)
{
    MakeFile(P("a.bin"), Pattern(3000, 1));
    MakeFile(P("b.bin"), Pattern(2000, 2));
    MakeFile(P("c.bin"), Pattern(4000, 3));
    MakeFile(P("new.bin"), Pattern(5000, 4));
    using Change = std::function<bool(KWOArchive&)>;
    const std::vector<std::pair<std::string, Change>> changes = {
        {"add", [](KWOArchive& a) { return a.AddFile("new.bin", nullptr) != 0xFFFFFFFFu; }},
        {"remove", [](KWOArchive& a) { return a.RemoveFile(0); }},
        {"update", [](KWOArchive& a) { return a.UpdateFile(1, "new.bin"); }},
        {"rename", [](KWOArchive& a) { return a.RenameFile(2, "renamed.bin"); }},
    };
    for (bool pak : {false, true})
    {
        std::unique_ptr<KWOArchive> base(pak ? static_cast<KWOArchive*>(new KWOArchPAK())
                                             : new KWOArchKWO());
        std::filesystem::remove(P("base.dat"));
        ASSERT_TRUE(base->Create("base.dat"));
        for (const char* name : {"a.bin", "b.bin", "c.bin"})
            ASSERT_NE(0xFFFFFFFFu, base->AddFile(name, nullptr));
        const std::string old = ReadFileBytes(P("base.dat"));
        const auto oldMembers = Members(*base);

        for (const auto& change : changes)
        {
            SCOPED_TRACE(change.first + (pak ? " (PAK)" : " (native)"));
            // The bytes of the change left alone.
            std::filesystem::copy_file(P("base.dat"), P("t.dat"),
                                       std::filesystem::copy_options::overwrite_existing);
            std::unique_ptr<KWOArchive> whole = Reopen(P("t.dat"));
            ASSERT_TRUE(whole && change.second(*whole));
            const std::string done = ReadFileBytes(P("t.dat"));
            const auto doneMembers = Members(*whole);

            // Every write may stop at any byte, as on a full disk: the change
            // then fails, and the file and the object are as they were.
            for (size_t limit = 0; limit < done.size() + old.size() + 600; limit += 331)
            {
                std::filesystem::copy_file(P("base.dat"), P("t.dat"),
                                           std::filesystem::copy_options::overwrite_existing);
                std::unique_ptr<KWOArchive> archive = Reopen(P("t.dat"));
                ASSERT_TRUE(archive);
                bool changed;
                {
                    FileSizeLimit full(limit);
                    changed = change.second(*archive);
                }
                if (changed)
                {
                    EXPECT_EQ(done, ReadFileBytes(P("t.dat"))) << "limit " << limit;
                    EXPECT_EQ(doneMembers, Members(*archive));
                }
                else
                {
                    EXPECT_EQ(old, ReadFileBytes(P("t.dat"))) << "limit " << limit;
                    EXPECT_EQ(oldMembers, Members(*archive)) << "limit " << limit;
                }
            }
            EXPECT_TRUE(StrayTemporaryFiles(Root()).empty());
        }
    }
}

TEST_F(ArchiveSafetyTest, WritersTakeTurnsAndKeepEachOthersChanges)
{
    for (const char* name : {"a", "b", "c", "x", "y"})
        MakeFile(P(name), Pattern(700, static_cast<unsigned char>(name[0])));
    KWOArchKWO first, second;
    ASSERT_TRUE(first.Create("w.dat"));
    ASSERT_EQ(0u, first.AddFile("a", nullptr));
    ASSERT_EQ(1u, first.AddFile("b", nullptr));
    ASSERT_TRUE(second.Open("w.dat"));

    // Each object reads the directory again before it writes: neither loses
    // the other's member, and an index follows its member.
    ASSERT_EQ(2u, first.AddFile("x", nullptr));
    ASSERT_EQ(3u, second.AddFile("y", nullptr));
    EXPECT_EQ(4u, second.NbFiles());
    ASSERT_TRUE(first.RemoveFile(0));
    ASSERT_TRUE(second.RenameFile(1, "b2")); // "b", now the first member
    std::unique_ptr<KWOArchive> seen = Reopen(P("w.dat"));
    ASSERT_TRUE(seen);
    const auto members = Members(*seen);
    ASSERT_EQ(3u, members.size());
    EXPECT_EQ(std::make_pair(std::string("b2"), Pattern(700, 'b')), members[0]);
    EXPECT_EQ(std::make_pair(std::string("x"), Pattern(700, 'x')), members[1]);
    EXPECT_EQ(std::make_pair(std::string("y"), Pattern(700, 'y')), members[2]);
    // A member that another writer changed is not taken for another: the
    // first object still knows "b".
    {
        CapturedLog log;
        EXPECT_FALSE(first.RemoveFile(0));
        EXPECT_NE(std::string::npos, log.Text().find("member b of"));
        EXPECT_NE(std::string::npos, log.Text().find("was changed by another program"));
    }
    EXPECT_EQ(members, Members(first));

    // A writer holding the lock makes another wait, then give up with a
    // message; readers are not held up.
    const std::string before = ReadFileBytes(P("w.dat"));
    const int held = ::open(P("w.dat").c_str(), O_RDONLY);
    ASSERT_EQ(0, ::flock(held, LOCK_EX));
    const unsigned int wait = KWOArchive::GetLockWait();
    KWOArchive::SetLockWait(50);
    {
        CapturedLog log;
        EXPECT_EQ(0xFFFFFFFFu, first.AddFile("c", nullptr));
        EXPECT_FALSE(first.RemoveFile(0));
        EXPECT_NE(std::string::npos, log.Text().find("being changed by another program"));
    }
    EXPECT_EQ(before, ReadFileBytes(P("w.dat")));
    ::close(held);
    KWOArchive::SetLockWait(wait);

    // Writers in several threads, each with its own object, on one archive
    // and on two archives in one folder: every change is kept.
    ASSERT_TRUE(first.Create("t1.dat"));
    KWOArchKWO other;
    ASSERT_TRUE(other.Create("t2.dat"));
    ASSERT_EQ(0u, other.AddFile("a", nullptr));
    ASSERT_EQ(1u, other.AddFile("b", nullptr));
    auto adder = [this](const char* name)
    {
        KWOArchKWO mine;
        ASSERT_TRUE(mine.Open(P("t1.dat").c_str()));
        for (int i = 0; i < 20; ++i)
            EXPECT_NE(0xFFFFFFFFu, mine.AddFile(name, (name + std::to_string(i)).c_str()));
    };
    std::thread t1(adder, "x"), t2(adder, "y");
    std::thread t3(
        [this]()
        {
            KWOArchKWO mine;
            ASSERT_TRUE(mine.Open(P("t2.dat").c_str()));
            EXPECT_TRUE(mine.RemoveFile(0));
        });
    t1.join();
    t2.join();
    t3.join();
    const auto added = Members(*Reopen(P("t1.dat")));
    ASSERT_EQ(40u, added.size());
    for (const auto& member : added)
        EXPECT_EQ(Pattern(700, static_cast<unsigned char>(member.first[0])), member.second);
    const auto left = Members(*Reopen(P("t2.dat")));
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(Pattern(700, 'b'), left[0].second);
    EXPECT_TRUE(StrayTemporaryFiles(Root()).empty());
}

TEST_F(ArchiveSafetyTest, ExtractionNeverWritesMoreThanTheArchiveHolds)
{
    // 100 data bytes; "good" alone, "outer" holding "inner", "tail" reaching
    // into "outer", an empty member, one past the end of the file, and a
    // name with an escape sequence.
    const std::string data = Pattern(100, 9);
    const std::string hostile = std::string("bad\x1b[31m", 8);
    std::string bytes = "KWOA" + U32(112) + U32(7) + data;
    auto record = [](const std::string& name, uint32_t size, uint32_t start)
    { return NameField(name, 32) + U32(size) + U32(start) + U32(0); };
    bytes += record("good", 10, 12) + record("outer", 40, 30) + record("inner", 10, 40) +
             record("tail", 15, 65) + record("empty", 0, 35) + record("far", 900, 100) +
             record(hostile, 5, 22);
    MakeFile(P("h.dat"), bytes);
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Open("h.dat"));
    std::vector<bool> overlapping;
    archive.FindOverlaps(overlapping);
    EXPECT_EQ(std::vector<bool>({false, true, true, true, false, false, false}), overlapping);

    std::filesystem::create_directory(P("out"));
    MakeFile(P("out/far"), "keep me");
    {
        CapturedLog log;
        EXPECT_TRUE(archive.ExtractAll(P("out").c_str()));
        for (const char* name : {"outer", "inner", "tail"})
            EXPECT_NE(std::string::npos, log.Text().find(std::string("member ") + name + " shares"))
                << name;
        archive.PrintContent();
        EXPECT_NE(std::string::npos, log.Text().find("bad\\x1B[31m")) << log.Text();
        EXPECT_EQ(std::string::npos, log.Text().find('\x1b'));
    }
    EXPECT_EQ(data.substr(0, 10), ReadFileBytes(P("out/good")));
    EXPECT_TRUE(std::filesystem::exists(P("out/empty")));
    for (const char* name : {"outer", "inner", "tail"})
        EXPECT_FALSE(std::filesystem::exists(P(std::string("out/") + name))) << name;
    // A member past the end cannot be extracted, and the file it would have
    // replaced keeps its content.
    EXPECT_EQ("keep me", ReadFileBytes(P("out/far")));
    EXPECT_FALSE(archive.ExtractFile(5, P("out/far").c_str()));
    EXPECT_EQ("keep me", ReadFileBytes(P("out/far")));
    EXPECT_TRUE(StrayTemporaryFiles(P("out")).empty());
}
