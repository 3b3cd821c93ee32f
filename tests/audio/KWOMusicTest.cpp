#include "audio/KWOMusic.h"
#include "audio/KWOSound.h"
#include "audio_test_support.h"
#include "files/KWOFile.h"
#include "support/CapturedLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace audio_test;

namespace
{
std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + (i >> 8) * 3) & 0xFF);
    return bytes;
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

std::string ChunkOf(const KWOMusic& music, const unsigned char* chunk)
{
    return std::string(reinterpret_cast<const char*>(chunk), music.m_chunkSize);
}

// Every chunk up to the end, concatenated; the sizes in `*sizes`.
std::string Stream(KWOMusic& music, std::vector<unsigned>* sizes = nullptr)
{
    std::string all;
    for (int guard = 0; guard < 100000; ++guard)
    {
        const unsigned char* chunk = music.NextData();
        if (chunk == nullptr)
            return all;
        if (sizes)
            sizes->push_back(music.m_chunkSize);
        all += ChunkOf(music, chunk);
    }
    ADD_FAILURE() << "the stream does not end";
    return all;
}

void ExpectEmpty(const KWOMusic& music)
{
    EXPECT_EQ(0, music.m_format);
    EXPECT_EQ(0, music.m_frequency);
    EXPECT_EQ(0, music.m_channels);
    EXPECT_EQ(nullptr, music.m_chunk);
    EXPECT_EQ(0u, music.m_chunkSize);
    EXPECT_EQ(0u, music.m_position);
    EXPECT_EQ(0u, music.m_dataSize);
    EXPECT_EQ(nullptr, music.m_file);
    EXPECT_EQ(0u, music.m_dataStart);
    EXPECT_EQ(KWOMusic::TypeNone, music.m_type);
}
} // namespace

TEST(KWOMusic, ChunksOfAWavStream)
{
    // 16-bit stereo, 100000 data bytes: 12 chunks of 8192 bytes, one of
    // 1696, then the end; the next call starts again.
    const std::string data = Pattern(100000);
    MemStream in(Wav(Pcm(2, 16), data));
    KWOMusic music;
    ASSERT_TRUE(music.Load(in.file, 0));
    EXPECT_EQ(KWOMusic::TypeWAV, music.m_type);
    EXPECT_EQ(&in.file, music.m_file);
    EXPECT_EQ(44u, music.m_dataStart);
    EXPECT_EQ(100000u, music.m_dataSize);
    EXPECT_EQ(S16LSB, music.m_outFormat); // the target is the data's own format
    EXPECT_EQ(22050, music.m_outFrequency);
    EXPECT_EQ(2, music.m_outChannels);
    EXPECT_EQ(56u, music.MemoryUsed());

    const unsigned char* first = music.NextData();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, music.m_chunk);
    EXPECT_EQ(8192u, music.m_chunkSize);
    EXPECT_EQ(2048u, music.GetPosition());
    EXPECT_EQ(8192u + 56u, music.MemoryUsed());
    EXPECT_EQ(data.substr(0, 8192), ChunkOf(music, first));
    // Without conversion the chunk buffer is reused.
    EXPECT_EQ(first, music.NextData());

    std::vector<unsigned> sizes;
    const std::string rest = Stream(music, &sizes);
    ASSERT_EQ(11u, sizes.size());
    EXPECT_EQ(1696u, sizes.back());
    EXPECT_EQ(data.substr(16384), rest);
    EXPECT_EQ(0u, music.m_position);
    EXPECT_EQ(0u, music.m_chunkSize);
    EXPECT_EQ(nullptr, music.m_chunk);

    const unsigned char* again = music.NextData();
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(data.substr(0, 8192), ChunkOf(music, again));
}

