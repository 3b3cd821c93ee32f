#include "audio/adpcm.h"

#include "core/checked_size.h"
#include "files/KWOResFile.h"

#include <new>

namespace kwo_audio
{
namespace
{
// Microsoft ADPCM: the step adaptation factors (in 1/256) for each 4-bit code.
const int kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                               768, 614, 512, 409, 307, 230, 230, 230};

// IMA ADPCM: the index changes for each code and the 89 step sizes.
const int kImaIndexChange[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
const int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

int16_t Clamp16(int64_t value)
{
    if (value < -32768)
        return -32768;
    if (value > 32767)
        return 32767;
    return static_cast<int16_t>(value);
}

void Put16(unsigned char* out, uint64_t index, int16_t value)
{
    const auto u = static_cast<uint16_t>(value);
    out[2 * index] = static_cast<unsigned char>(u & 0xFF);
    out[2 * index + 1] = static_cast<unsigned char>(u >> 8);
}

uint16_t Get16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Allocates the output of `blocks` blocks of `frames` frames of `channels`
// 16-bit samples; false when it passes the library's buffer limit or
// allocation fails.
bool AllocateOutput(uint32_t blocks, unsigned frames, unsigned channels, DecodedSamples* out)
{
    uint32_t bytes = 0;
    if (!KWO::BufferSize(blocks, uint64_t(frames) * channels, 2, &bytes))
        return false;
    out->size = bytes;
    out->data.reset();
    if (bytes == 0)
        return true;
    out->data.reset(new (std::nothrow) unsigned char[bytes]);
    return out->data != nullptr;
}

struct MsChannel
{
    int predictor;
    uint16_t delta;
    int sample1;
    int sample2;
};

int16_t MsExpand(MsChannel& ch, const int16_t coef[2], unsigned code)
{
    const int signedCode = (code & 8) ? int(code) - 16 : int(code);
    const int64_t prediction =
        (int64_t(ch.sample1) * coef[0] + int64_t(ch.sample2) * coef[1]) / 256;
    const int16_t sample = Clamp16(prediction + int64_t(ch.delta) * signedCode);
    int delta = int(ch.delta) * kMsAdaptation[code] / 256;
    if (delta < 16)
        delta = 16;
    ch.delta = static_cast<uint16_t>(delta);
    ch.sample2 = ch.sample1;
    ch.sample1 = sample;
    return sample;
}

// Whether a block of the alignment holds the header (7 bytes per channel) and
// the codes (two per byte) of the declared samples.
bool MsBlockFits(unsigned channels, unsigned blockAlign, unsigned frames)
{
    if (channels < 1 || channels > 2 || frames < 2)
        return false;
    const uint64_t codes = uint64_t(frames - 2) * channels;
    return 7ull * channels + (codes + 1) / 2 <= blockAlign;
}

// Whether a block of the alignment holds the 4-byte header of each channel and
// the groups of 4 bytes (8 codes) per channel of the declared samples.
bool ImaBlockFits(unsigned channels, unsigned blockAlign, unsigned frames)
{
    if (channels < 1 || frames < 1)
        return false;
    const uint64_t groups = (uint64_t(frames) - 1 + 7) / 8;
    return 4ull * channels * (1 + groups) <= blockAlign;
}

int16_t ImaExpand(int& sample, int& index, unsigned code)
{
    const int step = kImaSteps[index];
    int difference = step >> 3;
    if (code & 4)
        difference += step;
    if (code & 2)
        difference += step >> 1;
    if (code & 1)
        difference += step >> 2;
    if (code & 8)
        difference = -difference;
    sample = Clamp16(int64_t(sample) + difference);
    index += kImaIndexChange[code];
    index = index < 0 ? 0 : (index > 88 ? 88 : index);
    return static_cast<int16_t>(sample);
}
} // namespace

bool InitMsAdpcm(KWOResFile& file, unsigned channels, unsigned blockAlign, MsAdpcmParams* params)
{
    file.Read16(); // extra-size field of the format record
    params->channels = channels;
    params->blockAlign = blockAlign;
    params->samplesPerBlock = file.Read16();
    if (file.Read16() != 7)
        return false;
    for (auto& pair : params->coef)
    {
        pair[0] = static_cast<int16_t>(file.Read16());
        pair[1] = static_cast<int16_t>(file.Read16());
    }
    return MsBlockFits(channels, blockAlign, params->samplesPerBlock);
}

bool InitImaAdpcm(KWOResFile& file, unsigned channels, unsigned blockAlign, ImaAdpcmParams* params)
{
    file.Read16(); // extra-size field of the format record
    params->channels = channels;
    params->blockAlign = blockAlign;
    params->samplesPerBlock = file.Read16();
    return ImaBlockFits(channels, blockAlign, params->samplesPerBlock);
}

bool DecodeMsAdpcm(const MsAdpcmParams& params, const unsigned char* in, uint32_t size,
                   DecodedSamples* out)
{
    const unsigned channels = params.channels;
    const unsigned frames = params.samplesPerBlock;
    if (!MsBlockFits(channels, params.blockAlign, frames))
        return false;
    const uint32_t blocks = size / params.blockAlign;
    if (!AllocateOutput(blocks, frames, channels, out))
        return false;

    const uint64_t codes = uint64_t(frames - 2) * channels;
    uint64_t written = 0; // samples
    for (uint32_t b = 0; b < blocks; ++b)
    {
        const unsigned char* p = in + uint64_t(b) * params.blockAlign;
        MsChannel ch[2] = {};
        for (unsigned c = 0; c < channels; ++c)
        {
            ch[c].predictor = p[c];
            if (ch[c].predictor >= 7)
                return false;
        }
        p += channels;
        for (unsigned c = 0; c < channels; ++c, p += 2)
            ch[c].delta = Get16(p);
        for (unsigned c = 0; c < channels; ++c, p += 2)
            ch[c].sample1 = static_cast<int16_t>(Get16(p));
        for (unsigned c = 0; c < channels; ++c, p += 2)
            ch[c].sample2 = static_cast<int16_t>(Get16(p));
        for (unsigned c = 0; c < channels; ++c)
            Put16(out->data.get(), written++, static_cast<int16_t>(ch[c].sample2));
        for (unsigned c = 0; c < channels; ++c)
            Put16(out->data.get(), written++, static_cast<int16_t>(ch[c].sample1));
        // Two codes per byte, the high nibble first; in stereo the high
        // nibble is channel 0's and the low one channel 1's.
        for (uint64_t i = 0; i < codes; ++i)
        {
            const unsigned byte = p[i / 2];
            const unsigned code = (i % 2 == 0) ? byte >> 4 : byte & 0x0F;
            MsChannel& state = ch[i % channels];
            Put16(out->data.get(), written++, MsExpand(state, params.coef[state.predictor], code));
        }
    }
    return true;
}

bool DecodeImaAdpcm(const ImaAdpcmParams& params, const unsigned char* in, uint32_t size,
                    DecodedSamples* out)
{
    const unsigned channels = params.channels;
    const unsigned frames = params.samplesPerBlock;
    if (channels > 2 || !ImaBlockFits(channels, params.blockAlign, frames))
        return false;
    const uint32_t blocks = size / params.blockAlign;
    if (!AllocateOutput(blocks, frames, channels, out))
        return false;

    for (uint32_t b = 0; b < blocks; ++b)
    {
        const unsigned char* p = in + uint64_t(b) * params.blockAlign;
        const uint64_t first = uint64_t(b) * frames; // first frame of the block
        int sample[2] = {};
        int index[2] = {};
        for (unsigned c = 0; c < channels; ++c, p += 4)
        {
            sample[c] = static_cast<int16_t>(Get16(p));
            index[c] = p[2];
            if (index[c] > 88)
                return false;
            Put16(out->data.get(), first * channels + c, static_cast<int16_t>(sample[c]));
        }
        // Groups of 4 bytes per channel, channel 0's first; each byte gives
        // two samples of its channel, the low nibble first.
        for (unsigned done = 0; done + 1 < frames; done += 8)
        {
            const unsigned count = frames - 1 - done < 8 ? frames - 1 - done : 8;
            for (unsigned c = 0; c < channels; ++c, p += 4)
            {
                for (unsigned k = 0; k < count; ++k)
                {
                    const unsigned byte = p[k / 2];
                    const unsigned code = (k % 2 == 0) ? byte & 0x0F : byte >> 4;
                    const uint64_t frame = first + 1 + done + k;
                    Put16(out->data.get(), frame * channels + c,
                          ImaExpand(sample[c], index[c], code));
                }
            }
        }
    }
    return true;
}
} // namespace kwo_audio
