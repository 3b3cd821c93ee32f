// The mixer driven by arbitrary bytes: an output format, sounds of any size
// (odd ones included), a music stream with any PCM header, then a script of
// channel operations and mixing calls of any length. The device stays
// paused, so only the script runs the mixing callback. The script may
// destroy a sound or the music while channels play them.
//
// Input: byte 0 picks the output format (bits 0-2), stereo (bit 3) and the
// channel count (bits 4-7); three sounds follow, each a 16-bit length and
// that many bytes; then the music: format byte, 16-bit length and bytes;
// the rest is the script.
#include "audio/KWOMixer.h"
#include "audio/KWOMusic.h"
#include "audio/KWOSound.h"
#include "core/KWOLog.h"
#include "files/KWOMemFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
const int kFormats[] = {0x0008, 0x8008, 0x0010, 0x1010, 0x8010, 0x9010};

struct Reader
{
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    unsigned Byte() { return at < size ? data[at++] : 0; }
    unsigned Word() { return Byte() | (Byte() << 8); }
    bool More() const { return at < size; }
    std::vector<unsigned char> Bytes(size_t n)
    {
        n = n < size - at ? n : size - at;
        std::vector<unsigned char> out(data + at, data + at + n);
        at += n;
        return out;
    }
};

void Le16(std::string& s, unsigned v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Le32(std::string& s, uint32_t v)
{
    Le16(s, v & 0xFFFF);
    Le16(s, v >> 16);
}

// A PCM WAV around `samples`: 8 or 16 bits, mono or stereo, one of four rates.
std::string Wav(unsigned format, const std::vector<unsigned char>& samples)
{
    static const uint32_t kRates[] = {11025, 22050, 44100, 8000};
    const unsigned bits = (format & 1) ? 16 : 8;
    const unsigned channels = (format & 2) ? 2 : 1;
    const uint32_t rate = kRates[(format >> 2) & 3];
    std::string fmt;
    Le16(fmt, 1);
    Le16(fmt, channels);
    Le32(fmt, rate);
    Le32(fmt, rate * channels * bits / 8);
    Le16(fmt, channels * bits / 8);
    Le16(fmt, bits);
    std::string body = "WAVEfmt ";
    Le32(body, static_cast<uint32_t>(fmt.size()));
    body += fmt + "data";
    Le32(body, static_cast<uint32_t>(samples.size()));
    body.append(samples.begin(), samples.end());
    std::string file = "RIFF";
    Le32(file, static_cast<uint32_t>(body.size()));
    return file + body;
}

unsigned ChannelArg(unsigned b, unsigned channels)
{
    return b == 0xFF ? KWOMixer::AnyChannel : b % (channels + 2);
}

KWOMixer* TheMixer(int format, bool stereo, unsigned channels)
{
    static KWOMixer* mixer = nullptr;
    static int open = -1;
    if (mixer == nullptr)
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        KWO::SetLogLevel(0);
        mixer = KWOMixer::Singleton();
    }
    // Opening the device is slow: only when the output changes.
    const int wanted = format * 1000 + (stereo ? 100 : 0) + int(channels);
    if (wanted != open)
    {
        if (!mixer->Init(format, 22050, 256, stereo, channels))
            abort();
        open = wanted;
    }
    return mixer;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 0x10000u)
        return 0;
    Reader in{data, size};
    const unsigned head = in.Byte();
    const int format = kFormats[(head & 7) % 6];
    const bool stereo = (head & 8) != 0;
    KWOMixer* mixer = TheMixer(format, stereo, 4 + (head >> 4));
    const unsigned channels = mixer->NbChannels();

    std::unique_ptr<KWOSound> sounds[3];
    for (auto& sound : sounds)
    {
        const std::vector<unsigned char> bytes = in.Bytes(in.Word() % 2048);
        sound = std::make_unique<KWOSound>();
        if (bytes.empty())
            continue;
        sound->m_format = format;
        sound->m_frequency = 22050;
        sound->m_channels = stereo ? 2 : 1;
        sound->m_data = new unsigned char[bytes.size()];
        std::memcpy(sound->m_data, bytes.data(), bytes.size());
        sound->m_size = static_cast<unsigned>(bytes.size());
    }
    const unsigned musicFormat = in.Byte();
    const std::string wav = Wav(musicFormat, in.Bytes(in.Word() % 8192));
    std::vector<unsigned char> wavBytes(wav.begin(), wav.end());
    KWOMemFile file(static_cast<unsigned>(wavBytes.size()), KWOResFile::ModeRead, wavBytes.data());
    auto music = std::make_unique<KWOMusic>();
    music->Load(file, 0);
    if (musicFormat & 0x80)
        music->SetMixerFormat();

    std::vector<unsigned char> out;
    for (unsigned steps = 0; in.More() && steps < 200; ++steps)
    {
        const unsigned op = in.Byte() % 11;
        const unsigned channel = ChannelArg(in.Byte(), channels);
        switch (op)
        {
            case 0:
            {
                KWOSound* sound = sounds[in.Byte() % 3].get();
                mixer->PlaySound(sound, channel, static_cast<unsigned char>(in.Byte()),
                                 static_cast<unsigned char>(in.Byte()),
                                 static_cast<int8_t>(in.Byte()));
                break;
            }
            case 1:
                mixer->PlayMusic(music.get(), channel, static_cast<unsigned char>(in.Byte()),
                                 static_cast<unsigned char>(in.Byte()),
                                 static_cast<int8_t>(in.Byte()));
                break;
            case 2:
                mixer->ChSeek(channel, in.Word());
                break;
            case 3:
                mixer->ChStop(channel);
                break;
            case 4:
                mixer->ChPause(channel, (in.Byte() & 1) != 0);
                break;
            case 5:
                mixer->ChLoop(channel, static_cast<unsigned char>(in.Byte()));
                break;
            case 6:
                mixer->ChVolume(channel, static_cast<unsigned char>(in.Byte()));
                mixer->ChPan(channel, static_cast<int8_t>(in.Byte()));
                break;
            case 7:
                out.resize(1 + in.Word() % 8192);
                KWOMixer::Mix(out.data(), static_cast<int>(out.size()));
                break;
            case 8:
            {
                int volume = 0, loop = 0, pan = 0;
                mixer->ChState(channel, &volume, &loop, &pan);
                mixer->ChGetPos(channel);
                break;
            }
            case 9:
            {
                // Gone while it may play: replaced by an empty object.
                const unsigned which = in.Byte() % 4;
                if (which < 3)
                    sounds[which] = std::make_unique<KWOSound>();
                else
                    music = std::make_unique<KWOMusic>();
                break;
            }
            default:
                mixer->ComputeVolumes(channel);
                mixer->PrintInfo();
                break;
        }
        if (mixer->ActiveChannels() > channels)
            __builtin_trap();
    }
    // What the channels play goes away with this input.
    for (unsigned c = 0; c < channels; ++c)
        mixer->ChStop(c);
    if (mixer->ActiveChannels() != 0)
        __builtin_trap();
    return 0;
}
