#include "audio/KWOMixer.h"

#include "audio/KWOMusic.h"
#include "audio/KWOSound.h"
#include "audio_test_support.h"
#include "files/KWOResFinder.h"
#include "files/KWOResMgr.h"
#include "platform/KWOTimer.h"
#include "platform/sdl_fixture.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace audio_test;

namespace
{
// A sound made in memory: samples in `format` (16-bit values written in the
// format's byte order, 8-bit values as bytes).
std::unique_ptr<KWOSound> MakeSound(int format, int channels, const std::vector<int>& samples,
                                    int frequency = 22050)
{
    auto sound = std::make_unique<KWOSound>();
    const unsigned bytes = (format & 0xFF) == 16 ? 2 : 1;
    sound->m_format = format;
    sound->m_frequency = frequency;
    sound->m_channels = channels;
    sound->m_size = static_cast<unsigned>(samples.size()) * bytes;
    sound->m_data = new unsigned char[sound->m_size > 0 ? sound->m_size : 1];
    for (size_t i = 0; i < samples.size(); ++i)
    {
        const unsigned v = static_cast<unsigned>(samples[i]);
        if (bytes == 1)
            sound->m_data[i] = static_cast<unsigned char>(v);
        else if (format & 0x1000)
        {
            sound->m_data[2 * i] = static_cast<unsigned char>(v >> 8);
            sound->m_data[2 * i + 1] = static_cast<unsigned char>(v);
        }
        else
        {
            sound->m_data[2 * i] = static_cast<unsigned char>(v);
            sound->m_data[2 * i + 1] = static_cast<unsigned char>(v >> 8);
        }
    }
    return sound;
}

std::unique_ptr<KWOSound> S16(const std::vector<int>& samples, int channels = 2)
{
    return MakeSound(S16LSB, channels, samples);
}

// `n` copies of `v`.
std::vector<int> Same(size_t n, int v)
{
    return std::vector<int>(n, v);
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Signed 16-bit samples i * 7 - 9000 (distinct and of both signs).
std::vector<int> Ramp(size_t n, int offset = 0)
{
    std::vector<int> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<int>((i * 7 + offset) % 18000) - 9000;
    return v;
}

// The output format published to sounds: a probe sound converted with
// SetMixerFormat (left unsigned 8 bits mono at 11025 Hz while no mixer is open).
int PublishedFormat()
{
    auto probe = MakeSound(U8, 1, {0x80}, 11025);
    probe->SetMixerFormat();
    return probe->m_format;
}

WavFormat Pcm(unsigned channels, unsigned bits, uint32_t rate = 22050)
{
    WavFormat f;
    f.channels = channels;
    f.bits = bits;
    f.rate = rate;
    f.blockAlign = channels * bits / 8;
    return f;
}

class MixerTest : public SdlTest
{
protected:
    void TearDown() override
    {
        delete m_mixer;
        m_mixer = nullptr;
        SdlTest::TearDown();
    }

    KWOMixer* Mixer()
    {
        if (m_mixer == nullptr)
            m_mixer = KWOMixer::Singleton();
        return m_mixer;
    }
    // Opens at 22050 Hz with 512-frame buffers.
    void Open(int format = S16LSB, bool stereo = true, unsigned channels = 8)
    {
        ASSERT_TRUE(Mixer()->Init(format, 22050, 512, stereo, channels));
    }

    // Mixes `samples` output samples and returns them as numbers (16-bit in
    // the output's byte order, 8-bit as bytes, signed or unsigned as the
    // format is).
    std::vector<int> Mix(size_t samples)
    {
        const int format = Mixer()->GetSpec().format;
        const size_t bytes = (format & 0xFF) == 16 ? 2 : 1;
        std::vector<unsigned char> buffer(samples * bytes, 0xAA);
        KWOMixer::Mix(buffer.data(), static_cast<int>(buffer.size()));
        std::vector<int> out;
        for (size_t i = 0; i < samples; ++i)
        {
            int v = 0;
            if (bytes == 1)
                v = (format & 0x8000) ? static_cast<int8_t>(buffer[i]) : buffer[i];
            else
            {
                const unsigned raw = (format & 0x1000) ? (buffer[2 * i] << 8) | buffer[2 * i + 1]
                                                       : (buffer[2 * i + 1] << 8) | buffer[2 * i];
                v = (format & 0x8000) ? static_cast<int16_t>(raw) : static_cast<int>(raw);
            }
            out.push_back(v);
        }
        return out;
    }

    KWOMixer* m_mixer = nullptr;
};

// ---- lifetime -------------------------------------------------------------------------

TEST_F(MixerTest, SingletonHoldsSdlAudioForItsLifetime)
{
    auto timer = std::make_unique<KWOTimer>(0);
    KWOMixer* mixer = KWOMixer::Singleton();
    ASSERT_NE(nullptr, mixer);
    EXPECT_EQ(mixer, KWOMixer::Singleton());
    EXPECT_EQ(2u, KWOSDLMgr::GetInstances());
    EXPECT_EQ(0x11u, KWOSDLMgr::GetSDLState());
    EXPECT_NE(0u, SDL_WasInit(SDL_INIT_AUDIO));
    // Closed until Init.
    EXPECT_EQ(0u, mixer->NbChannels());
    EXPECT_EQ(0, mixer->GetStatus());

    // Deleting the mixer gives its count back; the timer keeps SDL up, and
    // the next call makes a new mixer.
    delete mixer;
    EXPECT_EQ(1u, KWOSDLMgr::GetInstances());
    EXPECT_EQ(0u, SdlSpy::Recorded().quit);
    m_mixer = KWOMixer::Singleton();
    ASSERT_NE(nullptr, m_mixer);
    EXPECT_EQ(2u, KWOSDLMgr::GetInstances());
    Open();

    timer.reset();
    delete m_mixer;
    m_mixer = nullptr;
    // The open mixer was closed and SDL shut down with the last object.
    EXPECT_EQ(1u, SdlSpy::Recorded().closeAudio);
    EXPECT_EQ(1u, SdlSpy::Recorded().quit);
    EXPECT_EQ(U8, PublishedFormat());
}

// ---- opening --------------------------------------------------------------------------

TEST_F(MixerTest, InitLimitsItsArgumentsAndChoosesTheBuffer)
{
    ASSERT_TRUE(Mixer()->Init(S16LSB, 100000, 512, true, 100));
    EXPECT_EQ(48000, SdlSpy::Recorded().openAudio.back().freq);
    EXPECT_EQ(48000, Mixer()->GetSpec().freq);
    EXPECT_EQ(64u, Mixer()->NbChannels());
    // Opened paused.
    EXPECT_EQ(SDL_AUDIO_PAUSED, Mixer()->GetStatus());

    // Opening again closes first.
    ASSERT_TRUE(Mixer()->Init(S16LSB, 1000, 512, true, 2));
    EXPECT_EQ(1u, SdlSpy::Recorded().closeAudio);
    EXPECT_EQ(4000, Mixer()->GetSpec().freq);
    EXPECT_EQ(4u, Mixer()->NbChannels());

    // No size: a 4096-byte buffer. The named formats are SDL's.
    ASSERT_TRUE(Mixer()->Init(KWOMixer::FormatS16LSB, 22050, 0, true, 8));
    EXPECT_EQ(AUDIO_S16LSB, SdlSpy::Recorded().openAudio.back().format);
    EXPECT_EQ(1024, SdlSpy::Recorded().openAudio.back().samples);
    EXPECT_EQ(2, SdlSpy::Recorded().openAudio.back().channels);
    EXPECT_EQ(4096u, Mixer()->GetSpec().size);
    ASSERT_TRUE(Mixer()->Init(S16LSB, 22050, 0, false, 8));
    EXPECT_EQ(2048, SdlSpy::Recorded().openAudio.back().samples);
    ASSERT_TRUE(Mixer()->Init(KWOMixer::FormatU8, 22050, 0, false, 8));
    EXPECT_EQ(AUDIO_U8, SdlSpy::Recorded().openAudio.back().format);
    EXPECT_EQ(4096, SdlSpy::Recorded().openAudio.back().samples);
    EXPECT_EQ(1, Mixer()->GetSpec().channels);
    EXPECT_EQ(0x80, Mixer()->GetSpec().silence);

    Mixer()->Unpause();
    EXPECT_EQ(SDL_AUDIO_PLAYING, Mixer()->GetStatus());
    Mixer()->Pause();
    EXPECT_EQ(SDL_AUDIO_PAUSED, Mixer()->GetStatus());
    EXPECT_EQ((std::vector<int>{0, 1}), std::vector<int>(SdlSpy::Recorded().pauseAudio.end() - 2,
                                                         SdlSpy::Recorded().pauseAudio.end()));
}

TEST_F(MixerTest, InitFailsSilentlyWithoutSdlAudio)
{
    SdlSpy::FailSubsystems(SDL_INIT_AUDIO);
    ASSERT_NE(nullptr, Mixer());
    EXPECT_EQ(0u, KWOSDLMgr::GetSDLState() & 0x10);
    const std::string before = Logged();
    EXPECT_FALSE(Mixer()->Init(S16LSB, 22050, 512, true, 8));
    EXPECT_TRUE(SdlSpy::Recorded().openAudio.empty());
    EXPECT_EQ(0, Mixer()->GetStatus());

    // Closed: everything fails quietly, and Pause touches nothing.
    auto sound = S16(Same(8, 100));
    EXPECT_EQ(KWOMixer::AnyChannel,
              Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 1, 0));
    Mixer()->Pause();
    EXPECT_TRUE(SdlSpy::Recorded().pauseAudio.empty());
    EXPECT_EQ(before, Logged());
    Mixer()->PrintInfo();
    EXPECT_EQ(before + "Mixer not initialized\n", Logged());
}

TEST_F(MixerTest, InitReportsADeviceThatDoesNotOpen)
{
    SdlSpy::FailOpenAudio(1);
    EXPECT_FALSE(Mixer()->Init(S16LSB, 22050, 512, true, 8));
    EXPECT_EQ("Mixer init error: simulated failure\n"
              "Mixer format: 32784, freq: 22050, channels: 2, buffer: 512\n",
              Logged());
    EXPECT_EQ(0, Mixer()->GetStatus());
    EXPECT_EQ(0u, Mixer()->NbChannels());
    EXPECT_EQ(U8, PublishedFormat());
}

TEST_F(MixerTest, InitOpensAgainWithTheObtainedFormat)
{
    ASSERT_NE(nullptr, Mixer());
    KWO::SetLogLevel(200);
    SdlSpy::ObtainFormatOnce(AUDIO_S16MSB);
    ASSERT_TRUE(Mixer()->Init(S16LSB, 22050, 512, true, 8));
    KWO::SetLogLevel(100);
    EXPECT_EQ("Mixer: wanted format = 32784, obtained = 36880\n", Logged());
    ASSERT_EQ(2u, SdlSpy::Recorded().openAudio.size());
    EXPECT_EQ(AUDIO_S16MSB, SdlSpy::Recorded().openAudio[1].format);
    EXPECT_EQ(512, SdlSpy::Recorded().openAudio[1].samples);
    EXPECT_EQ(AUDIO_S16MSB, Mixer()->GetSpec().format);
    EXPECT_EQ(S16MSB, PublishedFormat());

    // The callback writes what the device plays: big-endian samples.
    auto sound = MakeSound(S16MSB, 2, {0x1234, -2});
    Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 1, KWOMixer::NoPan);
    unsigned char buffer[4];
    KWOMixer::Mix(buffer, 4);
    EXPECT_EQ(0, std::memcmp(buffer, "\x12\x34\xFF\xFE", 4));
}

