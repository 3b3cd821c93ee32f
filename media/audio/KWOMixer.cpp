#include "audio/KWOMixer.h"

#include "audio/KWOMusic.h"
#include "audio/KWOSound.h"
#include "audio/mix_loops.h"
#include "audio/mixer_output.h"
#include "audio/sample_format.h"
#include "core/KWOLog.h"

#include <SDL.h>
#include <algorithm>
#include <cstring>
#include <new>

static_assert(KWOMixer::FormatU8 == AUDIO_U8 && KWOMixer::FormatS8 == AUDIO_S8 &&
                  KWOMixer::FormatU16LSB == AUDIO_U16LSB &&
                  KWOMixer::FormatU16MSB == AUDIO_U16MSB &&
                  KWOMixer::FormatS16LSB == AUDIO_S16LSB && KWOMixer::FormatS16MSB == AUDIO_S16MSB,
              "sample formats are SDL's");
static_assert(KWOMixer::FormatU8 == kwo_audio::kFormatU8 &&
                  KWOMixer::FormatS8 == kwo_audio::kFormatS8 &&
                  KWOMixer::FormatU16LSB == kwo_audio::kFormatU16LSB &&
                  KWOMixer::FormatU16MSB == kwo_audio::kFormatU16MSB &&
                  KWOMixer::FormatS16LSB == kwo_audio::kFormatS16LSB &&
                  KWOMixer::FormatS16MSB == kwo_audio::kFormatS16MSB,
              "the mixer's formats are the ones its sample code knows");

namespace
{
const int kMinFrequency = 4000;
const int kMaxFrequency = 48000;
const unsigned kMinChannels = 4;
const unsigned kMaxChannels = 64;
const int kMaxVolume = 128;
const int kPanLimit = 100;
// Bytes of the buffer chosen when Init is given no size.
const int kDefaultBufferBytes = 4096;
// Output samples summed at a time by the callback (an even number, so that
// the output side of a sample follows from its place in the block).
const unsigned kBlockSamples = 512;

// Holds the mixer's mutex for a scope.
class ChannelLock
{
public:
    explicit ChannelLock(SDL_mutex* mutex) : m_mutex(mutex), m_locked(false)
    {
        m_locked = m_mutex != nullptr && SDL_mutexP(m_mutex) == 0;
    }
    ~ChannelLock()
    {
        if (m_locked)
            SDL_mutexV(m_mutex);
    }
    ChannelLock(const ChannelLock&) = delete;
    ChannelLock& operator=(const ChannelLock&) = delete;
    bool Locked() const { return m_locked; }

private:
    SDL_mutex* m_mutex;
    bool m_locked;
};

const char* OutputFormatName(int format)
{
    switch (format)
    {
        case kwo_audio::kFormatU8:
            return "unsigned 8 bits";
        case kwo_audio::kFormatS8:
            return "signed 8 bits";
        case kwo_audio::kFormatU16LSB:
            return "unsigned 16 bits, little endian";
        case kwo_audio::kFormatU16MSB:
            return "unsigned 16 bits, big endian";
        case kwo_audio::kFormatS16LSB:
            return "signed 16 bits, little endian";
        case kwo_audio::kFormatS16MSB:
            return "signed 16 bits, big endian";
        default:
            return "unknown format";
    }
}
} // namespace

KWOMixer* KWOMixer::m_instance = nullptr;
KWOMixer::MixChannel* KWOMixer::m_chan = nullptr;
unsigned KWOMixer::m_nbChan = 0;
unsigned KWOMixer::m_next = 0;
unsigned KWOMixer::m_active = 0;
unsigned KWOMixer::m_first = 0;
unsigned KWOMixer::m_last = 0;
SDL_mutex* KWOMixer::m_mutex = nullptr;
int KWOMixer::m_minValue = 0;
int KWOMixer::m_maxValue = 0;
int KWOMixer::m_silence = 0;
const kwo_audio::MixLoops* KWOMixer::m_loops = nullptr;

KWOMixer* KWOMixer::Singleton()
{
    if (m_instance == nullptr)
        m_instance = new (std::nothrow) KWOMixer();
    return m_instance;
}

KWOMixer::KWOMixer() : KWOSDLMgr(INIT_AUDIO), m_status(0)
{
    std::memset(&m_spec, 0, sizeof(m_spec));
}

