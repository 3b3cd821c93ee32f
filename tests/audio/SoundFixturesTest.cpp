// The loaders against files written by another program (sox, see
// tests/data/audio/make-fixtures.sh): one signal in every container, and
// ADPCM files with that program's own decoding beside them.
#include "audio/KWOSound.h"
#include "audio_test_support.h"
#include "files/KWOFile.h"
#include "support/CapturedLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace audio_test;

namespace
{
const int kStandardCoef[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                 {240, 0}, {460, -208}, {392, -232}};

std::string DataOf(const KWOSound& sound)
{
    return std::string(reinterpret_cast<const char*>(sound.m_data), sound.m_size);
}

// Loads a fixture through a disk stream.
void LoadFixture(KWOSound& sound, const std::string& name)
{
    CapturedLog quiet(0);
    KWOFile file(FixturePath(name).c_str(), KWOResFile::ModeRead);
    ASSERT_EQ(KWOResFile::StateOK, file.GetState()) << name;
    ASSERT_TRUE(sound.Load(file, 0)) << name;
}

// The bytes of a WAV file's "data" chunk (found by hand).
std::string DataChunk(const std::string& wav)
{
    const size_t at = wav.find("data");
    const uint32_t length = static_cast<unsigned char>(wav[at + 4]) |
                            static_cast<unsigned char>(wav[at + 5]) << 8 |
                            static_cast<unsigned char>(wav[at + 6]) << 16 |
                            static_cast<uint32_t>(static_cast<unsigned char>(wav[at + 7])) << 24;
    return wav.substr(at + 8, length);
}

unsigned Le16Field(const std::string& wav, size_t at)
{
    return static_cast<unsigned char>(wav[at]) | static_cast<unsigned char>(wav[at + 1]) << 8;
}
} // namespace

TEST(SoundFixtures, SixteenBitStereoIsTheSameInEveryContainer)
{
    const std::string expected = Fixture("pcm16-stereo.raw");
    ASSERT_EQ(9600u, expected.size());
    for (const char* name : {"pcm16-stereo.wav", "pcm16-stereo.aiff", "pcm16-stereo.au"})
    {
        SCOPED_TRACE(name);
        KWOSound sound;
        LoadFixture(sound, name);
        EXPECT_EQ(S16LSB, sound.m_format);
        EXPECT_EQ(8000, sound.m_frequency);
        EXPECT_EQ(2, sound.m_channels);
        EXPECT_EQ(expected, DataOf(sound));
    }
}

TEST(SoundFixtures, EightBitMonoIsTheSameInEveryContainer)
{
    const std::string unsignedSamples = Fixture("pcm8-mono.raw");
    std::string signedSamples = unsignedSamples;
    for (char& c : signedSamples)
        c = static_cast<char>(c ^ 0x80);

    KWOSound wav;
    LoadFixture(wav, "pcm8-mono.wav");
    EXPECT_EQ(U8, wav.m_format);
    EXPECT_EQ(unsignedSamples, DataOf(wav));
    for (const char* name : {"pcm8-mono.aiff", "pcm8-mono.au"})
    {
        SCOPED_TRACE(name);
        KWOSound sound;
        LoadFixture(sound, name);
        EXPECT_EQ(S8, sound.m_format);
        EXPECT_EQ(1, sound.m_channels);
        EXPECT_EQ(signedSamples, DataOf(sound));
        // Converted to the WAV's format they are the WAV's samples.
        sound.ChangeFormat(U8, 8000, 1);
        EXPECT_EQ(unsignedSamples, DataOf(sound));
    }
}

TEST(SoundFixtures, ImaAdpcmDecodesAsTheOtherProgramDoes)
{
    for (const char* layout : {"mono", "stereo"})
    {
        SCOPED_TRACE(layout);
        const std::string name = std::string("ima-adpcm-") + layout;
        const std::string wav = Fixture(name + ".wav");
        const unsigned channels = Le16Field(wav, 22);
        const unsigned blockAlign = Le16Field(wav, 32);
        const unsigned samplesPerBlock = Le16Field(wav, 38);
        KWOSound sound;
        LoadFixture(sound, name + ".wav");
        EXPECT_EQ(S16LSB, sound.m_format);
        EXPECT_EQ(static_cast<int>(channels), sound.m_channels);

        const std::vector<int> reference =
            RefImaAdpcm(DataChunk(wav), channels, blockAlign, samplesPerBlock);
        ASSERT_GE(reference.size(), 2400u * channels);
        EXPECT_EQ(reference, SamplesOf(sound.m_data, sound.m_size));

        // The other program decodes the same whole blocks to the same samples.
        const std::string raw = Fixture(name + ".raw");
        ASSERT_GE(raw.size(), sound.m_size);
        EXPECT_EQ(raw.substr(0, sound.m_size), DataOf(sound));
    }
}

TEST(SoundFixtures, MsAdpcmDecodesAsPublishedAndCloseToTheOtherProgram)
{
    for (const char* layout : {"mono", "stereo"})
    {
        SCOPED_TRACE(layout);
        const std::string name = std::string("ms-adpcm-") + layout;
        const std::string wav = Fixture(name + ".wav");
        const unsigned channels = Le16Field(wav, 22);
        const unsigned blockAlign = Le16Field(wav, 32);
        const unsigned samplesPerBlock = Le16Field(wav, 38);
        KWOSound sound;
        LoadFixture(sound, name + ".wav");
        EXPECT_EQ(S16LSB, sound.m_format);
        EXPECT_EQ(static_cast<int>(channels), sound.m_channels);

        const std::vector<int> decoded = SamplesOf(sound.m_data, sound.m_size);
        const std::vector<int> reference =
            RefMsAdpcm(DataChunk(wav), channels, blockAlign, samplesPerBlock, kStandardCoef);
        ASSERT_GE(reference.size(), 2400u * channels);
        EXPECT_EQ(reference, decoded);

        // The other program rounds the prediction down where the published
        // algorithm truncates toward zero; with that one change the reference
        // decoder gives exactly its samples, so block header, nibble order and
        // channel layout agree, and the samples drift apart only a little.
        const std::string raw = Fixture(name + ".raw");
        ASSERT_GE(raw.size(), sound.m_size);
        const std::vector<int> theirs =
            SamplesOf(reinterpret_cast<const unsigned char*>(raw.data()), sound.m_size);
        EXPECT_EQ(theirs, RefMsAdpcm(DataChunk(wav), channels, blockAlign, samplesPerBlock,
                                     kStandardCoef, true));
        int worst = 0;
        for (size_t i = 0; i < decoded.size(); ++i)
            worst = std::max(worst, std::abs(decoded[i] - theirs[i]));
        EXPECT_LE(worst, 100);
    }
}
