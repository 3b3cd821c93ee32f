/// @class KWOPal
/// KWOPal: a resizable colour table.
///
/// Used by 8-bit images, by the screen's hardware palette and by the fades.
/// Each entry is four bytes, red, green, blue and a fourth byte (alpha or
/// unused), laid out like SDL_Color so the table can be handed to SDL as it
/// is. A palette reads and writes five file formats, numbered:
///   0 detect (Load) / native (Save), 1 native "KWOP", 2 GIMP, 3 JASC,
///   4 raw RGB table, 5 raw BGR table.
#ifndef KWOMEDIA_GRAPHICS_KWOPAL_H
#define KWOMEDIA_GRAPHICS_KWOPAL_H

#include "KWOExport.h"
#include "files/KWOResource.h"

#include <memory>

class KWOResFile;

/// One palette entry.
struct KWOColor
{
    unsigned char r;
    unsigned char g;
    unsigned char b;
    unsigned char a; ///< fourth byte: 0 unless set with SetFromRGBA or a native file
};

class KWO_API KWOPal : public KWOResource
{
public:
    /// The largest size Resize gives.
    enum : unsigned int
    {
        MaxSize = 4096
    };

    /// An empty palette.
    KWOPal();
    /// `count` entries, cleared to 0. The count is not clamped to MaxSize; a
    /// count that cannot be allocated gives an empty palette.
    explicit KWOPal(unsigned int count);
    /// The same for a plain integer (so that KWOPal(0) is not ambiguous with
    /// the copy from a pointer); a negative count gives an empty palette.
    explicit KWOPal(int count);
    /// Loads the disk file `filename` with Load(file, format) when it opens.
    KWOPal(const char* filename, int format);
    /// Loads from `f` with Load(f, format) when its state is OK.
    KWOPal(KWOResFile& f, int format);
    /// A copy of `other` (its size and all its entries); null gives an empty palette.
    explicit KWOPal(const KWOPal* other);
    ~KWOPal() override;
    KWOPal(const KWOPal&) = delete;
    KWOPal& operator=(const KWOPal&) = delete;

    /// The number of entries and the entries themselves (null when empty).
    unsigned int Size() const { return m_size; }
    KWOColor* Entries() { return m_entries.get(); }
    const KWOColor* Entries() const { return m_entries.get(); }

    /// Sets `count` entries from `first` on from 3-byte red, green, blue
    /// triplets (fourth byte 0), growing the palette first when needed.
    /// Entries past MaxSize are not written.
    void SetFromRGB(const unsigned char* rgb, unsigned int count, unsigned int first);
    /// The same from 4-byte entries copied unchanged.
    void SetFromRGBA(const unsigned char* rgba, unsigned int count, unsigned int first);
    /// Changes the size to n (at most MaxSize, with a note in the log above
    /// it), keeping the first entries; added entries are cleared to 0.
    void Resize(unsigned int n);
    /// Grows the palette to n entries (at most 256) when it is smaller, then
    /// makes the whole palette a grey ramp from black: entry i = i * 256 / size.
    void GenerateGreyScale(unsigned int n);
    /// Replaces each entry by the plain average of its three components.
    void ToGreyScale();

    unsigned int MemoryUsed() const override;
    /// Loads a palette file; format 0 detects it with FindFormat.
    bool Load(KWOResFile& f, int format) override;
    /// Writes the palette in format 0/1 (native), 2 (GIMP), 3 (JASC), 4 (RGB)
    /// or 5 (BGR). True when the stream is still OK afterwards.
    bool Save(KWOResFile& f, int format) override;

    /// The format number of the stream's content (0 when unknown); the stream
    /// is left at its start.
    int FindFormat(KWOResFile& f);
    /// The five readers; each returns false on a wrong header.
    bool KWOLoad(KWOResFile& f);
    bool GIMPLoad(KWOResFile& f);
    bool JASCLoad(KWOResFile& f);
    /// Reads a raw table of up to 256 entries: format 4 red, green, blue;
    /// any other format blue, green, red.
    bool RGBLoad(KWOResFile& f, int format);

    /// Writes the size and every entry to the log.
    void PrintInfo() const;

private:
    /// Replaces the entries by `n` cleared ones; false (nothing changed) when
    /// they cannot be allocated.
    bool Allocate(unsigned int n);

    unsigned int m_size;
    std::unique_ptr<KWOColor[]> m_entries;
};

#endif