TEST(KWOMusic, PositionsAreFrames)
{
    const std::string data = Pattern(100000);
    MemStream in(Wav(Pcm(2, 16), data));
    KWOMusic music;
    ASSERT_TRUE(music.Load(in.file, 1));
    music.NextData();
    music.SetPosition(22050);
    EXPECT_EQ(88200u, music.m_position);
    EXPECT_EQ(0u, music.m_chunkSize);
    const unsigned char* chunk = music.NextData();
    ASSERT_NE(nullptr, chunk);
    EXPECT_EQ(data.substr(88200, 8192), ChunkOf(music, chunk));
    EXPECT_EQ((88200u + 8192u) / 4, music.GetPosition());

    // Past the end: limited to the end, so the next call ends the data.
    music.SetPosition(1000000);
    EXPECT_EQ(100000u, music.m_position);
    EXPECT_EQ(nullptr, music.NextData());
    EXPECT_NE(nullptr, music.NextData());
    EXPECT_EQ(data.substr(0, 8192), ChunkOf(music, music.m_chunk));

    // 8-bit mono: one byte per frame.
    MemStream mono(Wav(Pcm(1, 8), Pattern(300)));
    KWOMusic mono8;
    ASSERT_TRUE(mono8.Load(mono.file, 0));
    mono8.SetPosition(7);
    EXPECT_EQ(7u, mono8.m_position);
    EXPECT_EQ(Pattern(300).substr(7), ChunkOf(mono8, mono8.NextData()));
    EXPECT_EQ(300u, mono8.GetPosition());

    KWOMusic empty;
    empty.SetPosition(5);
    EXPECT_EQ(0u, empty.m_position);
    EXPECT_EQ(0u, empty.GetPosition());
    EXPECT_EQ(nullptr, empty.NextData());
}

TEST(KWOMusic, ChunksAreConvertedToTheTarget)
{
    // 8-bit unsigned mono 11025 Hz towards signed 16-bit 22050 Hz mono: each
    // chunk of 8192 bytes becomes 8192 x 2 x 2 bytes.
    const std::string data = Pattern(20000);
    MemStream in(Wav(Pcm(1, 8, 11025), data));
    KWOMusic music;
    music.ChangeFormat(S16LSB, 22050, 1);
    ASSERT_TRUE(music.Load(in.file, 0));
    EXPECT_EQ(S16LSB, music.m_outFormat); // a target set before loading stays
    const unsigned char* chunk = music.NextData();
    ASSERT_NE(nullptr, chunk);
    EXPECT_EQ(32768u, music.m_chunkSize);
    EXPECT_EQ(U8, music.m_format);
    const std::vector<int> samples = SamplesOf(chunk, music.m_chunkSize);
    for (size_t i = 0; i < 8192; i += 1000)
    {
        const int expected = (static_cast<unsigned char>(data[i]) - 128) * 256;
        EXPECT_EQ(expected, samples[2 * i]);
        EXPECT_EQ(expected, samples[2 * i + 1]);
    }
    EXPECT_EQ(2048u, music.GetPosition() / 4); // frames of the data, not of the chunk

    // Clear forgets the data but keeps the target.
    music.Clear();
    ExpectEmpty(music);
    EXPECT_EQ(S16LSB, music.m_outFormat);
    EXPECT_EQ(22050, music.m_outFrequency);
    EXPECT_EQ(1, music.m_outChannels);

    // Without an open mixer SetMixerFormat changes nothing.
    music.SetMixerFormat();
    EXPECT_EQ(S16LSB, music.m_outFormat);
}

