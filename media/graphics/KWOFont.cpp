#include "graphics/KWOFont.h"

#include "core/KWOLog.h"
#include "core/KWOString.h"
#include "core/checked_size.h"
#include "files/KWOFile.h"
#include "files/KWOResFile.h"
#include "graphics/KWOImage.h"
#include "graphics/font_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

using namespace kwo_font;

namespace
{
const char kMagic[4] = {'K', 'W', 'O', 'F'};
const unsigned char kVersion = 2;
// The longest name a file can hold: its length byte counts the terminating zero.
const size_t kMaxStoredName = 254;

bool ReadMagic(KWOResFile& f)
{
    char magic[4];
    return ReadExact(f, magic, 4) && std::memcmp(magic, kMagic, 4) == 0;
}

bool Printable(unsigned int c)
{
    return c >= 32 && c <= 127;
}

// One record in file order: x, y (16 bits), w, h (8 bits), below (16 bits).
void DecodeChar(const unsigned char* p, KWOChar& ch)
{
    ch.x = Get16(p);
    ch.y = Get16(p + 2);
    ch.w = p[4];
    ch.h = p[5];
    ch.below = static_cast<short>(Get16(p + 6));
}

void EncodeChar(const KWOChar& ch, unsigned char* p)
{
    Put16(p, ch.x);
    Put16(p + 2, ch.y);
    p[4] = ch.w;
    p[5] = ch.h;
    Put16(p + 6, static_cast<unsigned short>(ch.below));
}
} // namespace

// ---- construction ------------------------------------------------------------

KWOFont::KWOFont()
    : m_width(0), m_height(0), m_first(0), m_last(0), m_ascent(0), m_descent(0), m_charSpacing(0),
      m_whiteCharSize(0), m_bpp(0)
{
}

KWOFont::KWOFont(const char* filename) : KWOFont()
{
    KWOFile file(filename, KWOResFile::ModeRead);
    if (file.GetState() != KWOResFile::StateOK || !Load(file, 0))
        KWO::LOG("Font: bad file %s\n", filename != nullptr ? filename : "(null)");
}

KWOFont::KWOFont(KWOResFile& f, int format) : KWOFont()
{
    if (f.GetState() != KWOResFile::StateOK || !Load(f, format))
        KWO::LOG("Font: bad resource file\n");
}

KWOFont::KWOFont(const char* name, unsigned int first, unsigned int last, KWOImage* img,
                 unsigned char bpp)
    : KWOFont()
{
    m_name.reset(KWOString::StringCopy(name));
    if (first > last)
        std::swap(first, last);
    m_first = std::min(first, 255u);
    m_last = std::min(std::max(last, m_first), 255u);
    try
    {
        m_chars.assign(m_last - m_first + 1, KWOChar{});
    }
    catch (const std::exception&)
    {
        // No memory for the records: a font without characters.
    }
    SetImage(img, bpp);
}

KWOFont::~KWOFont() = default;

void KWOFont::Free()
{
    m_name.reset();
    m_bitmap.reset();
    m_chars.clear();
    m_chars.shrink_to_fit();
    m_width = m_height = 0;
    m_first = m_last = 0;
    m_ascent = m_descent = 0;
    m_charSpacing = m_whiteCharSize = 0;
    m_bpp = 0;
}

// ---- records and bitmap --------------------------------------------------------

const KWOChar* KWOFont::GetChar(unsigned char c) const
{
    if (c < m_first || c > m_last || size_t(c - m_first) >= m_chars.size())
        return nullptr;
    return &m_chars[c - m_first];
}

void KWOFont::SetName(const char* name)
{
    m_name.reset(KWOString::StringCopy(name));
}

void KWOFont::SetFirstChar(unsigned char c)
try
{
    if (c > m_last || c == m_first)
        return;
    std::vector<KWOChar> chars(m_last - c + 1, KWOChar{});
    if (c < m_first)
        std::copy(m_chars.begin(), m_chars.end(), chars.begin() + (m_first - c));
    else if (size_t(c - m_first) < m_chars.size())
        std::copy(m_chars.begin() + (c - m_first), m_chars.end(), chars.begin());
    m_chars.swap(chars);
    m_first = c;
}
catch (const std::exception&)
{
}