TEST_F(MixerTest, InitReportsAFailedSecondOpen)
{
    SdlSpy::ObtainFormatOnce(AUDIO_S16MSB);
    SdlSpy::FailOpenAudio(2);
    EXPECT_FALSE(Mixer()->Init(S16LSB, 22050, 512, true, 8));
    EXPECT_EQ("Mixer init error(2): simulated failure\n"
              "Mixer format: 36880, freq: 22050, channels: 2, buffer: 512\n",
              Logged());
    EXPECT_EQ(0, Mixer()->GetStatus());
    EXPECT_EQ(0u, Mixer()->NbChannels());
}

TEST_F(MixerTest, PublishesTheDeviceFormatToSoundsAndMusic)
{
    // 8-bit unsigned mono at 11025 Hz.
    auto early = MakeSound(U8, 1, {0x80, 0x90});
    early->m_frequency = 11025;
    early->SetMixerFormat();
    EXPECT_EQ(U8, early->m_format);

    Open(S16LSB, true);
    auto sound = MakeSound(U8, 1, {0x80, 0x90});
    sound->m_frequency = 11025;
    EXPECT_FALSE(Mixer()->SameFormat(sound.get()));
    sound->SetMixerFormat();
    EXPECT_EQ(S16LSB, sound->m_format);
    EXPECT_EQ(22050, sound->m_frequency);
    EXPECT_EQ(2, sound->m_channels);
    EXPECT_EQ(16u, sound->m_size);
    EXPECT_TRUE(Mixer()->SameFormat(sound.get()));
    EXPECT_FALSE(Mixer()->SameFormat(static_cast<KWOSound*>(nullptr)));
    // Rates in the same hundred count as the same.
    sound->m_frequency = 22000;
    EXPECT_TRUE(Mixer()->SameFormat(sound.get()));

    MemStream file(Wav(Pcm(1, 8, 11025), std::string(100, '\x90')));
    KWOMusic music;
    ASSERT_TRUE(music.Load(file.file, 0));
    EXPECT_FALSE(Mixer()->SameFormat(&music));
    music.SetMixerFormat();
    EXPECT_EQ(S16LSB, music.m_outFormat);
    EXPECT_EQ(22050, music.m_outFrequency);
    EXPECT_EQ(2, music.m_outChannels);
    // The chunks are what the mixer reads, so they decide.
    EXPECT_TRUE(Mixer()->SameFormat(&music));

    Mixer()->Exit();
    auto late = MakeSound(U8, 1, {0x80});
    late->SetMixerFormat();
    EXPECT_EQ(U8, late->m_format);
}

