#include "files/KWODir.h"
#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// Every test checks that the process's working directory is where it was.
class DirTest : public ::testing::Test
{
protected:
    void SetUp() override { m_cwd = fs::current_path().string(); }
    void TearDown() override { EXPECT_EQ(m_cwd, fs::current_path().string()); }

    void ExpectCwdKept(const char* step) const
    {
        EXPECT_EQ(m_cwd, fs::current_path().string()) << "after " << step;
    }
    std::string Canonical(const std::string& path) const { return fs::canonical(path).string(); }

    std::string m_cwd;
    TempDir m_tmp;
};

std::vector<std::string> StorageOrder(const KWODir& dir)
{
    std::vector<std::string> names;
    for (unsigned i = 0; i < dir.NbFiles(); ++i)
        names.push_back(dir.FileName(i));
    return names;
}

// The listing as the permutation orders it, optionally files only.
std::vector<std::string> SortedOrder(const KWODir& dir, bool filesOnly = false)
{
    std::vector<std::string> names;
    for (unsigned p = 0; p < dir.NbFiles(); ++p)
    {
        const unsigned i = dir.GetItem(p)->m_index;
        if (!filesOnly || dir.IsFile(i))
            names.push_back(dir.FileName(i));
    }
    return names;
}

unsigned IndexOf(const KWODir& dir, const std::string& name)
{
    for (unsigned i = 0; i < dir.NbFiles(); ++i)
    {
        if (name == dir.FileName(i))
            return i;
    }
    return 0xFFFFFFFFu;
}

void SetDate(const std::string& path, int hoursAgo)
{
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
}
} // namespace

TEST_F(DirTest, EmptyFolderListsDotAndDotDot)
{
    KWODir dir(m_tmp.Path().c_str());
    ExpectCwdKept("the constructor");
    EXPECT_EQ(Canonical(m_tmp.Path()), dir.Name());
    ASSERT_EQ(2u, dir.NbFiles());
    std::vector<std::string> names = StorageOrder(dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{".", ".."}), names);
    EXPECT_TRUE(dir.IsFileDir(0));
    EXPECT_TRUE(dir.IsFileDir(1));
    EXPECT_EQ(2u, dir.NbDirs());
    EXPECT_TRUE(dir.IsEmpty());

    WriteFileBytes(m_tmp / "f", "x");
    dir.Update();
    EXPECT_EQ(3u, dir.NbFiles());
    EXPECT_FALSE(dir.IsEmpty());

    dir.Clear();
    EXPECT_EQ(0u, dir.NbFiles());
    EXPECT_FALSE(dir.IsEmpty());
}

TEST_F(DirTest, EntriesCarryStatusAndHiddenMark)
{
    WriteFileBytes(m_tmp / "data.bin", std::string(1234, 'd'));
    WriteFileBytes(m_tmp / ".secret", "s");
    fs::create_directory(m_tmp / "sub");
    SetDate(m_tmp / "data.bin", 24);
    fs::create_symlink(m_tmp / "nowhere", m_tmp / "dangling");
    fs::create_symlink(m_tmp / "data.bin", m_tmp / "link");

    KWODir dir(m_tmp.Path().c_str());
    EXPECT_EQ(IndexOf(dir, "dangling"), 0xFFFFFFFFu) << "status unreadable: left out";
    ASSERT_EQ(6u, dir.NbFiles());
    EXPECT_EQ(3u, dir.NbDirs());

    const unsigned data = IndexOf(dir, "data.bin");
    ASSERT_NE(0xFFFFFFFFu, data);
    EXPECT_TRUE(dir.IsFile(data));
    EXPECT_FALSE(dir.IsFileDir(data));
    EXPECT_FALSE(dir.IsFileHidden(data));
    EXPECT_FALSE(dir.IsFileLink(data));
    EXPECT_EQ(1234u, dir.FileSize(data));
    const auto expected = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch() - std::chrono::hours(24));
    EXPECT_NEAR(static_cast<double>(expected.count()), static_cast<double>(dir.FileDate(data)), 5);
    EXPECT_TRUE(dir.FileAccess(data, KWODir::AttrFile | KWODir::AttrOwnerRead));
    EXPECT_FALSE(dir.FileAccess(data, KWODir::AttrFile | KWODir::AttrDir));

    EXPECT_TRUE(dir.IsFileHidden(IndexOf(dir, ".secret")));
    EXPECT_FALSE(dir.IsFileHidden(IndexOf(dir, ".")));
    EXPECT_FALSE(dir.IsFileHidden(IndexOf(dir, "..")));
    EXPECT_TRUE(dir.IsFileDir(IndexOf(dir, "sub")));
    // A link is listed as what it points at.
    EXPECT_TRUE(dir.IsFile(IndexOf(dir, "link")));
    EXPECT_EQ(1234u, dir.FileSize(IndexOf(dir, "link")));

    // The iterator walks the storage order.
    std::vector<std::string> walked;
    for (KWODir::iterator it = dir.begin(); it != dir.end(); ++it)
        walked.push_back(dir.FileName(it.Index()));
    EXPECT_EQ(StorageOrder(dir), walked);
}

