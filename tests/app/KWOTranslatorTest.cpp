// The translator: listing the language files of a folder, loading by name,
// index and path (relative, absolute, ".."), texts by number with their
// placeholder, and damaged language files.
#include "app/KWOTranslator.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
std::string U32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string U16(unsigned v)
{
    return std::string(1, static_cast<char>(v & 0xFF)) + static_cast<char>((v >> 8) & 0xFF);
}

// A language file; a null text is absent. With `blockFirst` the text block
// comes before the length index.
std::string LangFile(const std::string& name, const std::vector<const char*>& texts,
                     bool blockFirst = false)
{
    std::string index, block;
    for (const char* t : texts)
    {
        if (!t)
        {
            index += U16(0);
            continue;
        }
        index += U16(static_cast<unsigned>(std::strlen(t) + 1));
        block += std::string(t) + '\0';
    }
    const std::string nameField = name.empty() ? std::string() : name + '\0';
    const uint32_t header = static_cast<uint32_t>(6 + nameField.size() + 16);
    const uint32_t indexAt = blockFirst ? header + static_cast<uint32_t>(block.size()) : header;
    const uint32_t blockAt = blockFirst ? header : header + static_cast<uint32_t>(index.size());
    std::string file = std::string("LanG") + '\x07' + static_cast<char>(nameField.size()) +
                       nameField + U32(static_cast<uint32_t>(texts.size())) + U32(indexAt) +
                       U32(blockAt) + U32(static_cast<uint32_t>(block.size()));
    return file + (blockFirst ? block + index : index + block);
}

// Puts the working directory back at the end of a test.
class WorkDir
{
public:
    WorkDir() : m_saved(std::filesystem::current_path()) {}
    ~WorkDir() { std::filesystem::current_path(m_saved); }
    void Go(const std::string& path) { std::filesystem::current_path(path); }

private:
    std::filesystem::path m_saved;
};

// A fresh translator per test: the singleton lives across tests.
std::unique_ptr<KWOTranslator> Fresh()
{
    return std::unique_ptr<KWOTranslator>(new KWOTranslator());
}

int IndexOf(const KWOTranslator& tr, const char* name)
{
    for (unsigned i = 0; i < tr.LangCount(); ++i)
        if (std::string(tr.GetLangName(i)) == name)
            return static_cast<int>(i);
    return -1;
}

// A folder with two languages and files that are not listed.
void MakeLangFolder(const std::string& dir)
{
    WriteFileBytes(dir + "/en.lng", LangFile("English", {"Play", nullptr, "Quit"}));
    WriteFileBytes(dir + "/fr.lng", LangFile("Francais", {"Jouer", "Scores", "Quitter"}, true));
    WriteFileBytes(dir + "/noname.lng", LangFile("", {"x"}));
    WriteFileBytes(dir + "/emptyname.lng",
                   std::string("LanG\x01\x01", 6) + '\0' + U32(0) + U32(0) + U32(0) + U32(0));
    WriteFileBytes(dir + "/other.lng", "not a language file");
    WriteFileBytes(dir + "/short.lng", "LanG\x01\x09Engl");
    WriteFileBytes(dir + "/.hidden.lng", LangFile("Hidden", {"h"}));
    WriteFileBytes(dir + "/de.txt", LangFile("Deutsch", {"Spielen"}));
    std::filesystem::create_directory(dir + "/dir.lng");
}
} // namespace