// ---- mixing -----------------------------------------------------------------------------

TEST_F(MixerTest, VolumeAndPanScaleEachSide)
{
    Open(S16LSB, true);
    const std::vector<int> in = {1000, -1000, 3, -3, 32767, -32768, 255, -255};
    auto sound = S16(in);

    struct Case
    {
        unsigned char volume;
        int pan;
        int storedVolume, storedPan, left, right;
    };
    const Case cases[] = {
        {200, 0, 128, 0, 64, 64},     {128, 127, 128, 127, 128, 128},
        {128, -50, 128, -50, 96, 32}, {128, -100, 128, -100, 128, 0},
        {100, 300, 100, 100, 0, 100}, {64, -1000, 64, -100, 64, 0},
        {128, 25, 128, 25, 48, 80},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pan);
        const unsigned channel =
            Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, c.volume, 1, c.pan);
        ASSERT_EQ(0u, channel);
        int volume = -1, loop = -1, pan = -1;
        EXPECT_EQ(1, Mixer()->ChState(channel, &volume, &loop, &pan));
        EXPECT_EQ(c.storedVolume, volume);
        EXPECT_EQ(1, loop);
        EXPECT_EQ(c.storedPan, pan);

        std::vector<int> expected;
        for (size_t i = 0; i < in.size(); ++i)
            expected.push_back(in[i] * (i % 2 == 0 ? c.left : c.right) / 128);
        expected.resize(12, 0);
        EXPECT_EQ(expected, Mix(12));
        EXPECT_EQ(0u, Mixer()->ActiveChannels());
    }

    // The effective volumes are shown by PrintInfo.
    Mixer()->PlaySound(sound.get(), 2, 200, 5, -50);
    Mixer()->PrintInfo();
    EXPECT_NE(std::string::npos,
              Logged().find("Channel 2: 16 bytes left, volume (128,96L,32R), loop=5, pan=-50\n"));
}

