// Helpers of the audio tests: byte builders for WAV, AIFF and AU files,
// loading from memory, the committed fixtures, and reference ADPCM decoders
// written from the published algorithms, independently of the library's.
#ifndef KWO_TESTS_AUDIO_AUDIO_TEST_SUPPORT_H
#define KWO_TESTS_AUDIO_AUDIO_TEST_SUPPORT_H

#include "files/KWOMemFile.h"
#include "support/TempDir.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace audio_test
{
// SDL 1.2's audio format codes.
enum : int
{
    U8 = 0x0008,
    S8 = 0x8008,
    U16LSB = 0x0010,
    U16MSB = 0x1010,
    S16LSB = 0x8010,
    S16MSB = 0x9010
};

// Appends little- and big-endian fields.
struct Bytes
{
    std::string s;
    Bytes& Id(const char* id)
    {
        s.append(id, 4);
        return *this;
    }
    Bytes& Raw(const std::string& bytes)
    {
        s += bytes;
        return *this;
    }
    Bytes& U8(unsigned v)
    {
        s += static_cast<char>(v & 0xFF);
        return *this;
    }
    Bytes& Le16(unsigned v) { return U8(v).U8(v >> 8); }
    Bytes& Le32(uint32_t v) { return Le16(v & 0xFFFF).Le16(v >> 16); }
    Bytes& Be16(unsigned v) { return U8(v >> 8).U8(v); }
    Bytes& Be32(uint32_t v) { return Be16(v >> 16).Be16(v & 0xFFFF); }
};

// Signed 16-bit samples as little-endian bytes, and back.
inline std::string Le16Samples(const std::vector<int>& samples)
{
    Bytes b;
    for (int v : samples)
        b.Le16(static_cast<unsigned>(v) & 0xFFFF);
    return b.s;
}

inline std::vector<int> SamplesOf(const unsigned char* data, size_t size)
{
    std::vector<int> out;
    for (size_t i = 0; i + 1 < size; i += 2)
        out.push_back(static_cast<int16_t>(data[i] | (data[i + 1] << 8)));
    return out;
}

// The "fmt " fields of a WAV file.
struct WavFormat
{
    unsigned encoding = 1;
    unsigned channels = 1;
    uint32_t rate = 22050;
    unsigned blockAlign = 2;
    unsigned bits = 16;
    std::string extension; // bytes behind the bits-per-sample field
};

// A RIFF WAVE file: the "fmt " chunk, any extra chunks, then "data".
inline std::string Wav(const WavFormat& f, const std::string& data, const std::string& before = "",
                       uint32_t dataLength = 0xFFFFFFFF)
{
    Bytes fmt;
    fmt.Le16(f.encoding).Le16(f.channels).Le32(f.rate).Le32(f.rate * f.blockAlign);
    fmt.Le16(f.blockAlign).Le16(f.bits).Raw(f.extension);
    Bytes body;
    body.Id("WAVE").Id("fmt ").Le32(static_cast<uint32_t>(fmt.s.size())).Raw(fmt.s).Raw(before);
    body.Id("data").Le32(dataLength == 0xFFFFFFFF ? static_cast<uint32_t>(data.size())
                                                  : dataLength);
    body.Raw(data);
    Bytes file;
    file.Id("RIFF").Le32(static_cast<uint32_t>(body.s.size())).Raw(body.s);
    return file.s;
}

// A chunk with its header (no pad byte).
inline std::string Chunk(const char* id, const std::string& body)
{
    Bytes b;
    b.Id(id).Le32(static_cast<uint32_t>(body.size())).Raw(body);
    return b.s;
}

// The Microsoft ADPCM extension: extra size, samples per block, the
// coefficient count and the standard 7 pairs (or `count` of them).
inline std::string MsExtension(unsigned samplesPerBlock, unsigned count = 7)
{
    static const int coef[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                   {240, 0}, {460, -208}, {392, -232}};
    Bytes b;
    b.Le16(4 + 4 * count).Le16(samplesPerBlock).Le16(count);
    for (unsigned i = 0; i < count; ++i)
        b.Le16(static_cast<unsigned>(coef[i % 7][0]) & 0xFFFF)
            .Le16(static_cast<unsigned>(coef[i % 7][1]) & 0xFFFF);
    return b.s;
}

inline std::string ImaExtension(unsigned samplesPerBlock)
{
    Bytes b;
    b.Le16(2).Le16(samplesPerBlock);
    return b.s;
}

// An IEEE 754 80-bit extended value, big-endian, made with frexp.
inline std::string Extended80(double value)
{
    int exponent = 0;
    const double fraction =
        std::frexp(value, &exponent); // value = fraction * 2^exponent, 0.5 <= f < 1
    const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
    Bytes b;
    b.Be16(static_cast<unsigned>(16383 + exponent - 1));
    b.Be32(static_cast<uint32_t>(mantissa >> 32)).Be32(static_cast<uint32_t>(mantissa));
    return b.s;
}

// An AIFF file: FORM, the extra chunks, COMM, then SSND with offset 0.
inline std::string Aiff(unsigned channels, uint32_t frames, unsigned bits, const std::string& rate,
                        const std::string& samples, const std::string& before = "")
{
    Bytes comm;
    comm.Be16(channels).Be32(frames).Be16(bits).Raw(rate);
    Bytes ssnd;
    ssnd.Be32(0).Be32(0).Raw(samples);
    Bytes body;
    body.Id("AIFF").Raw(before);
    body.Id("COMM").Be32(static_cast<uint32_t>(comm.s.size())).Raw(comm.s);
    body.Id("SSND").Be32(static_cast<uint32_t>(ssnd.s.size())).Raw(ssnd.s);
    Bytes file;
    file.Id("FORM").Be32(static_cast<uint32_t>(body.s.size())).Raw(body.s);
    return file.s;
}

// An AU file with a 24-byte header (or `offset`, padded with zeros).
inline std::string Au(uint32_t encoding, uint32_t rate, uint32_t channels,
                      const std::string& samples, uint32_t size = 0xFFFFFFFE, uint32_t offset = 24)
{
    Bytes b;
    b.Id(".snd").Be32(offset).Be32(size == 0xFFFFFFFE ? static_cast<uint32_t>(samples.size())
                                                      : size);
    b.Be32(encoding).Be32(rate).Be32(channels);
    while (b.s.size() < offset)
        b.U8(0);
    return b.Raw(samples).s;
}

// A read-only memory stream over a copy of `bytes`, named `name`.
struct MemStream
{
    explicit MemStream(const std::string& bytes, const char* name = "test.snd")
        : data(bytes.begin(), bytes.end()),
          file(static_cast<unsigned>(data.size()), KWOResFile::ModeRead,
               data.empty() ? nullptr : data.data(), false, name)
    {
    }
    std::vector<unsigned char> data;
    KWOMemFile file;
};

inline std::string Fixture(const std::string& name)
{
    return ReadFileBytes(std::string(KWO_TEST_DATA_DIR) + "/audio/" + name);
}

inline std::string FixturePath(const std::string& name)
{
    return std::string(KWO_TEST_DATA_DIR) + "/audio/" + name;
}

// ---- reference decoders -------------------------------------------------------

inline int Clamp16(long v)
{
    return v < -32768 ? -32768 : (v > 32767 ? 32767 : static_cast<int>(v));
}

inline int Le16At(const std::string& s, size_t at)
{
    return static_cast<int16_t>(static_cast<unsigned char>(s[at]) |
                                (static_cast<unsigned char>(s[at + 1]) << 8));
}

// Microsoft ADPCM, block by block (whole blocks only), interleaved output.
// The prediction is divided by 256 truncating toward zero, or, with
// `roundDown`, rounded down (an arithmetic shift, as some decoders do).
inline std::vector<int> RefMsAdpcm(const std::string& data, unsigned channels, unsigned blockAlign,
                                   unsigned samplesPerBlock, const int coef[7][2],
                                   bool roundDown = false)
{
    static const int adapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                  768, 614, 512, 409, 307, 230, 230, 230};
    std::vector<int> out;
    for (size_t block = 0; (block + 1) * blockAlign <= data.size(); ++block)
    {
        const size_t base = block * blockAlign;
        int pred[2], delta[2], s1[2], s2[2];
        for (unsigned c = 0; c < channels; ++c)
        {
            pred[c] = static_cast<unsigned char>(data[base + c]);
            delta[c] = Le16At(data, base + channels + 2 * c) & 0xFFFF;
            s1[c] = Le16At(data, base + 3 * channels + 2 * c);
            s2[c] = Le16At(data, base + 5 * channels + 2 * c);
        }
        for (unsigned c = 0; c < channels; ++c)
            out.push_back(s2[c]);
        for (unsigned c = 0; c < channels; ++c)
            out.push_back(s1[c]);
        size_t at = base + 7 * channels;
        for (unsigned n = 0; n < (samplesPerBlock - 2) * channels; ++n)
        {
            const unsigned byte = static_cast<unsigned char>(data[at + n / 2]);
            const unsigned nibble = n % 2 ? byte & 15 : byte >> 4;
            const unsigned c = n % channels;
            const int e = nibble >= 8 ? static_cast<int>(nibble) - 16 : static_cast<int>(nibble);
            const long sum = static_cast<long>(s1[c]) * coef[pred[c]][0] +
                             static_cast<long>(s2[c]) * coef[pred[c]][1];
            const long predicted =
                roundDown ? (sum >= 0 ? sum / 256 : -((-sum + 255) / 256)) : sum / 256;
            const int sample = Clamp16(predicted + static_cast<long>(delta[c]) * e);
            delta[c] = (delta[c] * adapt[nibble] / 256) & 0xFFFF;
            if (delta[c] < 16)
                delta[c] = 16;
            s2[c] = s1[c];
            s1[c] = sample;
            out.push_back(sample);
        }
    }
    return out;
}

