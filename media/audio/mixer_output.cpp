#include "audio/mixer_output.h"

#include <mutex>

namespace kwo_audio
{
namespace
{
// Held while a release runs, so that the mixer cannot close under it.
std::mutex g_lock;
bool g_open = false;
MixerOutput g_output = {0, 0, 0};
ReleaseFunction g_release = nullptr;
} // namespace

void PublishMixerOutput(const MixerOutput* output, ReleaseFunction release)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_open = output != nullptr;
    g_output = output ? *output : MixerOutput{0, 0, 0};
    g_release = output ? release : nullptr;
}

bool GetMixerOutput(MixerOutput* output)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_open)
        *output = g_output;
    return g_open;
}

void ReleaseFromMixer(const void* sample)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_release != nullptr)
        g_release(sample);
}
} // namespace kwo_audio