TEST_F(DirTest, SocketsAreNeitherFilesNorFolders)
{
    const std::string path = m_tmp / "sock";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address));
    ::close(fd);

    KWODir dir(m_tmp.Path().c_str());
    const unsigned sock = IndexOf(dir, "sock");
    ASSERT_NE(0xFFFFFFFFu, sock);
    EXPECT_FALSE(dir.IsFileDir(sock));
    EXPECT_FALSE(dir.IsFile(sock));
    EXPECT_EQ(2u, dir.NbDirs());
}

TEST_F(DirTest, SortNameWithDirectoriesFirst)
{
    for (const char* name : {"a.txt", "B.txt", "c", "d.dat"})
        WriteFileBytes(m_tmp / name, "x");
    fs::create_directory(m_tmp / "sub");
    fs::create_directory(m_tmp / "Zdir");
    KWODir dir(m_tmp.Path().c_str());
    ASSERT_EQ(8u, dir.NbFiles());

    dir.Sort(0x41);
    EXPECT_EQ((std::vector<std::string>{".", "..", "sub", "Zdir", "a.txt", "B.txt", "c", "d.dat"}),
              SortedOrder(dir));
    EXPECT_EQ(1, dir.GetSortKey());
    EXPECT_TRUE(dir.IsSortDirsFirst());
    EXPECT_FALSE(dir.IsSortReversed());

    dir.Sort(0x51);
    EXPECT_EQ((std::vector<std::string>{"Zdir", "sub", "..", ".", "d.dat", "c", "B.txt", "a.txt"}),
              SortedOrder(dir));

    dir.Sort(0x61); // case-sensitive: capitals first
    EXPECT_EQ((std::vector<std::string>{".", "..", "Zdir", "sub", "B.txt", "a.txt", "c", "d.dat"}),
              SortedOrder(dir));

    dir.Sort(0x05); // keys 5 to 7 sort by name
    EXPECT_EQ((std::vector<std::string>{".", "..", "a.txt", "B.txt", "c", "d.dat", "sub", "Zdir"}),
              SortedOrder(dir));

    // The entries never move: only the permutation changes.
    const std::vector<std::string> stored = StorageOrder(dir);
    dir.Sort(0);
    EXPECT_EQ(stored, StorageOrder(dir));
    for (unsigned p = 0; p < dir.NbFiles(); ++p)
        EXPECT_EQ(p, dir.GetItem(p)->m_index);
    EXPECT_EQ(stored, SortedOrder(dir));
}

TEST_F(DirTest, SortBySizeDateAndExtension)
{
    WriteFileBytes(m_tmp / "a.txt", std::string(10, 'x'));
    WriteFileBytes(m_tmp / "B.txt", std::string(30, 'x'));
    WriteFileBytes(m_tmp / "c", std::string(10, 'x'));
    WriteFileBytes(m_tmp / "d.dat", std::string(20, 'x'));
    WriteFileBytes(m_tmp / "e.", std::string(5, 'x'));
    SetDate(m_tmp / "a.txt", 10);
    SetDate(m_tmp / "B.txt", 40);
    SetDate(m_tmp / "c", 30);
    SetDate(m_tmp / "d.dat", 20);
    SetDate(m_tmp / "e.", 50);
    KWODir dir(m_tmp.Path().c_str());

    dir.Sort(2); // equal sizes in name order
    EXPECT_EQ((std::vector<std::string>{"e.", "a.txt", "c", "d.dat", "B.txt"}),
              SortedOrder(dir, true));
    dir.Sort(2 | 0x10);
    EXPECT_EQ((std::vector<std::string>{"B.txt", "d.dat", "c", "a.txt", "e."}),
              SortedOrder(dir, true));

    dir.Sort(3); // oldest first
    EXPECT_EQ((std::vector<std::string>{"e.", "B.txt", "c", "d.dat", "a.txt"}),
              SortedOrder(dir, true));

    dir.Sort(4); // no extension first, then "" < "dat" < "txt"
    EXPECT_EQ((std::vector<std::string>{"c", "e.", "d.dat", "a.txt", "B.txt"}),
              SortedOrder(dir, true));
    dir.Sort(0x44);
    const std::vector<std::string> all = SortedOrder(dir);
    EXPECT_EQ((std::vector<std::string>{".", "..", "c", "e.", "d.dat", "a.txt", "B.txt"}), all);
}

