// The two ADPCM codecs of WAV files: Microsoft ADPCM (encoding 2) and IMA/DVI
// ADPCM (encoding 0x11). Both decode whole blocks of blockAlign bytes into
// signed 16-bit little-endian samples, interleaved for stereo; a last partial
// block is ignored.
//
// The Init functions read the codec's extension of the "fmt " chunk (the
// stream stands just behind the bits-per-sample field) and check that a block
// of the declared alignment can hold the declared samples, so the decoders
// never read past a block. Each load keeps its own parameters: decoding is
// reentrant.
#ifndef KWOMEDIA_AUDIO_ADPCM_H
#define KWOMEDIA_AUDIO_ADPCM_H

#include <cstdint>
#include <memory>

class KWOResFile;

namespace kwo_audio
{
struct MsAdpcmParams
{
    unsigned channels;
    unsigned blockAlign;
    unsigned samplesPerBlock;
    int16_t coef[7][2]; // first and second predictor coefficient of each pair
};

struct ImaAdpcmParams
{
    unsigned channels;
    unsigned blockAlign;
    unsigned samplesPerBlock;
};

// Decoded data: `size` bytes in a new[] buffer (null when size is 0).
struct DecodedSamples
{
    std::unique_ptr<unsigned char[]> data;
    uint32_t size = 0;
};

// Reads the extra-size field, the samples per block, the coefficient count
// (which must be 7) and the 7 coefficient pairs. False when the count is not
// 7, the channel count is not 1 or 2, a block holds fewer than 2 samples, or
// the block alignment is too small for the header and codes of one block.
bool InitMsAdpcm(KWOResFile& file, unsigned channels, unsigned blockAlign, MsAdpcmParams* params);

// Reads the extra-size field and the samples per block. False without
// channels or samples, or when a block of the alignment cannot hold them.
bool InitImaAdpcm(KWOResFile& file, unsigned channels, unsigned blockAlign, ImaAdpcmParams* params);

// False when a block names a predictor beyond the 7 pairs or the output does
// not fit in 32 bits or cannot be allocated.
bool DecodeMsAdpcm(const MsAdpcmParams& params, const unsigned char* in, uint32_t size,
                   DecodedSamples* out);

// False for more than 2 channels, an initial step index beyond 88, or an
// output that does not fit in 32 bits or cannot be allocated.
bool DecodeImaAdpcm(const ImaAdpcmParams& params, const unsigned char* in, uint32_t size,
                    DecodedSamples* out);
} // namespace kwo_audio

#endif
