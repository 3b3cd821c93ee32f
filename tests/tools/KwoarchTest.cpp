// kwoarch run as a process: a round trip that must give the files back byte
// for byte, and the failures it must report.
#include "support/FileSizeLimit.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include "files/KWOArchive.h"
#include "files/KWOResFile.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
const std::string kTool = std::string(KWO_BIN_DIR) + "/kwoarch";

ProcessResult Kwoarch(const std::vector<std::string>& args, const TempDir& dir)
{
    return RunProcess(kTool, args, dir.Path());
}

std::string Bytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + seed * 17 + (i >> 9)) & 0xFF);
    return bytes;
}
} // namespace

TEST(KwoarchProcess, RoundTripGivesTheFilesBack)
{
    TempDir dir;
    const std::string title = Bytes(7000, 1), click = Bytes(1, 2), font = Bytes(12345, 3);
    WriteFileBytes(dir / "title.gif", title);
    WriteFileBytes(dir / "clic.wav", click);
    std::filesystem::create_directory(dir / "src");
    WriteFileBytes(dir / "src/font.bin", font);
    WriteFileBytes(dir / "empty", "");

    ProcessResult r = Kwoarch({"create", "game.dat", "title.gif", "clic.wav"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    r = Kwoarch({"add", "game.dat", "src/font.bin", "score.font"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    r = Kwoarch({"add", "game.dat", "empty"}, dir);
    ASSERT_EQ(0, r.status) << r.err;

    r = Kwoarch({"list", "game.dat"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    for (const char* row : {"| title.gif ", "|       7000 |         12 |", "| clic.wav ",
                            "|          1 |       7012 |", "| score.font ", "| empty ",
                            "  Total: 4 files, 19346 bytes.\n"})
        EXPECT_NE(std::string::npos, r.out.find(row)) << row << "\n" << r.out;

    std::filesystem::create_directory(dir / "out");
    r = Kwoarch({"extract-all", "game.dat", "out"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(title, ReadFileBytes(dir / "out/title.gif"));
    EXPECT_EQ(click, ReadFileBytes(dir / "out/clic.wav"));
    EXPECT_EQ(font, ReadFileBytes(dir / "out/score.font"));
    EXPECT_TRUE(std::filesystem::exists(dir / "out/empty"));
    EXPECT_EQ("", ReadFileBytes(dir / "out/empty"));

    r = Kwoarch({"extract", "game.dat", "score.font", "one.font"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(font, ReadFileBytes(dir / "one.font"));

    // Changes: update, rename, remove, and the result read back.
    r = Kwoarch({"update", "game.dat", "clic.wav", "src/font.bin"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    r = Kwoarch({"rename", "game.dat", "title.gif", "menu.gif"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    r = Kwoarch({"remove", "game.dat", "empty"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    std::filesystem::create_directory(dir / "out2");
    r = Kwoarch({"extract-all", "game.dat", "out2"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(title, ReadFileBytes(dir / "out2/menu.gif"));
    EXPECT_EQ(font, ReadFileBytes(dir / "out2/clic.wav"));
    EXPECT_EQ(font, ReadFileBytes(dir / "out2/score.font"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out2/empty"));
    EXPECT_FALSE(std::filesystem::exists(dir / "KWOARCH.TMP"));

    r = Kwoarch({"info", "game.dat"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Format  : KWO Archive v1.00\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("Members : 3\n")) << r.out;
}

TEST(KwoarchProcess, PakArchivesOnRequest)
{
    TempDir dir;
    const std::string data = Bytes(500, 4);
    WriteFileBytes(dir / "door.wav", data);
    ProcessResult r = Kwoarch({"create", "--pak", "q.pak", "door.wav"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("PACK", ReadFileBytes(dir / "q.pak").substr(0, 4));
    r = Kwoarch({"info", "q.pak"}, dir);
    EXPECT_NE(std::string::npos, r.out.find("Id Software Quake 1/2 Archive.")) << r.out;
    r = Kwoarch({"extract", "q.pak", "door.wav", "copy.wav"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(data, ReadFileBytes(dir / "copy.wav"));
}

TEST(KwoarchProcess, FailuresAreReportedWithAStatus)
{
    TempDir dir;
    WriteFileBytes(dir / "a.txt", "aaa");
    WriteFileBytes(dir / "zip.zip", std::string("PK\x03\x04", 4) + std::string(30, '\0'));
    ASSERT_EQ(0, Kwoarch({"create", "t.dat", "a.txt"}, dir).status);
    const std::string archive = ReadFileBytes(dir / "t.dat");

    struct Case
    {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{}, 2, "no command"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"list"}, 2, "list:"},
        {{"add", "t.dat"}, 2, "add:"},
        {{"list", "missing.dat"}, 1, "missing.dat: no such file"},
        {{"list", "a.txt"}, 1, "not a native or PAK archive"},
        {{"list", "zip.zip"}, 1, "ZIP"},
        {{"create", "t.dat"}, 1, "already exists"},
        {{"create", "new.dat", "nothing.txt"}, 1, "nothing.txt: no such file"},
        {{"add", "t.dat", "a.txt"}, 1, "already has a member named 'a.txt'"},
        {{"add", "t.dat", "nothing.txt"}, 1, "no such file"},
        {{"remove", "t.dat", "A.TXT"}, 1, "no member named 'A.TXT'"},
        {{"rename", "t.dat", "a.txt", "dir/"}, 1, "not a usable member name"},
        {{"update", "t.dat", "a.txt", "nothing.txt"}, 1, "no such file"},
        {{"extract", "t.dat", "b.txt"}, 1, "no member named 'b.txt'"},
        {{"extract-all", "t.dat", "nofolder"}, 1, "no such folder"},
    };
    for (const Case& c : cases)
    {
        ProcessResult r = Kwoarch(c.args, dir);
        std::string line;
        for (const std::string& a : c.args)
            line += a + " ";
        EXPECT_EQ(c.status, r.status) << line;
        EXPECT_NE(std::string::npos, r.err.find(c.message)) << line << ": " << r.err;
        EXPECT_EQ(0u, r.err.find("kwoarch: ")) << line << ": " << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "new.dat")); // a failed create leaves nothing
    EXPECT_EQ(archive, ReadFileBytes(dir / "t.dat"));

    // The rebuilt archive cannot be written (as on a full disk): removal
    // fails, says so, and leaves the archive and its folder as they were.
    WriteFileBytes(dir / "big.bin", std::string(8000, 'b'));
    ProcessResult r = Kwoarch({"create", "big.dat", "a.txt", "big.bin"}, dir);
    ASSERT_EQ(0, r.status) << r.err;
    const std::string big = ReadFileBytes(dir / "big.dat");
    {
        FileSizeLimit full(4000);
        r = Kwoarch({"remove", "big.dat", "a.txt"}, dir);
    }
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("unchanged")) << r.err;
    EXPECT_EQ(big, ReadFileBytes(dir / "big.dat"));
    EXPECT_TRUE(StrayTemporaryFiles(dir.Path()).empty());

    r = Kwoarch({"--help"}, dir);
    EXPECT_EQ(0, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Usage: kwoarch")) << r.out;
}

TEST(KwoarchProcess, KilledAtAnyMomentAChangeLeavesTheOldOrTheNewArchive)
{
    TempDir dir;
    const std::vector<std::string> names = {"a.bin", "b.bin", "c.bin"};
    for (size_t i = 0; i < names.size(); ++i)
        WriteFileBytes(dir / names[i], Bytes((i + 2) << 19, static_cast<unsigned>(i)));
    WriteFileBytes(dir / "new.bin", Bytes(3 << 19, 9));
    ASSERT_EQ(0, Kwoarch({"create", "base.dat", "a.bin", "b.bin", "c.bin"}, dir).status);
    using Listing = std::vector<std::pair<std::string, std::string>>;
    auto listing = [&dir]() -> Listing
    {
        std::unique_ptr<KWOArchive> archive(KWOArchive::OpenArchive((dir / "arch.dat").c_str()));
        Listing members;
        if (!archive)
            return members;
        for (unsigned int i = 0; i < archive->NbFiles(); ++i)
        {
            std::unique_ptr<KWOResFile> stream(archive->OpenResFile(i));
            std::string bytes(archive->FileSize(i), '\0');
            if (!stream || stream->Read(&bytes[0], archive->FileSize(i)) != bytes.size())
                bytes = "(unreadable)";
            members.emplace_back(archive->FileName(i), bytes);
        }
        return members;
    };
    auto reset = [&dir]()
    {
        std::filesystem::copy_file(dir / "base.dat", dir / "arch.dat",
                                   std::filesystem::copy_options::overwrite_existing);
    };
    reset();
    const Listing old = listing();
    ASSERT_EQ(3u, old.size());

    const std::vector<std::vector<std::string>> changes = {
        {"add", "arch.dat", "new.bin"},
        {"remove", "arch.dat", "a.bin"},
        {"update", "arch.dat", "b.bin", "new.bin"},
        {"rename", "arch.dat", "c.bin", "renamed.bin"}};
    std::srand(7);
    for (const auto& change : changes)
    {
        SCOPED_TRACE(change[0]);
        reset();
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(0, Kwoarch(change, dir).status);
        const auto full = std::chrono::steady_clock::now() - start;
        const Listing done = listing();
        ASSERT_NE(old, done);
        int asWas = 0, asShould = 0;
        for (int kill = 0; kill < 15; ++kill)
        {
            reset();
            std::vector<char*> argv = {const_cast<char*>(kTool.c_str())};
            for (const std::string& arg : change)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            const pid_t pid = ::fork();
            if (pid == 0)
            {
                if (::chdir(dir.Path().c_str()) == 0)
                    ::execv(argv[0], argv.data());
                ::_exit(127);
            }
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(full * (std::rand() % 110) / 100);
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            const Listing now = listing();
            if (now == old)
                ++asWas;
            else if (now == done)
                ++asShould;
            else
                ADD_FAILURE() << "damaged after a kill";
        }
        EXPECT_EQ(15, asWas + asShould);
    }
    // A writer killed just as it named its new archive may leave that file:
    // the next rebuild of the archive removes it.
    reset();
    ASSERT_EQ(0, Kwoarch({"remove", "arch.dat", "a.bin"}, dir).status);
    EXPECT_TRUE(StrayTemporaryFiles(dir.Path()).empty());
}