KWOMixer::~KWOMixer()
{
    if (m_status != 0)
        Exit();
    if (m_instance == this)
        m_instance = nullptr;
}

// ---- opening and closing -------------------------------------------------------

bool KWOMixer::OpenDevice(SDL_AudioSpec& wanted, const char* label)
{
    // SDL writes its own values (buffer size, silence) into `wanted`: keep
    // what was asked for the message.
    const int format = wanted.format;
    const int frequency = wanted.freq;
    const int channels = wanted.channels;
    const int samples = wanted.samples;
    if (SDL_OpenAudio(&wanted, &m_spec) == 0)
        return true;
    KWO::ERR("%s: %s\n", label, SDL_GetError());
    KWO::ERR("Mixer format: %d, freq: %d, channels: %d, buffer: %d\n", format, frequency, channels,
             samples);
    return false;
}

bool KWOMixer::Init(int format, int frequency, int samples, bool stereo, unsigned channels)
{
    if ((GetSDLState() & INIT_AUDIO) == 0)
    {
        // (SDL audio never goes away under an open mixer; should it, the
        // device is closed rather than forgotten.)
        Exit();
        m_status = 0;
        return false;
    }
    if (m_status != 0)
        Exit();

    const int outChannels = stereo ? 2 : 1;
    frequency = std::min(std::max(frequency, kMinFrequency), kMaxFrequency);
    if (samples <= 0)
    {
        const int sampleBytes = static_cast<int>(kwo_audio::BytesPerSample(format));
        samples = kDefaultBufferBytes / sampleBytes / outChannels;
    }
    samples = std::min(samples, 0xFFFF);

    SDL_AudioSpec wanted;
    std::memset(&wanted, 0, sizeof(wanted));
    wanted.freq = frequency;
    wanted.format = static_cast<Uint16>(format);
    wanted.channels = static_cast<Uint8>(outChannels);
    wanted.samples = static_cast<Uint16>(samples);
    wanted.callback = &AudioCallback;
    wanted.userdata = nullptr;
    const SDL_AudioSpec asked = wanted;
    if (!OpenDevice(wanted, "Mixer init error"))
    {
        m_status = 0;
        return false;
    }
    if (m_spec.format != asked.format)
    {
        // The device took another format: open it again with that one, so
        // that the callback writes what the device plays.
        KWO::DBG("Mixer: wanted format = %d, obtained = %d\n", static_cast<int>(asked.format),
                 static_cast<int>(m_spec.format));
        SDL_PauseAudio(1);
        SDL_CloseAudio();
        wanted = asked;
        wanted.format = m_spec.format;
        if (!OpenDevice(wanted, "Mixer init error(2)"))
        {
            m_status = 0;
            return false;
        }
    }

    // The device stays paused until Unpause, so the callback cannot run
    // before the table below is ready.
    m_mutex = SDL_CreateMutex();
    channels = std::min(std::max(channels, kMinChannels), kMaxChannels);
    m_chan = new (std::nothrow) MixChannel[channels];
    if (m_mutex == nullptr || m_chan == nullptr)
    {
        KWO::ERR("Mixer init error: %s\n", "out of memory");
        SDL_CloseAudio();
        if (m_mutex != nullptr)
            SDL_DestroyMutex(m_mutex);
        m_mutex = nullptr;
        delete[] m_chan;
        m_chan = nullptr;
        m_status = 0;
        return false;
    }
    for (unsigned c = 0; c < channels; ++c)
        m_chan[c] = MixChannel{nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, ChannelFree, 0};
    m_nbChan = channels;
    m_next = 0;
    m_active = 0;
    m_first = m_nbChan;
    m_last = 0;
    m_silence = m_spec.silence;
    m_loops = &kwo_audio::MixLoopsFor(m_spec.format);
    m_minValue = m_loops->minValue;
    m_maxValue = m_loops->maxValue;

    const kwo_audio::MixerOutput output{m_spec.format, m_spec.freq, m_spec.channels};
    kwo_audio::PublishMixerOutput(&output, &ReleaseSample);
    m_status = SDL_GetAudioStatus();
    return true;
}

