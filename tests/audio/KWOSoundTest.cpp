#include "audio/KWOSound.h"
#include "audio/KWOMusic.h"
#include "audio_test_support.h"
#include "support/CapturedLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace audio_test;

namespace
{
const int kStandardCoef[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                 {240, 0}, {460, -208}, {392, -232}};

std::string Bytes8(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v & 0xFF);
    return s;
}

std::string DataOf(const KWOSound& sound)
{
    return sound.m_data ? std::string(reinterpret_cast<const char*>(sound.m_data), sound.m_size)
                        : std::string();
}

std::vector<int> Samples(const KWOSound& sound)
{
    return SamplesOf(sound.m_data, sound.m_size);
}

// Gives `sound` the content `data` in the given format.
void Fill(KWOSound& sound, int format, int rate, int channels, const std::string& data)
{
    sound.Clear();
    sound.m_format = format;
    sound.m_frequency = rate;
    sound.m_channels = channels;
    sound.m_size = static_cast<unsigned>(data.size());
    sound.m_data = new unsigned char[data.size() + 1];
    std::memcpy(sound.m_data, data.data(), data.size());
}

void ExpectEmpty(const KWOSound& sound)
{
    EXPECT_EQ(0, sound.m_format);
    EXPECT_EQ(0, sound.m_frequency);
    EXPECT_EQ(0, sound.m_channels);
    EXPECT_EQ(nullptr, sound.m_data);
    EXPECT_EQ(0u, sound.m_size);
}

// Loads `bytes` into `sound` through a memory stream named `name`; returns
// the load's result and leaves the log in `*text`.
bool LoadBytes(KWOSound& sound, const std::string& bytes, std::string* text = nullptr,
               int format = 0, const char* name = "test.wav")
{
    CapturedLog log;
    MemStream in(bytes, name);
    const bool ok = sound.Load(in.file, format);
    if (text)
        *text = log.Text();
    return ok;
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

WavFormat MsFormat(unsigned channels, unsigned blockAlign, unsigned samplesPerBlock,
                   unsigned count = 7)
{
    WavFormat f;
    f.encoding = 2;
    f.channels = channels;
    f.blockAlign = blockAlign;
    f.bits = 4;
    f.extension = MsExtension(samplesPerBlock, count);
    return f;
}

WavFormat ImaFormat(unsigned channels, unsigned blockAlign, unsigned samplesPerBlock)
{
    WavFormat f;
    f.encoding = 0x11;
    f.channels = channels;
    f.blockAlign = blockAlign;
    f.bits = 4;
    f.extension = ImaExtension(samplesPerBlock);
    return f;
}
} // namespace

// ---- WAV ------------------------------------------------------------------------

TEST(KWOSoundWav, PcmFormatsAndWholeFrames)
{
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(Pcm(1, 8, 11025), Bytes8({0, 0x80, 0xFF}))));
    EXPECT_EQ(U8, sound.m_format);
    EXPECT_EQ(11025, sound.m_frequency);
    EXPECT_EQ(1, sound.m_channels);
    EXPECT_EQ(Bytes8({0, 0x80, 0xFF}), DataOf(sound));
    EXPECT_EQ(3u + 24u, sound.MemoryUsed());

    // 4003 bytes of 16-bit stereo are 1000 frames.
    std::string data(4003, '\x11');
    ASSERT_TRUE(LoadBytes(sound, Wav(Pcm(2, 16), data)));
    EXPECT_EQ(S16LSB, sound.m_format);
    EXPECT_EQ(2, sound.m_channels);
    EXPECT_EQ(4000u, sound.m_size);

    // 8-bit stereo: 5 bytes are 2 frames.
    ASSERT_TRUE(LoadBytes(sound, Wav(Pcm(2, 8), Bytes8({1, 2, 3, 4, 5}))));
    EXPECT_EQ(4u, sound.m_size);
}

TEST(KWOSoundWav, ChunksAreSearchedFromTheStartEachTime)
{
    // "data" before "fmt ", and an unknown chunk in between.
    Bytes body;
    body.Id("WAVE").Raw(Chunk("data", Le16Samples({1, -2, 3})));
    body.Raw(Chunk("LIST", "abcd"));
    Bytes fmt;
    fmt.Le16(1).Le16(1).Le32(8000).Le32(16000).Le16(2).Le16(16);
    body.Raw(Chunk("fmt ", fmt.s));
    Bytes file;
    file.Id("RIFF").Le32(static_cast<uint32_t>(body.s.size())).Raw(body.s);

    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, file.s));
    EXPECT_EQ((std::vector<int>{1, -2, 3}), Samples(sound));
    EXPECT_EQ(8000, sound.m_frequency);

    // After an odd-length chunk the next header follows its pad byte; a
    // file written without the pad byte still loads.
    ASSERT_TRUE(LoadBytes(sound, Wav(Pcm(1, 16), Le16Samples({7, 8}), Chunk("odd ", "xyz"))));
    EXPECT_EQ((std::vector<int>{7, 8}), Samples(sound));
    ASSERT_TRUE(LoadBytes(
        sound, Wav(Pcm(1, 16), Le16Samples({5, 6}), Chunk("odd ", "xyz") + std::string(1, '\0'))));
    EXPECT_EQ((std::vector<int>{5, 6}), Samples(sound));
}