void KWOFont::SetLastChar(unsigned char c)
try
{
    if (c < m_first)
        return;
    m_chars.resize(c - m_first + 1, KWOChar{});
    m_last = c;
}
catch (const std::exception&)
{
}

void KWOFont::SetChar(unsigned char c, const KWOChar* ch)
{
    // The records may be missing (no font loaded, or no memory for them).
    if (c == ' ' || c < m_first || c > m_last || size_t(c - m_first) >= m_chars.size())
        return;
    m_chars[c - m_first] = ch != nullptr ? *ch : KWOChar{};
}

bool KWOFont::SetImage(KWOImage* img, unsigned char bpp)
{
    // The bitmap keeps one byte per pixel: only 8-bit images, depths 1 to 8.
    if (img == nullptr || img->Pixels() == nullptr || bpp == 0 || bpp > 8 ||
        img->BytesPerPixel() != 1)
        return false;
    const unsigned int w = img->Width(), h = img->Height();
    uint32_t size = 0;
    if (!KWO::SizeMul(w, h, &size))
        return false;
    std::unique_ptr<unsigned char[]> bitmap(new (std::nothrow) unsigned char[size]);
    if (bitmap == nullptr)
        return false;
    // Keep the values a file of this depth can hold, so that what is drawn
    // now is what a saved and reloaded font draws.
    const unsigned char mask = bpp == 2 ? 3 : 0xFF;
    for (unsigned int y = 0; y < h; ++y)
    {
        const unsigned char* from = img->Pixels() + size_t(y) * img->Pitch();
        unsigned char* to = bitmap.get() + size_t(y) * w;
        if (bpp == 1)
            for (unsigned int x = 0; x < w; ++x)
                to[x] = from[x] != 0;
        else
            for (unsigned int x = 0; x < w; ++x)
                to[x] = from[x] & mask;
    }
    m_bitmap = std::move(bitmap);
    m_width = w;
    m_height = h;
    m_bpp = bpp;
    return true;
}

// ---- measuring -----------------------------------------------------------------

unsigned int KWOFont::CharWidth(unsigned char c) const
{
    if (c == ' ')
        return m_whiteCharSize;
    if (c == '\t')
        return 8u * m_whiteCharSize;
    const KWOChar* ch = GetChar(c);
    return ch != nullptr ? ch->w : 0;
}

unsigned int KWOFont::CharHeight(unsigned char c) const
{
    const KWOChar* ch = c == ' ' ? nullptr : GetChar(c);
    return ch != nullptr ? ch->h : 0;
}

unsigned int KWOFont::TextWidth(const char* text, unsigned int maxChars) const
{
    unsigned int width, height;
    TextSize(text, width, height, maxChars);
    return width;
}

void KWOFont::TextSize(const char* text, unsigned int& width, unsigned int& height,
                       unsigned int maxChars) const
{
    width = height = 0;
    if (!Defined() || text == nullptr || maxChars == 0)
        return;
    uint64_t sum = 0;
    int above = 0, below = 0; // largest h - below and largest below, from 0
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (unsigned int n = 0; n < maxChars && p[n] != 0; ++n)
    {
        const unsigned char c = p[n];
        sum += CharWidth(c);
        if (c != ' ' && c != '\t')
            if (const KWOChar* ch = GetChar(c))
            {
                above = std::max(above, int(ch->h) - ch->below);
                below = std::max(below, int(ch->below));
            }
        sum += m_charSpacing;
    }
    // No spacing after the last character.
    if (sum != 0)
        sum -= m_charSpacing;
    width = static_cast<unsigned int>(std::min<uint64_t>(sum, UINT32_MAX));
    height = static_cast<unsigned int>(above + below);
}

// ---- files ---------------------------------------------------------------------

unsigned int KWOFont::MemoryUsed() const
{
    const uint64_t used = sizeof(KWOFont) + (m_bitmap ? uint64_t(m_width) * m_height : 0) +
                          (m_name ? std::strlen(m_name.get()) : 0) +
                          sizeof(KWOChar) * uint64_t(m_chars.size());
    return static_cast<unsigned int>(std::min<uint64_t>(used, UINT32_MAX));
}

