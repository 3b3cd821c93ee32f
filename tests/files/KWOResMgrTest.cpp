// The resource manager: every built-in type from a folder and from an
// archive, sharing and releasing, the sorted table, user types, reloading,
// the streams a load leaves open (none, but the music's) and the log lines.
#include "files/ArchiveTestSupport.h"
#include "support/CapturedLog.h"

#include "audio/KWOMusic.h"
#include "audio/KWOSound.h"
#include "core/KWOText.h"
#include "files/KWOArchKWO.h"
#include "files/KWOMemFile.h"
#include "files/KWOResFile.h"
#include "files/KWOResFinder.h"
#include "files/KWOResMgr.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace
{
std::string U16(unsigned v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

// An 8-bit unsigned mono PCM WAV file at 11025 Hz.
std::string Wav(const std::string& samples)
{
    const std::string fmt = U16(1) + U16(1) + U32(11025) + U32(11025) + U16(1) + U16(8);
    const std::string body =
        "WAVEfmt " + U32(16) + fmt + "data" + U32(static_cast<uint32_t>(samples.size())) + samples;
    return "RIFF" + U32(static_cast<uint32_t>(body.size())) + body;
}

const std::string kSamples = "\x10\x20\x30\x40\x50\x60\x70\x80";
const std::string kSongSamples(3000, '\x7F');

// Streams held open by the process, seen as its open descriptors.
size_t OpenStreams()
{
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    {
        static_cast<void>(entry);
        ++count;
    }
    return count;
}

std::string ReadAll(KWOResFile& file)
{
    std::string bytes;
    char buffer[64];
    while (unsigned int n = file.Read(buffer, sizeof buffer))
        bytes.append(buffer, n);
    return bytes;
}

// A user resource: the stream's bytes. Counts the living objects; a stream
// starting with "bad" does not load.
struct Probe : KWOResource
{
    static int live;
    std::string content;
    std::string name;
    int param = 0;

    Probe() { ++live; }
    ~Probe() override { --live; }
    unsigned int MemoryUsed() const override { return static_cast<unsigned int>(content.size()); }
    bool Load(KWOResFile& file, int p) override
    {
        content = ReadAll(file);
        param = p;
        return content.compare(0, 3, "bad") != 0;
    }
    bool Save(KWOResFile&, int) override { return false; }
};
int Probe::live = 0;

KWOResource* ProbeLoader(KWOResFile* file, const char* name, int param, bool& keepFile)
{
    keepFile = false;
    auto probe = std::make_unique<Probe>();
    if (!probe->Load(*file, param))
        return nullptr;
    probe->name = name;
    return probe.release();
}

// A user resource that keeps its stream, as the loader contract allows: it
// owns the stream from then on.
struct StreamProbe : Probe
{
    std::unique_ptr<KWOResFile> stream;
};

KWOResource* KeepingLoader(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = true;
    auto probe = std::make_unique<StreamProbe>();
    if (!probe->Load(*file, param))
        return nullptr;
    probe->stream.reset(file);
    return probe.release();
}

// A loader that itself asks the manager for a palette.
KWOResMgr* g_manager = nullptr;
KWOResource* NestedLoader(KWOResFile* file, const char* name, int param, bool& keepFile)
{
    if (g_manager == nullptr ||
        g_manager->Load(KWOResMgr::TypePalette, "pal.kwop", 0, true) == nullptr)
        return nullptr;
    return ProbeLoader(file, name, param, keepFile);
}

class KWOResMgrTest : public ArchiveTest
{
protected:
    void SetUp() override
    {
        ArchiveTest::SetUp();
        Probe::live = 0;
        std::filesystem::create_directories(P("data"));

        KWOImage picture(3, 2, 24);
        picture.HLine(0, 0, 3, 0x102030);
        picture.HLine(0, 1, 3, 0x405060);
        ASSERT_TRUE(picture.SaveName("data/pic.bmp", 1));

        KWOPal palette(0);
        const unsigned char rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        palette.SetFromRGB(rgb, 3, 0);
        ASSERT_TRUE(palette.SaveName("data/pal.kwop", 1));

        KWOImage glyphs(4, 4, 8);
        glyphs.HLine(0, 0, 4, 1);
        KWOFont font("tiny", 'A', 'B', &glyphs, 1);
        ASSERT_TRUE(font.SaveName("data/small.font", 0));

        MakeFile(P("data/words.txt"), "alpha\nbeta\n");
        MakeFile(P("data/beep.wav"), Wav(kSamples));
        MakeFile(P("data/song.wav"), Wav(kSongSamples));
        MakeFile(P("data/probe.bin"), "probe bytes");
        MakeFile(P("data/bad.bin"), "bad bytes");
        MakeFile(P("data/kept.bin"), "kept");

        KWOArchKWO archive;
        ASSERT_TRUE(archive.Create("res.dat"));
        for (const char* name : {"pic.bmp", "pal.kwop", "small.font", "words.txt", "beep.wav",
                                 "song.wav", "probe.bin"})
            ASSERT_NE(0xFFFFFFFFu, archive.AddFile(("data/" + std::string(name)).c_str(), nullptr));
    }

    // Loads one resource of every built-in type and checks what came out.
    void LoadsEveryType(const char* source)
    {
        KWOResFinder finder;
        ASSERT_TRUE(finder.AddSource(source, false));
        CapturedLog log;
        const size_t streams = OpenStreams();
        {
            KWOResMgr manager(finder);
            EXPECT_EQ(6u, manager.NbLoaders());

            auto* picture =
                dynamic_cast<KWOImage*>(manager.Load(KWOResMgr::TypePicture, "pic.bmp", 0, true));
            ASSERT_NE(nullptr, picture);
            EXPECT_EQ(3u, picture->Width());
            EXPECT_EQ(2u, picture->Height());
            EXPECT_EQ(0x405060u, picture->GetPixel(2, 1) & 0xFFFFFF);

            auto* palette =
                dynamic_cast<KWOPal*>(manager.Load(KWOResMgr::TypePalette, "pal.kwop", 0, true));
            ASSERT_NE(nullptr, palette);
            ASSERT_EQ(3u, palette->Size());
            EXPECT_EQ(8, palette->Entries()[2].g);

            auto* font =
                dynamic_cast<KWOFont*>(manager.Load(KWOResMgr::TypeFont, "small.font", 0, true));
            ASSERT_NE(nullptr, font);
            EXPECT_STREQ("tiny", font->Name());
            EXPECT_EQ('B', static_cast<int>(font->Last()));

            auto* text =
                dynamic_cast<KWOText*>(manager.Load(KWOResMgr::TypeText, "words.txt", 0, true));
            ASSERT_NE(nullptr, text);
            ASSERT_EQ(2u, text->Length());
            EXPECT_STREQ("beta", text->m_lines[1]);

            auto* sound =
                dynamic_cast<KWOSound*>(manager.Load(KWOResMgr::TypeSound, "beep.wav", 0, true));
            ASSERT_NE(nullptr, sound);
            ASSERT_EQ(kSamples.size(), sound->m_size);
            EXPECT_EQ(0, std::memcmp(kSamples.data(), sound->m_data, kSamples.size()));

            // Nothing but the music keeps a stream open.
            EXPECT_EQ(streams, OpenStreams());
            auto* music =
                dynamic_cast<KWOMusic*>(manager.Load(KWOResMgr::TypeMusic, "song.wav", 0, true));
            ASSERT_NE(nullptr, music);
            EXPECT_EQ(streams + 1, OpenStreams());
            ASSERT_NE(nullptr, music->m_file);
            ASSERT_NE(nullptr, music->NextData());
            ASSERT_EQ(kSongSamples.size(), music->m_chunkSize);
            EXPECT_EQ(0, std::memcmp(kSongSamples.data(), music->m_chunk, kSongSamples.size()));

            const char* order[] = {"beep.wav",   "pal.kwop", "pic.bmp",
                                   "small.font", "song.wav", "words.txt"};
            const unsigned int types[] = {4, 1, 0, 2, 5, 3};
            ASSERT_EQ(6u, manager.Count());
            EXPECT_EQ(8u, manager.Capacity());
            for (unsigned int i = 0; i < 6; ++i)
            {
                EXPECT_STREQ(order[i], manager.GetName(i));
                EXPECT_EQ(types[i], manager.GetType(i));
                EXPECT_EQ(1u, manager.GetReferences(i));
            }
            EXPECT_EQ(picture->MemoryUsed() + palette->MemoryUsed() + font->MemoryUsed() +
                          text->MemoryUsed() + sound->MemoryUsed() + music->MemoryUsed(),
                      manager.MemoryUsed());

            // The music's stream goes with the music.
            EXPECT_TRUE(manager.Release(music));
            EXPECT_EQ(streams, OpenStreams());
            EXPECT_TRUE(manager.Load(KWOResMgr::TypeMusic, "song.wav", 0, true) != nullptr);
            EXPECT_EQ(streams + 1, OpenStreams());
        }
        // ... and with the manager.
        EXPECT_EQ(streams, OpenStreams());
        EXPECT_EQ("", log.Text());
    }
};
} // namespace

TEST_F(KWOResMgrTest, LoadsEveryBuiltInTypeFromAFolder)
{
    LoadsEveryType(P("data").c_str());
}

TEST_F(KWOResMgrTest, LoadsEveryBuiltInTypeFromAnArchive)
{
    LoadsEveryType("res.dat");
}

TEST_F(KWOResMgrTest, SharesByReferenceAndDeletesAtTheLastRelease)
{
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource("data", false));
    KWOResMgr manager(finder);
    const unsigned int probe = manager.RegisterLoader(ProbeLoader);

    KWOResource* first = manager.Load(probe, "probe.bin", 0, true);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, manager.Load(probe, "probe.bin", 0, true));
    // A registered name is shared even when the caller asks not to keep it.
    EXPECT_EQ(first, manager.Load(probe, "probe.bin", 0, false));
    EXPECT_EQ(1, Probe::live);
    ASSERT_EQ(1u, manager.Count());
    EXPECT_EQ(3u, manager.GetReferences(0));

    // Another type under the same name is refused and takes no reference.
    EXPECT_EQ(nullptr, manager.Load(KWOResMgr::TypeText, "probe.bin", 0, true));
    EXPECT_EQ(3u, manager.GetReferences(0));

    EXPECT_EQ(first, manager.Get("probe.bin"));
    EXPECT_EQ(4u, manager.GetReferences(0));
    EXPECT_EQ(nullptr, manager.Get("other.bin"));
    EXPECT_EQ(nullptr, manager.Get(""));
    EXPECT_EQ(nullptr, manager.Get(nullptr));

    EXPECT_TRUE(manager.Release("probe.bin"));
    EXPECT_TRUE(manager.Release(first));
    EXPECT_TRUE(manager.Release("probe.bin"));
    EXPECT_EQ(1, Probe::live);
    EXPECT_EQ(1u, manager.GetReferences(0));
    EXPECT_TRUE(manager.Release(first));
    EXPECT_EQ(0, Probe::live);
    EXPECT_EQ(0u, manager.Count());
    EXPECT_FALSE(manager.Release("probe.bin"));
    EXPECT_FALSE(manager.Release(first));
    EXPECT_FALSE(manager.Release(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(manager.Release(static_cast<KWOResource*>(nullptr)));
}

TEST_F(KWOResMgrTest, UnkeptResourcesBelongToTheCaller)
{
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource("res.dat", false));
    KWOResMgr manager(finder);
    const unsigned int probe = manager.RegisterLoader(ProbeLoader);

    std::unique_ptr<KWOResource> a(manager.Load(probe, "probe.bin", 7, false));
    std::unique_ptr<KWOResource> b(manager.Load(probe, "probe.bin", 7, false));
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(0u, manager.Count());
    EXPECT_FALSE(manager.Release(a.get()));
    {
        // A name the archive lacks gives null, silently.
        CapturedLog log;
        EXPECT_EQ(nullptr, manager.Load(probe, "missing.bin", 0, false));
        EXPECT_EQ("", log.Text());
    }
    // The loader sees the requested name and the parameter unchanged.
    EXPECT_EQ("probe bytes", static_cast<Probe*>(a.get())->content);
    EXPECT_EQ("probe.bin", static_cast<Probe*>(a.get())->name);
    EXPECT_EQ(7, static_cast<Probe*>(a.get())->param);

    // An unkept music still frees its stream when its owner deletes it.
    const size_t streams = OpenStreams();
    std::unique_ptr<KWOResource> music(manager.Load(KWOResMgr::TypeMusic, "song.wav", 0, false));
    ASSERT_NE(nullptr, music);
    EXPECT_EQ(0u, manager.Count());
    EXPECT_EQ(streams + 1, OpenStreams());
    music.reset();
    EXPECT_EQ(streams, OpenStreams());
}

