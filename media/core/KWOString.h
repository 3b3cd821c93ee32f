/// @class KWOString
/// KWOString: the library's growable byte string.
///
/// A heap buffer with a capacity (m_alloc, a multiple of 4 after growth) and a
/// length (m_length, the terminating zero not counted). Users read m_text and
/// m_length directly. Positions and counts are unsigned; NPOS (0xFFFFFFFF)
/// means "to the end" for counts and "from the end" for backward searches;
/// searches return the position or NPOS. No operation reports an error: positions
/// are clamped, null texts count as empty.
#ifndef KWOMEDIA_CORE_KWOSTRING_H
#define KWOMEDIA_CORE_KWOSTRING_H

#include "../KWOExport.h"
#include "KWOConst.h"
#include "KWOLog.h"

class KWO_API KWOString
{
public:
    /// No position, or to the end: KWO::NotFound and KWO::All (KWOConst.h).
    static const unsigned NPOS = KWO::NotFound;

    char* m_text;      ///< null while nothing was ever stored
    unsigned m_alloc;  ///< buffer size in bytes
    unsigned m_length; ///< characters, without the terminating zero

    /// A copy of `text` (an empty string for null).
    KWOString(const char* text = nullptr);
    /// A copy of the first `n` characters of `text`.
    KWOString(unsigned n, const char* text);
    /// A copy of `other`.
    KWOString(const KWOString& other);
    ~KWOString();

    /// @{
    /// Replaces the content by a copy of the text (null: empty).
    KWOString& operator=(const KWOString& other);
    KWOString& operator=(const char* text);
    /// @}
    /// @{
    /// Appends a character or a copy of a text (null: nothing).
    KWOString& operator+=(char c);
    KWOString& operator+=(const KWOString& other);
    KWOString& operator+=(const char* text);
    /// @}

    /// Makes the buffer at least `size` bytes (rounded up to a multiple of 4),
    /// keeping the content when `keep` is set.
    void Allocate(unsigned size, bool keep);
    /// Replaces the content by up to `len` characters of `text + from`.
    void ChangeText(const char* text, unsigned from, unsigned len);
    /// Sets `count` characters from `from` to `c`; a fill past the end extends
    /// the string (a gap before `from` is filled with spaces).
    void Fill(char c, unsigned from, unsigned count);
    /// @{
    /// Inserts a text or a character before `pos` (at the end when past it).
    void Insert(const char* text, unsigned pos);
    void Insert(char c, unsigned pos);
    /// @}
    /// Removes up to `count` characters from `from` (NPOS: to the end).
    void Delete(unsigned from, unsigned count);
    /// Removes the non-alphanumerics at `pos` and the word after them.
    unsigned KillWord(unsigned pos);
    /// Replaces every `from` by `to`; returns how many there were.
    int Replace(char from, char to);
    /// Changes the ASCII letters to lower case.
    void LowerCase();
    /// Changes the ASCII letters to upper case.
    void UpperCase();
    /// Complements every byte (255 - b); doing it again restores the text.
    void Obfuscate();
    /// Turns the content into a safe file name.
    void MakeFilename();
    /// Replaces the content by the printf-style formatted text.
    KWOString& Format(const char* format, ...) KWO_PRINTF(2, 3);

    /// @{
    /// The first position at or after `from` where the character or text is found,
    /// or NPOS.
    unsigned Find(char c, unsigned from = 0, bool caseSensitive = true) const;
    unsigned Find(const char* s, unsigned from = 0, bool caseSensitive = true) const;
    unsigned Find(const KWOString& s, unsigned from = 0, bool caseSensitive = true) const;
    /// @}
    /// @{
    /// The last position at or before `from` (NPOS: from the end) where the
    /// character or text is found, or NPOS.
    unsigned RFind(char c, unsigned from = NPOS, bool caseSensitive = true) const;
    unsigned RFind(const char* s, unsigned from = NPOS, bool caseSensitive = true) const;
    unsigned RFind(const KWOString& s, unsigned from = NPOS, bool caseSensitive = true) const;
    /// @}
    /// Compares up to `count` characters from `pos` with `text`: the
    /// difference of the first differing bytes, or 0.
    int Compare(const char* text, bool caseSensitive = true, unsigned count = NPOS,
                unsigned pos = 0) const;

    /// Writes the length, the capacity and the text to the log.
    void PrintInfo() const;

    /// A new[] copy of up to `n` characters of `src + from`, owned by the
    /// caller; null for a null or empty source, `n` 0 or a start past the end
    /// of `src` (a start at its end gives a new empty string).
    static char* StringCopy(const char* src, unsigned from = 0, unsigned n = NPOS);

private:
    unsigned FindPattern(const char* s, unsigned n, unsigned from, bool caseSensitive) const;
    unsigned RFindPattern(const char* s, unsigned n, unsigned from, bool caseSensitive) const;
    int CompareN(const char* text, unsigned count, unsigned pos, bool caseSensitive) const;
    bool Overlaps(const char* p) const;
};

#endif