void KWOMixer::Exit()
{
    if (m_status == 0)
        return;
    SDL_PauseAudio(1);
    for (unsigned c = 0; c < m_nbChan; ++c)
        ChStop(c);
    // Waits for the audio thread to end: no callback runs past this line.
    SDL_CloseAudio();
    // Waits for a sound or music releasing itself meanwhile: none reaches
    // the lock or the table past this line.
    kwo_audio::PublishMixerOutput(nullptr, nullptr);
    m_nbChan = 0;
    m_active = 0;
    m_first = 0;
    m_last = 0;
    m_next = 0;
    SDL_DestroyMutex(m_mutex);
    m_mutex = nullptr;
    delete[] m_chan;
    m_chan = nullptr;
    m_status = 0;
}

void KWOMixer::Pause()
{
    if (m_status == 0)
        return;
    SDL_PauseAudio(1);
    m_status = SDL_GetAudioStatus();
}

void KWOMixer::Unpause()
{
    if (m_status == 0)
        return;
    SDL_PauseAudio(0);
    m_status = SDL_GetAudioStatus();
}

unsigned KWOMixer::NbChannels() const
{
    return m_nbChan;
}

unsigned KWOMixer::ActiveChannels() const
{
    // The callback frees channels that end: read the count under the lock.
    ChannelLock lock(m_mutex);
    return m_active;
}

// ---- channel bookkeeping (lock held) ---------------------------------------------

void KWOMixer::Widen(unsigned channel)
{
    m_first = std::min(m_first, channel);
    m_last = std::max(m_last, channel);
}

void KWOMixer::Narrow(unsigned channel)
{
    if (channel == m_first)
    {
        do
            ++m_first;
        while (m_first < m_nbChan && m_chan[m_first].state != ChannelPlaying);
    }
    if (channel == m_last)
    {
        while (m_last > 0 && m_chan[m_last].state != ChannelPlaying)
            --m_last;
    }
}

void KWOMixer::FreeChannel(unsigned channel)
{
    MixChannel& ch = m_chan[channel];
    if (ch.state == ChannelFree)
        return;
    --m_active;
    ch.state = ChannelFree;
    ch.sound = nullptr;
    ch.music = nullptr;
    ch.data = nullptr;
    ch.remaining = 0;
    m_next = std::min(m_next, channel);
    Narrow(channel);
}

void KWOMixer::AfterStart(unsigned channel, bool wasFree)
{
    if (wasFree)
        ++m_active;
    if (channel == m_next)
    {
        while (m_next < m_nbChan && m_chan[m_next].state != ChannelFree)
            ++m_next;
    }
    if (m_chan[channel].state == ChannelPlaying)
        Widen(channel);
    else
        Narrow(channel);
}

int KWOMixer::LimitPan(int pan) const
{
    if (m_spec.channels < 2 || pan == NoPan)
        return NoPan;
    return std::min(std::max(pan, -kPanLimit), kPanLimit);
}

void KWOMixer::ComputeVolumes(unsigned channel)
{
    if (!IsOpen() || channel >= m_nbChan)
        return;
    ChannelLock lock(m_mutex);
    if (lock.Locked())
        SetVolumes(m_chan[channel]);
}

void KWOMixer::SetVolumes(MixChannel& ch) const
{
    if (m_spec.channels < 2 || ch.pan == NoPan)
    {
        ch.left = ch.right = ch.volume;
    }
    else if (ch.pan == 0)
    {
        ch.left = ch.right = static_cast<unsigned char>(ch.volume / 2);
    }
    else
    {
        // Both products are 0..200 x 0..128: integer division truncates as
        // the floating-point formula does.
        ch.left = static_cast<unsigned char>((kPanLimit - ch.pan) * ch.volume / (2 * kPanLimit));
        ch.right = static_cast<unsigned char>((kPanLimit + ch.pan) * ch.volume / (2 * kPanLimit));
    }
}

// ---- playing ----------------------------------------------------------------------

