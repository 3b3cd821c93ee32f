// What sounds and music streams need of the open mixer, without depending on
// the mixer or SDL: its output format, so that they can convert themselves
// (SetMixerFormat), and a way to take themselves off its channels before
// their samples go.
//
// The mixer publishes both when it opens the device and withdraws them when
// it closes the device.
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

// Stops, under the mixer's lock, every channel that plays `sample` (a sound
// or a music); when it returns, the audio thread no longer reads it.
using ReleaseFunction = void (*)(const void* sample);

// Publishes `output` (copied) with the mixer's release function, or
// withdraws both with null. Withdrawing waits for a release under way, so
// the mixer may free its lock and table afterwards.
void PublishMixerOutput(const MixerOutput* output, ReleaseFunction release);

// The published output; false while no mixer is open.
bool GetMixerOutput(MixerOutput* output);

// Called by a sound or music before it frees, replaces or forgets the
// samples or the stream a channel may be reading: stops every channel that
// plays it. Nothing while no mixer is open. Never called on the audio thread.
void ReleaseFromMixer(const void* sample);
} // namespace kwo_audio

#endif
