#include "audio/mixer_output.h"

#include <mutex>

namespace kwo_audio
{
namespace
{
std::mutex g_lock;
bool g_open = false;
MixerOutput g_output = {0, 0, 0};
} // namespace

void PublishMixerOutput(const MixerOutput* output)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_open = output != nullptr;
    g_output = output ? *output : MixerOutput{0, 0, 0};
}

bool GetMixerOutput(MixerOutput* output)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_open)
        *output = g_output;
    return g_open;
}
} // namespace kwo_audio