TEST_F(DirTest, RememberedSortFlagsApplyToEveryListing)
{
    for (const char* name : {"c", "a", "b"})
        WriteFileBytes(m_tmp / name, "x");
    KWODir dir(m_tmp.Path().c_str());
    dir.SetSortFlags(0x51);
    dir.Update();
    EXPECT_EQ((std::vector<std::string>{"c", "b", "a"}), SortedOrder(dir, true));
    WriteFileBytes(m_tmp / "d", "x");
    ASSERT_TRUE(dir.Open("."));
    EXPECT_EQ((std::vector<std::string>{"d", "c", "b", "a"}), SortedOrder(dir, true));
}

TEST_F(DirTest, MovesUpToTheRootAndBack)
{
    fs::create_directories(m_tmp / "a/b");
    const std::string a = Canonical(m_tmp / "a");
    KWODir dir((m_tmp / "a/b").c_str());
    EXPECT_EQ(Canonical(m_tmp / "a/b"), dir.Name());

    EXPECT_TRUE(dir.GoUp());
    EXPECT_EQ(a, dir.Name());
    EXPECT_NE(0xFFFFFFFFu, IndexOf(dir, "b"));
    ExpectCwdKept("GoUp");

    EXPECT_TRUE(dir.Open("b")) << "relative to the folder shown";
    EXPECT_EQ(Canonical(m_tmp / "a/b"), dir.Name());
    EXPECT_TRUE(dir.Open(".."));
    EXPECT_EQ(a, dir.Name());

    EXPECT_TRUE(dir.GoRoot());
    EXPECT_STREQ("/", dir.Name());
    ExpectCwdKept("GoRoot");
    const unsigned rootEntries = dir.NbFiles();
    EXPECT_FALSE(dir.GoUp()) << "nothing above the root";
    EXPECT_STREQ("/", dir.Name());
    EXPECT_EQ(rootEntries, dir.NbFiles());

    ASSERT_TRUE(dir.Open("/tmp"));
    EXPECT_TRUE(dir.GoUp());
    EXPECT_STREQ("/", dir.Name());

    EXPECT_TRUE(dir.GoCWD());
    EXPECT_EQ(m_cwd, dir.Name());
}

TEST_F(DirTest, NullPathListsTheWorkingDirectory)
{
    KWODir dir(nullptr);
    EXPECT_EQ(m_cwd, dir.Name());
    EXPECT_GE(dir.NbFiles(), 2u);
    KWODir fallback((m_tmp / "missing").c_str());
    EXPECT_EQ(m_cwd, fallback.Name());
}

TEST_F(DirTest, FailedMovesKeepTheListing)
{
    WriteFileBytes(m_tmp / "file", "x");
    fs::create_directory(m_tmp / "gone");
    WriteFileBytes(m_tmp / "gone/inside", "y");
    KWODir dir((m_tmp / "gone").c_str());
    const std::string path = dir.Name();
    const std::vector<std::string> before = StorageOrder(dir);

    EXPECT_FALSE(dir.Open("missing"));
    EXPECT_FALSE(dir.Open((m_tmp / "file").c_str())) << "a file is no folder";
    EXPECT_FALSE(dir.Open(""));
    EXPECT_FALSE(dir.Open(nullptr));
    const std::string overlong = "/" + std::string(PATH_MAX + 10, 'x');
    EXPECT_FALSE(dir.Open(overlong.c_str()));
    EXPECT_EQ(path, dir.Name());
    EXPECT_EQ(before, StorageOrder(dir));
    ExpectCwdKept("failed Open");

    // The folder vanishes: "." still answers true and the old listing stays.
    fs::remove_all(m_tmp / "gone");
    EXPECT_TRUE(dir.Open("."));
    EXPECT_EQ(path, dir.Name());
    EXPECT_EQ(before, StorageOrder(dir));
    dir.Update();
    EXPECT_EQ(before, StorageOrder(dir));
    EXPECT_FALSE(dir.Open("sub")) << "relative to a folder that is gone";
    ExpectCwdKept("Open of a vanished folder");
}

