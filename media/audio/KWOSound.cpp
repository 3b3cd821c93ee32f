#include "audio/KWOSound.h"

#include "audio/adpcm.h"
#include "audio/mixer_output.h"
#include "audio/sample_convert.h"
#include "audio/sample_format.h"
#include "audio/sound_readers.h"
#include "core/KWOLog.h"
#include "files/KWOResFile.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

using kwo_audio::Conversion;

namespace
{
// Reads `size` bytes at `start` into a new buffer; null (with *read 0) when
// the buffer cannot be made or nothing could be read. `*read` tells how many
// bytes arrived.
std::unique_ptr<unsigned char[]> ReadBlock(KWOResFile& file, uint32_t start, uint32_t size,
                                           uint32_t* read)
{
    *read = 0;
    if (size == 0)
        return nullptr;
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[size]);
    if (!data || !kwo_audio::SeekTo(file, start))
        return nullptr;
    *read = file.Read(data.get(), size);
    return data;
}

void SwapBytes(unsigned char* data, uint32_t size)
{
    kwo_audio::Convert(Conversion::Endian, data, size, data, kwo_audio::kFormatS16MSB, 1);
}
} // namespace

KWOSound::KWOSound() : m_format(0), m_frequency(0), m_channels(0), m_data(nullptr), m_size(0) {}

KWOSound::KWOSound(const char* filename) : KWOSound()
{
    LoadName(filename, FormatDetect);
}

KWOSound::~KWOSound()
{
    kwo_audio::ReleaseFromMixer(this);
    delete[] m_data;
}

void KWOSound::Clear()
{
    kwo_audio::ReleaseFromMixer(this);
    delete[] m_data;
    m_data = nullptr;
    m_format = 0;
    m_frequency = 0;
    m_channels = 0;
    m_size = 0;
}

void KWOSound::Assign(int format, int frequency, int channels, unsigned char* data, unsigned size)
{
    kwo_audio::ReleaseFromMixer(this);
    delete[] m_data;
    m_format = format;
    m_frequency = frequency;
    m_channels = channels;
    m_data = data;
    m_size = size;
}

unsigned KWOSound::MemoryUsed() const
{
    return m_size + 24;
}

bool KWOSound::Load(KWOResFile& file, int format)
{
    return kwo_audio::LoadContainer(*this, file, format);
}

bool KWOSound::Save(KWOResFile&, int)
{
    return false;
}

bool KWOSound::SaveName(const char*, int)
{
    return false;
}

bool KWOSound::LoadWAV(KWOResFile& file)
{
    kwo_audio::SoundHeader info;
    if (!kwo_audio::ReadSoundHeader(file, FormatWAV, kwo_audio::Use::Sound, &info))
        return false;
    const char* name = kwo_audio::StreamName(file);

    // A data chunk longer than the rest of the stream cannot be read whole:
    // that is known before anything is allocated.
    uint32_t size = info.dataSize;
    uint32_t read = 0;
    std::unique_ptr<unsigned char[]> data;
    if (size <= info.available)
        data = ReadBlock(file, info.dataStart, size, &read);
    if (read != size)
    {
        KWO::WARN("Sound: error reading data - %s\n", name);
        return false;
    }

    if (info.encoding == kwo_audio::kWavMsAdpcm || info.encoding == kwo_audio::kWavImaAdpcm)
    {
        kwo_audio::DecodedSamples decoded;
        if (info.encoding == kwo_audio::kWavMsAdpcm &&
            !kwo_audio::DecodeMsAdpcm(info.ms, data.get(), size, &decoded))
        {
            KWO::WARN("Sound: MS_ADPCM_decode - %s\n", name);
            return false;
        }
        if (info.encoding == kwo_audio::kWavImaAdpcm &&
            !kwo_audio::DecodeImaAdpcm(info.ima, data.get(), size, &decoded))
        {
            KWO::WARN("Sound: IMA_ADPCM_decode - %s\n", name);
            return false;
        }
        data = std::move(decoded.data);
        size = decoded.size;
    }
    size = kwo_audio::WholeFrames(size, info.format, info.channels);
    Assign(info.format, info.frequency, info.channels, data.release(), size);
    return true;
}

bool KWOSound::LoadAIFF(KWOResFile& file)
{
    // A SSND chunk cut short by the end of the file gives the frames it holds.
    return LoadLinear(file, FormatAIFF, false);
}

bool KWOSound::LoadAU(KWOResFile& file)
{
    // The whole declared size must be there.
    return LoadLinear(file, FormatAU, true);
}

bool KWOSound::LoadLinear(KWOResFile& file, int container, bool whole)
{
    kwo_audio::SoundHeader info;
    if (!kwo_audio::ReadSoundHeader(file, container, kwo_audio::Use::Sound, &info))
        return false;
    // AU: all the declared bytes; AIFF: the whole frames the stream holds.
    uint32_t size = info.Readable();
    if (whole && size < info.dataSize)
        return false;
    if (!whole)
        size = kwo_audio::WholeFrames(size, info.format, info.channels);
    uint32_t read = 0;
    std::unique_ptr<unsigned char[]> data = ReadBlock(file, info.dataStart, size, &read);
    if (whole ? read != size : size > 0 && !data)
        return false;
    read = kwo_audio::WholeFrames(read, info.format, info.channels);
    if (info.bigEndian)
        SwapBytes(data.get(), read);
    Assign(info.format, info.frequency, info.channels, data.release(), read);
    return true;
}