TEST(KWOTranslator, InitListsTheLanguageFilesOfAFolder)
{
    TempDir dir;
    MakeLangFolder(dir.Path());
    auto tr = Fresh();
    EXPECT_EQ(0, tr->Found());
    EXPECT_EQ(2, tr->Init(dir.Path().c_str(), ".lng"));
    EXPECT_EQ(1, tr->Found());
    EXPECT_EQ(dir.Path() + "/", tr->GetPath());
    const int en = IndexOf(*tr, "English"), fr = IndexOf(*tr, "Francais");
    ASSERT_GE(en, 0);
    ASSERT_GE(fr, 0);
    EXPECT_EQ(dir / "en.lng", tr->GetLangFile(static_cast<unsigned>(en)));
    EXPECT_EQ(dir / "fr.lng", tr->GetLangFile(static_cast<unsigned>(fr)));
    EXPECT_EQ(nullptr, tr->GetLangName(2));
    EXPECT_EQ(nullptr, tr->GetLangFile(2));

    // Without an extension every file is looked at.
    EXPECT_EQ(3, tr->Init(dir.Path().c_str(), nullptr));
    EXPECT_GE(IndexOf(*tr, "Deutsch"), 0);
    // Extensions match in any case.
    WriteFileBytes(dir / "IT.LNG", LangFile("Italiano", {"Giocare"}));
    EXPECT_EQ(3, tr->Init((dir.Path() + "/").c_str(), ".lng"));
    EXPECT_EQ(dir.Path() + "/", tr->GetPath());

    EXPECT_EQ(0, tr->Init((dir / "missing").c_str(), ".lng"));
    EXPECT_EQ(0, tr->Found());
    EXPECT_EQ(0, tr->Init("", ".lng"));
    EXPECT_EQ(0, tr->Init(nullptr, ".lng"));
    EXPECT_EQ(0u, tr->LangCount());
}

TEST(KWOTranslator, CheckLangGivesTheNameOfALanguageFile)
{
    TempDir dir;
    MakeLangFolder(dir.Path());
    auto tr = Fresh();
    std::unique_ptr<char[]> name(tr->CheckLang((dir / "fr.lng").c_str()));
    ASSERT_TRUE(name);
    EXPECT_STREQ("Francais", name.get());
    for (const char* file :
         {"noname.lng", "emptyname.lng", "other.lng", "short.lng", "dir.lng", "missing.lng"})
        EXPECT_EQ(nullptr, tr->CheckLang((dir / file).c_str())) << file;
    EXPECT_EQ(nullptr, tr->CheckLang(nullptr));
}

TEST(KWOTranslator, LoadNameGivesTheTextsByNumber)
{
    TempDir dir;
    MakeLangFolder(dir.Path());
    auto tr = Fresh();
    ASSERT_EQ(2, tr->Init(dir.Path().c_str(), ".lng"));
    EXPECT_FALSE(tr->LoadName("english"));
    EXPECT_FALSE(tr->LoadName(nullptr));
    EXPECT_EQ(nullptr, tr->GetCurName());
    ASSERT_TRUE(tr->LoadName("English"));
    EXPECT_STREQ("English", tr->GetCurName());
    EXPECT_EQ(dir / "en.lng", tr->GetCurFile());
    EXPECT_EQ(IndexOf(*tr, "English"), tr->GetCurIndex());
    ASSERT_EQ(3u, tr->StringCount());
    EXPECT_STREQ("Play", tr->GetString(0));
    EXPECT_EQ(nullptr, tr->GetString(1));
    EXPECT_STREQ("Quit", tr->GetString(2));

    const char* missing = tr->GetString(3);
    EXPECT_STREQ("String #3", missing);
    EXPECT_EQ(missing, tr->GetString(4294967295u));
    EXPECT_STREQ("String #4294967295", missing);

    // Another language replaces the texts; the block may come before the index.
    ASSERT_TRUE(tr->LoadName("Francais"));
    EXPECT_STREQ("Francais", tr->GetCurName());
    EXPECT_STREQ("Scores", tr->GetString(1));
    EXPECT_STREQ("Quitter", tr->GetString(2));

    ASSERT_TRUE(tr->Load(nullptr, static_cast<unsigned>(IndexOf(*tr, "English"))));
    EXPECT_STREQ("Play", tr->GetString(0));
    EXPECT_FALSE(tr->Load(nullptr, 2));

    // A new listing drops the loaded texts.
    tr->Init(dir.Path().c_str(), ".lng");
    EXPECT_EQ(0u, tr->StringCount());
    EXPECT_EQ(nullptr, tr->GetCurName());
    EXPECT_STREQ("String #0", tr->GetString(0));
}