TEST(KWOSoundWav, OddChunksAreReadWithOrWithoutTheirPadByte)
{
    // An odd chunk before "fmt " and another before a 32-byte "data" chunk
    // (its length, 0x20, is printable), padded or not, for sounds and music.
    std::vector<int> values;
    for (int i = 0; i < 16; ++i)
        values.push_back(i * 997 - 7000);
    const std::string samples = Le16Samples(values);
    for (unsigned length = 1; length <= 64; ++length)
    {
        for (bool padded : {false, true})
        {
            SCOPED_TRACE(std::to_string(length) + (padded ? " padded" : " unpadded"));
            std::string odd = Chunk("LIST", std::string(length, 'q'));
            if (padded && length % 2 != 0)
                odd += '\0';
            std::string file = Wav(Pcm(1, 16), samples, odd);
            file.insert(12, odd);
            KWOSound sound;
            std::string text;
            ASSERT_TRUE(LoadBytes(sound, file, &text)) << text;
            EXPECT_EQ(samples, DataOf(sound));

            MemStream in(file);
            KWOMusic music;
            ASSERT_TRUE(music.Load(in.file, 0));
            ASSERT_NE(nullptr, music.NextData());
            EXPECT_EQ(samples,
                      std::string(reinterpret_cast<const char*>(music.m_chunk), music.m_chunkSize));

            // A cut file: the "data" chunk declares more than is left. The
            // music plays what there is.
            MemStream cut(Wav(Pcm(1, 16), samples, odd, 132));
            ASSERT_TRUE(music.Load(cut.file, 0));
            EXPECT_EQ(32u, music.m_dataSize);
        }
    }
}

TEST(KWOSoundWav, EveryFailureHasItsMessageAndLeavesTheSoundEmpty)
{
    std::string notWave = Wav(Pcm(1, 16), "ab");
    notWave.replace(8, 4, "WAVX");
    Bytes noFmt;
    noFmt.Id("RIFF").Le32(16).Id("WAVE").Raw(Chunk("data", "abcd"));
    WavFormat float32 = Pcm(1, 32);
    float32.encoding = 3;
    std::string noData = Wav(Pcm(1, 16), "");
    noData.replace(noData.size() - 8, 4, "date");
    std::string lost = Wav(Pcm(1, 16), "abcd", Chunk("junk", ""));
    lost.replace(lost.size() - 16, 4, "\xF0\xFF\xFF\x0F"); // junk's length points far past the end
    const std::string imaStereoBlock(16, '\0');
    std::string badIndex(8, '\0');
    badIndex[2] = 89;
    std::string badPredictor(7 + 4, '\0');
    badPredictor[0] = 7;
    badPredictor[1] = 16;

    struct Case
    {
        const char* what;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"not RIFF", "RIFX" + notWave.substr(4), "Sound: bad file type (not WAV) (test.wav)\n"},
        {"not WAVE", notWave, "Sound: bad file type (not WAV) (test.wav)\n"},
        {"no fmt chunk", noFmt.s, "Sound: internal error\n"},
        {"floating point", Wav(float32, "abcd"), "Sound: Unknown WAV data format - test.wav\n"},
        {"24 bits", Wav(Pcm(1, 24), "abcdef"), "Sound: unknown 24-bits PCM format - test.wav\n"},
        {"no data chunk", noData, "Sound: no data in file test.wav\n"},
        {"chunk past the end", lost, "Sound: no data in file test.wav\n"},
        {"data past the end", Wav(Pcm(1, 16), "abcd", "", 0xFFFFFFF0u),
         "Sound: error reading data - test.wav\n"},
        {"data one byte short", Wav(Pcm(1, 16), "abcd", "", 5),
         "Sound: error reading data - test.wav\n"},
        {"no channel", Wav(Pcm(0, 16), "abcd"),
         "Sound: channel count not supported (0) - test.wav\n"},
        {"3 channels", Wav(Pcm(3, 16), "abcdef"),
         "Sound: channel count not supported (3) - test.wav\n"},
        {"rate 0", Wav(Pcm(1, 16, 0), "abcd"), "Sound: bad sample rate test.wav\n"},
        {"rate 999", Wav(Pcm(1, 16, 999), "abcd"), "Sound: bad sample rate test.wav\n"},
        {"negative rate", Wav(Pcm(1, 16, 0x80000000u), "abcd"),
         "Sound: bad sample rate test.wav\n"},
        {"MS: 6 coefficients", Wav(MsFormat(1, 256, 500, 6), std::string(256, '\0')),
         "Sound: InitMS_ADPCM failed - test.wav\n"},
        {"MS: block too small", Wav(MsFormat(1, 255, 500), std::string(256, '\0')),
         "Sound: InitMS_ADPCM failed - test.wav\n"},
        {"MS: 1 sample per block", Wav(MsFormat(1, 256, 1), std::string(256, '\0')),
         "Sound: InitMS_ADPCM failed - test.wav\n"},
        {"MS: 3 channels", Wav(MsFormat(3, 1024, 500), std::string(1024, '\0')),
         "Sound: InitMS_ADPCM failed - test.wav\n"},
        {"MS: predictor 7", Wav(MsFormat(1, 11, 10), badPredictor),
         "Sound: MS_ADPCM_decode - test.wav\n"},
        {"IMA: no sample per block", Wav(ImaFormat(1, 8, 0), std::string(8, '\0')),
         "Sound: InitIMA_ADPCM failed - test.wav\n"},
        {"IMA: block too small", Wav(ImaFormat(1, 7, 9), std::string(8, '\0')),
         "Sound: InitIMA_ADPCM failed - test.wav\n"},
        {"IMA: no channel", Wav(ImaFormat(0, 8, 9), std::string(8, '\0')),
         "Sound: InitIMA_ADPCM failed - test.wav\n"},
        {"IMA: step index 89", Wav(ImaFormat(1, 8, 9), badIndex),
         "Sound: IMA_ADPCM_decode - test.wav\n"},
        {"IMA: 3 channels", Wav(ImaFormat(3, 24, 9), std::string(24, '\0')),
         "Sound: IMA_ADPCM_decode - test.wav\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        KWOSound sound;
        std::string text;
        EXPECT_FALSE(LoadBytes(sound, c.bytes, &text, 1));
        EXPECT_EQ(c.message, text);
        ExpectEmpty(sound);
    }
}