// IMA ADPCM, block by block (whole blocks only), interleaved output.
inline std::vector<int> RefImaAdpcm(const std::string& data, unsigned channels, unsigned blockAlign,
                                    unsigned samplesPerBlock)
{
    static const int indexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
    static const int steps[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
        25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
        88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
        307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
        1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
        3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
        12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    std::vector<int> out;
    for (size_t block = 0; (block + 1) * blockAlign <= data.size(); ++block)
    {
        const size_t base = block * blockAlign;
        std::vector<std::vector<int>> perChannel(channels);
        for (unsigned c = 0; c < channels; ++c)
        {
            int sample = Le16At(data, base + 4 * c);
            int index = static_cast<unsigned char>(data[base + 4 * c + 2]);
            perChannel[c].push_back(sample);
            for (unsigned k = 0; k + 1 < samplesPerBlock; ++k)
            {
                // Channel c's k-th code: group k / 8, byte (k % 8) / 2 of it.
                const size_t at =
                    base + 4 * channels + (k / 8) * 4 * channels + 4 * c + (k % 8) / 2;
                const unsigned byte = static_cast<unsigned char>(data[at]);
                const unsigned code = k % 2 ? byte >> 4 : byte & 15;
                const int step = steps[index];
                int diff = step >> 3;
                if (code & 4)
                    diff += step;
                if (code & 2)
                    diff += step >> 1;
                if (code & 1)
                    diff += step >> 2;
                sample = Clamp16(code & 8 ? sample - diff : sample + diff);
                index += indexTable[code];
                index = index < 0 ? 0 : (index > 88 ? 88 : index);
                perChannel[c].push_back(sample);
            }
        }
        for (unsigned k = 0; k < samplesPerBlock; ++k)
            for (unsigned c = 0; c < channels; ++c)
                out.push_back(perChannel[c][k]);
    }
    return out;
}
} // namespace audio_test

#endif
