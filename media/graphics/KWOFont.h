/// @class KWOFont
/// KWOFont: a proportional bitmap font.
///
/// One glyph bitmap holds every character of a contiguous range first..last
/// (characters are unsigned bytes). Each character has a record giving its
/// glyph's rectangle in the bitmap and how many of its rows hang below the
/// baseline; the glyph's width is also its advance. The bitmap keeps one
/// byte per pixel whatever its depth: 0 or 1 at 1 bit, 0 to 3 at 2 bits
/// (three shades for anti-aliased text), 0 to 255 at 8 bits; 0 is background.
///
/// A space advances by the white char size and a tab by eight times as much;
/// their records are never drawn. Every character, known or not, is followed
/// by the char spacing. A font without a name is not defined: it measures 0
/// and draws nothing.
///
/// Fonts are stored in "KWOF" files (Save writes version 2, Load reads it,
/// LoadV1 reads the older layout). Names of 255 bytes or more are stored cut
/// to 254 bytes. Text is drawn with KWOImage::DrawText and DrawTextEx.
#ifndef KWOMEDIA_GRAPHICS_KWOFONT_H
#define KWOMEDIA_GRAPHICS_KWOFONT_H

#include "../KWOExport.h"
#include "../core/KWOConst.h"
#include "../files/KWOResource.h"

#include <memory>
#include <vector>

class KWOImage;
class KWOResFile;

/// The record of one character; a zero record means the character has no glyph.
struct KWOChar
{
    unsigned short x; ///< top-left corner of the glyph in the bitmap
    unsigned short y; ///< see x
    unsigned char w;  ///< glyph size; w is also the advance
    unsigned char h;  ///< see w
    short below;      ///< glyph rows below the baseline
};

class KWO_API KWOFont : public KWOResource
{
public:
    /// How the y of a draw call is read.
    enum FontAlign : int
    {
        AlignTop = 0,     ///< y is the top row of the text line
        AlignBottom = 1,  ///< y is the bottom of the line
        AlignBaseline = 2 ///< y is the baseline (so is any other value)
    };

    /// The parameters of KWOImage::DrawTextEx. colours[v] is the pixel value
    /// drawn for a glyph pixel of value v of a 2-bit font (colours[0] is never
    /// drawn); fonts of other depths are drawn in colours[3].
    struct FontParams
    {
        KWOFont* font;           ///< the font drawn with
        FontAlign align;         ///< how y is read
        unsigned int colours[4]; ///< pixel values by glyph value (see above)
    };

    /// An empty font (not defined), for Load.
    KWOFont();
    /// Loads the disk file `filename`; logs "Font: bad file ..." and stays
    /// empty when it cannot.
    explicit KWOFont(const char* filename);
    /// Loads from `f`; logs "Font: bad resource file" and stays empty when it
    /// cannot.
    KWOFont(KWOResFile& f, int format);
    /// A font in memory for the characters first..last (ordered, within
    /// 0..255) with zero records and metrics, its glyph bitmap copied from
    /// `img` as SetImage does.
    KWOFont(const char* name, unsigned int first, unsigned int last, KWOImage* img,
            unsigned char bpp);
    ~KWOFont() override;
    KWOFont(const KWOFont&) = delete;
    KWOFont& operator=(const KWOFont&) = delete;

    /// Releases the name, the records and the bitmap; every field becomes 0.
    void Free();

    /// ---- state ----
    /// The name, or null when the font is not defined.
    const char* Name() const { return m_name.get(); }
    /// True when the font has a name (and so measures and draws).
    bool Defined() const { return m_name != nullptr; }
    /// @{
    /// The first and last character of the range.
    unsigned int First() const { return m_first; }
    unsigned int Last() const { return m_last; }
    /// @}
    /// @{
    /// Rows above the baseline, and rows below it: together the line height.
    short Ascent() const { return m_ascent; }
    short Descent() const { return m_descent; }
    /// @}
    /// Pixels added after every character.
    unsigned char CharSpacing() const { return m_charSpacing; }
    /// The space's advance (a tab's is eight times as much).
    unsigned char WhiteCharSize() const { return m_whiteCharSize; }
    /// Depth of the glyph bitmap in files: 1, 2 or 8.
    unsigned char Bpp() const { return m_bpp; }
    /// @{
    /// The glyph bitmap: BitmapWidth() x BitmapHeight() bytes, or null.
    const unsigned char* Bitmap() const { return m_bitmap.get(); }
    unsigned int BitmapWidth() const { return m_width; }
    unsigned int BitmapHeight() const { return m_height; }
    /// @}
    /// The record of `c`, or null outside first..last.
    const KWOChar* GetChar(unsigned char c) const;