TEST_F(MixerTest, SumsAreClippedToTheFormat)
{
    Open(S16LSB, true);
    auto high = S16(Same(4, 30000));
    auto low = S16(Same(4, -30000));
    auto small = S16({-5, 7, -5, 7});
    for (KWOSound* s : {high.get(), high.get(), low.get(), low.get(), low.get(), small.get()})
        Mixer()->PlaySound(s, KWOMixer::AnyChannel, 128, 1, KWOMixer::NoPan);
    // 60000 - 90000 - 5 and 60000 - 90000 + 7: in range.
    EXPECT_EQ((std::vector<int>{-30005, -29993, -30005, -29993}), Mix(4));

    Mixer()->PlaySound(high.get(), 0, 128, 1, KWOMixer::NoPan);
    Mixer()->PlaySound(high.get(), 1, 128, 1, KWOMixer::NoPan);
    Mixer()->PlaySound(low.get(), 2, 128, 1, -100);
    // Left: 60000 - 30000 = 30000; right: 60000, clipped.
    EXPECT_EQ((std::vector<int>{30000, 32767, 30000, 32767}), Mix(4));

    for (unsigned c = 0; c < 3; ++c)
        Mixer()->PlaySound(low.get(), c, 128, 1, KWOMixer::NoPan);
    EXPECT_EQ(Same(4, -32768), Mix(4));
}

TEST_F(MixerTest, SoundsLoopAndFreeTheirChannelAtTheEnd)
{
    Open(S16LSB, true);
    const std::vector<int> frames = {1, -1, 2, -2, 3, -3, 4, -4};
    auto sound = S16(frames);

    // Three plays, then silence; the channel is free within the buffer.
    EXPECT_EQ(0u, Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 3, KWOMixer::NoPan));
    EXPECT_EQ(Concat(Concat(Concat(frames, frames), frames), Same(6, 0)), Mix(30));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());
    EXPECT_EQ(0, Mixer()->ChState(0, nullptr, nullptr, nullptr));

    // A sound that ends exactly with the buffer frees its channel at once.
    Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 1, KWOMixer::NoPan);
    EXPECT_EQ(frames, Mix(8));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());
    EXPECT_EQ(0u, Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 1, 0));
    Mixer()->ChStop(0);

    // 255 repeats across buffers until stopped.
    Mixer()->PlaySound(sound.get(), 4, 128, 255, KWOMixer::NoPan);
    for (int i = 0; i < 5; ++i)
    {
        std::vector<int> out = Mix(12);
        std::vector<int> expected;
        for (int k = 0; k < 12; ++k)
            expected.push_back(frames[(i * 12 + k) % 8]);
        EXPECT_EQ(expected, out);
    }
    int loop = 0;
    EXPECT_EQ(1, Mixer()->ChState(4, nullptr, &loop, nullptr));
    EXPECT_EQ(255, loop);
    Mixer()->ChStop(4);
    EXPECT_EQ(Same(4, 0), Mix(4));

    // A loop count lowered to 0 ends the channel after the current play
    // (it would otherwise wrap around to "for ever").
    Mixer()->PlaySound(sound.get(), 1, 128, 255, KWOMixer::NoPan);
    EXPECT_EQ(255, Mixer()->ChLoop(1, 0));
    EXPECT_EQ(Concat(frames, Same(4, 0)), Mix(12));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());
}

TEST_F(MixerTest, EmptyAndSoughtOutSoundsEndWithoutReadingPastTheirData)
{
    Open(S16LSB, true);
    auto empty = std::make_unique<KWOSound>();
    auto sound = S16(Ramp(40));

    // An empty sound looping for ever ends at once instead of spinning.
    const unsigned c = Mixer()->PlaySound(empty.get(), KWOMixer::AnyChannel, 128, 255, 0);
    EXPECT_EQ(0u, c);
    EXPECT_EQ(1u, Mixer()->ActiveChannels());
    EXPECT_EQ(Same(8, 0), Mix(8));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());

    // Sought to the end: ends (loop 1) or starts over (loop 2) at once.
    Mixer()->PlaySound(sound.get(), 0, 128, 1, KWOMixer::NoPan);
    EXPECT_TRUE(Mixer()->ChSeek(0, 1000));
    EXPECT_EQ(Same(4, 0), Mix(4));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());
    Mixer()->PlaySound(sound.get(), 0, 128, 2, KWOMixer::NoPan);
    EXPECT_TRUE(Mixer()->ChSeek(0, 20));
    std::vector<int> expected = Ramp(40);
    expected.resize(44, 0);
    EXPECT_EQ(expected, Mix(44));

    // A seek within the sound, and the position in frames.
    Mixer()->PlaySound(sound.get(), 0, 128, 1, KWOMixer::NoPan);
    EXPECT_EQ(0u, Mixer()->ChGetPos(0));
    EXPECT_TRUE(Mixer()->ChSeek(0, 5));
    EXPECT_EQ(5u, Mixer()->ChGetPos(0));
    const std::vector<int> ramp = Ramp(40);
    EXPECT_EQ(std::vector<int>(ramp.begin() + 10, ramp.begin() + 16), Mix(6));
    EXPECT_EQ(8u, Mixer()->ChGetPos(0));
}