unsigned KWOMixer::Start(KWOSound* sound, KWOMusic* music, unsigned channel, unsigned char volume,
                         unsigned char loop, int pan)
{
    if (channel == AnyChannel)
        channel = m_next;
    if (channel >= m_nbChan)
        return KWO::NotFound;
    MixChannel& ch = m_chan[channel];
    const bool wasFree = ch.state == ChannelFree;
    ch.sound = sound;
    ch.music = music;
    if (sound != nullptr)
    {
        ch.data = sound->m_data;
        ch.remaining = sound->m_data != nullptr ? sound->m_size : 0;
    }
    else
    {
        music->SetPosition(0);
        ch.data = music->NextData();
        ch.remaining = ch.data != nullptr ? music->m_chunkSize : 0;
    }
    ch.state = loop == 0 ? ChannelPaused : ChannelPlaying;
    ch.loop = loop == 0 ? 1 : loop;
    ch.volume = static_cast<unsigned char>(std::min<int>(volume, kMaxVolume));
    ch.pan = static_cast<signed char>(LimitPan(pan));
    SetVolumes(ch);
    AfterStart(channel, wasFree);
    return channel;
}

unsigned KWOMixer::PlaySound(KWOSound* sound, unsigned channel, unsigned char volume,
                             unsigned char loop, int pan)
{
    if (!IsOpen() || sound == nullptr)
        return KWO::NotFound;
    unsigned used = KWO::NotFound;
    {
        ChannelLock lock(m_mutex);
        if (!lock.Locked())
            return KWO::NotFound;
        used = Start(sound, nullptr, channel, volume, loop, pan);
    }
    if (used == KWO::NotFound)
        KWO::WARN("Mixer: no channel left\n");
    return used;
}

unsigned KWOMixer::PlayMusic(KWOMusic* music, unsigned channel, unsigned char volume,
                             unsigned char loop, int pan)
{
    if (!IsOpen() || music == nullptr)
        return KWO::NotFound;
    unsigned used = KWO::NotFound;
    {
        ChannelLock lock(m_mutex);
        if (!lock.Locked())
            return KWO::NotFound;
        // The stream has one read position: another channel reading it would
        // see its chunks taken away.
        for (unsigned c = 0; c < m_nbChan; ++c)
        {
            if (m_chan[c].music == music && c != channel)
                FreeChannel(c);
        }
        used = Start(nullptr, music, channel, volume, loop, pan);
    }
    if (used == KWO::NotFound)
        KWO::WARN("Mixer: no channel left\n");
    return used;
}

// ---- channel operations ------------------------------------------------------------

unsigned KWOMixer::ChGetPos(unsigned channel) const
{
    if (!IsOpen() || channel >= m_nbChan)
        return KWO::NotFound;
    ChannelLock lock(m_mutex);
    const MixChannel& ch = m_chan[channel];
    if (!lock.Locked() || ch.state == ChannelFree)
        return KWO::NotFound;
    if (ch.music != nullptr)
        return ch.music->GetPosition();
    const unsigned size = ch.sound->m_data != nullptr ? ch.sound->m_size : 0;
    const unsigned played = size >= ch.remaining ? size - ch.remaining : 0;
    const unsigned frame =
        kwo_audio::BytesPerSample(m_spec.format) * std::max<unsigned>(1, m_spec.channels);
    return played / frame;
}

bool KWOMixer::ChSeek(unsigned channel, unsigned position)
{
    if (!IsOpen() || channel >= m_nbChan)
        return false;
    ChannelLock lock(m_mutex);
    MixChannel& ch = m_chan[channel];
    if (!lock.Locked() || ch.state == ChannelFree)
        return false;
    if (ch.music != nullptr)
    {
        ch.music->SetPosition(position);
        ch.data = ch.music->NextData();
        ch.remaining = ch.data != nullptr ? ch.music->m_chunkSize : 0;
        return true;
    }
    const uint64_t size = ch.sound->m_data != nullptr ? ch.sound->m_size : 0;
    const uint64_t offset =
        std::min<uint64_t>(uint64_t(position) * std::max<unsigned>(1, m_spec.channels) *
                               kwo_audio::BytesPerSample(m_spec.format),
                           size);
    ch.data = ch.sound->m_data + offset;
    ch.remaining = static_cast<unsigned>(size - offset);
    return true;
}

int KWOMixer::ChState(unsigned channel, int* volume, int* loop, int* pan) const
{
    if (!IsOpen() || channel >= m_nbChan)
        return ChannelFree;
    ChannelLock lock(m_mutex);
    const MixChannel& ch = m_chan[channel];
    if (!lock.Locked() || ch.state == ChannelFree)
        return ChannelFree;
    if (volume != nullptr)
        *volume = ch.volume;
    if (loop != nullptr)
        *loop = ch.loop;
    if (pan != nullptr)
        *pan = ch.pan;
    return ch.state;
}