TEST(KWOSoundWav, DirectLoaderKeepsTheSoundOnFailure)
{
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(Pcm(1, 16), Le16Samples({5, 6}))));
    CapturedLog log;
    MemStream in(Wav(Pcm(1, 24), "abcdef"), "bad.wav");
    EXPECT_FALSE(sound.LoadWAV(in.file));
    EXPECT_EQ(S16LSB, sound.m_format);
    EXPECT_EQ((std::vector<int>{5, 6}), Samples(sound));

    // A stream that is not open.
    KWOMemFile closed(4, KWOResFile::ModeRead);
    closed.Close();
    EXPECT_FALSE(sound.LoadWAV(closed));
    EXPECT_NE(std::string::npos, log.Text().find("Sound: bad file (null)\n"));
    EXPECT_EQ((std::vector<int>{5, 6}), Samples(sound));
}

// ---- Microsoft ADPCM --------------------------------------------------------------

TEST(KWOSoundMsAdpcm, HandDecodedBlock)
{
    // Mono, predictor 0 (256, 0), delta 16, sample1 100, sample2 50; codes
    // 1, -1 (0xF), 0, 7.
    //   code 1:  100 + 16 * 1 = 116; delta 16 * 230 / 256 = 14, raised to 16
    //   code -1: 116 - 16 = 100;     delta 16
    //   code 0:  100;                delta 16
    //   code 7:  100 + 16 * 7 = 212; delta 16 * 614 / 256 = 38
    Bytes block;
    block.U8(0).Le16(16).Le16(100).Le16(50).U8(0x1F).U8(0x07);
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(MsFormat(1, 9, 6), block.s)));
    EXPECT_EQ(S16LSB, sound.m_format);
    EXPECT_EQ((std::vector<int>{50, 100, 116, 100, 100, 212}), Samples(sound));

    // Predictor 3 (192, 64): (-3 * 192 + 0 * 64) / 256 = -2.25 truncates
    // toward zero to -2 (not -3), and code 0 adds nothing. Then a big code
    // clamps: -2 * 192 / 256 ... + delta 20000 * 7 -> 32767.
    Bytes clamp;
    clamp.U8(3).Le16(20000).Le16(static_cast<unsigned>(-3) & 0xFFFF).Le16(0).U8(0x07);
    ASSERT_TRUE(LoadBytes(sound, Wav(MsFormat(1, 8, 4), clamp.s)));
    EXPECT_EQ((std::vector<int>{0, -3, -2, 32767}), Samples(sound));
}

TEST(KWOSoundMsAdpcm, StereoBlocksMatchTheReferenceDecoder)
{
    // Two stereo blocks of 12 frames: header 14 bytes + 10 code bytes.
    std::string data;
    for (int b = 0; b < 2; ++b)
    {
        Bytes block;
        block.U8(b == 0 ? 1 : 5).U8(b == 0 ? 6 : 2).Le16(40 + b).Le16(300).Le16(0xFF00);
        block.Le16(200).Le16(static_cast<unsigned>(-1200) & 0xFFFF).Le16(0xFFF0);
        for (int i = 0; i < 10; ++i)
            block.U8(static_cast<unsigned>(i * 37 + b * 91));
        data += block.s;
    }
    data += "partial"; // a last partial block is ignored
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(MsFormat(2, 24, 12), data)));
    EXPECT_EQ(2, sound.m_channels);
    EXPECT_EQ(RefMsAdpcm(data, 2, 24, 12, kStandardCoef), Samples(sound));
    EXPECT_EQ(2u * 12 * 2 * 2, sound.m_size);
}