TEST(KWOTranslator, LoadByPathFindsTheListingWithoutRegardToCase)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "langs");
    MakeLangFolder(dir / "langs");
    // The same folder under a name in other letters.
    std::filesystem::create_directory_symlink(dir / "langs", dir / "LANGS");
    auto tr = Fresh();
    ASSERT_EQ(2, tr->Init((dir / "LANGS").c_str(), ".lng"));
    ASSERT_TRUE(tr->Load((dir / "langs/fr.lng").c_str(), 0));
    EXPECT_EQ(IndexOf(*tr, "Francais"), tr->GetCurIndex());
    EXPECT_EQ(dir / "langs/fr.lng", tr->GetCurFile());
    EXPECT_STREQ("Jouer", tr->GetString(0));

    // A file outside the listing keeps the name it holds.
    WriteFileBytes(dir / "es.lng", LangFile("Espanol", {"Jugar"}));
    ASSERT_TRUE(tr->Load((dir / "es.lng").c_str(), 0));
    EXPECT_EQ(-1, tr->GetCurIndex());
    EXPECT_STREQ("Espanol", tr->GetCurName());

    // Relative names are taken from the working directory.
    WorkDir cwd;
    cwd.Go(dir / "langs");
    ASSERT_TRUE(tr->Load("en.lng", 1));
    EXPECT_EQ(std::filesystem::current_path().string() + "/en.lng", tr->GetCurFile());
    EXPECT_STREQ("English", tr->GetCurName());
    EXPECT_FALSE(tr->Load("", 0));
    EXPECT_FALSE(tr->Load("missing.lng", 0));
    EXPECT_STREQ("Play", tr->GetString(0)); // a file that cannot be opened changes nothing
}

TEST(KWOTranslator, InitTakesRelativeFoldersFromTheWorkingDirectory)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "a/b");
    MakeLangFolder(dir / "a");
    WorkDir cwd;
    cwd.Go(dir / "a/b");
    const std::string a = std::filesystem::current_path().parent_path().string();
    auto tr = Fresh();
    EXPECT_EQ(2, tr->Init("..", ".lng"));
    EXPECT_EQ(a + "/", tr->GetPath());
    EXPECT_EQ(0, tr->Init(".", ".lng"));
    EXPECT_EQ(a + "/b/", tr->GetPath());
    cwd.Go(dir.Path());
    EXPECT_EQ(2, tr->Init("a", ".lng"));
    EXPECT_EQ(std::filesystem::current_path().string() + "/a/", tr->GetPath());
    EXPECT_EQ(0, tr->Init("a/b", ".lng"));

    // The parent of a folder next to the root is the root.
    cwd.Go("/tmp");
    tr->Init("..", ".lng");
    EXPECT_STREQ("/", tr->GetPath());
    cwd.Go("/");
    tr->Init("..", ".nothing-has-this");
    EXPECT_STREQ("/", tr->GetPath());
}

