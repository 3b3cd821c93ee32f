// Every writer of the library replaces a file whole or not at all: a save cut
// short (a full disk) keeps the old file byte for byte and leaves nothing
// behind; links, permission bits and the user's own files are respected;
// two savers at once each publish a whole file.
#include "app/KWOConfigMgr.h"
#include "app/KWOScore.h"
#include "core/KWOText.h"
#include "files/KWOArchKWO.h"
#include "files/KWODir.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"
#include "platform/KWOFileUtils.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
struct Saver
{
    std::string what;
    std::function<bool(const std::string&)> save;
};

unsigned Mode(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0xFFFFu;
}

void FillScores(KWOScore& table, unsigned rows, int base)
{
    for (unsigned i = 0; i < rows; ++i)
    {
        KWOScoreEntry e = {};
        std::snprintf(e.name, sizeof e.name, "player%u", i);
        e.score = base - static_cast<int>(i);
        table.Add(&e);
    }
}
} // namespace

TEST(SafeSave, EveryWriterKeepsTheOldFileWhenTheDiskFills)
{
    TempDir dir;
    KWOPal pal(256u);
    pal.GenerateGreyScale(256);
    KWOImage picture(40u, 30u, 8u);
    picture.SetPalette(&pal, 0, 256);
    for (unsigned y = 0; y < 30; ++y)
        picture.HLine(0, y, 40, y * 7);
    KWOText text(3u);
    text.SetString(0, "first line");
    text.SetString(1, "second line, somewhat longer than the first");
    KWOScore scores(20, KWOScore::HigherFirst, 0);
    FillScores(scores, 20, 1000);
    KWOConfigMgr config;
    config.AddParameter("width", KWOConfigMgr::TypeInt, KWOConfigMgr::CfgValue::Int(640));
    config.AddParameter("title", KWOConfigMgr::TypeString,
                        KWOConfigMgr::CfgValue::String("a title long enough to need room"));
    const std::string source = dir / "source.bin";
    WriteFileBytes(source, std::string(3000, 's'));
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create((dir / "a.dat").c_str()));
    ASSERT_EQ(0u, archive.AddFile(source.c_str(), "member"));
    KWODir folder(dir.Path().c_str());
    const std::string bytes(2000, 'b');

    std::vector<Saver> savers;
    for (int format = 1; format <= 5; ++format)
        savers.push_back({"palette " + std::to_string(format), [&pal, format](const std::string& p)
                          { return pal.SaveName(p.c_str(), format); }});
    for (int format : {1, 2, 4, 5})
        savers.push_back({"picture " + std::to_string(format),
                          [&picture, format](const std::string& p)
                          { return picture.SaveName(p.c_str(), format); }});
    for (int format : {1, 2})
        savers.push_back({"text " + std::to_string(format), [&text, format](const std::string& p)
                          { return text.SaveName(p.c_str(), format); }});
    savers.push_back(
        {"scores", [&scores](const std::string& p) { return scores.Save(p.c_str(), true); }});
    savers.push_back(
        {"config", [&config](const std::string& p) { return config.Save(p.c_str(), "test"); }});
    savers.push_back({"FileWrite", [&bytes](const std::string& p)
                      { return KWOFileUtils::FileWrite(p.c_str(), bytes.data(), 2000); }});
    savers.push_back({"FileCopy", [&source](const std::string& p)
                      { return KWOFileUtils::FileCopy(source.c_str(), p.c_str(), true); }});
    savers.push_back({"KWODir::CopyFile", [&folder](const std::string& p)
                      { return folder.CopyFile("source.bin", p.c_str()); }});
    savers.push_back({"archive extract", [&archive](const std::string& p)
                      { return archive.ExtractFile(0, p.c_str()); }});

    const std::string old = "the previous, good content";
    for (const Saver& saver : savers)
    {
        SCOPED_TRACE(saver.what);
        const std::string path = dir / "target";
        std::filesystem::remove(path);
        // What a complete save writes.
        ASSERT_TRUE(saver.save(path));
        const std::string complete = ReadFileBytes(path);
        ASSERT_GT(complete.size(), old.size());

        // Cut short at several points: false, the old file intact, no
        // temporary file left.
        WriteFileBytes(path, old);
        for (size_t limit : {size_t(0), old.size() + 1, complete.size() / 2, complete.size() - 1})
        {
            {
                FileSizeLimit full(limit);
                EXPECT_FALSE(saver.save(path)) << "limit " << limit;
            }
            EXPECT_EQ(old, ReadFileBytes(path)) << "limit " << limit;
        }
        EXPECT_TRUE(StrayTemporaryFiles(dir.Path()).empty());
        // A new file cut short does not appear at all.
        std::filesystem::remove(path);
        {
            FileSizeLimit full(complete.size() / 2);
            EXPECT_FALSE(saver.save(path));
        }
        EXPECT_FALSE(std::filesystem::exists(path));
        ASSERT_TRUE(saver.save(path));
        EXPECT_EQ(complete, ReadFileBytes(path));
    }

    // A new archive on a full disk: no file, not a 0-byte one.
    {
        FileSizeLimit full(4);
        KWOArchKWO other;
        EXPECT_FALSE(other.Create((dir / "new.dat").c_str()));
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "new.dat"));
}