TEST(KWOSoundMsAdpcm, OnlyWholeBlocksAreDecoded)
{
    // Block alignment 256, 500 samples per block, 1000 bytes: 3 blocks.
    std::string data(1000, '\0');
    for (int b = 0; b < 4; ++b)
        if (b * 256 + 1 < 1000)
            data[b * 256 + 1] = 16; // delta
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(MsFormat(1, 256, 500), data)));
    EXPECT_EQ(3u * 500 * 2, sound.m_size);

    // Less than one block decodes to nothing.
    ASSERT_TRUE(LoadBytes(sound, Wav(MsFormat(1, 256, 500), data.substr(0, 255))));
    EXPECT_EQ(0u, sound.m_size);
    EXPECT_EQ(S16LSB, sound.m_format);
}

TEST(KWOSoundMsAdpcm, DeclaredBitCountDoesNotChangeTheDecodedFormat)
{
    WavFormat f = MsFormat(1, 8, 4);
    f.bits = 8;
    Bytes block;
    block.U8(0).Le16(16).Le16(10).Le16(20).U8(0x00);
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(f, block.s)));
    EXPECT_EQ(S16LSB, sound.m_format);
    EXPECT_EQ((std::vector<int>{20, 10, 10, 10}), Samples(sound));
}

// ---- IMA ADPCM ----------------------------------------------------------------------

TEST(KWOSoundImaAdpcm, HandDecodedBlock)
{
    // Mono, initial sample 0, index 0 (step 7). Codes, low nibble first:
    //   7:   7/8 + 7 + 7/2 + 7/4 = 0 + 7 + 3 + 1 = 11 -> 11, index 8 (step 16)
    //   0xC: -(16/8 + 16) = -18 -> -7, index 10 (step 19)
    //   0:   19/8 = 2 -> -5, index 9 (step 17)
    //   8:   -(17/8) = -2 -> -7, index 8
    Bytes block;
    block.Le16(0).U8(0).U8(0).U8(0xC7).U8(0x80).U8(0).U8(0);
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(ImaFormat(1, 8, 5), block.s)));
    EXPECT_EQ((std::vector<int>{0, 11, -7, -5, -7}), Samples(sound));

    // The sample clamps at 32767.
    Bytes high;
    high.Le16(32760).U8(88).U8(0).U8(0x77).U8(0).U8(0).U8(0);
    ASSERT_TRUE(LoadBytes(sound, Wav(ImaFormat(1, 8, 3), high.s)));
    EXPECT_EQ((std::vector<int>{32760, 32767, 32767}), Samples(sound));
}

TEST(KWOSoundImaAdpcm, StereoGroupsInterleave)
{
    // Block alignment 1024 and 1017 samples per block: each block gives 1017
    // frames of 4 bytes.
    std::string data(2048 + 100, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 53 + (i >> 4)) & 0xFF);
    for (int b = 0; b < 2; ++b)
    {
        data[b * 1024 + 2] = static_cast<char>(10 + b); // left step index
        data[b * 1024 + 6] = static_cast<char>(40);     // right step index
    }
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(ImaFormat(2, 1024, 1017), data)));
    EXPECT_EQ(2u * 1017 * 4, sound.m_size);
    EXPECT_EQ(RefImaAdpcm(data, 2, 1024, 1017), Samples(sound));
}

TEST(KWOSoundImaAdpcm, LastGroupMayBePartlyUsed)
{
    // 6 samples per block: 5 codes from one 4-byte group, the rest unused.
    std::string data = Bytes8({0x10, 0x00, 20, 0, 0x21, 0x43, 0x65, 0x87});
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(ImaFormat(1, 8, 6), data + data)));
    EXPECT_EQ(RefImaAdpcm(data + data, 1, 8, 6), Samples(sound));
    EXPECT_EQ(12u * 2, sound.m_size);
}

// ---- AIFF -----------------------------------------------------------------------

TEST(KWOSoundAiff, SampleSizesAndByteOrder)
{
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Aiff(1, 3, 8, Extended80(8000), Bytes8({0x80, 0, 0x7F})), nullptr,
                          0, "test.aiff"));
    EXPECT_EQ(S8, sound.m_format);
    EXPECT_EQ(8000, sound.m_frequency);
    EXPECT_EQ(Bytes8({0x80, 0, 0x7F}), DataOf(sound));

    // 16-bit big-endian samples end little-endian.
    ASSERT_TRUE(LoadBytes(sound, Aiff(2, 2, 16, Extended80(22050),
                                      Bytes8({0x12, 0x34, 0x80, 0x01, 0, 1, 0xFF, 0xFE}))));
    EXPECT_EQ(S16LSB, sound.m_format);
    EXPECT_EQ(2, sound.m_channels);
    EXPECT_EQ((std::vector<int>{0x1234, -32767, 1, -2}), Samples(sound));
}

