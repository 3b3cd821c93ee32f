#include "platform/KWOFileUtils.h"
#include "core/KWOText.h"
#include "files/KWOMemFile.h"
#include "files/KWOResFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
std::vector<std::string> List(const std::string& dir, const char* pattern, unsigned flags)
{
    char** list = reinterpret_cast<char**>(1);
    const unsigned n = KWOFileUtils::GetFileList(list, dir.c_str(), pattern, flags);
    std::vector<std::string> names;
    for (unsigned i = 0; i < n; ++i)
        names.push_back(list[i]);
    KWOFileUtils::FreeFileList(list, n);
    EXPECT_EQ(nullptr, list);
    std::sort(names.begin(), names.end());
    return names;
}

// Files of a folder other than the ones a test made (left-over temporaries).
std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A stream that notes the size of every read and write it is asked for.
class RecordingStream : public KWOResFile
{
public:
    explicit RecordingStream(unsigned available) : m_available(available) { m_state = StateOK; }
    bool Seek(int, int) override { return false; }
    void SeekStart() override {}
    void SeekEnd() override {}
    unsigned GetPos() const override { return 0; }
    void Flush() override {}
    unsigned GetLine(char*, unsigned, char) override { return 0; }
    unsigned GetLine(KWOString&, unsigned, char) override { return 0; }
    unsigned Read(void* buffer, unsigned count) override
    {
        reads.push_back(count);
        const unsigned n = std::min(count, m_available);
        std::memset(buffer, 'x', n);
        m_available -= n;
        return n;
    }
    unsigned Write(const void*, unsigned count) override
    {
        writes.push_back(count);
        return count;
    }
    void PrintInfo() const override {}

    std::vector<unsigned> reads;
    std::vector<unsigned> writes;

private:
    unsigned m_available;
};

// A path longer than the system takes: every operation must refuse it.
std::string TooLongPath()
{
    return "/tmp/" + std::string(PATH_MAX + 16, 'a');
}
} // namespace

TEST(FileUtilsPaths, FileNameSplitsAtEitherSeparator)
{
    EXPECT_STREQ("cards.set", KWOFileUtils::FileName("C:\\games\\cards.set"));
    EXPECT_STREQ("cards.set", KWOFileUtils::FileName("cards.set"));
    EXPECT_STREQ("cards", KWOFileUtils::FileName("\\cards"));
    EXPECT_STREQ("x.gif", KWOFileUtils::FileName("/usr/share/x.gif"));
    EXPECT_STREQ("", KWOFileUtils::FileName("dir/"));
    EXPECT_EQ(nullptr, KWOFileUtils::FileName(nullptr));
    // The result points into the argument.
    const char* path = "a/b";
    EXPECT_EQ(path + 2, KWOFileUtils::FileName(path));
}

TEST(FileUtilsPaths, FileExtension)
{
    EXPECT_STREQ("set", KWOFileUtils::FileExtension("cards.set"));
    EXPECT_STREQ("gz", KWOFileUtils::FileExtension("archive.tar.gz"));
    EXPECT_EQ(nullptr, KWOFileUtils::FileExtension(".set"));
    EXPECT_STREQ("", KWOFileUtils::FileExtension("name."));
    EXPECT_STREQ("bak", KWOFileUtils::FileExtension(".profile.bak"));
    EXPECT_EQ(nullptr, KWOFileUtils::FileExtension("."));
    EXPECT_EQ(nullptr, KWOFileUtils::FileExtension(".."));
    EXPECT_EQ(nullptr, KWOFileUtils::FileExtension("README"));
    EXPECT_EQ(nullptr, KWOFileUtils::FileExtension(""));
    EXPECT_EQ(nullptr, KWOFileUtils::FileExtension(nullptr));
    // Only the file name counts: dots in folder names are no extension.
    EXPECT_STREQ("set", KWOFileUtils::FileExtension("C:\\games\\cards.set"));
    EXPECT_EQ(nullptr, KWOFileUtils::FileExtension("/home/me.d/README"));
    EXPECT_EQ(nullptr, KWOFileUtils::FileExtension("/home/me.d/.set"));
}

