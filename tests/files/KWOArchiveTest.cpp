// What both formats share: format detection, the factory, names, sorting,
// extraction of everything and the listings.
#include "files/ArchiveTestSupport.h"

#include "core/KWOLog.h"
#include "files/KWOArchKWO.h"
#include "files/KWOArchPAK.h"
#include "files/KWOArchive.h"

#include <cstdlib>
#include <ctime>
#include <memory>

namespace
{
using KWOArchiveTest = ArchiveTest;

// Everything the archive writes through the log while `f` runs.
template <typename F> std::string Logged(const std::string& path, F f)
{
    KWO::SetLogTarget(2, path.c_str());
    f();
    KWO::CloseLog();
    return ReadFileBytes(path);
}
} // namespace

TEST_F(KWOArchiveTest, FindArchiveFormatKnowsEveryNumber)
{
    struct Case
    {
        int format;
        std::string bytes;
    } cases[] = {
        {1, "KWOA" + U32(12) + U32(0)},
        {2, "PACK" + U32(12) + U32(0)},
        {4, "BIFFV1  " + std::string(20, 'x')},
        // No signature: a count of 2, a length of 10, and 6 + 12 * 2 + 10 bytes.
        {5, std::string("\x02\x00", 2) + U32(10) + std::string(34, '\0')},
        {6, "Copyright (c) 1997 Ensemble Studios"},
        {7, "rass" + std::string(4, '\0')},
        {8, std::string("PK\x03\x04", 4) + std::string(26, '\0')},
        {0, std::string("\x02\x00", 2) + U32(10) + std::string(33, '\0')}, // one byte short
        {0, "PK\x05\x06"},
        {0, "BIFFV1 "},
        {0, "KWO"},
        {0, "hello, world"},
        {0, ""},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        const std::string name = "f" + std::to_string(n++);
        MakeFile(P(name), c.bytes);
        EXPECT_EQ(c.format, KWOArchive::FindArchiveFormat(name.c_str())) << name;
    }
    std::filesystem::create_directory(P("folder"));
    EXPECT_EQ(0, KWOArchive::FindArchiveFormat("folder"));
    EXPECT_EQ(0, KWOArchive::FindArchiveFormat("missing"));
    EXPECT_EQ(0, KWOArchive::FindArchiveFormat(nullptr));
    EXPECT_EQ(0, KWOArchive::FindArchiveFormat(""));
}

TEST_F(KWOArchiveTest, OpenArchiveReadsOnlyNativeAndPak)
{
    MakeFile(P("zip"), std::string("PK\x03\x04", 4) + std::string(40, '\0'));
    EXPECT_EQ(8, KWOArchive::FindArchiveFormat("zip"));
    EXPECT_EQ(nullptr, KWOArchive::OpenArchive("zip"));
    MakeFile(P("rass"), "rass....");
    EXPECT_EQ(nullptr, KWOArchive::OpenArchive("rass"));
    MakeFile(P("broken"), "KWOA" + U32(100) + U32(1));
    EXPECT_EQ(nullptr, KWOArchive::OpenArchive("broken"));
    EXPECT_EQ(nullptr, KWOArchive::OpenArchive("missing"));

    MakeFile(P("kwo"), "KWOA" + U32(12) + U32(0));
    std::unique_ptr<KWOArchive> kwo(KWOArchive::OpenArchive("kwo"));
    ASSERT_NE(nullptr, kwo);
    EXPECT_NE(nullptr, dynamic_cast<KWOArchKWO*>(kwo.get()));
    EXPECT_EQ(P("kwo"), kwo->Name());

    MakeFile(P("pak"), "PACK" + U32(12) + U32(0));
    std::unique_ptr<KWOArchive> pak(KWOArchive::OpenArchive(P("pak").c_str()));
    ASSERT_NE(nullptr, pak);
    EXPECT_EQ(KWOArchive::FormatPAK, pak->GetFormat());
    EXPECT_EQ(P("pak"), pak->Name());
}

TEST_F(KWOArchiveTest, SetNameStoresAbsolutePaths)
{
    KWOArchKWO archive;
    archive.SetName(nullptr);
    EXPECT_EQ(nullptr, archive.Name());
    archive.SetName("data.dat");
    EXPECT_EQ(P("data.dat"), archive.Name());
    archive.SetName("");
    EXPECT_EQ(P("data.dat"), archive.Name());
    archive.SetName("/somewhere/else.dat");
    EXPECT_STREQ("/somewhere/else.dat", archive.Name());
    archive.SetName(std::string(5000, 'x').c_str()); // does not fit a path
    EXPECT_STREQ("/somewhere/else.dat", archive.Name());
}