TEST(KWOSoundAiff, ExtendedRates)
{
    // 44100 Hz as stored by the format's writers.
    const std::string rate44100 = Bytes8({0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(rate44100, Extended80(44100));
    for (double rate : {1000.0, 8000.0, 11025.0, 22050.0, 44100.0, 48000.0, 96000.0, 536870912.0})
    {
        SCOPED_TRACE(rate);
        KWOSound sound;
        ASSERT_TRUE(LoadBytes(sound, Aiff(1, 1, 8, Extended80(rate), "x")));
        EXPECT_EQ(static_cast<int>(rate), sound.m_frequency);
    }
    // A fraction is cut off.
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Aiff(1, 1, 8, Extended80(22050.75), "x")));
    EXPECT_EQ(22050, sound.m_frequency);
}

TEST(KWOSoundAiff, Failures)
{
    const std::string samples(4, '\0');
    std::string negative = Extended80(8000);
    negative[0] = static_cast<char>(negative[0] | 0x80);
    struct Case
    {
        const char* what;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"not FORM", "FORX" + Aiff(1, 4, 8, Extended80(8000), samples).substr(4),
         "Sound: not a valid AIFF file test.aiff\n"},
        {"AIFC", Aiff(1, 4, 8, Extended80(8000), samples).replace(8, 4, "AIFC"),
         "Sound: not a valid AIFF file test.aiff\n"},
        {"24 bits", Aiff(1, 1, 24, Extended80(8000), "abc"),
         "Sound: sample size not supported - test.aiff\n"},
        {"no channel", Aiff(0, 4, 8, Extended80(8000), samples),
         "Sound: channel count not supported (0) - test.aiff\n"},
        {"rate below 1", Aiff(1, 4, 8, Extended80(0.5), samples),
         "Sound: bad sample rate test.aiff\n"},
        {"rate of 2^30", Aiff(1, 4, 8, Extended80(1 << 30), samples),
         "Sound: bad sample rate test.aiff\n"},
        {"negative rate", Aiff(1, 4, 8, negative, samples), "Sound: bad sample rate test.aiff\n"},
        {"rate 999", Aiff(1, 4, 8, Extended80(999), samples), "Sound: bad sample rate test.aiff\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        KWOSound sound;
        std::string text;
        EXPECT_FALSE(LoadBytes(sound, c.bytes, &text, 2, "test.aiff"));
        EXPECT_EQ(c.message, text);
        ExpectEmpty(sound);
    }

    // Without SSND (or without COMM) there is nothing to load, silently.
    std::string noSsnd = Aiff(1, 4, 8, Extended80(8000), samples);
    noSsnd.replace(noSsnd.size() - 20, 4, "SSNX");
    std::string noComm = Aiff(1, 4, 8, Extended80(8000), samples);
    noComm.replace(12, 4, "COMX");
    for (const std::string& bytes : {noSsnd, noComm})
    {
        KWOSound sound;
        std::string text;
        EXPECT_FALSE(LoadBytes(sound, bytes, &text));
        EXPECT_TRUE(text.empty() || text.rfind("Sound: offset=0, datasize=0", 0) == 0) << text;
        ExpectEmpty(sound);
    }
}

TEST(KWOSoundAiff, ChunkWalk)
{
    // An odd-length chunk before COMM is followed by its pad byte; the
    // SSND offset skips bytes before the samples and is logged.
    Bytes odd;
    odd.Id("NAME").Be32(3).Raw("abc").U8(0);
    std::string bytes = Aiff(1, 2, 8, Extended80(8000), "..\x05\x06", odd.s);
    const size_t ssnd = bytes.find("SSND");
    bytes[ssnd + 11] = 2; // offset 2
    KWOSound sound;
    std::string text;
    ASSERT_TRUE(LoadBytes(sound, bytes, &text));
    EXPECT_EQ(Bytes8({5, 6}), DataOf(sound));
    EXPECT_EQ("Sound: offset=2, datasize=0, position=" + std::to_string(ssnd + 18) + "\n", text);

    // A truncated SSND chunk gives the whole frames it holds.
    ASSERT_TRUE(LoadBytes(sound, Aiff(2, 100, 16, Extended80(8000), Bytes8({0, 1, 0, 2, 0, 3}))));
    EXPECT_EQ((std::vector<int>{1, 2}), Samples(sound));

    // A chunk length reaching past the end stops the walk.
    std::string lost = Aiff(1, 2, 8, Extended80(8000), "ab", odd.s);
    lost.replace(16, 4, "\x7F\xFF\xFF\xFF");
    EXPECT_FALSE(LoadBytes(sound, lost));
}

