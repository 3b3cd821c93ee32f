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

#include "KWOExport.h"
#include "core/KWOConst.h"
#include "core/KWOLog.h"

class KWO_API KWOString
{
public:
    /// No position, or to the end: KWO::NotFound and KWO::All (KWOConst.h).
    static const unsigned NPOS = KWO::NotFound;

    char* m_text;      ///< null while nothing was ever stored
    unsigned m_alloc;  ///< buffer size in bytes
    unsigned m_length; ///< characters, without the terminating zero

    KWOString(const char* text = nullptr);
    KWOString(unsigned n, const char* text);
    KWOString(const KWOString& other);
    ~KWOString();

    KWOString& operator=(const KWOString& other);
    KWOString& operator=(const char* text);
    KWOString& operator+=(char c);
    KWOString& operator+=(const KWOString& other);
    KWOString& operator+=(const char* text);

    /// Makes the buffer at least `size` bytes (rounded up to a multiple of 4),
    /// keeping the content when `keep` is set.
    void Allocate(unsigned size, bool keep);
    /// Replaces the content by up to `len` characters of `text + from`.
    void ChangeText(const char* text, unsigned from, unsigned len);
    /// Sets `count` characters from `from` to `c`; a fill past the end extends
    /// the string (a gap before `from` is filled with spaces).
    void Fill(char c, unsigned from, unsigned count);
    void Insert(const char* text, unsigned pos);
    void Insert(char c, unsigned pos);
    void Delete(unsigned from, unsigned count);
    /// Removes the non-alphanumerics at `pos` and the word after them.
    unsigned KillWord(unsigned pos);
    int Replace(char from, char to);
    void LowerCase();
    void UpperCase();
    void Obfuscate();
    /// Turns the content into a safe file name.
    void MakeFilename();
    KWOString& Format(const char* format, ...) KWO_PRINTF(2, 3);

    unsigned Find(char c, unsigned from = 0, bool caseSensitive = true) const;
    unsigned Find(const char* s, unsigned from = 0, bool caseSensitive = true) const;
    unsigned Find(const KWOString& s, unsigned from = 0, bool caseSensitive = true) const;
    unsigned RFind(char c, unsigned from = NPOS, bool caseSensitive = true) const;
    unsigned RFind(const char* s, unsigned from = NPOS, bool caseSensitive = true) const;
    unsigned RFind(const KWOString& s, unsigned from = NPOS, bool caseSensitive = true) const;
    /// Compares up to `count` characters from `pos` with `text`: the
    /// difference of the first differing bytes, or 0.
    int Compare(const char* text, bool caseSensitive = true, unsigned count = NPOS,
                unsigned pos = 0) const;

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