    /// Sets the name (a copy); a null or empty name leaves the font undefined.
    void SetName(const char* name);
    /// @{
    /// Set the metrics the getters above return.
    void SetAscent(short ascent) { m_ascent = ascent; }
    void SetDescent(short descent) { m_descent = descent; }
    void SetCharSpacing(unsigned char spacing) { m_charSpacing = spacing; }
    void SetWhiteCharSize(unsigned char size) { m_whiteCharSize = size; }
    /// @}

    /// Moves the start of the range to `c` (nothing when c > last or c is the
    /// first already): new characters get zero records, dropped ones lose
    /// theirs.
    void SetFirstChar(unsigned char c);
    /// Moves the end of the range to `c` (nothing when c < first).
    void SetLastChar(unsigned char c);
    /// Sets the record of a character of the range (zeroes it for a null
    /// `ch`). The space's record cannot be set.
    void SetChar(unsigned char c, const KWOChar* ch);
    /// Takes a copy of the pixels of `img` as the glyph bitmap at depth `bpp`.
    /// False for an image without pixels or when the bytes per pixel of `bpp`
    /// and of the image differ (only 8-bit images, bpp 1 to 8). At 1 bit every
    /// non-zero pixel becomes 1; at 2 bits the low two bits of each pixel are
    /// kept, as a file would keep them.
    bool SetImage(KWOImage* img, unsigned char bpp);

    /// ---- measuring ----
    /// The advance of `c` without spacing: the white char size for a space,
    /// eight times it for a tab, w for a character of the range, 0 otherwise.
    unsigned int CharWidth(unsigned char c) const;
    /// The glyph height of a character of the range other than the space; 0
    /// otherwise.
    unsigned int CharHeight(unsigned char c) const;
    /// The width of up to `maxChars` characters of `text` (KWO::All for the
    /// whole text), spacing between characters included.
    unsigned int TextWidth(const char* text, unsigned int maxChars = KWO::All) const;
    /// TextWidth, and the height from the highest glyph top to the lowest
    /// glyph bottom of the text.
    void TextSize(const char* text, unsigned int& width, unsigned int& height,
                  unsigned int maxChars = KWO::All) const;

    /// ---- files ----
    unsigned int MemoryUsed() const override;
    /// Reads a version-2 "KWOF" file (format 0 or 1). A file whose sizes, range
    /// or data do not hold together fails and leaves the font empty.
    bool Load(KWOResFile& f, int format) override;
    /// Reads a version-1 file (format 0 or 1).
    bool LoadV1(KWOResFile& f, int format);
    /// Writes a version-2 file (format 0 or 1). Needs a name and a bitmap at
    /// depth 1, 2 or 8; nothing is written otherwise. The stream is left just
    /// after the header (offset 17).
    bool Save(KWOResFile& f, int format) override;

    /// Writes the font's description to the log, with every record when
    /// `listChars` is set.
    void PrintInfo(bool listChars = false) const;

private:
    /// The name block fields after the name, in file order.
    bool ReadMetrics(KWOResFile& f);
    /// The character table of the current range.
    bool ReadTable(KWOResFile& f);
    /// The bitmap block at the stream's position.
    bool ReadBitmap(KWOResFile& f);
    /// The name block from its length byte on.
    bool ReadName(KWOResFile& f);

    std::unique_ptr<char[]> m_name;
    std::unique_ptr<unsigned char[]> m_bitmap;
    unsigned int m_width;
    unsigned int m_height;
    unsigned int m_first;
    unsigned int m_last;
    std::vector<KWOChar> m_chars; ///< last - first + 1 records, or none
    short m_ascent;
    short m_descent;
    unsigned char m_charSpacing;
    unsigned char m_whiteCharSize;
    unsigned char m_bpp;
};

#endif