TEST_F(KWOResMgrTest, UnknownTypesMissingNamesAndFailedLoads)
{
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource("data", false));
    CapturedLog log;
    KWOResMgr manager(finder);
    const size_t streams = OpenStreams();

    EXPECT_EQ(nullptr, manager.Load(6, "probe.bin", 0, true));
    EXPECT_EQ(nullptr, manager.Load(0xFFFFFFFFu, "probe.bin", 0, true));
    EXPECT_EQ(nullptr, manager.Load(0, "missing.bmp", 0, true));
    EXPECT_EQ(nullptr, manager.Load(0, "", 0, true));
    EXPECT_EQ(nullptr, manager.Load(0, nullptr, 0, true));
    // The manager says nothing of a missing name; the folder's stream does.
    const std::string missing = "File: Can not open " + P("data/missing.bmp") + " in mode 'rb'\n";
    EXPECT_EQ(missing, log.Text());

    // Loader failures: one warning each, no stream left open, no record.
    EXPECT_EQ(nullptr, manager.Load(KWOResMgr::TypePicture, "words.txt", 0, true));
    EXPECT_EQ(nullptr, manager.Load(KWOResMgr::TypeMusic, "pic.bmp", 0, true));
    EXPECT_EQ(nullptr, manager.Load(KWOResMgr::TypeText, "words.txt", 2, true));
    const std::string failures = "TGA:: bad format\n"
                                 "ResMgr: can not load words.txt (type 0)\n"
                                 "ResMgr: can not load pic.bmp (type 5)\n"
                                 "ResMgr: can not load words.txt (type 3)\n";
    EXPECT_EQ(missing + failures, log.Text());
    EXPECT_EQ(0u, manager.Count());
    EXPECT_EQ(streams, OpenStreams());

    EXPECT_EQ(0xFFFFFFFFu, manager.RegisterLoader(nullptr));
    EXPECT_EQ(6u, manager.RegisterLoader(KeepingLoader));
    EXPECT_EQ(7u, manager.RegisterLoader(ProbeLoader));
    EXPECT_EQ(8u, manager.NbLoaders());
    // A loader that keeps the stream but fails: the manager still deletes it
    // (the sanitizer build reports it otherwise).
    EXPECT_EQ(nullptr, manager.Load(6, "bad.bin", 0, true));
    EXPECT_EQ(streams, OpenStreams());
    // A loader that keeps the stream: it passes to the resource.
    auto* kept = dynamic_cast<StreamProbe*>(manager.Load(6, "probe.bin", 0, true));
    ASSERT_NE(nullptr, kept);
    ASSERT_NE(nullptr, kept->stream);
    EXPECT_EQ(streams + 1, OpenStreams());
    EXPECT_TRUE(manager.Release("probe.bin"));
    EXPECT_EQ(streams, OpenStreams());

    EXPECT_FALSE(manager.ChangeLoader(8, ProbeLoader));
    EXPECT_FALSE(manager.ChangeLoader(0, nullptr));
    EXPECT_TRUE(manager.ChangeLoader(KWOResMgr::TypePicture, ProbeLoader));
    auto* probe = dynamic_cast<Probe*>(manager.Load(KWOResMgr::TypePicture, "words.txt", 0, true));
    ASSERT_NE(nullptr, probe);
    EXPECT_EQ("alpha\nbeta\n", probe->content);
    EXPECT_EQ(missing + failures + "ResMgr: can not load bad.bin (type 6)\n", log.Text());
}