TEST_F(MixerTest, EightAndSixteenBitFormatsKeepSilenceSilent)
{
    {
        SCOPED_TRACE("unsigned 8 bits, mono");
        Open(U8, false);
        auto silent = MakeSound(U8, 1, Same(4, 128));
        auto tone = MakeSound(U8, 1, {138, 118, 250, 5});
        for (int i = 0; i < 3; ++i)
            Mixer()->PlaySound(silent.get(), KWOMixer::AnyChannel, 128, 1, 0);
        EXPECT_EQ(Same(5, 128), Mix(5));
        // On a mono output the pan is ignored: full volume.
        Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 64, 1, -100);
        Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 1, 0);
        // (10 + 5, -10 - 5, 122 + 61 clipped, -123 - 61 clipped) + 128
        EXPECT_EQ((std::vector<int>{143, 113, 255, 0, 128}), Mix(5));
    }
    {
        SCOPED_TRACE("signed 8 bits, stereo");
        Open(S8, true);
        auto tone = MakeSound(S8, 2, {100, -100, 7, -7});
        Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 1, 0);
        Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 1, KWOMixer::NoPan);
        EXPECT_EQ((std::vector<int>{127, -128, 10, -10, 0, 0}), Mix(6));
    }
    {
        SCOPED_TRACE("unsigned 16 bits, little endian");
        Open(U16LSB, true);
        auto silent = MakeSound(U16LSB, 2, Same(4, 32768));
        auto tone = MakeSound(U16LSB, 2, {32768 + 1000, 32768 - 1000, 65535, 0});
        Mixer()->PlaySound(silent.get(), KWOMixer::AnyChannel, 128, 1, 0);
        Mixer()->PlaySound(silent.get(), KWOMixer::AnyChannel, 128, 1, 0);
        EXPECT_EQ(Same(6, 32768), Mix(6));
        Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 1, -50);
        Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 1, KWOMixer::NoPan);
        // Left 96 + 128, right 32 + 128 of the centred values.
        EXPECT_EQ((std::vector<int>{32768 + 750 + 1000, 32768 - 250 - 1000, 65535, 0, 32768}),
                  Mix(5));
    }
    {
        SCOPED_TRACE("unsigned 16 bits, big endian, mono");
        Open(U16MSB, false);
        auto tone = MakeSound(U16MSB, 1, {0x8102, 0x7F00});
        Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 1, 0);
        unsigned char buffer[6];
        KWOMixer::Mix(buffer, 6);
        EXPECT_EQ(0, std::memcmp(buffer, "\x81\x02\x7F\x00\x80\x00", 6));
    }
    {
        SCOPED_TRACE("signed 16 bits: a byte short of a sample");
        Open(S16LSB, false);
        auto tone = S16({0x1234}, 1);
        Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 255, 0);
        unsigned char buffer[5];
        KWOMixer::Mix(buffer, 5);
        EXPECT_EQ(0, std::memcmp(buffer, "\x34\x12\x34\x12\x00", 5));
        Mixer()->ChStop(0);
    }
}

TEST_F(MixerTest, LongBuffersMixEveryChannelInOrder)
{
    // More samples than one internal block, and a stereo sound that ends
    // on an odd sample count of the buffer.
    Open(S16LSB, true);
    auto a = S16(Ramp(1502));
    auto b = S16(Ramp(2400, 5));
    Mixer()->PlaySound(a.get(), KWOMixer::AnyChannel, 128, 1, -50);
    Mixer()->PlaySound(b.get(), KWOMixer::AnyChannel, 100, 1, 30);
    std::vector<int> expected(3000, 0);
    for (size_t i = 0; i < 2400; ++i)
    {
        const bool left = i % 2 == 0;
        if (i < 1502)
            expected[i] += Ramp(1502)[i] * (left ? 96 : 32) / 128;
        expected[i] += Ramp(2400, 5)[i] * (left ? 35 : 65) / 128;
    }
    EXPECT_EQ(expected, Mix(3000));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());
}

// ---- music ------------------------------------------------------------------------------

TEST_F(MixerTest, MusicChunksFollowEachOtherAcrossBuffers)
{
    Open(S16LSB, true);
    // 2500 frames: chunks of 8192 and 1808 bytes.
    const std::vector<int> data = Ramp(5000);
    MemStream file(Wav(Pcm(2, 16), Le16Samples(data)));
    KWOMusic music;
    ASSERT_TRUE(music.Load(file.file, 0));
    music.SetMixerFormat();

    EXPECT_EQ(3u, Mixer()->PlayMusic(&music, 3, 128, 2, KWOMixer::NoPan));
    // The first chunk was read: 2048 frames.
    EXPECT_EQ(2048u, Mixer()->ChGetPos(3));
    std::vector<int> out;
    for (int i = 0; i < 6; ++i)
        out = Concat(out, Mix(2048));
    EXPECT_EQ(Concat(Concat(data, data), Same(12288 - 10000, 0)), out);
    EXPECT_EQ(0u, Mixer()->ActiveChannels());

    // For ever: the data again and again, until stopped.
    Mixer()->PlayMusic(&music, KWOMixer::AnyChannel, 128, 255, KWOMixer::NoPan);
    out.clear();
    for (int i = 0; i < 8; ++i)
        out = Concat(out, Mix(2048));
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(data[i % data.size()], out[i]) << i;
    EXPECT_EQ(1u, Mixer()->ActiveChannels());
    Mixer()->ChStop(0);
}

