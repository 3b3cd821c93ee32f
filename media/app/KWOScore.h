/// @class KWOScore
/// KWOScore: a fixed-size highscore table, kept sorted, stored in a small file.
///
/// The table holds m_size entries ordered by score, best first, in one of two
/// orders. A new score is inserted at its rank and pushes the last entry out.
/// Entries with an empty name hold no result; they still take part in the
/// order with whatever score they hold, so a table reset to a value is a
/// column of placeholders that real results push down and out.
///
/// File layout (little-endian): the magic 0x01020304, a version byte (3), the
/// entry count, the sort order, a scramble flag byte (versions 3 and later
/// only), then the entries as KWOScoreEntry lays them out. Scrambled names
/// have every byte before their terminator complemented, so they do not read
/// as plain text.
#ifndef KWOMEDIA_APP_KWOSCORE_H
#define KWOMEDIA_APP_KWOSCORE_H

#include "KWOExport.h"

#include <cstdint>

class KWOResFile;

/// One record of the table, 28 bytes, the same in memory and in the file.
struct KWOScoreEntry
{
    char name[20]; ///< at most 19 characters and a zero; empty: no result
    int32_t score; ///< the sort key
    int32_t level; ///< carried along and shown, never compared
};

static_assert(sizeof(KWOScoreEntry) == 28, "a score entry is 28 bytes in memory and on disk");

class KWO_API KWOScore
{
public:
    enum SortOrder : int32_t
    {
        HigherFirst = 0, ///< a larger score ranks first
        LowerFirst = 1   ///< a smaller score ranks first
    };

    /// Tables the class allocates have at least this many entries.
    static const unsigned MinSize = 3;

    KWOScoreEntry* m_entries; ///< m_size entries, or null when the table has none
    unsigned m_size;
    SortOrder m_order;

    /// With size 0 the table has no entries; otherwise it gets at least
    /// MinSize entries, all reset to `initial`.
    KWOScore(unsigned size, SortOrder order, int initial);
    ~KWOScore();
    KWOScore(const KWOScore&) = delete;
    KWOScore& operator=(const KWOScore&) = delete;

    /// The entries before the first one with an empty name.
    unsigned Length() const;
    /// Changing the order reverses the table, so the best entry stays first
    /// under the new order only if the table was built for it; placeholders
    /// at the end come to the start.
    void SetSortOrder(SortOrder order);
    /// Changes the number of entries (at least MinSize), keeping the first
    /// ones; new entries are zero-filled. Nothing changes when memory fails.
    void Resize(unsigned size);
    /// Inserts a copy of `entry` at its rank and drops the last entry. Returns
    /// the index it got, or -1 when it does not beat the last entry (an equal
    /// score ranks after the existing one) or there is no table or entry.
    int Add(const KWOScoreEntry* entry);
    /// Every entry gets an empty name, the score `value` and level 0.
    void Reset(int value);

    /// Reads a table file. On any failure (no file, wrong magic, a header or
    /// entries cut short, an unknown order, no memory) the table is left as
    /// it was and false is returned.
    bool Load(const char* fileName);
    /// Writes the table, the names scrambled when `scramble` is set. False
    /// when there is no table or the file cannot be written completely; the
    /// file then keeps its previous content.
    bool Save(const char* fileName, bool scramble) const;

    void PrintInfo() const;

private:
    bool WriteTable(KWOResFile& file, bool scramble) const;
};

#endif