TEST_F(KWOResMgrTest, TheTableStaysSortedAndGrows)
{
    KWOResFinder finder;
    KWOResMgr manager(finder);
    EXPECT_EQ(0u, manager.Count());
    EXPECT_EQ(4u, manager.Capacity());

    unsigned int position = 99;
    EXPECT_FALSE(manager.FindRes("a", position));
    EXPECT_EQ(0u, position);
    EXPECT_FALSE(manager.FindRes(nullptr, position));
    EXPECT_FALSE(manager.FindRes("", position));
    EXPECT_EQ(0u, position);

    const char* names[] = {"b", "a", "c", "B", "ab", "aa", "z", "_", "0"};
    for (const char* name : names)
        ASSERT_TRUE(manager.Add(KWOResMgr::FirstUserType, name, new Probe));
    EXPECT_EQ(9u, manager.Count());
    EXPECT_EQ(16u, manager.Capacity());
    const char* sorted[] = {"0", "B", "_", "a", "aa", "ab", "b", "c", "z"};
    for (unsigned int i = 0; i < 9; ++i)
    {
        EXPECT_STREQ(sorted[i], manager.GetName(i));
        ASSERT_TRUE(manager.FindRes(sorted[i], position));
        EXPECT_EQ(i, position);
    }
    EXPECT_FALSE(manager.FindRes("A", position));
    EXPECT_EQ(1u, position);
    EXPECT_FALSE(manager.FindRes("zz", position));
    EXPECT_EQ(9u, position);
    EXPECT_EQ(nullptr, manager.GetName(9));
    EXPECT_EQ(nullptr, manager.GetResource(9));

    // Removal closes the gap.
    EXPECT_TRUE(manager.Release("_"));
    EXPECT_STREQ("a", manager.GetName(2));
    EXPECT_EQ(8u, manager.Count());
    EXPECT_EQ(8, Probe::live);
}

