/// @class KWOText
/// KWOText: an array of optional C strings (a slot may be empty), also a
/// resource that loads and saves a line-per-entry text form and a tagged
/// binary form ("KWOT").
///
/// Text form: one entry per line, each ended by a line feed; an empty slot is
/// an empty line. Binary form (little-endian 32-bit integers): the tag "KWOT",
/// the number of entries N, then per entry a size S (0 for an empty slot, else
/// the text length plus one) followed by S - 1 bytes of text.
#ifndef KWOMEDIA_CORE_KWOTEXT_H
#define KWOMEDIA_CORE_KWOTEXT_H

#include "../KWOExport.h"
#include "../files/KWOResource.h"
#include "KWOConst.h"

class KWOResFile;

class KWO_API KWOText : public KWOResource
{
public:
    char** m_lines;   ///< one new[] string per slot, or null for an empty slot
    unsigned m_count; ///< number of slots, never below 1

    /// `n` empty slots (at least 1).
    explicit KWOText(unsigned n);
    /// Loads the disk file `filename`; on failure the array holds one empty slot.
    KWOText(const char* filename, int format);
    /// Loads from an open stream; on failure the array holds one empty slot.
    KWOText(KWOResFile& file, int format);
    ~KWOText() override;
    KWOText(const KWOText&) = delete;
    KWOText& operator=(const KWOText&) = delete;

    unsigned MemoryUsed() const override;
    /// format 0 detects, 1 reads the text form, 2 the binary form.
    bool Load(KWOResFile& file, int format) override;
    /// format 0 or 1 writes the binary form, 2 the text form; trailing empty
    /// slots are not written, and an array with no filled slot is not saved.
    bool Save(KWOResFile& file, int format) override;

    /// The number of non-empty slots.
    unsigned Length() const;
    /// Resizes to `n` slots (at least 1), freeing the slots cut off.
    void ChangeSize(unsigned n);
    /// Stores a copy of `len` characters of `text + from` (KWO::All: to the
    /// end of the text) in slot `index`, growing the array when needed; a null
    /// text or `len` 0 empties the slot.
    void SetString(unsigned index, const char* text, unsigned from = 0, unsigned len = KWO::All);
    /// Stores into the first empty slot (growing by one when there is none)
    /// and returns its index; KWO::NotFound for a null text or `len` 0.
    unsigned Append(const char* text, unsigned from = 0, unsigned len = KWO::All);
    /// Empties every slot; the number of slots stays.
    void Clear();
    /// Writes the number of slots and every filled slot to the log.
    void PrintInfo() const;

private:
    void FreeSlot(unsigned index);
    bool LoadBinaryForm(KWOResFile& file);
    bool LoadTextForm(KWOResFile& file);
};

#endif