// ---- AU ---------------------------------------------------------------------------

TEST(KWOSoundAu, EncodingsAndSizes)
{
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Au(2, 8000, 1, Bytes8({0x80, 0x7F, 0})), nullptr, 0, "test.au"));
    EXPECT_EQ(S8, sound.m_format);
    EXPECT_EQ(8000, sound.m_frequency);
    EXPECT_EQ(Bytes8({0x80, 0x7F, 0}), DataOf(sound));

    ASSERT_TRUE(LoadBytes(sound, Au(3, 44100, 2, Bytes8({0x12, 0x34, 0xFF, 0xFE, 1, 2}))));
    EXPECT_EQ(S16LSB, sound.m_format);
    EXPECT_EQ(2, sound.m_channels);
    EXPECT_EQ((std::vector<int>{0x1234, -2}), Samples(sound)); // whole frames only

    // An unknown size is the rest of the stream; the header may be longer.
    ASSERT_TRUE(LoadBytes(sound, Au(3, 8000, 1, Bytes8({0, 5, 0, 6}), 0xFFFFFFFF, 32)));
    EXPECT_EQ((std::vector<int>{5, 6}), Samples(sound));
}

TEST(KWOSoundAu, Failures)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"not .snd", ".snc" + Au(2, 8000, 1, "ab").substr(4),
         "Sound: not a valid AU file test.au\n"},
        {"mu-law", Au(1, 8000, 1, "ab"), "Sound: AU encoding not supported (1) - test.au\n"},
        {"32-bit linear", Au(5, 8000, 1, "abcd"),
         "Sound: AU encoding not supported (5) - test.au\n"},
        {"3 channels", Au(2, 8000, 3, "abc"), "Sound: channel count not supported (3) - test.au\n"},
        {"rate 0", Au(2, 0, 1, "ab"), "Sound: bad sample rate test.au\n"},
        // The declared data must all be there: no message.
        {"short data", Au(2, 8000, 1, "ab", 3), ""},
        {"huge data", Au(2, 8000, 1, "ab", 0xFFFFFFF0u), ""},
        {"offset past the end", Au(2, 8000, 1, "ab", 2, 24).replace(4, 4, "\0\0\1\0", 4), ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        KWOSound sound;
        std::string text;
        EXPECT_FALSE(LoadBytes(sound, c.bytes, &text, 3, "test.au"));
        EXPECT_EQ(c.message, text);
        ExpectEmpty(sound);
    }
}

// ---- Load -------------------------------------------------------------------------

TEST(KWOSoundLoad, DetectionAndFormatNumbers)
{
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(Pcm(1, 16), Le16Samples({1}))));

    // An unknown start leaves the sound as it was, without a message; so do
    // a stream shorter than four bytes and a stream that is not open.
    for (const std::string& bytes : {std::string("OggS....."), std::string("RI")})
    {
        std::string text;
        EXPECT_FALSE(LoadBytes(sound, bytes, &text));
        EXPECT_EQ("", text);
        EXPECT_EQ((std::vector<int>{1}), Samples(sound));
    }
    KWOMemFile closed(4, KWOResFile::ModeRead);
    closed.Close();
    EXPECT_FALSE(sound.Load(closed, 1));
    EXPECT_EQ((std::vector<int>{1}), Samples(sound));

    // An unknown format number empties the sound; so does a wrong explicit one.
    EXPECT_FALSE(LoadBytes(sound, Wav(Pcm(1, 16), Le16Samples({1})), nullptr, 4));
    ExpectEmpty(sound);
    ASSERT_TRUE(LoadBytes(sound, Wav(Pcm(1, 16), Le16Samples({1}))));
    std::string text;
    EXPECT_FALSE(LoadBytes(sound, Wav(Pcm(1, 16), Le16Samples({1})), &text, 3));
    EXPECT_EQ("Sound: not a valid AU file test.wav\n", text);
    ExpectEmpty(sound);

    // Explicit numbers load each format.
    EXPECT_TRUE(LoadBytes(sound, Aiff(1, 1, 8, Extended80(8000), "x"), nullptr, 2));
    EXPECT_TRUE(LoadBytes(sound, Au(2, 8000, 1, "x"), nullptr, 3));
    MemStream in("RIFF");
    EXPECT_FALSE(sound.LoadOGG(in.file));
}

TEST(KWOSoundLoad, NamedFilesAndSaving)
{
    TempDir dir;
    const std::string path = dir / "ding.wav";
    const std::string bytes = Wav(Pcm(1, 16), Le16Samples({3, 4}));
    WriteFileBytes(path, bytes);

    KWOSound named(path.c_str());
    EXPECT_EQ((std::vector<int>{3, 4}), Samples(named));
    KWOSound missing((dir / "missing.wav").c_str());
    ExpectEmpty(missing);

    // Sounds are never written, and saving does not empty the file.
    KWOMemFile out(64, KWOResFile::ModeWrite);
    EXPECT_FALSE(named.Save(out, 0));
    EXPECT_FALSE(named.SaveName(path.c_str(), 0));
    EXPECT_EQ(bytes, ReadFileBytes(path));
}