bool KWOFont::ReadName(KWOResFile& f)
{
    unsigned char length;
    if (!ReadExact(f, &length, 1))
        return false;
    // The stored length counts the terminating zero; a name without one is
    // ended after its stored bytes all the same.
    std::unique_ptr<char[]> name(new (std::nothrow) char[size_t(length) + 1]);
    if (!name || !ReadExact(f, name.get(), length))
        return false;
    name[length] = 0;
    m_name = std::move(name);
    return true;
}

bool KWOFont::ReadMetrics(KWOResFile& f)
{
    unsigned char raw[14];
    if (!ReadExact(f, raw, sizeof raw))
        return false;
    const uint32_t first = Get32(raw), last = Get32(raw + 4);
    // Characters are bytes: a range outside 0..255 cannot be a font's.
    if (first > last || last > 255)
        return false;
    m_first = first;
    m_last = last;
    m_whiteCharSize = raw[8];
    m_charSpacing = raw[9];
    m_ascent = static_cast<short>(Get16(raw + 10));
    m_descent = static_cast<short>(Get16(raw + 12));
    return true;
}

bool KWOFont::ReadTable(KWOResFile& f)
{
    const uint32_t count = m_last - m_first + 1; // at most 256
    std::vector<unsigned char> raw(size_t(count) * 8);
    if (!ReadExact(f, raw.data(), static_cast<uint32_t>(raw.size())))
        return false;
    m_chars.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        DecodeChar(&raw[size_t(i) * 8], m_chars[i]);
    return true;
}

bool KWOFont::ReadBitmap(KWOResFile& f)
{
    BitmapHeader header;
    if (!ReadBitmapHeader(f, header))
        return false;
    if (header.depth != 1 && header.depth != 2 && header.depth != 8)
        return false;
    if (!RowsFit(f, header))
        return false;
    uint32_t size = 0; // the rows fit in the file (RowsFit): so does the product
    if (!KWO::SizeMul(header.width, header.height, &size))
        return false;
    std::unique_ptr<unsigned char[]> bitmap;
    if (size != 0)
    {
        bitmap.reset(new (std::nothrow) unsigned char[size]);
        if (bitmap == nullptr || !ReadRows(f, header, bitmap.get()))
            return false;
    }
    m_bitmap = std::move(bitmap);
    m_width = header.width;
    m_height = header.height;
    m_bpp = header.depth;
    return true;
}

bool KWOFont::Load(KWOResFile& f, int format)
try
{
    if ((format != 0 && format != 1) || f.GetState() != KWOResFile::StateOK || !ReadMagic(f))
        return false;
    unsigned char head[13];
    if (!ReadExact(f, head, sizeof head))
        return false;
    if (head[0] != kVersion)
        KWO::LOG("Font: unknown format version %d\n", head[0]);
    const uint32_t nameAt = Get32(head + 1), tableAt = Get32(head + 5), bitmapAt = Get32(head + 9);
    Free();
    const bool ok = SeekTo(f, nameAt) && ReadName(f) && ReadMetrics(f) && SeekTo(f, tableAt) &&
                    ReadTable(f) && SeekTo(f, bitmapAt) && ReadBitmap(f);
    // A font that could not be read whole is not kept in part.
    if (!ok)
        Free();
    return ok;
}
catch (const std::exception&)
{
    Free();
    return false;
}

bool KWOFont::LoadV1(KWOResFile& f, int format)
{
    if ((format != 0 && format != 1) || f.GetState() != KWOResFile::StateOK || !ReadMagic(f))
        return false;
    Free();
    const bool ok = ReadName(f) && ReadMetrics(f) && ReadTable(f) && ReadBitmap(f);
    if (!ok)
        Free();
    return ok;
}