bool KWOSound::LoadOGG(KWOResFile&)
{
    return false;
}

bool KWOSound::Apply(int step)
{
    const auto conversion = static_cast<Conversion>(step);
    if (m_data == nullptr || m_format == 0)
        return false;
    switch (conversion)
    {
        case Conversion::Endian:
            if (!kwo_audio::Is16Bit(m_format))
                return false;
            break;
        case Conversion::Double:
            if (m_frequency > INT_MAX / 2)
                return false;
            break;
        case Conversion::Mono:
            if (m_channels != 2)
                return false;
            break;
        case Conversion::Stereo:
            if (m_channels != 1)
                return false;
            break;
        default:
            break;
    }
    uint32_t size = 0;
    if (!kwo_audio::ConvertedSize(conversion, m_size, m_format, m_channels, &size))
        return false;
    // The samples change, and may move: no channel may go on reading them.
    kwo_audio::ReleaseFromMixer(this);
    unsigned char* out = m_data;
    if (!kwo_audio::InPlace(conversion))
    {
        out = new (std::nothrow) unsigned char[size > 0 ? size : 1];
        if (out == nullptr)
            return false;
    }
    m_format = kwo_audio::Convert(conversion, m_data, m_size, out, m_format, m_channels);
    if (out != m_data)
    {
        delete[] m_data;
        m_data = out;
    }
    m_size = size;
    switch (conversion)
    {
        case Conversion::Double:
            m_frequency *= 2;
            break;
        case Conversion::Halve:
            m_frequency /= 2;
            break;
        case Conversion::Mono:
            m_channels = 1;
            break;
        case Conversion::Stereo:
            m_channels = 2;
            break;
        default:
            break;
    }
    return true;
}

void KWOSound::ConvEndian()
{
    Apply(static_cast<int>(Conversion::Endian));
}

void KWOSound::ConvSign()
{
    Apply(static_cast<int>(Conversion::Sign));
}

void KWOSound::Conv8to16L()
{
    Apply(static_cast<int>(Conversion::To16LE));
}

void KWOSound::Conv8to16B()
{
    Apply(static_cast<int>(Conversion::To16BE));
}

void KWOSound::Conv16to8()
{
    Apply(static_cast<int>(Conversion::To8));
}

void KWOSound::ConvFreqMUL2()
{
    Apply(static_cast<int>(Conversion::Double));
}

void KWOSound::ConvFreqDIV2()
{
    Apply(static_cast<int>(Conversion::Halve));
}

void KWOSound::ConvMono()
{
    Apply(static_cast<int>(Conversion::Mono));
}

void KWOSound::ConvStereo()
{
    Apply(static_cast<int>(Conversion::Stereo));
}

void KWOSound::SetMixerFormat()
{
    kwo_audio::MixerOutput out;
    if (m_format == 0 || !kwo_audio::GetMixerOutput(&out))
        return;
    if (out.format == m_format && out.frequency == m_frequency && out.channels == m_channels)
        return;
    ChangeFormat(out.format, out.frequency, out.channels);
}

void KWOSound::ChangeFormat(int format, int frequency, int channels)
{
    if (m_data == nullptr || m_format == 0)
        return;
    if (m_channels == 2 && channels == 1)
        ConvMono();
    // Only halving and doubling exist; a rate within the same hundred (22000
    // for 22050) counts as reached. Each pass halves or doubles m_frequency
    // or stops, so the loops end.
    if (frequency > 0 && m_frequency / 100 != frequency / 100)
    {
        while (frequency < m_frequency && Apply(static_cast<int>(Conversion::Halve)))
        {
        }
    }
    if (((m_format ^ format) & kwo_audio::kFormatBigEndian) && kwo_audio::Is16Bit(m_format))
        ConvEndian();
    if ((m_format ^ format) & kwo_audio::kFormatSigned)
        ConvSign();
    if ((m_format ^ format) & kwo_audio::kFormatBits)
    {
        switch (format & 0x10FF)
        {
            case kwo_audio::kFormatU8:
                Conv16to8();
                break;
            case kwo_audio::kFormatU16LSB:
                Conv8to16L();
                break;
            case kwo_audio::kFormatU16MSB:
                Conv8to16B();
                break;
            default:
                break;
        }
    }
    if (frequency > 0 && m_frequency / 100 != frequency / 100)
    {
        while (frequency > m_frequency && m_frequency > 0 &&
               Apply(static_cast<int>(Conversion::Double)))
        {
        }
    }
    if (m_channels == 1 && channels == 2)
        ConvStereo();
}

void KWOSound::PrintInfo() const
{
    KWO::LOG("Sound format : %d Hz, %s (%X), %s, %d bytes\n", m_frequency,
             kwo_audio::FormatName(m_format), static_cast<unsigned>(m_format),
             m_channels == 1 ? "Mono" : "Stereo", static_cast<int>(m_size));
}
