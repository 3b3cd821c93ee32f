// Mixing eight 16-bit channels with KWOMixer against SDL 1.2's SDL_MixAudio,
// in one run.
//
// The work of one audio callback of the card game's device (signed 16-bit
// stereo, 512-frame buffers): eight sounds, each at its own volume, summed
// into the output buffer. KWOMixer::Mix is the device callback itself, run
// here while the device stays paused; SDL's way is a cleared buffer and one
// SDL_MixAudio per channel. The sounds are quiet enough never to clip, so
// both produce the same samples (checked before timing). Each benchmark
// reports channel samples mixed per second; the ratio ours / SDL is printed
// at the end.
#include "audio/KWOMixer.h"
#include "audio/KWOSound.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kChannels = 8;
constexpr int kFrames = 512;                   // one buffer
constexpr int kBufferBytes = kFrames * 2 * 2;  // stereo, 16 bits
constexpr int kSoundBytes = kBufferBytes * 43; // about a second at 22050 Hz
constexpr int kSamplesPerIteration = kChannels * kFrames * 2;

struct Fixture
{
    KWOMixer* mixer = nullptr;
    std::vector<std::unique_ptr<KWOSound>> sounds;
    std::vector<int> volumes;
    bool ready = false;
    bool same = false;
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

// Noise within -3000..3000, so that eight channels never clip.
std::unique_ptr<KWOSound> NoiseSound(uint32_t seed)
{
    auto s = std::make_unique<KWOSound>();
    s->m_format = AUDIO_S16LSB;
    s->m_frequency = 22050;
    s->m_channels = 2;
    s->m_size = kSoundBytes;
    s->m_data = new unsigned char[kSoundBytes];
    for (int i = 0; i < kSoundBytes; i += 2)
    {
        seed = seed * 1103515245u + 12345u;
        const int16_t v = static_cast<int16_t>(int((seed >> 16) % 6001) - 3000);
        s->m_data[i] = static_cast<unsigned char>(v & 0xFF);
        s->m_data[i + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    }
    return s;
}

// SDL's way: a cleared buffer, then each channel mixed in at its volume.
void SdlMix(Fixture& f, Uint8* out, unsigned* position)
{
    std::memset(out, 0, kBufferBytes);
    for (int c = 0; c < kChannels; ++c)
        SDL_MixAudio(out, f.sounds[c]->m_data + *position, kBufferBytes, f.volumes[c]);
    *position = (*position + kBufferBytes) % kSoundBytes;
}

bool SetUp(Fixture& f)
{
    f.mixer = KWOMixer::Singleton();
    // The device stays paused: only the benchmark calls the mixing callback.
    if (f.mixer == nullptr || !f.mixer->Init(AUDIO_S16LSB, 22050, kFrames, true, kChannels))
        return false;
    for (int c = 0; c < kChannels; ++c)
    {
        f.sounds.push_back(NoiseSound(1000u + c));
        f.volumes.push_back(128 - 9 * c);
    }
    // Same output over a few buffers, then both start again from the top.
    for (int c = 0; c < kChannels; ++c)
        f.mixer->PlaySound(f.sounds[c].get(), c, static_cast<unsigned char>(f.volumes[c]), 255,
                           KWOMixer::NoPan);
    std::vector<Uint8> ours(kBufferBytes), theirs(kBufferBytes);
    unsigned position = 0;
    f.same = true;
    for (int i = 0; i < 50; ++i)
    {
        KWOMixer::Mix(ours.data(), kBufferBytes);
        SdlMix(f, theirs.data(), &position);
        f.same = f.same && ours == theirs;
    }
    for (int c = 0; c < kChannels; ++c)
        f.mixer->ChSeek(c, 0);
    f.ready = true;
    return true;
}

void Rate(benchmark::State& state)
{
    state.counters["samples/s"] = benchmark::Counter(
        double(kSamplesPerIteration) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_KWOMixer_8ch(benchmark::State& state)
{
    std::vector<Uint8> out(kBufferBytes);
    for (auto _ : state)
    {
        KWOMixer::Mix(out.data(), kBufferBytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Rate(state);
}

void BM_SDL_MixAudio_8ch(benchmark::State& state)
{
    Fixture& f = TheFixture();
    std::vector<Uint8> out(kBufferBytes);
    unsigned position = 0;
    for (auto _ : state)
    {
        SdlMix(f, out.data(), &position);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Rate(state);
}

// Ours with the channels panned (different volumes per side); SDL_MixAudio
// has no pan to compare with.
void BM_KWOMixer_8ch_panned(benchmark::State& state)
{
    Fixture& f = TheFixture();
    for (int c = 0; c < kChannels; ++c)
        f.mixer->ChPan(c, -70 + 20 * c);
    std::vector<Uint8> out(kBufferBytes);
    for (auto _ : state)
    {
        KWOMixer::Mix(out.data(), kBufferBytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    for (int c = 0; c < kChannels; ++c)
        f.mixer->ChPan(c, KWOMixer::NoPan);
    Rate(state);
}

BENCHMARK(BM_KWOMixer_8ch);
BENCHMARK(BM_SDL_MixAudio_8ch);
BENCHMARK(BM_KWOMixer_8ch_panned);

// Keeps each benchmark's sample rate for the ratio printed at the end.
class RateReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "mean")
                continue;
            const auto c = run.counters.find("samples/s");
            if (c != run.counters.end())
                m_rates[run.run_name.function_name] = c->second.value;
        }
    }
    double RateOf(const std::string& name) const
    {
        const auto it = m_rates.find(name);
        return it == m_rates.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_rates;
};

void PrintRatio(const RateReporter& r, const char* ours, const char* theirs)
{
    const double a = r.RateOf(ours), b = r.RateOf(theirs);
    if (a <= 0 || b <= 0)
        return;
    std::printf("%-24s / %-20s %6.2fx  (%.0f vs %.0f Msamples/s)\n", ours, theirs, a / b, a / 1e6,
                b / 1e6);
}
} // namespace

int main(int argc, char** argv)
{
    // Headless: SDL's dummy drivers (the mixer brings up video too).
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Fixture& f = TheFixture();
    if (!SetUp(f))
    {
        std::fprintf(stderr, "mix: the audio device did not open\n");
        return 1;
    }
    std::printf("%d channels, signed 16-bit stereo, %d-frame buffer; same output as SDL: %s\n",
                kChannels, kFrames, f.same ? "yes" : "NO");
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nours / SDL 1.2 (channel samples per second):\n");
    PrintRatio(reporter, "BM_KWOMixer_8ch", "BM_SDL_MixAudio_8ch");
    PrintRatio(reporter, "BM_KWOMixer_8ch_panned", "BM_SDL_MixAudio_8ch");
    delete f.mixer;
    benchmark::Shutdown();
    return 0;
}