TEST(KWOMusic, StreamsTheSamplesOfTheWholeSound)
{
    struct Target
    {
        int format, rate, channels;
    };
    const Target targets[] = {
        {0, 0, 0}, // the data's own format
        {S16LSB, 22050, 2}, {U8, 11025, 1}, {S16MSB, 4000, 1}, {U16LSB, 8000, 2},
    };
    for (const char* name : {"pcm16-stereo.wav", "pcm16-stereo.aiff", "pcm16-stereo.au",
                             "pcm8-mono.wav", "pcm8-mono.aiff", "pcm8-mono.au"})
    {
        for (const Target& t : targets)
        {
            SCOPED_TRACE(std::string(name) + " to " + std::to_string(t.format) + "/" +
                         std::to_string(t.rate) + "/" + std::to_string(t.channels));
            CapturedLog quiet(0);
            KWOSound sound(FixturePath(name).c_str());
            ASSERT_NE(0, sound.m_format);
            KWOFile file(FixturePath(name).c_str(), KWOResFile::ModeRead);
            KWOMusic music;
            if (t.format != 0)
                music.ChangeFormat(t.format, t.rate, t.channels);
            ASSERT_TRUE(music.Load(file, 0));
            EXPECT_EQ(sound.m_format, music.m_format);
            EXPECT_EQ(sound.m_frequency, music.m_frequency);
            EXPECT_EQ(sound.m_channels, music.m_channels);
            if (t.format != 0)
                sound.ChangeFormat(t.format, t.rate, t.channels);
            const std::string whole(reinterpret_cast<const char*>(sound.m_data), sound.m_size);
            EXPECT_EQ(whole, Stream(music));
            EXPECT_EQ(whole, Stream(music)); // and again from the start
        }
    }
}

TEST(KWOMusic, AiffAndAuChunksArriveLittleEndian)
{
    MemStream aiff(Aiff(1, 3, 16, Extended80(8000), Bytes().Be16(0x1234).Be16(0xFFFE).Be16(7).s));
    KWOMusic music;
    ASSERT_TRUE(music.Load(aiff.file, 0));
    EXPECT_EQ(KWOMusic::TypeAIFF, music.m_type);
    EXPECT_EQ(S16LSB, music.m_format);
    EXPECT_EQ(6u, music.m_dataSize);
    const unsigned char* chunk = music.NextData();
    EXPECT_EQ((std::vector<int>{0x1234, -2, 7}), SamplesOf(chunk, music.m_chunkSize));

    // The target stays the first loaded file's until it is changed.
    MemStream au(Au(3, 8000, 2, Bytes().Be16(1).Be16(2).Be16(3).s, 0xFFFFFFFF));
    music.ChangeFormat(S16LSB, 8000, 2);
    ASSERT_TRUE(music.Load(au.file, 3));
    EXPECT_EQ(KWOMusic::TypeAU, music.m_type);
    EXPECT_EQ(4u, music.m_dataSize); // whole frames
    chunk = music.NextData();
    EXPECT_EQ((std::vector<int>{1, 2}), SamplesOf(chunk, music.m_chunkSize));

    MemStream au8(Au(2, 8000, 1, "\x01\xFF"));
    KWOMusic signed8;
    ASSERT_TRUE(signed8.Load(au8.file, 0));
    EXPECT_EQ(S8, signed8.m_format);
    EXPECT_EQ("\x01\xFF", ChunkOf(signed8, signed8.NextData()));
}

TEST(KWOMusic, SizesBeyondTheStreamAreCut)
{
    // The header claims more data than the stream holds: the stream ends
    // with what is there.
    MemStream wav(Wav(Pcm(1, 16), Pattern(10), "", 0x7FFFFFF0));
    KWOMusic music;
    ASSERT_TRUE(music.Load(wav.file, 0));
    EXPECT_EQ(10u, music.m_dataSize);
    EXPECT_EQ(Pattern(10), Stream(music));

    MemStream aiff(Aiff(2, 0x10000000, 16, Extended80(8000), Pattern(11)));
    KWOMusic music2;
    ASSERT_TRUE(music2.Load(aiff.file, 0));
    EXPECT_EQ(8u, music2.m_dataSize);

    MemStream au(Au(2, 8000, 1, Pattern(5), 0x7FFFFFFF));
    ASSERT_TRUE(music.Load(au.file, 0));
    EXPECT_EQ(5u, music.m_dataSize);

    // A stream that stops answering ends the data instead of giving empty
    // chunks for ever.
    MemStream closing(Au(2, 8000, 1, Pattern(5)));
    ASSERT_TRUE(music.Load(closing.file, 0));
    closing.file.Close();
    EXPECT_EQ(nullptr, music.NextData());
    EXPECT_EQ(nullptr, music.NextData());
}

