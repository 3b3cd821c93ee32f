// GIF decoding speed: KWOImage::Load against giflib's DGifSlurp on the same
// 640 x 480 pictures (a dithered photo-like one and flat art), both from
// memory into an 8-bit pixel buffer. Prints megapixels per second and, at
// the end, our throughput over giflib's for each picture.
#include "files/KWOMemFile.h"
#include "graphics/KWOImage.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace
{
const char* const kPictures[] = {"photo", "flat"};

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

void Ours(benchmark::State& state, const std::string& name)
{
    std::string file = Picture(name);
    if (file.empty())
    {
        state.SkipWithError("picture missing");
        return;
    }
    KWOImage image(0u, 0u, 8u);
    uint64_t pixels = 0;
    for (auto _ : state)
    {
        KWOMemFile f(static_cast<unsigned>(file.size()), KWOResFile::ModeRead,
                     reinterpret_cast<unsigned char*>(&file[0]));
        if (!image.Load(f, 3))
        {
            state.SkipWithError("load failed");
            return;
        }
        benchmark::DoNotOptimize(image.Pixels());
        pixels += uint64_t(image.Width()) * image.Height();
    }
    state.counters["MP/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
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

void Giflib(benchmark::State& state, const std::string& name)
{
    const std::string& file = Picture(name);
    if (file.empty())
    {
        state.SkipWithError("picture missing");
        return;
    }
    std::vector<unsigned char> buffer;
    uint64_t pixels = 0;
    for (auto _ : state)
    {
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
        const size_t count = size_t(first.ImageDesc.Width) * first.ImageDesc.Height;
        buffer.assign(first.RasterBits, first.RasterBits + count);
        benchmark::DoNotOptimize(buffer.data());
        pixels += count;
        DGifCloseFile(gif, &error);
    }
    state.counters["MP/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
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
        for (const char* name : kPictures)
        {
            auto ours = m_rates.find(std::string("ours/") + name);
            auto theirs = m_rates.find(std::string("giflib/") + name);
            if (ours == m_rates.end() || theirs == m_rates.end() || theirs->second <= 0)
                continue;
            std::printf("%-6s ours %8.1f MP/s, giflib %8.1f MP/s, ours/giflib %.2f\n", name,
                        ours->second, theirs->second, ours->second / theirs->second);
        }
    }

private:
    std::map<std::string, double> m_rates;
};
} // namespace

int main(int argc, char** argv)
{
    for (const char* name : kPictures)
    {
        benchmark::RegisterBenchmark((std::string("ours/") + name).c_str(), Ours, name);
        benchmark::RegisterBenchmark((std::string("giflib/") + name).c_str(), Giflib, name);
    }
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
