// The resource finder: search order, sources known by absolute names,
// refused sources, removal.
#include "files/ArchiveTestSupport.h"

#include "core/KWOLog.h"
#include "files/KWOArchKWO.h"
#include "files/KWOFileProvider.h"
#include "files/KWOResFile.h"
#include "files/KWOResFinder.h"

#include <memory>

namespace
{
std::string ReadAll(KWOResFile* stream)
{
    std::string bytes;
    if (stream == nullptr)
        return "(null)";
    char buffer[64];
    while (unsigned int n = stream->Read(buffer, sizeof buffer))
        bytes.append(buffer, n);
    delete stream;
    return bytes;
}

class KWOResFinderTest : public ArchiveTest
{
protected:
    void SetUp() override
    {
        ArchiveTest::SetUp();
        std::filesystem::create_directories(P("dir1"));
        std::filesystem::create_directories(P("dir2"));
        MakeFile(P("dir1/both.txt"), "from dir1");
        MakeFile(P("dir2/both.txt"), "from dir2");
        MakeFile(P("inarc.txt"), "from the archive");
        MakeFile(P("both.txt"), "both from the archive");
        KWOArchKWO archive;
        ASSERT_TRUE(archive.Create("res.dat"));
        ASSERT_EQ(0u, archive.AddFile("both.txt", nullptr));
        ASSERT_EQ(1u, archive.AddFile("inarc.txt", nullptr));
    }
};
} // namespace

TEST_F(KWOResFinderTest, SourcesAreAskedInOrder)
{
    KWOResFinder finder;
    EXPECT_EQ(nullptr, finder.FindRes("both.txt"));

    ASSERT_TRUE(finder.AddSource(P("dir1").c_str(), false));
    ASSERT_TRUE(finder.AddSource("res.dat", false));
    EXPECT_EQ("from dir1", ReadAll(finder.FindRes("both.txt")));
    EXPECT_EQ("from the archive", ReadAll(finder.FindRes("inarc.txt")));
    EXPECT_EQ(nullptr, finder.FindRes("nowhere.txt"));
    EXPECT_EQ(nullptr, finder.FindRes(""));
    EXPECT_EQ(nullptr, finder.FindRes(nullptr));
    // Archive members are matched with their exact case.
    EXPECT_EQ(nullptr, finder.FindRes("INARC.TXT"));

    ASSERT_TRUE(finder.AddSource("dir2", true));
    EXPECT_EQ("from dir2", ReadAll(finder.FindRes("both.txt")));
    EXPECT_EQ(0u, finder.FindSource(P("dir2").c_str()));
    EXPECT_EQ(1u, finder.FindSource(P("dir1").c_str()));
    EXPECT_EQ(2u, finder.FindSource(P("res.dat").c_str()));
    EXPECT_EQ(0xFFFFFFFFu, finder.FindSource("res.dat")); // relative names never match

    // A stream does not depend on its source.
    KWOResFile* stream = finder.FindRes("inarc.txt");
    ASSERT_TRUE(finder.RemoveSource(P("res.dat").c_str()));
    EXPECT_EQ("from the archive", ReadAll(stream));
    EXPECT_EQ(nullptr, finder.FindRes("inarc.txt"));
    EXPECT_EQ(2u, finder.NbSources());
}

TEST_F(KWOResFinderTest, SourcesAreKnownByTheirAbsoluteNames)
{
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource(P("res.dat").c_str(), false));
    ASSERT_TRUE(finder.AddSource(P("res.dat").c_str(), true));
    EXPECT_EQ(1u, finder.NbSources());
    ASSERT_TRUE(finder.AddSource(P("dir1").c_str(), false));
    ASSERT_TRUE(finder.AddSource(P("dir1").c_str(), false));
    EXPECT_EQ(2u, finder.NbSources());

    // A relative name is never a known source's name: each call adds one.
    KWOResFinder relative;
    ASSERT_TRUE(relative.AddSource("res.dat", false));
    ASSERT_TRUE(relative.AddSource("res.dat", false));
    EXPECT_EQ(2u, relative.NbSources());
    EXPECT_STREQ(P("res.dat").c_str(), relative.GetSource(1)->Name());
    EXPECT_EQ(nullptr, relative.GetSource(2));
}

TEST_F(KWOResFinderTest, OnlyFoldersAndReadableArchivesAreSources)
{
    MakeFile(P("archive.zip"), std::string("PK\x03\x04", 4) + std::string(40, '\0'));
    MakeFile(P("plain.txt"), "just text");
    MakeFile(P("broken.dat"), "KWOA" + U32(500) + U32(3));
    KWOResFinder finder;
    EXPECT_FALSE(finder.AddSource("archive.zip", false));
    EXPECT_FALSE(finder.AddSource("plain.txt", false));
    EXPECT_FALSE(finder.AddSource("broken.dat", false));
    EXPECT_FALSE(finder.AddSource("missing", false));
    EXPECT_FALSE(finder.AddSource("", false));
    EXPECT_FALSE(finder.AddSource(nullptr, true));
    EXPECT_EQ(0u, finder.NbSources());

    ASSERT_TRUE(finder.AddSource("dir1", false));
    EXPECT_FALSE(finder.RemoveSource("dir1")); // relative: not a source's name
    EXPECT_FALSE(finder.RemoveSource(P("dir2").c_str()));
    EXPECT_FALSE(finder.RemoveSource(nullptr));
    EXPECT_EQ(1u, finder.NbSources());
    EXPECT_EQ("from dir1", ReadAll(finder.FindRes("both.txt")));
}

TEST_F(KWOResFinderTest, PrintInfoListsTheSources)
{
    KWOResFinder finder;
    auto logged = [this, &finder](const char* file)
    {
        KWO::SetLogTarget(2, P(file).c_str());
        finder.PrintInfo();
        KWO::CloseLog();
        return ReadFileBytes(P(file));
    };
    EXPECT_EQ("Resource Finder sources (0):\nnone.\n", logged("log1"));
    ASSERT_TRUE(finder.AddSource("res.dat", false));
    ASSERT_TRUE(finder.AddSource("dir1", true));
    EXPECT_EQ("Resource Finder sources (2):\n- " + P("dir1") + "\n- " + P("res.dat") + "\n",
              logged("log2"));
}
