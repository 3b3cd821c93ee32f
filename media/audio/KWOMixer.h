/// @class KWOMixer
/// KWOMixer: the process-wide software mixer on SDL's audio device.
///
/// Init opens the device with a callback that SDL runs on its audio thread;
/// the callback mixes, sample by sample, up to 64 channels, each playing a
/// KWOSound held in memory or a KWOMusic stream fed chunk by chunk. Every
/// channel has a volume (0..128), a stereo pan (-100 left .. 0 centre .. 100
/// right, or 127 for none) and a loop count (the plays still to start,
/// including the current one; 255 repeats for ever), and can be paused, moved
/// or stopped while the device runs.
///
/// The mixer never converts: sounds must already be in the device's format
/// (KWOSound::SetMixerFormat, KWOMusic::SetMixerFormat, SameFormat checks),
/// and every channel advances by one sample per output sample. It does not
/// own what it plays: a sound or music that is destroyed, cleared, reloaded
/// or (a sound) converted first stops, under the mixer's lock, every channel
/// that plays it, so the audio thread never reads samples that are gone.
///
/// One SDL mutex guards the channel table: the callback holds it for a whole
/// buffer and every channel operation for its whole work, so a change never
/// shows half-way through a buffer. The device opens paused: call Unpause
/// once after Init.
#ifndef KWOMEDIA_AUDIO_KWOMIXER_H
#define KWOMEDIA_AUDIO_KWOMIXER_H

#include "../KWOExport.h"
#include "../core/KWOConst.h"
#include "../platform/KWOSDLMgr.h"

#include <SDL_audio.h>
#include <SDL_mutex.h>
#include <cstdint>

class KWOMusic;
class KWOSound;
namespace kwo_audio
{
struct MixLoops;
}

class KWO_API KWOMixer : public KWOSDLMgr
{
public:
    /// One entry of the channel table.
    struct MixChannel
    {
        KWOSound* sound;           ///< the sound played, or null
        KWOMusic* music;           ///< the music played, or null
        const unsigned char* data; ///< next sample to read (a music: null once its end was met)
        unsigned remaining;        ///< bytes left from data to the end of the sound or chunk
        unsigned char volume;      ///< 0..128
        unsigned char left;        ///< effective volumes of each output side
        unsigned char right;       ///< of the right output side
        unsigned char loop;  ///< plays still to start, including the current one; 255 for ever
        unsigned char state; ///< ChannelFree, ChannelPlaying or ChannelPaused
        signed char pan;     ///< -100..100, or NoPan
    };

    enum : unsigned char
    {
        ChannelFree = 0,
        ChannelPlaying = 1,
        ChannelPaused = 2
    };
    /// The channel argument that asks for the lowest free channel (KWO::All),
    /// and the failure result of PlaySound, PlayMusic and ChGetPos
    /// (KWO::NotFound, the same value).
    static constexpr unsigned AnyChannel = KWO::All;
    /// The loop count that repeats for ever.
    static constexpr unsigned char LoopForever = 255;
    /// The pan of a channel without pan (mono output).
    static constexpr int NoPan = 127;
    /// @{
    /// Sample formats for Init, as KWOSound::m_format keeps them (SDL's audio
    /// format codes): 8-bit unsigned and signed, then 16-bit unsigned and
    /// signed with the low (LSB) or the high byte (MSB) first.
    static constexpr int FormatU8 = 0x0008;
    static constexpr int FormatS8 = 0x8008;
    static constexpr int FormatU16LSB = 0x0010;
    static constexpr int FormatU16MSB = 0x1010;
    static constexpr int FormatS16LSB = 0x8010;
    static constexpr int FormatS16MSB = 0x9010;
    /// @}

    /// The mixer, created on the first call (which brings up SDL audio).
    static KWOMixer* Singleton();
    /// Closes the device when open and gives SDL audio back; Singleton() then
    /// makes a new mixer.
    ~KWOMixer() override;

    /// Opens the device: `format` a sample format (FormatS16LSB, ...),
    /// `frequency` in Hz (limited to 4000..48000), `samples` the SDL buffer
    /// in sample frames (0: a 4096-byte buffer), `stereo` for 2 output
    /// channels, `channels` mixing channels (limited to 4..64). A mixer
    /// already open is closed first. False when SDL audio is not running
    /// (silently) or the device cannot be opened (logged); the mixer is then
    /// closed.
    bool Init(int format, int frequency, int samples, bool stereo, unsigned channels);
    /// Closes the device and frees every channel.
    void Exit();
    /// @{
    /// Stops or restarts the device's callback; nothing when closed.
    void Pause();
    void Unpause();
    /// @}

    /// @{
    /// Mixing channels (0 while closed), and those playing or paused.
    unsigned NbChannels() const;
    unsigned ActiveChannels() const;
    /// @}

