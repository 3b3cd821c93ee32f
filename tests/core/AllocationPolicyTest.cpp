// The library never throws: running out of memory is a failure result.
//
// This test program's operator new can be told to fail the n-th allocation
// that the main thread makes. Each scenario runs once to count its
// allocations, then once for every one of them failing in turn: nothing may
// escape as an exception or crash, and what the library reports must match
// what it left behind.
#include "KWOMedia.h"

#include "files/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <string>

namespace
{
thread_local bool t_counting = false;
thread_local unsigned long t_count = 0;
thread_local unsigned long t_failAt = 0; // 0: none

bool FailsNow()
{
    if (!t_counting)
        return false;
    return ++t_count == t_failAt;
}

void* Allocate(std::size_t size)
{
    return std::malloc(size != 0 ? size : 1);
}

// Runs `step` with the allocation number `failAt` failing (0: none); the
// number of allocations it made.
unsigned long Run(const std::function<void()>& step, unsigned long failAt)
{
    t_count = 0;
    t_failAt = failAt;
    t_counting = true;
    EXPECT_NO_THROW(step()) << "allocation " << failAt << " failing";
    t_counting = false;
    return t_count;
}

// Runs `prepare` then `step` once without failures and once with each of the
// allocations `step` makes failing; `check` looks at the outcome each time.
void EveryAllocationFails(const std::function<void()>& prepare, const std::function<void()>& step,
                          const std::function<void(unsigned long)>& check)
{
    prepare();
    const unsigned long total = Run(step, 0);
    check(0);
    ASSERT_GT(total, 0u);
    for (unsigned long n = 1; n <= total; ++n)
    {
        prepare();
        Run(step, n);
        check(n);
    }
}
} // namespace

void* operator new(std::size_t size)
{
    void* p = FailsNow() ? nullptr : Allocate(size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return FailsNow() ? nullptr : Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return FailsNow() ? nullptr : Allocate(size);
}

// The allocations above come from malloc: they go back to free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    operator delete(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    operator delete(p);
}

class AllocationPolicyTest : public ArchiveTest
{
};

// An archive changed by an object whose memory runs out at any moment: the
// object always shows the file as it is, and the file is always an archive.
TEST_F(AllocationPolicyTest, ArchiveChangesFailWholeWhenMemoryRunsOut)
{
    MakeFile(P("one.bin"), Pattern(100, 1));
    MakeFile(P("two.bin"), Pattern(50, 2));
    KWOArchKWO pristine;
    ASSERT_TRUE(pristine.Create("base.dat"));
    ASSERT_EQ(0u, pristine.AddFile("one.bin", nullptr));
    const std::string base = ReadFileBytes(P("base.dat"));

    KWOArchKWO archive;
    const std::string out = P("out");
    std::filesystem::create_directory(out);
    const auto prepare = [&]
    {
        WriteFileBytes(P("a.dat"), base);
        ASSERT_TRUE(archive.Open("a.dat"));
    };
    const auto step = [&]
    {
        archive.AddFile("two.bin", "second");
        archive.RenameFile(0, "first");
        archive.UpdateFile(0, "two.bin");
        archive.RemoveFile(archive.FindFile("second"));
        archive.ExtractAll(out.c_str());
    };
    const auto check = [&](unsigned long n)
    {
        KWOArchKWO reread;
        ASSERT_TRUE(reread.Open("a.dat")) << n;
        ASSERT_EQ(reread.NbFiles(), archive.NbFiles()) << n;
        for (unsigned i = 0; i < reread.NbFiles(); ++i)
        {
            EXPECT_STREQ(reread.FileName(i), archive.FileName(i)) << n;
            EXPECT_EQ(reread.FileSize(i), archive.FileSize(i)) << n;
        }
        EXPECT_EQ(reread.GetDataEnd(), archive.GetDataEnd()) << n;
    };
    EveryAllocationFails(prepare, step, check);
}

// Loads and saves through the other modules: each one either works or
// reports a failure.
TEST_F(AllocationPolicyTest, LoadsAndSavesReportRunningOutOfMemory)
{
    const std::string data = KWO_TEST_DATA_DIR;
    const std::string picture = data + "/images/gif-16col-interlaced.gif";
    const std::string sound = data + "/audio/pcm16-stereo.aiff";
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource(Root().c_str(), false));
    MakeFile(P("lines.txt"), "one\r\ntwo\nthree\n");
    MakeFile(P("picture.gif"), ReadFileBytes(picture));
    MakeFile(P("sound.aiff"), ReadFileBytes(sound));

    bool pictureLoaded = false;
    const auto step = [&]
    {
        KWOImage image(1u, 1u, 8u);
        pictureLoaded = image.LoadName("picture.gif", 0);
        if (pictureLoaded)
        {
            EXPECT_NE(nullptr, image.Pixels());
        }
        image.SaveName("copy.tga", 4);
        KWOSound loaded;
        if (loaded.LoadName("sound.aiff", 0))
        {
            EXPECT_NE(nullptr, loaded.m_data);
        }
        KWOText text(0u);
        text.LoadName("lines.txt", 0);
        KWOResMgr manager(finder);
        if (KWOResource* r = manager.Load(KWOResMgr::TypePicture, "picture.gif", 0, true))
            manager.Release(r);
        char** list = nullptr;
        const unsigned n = KWOFileUtils::GetFileList(list, Root().c_str(), "*.*", 0);
        KWOFileUtils::FreeFileList(list, n);
        KWODir dir(Root().c_str());
        dir.CopyFile("lines.txt", "copied.txt");
    };
    EveryAllocationFails([] {}, step,
                         [&](unsigned long n) { EXPECT_TRUE(pictureLoaded || n != 0); });
}