TEST_F(KWOResMgrTest, AddTakesOwnershipOnlyWhenItRegisters)
{
    KWOResFinder finder;
    auto manager = std::make_unique<KWOResMgr>(finder);
    auto* first = new Probe;
    ASSERT_TRUE(manager->Add(3, "x", first));
    EXPECT_EQ(1u, manager->GetReferences(0));

    Probe other;
    EXPECT_FALSE(manager->Add(3, "x", &other));
    EXPECT_FALSE(manager->Add(9, "x", &other));
    EXPECT_FALSE(manager->Add(3, "", &other));
    EXPECT_FALSE(manager->Add(3, nullptr, &other));
    // One object under two names would be deleted twice.
    EXPECT_FALSE(manager->Add(3, "y", first));
    EXPECT_EQ(1u, manager->Count());

    EXPECT_EQ(first, manager->Get("x"));
    EXPECT_EQ(first, manager->Get("x"));
    EXPECT_EQ(3u, manager->GetReferences(0));
    // The manager deletes what it holds, whatever the references.
    EXPECT_EQ(2, Probe::live);
    manager.reset();
    EXPECT_EQ(1, Probe::live);
}

TEST_F(KWOResMgrTest, PrivateStepsKeepTheirBounds)
{
    KWOResFinder finder;
    KWOResMgr manager(finder);
    EXPECT_FALSE(manager.PrivateAdd(0, 6, nullptr, nullptr));
    ASSERT_TRUE(manager.PrivateAdd(0, 6, "m", new Probe));
    ASSERT_TRUE(manager.PrivateAdd(50, 6, "n", nullptr)); // beyond the end: appended
    EXPECT_STREQ("n", manager.GetName(1));
    // A record without a resource hands out nothing.
    EXPECT_EQ(nullptr, manager.Get("n"));
    EXPECT_FALSE(manager.Reload("n"));
    manager.PrivateRemove(7, true);
    EXPECT_EQ(2u, manager.Count());

    KWOResource* kept = manager.GetResource(0);
    manager.PrivateRemove(0, false);
    EXPECT_EQ(1, Probe::live);
    delete kept;
    manager.PrivateRemove(0, true);
    EXPECT_EQ(0u, manager.Count());
}

