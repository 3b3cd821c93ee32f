// duomatch's start-up with generated data: the log in the described order and
// the fatal messages for missing pieces of data.
#include "game/game_test_support.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
const std::string kBin = KWO_BIN_DIR;
const std::string kOptions = "Options :\nScreen : Window\nSound  : Disabled, volume: 100\n"
                             "Lang.  : English\n";

std::vector<std::string> Without(const std::string& name)
{
    std::vector<std::string> v;
    for (const std::string& m : kArchiveMembers)
        if (m != name)
            v.push_back(m);
    return v;
}

// A working folder with the generated files in data/, an archive of the
// chosen members and, on request, the card sets.
class DuomatchStartup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(m_dir / "data");
        ASSERT_EQ(0, RunProcess(kBin + "/mkdata", {m_dir / "data"}, m_dir.Path()).status);
    }

    void Prepare(const std::vector<std::string>& members, bool sets)
    {
        ASSERT_EQ(0, PackArchive(m_dir / "duomatch.dat", m_dir / "data", members, m_dir.Path()));
        if (sets)
            std::filesystem::copy_file(m_dir / "data/Shapes.set", m_dir / "Shapes.SET");
    }

    ProcessResult Run() { return RunProcess(DUOMATCH_PATH, {"-ns"}, m_dir.Path()); }

    TempDir m_dir;
};
} // namespace

TEST_F(DuomatchStartup, NoSetOfCards)
{
    Prepare(kArchiveMembers, false);
    ProcessResult r = Run();
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("  No sound mode" + kOptions + "0 sets found\nError : No set of cards found !\n",
              r.out);
}

TEST_F(DuomatchStartup, MissingFontIsFatalAfterTheSets)
{
    Prepare(Without("score.font"), true);
    ProcessResult r = Run();
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(0u, r.out.find("  No sound mode" + kOptions + "1 sets found\nLoading resources ... "))
        << r.out;
    EXPECT_NE(std::string::npos, r.out.find("Error : loading font\n")) << r.out;
}

TEST_F(DuomatchStartup, MissingMenuPictureIsFatal)
{
    Prepare(Without("menu.gif"), true);
    ProcessResult r = Run();
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Error : loading menu picture\n")) << r.out;
    EXPECT_EQ(std::string::npos, r.out.find("loading font")) << r.out;
}

TEST_F(DuomatchStartup, AFileThatIsNoArchive)
{
    std::filesystem::copy_file(m_dir / "data/clic.wav", m_dir / "duomatch.dat");
    ProcessResult r = Run();
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Error : Can't open data file (duomatch.dat).\n"))
        << r.out;
}

TEST_F(DuomatchStartup, SetsInsideTheArchiveAreNotListed)
{
    std::vector<std::string> members = kArchiveMembers;
    members.push_back("Shapes.set");
    Prepare(members, false);
    ProcessResult r = Run();
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("0 sets found\nError : No set of cards found !\n"));
}

TEST_F(DuomatchStartup, TerminationDuringTheIntroEndsTheProgram)
{
    // SDL turns SIGTERM into a quit request, as it does a closed window.
    Prepare(kArchiveMembers, true);
    const std::string out = m_dir / "out.txt";
    const int pid = StartProcess(DUOMATCH_PATH, {"-ns"}, m_dir.Path(), out);
    ASSERT_GT(pid, 0);
    // The intro shows for two seconds once the resources are loaded.
    for (int i = 0; i < 500 && ReadFileBytes(out).find("Loading resources") == std::string::npos;
         ++i)
        usleep(10000);
    usleep(800000);
    kill(pid, SIGTERM);
    EXPECT_EQ(0, WaitProcess(pid, 5000)) << ReadFileBytes(out);
}
