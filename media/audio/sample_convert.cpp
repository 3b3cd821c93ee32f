#include "audio/sample_convert.h"

#include "audio/sample_format.h"
#include "core/checked_size.h"

#include <cstring>

namespace kwo_audio
{
namespace
{
int Clip(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

unsigned Read16(const unsigned char* p, bool bigEndian)
{
    return bigEndian ? (unsigned(p[0]) << 8 | p[1]) : (unsigned(p[1]) << 8 | p[0]);
}

void Write16(unsigned char* p, unsigned value, bool bigEndian)
{
    const auto hi = static_cast<unsigned char>(value >> 8);
    const auto lo = static_cast<unsigned char>(value & 0xFF);
    p[0] = bigEndian ? hi : lo;
    p[1] = bigEndian ? lo : hi;
}

// The kinds ConvMono knows, by the 0x8018 bits of the format.
enum MonoKind
{
    MonoNone,
    MonoU8,
    MonoS8,
    MonoU16,
    MonoS16
};

MonoKind KindOf(int format)
{
    switch (format & 0x8018)
    {
        case 0x0008:
            return MonoU8;
        case 0x8008:
            return MonoS8;
        case 0x0010:
            return MonoU16;
        case 0x8010:
            return MonoS16;
        default:
            return MonoNone;
    }
}

// One mono sample from a left and a right one. Signed samples are added and
// clipped; unsigned ones are added around their midpoint, so that silence
// (128 or 32768 on both sides) stays silence instead of becoming full scale.
void MixPair(const unsigned char* in, unsigned char* out, MonoKind kind, bool bigEndian)
{
    switch (kind)
    {
        case MonoU8:
            out[0] = static_cast<unsigned char>(Clip(int(in[0]) + int(in[1]) - 128, 0, 255));
            break;
        case MonoS8:
        {
            const int sum = int(static_cast<signed char>(in[0])) + static_cast<signed char>(in[1]);
            out[0] = static_cast<unsigned char>(Clip(sum, -128, 127));
            break;
        }
        case MonoU16:
        {
            const int sum = int(Read16(in, bigEndian)) + int(Read16(in + 2, bigEndian)) - 32768;
            Write16(out, unsigned(Clip(sum, 0, 65535)), bigEndian);
            break;
        }
        case MonoS16:
        {
            const int sum = int(static_cast<int16_t>(Read16(in, bigEndian))) +
                            int(static_cast<int16_t>(Read16(in + 2, bigEndian)));
            Write16(out, unsigned(Clip(sum, -32768, 32767)) & 0xFFFFu, bigEndian);
            break;
        }
        case MonoNone:
            break;
    }
}

uint64_t FrameBytes(int format, int channels)
{
    return uint64_t(BytesPerSample(format)) * unsigned(channels > 1 ? channels : 1);
}
} // namespace

bool InPlace(Conversion conversion)
{
    return conversion == Conversion::Endian || conversion == Conversion::Sign;
}

bool ConvertedSize(Conversion conversion, uint32_t size, int format, int channels, uint32_t* out)
{
    const uint64_t sample = BytesPerSample(format);
    switch (conversion)
    {
        case Conversion::Endian:
        case Conversion::Sign:
            *out = size;
            return true;
        case Conversion::To16LE:
        case Conversion::To16BE:
            return (format & kFormatBits) == 8 && KWO::SizeMul(size, 2, out);
        case Conversion::To8:
            *out = size / 2;
            return Is16Bit(format);
        case Conversion::Double:
        {
            const uint64_t frame = FrameBytes(format, channels);
            return KWO::SizeMul(size / frame * frame, 2, out);
        }
        case Conversion::Halve:
        {
            const uint64_t frame = FrameBytes(format, channels);
            *out = static_cast<uint32_t>(size / frame / 2 * frame);
            return true;
        }
        case Conversion::Mono:
            *out = static_cast<uint32_t>(size / (2 * sample) * sample);
            return KindOf(format) != MonoNone;
        case Conversion::Stereo:
            return KWO::SizeMul(size / sample * sample, 2, out);
    }
    return false;
}

int Convert(Conversion conversion, const unsigned char* src, uint32_t size, unsigned char* dst,
            int format, int channels)
{
    const bool bigEndian = (format & kFormatBigEndian) != 0;
    const uint32_t sample = BytesPerSample(format);
    switch (conversion)
    {
        case Conversion::Endian:
            if (!Is16Bit(format))
                return format;
            for (uint32_t i = 0; i + 1 < size; i += 2)
            {
                const unsigned char b = dst[i];
                dst[i] = dst[i + 1];
                dst[i + 1] = b;
            }
            return format ^ kFormatBigEndian;
        case Conversion::Sign:
        {
            // The high byte: the only byte of 8-bit data, the second byte of
            // little-endian 16-bit data, the first of big-endian data.
            const uint32_t high = sample == 2 && !bigEndian ? 1 : 0;
            for (uint32_t i = 0; i + sample <= size; i += sample)
                dst[i + high] ^= 0x80;
            return format ^ kFormatSigned;
        }
        case Conversion::To16LE:
        case Conversion::To16BE:
        {
            const bool toBig = conversion == Conversion::To16BE;
            for (uint32_t i = 0; i < size; ++i)
            {
                dst[2 * i] = toBig ? src[i] : 0;
                dst[2 * i + 1] = toBig ? 0 : src[i];
            }
            return (format & kFormatSigned) | (toBig ? kFormatU16MSB : kFormatU16LSB);
        }
        case Conversion::To8:
        {
            const uint32_t high = bigEndian ? 0 : 1;
            for (uint32_t i = 0; i < size / 2; ++i)
                dst[i] = src[2 * i + high];
            // The label follows the data: signed 16-bit samples give signed
            // 8-bit ones.
            return (format & kFormatSigned) | kFormatU8;
        }
        case Conversion::Double:
        {
            const uint32_t frame = static_cast<uint32_t>(FrameBytes(format, channels));
            for (uint32_t i = 0, o = 0; i + frame <= size; i += frame, o += 2 * frame)
            {
                std::memcpy(dst + o, src + i, frame);
                std::memcpy(dst + o + frame, src + i, frame);
            }
            return format;
        }
        case Conversion::Halve:
        {
            const uint32_t frame = static_cast<uint32_t>(FrameBytes(format, channels));
            for (uint32_t i = 0, o = 0; i + 2 * frame <= size; i += 2 * frame, o += frame)
                std::memcpy(dst + o, src + i, frame);
            return format;
        }
        case Conversion::Mono:
        {
            const MonoKind kind = KindOf(format);
            for (uint32_t i = 0, o = 0; i + 2 * sample <= size; i += 2 * sample, o += sample)
                MixPair(src + i, dst + o, kind, bigEndian);
            return format;
        }
        case Conversion::Stereo:
            for (uint32_t i = 0, o = 0; i + sample <= size; i += sample, o += 2 * sample)
            {
                std::memcpy(dst + o, src + i, sample);
                std::memcpy(dst + o + sample, src + i, sample);
            }
            return format;
    }
    return format;
}
} // namespace kwo_audio
