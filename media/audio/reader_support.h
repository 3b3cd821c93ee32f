// Helpers shared by the sound file readers (WAV, AIFF, AU): the stream's name
// for messages, its length, bounded seeks, and the checks every header gets.
#ifndef KWOMEDIA_AUDIO_READER_SUPPORT_H
#define KWOMEDIA_AUDIO_READER_SUPPORT_H

#include <cstdint>

class KWOResFile;

namespace kwo_audio
{
// The stream's display name, or "(null)" when it has none.
const char* StreamName(const KWOResFile& file);

// The stream's length in bytes (SeekEnd, then GetPos). The stream is left at
// its end, in whatever state SeekEnd leaves: seek before reading again.
uint32_t StreamLength(KWOResFile& file);

// Seeks to the absolute position `pos`; false when the stream refuses or the
// position does not fit a seek offset.
bool SeekTo(KWOResFile& file, uint64_t pos);

// Leaves a stream whose header was read at the first sample byte (or at its
// start when that byte is its end), in a state that allows reading on.
void SeekToData(KWOResFile& file, uint32_t dataStart);

// Reads four bytes as they are stored (a chunk id); false on a short read.
bool ReadId(KWOResFile& file, char id[4]);

// Channel counts other than 1 and 2 are refused with
// "Sound: channel count not supported (%d) - %s\n".
bool CheckChannels(int64_t channels, const KWOResFile& file);

// Rates outside kMinRate...kMaxRate are refused with "Sound: bad sample rate %s\n".
bool CheckRate(int64_t rate, const KWOResFile& file);

// The container of a sound file by its first four bytes: 1 WAV ("RIFF"),
// 2 AIFF ("FORM"), 3 AU (".snd"), 0 anything else. The stream is left at its
// start.
int DetectContainer(KWOResFile& file);
} // namespace kwo_audio

#endif