TEST_F(DirTest, OpenFile)
{
    WriteFileBytes(m_tmp / "hello.txt", "hello");
    fs::create_directory(m_tmp / "sub");
    KWODir dir(m_tmp.Path().c_str());

    std::unique_ptr<KWOResFile> file(dir.OpenFile("hello.txt"));
    ASSERT_TRUE(file);
    char buffer[8] = {};
    EXPECT_EQ(5u, file->Read(buffer, 7));
    EXPECT_STREQ("hello", buffer);
    EXPECT_EQ(KWOResFile::ModeRead, file->GetMode());

    std::unique_ptr<KWOResFile> absolute(dir.OpenFile((m_tmp / "hello.txt").c_str()));
    EXPECT_TRUE(absolute);

    // Missing files, folders and bad names give null (and leave nothing open).
    EXPECT_EQ(nullptr, dir.OpenFile("missing.txt"));
    EXPECT_EQ(nullptr, dir.OpenFile("sub"));
    EXPECT_EQ(nullptr, dir.OpenFile(""));
    EXPECT_EQ(nullptr, dir.OpenFile(static_cast<const char*>(nullptr)));
    const std::string overlong(PATH_MAX, 'n');
    EXPECT_EQ(nullptr, dir.OpenFile(overlong.c_str()));

    const unsigned hello = IndexOf(dir, "hello.txt");
    std::unique_ptr<KWOResFile> byPosition(dir.OpenFile(KWODir::iterator(&dir, hello)));
    EXPECT_TRUE(byPosition);
    EXPECT_EQ(nullptr, dir.OpenFile(dir.end()));
    ExpectCwdKept("OpenFile");
}

TEST_F(DirTest, CopyFile)
{
    WriteFileBytes(m_tmp / "src.bin", std::string(9000, 's'));
    WriteFileBytes(m_tmp / "empty", "");
    fs::create_directory(m_tmp / "out");
    KWODir dir(m_tmp.Path().c_str());

    EXPECT_TRUE(dir.CopyFile("src.bin", "copy.bin"));
    EXPECT_EQ(std::string(9000, 's'), ReadFileBytes(m_tmp / "copy.bin"));
    WriteFileBytes(m_tmp / "out/over", "something longer than nothing");
    EXPECT_TRUE(dir.CopyFile("empty", (m_tmp / "out/over").c_str()));
    EXPECT_EQ("", ReadFileBytes(m_tmp / "out/over"));

    EXPECT_FALSE(dir.CopyFile("missing", "x"));
    EXPECT_FALSE(fs::exists(m_tmp / "x"));
    EXPECT_FALSE(dir.CopyFile("out", "x"));
    EXPECT_FALSE(dir.CopyFile("src.bin", "no/such/folder"));
    // Onto itself: refused, the file keeps its content.
    EXPECT_FALSE(dir.CopyFile("src.bin", (m_tmp / "src.bin").c_str()));
    EXPECT_EQ(9000u, fs::file_size(m_tmp / "src.bin"));
    EXPECT_FALSE(dir.CopyFile("src.bin", std::string(PATH_MAX, 'd').c_str()));
    ExpectCwdKept("CopyFile");
}

TEST_F(DirTest, PrintInfo)
{
    fs::create_directory(m_tmp / "sub");
    WriteFileBytes(m_tmp / "f", "abc");
    KWODir dir((m_tmp / "sub").c_str());
    const std::string log = m_tmp / "log.txt";
    ASSERT_TRUE(KWO::SetLogTarget(2, log.c_str()));
    dir.PrintInfo();
    KWO::SetLogTarget(0, nullptr);
    const std::string text = ReadFileBytes(log);
    const std::string head =
        "Path: " + Canonical(m_tmp / "sub") + "\nTotal entries : 2  (2 subdirs)\n";
    EXPECT_EQ(head, text.substr(0, head.size()));
    EXPECT_NE(std::string::npos, text.find("  .                                          "));
    EXPECT_EQ('\n', text.back());
}