TEST(FileUtilsPaths, IsAbsoluteAndIsRoot)
{
    for (const char* p : {"c:\\x", "C:/x", "/x", "\\x", "/"})
        EXPECT_TRUE(KWOFileUtils::IsAbsolute(p)) << p;
    for (const char* p : {"c:x", "x", "x/y", "1:\\x", "", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(KWOFileUtils::IsAbsolute(p)) << (p ? p : "null");
    EXPECT_TRUE(KWOFileUtils::IsRelative(nullptr));
    EXPECT_TRUE(KWOFileUtils::IsRelative("c:x"));

    for (const char* p : {"C:\\", "d:/", "/", "//", "\\\\"})
        EXPECT_TRUE(KWOFileUtils::IsRoot(p)) << p;
    for (const char* p : {"C:", "\\", "/x", "C:\\x", "///", "", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(KWOFileUtils::IsRoot(p)) << (p ? p : "null");
}

TEST(FileUtilsStatus, ExistDirHiddenSizeRemove)
{
    TempDir tmp;
    WriteFileBytes(tmp / "a.txt", "12345");
    WriteFileBytes(tmp / ".hidden", "");
    fs::create_directory(tmp / "sub");

    EXPECT_TRUE(KWOFileUtils::FileExist((tmp / "a.txt").c_str()));
    EXPECT_TRUE(KWOFileUtils::FileExist((tmp / "sub").c_str()));
    EXPECT_FALSE(KWOFileUtils::FileExist((tmp / "none").c_str()));
    EXPECT_FALSE(KWOFileUtils::FileExist(""));
    EXPECT_FALSE(KWOFileUtils::FileExist(nullptr));

    EXPECT_TRUE(KWOFileUtils::IsDir((tmp / "sub").c_str()));
    EXPECT_FALSE(KWOFileUtils::IsDir((tmp / "a.txt").c_str()));
    EXPECT_FALSE(KWOFileUtils::IsDir(nullptr));

    EXPECT_TRUE(KWOFileUtils::IsHidden((tmp / ".hidden").c_str()));
    EXPECT_FALSE(KWOFileUtils::IsHidden((tmp / "a.txt").c_str()));
    EXPECT_FALSE(KWOFileUtils::IsHidden((tmp / ".gone").c_str()));
    EXPECT_FALSE(KWOFileUtils::IsHidden((tmp / "sub/..").c_str()));

    EXPECT_EQ(5u, KWOFileUtils::FileSize((tmp / "a.txt").c_str()));
    EXPECT_EQ(0xFFFFFFFFu, KWOFileUtils::FileSize((tmp / "none").c_str()));
    EXPECT_EQ(0xFFFFFFFFu, KWOFileUtils::FileSize(nullptr));

    EXPECT_FALSE(KWOFileUtils::FileRemove((tmp / "sub").c_str())) << "folders are not files";
    EXPECT_TRUE(KWOFileUtils::FileRemove((tmp / "a.txt").c_str()));
    EXPECT_FALSE(KWOFileUtils::FileExist((tmp / "a.txt").c_str()));
    EXPECT_FALSE(KWOFileUtils::FileRemove((tmp / "a.txt").c_str()));

    EXPECT_TRUE(KWOFileUtils::DirCreate((tmp / "new").c_str()));
    EXPECT_TRUE(KWOFileUtils::IsDir((tmp / "new").c_str()));
    EXPECT_FALSE(KWOFileUtils::DirCreate((tmp / "new").c_str()));
}

TEST(FileUtilsList, SkipDirsAndHiddenLeaveTheTwoFiles)
{
    TempDir tmp;
    WriteFileBytes(tmp / "one.txt", "1");
    WriteFileBytes(tmp / "two.dat", "2");
    WriteFileBytes(tmp / ".hidden", "h");
    fs::create_directory(tmp / "folder");

    using F = KWOFileUtils;
    EXPECT_EQ((std::vector<std::string>{"one.txt", "two.dat"}),
              List(tmp.Path(), "*", F::SkipDirs | F::SkipHidden));
    EXPECT_EQ((std::vector<std::string>{".", "..", ".hidden", "folder", "one.txt", "two.dat"}),
              List(tmp.Path(), "*", 0));
    EXPECT_EQ((std::vector<std::string>{".hidden", "folder", "one.txt", "two.dat"}),
              List(tmp.Path() + "/", "*", F::SkipDotEntries));
    EXPECT_EQ((std::vector<std::string>{".", "..", "folder"}), List(tmp.Path(), "*", F::SkipFiles));
}

TEST(FileUtilsList, PatternsMatchLikeTheWindowsSearch)
{
    TempDir tmp;
    for (const char* name : {"a.TXT", "b.txt", "c.dat", "noext", "[1].txt"})
        WriteFileBytes(tmp / name, "");
    fs::create_directory(tmp / "sub");
    WriteFileBytes(tmp / "sub/inner.txt", "");

    EXPECT_EQ((std::vector<std::string>{"[1].txt", "a.TXT", "b.txt"}),
              List(tmp.Path(), "*.txt", 0));
    EXPECT_EQ((std::vector<std::string>{"a.TXT", "b.txt"}), List(tmp.Path(), "?.T*", 0));
    EXPECT_EQ((std::vector<std::string>{"[1].txt"}), List(tmp.Path(), "[1].txt", 0));
    EXPECT_EQ((std::vector<std::string>{"noext"}), List(tmp.Path(), "noext.*", 0));
    EXPECT_EQ(8u, List(tmp.Path(), "*.*", 0).size()) << "*.* lists everything";
    EXPECT_EQ((std::vector<std::string>{"inner.txt"}), List(tmp.Path(), "sub/*.txt", 0));
    EXPECT_EQ((std::vector<std::string>{"inner.txt"}), List(tmp.Path(), "sub\\*.txt", 0));
}

TEST(FileUtilsList, NothingFoundGivesNoList)
{
    TempDir tmp;
    char** list = reinterpret_cast<char**>(1);
    EXPECT_EQ(0u, KWOFileUtils::GetFileList(list, (tmp / "missing").c_str(), "*", 0));
    EXPECT_EQ(nullptr, list);
    EXPECT_EQ(0u, KWOFileUtils::GetFileList(list, tmp.Path().c_str(), "*.none", 0));
    EXPECT_EQ(nullptr, list);
    EXPECT_EQ(0u, KWOFileUtils::GetFileList(list, nullptr, "*", 0));
    EXPECT_EQ(0u, KWOFileUtils::GetFileList(list, tmp.Path().c_str(), "", 0));
    KWOFileUtils::FreeFileList(list, 3); // null list: nothing happens
    EXPECT_EQ(nullptr, list);
}

TEST(FileUtilsCopyData, ReadsInPiecesOf4000)
{
    RecordingStream from(10000);
    RecordingStream to(0);
    EXPECT_EQ(10000u, KWOFileUtils::CopyData(&from, &to, 10000));
    EXPECT_EQ((std::vector<unsigned>{4000, 4000, 2000}), from.reads);
    EXPECT_EQ((std::vector<unsigned>{4000, 4000, 2000}), to.writes);

    EXPECT_EQ(0u, KWOFileUtils::CopyData(nullptr, &to, 10));
    EXPECT_EQ(0u, KWOFileUtils::CopyData(&from, nullptr, 10));
}

TEST(FileUtilsCopyData, StopsWhenTheSourceEndsAndCountsWhatWasWritten)
{
    RecordingStream from(5000);
    KWOMemFile to(6000, KWOResFile::ModeWrite);
    ASSERT_EQ(KWOResFile::StateOK, to.GetState());
    EXPECT_EQ(5000u, KWOFileUtils::CopyData(&from, &to, 9000));
    EXPECT_EQ((std::vector<unsigned>{4000, 4000, 4000}), from.reads);

    // A destination that takes less than it is given: the total says so.
    RecordingStream more(9000);
    KWOMemFile small(3000, KWOResFile::ModeWrite);
    EXPECT_EQ(3000u, KWOFileUtils::CopyData(&more, &small, 9000));
}

TEST(FileUtilsRename, ExistingTargetOnlyWithOverwrite)
{
    TempDir tmp;
    const std::string a = tmp / "a", b = tmp / "b";
    WriteFileBytes(a, "new");
    WriteFileBytes(b, "old");

    EXPECT_FALSE(KWOFileUtils::FileRename(a.c_str(), b.c_str(), false));
    EXPECT_EQ("new", ReadFileBytes(a));
    EXPECT_EQ("old", ReadFileBytes(b));

    EXPECT_TRUE(KWOFileUtils::FileRename(a.c_str(), b.c_str(), true));
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ("new", ReadFileBytes(b));

    EXPECT_TRUE(KWOFileUtils::FileRename(b.c_str(), a.c_str(), false));
    EXPECT_EQ("new", ReadFileBytes(a));
    EXPECT_EQ((std::vector<std::string>{"a"}), Entries(tmp.Path()));
}

TEST(FileUtilsRename, AFailedMoveNeverCostsTheTarget)
{
    TempDir tmp;
    const std::string target = tmp / "target";
    WriteFileBytes(target, "keep");
    // The source does not exist: the target must survive even with overwrite.
    EXPECT_FALSE(KWOFileUtils::FileRename((tmp / "missing").c_str(), target.c_str(), true));
    EXPECT_EQ("keep", ReadFileBytes(target));

    // A folder in the way is not replaced.
    fs::create_directory(tmp / "dir");
    WriteFileBytes(tmp / "file", "f");
    EXPECT_FALSE(KWOFileUtils::FileRename((tmp / "file").c_str(), (tmp / "dir").c_str(), true));
    EXPECT_TRUE(fs::is_directory(tmp / "dir"));
    EXPECT_EQ("f", ReadFileBytes(tmp / "file"));

    // Folders move too.
    EXPECT_TRUE(KWOFileUtils::FileRename((tmp / "dir").c_str(), (tmp / "moved").c_str(), false));
    EXPECT_TRUE(fs::is_directory(tmp / "moved"));
    EXPECT_FALSE(KWOFileUtils::FileRename(nullptr, target.c_str(), true));
    EXPECT_FALSE(KWOFileUtils::FileRename(target.c_str(), "", true));
}

TEST(FileUtilsRename, AcrossFileSystemsCopiesThenDeletes)
{
    struct stat shm, tmpStat;
    if (::stat("/dev/shm", &shm) != 0 || ::stat(fs::temp_directory_path().c_str(), &tmpStat) != 0 ||
        shm.st_dev == tmpStat.st_dev)
        GTEST_SKIP() << "needs /dev/shm and the temporary folder on two file systems";

    TempDir tmp;
    char pattern[] = "/dev/shm/kwo-test-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(pattern));
    const std::string shmDir = pattern;
    const std::string from = shmDir + "/moved.bin", to = tmp / "moved.bin";
    std::string payload(100000, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>(i * 7);
    WriteFileBytes(from, payload);
    ::chmod(from.c_str(), 0640);
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(from, when);

    WriteFileBytes(to, "in the way");
    EXPECT_FALSE(KWOFileUtils::FileRename(from.c_str(), to.c_str(), false));
    EXPECT_EQ(payload, ReadFileBytes(from));
    EXPECT_EQ("in the way", ReadFileBytes(to));

    EXPECT_TRUE(KWOFileUtils::FileRename(from.c_str(), to.c_str(), true));
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(payload, ReadFileBytes(to));
    EXPECT_EQ(fs::perms(0640), fs::status(to).permissions() & fs::perms::all);
    EXPECT_EQ(
        std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count(),
        std::chrono::duration_cast<std::chrono::seconds>(fs::last_write_time(to).time_since_epoch())
            .count());

    // And back, to a free name.
    EXPECT_TRUE(KWOFileUtils::FileRename(to.c_str(), from.c_str(), false));
    EXPECT_EQ(payload, ReadFileBytes(from));
    EXPECT_EQ(std::vector<std::string>{}, Entries(tmp.Path()));
    fs::remove_all(shmDir);
}

TEST(FileUtilsCopy, OverwriteRule)
{
    TempDir tmp;
    const std::string a = tmp / "a", b = tmp / "b";
    WriteFileBytes(a, "content");
    EXPECT_TRUE(KWOFileUtils::FileCopy(a.c_str(), b.c_str(), false));
    EXPECT_EQ("content", ReadFileBytes(b));

    WriteFileBytes(a, "changed");
    EXPECT_FALSE(KWOFileUtils::FileCopy(a.c_str(), b.c_str(), false));
    EXPECT_EQ("content", ReadFileBytes(b));
    EXPECT_TRUE(KWOFileUtils::FileCopy(a.c_str(), b.c_str(), true));
    EXPECT_EQ("changed", ReadFileBytes(b));
    EXPECT_EQ("changed", ReadFileBytes(a));

    // Onto itself: the file survives whole.
    EXPECT_TRUE(KWOFileUtils::FileCopy(a.c_str(), a.c_str(), true));
    EXPECT_EQ("changed", ReadFileBytes(a));
    EXPECT_FALSE(KWOFileUtils::FileCopy(a.c_str(), a.c_str(), false));

    // No source, or a folder as source: nothing is made.
    fs::create_directory(tmp / "dir");
    EXPECT_FALSE(KWOFileUtils::FileCopy((tmp / "none").c_str(), (tmp / "c").c_str(), true));
    EXPECT_FALSE(KWOFileUtils::FileCopy((tmp / "dir").c_str(), (tmp / "c").c_str(), true));
    EXPECT_FALSE(KWOFileUtils::FileCopy(a.c_str(), (tmp / "no/such/dir").c_str(), true));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "dir"}), Entries(tmp.Path()))
        << "no temporary file may stay behind";
}

TEST(FileUtilsDirs, WorkingDirectory)
{
    TempDir tmp;
    char* old = KWOFileUtils::GetCWD();
    ASSERT_NE(nullptr, old);
    EXPECT_STREQ(fs::current_path().c_str(), old);

    EXPECT_TRUE(KWOFileUtils::SetCWD(tmp.Path().c_str()));
    char buffer[PATH_MAX];
    ASSERT_TRUE(KWOFileUtils::GetCWD(buffer, sizeof buffer));
    EXPECT_EQ(fs::canonical(tmp.Path()).string(), buffer);

    // Too small a buffer fails and writes nothing past its end.
    char small[8];
    std::memset(small, '#', sizeof small);
    EXPECT_FALSE(KWOFileUtils::GetCWD(small, 4));
    EXPECT_EQ('#', small[4]);
    EXPECT_FALSE(KWOFileUtils::GetCWD(nullptr, 100));
    EXPECT_FALSE(KWOFileUtils::SetCWD((tmp / "missing").c_str()));
    EXPECT_FALSE(KWOFileUtils::SetCWD(nullptr));

    EXPECT_TRUE(KWOFileUtils::SetCWD(old));
    delete[] old;
}

TEST(FileUtilsDirs, ExeDirIsTheProgramsFolder)
{
    char* dir = KWOFileUtils::GetExeDir();
    ASSERT_NE(nullptr, dir);
    EXPECT_EQ(fs::read_symlink("/proc/self/exe").parent_path().string(), dir);
    EXPECT_TRUE(KWOFileUtils::IsDir(dir));
    const size_t n = std::strlen(dir);
    EXPECT_TRUE(n == 1 || dir[n - 1] != '/');
    delete[] dir;
}

TEST(FileUtilsDirs, UserFoldersAreReadOnceAndKept)
{
    const char* home = std::getenv("HOME");
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string expected = data && *data ? data : (home ? std::string(home) + "/.local/share" : "");
    const char* app = KWOFileUtils::GetUserAppDir();
    ASSERT_NE(nullptr, app);
    EXPECT_EQ(expected, app);

    const char* docs = std::getenv("XDG_DOCUMENTS_DIR");
    expected = docs && *docs ? docs : (home ? std::string(home) + "/Documents" : "");
    const char* doc = KWOFileUtils::GetUserDocDir();
    ASSERT_NE(nullptr, doc);
    EXPECT_EQ(expected, doc);

    // Once known, the answer stays whatever the environment says later.
    if (*app)
    {
        const std::string first = app;
        ::setenv("XDG_DATA_HOME", "/somewhere/else", 1);
        EXPECT_EQ(first, KWOFileUtils::GetUserAppDir());
        if (data)
            ::setenv("XDG_DATA_HOME", data, 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }
}

TEST(FileUtilsDirs, NoDrivesWithoutDriveLetters)
{
    EXPECT_EQ(0u, KWOFileUtils::DrivesList());
    EXPECT_EQ(0u, KWOFileUtils::DriveType("C:\\"));
    EXPECT_EQ(0u, KWOFileUtils::DriveType(nullptr));
    KWOText* roots = KWOFileUtils::GetCDROMDirs();
    ASSERT_NE(nullptr, roots);
    EXPECT_EQ(0u, roots->Length());
    delete roots;
}

TEST(FileUtilsBadInput, OverlongPathsFailCleanly)
{
    TempDir tmp;
    const std::string longPath = TooLongPath();
    const char* p = longPath.c_str();
    const std::string file = tmp / "file";
    WriteFileBytes(file, "data");

    EXPECT_FALSE(KWOFileUtils::FileExist(p));
    EXPECT_FALSE(KWOFileUtils::IsDir(p));
    EXPECT_FALSE(KWOFileUtils::IsHidden(p));
    EXPECT_EQ(0xFFFFFFFFu, KWOFileUtils::FileSize(p));
    EXPECT_FALSE(KWOFileUtils::FileRemove(p));
    EXPECT_FALSE(KWOFileUtils::DirCreate(p));
    EXPECT_FALSE(KWOFileUtils::SetCWD(p));
    EXPECT_FALSE(KWOFileUtils::FileRename(file.c_str(), p, true));
    EXPECT_FALSE(KWOFileUtils::FileCopy(file.c_str(), p, true));
    EXPECT_FALSE(KWOFileUtils::FileCopy(p, file.c_str(), true));
    EXPECT_EQ("data", ReadFileBytes(file));

    // A target that fits, but whose temporary name would not, fails too.
    const std::string nearLimit =
        tmp.Path() + "/" + std::string(PATH_MAX - tmp.Path().size() - 4, 'b');
    EXPECT_FALSE(KWOFileUtils::FileCopy(file.c_str(), nearLimit.c_str(), true));

    char** list = nullptr;
    EXPECT_EQ(0u, KWOFileUtils::GetFileList(list, p, "*", 0));
    EXPECT_EQ(0u, KWOFileUtils::GetFileList(list, tmp.Path().c_str(), p, 0));
    EXPECT_EQ(nullptr, list);
    EXPECT_EQ(p + 5, KWOFileUtils::FileName(p)) << "splitting never copies";
}