TEST(KWOSoundLoad, PrintInfo)
{
    KWOSound sound;
    ASSERT_TRUE(LoadBytes(sound, Wav(Pcm(1, 16), std::string(4000, '\0'))));
    CapturedLog log;
    sound.PrintInfo();
    Fill(sound, U16MSB, 8000, 2, "abcd");
    sound.PrintInfo();
    Fill(sound, 0x20, 8000, 1, "abcd");
    sound.PrintInfo();
    EXPECT_EQ("Sound format : 22050 Hz, 16 bits signed LSB (8010), Mono, 4000 bytes\n"
              "Sound format : 8000 Hz, 16 bits unsigned MSB (1010), Stereo, 4 bytes\n"
              "Sound format : 8000 Hz, unknown (20), Mono, 4 bytes\n",
              log.Text());
}

// ---- conversions --------------------------------------------------------------------

TEST(KWOSoundConvert, SingleSteps)
{
    KWOSound s;
    Fill(s, S16LSB, 8000, 1, Bytes8({0x34, 0x12, 0xFF, 0x7F}));
    s.ConvEndian();
    EXPECT_EQ(S16MSB, s.m_format);
    EXPECT_EQ(Bytes8({0x12, 0x34, 0x7F, 0xFF}), DataOf(s));
    s.ConvSign(); // the high byte is the first in big-endian data
    EXPECT_EQ(U16MSB, s.m_format);
    EXPECT_EQ(Bytes8({0x92, 0x34, 0xFF, 0xFF}), DataOf(s));
    s.Conv16to8();
    EXPECT_EQ(U8, s.m_format);
    EXPECT_EQ(Bytes8({0x92, 0xFF}), DataOf(s));
    s.ConvEndian(); // nothing for 8-bit data
    EXPECT_EQ(U8, s.m_format);
    s.Conv16to8(); // not 16-bit: nothing
    EXPECT_EQ(2u, s.m_size);
    s.Conv8to16B();
    EXPECT_EQ(U16MSB, s.m_format);
    EXPECT_EQ(Bytes8({0x92, 0, 0xFF, 0}), DataOf(s));
    s.Conv8to16L(); // not 8-bit: nothing
    EXPECT_EQ(4u, s.m_size);

    Fill(s, S8, 8000, 1, Bytes8({0x80, 0x01}));
    s.Conv8to16L();
    EXPECT_EQ(S16LSB, s.m_format);
    EXPECT_EQ(Bytes8({0, 0x80, 0, 0x01}), DataOf(s));
    s.ConvSign(); // the high byte is the second in little-endian data
    EXPECT_EQ(U16LSB, s.m_format);
    EXPECT_EQ(Bytes8({0, 0x00, 0, 0x81}), DataOf(s));

    // Signed 16-bit data become signed 8-bit data, labelled so.
    Fill(s, S16LSB, 8000, 1, Le16Samples({-256, 0x7F00}));
    s.Conv16to8();
    EXPECT_EQ(S8, s.m_format);
    EXPECT_EQ(Bytes8({0xFF, 0x7F}), DataOf(s));
}

TEST(KWOSoundConvert, RateAndChannelSteps)
{
    KWOSound s;
    // Stereo rate steps keep left and right together.
    Fill(s, S16LSB, 8000, 2, Le16Samples({1, -1, 2, -2, 3, -3, 4, -4}));
    s.ConvFreqMUL2();
    EXPECT_EQ(16000, s.m_frequency);
    EXPECT_EQ((std::vector<int>{1, -1, 1, -1, 2, -2, 2, -2, 3, -3, 3, -3, 4, -4, 4, -4}),
              Samples(s));
    s.ConvFreqDIV2();
    s.ConvFreqDIV2();
    EXPECT_EQ(4000, s.m_frequency);
    EXPECT_EQ((std::vector<int>{1, -1, 3, -3}), Samples(s));

    // Mono: left + right, clipped, in the data's byte order.
    Fill(s, S16LSB, 8000, 2, Le16Samples({30000, 10000, -30000, -10000, 100, -50}));
    s.ConvMono();
    EXPECT_EQ(1, s.m_channels);
    EXPECT_EQ((std::vector<int>{32767, -32768, 50}), Samples(s));
    s.ConvMono(); // already mono: nothing
    EXPECT_EQ(6u, s.m_size);
    s.ConvStereo();
    EXPECT_EQ(2, s.m_channels);
    EXPECT_EQ((std::vector<int>{32767, 32767, -32768, -32768, 50, 50}), Samples(s));

    Fill(s, S16MSB, 8000, 2, Bytes8({0x75, 0x30, 0x27, 0x10}));
    s.ConvMono();
    EXPECT_EQ(Bytes8({0x7F, 0xFF}), DataOf(s));
    Fill(s, S8, 8000, 2, Bytes8({100, 100, 0x80, 0xFF, 5, 0xFB}));
    s.ConvMono();
    EXPECT_EQ(Bytes8({127, 0x80, 0}), DataOf(s));

    // Unsigned data are added around their midpoint: silence stays silence.
    Fill(s, U8, 8000, 2, Bytes8({128, 128, 200, 200, 10, 20, 255, 255}));
    s.ConvMono();
    EXPECT_EQ(Bytes8({128, 255, 0, 255}), DataOf(s));
    Fill(s, U16LSB, 8000, 2, Le16Samples({-32768, -32768, 0, 0, -32768 + 1000, -32768 + 2000}));
    s.ConvMono();
    EXPECT_EQ((std::vector<int>{-32768, 0, -32768 + 3000}), Samples(s));
}

