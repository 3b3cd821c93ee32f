/// @class KWOSound
/// KWOSound: a short sound held whole in memory, loaded from a RIFF WAVE (PCM,
/// Microsoft ADPCM, IMA ADPCM), AIFF or Sun/NeXT AU stream.
///
/// The samples are raw bytes in one of SDL 1.2's audio formats (m_format: the
/// low byte is the bits per sample, 0x1000 big-endian, 0x8000 signed), stereo
/// interleaved left then right. The conversion steps work in place on the sound
/// so that it can be brought to the mixer's output format before it is played.
/// The mixer reads the public fields directly while the sound plays: every
/// operation here that changes or frees the samples (destruction, Clear, a
/// load, a conversion step) first stops the mixer channels playing the sound.
/// Writing the fields by hand while the sound plays is the caller's risk.
#ifndef KWOMEDIA_AUDIO_KWOSOUND_H
#define KWOMEDIA_AUDIO_KWOSOUND_H

#include "../KWOExport.h"
#include "../files/KWOResource.h"

class KWOResFile;

class KWO_API KWOSound : public KWOResource
{
public:
    int m_format;          ///< sample format code; 0 while empty
    int m_frequency;       ///< samples per second per channel
    int m_channels;        ///< 1 mono, 2 stereo
    unsigned char* m_data; ///< the samples (new[]), owned; null while empty
    unsigned m_size;       ///< bytes in m_data, whole frames

    /// The sound file containers: the load format numbers of sounds and
    /// music (KWOMusic calls them Type*), 0 to detect the container.
    enum : int
    {
        FormatDetect = 0,
        FormatWAV = 1,
        FormatAIFF = 2,
        FormatAU = 3,
        FormatOGG = 4 ///< recognised by number only: never loaded
    };

    KWOSound();
    /// LoadName(filename, 0): the sound stays empty when the file does not load.
    explicit KWOSound(const char* filename);
    ~KWOSound() override;
    KWOSound(const KWOSound&) = delete;
    KWOSound& operator=(const KWOSound&) = delete;

    /// Frees the data and sets every field to 0.
    void Clear();
    /// m_size + 24.
    unsigned MemoryUsed() const override;
    /// Format 0 detects from the first four bytes ("RIFF", "FORM", ".snd"; an
    /// unknown start returns false and leaves the sound as it was); 1 WAV,
    /// 2 AIFF, 3 AU. The sound is emptied first, and again when loading fails.
    bool Load(KWOResFile& file, int format) override;
    /// Sounds are never written: always false.
    bool Save(KWOResFile& file, int format) override;
    /// Always false, without opening (so without emptying) the file.
    bool SaveName(const char* filename, int format) override;

    /// @{
    /// The loaders. On failure they log why and leave the sound unchanged.
    bool LoadWAV(KWOResFile& file);
    bool LoadAIFF(KWOResFile& file);
    bool LoadAU(KWOResFile& file);
    /// @}
    /// Not supported: always false.
    bool LoadOGG(KWOResFile& file);

    /// Converts the sound to the open mixer's output format; nothing when the
    /// sound is empty or no mixer is open.
    void SetMixerFormat();
    /// Converts towards `format`, `frequency` and `channels`: stereo to mono,
    /// rate halving, byte order, sign, 8 <-> 16 bits, rate doubling, mono to
    /// stereo, in this order. Rates within the same hundred count as equal,
    /// and the rate only halves or doubles. Nothing for an empty sound.
    void ChangeFormat(int format, int frequency, int channels);

    /// The single steps. Each leaves the sound unchanged when it does not
    /// apply (an empty sound, 8 <-> 16 bits on the wrong width) or its new
    /// buffer cannot be made. The rate steps work on whole frames.
    void ConvEndian();   ///< swaps the bytes of 16-bit samples
    void ConvSign();     ///< flips signed <-> unsigned
    void Conv8to16L();   ///< 8 bits to 16 bits little-endian
    void Conv8to16B();   ///< 8 bits to 16 bits big-endian
    void Conv16to8();    ///< 16 bits to 8 bits (the high byte), keeping the sign
    void ConvFreqMUL2(); ///< every frame twice, rate x 2
    void ConvFreqDIV2(); ///< every second frame, rate / 2
    void ConvMono();     ///< left + right, clipped
    void ConvStereo();   ///< every sample twice

    /// "Sound format : 22050 Hz, 16 bits signed LSB (8010), Mono, 4000 bytes".
    void PrintInfo() const;

private:
    /// Loads the linear samples of an AIFF or AU file; with `whole` every
    /// declared byte must be there, otherwise the whole frames that are.
    bool LoadLinear(KWOResFile& file, int container, bool whole);
    /// Runs one conversion step; false when it did not apply.
    bool Apply(int conversion);
    /// Replaces the content (takes `data`, a new[] buffer).
    void Assign(int format, int frequency, int channels, unsigned char* data, unsigned size);
};

#endif
