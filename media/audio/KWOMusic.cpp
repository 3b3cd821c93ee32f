#include "audio/KWOMusic.h"

#include "audio/mixer_output.h"
#include "audio/sample_convert.h"
#include "audio/sample_format.h"
#include "audio/sound_readers.h"
#include "core/KWOLog.h"
#include "files/KWOResFile.h"

#include <cstring>
#include <new>

using kwo_audio::Conversion;

KWOMusic::KWOMusic()
    : m_format(0), m_frequency(0), m_channels(0), m_chunk(nullptr), m_chunkSize(0), m_position(0),
      m_dataSize(0), m_file(nullptr), m_dataStart(0), m_type(0), m_outFormat(0), m_outFrequency(0),
      m_outChannels(0), m_buffer{nullptr, nullptr}, m_capacity{0, 0}
{
}

KWOMusic::KWOMusic(const char* filename) : KWOMusic()
{
    LoadName(filename, 0);
}

KWOMusic::~KWOMusic()
{
    Clear();
}

void KWOMusic::Clear()
{
    // A channel playing the music reads its chunk buffers and, through
    // NextData, its stream: it stops before either goes.
    kwo_audio::ReleaseFromMixer(this);
    for (int i = 0; i < 2; ++i)
    {
        delete[] m_buffer[i];
        m_buffer[i] = nullptr;
        m_capacity[i] = 0;
    }
    m_format = 0;
    m_frequency = 0;
    m_channels = 0;
    m_chunk = nullptr;
    m_chunkSize = 0;
    m_position = 0;
    m_dataSize = 0;
    m_file = nullptr;
    m_dataStart = 0;
    m_type = 0;
}

unsigned KWOMusic::MemoryUsed() const
{
    return m_chunkSize + 56;
}

bool KWOMusic::Load(KWOResFile& file, int format)
{
    return kwo_audio::LoadContainer(*this, file, format);
}

bool KWOMusic::Save(KWOResFile&, int)
{
    return false;
}

bool KWOMusic::LoadName(const char*, int)
{
    return false;
}

bool KWOMusic::SaveName(const char*, int)
{
    return false;
}

// Header sizes are limited to the bytes the stream holds, so that reading
// never falls short while the stream is left alone.
bool KWOMusic::Start(int type, KWOResFile& file)
{
    kwo_audio::SoundHeader header;
    if (!kwo_audio::ReadSoundHeader(file, type, kwo_audio::Use::Music, &header))
        return false;
    // A channel would otherwise go on with the old chunk and the new stream.
    kwo_audio::ReleaseFromMixer(this);
    m_type = type;
    m_file = &file;
    m_format = header.format;
    m_frequency = header.frequency;
    m_channels = header.channels;
    m_dataStart = header.dataStart;
    m_dataSize = kwo_audio::WholeFrames(header.Readable(), m_format, m_channels);
    Rewind();
    if (m_outFormat == 0)
    {
        m_outFormat = m_format;
        m_outFrequency = m_frequency;
        m_outChannels = m_channels;
    }
    return true;
}

bool KWOMusic::LoadWAV(KWOResFile& file)
{
    return Start(KWOSound::FormatWAV, file);
}

bool KWOMusic::LoadAIFF(KWOResFile& file)
{
    // 16-bit chunks are swapped to little-endian as they are read.
    return Start(KWOSound::FormatAIFF, file);
}

bool KWOMusic::LoadAU(KWOResFile& file)
{
    return Start(KWOSound::FormatAU, file);
}

bool KWOMusic::LoadOGG(KWOResFile&)
{
    return false;
}

bool KWOMusic::Reserve(int index, unsigned size)
{
    if (m_buffer[index] != nullptr && m_capacity[index] >= size)
        return true;
    auto* buffer = new (std::nothrow) unsigned char[size > 0 ? size : 1];
    if (buffer == nullptr)
        return false;
    if (m_chunk == m_buffer[index])
        m_chunk = nullptr;
    delete[] m_buffer[index];
    m_buffer[index] = buffer;
    m_capacity[index] = size;
    return true;
}