TEST_F(MixerTest, MusicConvertedToTheDeviceFormat)
{
    Open(S16LSB, true);
    // 8-bit unsigned mono at 11025 Hz: each byte becomes four samples.
    std::string bytes;
    for (int i = 0; i < 3000; ++i)
        bytes += static_cast<char>((i * 13) & 0xFF);
    MemStream file(Wav(Pcm(1, 8, 11025), bytes));
    KWOMusic music;
    ASSERT_TRUE(music.Load(file.file, 0));
    music.SetMixerFormat();
    Mixer()->PlayMusic(&music, KWOMixer::AnyChannel, 128, 1, KWOMixer::NoPan);
    const std::vector<int> out = Mix(12004);
    for (size_t i = 0; i < 12000; ++i)
    {
        const int b = static_cast<unsigned char>(bytes[i / 4]);
        ASSERT_EQ((b - 128) * 256, out[i]) << i;
    }
    EXPECT_EQ(Same(4, 0), std::vector<int>(out.end() - 4, out.end()));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());
}

TEST_F(MixerTest, MusicSeeksEndsAndPlaysOnOneChannelAtATime)
{
    Open(S16LSB, true);
    const std::vector<int> data = Ramp(4000);
    MemStream file(Wav(Pcm(2, 16), Le16Samples(data)));
    KWOMusic music;
    ASSERT_TRUE(music.Load(file.file, 0));

    // Sought to frame 1500: the next sample is 3000.
    Mixer()->PlayMusic(&music, 0, 128, 1, KWOMixer::NoPan);
    EXPECT_TRUE(Mixer()->ChSeek(0, 1500));
    EXPECT_EQ(2000u, Mixer()->ChGetPos(0));
    EXPECT_EQ(std::vector<int>(data.begin() + 3000, data.begin() + 3010), Mix(10));

    // Sought to the end: the channel ends instead of starting over.
    EXPECT_TRUE(Mixer()->ChSeek(0, 5000));
    EXPECT_EQ(Same(6, 0), Mix(6));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());

    // The stream has one read position: starting it elsewhere stops the
    // channel that played it.
    Mixer()->PlayMusic(&music, 0, 128, 1, KWOMixer::NoPan);
    EXPECT_EQ(5u, Mixer()->PlayMusic(&music, 5, 128, 1, KWOMixer::NoPan));
    EXPECT_EQ(1u, Mixer()->ActiveChannels());
    EXPECT_EQ(0, Mixer()->ChState(0, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::vector<int>(data.begin(), data.begin() + 8), Mix(8));
    Mixer()->ChStop(5);

    // A music with no data, looping for ever, ends at once.
    MemStream none(Wav(Pcm(2, 16), ""));
    KWOMusic empty;
    ASSERT_TRUE(empty.Load(none.file, 0));
    Mixer()->PlayMusic(&empty, KWOMixer::AnyChannel, 128, 255, 0);
    EXPECT_EQ(Same(4, 0), Mix(4));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());
    EXPECT_EQ(KWOMixer::AnyChannel, Mixer()->PlayMusic(nullptr, 0, 128, 1, 0));
}

// ---- channels ---------------------------------------------------------------------------

TEST_F(MixerTest, ChannelsAreHandedOutLowestFirstUntilNoneIsLeft)
{
    Open(S16LSB, true, 8);
    auto sound = S16(Same(64, 10));
    for (unsigned c = 0; c < 8; ++c)
        EXPECT_EQ(c, Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 255, 0));
    EXPECT_EQ(8u, Mixer()->ActiveChannels());
    const std::string before = Logged();
    EXPECT_EQ(KWOMixer::AnyChannel,
              Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 1, 0));
    EXPECT_EQ(before + "Mixer: no channel left\n", Logged());
    EXPECT_EQ(KWOMixer::AnyChannel, Mixer()->PlaySound(sound.get(), 8, 128, 1, 0));
    EXPECT_EQ(before + "Mixer: no channel left\nMixer: no channel left\n", Logged());

    // A named channel in use is taken over.
    EXPECT_EQ(3u, Mixer()->PlaySound(sound.get(), 3, 50, 2, 0));
    int volume = 0, loop = 0;
    EXPECT_EQ(1, Mixer()->ChState(3, &volume, &loop, nullptr));
    EXPECT_EQ(50, volume);
    EXPECT_EQ(2, loop);
    EXPECT_EQ(8u, Mixer()->ActiveChannels());

    Mixer()->ChStop(6);
    Mixer()->ChStop(2);
    EXPECT_EQ(6u, Mixer()->ActiveChannels());
    EXPECT_EQ(2u, Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 1, 0));
    EXPECT_EQ(6u, Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 1, 0));
    EXPECT_EQ(KWOMixer::AnyChannel,
              Mixer()->PlaySound(sound.get(), KWOMixer::AnyChannel, 128, 1, 0));
    EXPECT_EQ(KWOMixer::AnyChannel, Mixer()->PlaySound(nullptr, 0, 128, 1, 0));
}