TEST(SafeSave, ReplacingKeepsLinksPermissionsAndForeignFiles)
{
    TempDir dir;
    KWOPal pal(16u);
    const std::string real = dir / "real.pal";
    const std::string link = dir / "link.pal";
    WriteFileBytes(real, "old");
    ::chmod(real.c_str(), 0600);
    std::filesystem::create_symlink("real.pal", link);

    // Through a link: the link stays, the file it names is replaced and
    // keeps its permission bits.
    ASSERT_TRUE(pal.SaveName(link.c_str(), 1));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE("old", ReadFileBytes(real));
    EXPECT_EQ(0600u, Mode(real));
    // A link to a file yet to be made: the file appears where it points.
    std::filesystem::create_symlink("made.pal", dir / "dangling.pal");
    ASSERT_TRUE(pal.SaveName((dir / "dangling.pal").c_str(), 1));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.pal"));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "made.pal"));
    // A new file gets the bits of any new file.
    const mode_t oldMask = ::umask(027);
    ASSERT_TRUE(pal.SaveName((dir / "fresh.pal").c_str(), 1));
    ::umask(oldMask);
    EXPECT_EQ(0640u, Mode(dir / "fresh.pal"));
    // FileCopy onto a link replaces the file it names, with the source's bits.
    ::chmod((dir / "fresh.pal").c_str(), 0604);
    ASSERT_TRUE(KWOFileUtils::FileCopy((dir / "fresh.pal").c_str(), link.c_str(), true));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(dir / "fresh.pal"), ReadFileBytes(real));
    EXPECT_EQ(0604u, Mode(real));
    EXPECT_FALSE(KWOFileUtils::FileCopy((dir / "fresh.pal").c_str(), link.c_str(), false));

    // A folder is never replaced.
    std::filesystem::create_directory(dir / "folder.pal");
    EXPECT_FALSE(pal.SaveName((dir / "folder.pal").c_str(), 1));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.pal"));

    // What this process may not write stays as it is (the superuser may
    // write anything, as with a plain write).
    if (::geteuid() != 0)
    {
        WriteFileBytes(dir / "locked.pal", "locked");
        ::chmod((dir / "locked.pal").c_str(), 0444);
        EXPECT_FALSE(pal.SaveName((dir / "locked.pal").c_str(), 1));
        EXPECT_EQ("locked", ReadFileBytes(dir / "locked.pal"));
        std::filesystem::create_directory(dir / "sealed");
        WriteFileBytes(dir / "sealed/inside.pal", "inside");
        ::chmod((dir / "sealed").c_str(), 0555);
        EXPECT_FALSE(pal.SaveName((dir / "sealed/inside.pal").c_str(), 1));
        EXPECT_EQ("inside", ReadFileBytes(dir / "sealed/inside.pal"));
        ::chmod((dir / "sealed").c_str(), 0755);
    }
    EXPECT_TRUE(StrayTemporaryFiles(dir.Path()).empty());

    // What a killed writer left beside the file goes with the next save; a
    // live writer's file stays.
    const std::string dead = dir / ".real.pal.kwo-999999999-x";
    const std::string live = dir / ".real.pal.kwo-1-x";
    WriteFileBytes(dead, "half");
    WriteFileBytes(live, "busy");
    ASSERT_TRUE(pal.SaveName(real.c_str(), 1));
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live));
}

TEST(SafeSave, TwoSaversAtOnceEachPublishAWholeTable)
{
    TempDir dir;
    const std::string path = dir / "highscores";
    KWOScore first(3000, KWOScore::HigherFirst, 0), second(3000, KWOScore::HigherFirst, 0);
    FillScores(first, 3000, 100000);
    FillScores(second, 3000, 500000);
    ASSERT_TRUE(first.Save(path.c_str(), false));

    std::atomic<bool> stop{false};
    std::atomic<int> saves{0};
    auto saver = [&](const KWOScore& table)
    {
        while (!stop)
        {
            if (table.Save(path.c_str(), false))
                ++saves;
        }
    };
    std::thread a(saver, std::cref(first)), b(saver, std::cref(second));
    int reads = 0, bad = 0;
    while (reads < 200 || saves < 20)
    {
        KWOScore seen(0, KWOScore::HigherFirst, 0);
        if (!seen.Load(path.c_str()) || seen.m_size != 3000 ||
            (seen.m_entries[0].score != 100000 && seen.m_entries[0].score != 500000) ||
            seen.m_entries[2999].score != seen.m_entries[0].score - 2999)
            ++bad;
        ++reads;
    }
    stop = true;
    a.join();
    b.join();
    EXPECT_EQ(0, bad) << "of " << reads << " reads during " << saves << " saves";
    EXPECT_TRUE(StrayTemporaryFiles(dir.Path()).empty());
}