bool KWOFont::Save(KWOResFile& f, int format)
try
{
    if ((format != 0 && format != 1) || f.GetState() != KWOResFile::StateOK || !Defined())
        return false;
    // Everything that could make the file incomplete is checked first, so
    // that nothing is written for a font that cannot be stored.
    if (m_bitmap == nullptr || (m_bpp != 1 && m_bpp != 2 && m_bpp != 8))
        return false;
    const uint32_t start = f.GetPos();

    // Header and name block.
    const size_t nameLength = std::min(std::strlen(m_name.get()), kMaxStoredName);
    std::vector<unsigned char> head(17 + 1 + nameLength + 1 + 14, 0);
    std::memcpy(head.data(), kMagic, 4);
    head[4] = kVersion;
    Put32(&head[5], kNameBlockOffset);
    unsigned char* p = &head[17];
    *p++ = static_cast<unsigned char>(nameLength + 1);
    std::memcpy(p, m_name.get(), nameLength);
    p += nameLength + 1; // the zero byte is already there
    Put32(p, m_first);
    Put32(p + 4, m_last);
    p[8] = m_whiteCharSize;
    p[9] = m_charSpacing;
    Put16(p + 10, static_cast<unsigned short>(m_ascent));
    Put16(p + 12, static_cast<unsigned short>(m_descent));
    if (f.Write(head.data(), uint32_t(head.size())) != head.size())
        return false;

    // Character table.
    const uint32_t tableAt = f.GetPos() - start;
    std::vector<unsigned char> table(m_chars.size() * 8);
    for (size_t i = 0; i < m_chars.size(); ++i)
        EncodeChar(m_chars[i], &table[i * 8]);
    if (!table.empty() && f.Write(table.data(), uint32_t(table.size())) != table.size())
        return false;

    // Bitmap block.
    const uint32_t bitmapAt = f.GetPos() - start;
    unsigned char bitmapHead[9];
    Put32(bitmapHead, m_width);
    Put32(bitmapHead + 4, m_height);
    bitmapHead[8] = m_bpp;
    if (f.Write(bitmapHead, 9) != 9)
        return false;
    const uint32_t rowBytes = static_cast<uint32_t>(StoredRowBytes(m_width, m_bpp));
    std::vector<unsigned char> row(rowBytes);
    for (uint32_t y = 0; y < m_height; ++y)
    {
        const unsigned char* pixels = m_bitmap.get() + size_t(y) * m_width;
        if (m_bpp == 8)
            std::memcpy(row.data(), pixels, rowBytes);
        else
        {
            std::fill(row.begin(), row.end(), 0);
            for (uint32_t x = 0; x < m_width; ++x)
            {
                if (m_bpp == 1)
                    row[x >> 3] |= static_cast<unsigned char>((pixels[x] != 0) << (7 - (x & 7)));
                else
                    row[x >> 2] |= static_cast<unsigned char>((pixels[x] & 3) << (6 - 2 * (x & 3)));
            }
        }
        if (rowBytes != 0 && f.Write(row.data(), rowBytes) != rowBytes)
            return false;
    }

    // The two offsets left open in the header.
    unsigned char offsets[8];
    Put32(offsets, tableAt);
    Put32(offsets + 4, bitmapAt);
    return SeekTo(f, start + kOffsetsPosition) && f.Write(offsets, 8) == 8;
}
catch (const std::exception&)
{
    return false;
}

// ---- information ---------------------------------------------------------------

void KWOFont::PrintInfo(bool listChars) const
{
    if (!Defined())
    {
        KWO::LOG("Font not defined\n");
        return;
    }
    KWO::LOG("Font name       : %s\nFirst char      : %d", m_name.get(), int(m_first));
    if (Printable(m_first))
        KWO::LOG(" [%c]\n", int(m_first));
    else
        KWO::LOG("\n");
    KWO::LOG("Last char       : %d", int(m_last));
    if (Printable(m_last))
        KWO::LOG(" [%c]\n", int(m_last));
    else
        KWO::LOG("\n");
    KWO::LOG("  Total         : %d\nChar spacing    : %d\nWhite char size : %d\n",
             int(m_last - m_first + 1), int(m_charSpacing), int(m_whiteCharSize));
    KWO::LOG("Ascent          : %d\nDescent         : %d\nFormat (bpp)    : %d\n", int(m_ascent),
             int(m_descent), int(m_bpp));
    if (!listChars)
        return;
    KWO::LOG("------------------- Characters :\n");
    for (unsigned int c = m_first; c <= m_last && c - m_first < m_chars.size(); ++c)
    {
        const KWOChar& ch = m_chars[c - m_first];
        KWO::LOG("Char %d [%c] : %3d %3d %3d %3d %d\n", int(c), Printable(c) ? int(c) : ' ',
                 int(ch.x), int(ch.y), int(ch.w), int(ch.h), int(ch.below));
    }
}