TEST(KWOMusic, Failures)
{
    WavFormat ms = Pcm(1, 4);
    ms.encoding = 2;
    ms.blockAlign = 256;
    ms.extension = MsExtension(500);
    WavFormat ima = Pcm(1, 4);
    ima.encoding = 0x11;
    ima.blockAlign = 256;
    ima.extension = ImaExtension(505);
    // The readers are the sounds' (their failures are tested there): here,
    // what music refuses on its own, and one failure of each container.
    struct Case
    {
        const char* what;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"MS ADPCM", Wav(ms, std::string(256, '\0')), "Sound: MS_ADPCM not supported - song.wav\n"},
        {"IMA ADPCM", Wav(ima, std::string(256, '\0')),
         "Sound: IMA_ADPCM not supported - song.wav\n"},
        {"not WAVE", Wav(Pcm(1, 8), "a").replace(8, 4, "AVI "),
         "Sound: bad file type (not WAV) (song.wav)\n"},
        {"AIFF no SSND", Aiff(1, 1, 8, Extended80(8000), "a").replace(38, 4, "SSNX"), ""},
        {"AU mu-law", Au(1, 8000, 1, "ab"), "Sound: AU encoding not supported (1) - song.wav\n"},
        {"unknown start", "OggS", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        KWOMusic music;
        CapturedLog log;
        MemStream in(c.bytes, "song.wav");
        EXPECT_FALSE(music.Load(in.file, 0));
        EXPECT_EQ(c.message, log.Text());
        ExpectEmpty(music);
        EXPECT_EQ(nullptr, music.NextData());
    }

    // A failed load empties a loaded music; an explicit OGG type and the
    // file-name operations always fail.
    MemStream good(Wav(Pcm(1, 8), "abc"));
    MemStream bad(Wav(Pcm(1, 24), "abc"));
    KWOMusic music;
    CapturedLog log;
    ASSERT_TRUE(music.Load(good.file, 0));
    EXPECT_FALSE(music.Load(bad.file, 1));
    ExpectEmpty(music);
    EXPECT_FALSE(music.Load(good.file, KWOMusic::TypeOGG));
    EXPECT_FALSE(music.LoadOGG(good.file));
    EXPECT_FALSE(music.Save(good.file, 0));
}

TEST(KWOMusic, NeedsAStreamThatStaysOpen)
{
    TempDir dir;
    const std::string path = dir / "song.wav";
    const std::string bytes = Wav(Pcm(1, 8), "abcdef");
    WriteFileBytes(path, bytes);

    KWOMusic byName(path.c_str());
    ExpectEmpty(byName);
    EXPECT_FALSE(byName.LoadName(path.c_str(), 0));
    EXPECT_FALSE(byName.SaveName(path.c_str(), 0));
    EXPECT_EQ(bytes, ReadFileBytes(path)); // not emptied

    KWOFile file(path.c_str(), KWOResFile::ModeRead);
    KWOMusic music;
    ASSERT_TRUE(music.Load(file, 0));
    EXPECT_EQ("abcdef", ChunkOf(music, music.NextData()));
    music.Clear();
    EXPECT_EQ(KWOResFile::StateOK, file.GetState()); // the stream is not closed
}

TEST(KWOMusic, PrintInfo)
{
    MemStream in(Wav(Pcm(2, 16), Pattern(40)), "song.wav");
    KWOMusic music;
    ASSERT_TRUE(music.Load(in.file, 0));
    music.NextData();
    KWOMusic empty;
    CapturedLog log;
    music.PrintInfo();
    empty.PrintInfo();
    EXPECT_EQ(
        "Music stream format : 22050 Hz, 16 bits signed LSB (8010), Stereo, 40 bytes (total)\n"
        "File: type: WAV, pos: 40, size: 40, start: 44\n"
        "      name: song.wav\n"
        "Music stream format : 0 Hz, unknown (0), Stereo, 0 bytes (total)\n"
        "File: type: none, pos: 0, size: 0, start: 0\n",
        log.Text());
}