TEST(KWOSoundConvert, ChangeFormatOrder)
{
    // 8-bit unsigned mono 11025 Hz to signed 16-bit little-endian 22050 Hz
    // stereo: sign flip, 8 to 16 bits, rate doubling, stereo; 8 times larger.
    KWOSound s;
    Fill(s, U8, 11025, 1, Bytes8({0x00, 0x80, 0xFF}));
    s.ChangeFormat(S16LSB, 22050, 2);
    EXPECT_EQ(S16LSB, s.m_format);
    EXPECT_EQ(22050, s.m_frequency);
    EXPECT_EQ(2, s.m_channels);
    EXPECT_EQ(24u, s.m_size);
    EXPECT_EQ(
        (std::vector<int>{-32768, -32768, -32768, -32768, 0, 0, 0, 0, 32512, 32512, 32512, 32512}),
        Samples(s));

    // 48000 Hz towards 22050 Hz: 24000, 12000, then back to 24000.
    Fill(s, S16LSB, 48000, 1, Le16Samples({1, 2, 3, 4, 5, 6, 7, 8}));
    s.ChangeFormat(S16LSB, 22050, 1);
    EXPECT_EQ(24000, s.m_frequency);
    EXPECT_EQ((std::vector<int>{1, 1, 5, 5}), Samples(s));

    // Rates within the same hundred count as equal.
    Fill(s, S16LSB, 22000, 1, Le16Samples({1, 2}));
    s.ChangeFormat(S16LSB, 22050, 1);
    EXPECT_EQ(22000, s.m_frequency);
    EXPECT_EQ(4u, s.m_size);

    // Stereo 16-bit big-endian signed to mono 8-bit unsigned.
    Fill(s, S16MSB, 8000, 2, Bytes8({0x10, 0, 0x20, 0, 0xF0, 0, 0xF0, 0}));
    s.ChangeFormat(U8, 8000, 1);
    EXPECT_EQ(U8, s.m_format);
    EXPECT_EQ(1, s.m_channels);
    EXPECT_EQ(Bytes8({0xB0, 0x60}), DataOf(s));

    // To signed 8 bits: the label follows the signed data.
    Fill(s, S16LSB, 8000, 1, Le16Samples({-256, 256}));
    s.ChangeFormat(S8, 8000, 1);
    EXPECT_EQ(S8, s.m_format);
    EXPECT_EQ(Bytes8({0xFF, 0x01}), DataOf(s));

    // Unsigned 8 bits to big-endian signed 16 bits.
    Fill(s, U8, 8000, 1, Bytes8({0x81}));
    s.ChangeFormat(S16MSB, 8000, 1);
    EXPECT_EQ(S16MSB, s.m_format);
    EXPECT_EQ(Bytes8({0x01, 0}), DataOf(s));
}

TEST(KWOSoundConvert, NothingToDoOrNothingSensible)
{
    // An empty sound stays empty.
    KWOSound empty;
    empty.ChangeFormat(S16LSB, 22050, 2);
    empty.ConvFreqMUL2();
    empty.ConvStereo();
    empty.SetMixerFormat();
    ExpectEmpty(empty);

    // Rates of 0 or below leave the rate alone (and do not loop).
    KWOSound s;
    Fill(s, S16LSB, 8000, 1, Le16Samples({1, 2}));
    s.ChangeFormat(S16LSB, 0, 1);
    s.ChangeFormat(S16LSB, -5, 1);
    EXPECT_EQ(8000, s.m_frequency);
    EXPECT_EQ(4u, s.m_size);

    // A very high target doubles until the size would pass 32 bits.
    Fill(s, U8, 0x40000000, 1, "ab");
    s.ChangeFormat(U8, 0x7FFFFFFF, 1);
    EXPECT_EQ(0x40000000, s.m_frequency);

    // Without an open mixer SetMixerFormat does nothing.
    Fill(s, U8, 11025, 1, "abc");
    s.SetMixerFormat();
    EXPECT_EQ(U8, s.m_format);
    EXPECT_EQ(11025, s.m_frequency);
    EXPECT_EQ("abc", DataOf(s));
}