TEST_F(KWOArchiveTest, SortOrdersThePermutationByTheMembersFields)
{
    MakeFile(P("b.txt"), "12345", 300);
    MakeFile(P("A.gif"), "1", 100);
    MakeFile(P("c"), "123", 200);
    MakeFile(P("a.txt"), "12345", 400);
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create("s.dat"));
    for (const char* name : {"b.txt", "A.gif", "c", "a.txt"})
        ASSERT_NE(0xFFFFFFFFu, archive.AddFile(name, nullptr));
    // Two members of the same name and size compare equal.
    ASSERT_NE(0xFFFFFFFFu, archive.AddFile("c", nullptr));

    auto order = [&archive]()
    {
        std::string names;
        for (unsigned int p = 0; p < archive.NbFiles(); ++p)
            names += std::string(archive.FileName(archive.GetItem(p)->m_index)) + " ";
        return names;
    };
    archive.Sort(KWOFileProvider::SortBySize | KWOFileProvider::SortDirsFirst);
    EXPECT_EQ("A.gif c c a.txt b.txt ", order());
    archive.Sort(KWOFileProvider::SortByDate | KWOFileProvider::SortReversed);
    EXPECT_EQ("a.txt b.txt c c A.gif ", order());
    archive.Sort(KWOFileProvider::SortByExtension);
    EXPECT_EQ("c c A.gif a.txt b.txt ", order());
    archive.Sort(KWOFileProvider::SortNone);
    EXPECT_EQ("b.txt A.gif c a.txt c ", order());
}

TEST_F(KWOArchiveTest, ExtractAllNeedsAFolderAndStaysInsideIt)
{
    // A member named "../escaped" must not leave the folder.
    const std::string bytes = "KWOA" + U32(22) + U32(2) + "0123456789" +
                              NameField("../escaped", 32) + U32(4) + U32(12) + U32(0) +
                              NameField("inside", 32) + U32(6) + U32(16) + U32(0);
    MakeFile(P("e.dat"), bytes);
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Open("e.dat"));
    EXPECT_FALSE(archive.ExtractAll(nullptr));
    EXPECT_FALSE(archive.ExtractAll("missing"));
    MakeFile(P("plain"), "x");
    EXPECT_FALSE(archive.ExtractAll("plain"));

    std::filesystem::create_directories(P("out/deeper"));
    EXPECT_TRUE(archive.ExtractAll(P("out/deeper/").c_str()));
    EXPECT_EQ("456789", ReadFileBytes(P("out/deeper/inside")));
    EXPECT_FALSE(std::filesystem::exists(P("out/escaped")));
}

TEST_F(KWOArchiveTest, ListingsWriteTheDescribedLines)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    MakeFile(P("pic.gif"), Pattern(1234, 1), 1000000000); // 2001-09-09 01:46:40 UTC
    KWOArchKWO archive;
    ASSERT_TRUE(archive.Create("l.dat"));
    EXPECT_EQ("No files in archive.\n",
              Logged(P("log1"), [&archive]() { archive.PrintContent(); }));
    ASSERT_EQ(0u, archive.AddFile("pic.gif", nullptr));

    const std::string separator = "+" + std::string(42, '-') + "+" + std::string(12, '-') + "+" +
                                  std::string(12, '-') + "+" + std::string(18, '-') + "+\n";
    EXPECT_EQ(separator +
                  "|                  Files                   |     Size   |    Start   |       "
                  "Date       |\n" +
                  separator + "| pic.gif" + std::string(33, ' ') +
                  " |       1234 |         12 |  "
                  "9/ 9/2001  1:46 |\n" +
                  separator + "  Total: 1 files, 1234 bytes.\n",
              Logged(P("log2"), [&archive]() { archive.PrintContent(); }));

    EXPECT_EQ("Archive " + P("l.dat") + " (1 entries)\n  pic.gif" + std::string(33, ' ') +
                  "     1234 bytes   date=1000000000   R(  0)\n\n",
              Logged(P("log3"), [&archive]() { archive.PrintInfo(); }));
}