TEST(KWOTranslator, DamagedFilesAreRefusedWithoutReadingPastThem)
{
    TempDir dir;
    const std::string path = dir / "bad.lng";
    auto tr = Fresh();
    WriteFileBytes(dir / "good.lng", LangFile("Good", {"one", "two"}));

    const std::string good = LangFile("Bad", {"abc", "de"});
    const size_t header = 6 + 4 + 16; // the name is "Bad" and its zero
    std::vector<std::string> bad;
    bad.push_back(good.substr(0, good.size() - 1));                 // block cut short
    bad.push_back(good.substr(0, header + 3));                      // index cut short
    bad.push_back(good.substr(0, header) + good.substr(header, 0)); // no index at all
    {
        std::string s = good; // a huge text count
        s.replace(10, 4, U32(0x7FFFFFFFu));
        bad.push_back(s);
    }
    {
        std::string s = good; // a huge block
        s.replace(22, 4, U32(0xFFFFFFF0u));
        bad.push_back(s);
    }
    {
        std::string s = good; // the index beyond the end of the file
        s.replace(14, 4, U32(0x80000000u));
        bad.push_back(s);
    }
    {
        std::string s = good; // texts longer than the block
        s.replace(header, 2, U16(500));
        bad.push_back(s);
    }
    for (const std::string& bytes : bad)
    {
        ASSERT_TRUE(tr->Load((dir / "good.lng").c_str(), 0));
        WriteFileBytes(path, bytes);
        EXPECT_FALSE(tr->Load(path.c_str(), 0)) << bytes.size();
        // The header was read: what was loaded before is gone.
        EXPECT_EQ(0u, tr->StringCount());
        EXPECT_EQ(nullptr, tr->GetCurFile());
        EXPECT_EQ(nullptr, tr->GetCurName());
        EXPECT_STREQ("String #0", tr->GetString(0));
    }

    // A header that cannot be read leaves the loaded texts alone.
    for (const std::string& bytes :
         {std::string("LanH") + good.substr(4), good.substr(0, 20), std::string("LanG")})
    {
        ASSERT_TRUE(tr->Load((dir / "good.lng").c_str(), 0));
        WriteFileBytes(path, bytes);
        EXPECT_FALSE(tr->Load(path.c_str(), 0));
        EXPECT_STREQ("one", tr->GetString(0));
        EXPECT_STREQ("Good", tr->GetCurName());
    }
}

TEST(KWOTranslator, TextsEndInsideTheirLength)
{
    TempDir dir;
    const std::string path = dir / "raw.lng";
    // Two texts of 3 and 4 bytes without terminators in the file.
    std::string file = std::string("LanG\x00\x02", 6) + "X" + '\0' + U32(2) + U32(24) + U32(28) +
                       U32(7) + U16(3) + U16(4) + "abcdefg";
    WriteFileBytes(path, file);
    auto tr = Fresh();
    ASSERT_TRUE(tr->Load(path.c_str(), 0));
    EXPECT_STREQ("ab", tr->GetString(0));
    EXPECT_STREQ("def", tr->GetString(1));
    EXPECT_STREQ("X", tr->GetCurName());

    // No texts at all is a loaded file without texts.
    WriteFileBytes(path, LangFile("Empty", {}));
    ASSERT_TRUE(tr->Load(path.c_str(), 0));
    EXPECT_EQ(0u, tr->StringCount());
    EXPECT_EQ(path, tr->GetCurFile());
}

TEST(KWOTranslator, PrintInfoListsLanguagesAndTexts)
{
    TempDir dir;
    WriteFileBytes(dir / "en.lng", LangFile("English", {"Play", nullptr}));
    auto tr = Fresh();
    {
        CapturedLog log;
        tr->PrintInfo(true);
        EXPECT_EQ("No file loaded.\n", log.Text());
    }
    ASSERT_EQ(1, tr->Init(dir.Path().c_str(), ".lng"));
    ASSERT_TRUE(tr->LoadName("English"));
    CapturedLog log;
    tr->PrintInfo(true);
    const std::string file = dir / "en.lng";
    EXPECT_EQ("Path : " + dir.Path() + "/\nFiles:\n-[0] English (" + file +
                  ")\n"
                  "Lang file : " +
                  file + "\nLanguage  : English\nStrings   : 2\nStrings:\n-[0] Play\n-[1] \n",
              log.Text());
}

TEST(KWOTranslator, SingletonIsMadeAgainAfterDeletion)
{
    KWOTranslator* tr = KWOTranslator::Singleton();
    ASSERT_NE(nullptr, tr);
    EXPECT_EQ(tr, KWOTranslator::Singleton());
    delete tr;
    KWOTranslator* again = KWOTranslator::Singleton();
    ASSERT_NE(nullptr, again);
    EXPECT_STREQ("String #7", again->GetString(7));
    delete again;
}