void KWOMusic::Rewind()
{
    m_position = 0;
    m_chunkSize = 0;
    m_chunk = nullptr;
}

const unsigned char* KWOMusic::NextData()
{
    if (m_type == KWOSound::FormatOGG || m_file == nullptr)
        return nullptr;
    const unsigned left = m_position < m_dataSize ? m_dataSize - m_position : 0;
    const unsigned size = left < ChunkBytes ? left : ChunkBytes;
    // A chunk handed out before means the stream stands just behind it;
    // otherwise (first chunk, after the end or SetPosition) it is sought.
    const bool seek = m_chunkSize == 0;
    if (size == 0 || !Reserve(0, size))
    {
        Rewind();
        return nullptr;
    }
    m_chunk = m_buffer[0];
    m_chunkSize = 0;
    if (seek && !kwo_audio::SeekTo(*m_file, uint64_t(m_dataStart) + m_position))
    {
        Rewind();
        return nullptr;
    }
    const unsigned read = m_file->Read(m_chunk, size);
    m_position += read;
    m_chunkSize = read;
    // Nothing readable ends the data: a chunk of 0 bytes would only be asked
    // for again at once.
    if (read == 0)
    {
        Rewind();
        return nullptr;
    }
    int f = m_format;
    if ((m_type == KWOSound::FormatAIFF || m_type == KWOSound::FormatAU) && kwo_audio::Is16Bit(f))
        kwo_audio::Convert(Conversion::Endian, m_chunk, m_chunkSize, m_chunk,
                           kwo_audio::kFormatS16MSB, 1);

    if (m_outFormat == 0 ||
        (m_format == m_outFormat && m_frequency == m_outFrequency && m_channels == m_outChannels))
        return m_chunk;

    // Every step below applies to the running format; Apply fails only when
    // a buffer cannot be made, and the chunk then ends the data.
    bool ok = true;
    int channels = m_channels;
    int64_t rate = m_frequency;
    if (channels == 2 && m_outChannels == 1)
    {
        ok = Apply(static_cast<int>(Conversion::Mono), f, 2);
        channels = 1;
    }
    if (m_outFrequency > 0)
    {
        for (; ok && m_outFrequency < rate; rate /= 2)
            ok = Apply(static_cast<int>(Conversion::Halve), f, channels);
    }
    if (ok && ((m_format ^ m_outFormat) & kwo_audio::kFormatBigEndian) && kwo_audio::Is16Bit(f))
        ok = Apply(static_cast<int>(Conversion::Endian), f, channels);
    if (ok && ((f ^ m_outFormat) & kwo_audio::kFormatSigned))
        ok = Apply(static_cast<int>(Conversion::Sign), f, channels);
    if (ok && ((f ^ m_outFormat) & kwo_audio::kFormatBits))
    {
        const int target = m_outFormat & 0x10FF;
        if (target == kwo_audio::kFormatU8 && kwo_audio::Is16Bit(f))
            ok = Apply(static_cast<int>(Conversion::To8), f, channels);
        else if (target == kwo_audio::kFormatU16LSB && !kwo_audio::Is16Bit(f))
            ok = Apply(static_cast<int>(Conversion::To16LE), f, channels);
        else if (target == kwo_audio::kFormatU16MSB && !kwo_audio::Is16Bit(f))
            ok = Apply(static_cast<int>(Conversion::To16BE), f, channels);
    }
    if (m_outFrequency > 0 && rate > 0)
    {
        for (; ok && m_outFrequency > rate; rate *= 2)
            ok = Apply(static_cast<int>(Conversion::Double), f, channels);
    }
    if (ok && channels == 1 && m_outChannels == 2)
        ok = Apply(static_cast<int>(Conversion::Double), f, 1);
    if (!ok)
    {
        Rewind();
        return nullptr;
    }
    return m_chunk;
}

