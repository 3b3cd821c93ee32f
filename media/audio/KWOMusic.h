/// @class KWOMusic
/// KWOMusic: a long sound streamed from an open stream in chunks.
///
/// Load reads only the file header (WAV with PCM data, AIFF or AU) and
/// remembers where the samples lie; NextData then reads at most 8192 bytes of
/// samples at a time and converts them on the spot to the target format (by
/// default the data's own, after SetMixerFormat the mixer's). The stream stays
/// the caller's: it must stay open, and be used by nobody else, while the music
/// exists. The mixer calls NextData, SetPosition and GetPosition on its audio
/// thread, under its lock. Destroying, clearing or loading the music first
/// stops the mixer channels playing it, so a playing music may be destroyed.
#ifndef KWOMEDIA_AUDIO_KWOMUSIC_H
#define KWOMEDIA_AUDIO_KWOMUSIC_H

#include "../KWOExport.h"
#include "../files/KWOResource.h"
#include "KWOSound.h"

class KWOResFile;

class KWO_API KWOMusic : public KWOResource
{
public:
    int m_format;           ///< sample format of the data as read (16-bit is little-endian)
    int m_frequency;        ///< sample rate of the data
    int m_channels;         ///< channel count of the data
    unsigned char* m_chunk; ///< the current converted chunk, owned; null between chunks
    unsigned m_chunkSize;   ///< bytes in the current chunk
    unsigned m_position;    ///< bytes of sample data consumed, from the data start
    unsigned m_dataSize;    ///< bytes of sample data, whole frames
    KWOResFile* m_file;     ///< the stream, not owned
    unsigned m_dataStart;   ///< offset of the first sample byte in the stream
    int m_type;             ///< the container: a KWOSound::Format* number (0 none)
    int m_outFormat;        ///< target format of the chunks (0: none set yet)
    int m_outFrequency;     ///< target rate
    int m_outChannels;      ///< target channel count

    /// File types: KWOSound's container numbers under the names music has
    /// always used (TypeNone is FormatDetect, so 0 detects on Load).
    enum : int
    {
        TypeNone = KWOSound::FormatDetect,
        TypeWAV = KWOSound::FormatWAV,
        TypeAIFF = KWOSound::FormatAIFF,
        TypeAU = KWOSound::FormatAU,
        TypeOGG = KWOSound::FormatOGG
    };
    /// Source bytes read per chunk at most.
    enum : unsigned
    {
        ChunkBytes = 8192
    };

    KWOMusic();
    /// A music is only loaded from a stream that outlives it: this stays empty.
    explicit KWOMusic(const char* filename);
    /// Clear; the stream is not closed.
    ~KWOMusic() override;
    KWOMusic(const KWOMusic&) = delete;
    KWOMusic& operator=(const KWOMusic&) = delete;

    /// Frees the chunk and sets every field but the three target fields to 0
    /// (the stream is forgotten, not closed).
    void Clear();
    /// m_chunkSize + 56.
    unsigned MemoryUsed() const override;
    /// Format 0 detects from the first four bytes; 1 WAV, 2 AIFF, 3 AU. On
    /// success the music keeps `file`; without a target yet, the target is the
    /// data's own format. On failure the music is empty.
    bool Load(KWOResFile& file, int format) override;
    /// Always false.
    bool Save(KWOResFile& file, int format) override;
    /// Always false: a music needs a stream that stays open.
    bool LoadName(const char* filename, int format) override;
    /// Always false, without opening (so without emptying) the file.
    bool SaveName(const char* filename, int format) override;

    /// @{
    /// The loaders: read the header only and keep the stream. On failure they
    /// log why and leave the music unchanged.
    bool LoadWAV(KWOResFile& file);
    bool LoadAIFF(KWOResFile& file);
    bool LoadAU(KWOResFile& file);
    /// @}
    /// Not supported: always false.
    bool LoadOGG(KWOResFile& file);

    /// The next chunk in the target format (its size in m_chunkSize), or null
    /// at the end of the data, after which the next call starts again from the
    /// beginning. Null also when nothing can be read or converted.
    const unsigned char* NextData();
    /// Frames consumed so far (the end of the chunk last handed out).
    unsigned GetPosition() const;
    /// Moves the read position to `frame` (limited to the end); the next
    /// NextData reads from there.
    void SetPosition(unsigned frame);

    /// The target becomes the open mixer's output format; nothing when no
    /// mixer is open.
    void SetMixerFormat();
    /// Sets the target format, rate and channel count of the chunks.
    void ChangeFormat(int format, int frequency, int channels);

    /// @{
    /// Conversion steps on the current chunk, `f` being its running format.
    /// `channels` is the number of samples in a frame for the rate steps (1:
    /// single samples, which writes mono data twice as stereo). A step that
    /// does not apply or cannot get its buffer leaves the chunk unchanged.
    void ConvEndian(int& f);
    void ConvSign(int& f);
    void Conv8to16L(int& f);
    void Conv8to16B(int& f);
    void Conv16to8(int& f);
    void ConvMUL2(int f, int channels = 1);
    void ConvDIV2(int f, int channels = 1);
    void ConvMono(int f);
    /// @}

    /// The data format, then the file position, then the stream's name.
    void PrintInfo() const;

private:
    /// Runs one conversion step on the chunk; false when it did not apply or
    /// its buffer could not be made.
    bool Apply(int conversion, int& f, int channels);
    /// Makes chunk buffer `index` hold at least `size` bytes.
    bool Reserve(int index, unsigned size);
    /// Back to the start of the data with no chunk (the buffers are kept).
    void Rewind();
    /// Reads the header of a file in container `type` and takes it over.
    bool Start(int type, KWOResFile& file);

    /// The chunk lives in one of two buffers: reads go to the first,
    /// conversions that change the size write to the other, so that neither
    /// is reallocated while chunks keep their size.
    unsigned char* m_buffer[2];
    unsigned m_capacity[2];
};

#endif
