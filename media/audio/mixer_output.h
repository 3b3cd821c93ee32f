// The output format of the open mixer, as sounds and music streams need it to
// convert themselves (SetMixerFormat) without depending on the mixer or SDL.
//
// The mixer publishes the format SDL granted it when it opens the device and
// withdraws it when it closes the device.
#ifndef KWOMEDIA_AUDIO_MIXER_OUTPUT_H
#define KWOMEDIA_AUDIO_MIXER_OUTPUT_H

namespace kwo_audio
{
struct MixerOutput
{
    int format;    // SDL audio format code
    int frequency; // Hz
    int channels;  // 1 or 2
};

// Publishes `output` (copied), or withdraws it with null.
void PublishMixerOutput(const MixerOutput* output);

// The published output; false while no mixer is open.
bool GetMixerOutput(MixerOutput* output);
} // namespace kwo_audio

#endif