bool KWOMusic::Apply(int step, int& f, int channels)
{
    const auto conversion = static_cast<Conversion>(step);
    if (m_chunk == nullptr || (conversion == Conversion::Endian && !kwo_audio::Is16Bit(f)))
        return false;
    uint32_t size = 0;
    if (!kwo_audio::ConvertedSize(conversion, m_chunkSize, f, channels, &size))
        return false;
    if (kwo_audio::InPlace(conversion))
    {
        f = kwo_audio::Convert(conversion, m_chunk, m_chunkSize, m_chunk, f, channels);
        return true;
    }
    const int spare = m_chunk == m_buffer[0] ? 1 : 0;
    if (!Reserve(spare, size))
        return false;
    f = kwo_audio::Convert(conversion, m_chunk, m_chunkSize, m_buffer[spare], f, channels);
    m_chunk = m_buffer[spare];
    m_chunkSize = size;
    return true;
}

void KWOMusic::ConvEndian(int& f)
{
    Apply(static_cast<int>(Conversion::Endian), f, 1);
}

void KWOMusic::ConvSign(int& f)
{
    Apply(static_cast<int>(Conversion::Sign), f, 1);
}

void KWOMusic::Conv8to16L(int& f)
{
    Apply(static_cast<int>(Conversion::To16LE), f, 1);
}

void KWOMusic::Conv8to16B(int& f)
{
    Apply(static_cast<int>(Conversion::To16BE), f, 1);
}

void KWOMusic::Conv16to8(int& f)
{
    Apply(static_cast<int>(Conversion::To8), f, 1);
}

void KWOMusic::ConvMUL2(int f, int channels)
{
    Apply(static_cast<int>(Conversion::Double), f, channels);
}

void KWOMusic::ConvDIV2(int f, int channels)
{
    Apply(static_cast<int>(Conversion::Halve), f, channels);
}

void KWOMusic::ConvMono(int f)
{
    Apply(static_cast<int>(Conversion::Mono), f, 2);
}

unsigned KWOMusic::GetPosition() const
{
    if (m_format == 0 || m_channels <= 0)
        return 0;
    return m_position / unsigned(m_channels) / kwo_audio::BytesPerSample(m_format);
}

void KWOMusic::SetPosition(unsigned frame)
{
    if (m_format == 0 || m_channels <= 0)
        return;
    uint64_t offset = uint64_t(frame) * unsigned(m_channels) * kwo_audio::BytesPerSample(m_format);
    if (offset > m_dataSize)
        offset = m_dataSize;
    if (offset != m_position)
    {
        m_position = static_cast<unsigned>(offset);
        m_chunkSize = 0;
        m_chunk = nullptr;
    }
}

void KWOMusic::SetMixerFormat()
{
    kwo_audio::MixerOutput out;
    if (kwo_audio::GetMixerOutput(&out))
        ChangeFormat(out.format, out.frequency, out.channels);
}

void KWOMusic::ChangeFormat(int format, int frequency, int channels)
{
    m_outFormat = format;
    m_outFrequency = frequency;
    m_outChannels = channels;
}

void KWOMusic::PrintInfo() const
{
    static const char* const kTypes[] = {"none", "WAV", "AIFF", "AU", "OGG"};
    KWO::LOG("Music stream format : %d Hz, %s (%X), %s, %d bytes (total)\n", m_frequency,
             kwo_audio::FormatName(m_format), static_cast<unsigned>(m_format),
             m_channels == 1 ? "Mono" : "Stereo", static_cast<int>(m_dataSize));
    KWO::LOG(
        "File: type: %s, pos: %d, size: %d, start: %d\n",
        m_type >= KWOSound::FormatWAV && m_type <= KWOSound::FormatOGG ? kTypes[m_type] : kTypes[0],
        static_cast<int>(m_position), static_cast<int>(m_dataSize), static_cast<int>(m_dataStart));
    if (m_file != nullptr)
        KWO::LOG("      name: %s\n", kwo_audio::StreamName(*m_file));
}