void KWOMixer::ChPause(unsigned channel, bool pause)
{
    if (!IsOpen() || channel >= m_nbChan)
        return;
    ChannelLock lock(m_mutex);
    MixChannel& ch = m_chan[channel];
    if (!lock.Locked() || ch.state == ChannelFree)
        return;
    if (pause)
    {
        // The callback skips paused entries: the range may stay as it is.
        ch.state = ChannelPaused;
    }
    else
    {
        ch.state = ChannelPlaying;
        Widen(channel);
    }
}

void KWOMixer::ChStop(unsigned channel)
{
    if (!IsOpen() || channel >= m_nbChan)
        return;
    ChannelLock lock(m_mutex);
    if (lock.Locked())
        FreeChannel(channel);
}

unsigned char KWOMixer::ChVolume(unsigned channel, unsigned char volume)
{
    if (!IsOpen() || channel >= m_nbChan)
        return 0;
    ChannelLock lock(m_mutex);
    MixChannel& ch = m_chan[channel];
    if (!lock.Locked() || ch.state == ChannelFree)
        return 0;
    const unsigned char previous = ch.volume;
    ch.volume = static_cast<unsigned char>(std::min<int>(volume, kMaxVolume));
    SetVolumes(ch);
    return previous;
}

int KWOMixer::ChPan(unsigned channel, int pan)
{
    if (!IsOpen() || channel >= m_nbChan)
        return 0;
    ChannelLock lock(m_mutex);
    MixChannel& ch = m_chan[channel];
    if (!lock.Locked() || ch.state == ChannelFree)
        return 0;
    if (m_spec.channels < 2)
        return NoPan;
    const int previous = ch.pan;
    ch.pan = static_cast<signed char>(LimitPan(pan));
    SetVolumes(ch);
    return previous;
}

unsigned char KWOMixer::ChLoop(unsigned channel, unsigned char loop)
{
    if (!IsOpen() || channel >= m_nbChan)
        return 0;
    ChannelLock lock(m_mutex);
    MixChannel& ch = m_chan[channel];
    if (!lock.Locked() || ch.state == ChannelFree)
        return 0;
    const unsigned char previous = ch.loop;
    ch.loop = loop;
    return previous;
}

bool KWOMixer::SameFormat(const KWOSound* sound) const
{
    return sound != nullptr && sound->m_frequency / 100 == m_spec.freq / 100 &&
           sound->m_format == m_spec.format && sound->m_channels == m_spec.channels;
}

bool KWOMixer::SameFormat(const KWOMusic* music) const
{
    // The mixer reads the chunks, which come in the music's target format.
    return music != nullptr && music->m_outFrequency / 100 == m_spec.freq / 100 &&
           music->m_outFormat == m_spec.format && music->m_outChannels == m_spec.channels;
}

// ---- mixing (audio thread, lock held) ------------------------------------------------

bool KWOMixer::NextData(unsigned channel)
{
    MixChannel& ch = m_chan[channel];
    const unsigned sampleBytes = m_loops->sampleBytes;
    if (ch.music != nullptr)
    {
        // The next chunk of this play; a null data pointer means the end of
        // the stream was met already (by ChSeek, say). A piece shorter than a
        // sample is skipped.
        while (ch.data != nullptr)
        {
            ch.data = ch.music->NextData();
            ch.remaining = ch.data != nullptr ? ch.music->m_chunkSize : 0;
            if (ch.remaining >= sampleBytes)
                return true;
        }
    }
    // This play is over. A loop count of 0 (set by ChLoop) ends it too.
    if (ch.loop != LoopForever && ch.loop > 0)
        --ch.loop;
    if (ch.loop == 0)
    {
        FreeChannel(channel);
        return false;
    }
    if (ch.sound != nullptr)
    {
        ch.data = ch.sound->m_data;
        ch.remaining = ch.data != nullptr ? ch.sound->m_size : 0;
    }
    else
    {
        ch.data = ch.music->NextData();
        ch.remaining = ch.data != nullptr ? ch.music->m_chunkSize : 0;
    }
    // Nothing to play again (an empty sound or stream): ending the channel
    // keeps the callback from starting it over and over.
    if (ch.remaining >= sampleBytes)
        return true;
    FreeChannel(channel);
    return false;
}