TEST_F(KWOResMgrTest, ReloadsInPlace)
{
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource("data", false));
    KWOResMgr manager(finder);
    const unsigned int probe = manager.RegisterLoader(ProbeLoader);
    const unsigned int keeping = manager.RegisterLoader(KeepingLoader);

    auto* text = dynamic_cast<KWOText*>(manager.Load(KWOResMgr::TypeText, "words.txt", 0, true));
    auto* first = dynamic_cast<Probe*>(manager.Load(probe, "probe.bin", 5, true));
    ASSERT_NE(nullptr, text);
    ASSERT_NE(nullptr, first);
    MakeFile(P("data/probe.bin"), "new bytes");
    MakeFile(P("data/words.txt"), "one\ntwo\nthree\n");

    EXPECT_TRUE(manager.Reload("probe.bin"));
    EXPECT_EQ("new bytes", first->content);
    EXPECT_EQ(0, first->param); // reloads use parameter 0
    EXPECT_TRUE(manager.ReloadType(KWOResMgr::TypeText));
    EXPECT_EQ(3u, text->Length());
    EXPECT_TRUE(manager.ReloadType(KWOResMgr::TypeSound)); // none of that type
    EXPECT_FALSE(manager.ReloadType(99));
    EXPECT_FALSE(manager.Reload("unknown"));
    EXPECT_FALSE(manager.Reload(nullptr));

    // A failed reload is reported; the other records are still reloaded.
    ASSERT_TRUE(manager.Add(probe, "gone.bin", new Probe));
    MakeFile(P("data/probe.bin"), "bad now");
    MakeFile(P("data/zzz.bin"), "later");
    ASSERT_TRUE(manager.Add(probe, "zzz.bin", new Probe));
    EXPECT_FALSE(manager.Reload("gone.bin"));
    EXPECT_FALSE(manager.ReloadType(probe));
    EXPECT_EQ("later", dynamic_cast<Probe*>(manager.Get("zzz.bin"))->content);

    // A music takes the fresh stream over and lets the old one go.
    const size_t streams = OpenStreams();
    auto* music = dynamic_cast<KWOMusic*>(manager.Load(KWOResMgr::TypeMusic, "song.wav", 0, true));
    ASSERT_NE(nullptr, music);
    const KWOResFile* oldStream = music->m_file;
    MakeFile(P("data/song.wav"), Wav(std::string(100, '\x01')));
    EXPECT_TRUE(manager.Reload("song.wav"));
    EXPECT_NE(oldStream, music->m_file);
    EXPECT_EQ(100u, music->m_dataSize);
    EXPECT_EQ(streams + 1, OpenStreams());
    MakeFile(P("data/song.wav"), "not a sound");
    EXPECT_FALSE(manager.ReloadType(KWOResMgr::TypeMusic));
    EXPECT_EQ(streams + 1, OpenStreams());

    // Other resources that read their stream after loading are not reloaded.
    auto* kept = dynamic_cast<StreamProbe*>(manager.Load(keeping, "kept.bin", 0, true));
    ASSERT_NE(nullptr, kept);
    const KWOResFile* keptStream = kept->stream.get();
    EXPECT_FALSE(manager.Reload("kept.bin"));
    EXPECT_EQ(keptStream, kept->stream.get());
    EXPECT_EQ("kept", kept->content);
    // Nor is a music the caller made over a stream of its own, which stays
    // the caller's.
    std::string wav = Wav(kSamples);
    KWOMemFile ownStream(static_cast<unsigned int>(wav.size()), KWOResFile::ModeRead,
                         reinterpret_cast<unsigned char*>(wav.data()));
    auto* own = new KWOMusic();
    ASSERT_TRUE(own->Load(ownStream, 0));
    ASSERT_TRUE(manager.Add(KWOResMgr::TypeMusic, "own.wav", own));
    EXPECT_FALSE(manager.Reload("own.wav"));
    EXPECT_EQ(&ownStream, own->m_file);
    EXPECT_TRUE(manager.Release(own));
}

