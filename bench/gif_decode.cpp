// GIF decoding speed: KWOImage::Load against giflib on the same 640 x 480
// pictures (a dithered photo-like one and flat art), both from memory into
// an 8-bit pixel buffer. giflib runs two ways: DGifGetLine into a buffer the
// caller allocates (the fast path of giflib), and DGifSlurp (giflib's own
// buffers).
//
// Each runs in two memory states:
//   warm   the picture is loaded again and again into memory the process
//          already uses (an image or buffer reused from load to load);
//   fresh  every load starts from memory the process has handed back: the
//          previous picture is freed and glibc trims its heap (with the timer
//          stopped), so every buffer a load needs costs new pages, the way a
//          game loads each picture once.
// Prints megapixels per second and the new memory per load (kilobytes of
// pages first touched) and, at the end, our throughput over giflib's for
// each picture and state.
#include "files/KWOMemFile.h"
#include "graphics/KWOImage.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{
const char* const kPictures[] = {"photo", "flat"};
const char* const kStates[] = {"warm", "fresh"};

const std::string& Picture(const std::string& name)
{
    static std::map<std::string, std::string> files;
    auto it = files.find(name);
    if (it == files.end())
    {
        std::ifstream in(std::string(KWO_TEST_DATA_DIR) + "/images/bench/" + name + ".gif",
                         std::ios::binary);
        it = files.emplace(name, std::string(std::istreambuf_iterator<char>(in), {})).first;
    }
    return it->second;
}