    /// Plays `sound` on `channel` (AnyChannel: the lowest free one; a channel
    /// in use is taken over). `volume` above 128 counts as 128; `loop` 0
    /// prepares the channel paused for one play (ChPause(channel, false)
    /// starts it); `pan` is limited to -100..100 unless it is NoPan, and is
    /// NoPan on a mono output. Returns the channel, or AnyChannel when the
    /// mixer is closed, `sound` is null ("Mixer: no channel left" is logged
    /// when no channel is free or `channel` is out of range).
    unsigned PlaySound(KWOSound* sound, unsigned channel, unsigned char volume, unsigned char loop,
                       int pan);
    /// The same for a music stream, played from its start. A music has one
    /// read position, so it plays on one channel at a time: a channel already
    /// playing it is stopped first.
    unsigned PlayMusic(KWOMusic* music, unsigned channel, unsigned char volume, unsigned char loop,
                       int pan);

    /// The position in sample frames (a music: the end of the chunk last
    /// read); AnyChannel for a free or unknown channel.
    unsigned ChGetPos(unsigned channel) const;
    /// Moves to frame `position` (limited to the end). False for a free or
    /// unknown channel.
    bool ChSeek(unsigned channel, unsigned position);
    /// The channel's state, with its volume, loop count and pan through the
    /// non-null pointers when it is in use.
    int ChState(unsigned channel, int* volume, int* loop, int* pan) const;
    /// Pauses (state ChannelPaused) or resumes a channel in use.
    void ChPause(unsigned channel, bool pause);
    /// Frees the channel.
    void ChStop(unsigned channel);
    /// @{
    /// Set the volume, pan or loop count and return the previous one (0 for a
    /// free channel). ChPan returns NoPan and changes nothing on a mono output.
    /// A loop count of 0 ends the channel at the end of the current play.
    unsigned char ChVolume(unsigned channel, unsigned char volume);
    int ChPan(unsigned channel, int pan);
    unsigned char ChLoop(unsigned channel, unsigned char loop);
    /// @}
    /// Recomputes the channel's left and right volumes from its volume and
    /// pan, under the lock; nothing when closed or `channel` is out of range.
    void ComputeVolumes(unsigned channel);

    /// @{
    /// True when the sound (a music: its chunks) has the device's format and
    /// channel count and a frequency in the same hundred.
    bool SameFormat(const KWOSound* sound) const;
    bool SameFormat(const KWOMusic* music) const;
    /// @}

    /// @{
    /// The audio format SDL granted (all zero before the first open), and SDL's audio
    /// status after the last open, pause or unpause (0 closed, 1 playing,
    /// 2 paused).
    const SDL_AudioSpec& GetSpec() const { return m_spec; }
    int GetStatus() const { return m_status; }
    /// @}

    /// The device's callback: mixes `len` bytes of output into `stream` under
    /// the lock (silence when nothing plays or the mixer is closed). Callable
    /// directly, for instance while the device is paused.
    static void Mix(unsigned char* stream, int len);

    /// Writes the device's format and every channel in use to the log.
    void PrintInfo() const;

private:
    KWOMixer();

    bool IsOpen() const { return m_status != 0 && m_nbChan != 0; }
    /// Opens SDL's device with `wanted`; false (logged with `label`) on failure.
    bool OpenDevice(SDL_AudioSpec& wanted, const char* label);
    /// Limits a pan as PlaySound and ChPan store it.
    int LimitPan(int pan) const;
    /// ComputeVolumes' work on one entry; the lock is held.
    void SetVolumes(MixChannel& ch) const;
    /// The channel-table bookkeeping; the lock is held.
    static void FreeChannel(unsigned channel);
    static void AfterStart(unsigned channel, bool wasFree);
    static void Widen(unsigned channel);
    static void Narrow(unsigned channel);
    /// Starts a channel on a sound or music; the lock is held.
    unsigned Start(KWOSound* sound, KWOMusic* music, unsigned channel, unsigned char volume,
                   unsigned char loop, int pan);
    /// Mixes one channel into a block of sums; the lock is held.
    static void MixChannelInto(unsigned channel, int32_t* sum, unsigned count);
    /// The channel's data are used up: the next music chunk, the next play,
    /// or the end. False when the channel was freed.
    static bool NextData(unsigned channel);
    static void AudioCallback(void* userdata, Uint8* stream, int len);
    /// Frees every channel playing `sample` (a sound or a music), under the
    /// lock; published to sounds and music streams while the device is open.
    static void ReleaseSample(const void* sample);

    SDL_AudioSpec m_spec; ///< obtained from SDL_OpenAudio
    int m_status;         ///< SDL_GetAudioStatus after the last open, pause or unpause

    static KWOMixer* m_instance;
    /// A plain pointer: a process that ends without closing the mixer leaves
    /// the table to the audio thread, which may still be mixing.
    static MixChannel* m_chan;
    static unsigned m_nbChan; ///< 4..64 while open, 0 when closed
    static unsigned m_next;   ///< lowest channel that may be free
    static unsigned m_active; ///< channels playing or paused
    static unsigned m_first;  ///< lowest playing channel (m_nbChan when none)
    static unsigned m_last;   ///< highest playing channel (0 when none)
    static SDL_mutex* m_mutex;
    static int m_minValue; ///< clipping range of the output format
    static int m_maxValue;
    static int m_silence;                      ///< SDL's silence byte of the output
    static const kwo_audio::MixLoops* m_loops; ///< the loops of the output format
};

#endif