void KWOMixer::MixChannelInto(unsigned channel, int32_t* sum, unsigned count)
{
    MixChannel& ch = m_chan[channel];
    const unsigned sampleBytes = m_loops->sampleBytes;
    // Used up before it was reached (a seek to the end, an empty sound).
    if (ch.remaining < sampleBytes && !NextData(channel))
        return;
    unsigned done = 0;
    while (done < count && ch.state == ChannelPlaying)
    {
        const unsigned n = std::min(ch.remaining / sampleBytes, count - done);
        // Even output samples are left, odd ones right; blocks start even.
        const int even = (done & 1) == 0 ? ch.left : ch.right;
        const int odd = (done & 1) == 0 ? ch.right : ch.left;
        m_loops->add(sum + done, ch.data, n, even, odd);
        ch.data += n * sampleBytes;
        ch.remaining -= n * sampleBytes;
        done += n;
        if (ch.remaining < sampleBytes && !NextData(channel))
            return;
    }
}

void KWOMixer::Mix(unsigned char* stream, int len)
{
    if (stream == nullptr || len <= 0)
        return;
    ChannelLock lock(m_mutex);
    if (!lock.Locked() || m_loops == nullptr)
    {
        std::memset(stream, m_silence, static_cast<size_t>(len));
        return;
    }
    const unsigned sampleBytes = m_loops->sampleBytes;
    const unsigned samples = static_cast<unsigned>(len) / sampleBytes;
    int32_t sum[kBlockSamples];
    for (unsigned start = 0; start < samples; start += kBlockSamples)
    {
        const unsigned count = std::min(kBlockSamples, samples - start);
        std::fill(sum, sum + count, 0);
        // Channels freed on the way narrow the range; none are added.
        for (unsigned c = m_first; c <= m_last && c < m_nbChan; ++c)
        {
            if (m_chan[c].state == ChannelPlaying)
                MixChannelInto(c, sum, count);
        }
        m_loops->write(stream + size_t(start) * sampleBytes, sum, count);
    }
    // A byte short of a whole sample.
    const size_t tail = static_cast<size_t>(len) - size_t(samples) * sampleBytes;
    if (tail != 0)
        std::memset(stream + size_t(samples) * sampleBytes, m_silence, tail);
}

void KWOMixer::AudioCallback(void*, Uint8* stream, int len)
{
    Mix(stream, len);
}

// ---- samples that go away (caller's thread) --------------------------------------------

void KWOMixer::ReleaseSample(const void* sample)
{
    ChannelLock lock(m_mutex);
    if (!lock.Locked())
        return;
    // Paused channels hold the pointer too: ChPause would start them again.
    for (unsigned c = 0; c < m_nbChan; ++c)
    {
        const MixChannel& ch = m_chan[c];
        if (ch.state != ChannelFree && (ch.sound == sample || ch.music == sample))
            FreeChannel(c);
    }
}

// ---- information -------------------------------------------------------------------

void KWOMixer::PrintInfo() const
{
    if (!IsOpen())
    {
        KWO::LOG("Mixer not initialized\n");
        return;
    }
    ChannelLock lock(m_mutex);
    KWO::LOG("Mixer: %s, %d Hz, %s\nChannels (active/total): %d/%d\n",
             OutputFormatName(m_spec.format), m_spec.freq, m_spec.channels == 2 ? "stereo" : "mono",
             static_cast<int>(m_active), static_cast<int>(m_nbChan));
    KWO::LOG("Mixer: state=%s, next=%d, first=%d, last=%d\n",
             m_status == SDL_AUDIO_PAUSED ? "paused" : "playing", static_cast<int>(m_next),
             static_cast<int>(m_first), static_cast<int>(m_last));
    for (unsigned c = 0; c < m_nbChan; ++c)
    {
        const MixChannel& ch = m_chan[c];
        if (ch.state == ChannelFree)
            continue;
        KWO::LOG("Channel %d: %d bytes left, volume (%d,%dL,%dR), loop=%d, pan=%d\n",
                 static_cast<int>(c), static_cast<int>(ch.remaining), ch.volume, ch.left, ch.right,
                 ch.loop, ch.pan);
    }
}
