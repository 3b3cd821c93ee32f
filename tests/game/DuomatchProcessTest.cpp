// duomatch started as a process: switches, usage text, missing data archive.
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace
{
const char* const kUsage = "Usage : duomatch [-fs] [-s/-ns] [-le/-lf] [-?]\n\n"
                           "  -fs : fullscreen mode\n"
                           "  -s/-ns : use/do not use sounds\n"
                           "  -le/-lf : use english/french language\n"
                           "  -? : display this usage message\n\n";
const char* const kNoData = "Error : Can't open data file (duomatch.dat).\n";

ProcessResult Duomatch(const std::vector<std::string>& args, const TempDir& dir)
{
    return RunProcess(DUOMATCH_PATH, args, dir.Path());
}
} // namespace

TEST(DuomatchProcess, NoSwitchesGiveTheDefaults)
{
    TempDir dir;
    ProcessResult r = Duomatch({}, dir);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(std::string("Options :\nScreen : Window\nSound  : Enabled, volume: 100\n"
                          "Lang.  : English\n") +
                  kNoData,
              r.out);
}

TEST(DuomatchProcess, LaterSwitchWins)
{
    TempDir dir;
    ProcessResult r = Duomatch({"-s", "-ns", "-lf", "-fs"}, dir);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(std::string("  Sound mode  No sound mode  Fullscreen modeOptions :\n"
                          "Screen : Fullscreen\nSound  : Disabled, volume: 100\n"
                          "Lang.  : French\n") +
                  kNoData,
              r.out);

    r = Duomatch({"-ns", "-s", "-lf", "-le"}, dir);
    EXPECT_NE(std::string::npos, r.out.find("Sound  : Enabled"));
    EXPECT_NE(std::string::npos, r.out.find("Lang.  : English"));
}

TEST(DuomatchProcess, UnknownWordsPrintTheUsageAndExitZero)
{
    TempDir dir;
    for (const char* word : {"-?", "-x", "fs", "-FS", ""})
    {
        ProcessResult r = Duomatch({"-ns", word, "-fs"}, dir);
        EXPECT_EQ(0, r.status) << word;
        EXPECT_EQ(std::string("  No sound mode") + kUsage, r.out) << word;
    }
}

TEST(DuomatchProcess, MissingDataArchiveIsFatal)
{
    TempDir dir;
    ProcessResult r = Duomatch({"-ns"}, dir);
    EXPECT_EQ(1, r.status);
    ASSERT_GE(r.out.size(), std::string(kNoData).size());
    EXPECT_EQ(kNoData, r.out.substr(r.out.size() - std::string(kNoData).size()));
}