TEST_F(MixerTest, PausedChannelsWaitAndResume)
{
    Open(S16LSB, true);
    auto tone = S16(Same(4, 1000));
    auto shortSound = S16({7, 7});

    // Loop 0 prepares a paused channel for one play.
    const unsigned c = Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 0, 127);
    int loop = 0;
    EXPECT_EQ(2, Mixer()->ChState(c, nullptr, &loop, nullptr));
    EXPECT_EQ(1, loop);
    EXPECT_EQ(1u, Mixer()->ActiveChannels());
    EXPECT_EQ(Same(4, 0), Mix(4));
    Mixer()->ChPause(c, false);
    EXPECT_EQ(Concat(Same(4, 1000), Same(2, 0)), Mix(6));
    EXPECT_EQ(0u, Mixer()->ActiveChannels());

    // Channels 0 and 3 play; 3 pauses; 0 ends; 3 resumes and is heard.
    Mixer()->PlaySound(shortSound.get(), 0, 128, 1, 127);
    Mixer()->PlaySound(tone.get(), 3, 128, 255, 127);
    Mixer()->ChPause(3, true);
    EXPECT_EQ(2, Mixer()->ChState(3, nullptr, nullptr, nullptr));
    EXPECT_EQ((std::vector<int>{7, 7, 0, 0}), Mix(4));
    EXPECT_EQ(1u, Mixer()->ActiveChannels());
    Mixer()->ChPause(3, false);
    EXPECT_EQ(Same(4, 1000), Mix(4));

    // Pausing and stopping free channels do nothing.
    Mixer()->ChPause(5, false);
    Mixer()->ChStop(5);
    EXPECT_EQ(0, Mixer()->ChState(5, nullptr, nullptr, nullptr));
    EXPECT_EQ(1u, Mixer()->ActiveChannels());
}

TEST_F(MixerTest, ChannelSettingsReturnWhatTheyReplace)
{
    Open(S16LSB, true);
    auto tone = S16(Same(8, 1000));
    // Free or unknown channels give the failure values.
    for (unsigned c : {0u, 8u, 0xFFFFFFFFu})
    {
        EXPECT_EQ(0, Mixer()->ChVolume(c, 10));
        EXPECT_EQ(0, Mixer()->ChPan(c, 10));
        EXPECT_EQ(0, Mixer()->ChLoop(c, 10));
        EXPECT_EQ(0, Mixer()->ChState(c, nullptr, nullptr, nullptr));
        EXPECT_EQ(KWOMixer::AnyChannel, Mixer()->ChGetPos(c));
        EXPECT_FALSE(Mixer()->ChSeek(c, 0));
    }

    Mixer()->PlaySound(tone.get(), 0, 100, 255, 0);
    EXPECT_EQ(100, Mixer()->ChVolume(0, 200));
    EXPECT_EQ(128, Mixer()->ChVolume(0, 128));
    EXPECT_EQ(0, Mixer()->ChPan(0, -500));
    EXPECT_EQ(-100, Mixer()->ChPan(0, -50));
    EXPECT_EQ(255, Mixer()->ChLoop(0, 4));
    int volume = 0, loop = 0, pan = 0;
    EXPECT_EQ(1, Mixer()->ChState(0, &volume, &loop, &pan));
    EXPECT_EQ(128, volume);
    EXPECT_EQ(4, loop);
    EXPECT_EQ(-50, pan);
    // The new volumes take effect: left 96, right 32.
    EXPECT_EQ((std::vector<int>{750, 250}), Mix(2));
    Mixer()->ChVolume(0, 64);
    EXPECT_EQ((std::vector<int>{375, 125}), Mix(2));

    // On a mono output, ChPan changes nothing.
    Open(S16LSB, false);
    Mixer()->PlaySound(tone.get(), 0, 64, 1, 50);
    EXPECT_EQ(127, Mixer()->ChPan(0, -100));
    EXPECT_EQ(1, Mixer()->ChState(0, nullptr, nullptr, &pan));
    EXPECT_EQ(127, pan);
    EXPECT_EQ(Same(2, 500), Mix(2));
}

TEST_F(MixerTest, ExitClosesEverything)
{
    Open(S16LSB, true);
    auto tone = S16(Same(8, 1000));
    Mixer()->PlaySound(tone.get(), 0, 128, 255, 0);
    Mixer()->PlaySound(tone.get(), 1, 128, 0, 0);
    Mixer()->Exit();
    EXPECT_EQ(0u, Mixer()->NbChannels());
    EXPECT_EQ(0u, Mixer()->ActiveChannels());
    EXPECT_EQ(0, Mixer()->GetStatus());
    const std::string before = Logged();
    EXPECT_EQ(KWOMixer::AnyChannel, Mixer()->PlaySound(tone.get(), 0, 128, 1, 0));
    EXPECT_EQ(KWOMixer::AnyChannel,
              Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 1, 0));
    EXPECT_EQ(before, Logged());
    EXPECT_EQ(0, Mixer()->ChState(0, nullptr, nullptr, nullptr));
    // The callback has nothing to mix: silence.
    EXPECT_EQ(Same(4, 0), Mix(4));
    // A second Exit does nothing.
    Mixer()->Exit();
    EXPECT_EQ(1u, SdlSpy::Recorded().closeAudio);
}

TEST_F(MixerTest, PrintInfoShowsTheDeviceAndTheChannels)
{
    Open(S16LSB, true, 8);
    auto tone = S16(Same(8, 1000));
    Mixer()->PlaySound(tone.get(), 1, 128, 3, -100);
    Mixer()->PlaySound(tone.get(), 4, 90, 0, KWOMixer::NoPan);
    const std::string before = Logged();
    Mixer()->PrintInfo();
    EXPECT_EQ(before + "Mixer: signed 16 bits, little endian, 22050 Hz, stereo\n"
                       "Channels (active/total): 2/8\n"
                       "Mixer: state=paused, next=0, first=1, last=1\n"
                       "Channel 1: 16 bytes left, volume (128,128L,0R), loop=3, pan=-100\n"
                       "Channel 4: 16 bytes left, volume (90,90L,90R), loop=1, pan=127\n",
              Logged());
}