// With the timer stopped: frees the previous picture (`release`) and hands
// the free memory back to the system.
// Minor page faults of the calling thread so far: each is a page of memory
// new to the process.
long PageFaults()
{
    rusage usage;
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// The counters every benchmark reports: megapixels per second, and the new
// memory a load took in kilobytes (page faults x page size).
void Report(benchmark::State& state, uint64_t pixels, long faults)
{
    state.counters["MP/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
    if (state.iterations() > 0)
        state.counters["newKB"] =
            double(faults) * double(sysconf(_SC_PAGESIZE)) / 1024.0 / double(state.iterations());
}

template <typename Release> void HandBack(benchmark::State& state, Release release)
{
    state.PauseTiming();
    release();
    malloc_trim(0);
    state.ResumeTiming();
}

void Ours(benchmark::State& state, const std::string& name, bool fresh)
{
    std::string file = Picture(name);
    if (file.empty())
    {
        state.SkipWithError("picture missing");
        return;
    }
    std::unique_ptr<KWOImage> image(new KWOImage(0u, 0u, 8u));
    uint64_t pixels = 0;
    const long faults = PageFaults();
    for (auto _ : state)
    {
        if (fresh)
        {
            HandBack(state, [&image] { image.reset(); });
            image.reset(new KWOImage(0u, 0u, 8u));
        }
        KWOMemFile f(static_cast<unsigned>(file.size()), KWOResFile::ModeRead,
                     reinterpret_cast<unsigned char*>(&file[0]));
        if (!image->Load(f, 3))
        {
            state.SkipWithError("load failed");
            return;
        }
        benchmark::DoNotOptimize(image->Pixels());
        pixels += uint64_t(image->Width()) * image->Height();
    }
    Report(state, pixels, PageFaults() - faults);
}

struct Reader
{
    const std::string* file;
    size_t at;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    Reader* r = static_cast<Reader*>(gif->UserData);
    const size_t n = std::min<size_t>(size_t(count), r->file->size() - r->at);
    std::memcpy(buffer, r->file->data() + r->at, n);
    r->at += n;
    return static_cast<int>(n);
}

void GiflibSlurp(benchmark::State& state, const std::string& name, bool fresh)
{
    const std::string& file = Picture(name);
    if (file.empty())
    {
        state.SkipWithError("picture missing");
        return;
    }
    uint64_t pixels = 0;
    const long faults = PageFaults();
    for (auto _ : state)
    {
        if (fresh)
            HandBack(state, [] {});
        Reader reader{&file, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        if (gif == nullptr || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1)
        {
            if (gif != nullptr)
                DGifCloseFile(gif, &error);
            state.SkipWithError("giflib failed");
            return;
        }
        const SavedImage& first = gif->SavedImages[0];
        benchmark::DoNotOptimize(first.RasterBits);
        pixels += uint64_t(first.ImageDesc.Width) * first.ImageDesc.Height;
        DGifCloseFile(gif, &error);
    }
    Report(state, pixels, PageFaults() - faults);
}

// The first image of the file line by line into `buffer` (resized to the
// picture when it differs, else reused), interlaced rows in their four
// passes. False on any giflib error.
bool GetLines(GifFileType* gif, std::unique_ptr<unsigned char[]>& buffer, size_t& size)
{
    GifRecordType type;
    do
    {
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return false;
        if (type == EXTENSION_RECORD_TYPE)
        {
            int code;
            GifByteType* ext;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK)
                return false;
            while (ext != nullptr)
                if (DGifGetExtensionNext(gif, &ext) != GIF_OK)
                    return false;
        }
        else if (type == IMAGE_DESC_RECORD_TYPE)
        {
            if (DGifGetImageDesc(gif) != GIF_OK)
                return false;
            const int w = gif->Image.Width;
            const int h = gif->Image.Height;
            if (size != size_t(w) * h)
            {
                size = size_t(w) * h;
                buffer.reset(new unsigned char[size]);
            }
            if (gif->Image.Interlace)
            {
                static const int first[4] = {0, 4, 2, 1};
                static const int step[4] = {8, 8, 4, 2};
                for (int pass = 0; pass < 4; ++pass)
                    for (int y = first[pass]; y < h; y += step[pass])
                        if (DGifGetLine(gif, buffer.get() + size_t(y) * w, w) != GIF_OK)
                            return false;
            }
            else
            {
                for (int y = 0; y < h; ++y)
                    if (DGifGetLine(gif, buffer.get() + size_t(y) * w, w) != GIF_OK)
                        return false;
            }
            return true;
        }
    } while (type != TERMINATE_RECORD_TYPE);
    return false;
}

void GiflibGetLine(benchmark::State& state, const std::string& name, bool fresh)
{
    const std::string& file = Picture(name);
    if (file.empty())
    {
        state.SkipWithError("picture missing");
        return;
    }
    std::unique_ptr<unsigned char[]> buffer;
    size_t size = 0;
    uint64_t pixels = 0;
    const long faults = PageFaults();
    for (auto _ : state)
    {
        if (fresh)
        {
            HandBack(state, [&buffer] { buffer.reset(); });
            size = 0;
        }
        Reader reader{&file, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        const bool ok = gif != nullptr && GetLines(gif, buffer, size);
        if (gif != nullptr)
            DGifCloseFile(gif, &error);
        if (!ok)
        {
            state.SkipWithError("giflib failed");
            return;
        }
        benchmark::DoNotOptimize(buffer.get());
        pixels += size;
    }
    Report(state, pixels, PageFaults() - faults);
}

// The console output, plus the megapixels per second of every run kept for
// the closing comparison.
class Reporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            auto it = run.counters.find("MP/s");
            if (!run.error_occurred && it != run.counters.end() &&
                run.run_type == Run::RT_Iteration)
                m_rates[run.run_name.function_name] = it->second.value;
        }
    }

    void PrintRatios() const
    {
        for (const char* state : kStates)
        {
            for (const char* name : kPictures)
            {
                const std::string suffix = std::string("/") + state + "/" + name;
                const double ours = Rate("ours" + suffix);
                const double line = Rate("giflib-getline" + suffix);
                const double slurp = Rate("giflib-slurp" + suffix);
                if (ours <= 0 || line <= 0 || slurp <= 0)
                    continue;
                std::printf("%-5s %-5s ours %7.1f MP/s, DGifGetLine %7.1f, DGifSlurp %7.1f; "
                            "ours/DGifGetLine %.2f, ours/DGifSlurp %.2f\n",
                            state, name, ours, line, slurp, ours / line, ours / slurp);
            }
        }
    }

private:
    double Rate(const std::string& name) const
    {
        auto it = m_rates.find(name);
        return it == m_rates.end() ? 0 : it->second;
    }

    std::map<std::string, double> m_rates;
};
} // namespace

int main(int argc, char** argv)
{
    for (const char* state : kStates)
    {
        const bool fresh = std::strcmp(state, "fresh") == 0;
        for (const char* name : kPictures)
        {
            const std::string suffix = std::string("/") + state + "/" + name;
            benchmark::RegisterBenchmark(("ours" + suffix).c_str(), Ours, name, fresh);
            benchmark::RegisterBenchmark(("giflib-getline" + suffix).c_str(), GiflibGetLine, name,
                                         fresh);
            benchmark::RegisterBenchmark(("giflib-slurp" + suffix).c_str(), GiflibSlurp, name,
                                         fresh);
        }
    }
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
