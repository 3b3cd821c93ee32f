// The sound effects, synthesised: 22050 Hz, 16-bit signed mono PCM WAV.
#include "data.h"

#include "core/KWOMath.h"
#include "files/KWOMemFile.h"
#include "platform/KWOFileUtils.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace mkdata
{
namespace
{
const int kRate = 22050;

// Uniform noise in -1 .. 1 from the library's generator (seeded by the caller).
double Noise()
{
    return KWO::Randomi() / 16383.5 - 1.0;
}

bool WriteWav(const std::string& path, const std::vector<double>& samples)
{
    // The file is made in memory and written in one step: a failed run never
    // leaves a cut sound behind.
    const unsigned bytes = unsigned(samples.size() * 2);
    KWOMemFile f(44 + bytes, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    bool ok = f.Write("RIFF", 4) == 4 && f.Write32(36 + bytes) && f.Write("WAVEfmt ", 8) == 8 &&
              f.Write32(16) && f.Write16(1) && f.Write16(1) && f.Write32(kRate) &&
              f.Write32(kRate * 2) && f.Write16(2) && f.Write16(16) && f.Write("data", 4) == 4 &&
              f.Write32(bytes);
    for (double s : samples)
    {
        const long v = std::lround(std::clamp(s, -1.0, 1.0) * 32000.0);
        ok = ok && f.Write16(static_cast<unsigned short>(static_cast<short>(v)));
    }
    return ok && KWOFileUtils::FileWrite(path.c_str(), f.GetData(), 44 + bytes);
}

std::vector<double> Click()
{
    KWO::RandomInit(21);
    std::vector<double> s(size_t(kRate * 0.035));
    for (size_t i = 0; i < s.size(); ++i)
    {
        const double t = double(i) / kRate;
        s[i] = (0.5 * Noise() + 0.6 * std::sin(2 * kPi * 1800 * t)) * std::exp(-t * 160);
    }
    return s;
}

std::vector<double> Chime()
{
    std::vector<double> s(size_t(kRate * 0.8));
    const double partials[3][2] = {{1318.5, 0.55}, {2637.0, 0.25}, {3955.5, 0.12}};
    for (size_t i = 0; i < s.size(); ++i)
    {
        const double t = double(i) / kRate;
        double v = 0;
        for (const auto& p : partials)
            v += p[1] * std::sin(2 * kPi * p[0] * t) * std::exp(-t * (4 + p[0] / 1000));
        s[i] = v * std::min(1.0, t / 0.004);
    }
    return s;
}

std::vector<double> Applause()
{
    KWO::RandomInit(33);
    std::vector<double> s(size_t(kRate * 2.2), 0.0);
    // Many short filtered noise bursts at random times: hand claps.
    for (int clap = 0; clap < 220; ++clap)
    {
        const size_t start = KWO::Randomi(unsigned(kRate * 2.0));
        const double decay = 150 + KWO::Randomi(150);
        const double gain = 0.15 + 0.15 * KWO::Randomi(100) / 100.0;
        double low = 0;
        for (size_t i = 0; i < size_t(kRate * 0.03) && start + i < s.size(); ++i)
        {
            const double t = double(i) / kRate;
            low += 0.5 * (Noise() - low);
            s[start + i] += gain * (Noise() - low) * std::exp(-t * decay);
        }
    }
    for (size_t i = 0; i < s.size(); ++i)
    {
        const double t = double(i) / kRate;
        s[i] *= std::min(1.0, t / 0.15) * std::min(1.0, (2.2 - t) / 0.6);
    }
    return s;
}

std::vector<double> Laugh()
{
    KWO::RandomInit(44);
    std::vector<double> s;
    // Five "ha" syllables, each a breathy start and a voiced vowel, falling.
    for (int k = 0; k < 5; ++k)
    {
        const double f0 = 290 - 22 * k;
        const size_t len = size_t(kRate * 0.15);
        double phase = 0;
        for (size_t i = 0; i < len; ++i)
        {
            const double t = double(i) / kRate;
            const double f = f0 * (1.0 - 0.15 * t / 0.15);
            phase += 2 * kPi * f / kRate;
            double v = 0;
            for (int h = 1; h <= 8; ++h)
            {
                // A vowel-like colour: harmonics near 700-1100 Hz stand out.
                const double hf = h * f;
                const double weight = std::exp(-std::pow((hf - 900) / 450, 2)) + 0.3 / h;
                v += weight * std::sin(h * phase);
            }
            const double breath = t < 0.03 ? Noise() * (0.03 - t) * 10 : 0;
            const double env = std::sin(kPi * t / 0.15);
            s.push_back(0.25 * (v * env + breath));
        }
        s.insert(s.end(), size_t(kRate * 0.06), 0.0);
    }
    return s;
}
} // namespace

bool MakeSounds(const std::string& folder)
{
    bool ok = WriteWav(folder + "/clic.wav", Click());
    ok = WriteWav(folder + "/ding.wav", Chime()) && ok;
    ok = WriteWav(folder + "/applause.wav", Applause()) && ok;
    ok = WriteWav(folder + "/laugh.wav", Laugh()) && ok;
    return ok;
}
} // namespace mkdata