// ---- the device --------------------------------------------------------------------------

// Waits, without a time limit of its own (the fixture's alarm stops a test
// that never ends), until every channel has ended.
void WaitForSilence(KWOMixer* mixer)
{
    while (mixer->ActiveChannels() != 0)
        SDL_Delay(1);
}

TEST_F(MixerTest, TheDeviceRunsTheCallback)
{
    Open(S16LSB, true);
    auto tone = S16(Ramp(3000));
    Mixer()->Unpause();
    EXPECT_EQ(0u, Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 2, 0));
    WaitForSilence(Mixer());
    EXPECT_EQ(0, Mixer()->ChState(0, nullptr, nullptr, nullptr));
}

// Waits until the device has mixed `frames` more frames of the sound on
// `channel`, which must be long enough not to start over meanwhile.
void WaitForFrames(KWOMixer* mixer, unsigned channel, unsigned frames)
{
    const unsigned start = mixer->ChGetPos(channel);
    while (mixer->ChGetPos(channel) < start + frames)
        SDL_Delay(1);
}

TEST_F(MixerTest, WhatGoesAwayWhilePlayingStopsItsChannelsFirst)
{
    Open(S16LSB, true);
    // `clock` plays throughout (5 s): its position shows the callback at work.
    auto clock = S16(Ramp(220500));
    // A sound and a music owned by the resource manager (the music owns its
    // stream), which goes before the mixer, as the game's do.
    TempDir dir;
    WriteFileBytes(dir / "tone.wav", Wav(Pcm(2, 16), Le16Samples(Ramp(3000))));
    WriteFileBytes(dir / "song.wav", Wav(Pcm(2, 16), Le16Samples(Ramp(40000))));
    KWOResFinder finder;
    ASSERT_TRUE(finder.AddSource(dir.Path().c_str(), false));
    auto manager = std::make_unique<KWOResMgr>(finder);
    auto* tone = static_cast<KWOSound*>(manager->Load(KWOResMgr::TypeSound, "tone.wav", 0, true));
    auto* song = static_cast<KWOMusic*>(manager->Load(KWOResMgr::TypeMusic, "song.wav", 0, true));
    ASSERT_TRUE(tone != nullptr && song != nullptr);

    Mixer()->Unpause();
    ASSERT_EQ(0u, Mixer()->PlaySound(clock.get(), KWOMixer::AnyChannel, 128, 255, 0));
    ASSERT_EQ(1u, Mixer()->PlaySound(tone, KWOMixer::AnyChannel, 128, 255, 0));
    ASSERT_EQ(2u, Mixer()->PlaySound(tone, KWOMixer::AnyChannel, 128, 0, 0));
    ASSERT_EQ(3u, Mixer()->PlayMusic(song, KWOMixer::AnyChannel, 128, 255, 0));
    WaitForFrames(Mixer(), 0, 2048);
    // Safe to call from this thread while the callback runs.
    Mixer()->ComputeVolumes(0);
    Mixer()->ComputeVolumes(99);

    // Destroyed while the callback runs: the sound's playing and paused
    // channels and the music's are free at once; the clock plays on.
    manager.reset();
    for (unsigned c = 1; c <= 3; ++c)
        EXPECT_EQ(0, Mixer()->ChState(c, nullptr, nullptr, nullptr)) << c;
    EXPECT_EQ(1u, Mixer()->ActiveChannels());
    WaitForFrames(Mixer(), 0, 4096);
    EXPECT_EQ(1, Mixer()->ChState(0, nullptr, nullptr, nullptr));

    // With the mixer gone, a sound goes without asking anything of it.
    delete m_mixer;
    m_mixer = nullptr;
    clock.reset();
}

// Points SDL's audio at the disk writer for one test.
class DiskAudio
{
public:
    explicit DiskAudio(const std::string& path)
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "1", 1);
    }
    ~DiskAudio()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
    }
};

TEST_F(MixerTest, TheDeviceWritesWhatWasMixed)
{
    TempDir dir;
    const std::string path = dir / "out.raw";
    DiskAudio disk(path);
    // At 44100 Hz, stereo and 16 bits the device takes the samples as they
    // are on every SDL: SDL 1.2's compatibility layer over SDL2 converts
    // anything less for its device (22050 Hz reaches the file resampled).
    ASSERT_TRUE(Mixer()->Init(S16LSB, 44100, 512, true, 8));
    const std::vector<int> in = Ramp(3000, 3);
    auto tone = S16(in);
    auto other = S16(Same(3000, 100));
    Mixer()->PlaySound(tone.get(), KWOMixer::AnyChannel, 128, 1, KWOMixer::NoPan);
    Mixer()->PlaySound(other.get(), KWOMixer::AnyChannel, 64, 1, KWOMixer::NoPan);
    Mixer()->Unpause();
    WaitForSilence(Mixer());
    delete m_mixer;
    m_mixer = nullptr;

    std::vector<int> expected;
    for (int v : in)
        expected.push_back(v + 50);
    const std::string written = ReadFileBytes(path);
    const size_t at = written.find(Le16Samples(expected));
    ASSERT_NE(std::string::npos, at);
    // Silence before (the paused device) and after.
    EXPECT_EQ(0u, at % 4);
    EXPECT_EQ(std::string(at, '\0'), written.substr(0, at));
    const size_t end = at + expected.size() * 2;
    EXPECT_EQ(std::string(written.size() - end, '\0'), written.substr(end));
}
} // namespace