TEST_F(KWOResMgrTest, ALoaderMayGoThroughTheManager)
{
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource("data", false));
    KWOResMgr manager(finder);
    g_manager = &manager;
    const unsigned int nested = manager.RegisterLoader(NestedLoader);
    // The palette registered during the load sorts before the new record.
    ASSERT_TRUE(manager.Add(KWOResMgr::TypeText, "a.txt", new KWOText(1u)));
    ASSERT_TRUE(manager.Add(KWOResMgr::TypeText, "z.txt", new KWOText(1u)));
    ASSERT_NE(nullptr, manager.Load(nested, "probe.bin", 0, true));
    g_manager = nullptr;
    const char* sorted[] = {"a.txt", "pal.kwop", "probe.bin", "z.txt"};
    ASSERT_EQ(4u, manager.Count());
    for (unsigned int i = 0; i < 4; ++i)
        EXPECT_STREQ(sorted[i], manager.GetName(i));
}

TEST_F(KWOResMgrTest, PrintsItsTable)
{
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource("data", false));
    KWOResMgr manager(finder);
    ASSERT_NE(nullptr, manager.Load(KWOResMgr::TypeText, "words.txt", 0, true));
    ASSERT_NE(nullptr, manager.Load(KWOResMgr::TypeSound, "beep.wav", 0, true));
    ASSERT_NE(nullptr, manager.Load(KWOResMgr::TypeSound, "beep.wav", 0, true));
    const unsigned int bytes = manager.MemoryUsed();
    EXPECT_EQ(manager.GetResource(0)->MemoryUsed() + manager.GetResource(1)->MemoryUsed(), bytes);

    CapturedLog log;
    manager.PrintContent();
    const std::string table = "Resource Manager : (2 entries, 4 alloc)\n"
                              "-   0 [type  4] beep.wav (2)\n"
                              "-   1 [type  3] words.txt (1)\n";
    EXPECT_EQ(table, log.Text());
    manager.PrintInfo();
    EXPECT_EQ(table + table + "Resource Manager : 6 loaders, " + std::to_string(bytes) +
                  " bytes used\n",
              log.Text());
}
