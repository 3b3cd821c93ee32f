#include "graphics/KWOFont.h"

#include "files/KWOMemFile.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"
#include "support/CapturedLog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
// ---- building font files by hand --------------------------------------------

void Put8(std::string& s, unsigned v)
{
    s += static_cast<char>(v & 0xFF);
}
void Put16(std::string& s, unsigned v)
{
    Put8(s, v);
    Put8(s, v >> 8);
}
void Put32(std::string& s, unsigned v)
{
    Put16(s, v);
    Put16(s, v >> 16);
}

// Rows of pixel values written as digits ('0'-'9') or letters for larger
// values ('a' = 10 ...), packed at `depth` as the file stores them.
std::string PackRows(const std::vector<std::string>& rows, unsigned depth)
{
    std::string out;
    for (const std::string& row : rows)
    {
        std::vector<unsigned> v;
        for (char c : row)
            v.push_back(c >= 'a' ? unsigned(c - 'a' + 10) : unsigned(c - '0'));
        if (depth == 8)
            for (unsigned x : v)
                Put8(out, x);
        else
        {
            const unsigned perByte = 8 / depth;
            for (size_t i = 0; i < v.size(); i += perByte)
            {
                unsigned byte = 0;
                for (unsigned k = 0; k < perByte; ++k)
                {
                    const unsigned x = i + k < v.size() ? v[i + k] : 0;
                    byte |= x << (8 - depth * (k + 1));
                }
                Put8(out, byte);
            }
        }
    }
    return out;
}

// The glyph bitmap used throughout, pixel values 0-3:
//   'A' at (0, 0), 3 x 4, nothing below the baseline
//   'B' at (3, 0), 2 x 6, two rows below the baseline
//   'C' at (5, 0), 4 x 2, three shades
const std::vector<std::string> kGlyphRows = {
    "111111230", //
    "101110321", //
    "111010000", //
    "101010000", //
    "000010000", //
    "000110001", //
};

const KWOChar kA = {0, 0, 3, 4, 0};
const KWOChar kB = {3, 0, 2, 6, 2};
const KWOChar kC = {5, 0, 4, 2, 0};

struct FontFile
{
    std::string name = "Test";
    int nameLength = -1; // the stored length byte; -1: the name's length + 1
    unsigned version = 2;
    unsigned first = 'A', last = 'C';
    unsigned white = 3, spacing = 1;
    int ascent = 4, descent = 2;
    std::vector<KWOChar> chars = {kA, kB, kC};
    unsigned width = 9, height = 6, depth = 2;
    std::string rows = PackRows(kGlyphRows, 2);

    std::string NameBlock() const
    {
        std::string s;
        Put8(s, nameLength < 0 ? unsigned(name.size() + 1) : unsigned(nameLength));
        s += name;
        if (nameLength < 0)
            s += '\0';
        Put32(s, first);
        Put32(s, last);
        Put8(s, white);
        Put8(s, spacing);
        Put16(s, unsigned(ascent));
        Put16(s, unsigned(descent));
        return s;
    }
    std::string Table() const
    {
        std::string s;
        for (const KWOChar& c : chars)
        {
            Put16(s, c.x);
            Put16(s, c.y);
            Put8(s, c.w);
            Put8(s, c.h);
            Put16(s, unsigned(c.below));
        }
        return s;
    }
    std::string Bitmap() const
    {
        std::string s;
        Put32(s, width);
        Put32(s, height);
        Put8(s, depth);
        return s + rows;
    }
    std::string V2() const
    {
        const std::string name = NameBlock(), table = Table();
        std::string s = "KWOF";
        Put8(s, version);
        Put32(s, 17);
        Put32(s, unsigned(17 + name.size()));
        Put32(s, unsigned(17 + name.size() + table.size()));
        return s + name + table + Bitmap();
    }
    std::string V1() const { return "KWOF" + NameBlock() + Table() + Bitmap(); }
};

// A read-only memory stream over a copy of `bytes`.
class Stream
{
public:
    explicit Stream(const std::string& bytes)
        : m_data(bytes.begin(), bytes.end()),
          m_file(unsigned(bytes.size()), KWOResFile::ModeRead, m_data.data())
    {
    }
    KWOMemFile& operator*() { return m_file; }

private:
    std::vector<unsigned char> m_data;
    KWOMemFile m_file;
};

using Image = std::unique_ptr<KWOImage>;

// An 8-bit image of the digit rows.
Image GlyphImage(const std::vector<std::string>& rows)
{
    Image img = std::make_unique<KWOImage>(unsigned(rows[0].size()), unsigned(rows.size()), 8);
    for (unsigned y = 0; y < rows.size(); ++y)
        for (unsigned x = 0; x < rows[y].size(); ++x)
            img->HLine(int(x), int(y), 1, unsigned(rows[y][x] - '0'));
    return img;
}

// The test font built in memory at depth `bpp`.
struct MemFont
{
    Image image = GlyphImage(kGlyphRows);
    KWOFont font;
    explicit MemFont(unsigned char bpp) : font("Test", 'A', 'C', image.get(), bpp)
    {
        font.SetChar('A', &kA);
        font.SetChar('B', &kB);
        font.SetChar('C', &kC);
        font.SetAscent(4);
        font.SetDescent(2);
        font.SetCharSpacing(1);
        font.SetWhiteCharSize(3);
    }
};

// An 8-bit image as text rows: '.' for 0, the value's digit otherwise.
std::vector<std::string> Picture(const Image& image)
{
    const KWOImage& img = *image;
    std::vector<std::string> rows;
    for (unsigned y = 0; y < img.Height(); ++y)
    {
        std::string row;
        for (unsigned x = 0; x < img.Width(); ++x)
        {
            const unsigned v = img.GetPixel(int(x), int(y));
            row += v == 0 ? '.' : v < 10 ? char('0' + v) : '#';
        }
        rows.push_back(row);
    }
    return rows;
}

Image Canvas(unsigned w = 12, unsigned h = 8)
{
    Image img = std::make_unique<KWOImage>(w, h, 8);
    img->Rectangle(0, 0, w, h, 0);
    return img;
}

void ExpectSameRecords(const KWOFont& font, const std::vector<KWOChar>& chars)
{
    ASSERT_EQ(chars.size(), font.Last() - font.First() + 1);
    for (unsigned c = font.First(); c <= font.Last(); ++c)
    {
        const KWOChar* got = font.GetChar(static_cast<unsigned char>(c));
        ASSERT_NE(nullptr, got);
        const KWOChar& want = chars[c - font.First()];
        EXPECT_EQ(want.x, got->x);
        EXPECT_EQ(want.y, got->y);
        EXPECT_EQ(want.w, got->w);
        EXPECT_EQ(want.h, got->h);
        EXPECT_EQ(want.below, got->below);
    }
}

std::vector<unsigned char> BitmapOf(const KWOFont& font)
{
    if (font.Bitmap() == nullptr)
        return {};
    return std::vector<unsigned char>(font.Bitmap(),
                                      font.Bitmap() + font.BitmapWidth() * font.BitmapHeight());
}

std::vector<unsigned char> Values(const std::vector<std::string>& rows)
{
    std::vector<unsigned char> v;
    for (const std::string& row : rows)
        for (char c : row)
            v.push_back(static_cast<unsigned char>(c >= 'a' ? c - 'a' + 10 : c - '0'));
    return v;
}

void ExpectEmpty(const KWOFont& font)
{
    EXPECT_EQ(nullptr, font.Name());
    EXPECT_EQ(nullptr, font.Bitmap());
    EXPECT_EQ(nullptr, font.GetChar('A'));
    EXPECT_EQ(0u, font.TextWidth("ABC"));
}
} // namespace

// ---- files ---------------------------------------------------------------------

TEST(FontTest, LoadsHandMadeFilesAtEachDepth)
{
    const std::vector<std::string> ones = {"1011001", "0100111"};
    struct Case
    {
        unsigned depth;
        std::vector<std::string> rows;
    } cases[] = {{1, ones}, {2, kGlyphRows}, {8, {"0123", "4567"}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.depth);
        FontFile file;
        file.depth = c.depth;
        file.width = unsigned(c.rows[0].size());
        file.height = unsigned(c.rows.size());
        file.rows = PackRows(c.rows, c.depth);
        Stream s(file.V2());
        KWOFont font;
        ASSERT_TRUE(font.Load(*s, 0));
        EXPECT_STREQ("Test", font.Name());
        EXPECT_EQ(unsigned('A'), font.First());
        EXPECT_EQ(unsigned('C'), font.Last());
        EXPECT_EQ(4, font.Ascent());
        EXPECT_EQ(2, font.Descent());
        EXPECT_EQ(1, font.CharSpacing());
        EXPECT_EQ(3, font.WhiteCharSize());
        EXPECT_EQ(c.depth, font.Bpp());
        EXPECT_EQ(file.width, font.BitmapWidth());
        EXPECT_EQ(file.height, font.BitmapHeight());
        EXPECT_EQ(Values(c.rows), BitmapOf(font));
        ExpectSameRecords(font, file.chars);
    }
}

TEST(FontTest, BlocksAreFoundThroughTheirOffsets)
{
    // Blocks in another order, with gaps: the offsets are followed.
    FontFile file;
    const std::string name = file.NameBlock(), table = file.Table(), bitmap = file.Bitmap();
    std::string s = "KWOF";
    Put8(s, 2);
    const unsigned bitmapAt = 17 + 3, nameAt = unsigned(bitmapAt + bitmap.size() + 5);
    const unsigned tableAt = unsigned(nameAt + name.size() + 2);
    Put32(s, nameAt);
    Put32(s, tableAt);
    Put32(s, bitmapAt);
    s += "xyz" + bitmap + "-----" + name + "--" + table;
    Stream st(s);
    KWOFont font;
    ASSERT_TRUE(font.Load(*st, 1));
    EXPECT_STREQ("Test", font.Name());
    ExpectSameRecords(font, file.chars);
    EXPECT_EQ(Values(kGlyphRows), BitmapOf(font));
}

TEST(FontTest, SaveThenLoadGivesTheSameFont)
{
    for (unsigned char bpp : {1, 2, 8})
    {
        SCOPED_TRACE(int(bpp));
        MemFont mem(bpp);
        mem.font.SetChar('B', &kB);
        KWOMemFile out(4096, KWOResFile::ModeRead | KWOResFile::ModeWrite);
        ASSERT_TRUE(mem.font.Save(out, 0));
        EXPECT_EQ(17u, out.GetPos());

        // The layout of a written file: the table right after the name
        // block, the bitmap right after the table.
        const unsigned char* d = out.GetData();
        EXPECT_EQ(0, std::memcmp(d, "KWOF\x02\x11\0\0\0", 9));
        const unsigned tableAt = d[9] | d[10] << 8, bitmapAt = d[13] | d[14] << 8;
        EXPECT_EQ(17u + 1 + 5 + 14, tableAt);
        EXPECT_EQ(tableAt + 3 * 8, bitmapAt);

        out.SeekStart();
        KWOFont back;
        ASSERT_TRUE(back.Load(out, 0));
        EXPECT_STREQ("Test", back.Name());
        EXPECT_EQ(mem.font.First(), back.First());
        EXPECT_EQ(mem.font.Last(), back.Last());
        EXPECT_EQ(4, back.Ascent());
        EXPECT_EQ(2, back.Descent());
        EXPECT_EQ(1, back.CharSpacing());
        EXPECT_EQ(3, back.WhiteCharSize());
        EXPECT_EQ(bpp, back.Bpp());
        ExpectSameRecords(back, {kA, kB, kC});
        EXPECT_EQ(BitmapOf(mem.font), BitmapOf(back));
        EXPECT_EQ(mem.font.MemoryUsed(), back.MemoryUsed());
    }
}

TEST(FontTest, SaveRefusesWhatItCannotStoreAndWritesNothing)
{
    KWOMemFile out(4096, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    KWOFont empty;
    EXPECT_FALSE(empty.Save(out, 0));

    KWOFont noBitmap("Name", 'a', 'z', nullptr, 1);
    EXPECT_FALSE(noBitmap.Save(out, 0));
    EXPECT_EQ(0u, out.GetPos());

    MemFont mem(8);
    EXPECT_FALSE(mem.font.Save(out, 2));
    Image img = GlyphImage(kGlyphRows);
    KWOFont odd("Odd", 'A', 'C', img.get(), 4); // a depth the file cannot hold
    EXPECT_FALSE(odd.Save(out, 0));
    EXPECT_EQ(0u, out.GetPos());

    // A stream too small for the font: the failure is reported.
    KWOMemFile tiny(40, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    EXPECT_FALSE(mem.font.Save(tiny, 0));

    // A long name is stored cut to 254 bytes.
    const std::string longName(300, 'n');
    mem.font.SetName(longName.c_str());
    ASSERT_TRUE(mem.font.Save(out, 0));
    out.SeekStart();
    KWOFont back;
    ASSERT_TRUE(back.Load(out, 0));
    EXPECT_EQ(std::string(254, 'n'), back.Name());
}

TEST(FontTest, LoadsTheOlderLayout)
{
    FontFile file;
    file.depth = 8;
    file.rows = PackRows(kGlyphRows, 8);
    Stream s(file.V1());
    KWOFont font;
    ASSERT_TRUE(font.LoadV1(*s, 0));
    EXPECT_STREQ("Test", font.Name());
    ExpectSameRecords(font, file.chars);
    EXPECT_EQ(Values(kGlyphRows), BitmapOf(font));

    Stream bad("KWOX" + file.V1().substr(4));
    EXPECT_FALSE(font.LoadV1(*bad, 0));
    Stream again(file.V1());
    EXPECT_FALSE(font.LoadV1(*again, 3));
}

TEST(FontTest, OtherVersionsAreReadAfterANote)
{
    CapturedLog log;
    FontFile file;
    file.version = 3;
    Stream s(file.V2());
    KWOFont font;
    EXPECT_TRUE(font.Load(*s, 0));
    EXPECT_EQ("Font: unknown format version 3\n", log.Text());
    EXPECT_STREQ("Test", font.Name());
}

TEST(FontTest, BadFilesFailCleanlyAndLeaveTheFontEmpty)
{
    CapturedLog log;
    // A file refused before its header is read whole leaves the font as it
    // was; any later failure leaves it empty, never half loaded.
    auto expectRefused = [&](const std::string& bytes, int format = 0, bool kept = false)
    {
        Stream s(bytes);
        KWOFont font;
        ASSERT_TRUE(font.Load(*Stream(FontFile().V2()), 0));
        EXPECT_FALSE(font.Load(*s, format));
        if (kept)
            EXPECT_STREQ("Test", font.Name());
        else
            ExpectEmpty(font);
    };
    const FontFile good;
    {
        SCOPED_TRACE("magic and format");
        expectRefused("KWOP" + good.V2().substr(4), 0, true);
        expectRefused(good.V2(), 2, true);
        expectRefused(good.V2(), -1, true);
    }
    {
        SCOPED_TRACE("character ranges");
        FontFile f;
        f.first = 'D';
        expectRefused(f.V2());
        f.first = 0;
        f.last = 256;
        expectRefused(f.V2());
        f.first = 0xFFFFFFF0u;
        f.last = 0xFFFFFFFFu;
        expectRefused(f.V2());
    }
    {
        SCOPED_TRACE("bitmap sizes");
        FontFile f;
        f.depth = 4;
        expectRefused(f.V2());
        f.depth = 8;
        f.width = 0x10000;
        f.height = 0x10000; // 4 GiB of pixels
        expectRefused(f.V2());
        f.depth = 1;
        f.width = f.height = 16000; // within the limit, but not in the file
        expectRefused(f.V2());
        f.width = 0xFFFFFFFFu;
        f.height = 2;
        expectRefused(f.V2());
    }
    {
        SCOPED_TRACE("offsets");
        std::string s = good.V2();
        s[13] = s[14] = s[15] = '\x7F'; // bitmap far past the end
        expectRefused(s);
        s = good.V2();
        s[5] = '\xFF'; // name block past the end
        expectRefused(s);
        s = good.V2();
        s[16] = '\x80'; // beyond what a seek can reach
        expectRefused(s);
    }
    {
        SCOPED_TRACE("every truncation");
        const std::string all = good.V2();
        for (size_t n = 0; n < all.size(); ++n)
        {
            SCOPED_TRACE(n);
            expectRefused(all.substr(0, n), 0, n < 17);
        }
    }
}

TEST(FontTest, NamesAreEndedAndGlyphsOutsideTheBitmapAreKept)
{
    FontFile file;
    file.name = "Abc";
    file.nameLength = 3; // no terminating zero stored
    file.chars[2] = KWOChar{60000, 60000, 255, 255, -300};
    Stream s(file.V2());
    KWOFont font;
    ASSERT_TRUE(font.Load(*s, 0));
    EXPECT_STREQ("Abc", font.Name());
    EXPECT_EQ(255u, font.CharWidth('C'));

    // Such a glyph is never read outside the bitmap.
    Image img = Canvas(300, 300);
    img->DrawText(0, 0, "CAC", 9, &font, KWOFont::AlignTop);
    EXPECT_EQ(9u, img->GetPixel(256, 0)); // 'A' after the empty 255 + 1
}

TEST(FontTest, ConstructorsReportFailures)
{
    CapturedLog log;
    TempDir dir;
    const std::string missing = dir / "missing.font";
    KWOFont a(missing.c_str());
    ExpectEmpty(a);
    EXPECT_NE(std::string::npos, log.Text().find("Font: bad file " + missing + "\n"));

    Stream bad("KWOF");
    KWOFont b(*bad, 0);
    ExpectEmpty(b);
    EXPECT_NE(std::string::npos, log.Text().find("Font: bad resource file\n"));

    const std::string path = dir / "good.font";
    WriteFileBytes(path, FontFile().V2());
    KWOFont c(path.c_str());
    EXPECT_STREQ("Test", c.Name());
    Stream good(FontFile().V2());
    KWOFont d(*good, 1);
    EXPECT_STREQ("Test", d.Name());
    EXPECT_TRUE(d.SaveName((dir / "copy.font").c_str(), 0));
    KWOFont e;
    EXPECT_TRUE(e.LoadName((dir / "copy.font").c_str(), 0));
    EXPECT_EQ(BitmapOf(d), BitmapOf(e));
}

// ---- the font in memory ----------------------------------------------------------

TEST(FontTest, BuiltInMemory)
{
    Image img = GlyphImage(kGlyphRows);
    KWOFont font("Mem", 'z', 'a', img.get(), 8); // range given backwards
    EXPECT_EQ(unsigned('a'), font.First());
    EXPECT_EQ(unsigned('z'), font.Last());
    EXPECT_EQ(0u, font.CharWidth('m'));
    EXPECT_EQ(0, font.Ascent());
    EXPECT_EQ(Values(kGlyphRows), BitmapOf(font));
    EXPECT_EQ(sizeof(KWOFont) + 9 * 6 + 3 + 8 * 26, font.MemoryUsed());

    KWOFont clamped("Hi", 300, 1000, img.get(), 8);
    EXPECT_EQ(255u, clamped.First());
    EXPECT_EQ(255u, clamped.Last());

    // SetImage takes only 8-bit images, and keeps the values of its depth.
    KWOImage wide(4, 4, 16);
    EXPECT_FALSE(font.SetImage(&wide, 16));
    EXPECT_FALSE(font.SetImage(img.get(), 9));
    EXPECT_FALSE(font.SetImage(nullptr, 8));
    Image values = GlyphImage({"0127", "5400"});
    ASSERT_TRUE(font.SetImage(values.get(), 1));
    EXPECT_EQ((std::vector<unsigned char>{0, 1, 1, 1, 1, 1, 0, 0}), BitmapOf(font));
    ASSERT_TRUE(font.SetImage(values.get(), 2));
    EXPECT_EQ((std::vector<unsigned char>{0, 1, 2, 3, 1, 0, 0, 0}), BitmapOf(font));

    // A font without a name is not defined.
    KWOFont unnamed(nullptr, 'A', 'C', img.get(), 8);
    EXPECT_FALSE(unnamed.Defined());
}

TEST(FontTest, RangeAndRecordChanges)
{
    MemFont mem(8);
    KWOFont& font = mem.font;
    font.SetFirstChar('?'); // two new characters in front
    EXPECT_EQ(unsigned('?'), font.First());
    EXPECT_EQ(0u, font.CharWidth('?'));
    EXPECT_EQ(0u, font.CharWidth('@'));
    EXPECT_EQ(3u, font.CharWidth('A'));
    EXPECT_EQ(2u, font.CharWidth('B'));
    font.SetFirstChar('B'); // 'A' and those before it go
    EXPECT_EQ(0u, font.CharWidth('A'));
    EXPECT_EQ(2u, font.CharWidth('B'));
    font.SetFirstChar('Z'); // past the last character: nothing
    EXPECT_EQ(unsigned('B'), font.First());

    font.SetLastChar('E');
    EXPECT_EQ(unsigned('E'), font.Last());
    EXPECT_EQ(4u, font.CharWidth('C'));
    EXPECT_EQ(0u, font.CharWidth('E'));
    font.SetLastChar('B');
    EXPECT_EQ(0u, font.CharWidth('C'));
    font.SetLastChar('A'); // before the first: nothing
    EXPECT_EQ(unsigned('B'), font.Last());

    // The space's record cannot be set; others can be set and cleared.
    font.SetFirstChar(' ');
    const KWOChar wide = {0, 0, 9, 9, 0};
    font.SetChar(' ', &wide);
    EXPECT_EQ(0u, font.GetChar(' ')->w);
    font.SetChar('!', &wide);
    EXPECT_EQ(9u, font.CharWidth('!'));
    EXPECT_EQ(9u, font.CharHeight('!'));
    font.SetChar('!', nullptr);
    EXPECT_EQ(0u, font.CharWidth('!'));
    font.SetChar('~', &wide); // outside the range
    EXPECT_EQ(0u, font.CharWidth('~'));

    font.Free();
    ExpectEmpty(font);
    EXPECT_EQ(0u, font.First());

    // A font without records (freed, never loaded) has nothing to set or
    // keep: the calls change nothing and touch no memory.
    font.SetChar(0, &wide);
    EXPECT_EQ(nullptr, font.GetChar(0));
    KWOFont blank;
    blank.SetChar(0, &wide);
    EXPECT_EQ(nullptr, blank.GetChar(0));
}

// ---- measuring -----------------------------------------------------------------

TEST(FontTest, Measuring)
{
    Image img = GlyphImage(kGlyphRows);
    KWOFont font("M", 'A', 'B', img.get(), 8);
    const KWOChar a = {0, 0, 5, 4, 0}, b = {0, 0, 6, 6, 2};
    font.SetChar('A', &a);
    font.SetChar('B', &b);
    font.SetWhiteCharSize(4);
    font.SetCharSpacing(1);

    EXPECT_EQ(17u, font.TextWidth("A B"));
    EXPECT_EQ(0u, font.TextWidth(""));
    EXPECT_EQ(4u, font.TextWidth(" "));
    EXPECT_EQ(32u, font.TextWidth("\t"));
    EXPECT_EQ(5u + 1 + 1 + 6, font.TextWidth("AzB")); // unknown: spacing only
    EXPECT_EQ(5u, font.TextWidth("A B", 1));
    EXPECT_EQ(0u, font.TextWidth("A B", 0));
    EXPECT_EQ(0u, font.TextWidth(nullptr));
    EXPECT_EQ(4u, font.CharWidth(' '));
    EXPECT_EQ(32u, font.CharWidth('\t'));
    EXPECT_EQ(6u, font.CharHeight('B'));
    EXPECT_EQ(0u, font.CharHeight(' '));

    unsigned w = 99, h = 99;
    font.TextSize("AB", w, h);
    EXPECT_EQ(12u, w);
    EXPECT_EQ(4u + 2, h); // A reaches 4 above the baseline, B 2 below
    font.TextSize("A", w, h);
    EXPECT_EQ(4u, h);
    font.TextSize(" ", w, h);
    EXPECT_EQ(4u, w);
    EXPECT_EQ(0u, h);
    font.TextSize("AB", w, h, 0);
    EXPECT_EQ(0u, w);
    EXPECT_EQ(0u, h);

    KWOFont empty;
    empty.TextSize("AB", w, h);
    EXPECT_EQ(0u, w);
    EXPECT_EQ(0u, h);
}

// ---- drawing -------------------------------------------------------------------

TEST(FontTest, AlignmentPutsTheLineWhereAsked)
{
    MemFont mem(8);
    const std::vector<std::string> want = {
        "111.11......", //
        "1.1.11......", //
        "111..1......", //
        "1.1..1......", //
        ".....1......", //
        "....11......", //
        "............", //
        "............", //
    };
    Image top = Canvas();
    top->DrawText(0, 0, "AB", 1, &mem.font, KWOFont::AlignTop);
    EXPECT_EQ(want, Picture(top));
    Image base = Canvas();
    base->DrawText(0, 3, "AB", 1, &mem.font, KWOFont::AlignBaseline);
    EXPECT_EQ(want, Picture(base));
    Image other = Canvas();
    other->DrawText(0, 3, "AB", 1, &mem.font, static_cast<KWOFont::FontAlign>(7));
    EXPECT_EQ(want, Picture(other));
    Image bottom = Canvas();
    bottom->DrawText(0, 5, "AB", 1, &mem.font, KWOFont::AlignBottom);
    EXPECT_EQ(want, Picture(bottom));
}

TEST(FontTest, SpacesTabsCountsAndUnknownCharacters)
{
    MemFont mem(8);
    Image img = Canvas(40, 6);
    // A, space (3) + spacing, unknown 'x' (spacing only), A: three characters.
    img->DrawText(1, 0, "A x\tA", 5, &mem.font, KWOFont::AlignTop, 3);
    Image want = Canvas(40, 6);
    want->DrawText(1, 0, "A", 5, &mem.font, KWOFont::AlignTop);
    EXPECT_EQ(Picture(want), Picture(img));

    img = Canvas(40, 6);
    img->DrawText(1, 0, "A x\tA", 5, &mem.font, KWOFont::AlignTop);
    // 1 + 3 + 1 (A) + 3 + 1 (space) + 1 (x) + 24 + 1 (tab) = 35
    want->DrawText(35, 0, "A", 5, &mem.font, KWOFont::AlignTop);
    EXPECT_EQ(Picture(want), Picture(img));

    Image none = Canvas(40, 6);
    none->DrawText(1, 0, "A", 5, &mem.font, KWOFont::AlignTop, 0);
    none->DrawText(1, 0, nullptr, 5, &mem.font, KWOFont::AlignTop);
    none->DrawText(1, 0, "A", 5, nullptr, KWOFont::AlignTop);
    KWOFont empty;
    none->DrawText(1, 0, "A", 5, &empty, KWOFont::AlignTop);
    EXPECT_EQ(Picture(Canvas(40, 6)), Picture(none));
}

TEST(FontTest, ClippingCutsGlyphsOnEverySide)
{
    MemFont mem(8);
    {
        SCOPED_TRACE("right edge inside a glyph: drawing stops there");
        Image img = Canvas();
        img->SetClipping(0, 0, 4, 7);
        img->DrawText(0, 0, "ABA", 1, &mem.font, KWOFont::AlignTop);
        EXPECT_EQ((std::vector<std::string>{"111.1.......", "1.1.1.......", "111.........",
                                            "1.1.........", "............", "....1.......",
                                            "............", "............"}),
                  Picture(img));
    }
    {
        SCOPED_TRACE("left edge: the next glyph keeps its place");
        Image img = Canvas();
        img->SetClipping(1, 0, 11, 7);
        img->DrawText(0, 0, "AB", 1, &mem.font, KWOFont::AlignTop);
        EXPECT_EQ((std::vector<std::string>{".11.11......", "..1.11......", ".11..1......",
                                            "..1..1......", ".....1......", "....11......",
                                            "............", "............"}),
                  Picture(img));
        Image left = Canvas();
        left->DrawText(-2, 0, "AB", 1, &mem.font, KWOFont::AlignTop);
        EXPECT_EQ((std::vector<std::string>{"1.11........", "1.11........", "1..1........",
                                            "1..1........", "...1........", "..11........",
                                            "............", "............"}),
                  Picture(left));
        // A glyph wholly left of the rectangle only advances.
        Image far = Canvas();
        far->DrawText(-4, 0, "AB", 1, &mem.font, KWOFont::AlignTop);
        EXPECT_EQ("11..........", Picture(far)[0]);
        EXPECT_EQ("11..........", Picture(far)[5]);
    }
    {
        SCOPED_TRACE("top and bottom");
        Image img = Canvas();
        img->SetClipping(0, 2, 11, 3);
        img->DrawText(0, 0, "AB", 1, &mem.font, KWOFont::AlignTop);
        EXPECT_EQ((std::vector<std::string>{"............", "............", "111..1......",
                                            "1.1..1......", "............", "............",
                                            "............", "............"}),
                  Picture(img));
        Image below = Canvas();
        below->DrawText(0, -5, "AB", 1, &mem.font, KWOFont::AlignTop);
        EXPECT_EQ("....11......", Picture(below)[0]);
        EXPECT_EQ("............", Picture(below)[1]);
        Image gone = Canvas();
        gone->DrawText(0, -6, "AB", 1, &mem.font, KWOFont::AlignTop);
        gone->DrawText(0, 8, "AB", 1, &mem.font, KWOFont::AlignTop);
        gone->DrawText(12, 0, "AB", 1, &mem.font, KWOFont::AlignTop);
        EXPECT_EQ(Picture(Canvas()), Picture(gone));
    }
}

TEST(FontTest, ShadesAndDepths)
{
    // 'C' on the baseline y = 1 fills rows 0 and 1.
    MemFont two(2);
    KWOFont::FontParams params = {&two.font, KWOFont::AlignBaseline, {90, 10, 20, 30}};
    Image img = Canvas(6, 3);
    img->DrawTextEx(1, 1, "C", params);
    std::vector<unsigned> got;
    for (int x = 0; x < 6; ++x)
        got.push_back(img->GetPixel(x, 0));
    EXPECT_EQ((std::vector<unsigned>{0, 10, 20, 30, 0, 0}), got);
    EXPECT_EQ(30u, img->GetPixel(2, 1));
    EXPECT_EQ(20u, img->GetPixel(3, 1));
    EXPECT_EQ(10u, img->GetPixel(4, 1));

    // Other depths draw every glyph pixel in the fourth colour.
    MemFont eight(8);
    params.font = &eight.font;
    Image flat = Canvas(6, 3);
    flat->DrawTextEx(1, 1, "C", params);
    EXPECT_EQ((std::vector<std::string>{".###..", "..###.", "......"}), Picture(flat));
    EXPECT_EQ(30u, flat->GetPixel(1, 0));
    params.font = nullptr;
    flat->DrawTextEx(1, 1, "A", params); // nothing
    EXPECT_EQ(0u, flat->GetPixel(5, 0));

    // The colour is stored in the encoding of the image's depth.
    for (unsigned bpp : {15u, 16u, 24u, 32u})
    {
        SCOPED_TRACE(bpp);
        KWOImage deep(6, 3, bpp);
        deep.Rectangle(0, 0, 6, 3, 0);
        deep.DrawText(1, 1, "C", 0xAB112233u, &eight.font, KWOFont::AlignBaseline);
        const unsigned want = bpp == 24 ? 0x112233u : bpp == 32 ? 0xAB112233u : 0x2233u;
        EXPECT_EQ(want, deep.GetPixel(1, 0));
        EXPECT_EQ(want, deep.GetPixel(4, 1));
        EXPECT_EQ(0u, deep.GetPixel(4, 0));
    }
}

TEST(FontTest, RecordsPastTheBitmapDrawOnlyWhatIsInside)
{
    MemFont mem(8);
    const KWOChar corner = {8, 5, 3, 3, 0}; // only its top-left pixel is in the bitmap
    const KWOChar away = {60000, 0, 5, 5, 0};
    mem.font.SetChar('A', &corner);
    mem.font.SetChar('C', &away);
    Image img = Canvas(12, 4);
    img->DrawText(0, 3, "CA", 7, &mem.font, KWOFont::AlignBaseline);
    EXPECT_EQ(
        (std::vector<std::string>{"............", "......7.....", "............", "............"}),
        Picture(img));
}

// ---- the glyph bitmap as a picture ---------------------------------------------------

TEST(FontTest, LoadsAsAPicture)
{
    {
        SCOPED_TRACE("1 bit");
        FontFile file;
        file.depth = 1;
        file.rows = PackRows(
            {"101100101", "010011010", "000000000", "000000000", "000000000", "111111111"}, 1);
        Stream s(file.V2());
        KWOImage img(0, 0, 8);
        ASSERT_TRUE(img.Load(*s, 0));
        EXPECT_EQ(9u, img.Width());
        EXPECT_EQ(6u, img.Height());
        EXPECT_EQ(8u, img.Bpp());
        EXPECT_EQ(1u, img.GetPixel(0, 0));
        EXPECT_EQ(0u, img.GetPixel(1, 0));
        EXPECT_EQ(1u, img.GetPixel(8, 5));
        ASSERT_NE(nullptr, img.Palette());
        ASSERT_EQ(2u, img.Palette()->Size());
        EXPECT_EQ(0, img.Palette()->Entries()[0].r);
        EXPECT_EQ(255, img.Palette()->Entries()[1].g);
        EXPECT_EQ(0, img.Palette()->Entries()[1].a);
    }
    {
        SCOPED_TRACE("2 bits");
        Stream s(FontFile().V2());
        KWOImage img(3, 3, 8);
        img.ReplacePalette(new KWOPal(16u));
        ASSERT_TRUE(img.Load(*s, 6));
        EXPECT_EQ(3u, img.GetPixel(7, 0));
        EXPECT_EQ(2u, img.GetPixel(6, 0));
        ASSERT_EQ(4u, img.Palette()->Size());
        const unsigned char greys[] = {0, 0x55, 0xAA, 0xFF};
        for (unsigned i = 0; i < 4; ++i)
            EXPECT_EQ(greys[i], img.Palette()->Entries()[i].b);
    }
    {
        SCOPED_TRACE("8 bits");
        FontFile file;
        file.depth = 8;
        file.width = 2;
        file.height = 1;
        file.rows = "\x05\xC8";
        Stream s(file.V2());
        KWOImage img(0, 0, 8);
        ASSERT_TRUE(img.Load(*s, 6));
        EXPECT_EQ(200u, img.GetPixel(1, 0));
        ASSERT_EQ(256u, img.Palette()->Size());
        EXPECT_EQ(200, img.Palette()->Entries()[200].r);
    }
    {
        SCOPED_TRACE("24 and 32 bits, raw");
        FontFile file;
        file.depth = 24;
        file.width = 2;
        file.height = 1;
        file.rows = "\x33\x22\x11\x66\x55\x44";
        Stream s(file.V2());
        KWOImage img(0, 0, 8);
        ASSERT_TRUE(img.Load(*s, 6));
        EXPECT_EQ(24u, img.Bpp());
        EXPECT_EQ(0x445566u, img.GetPixel(1, 0));
        file.depth = 32;
        file.width = 1;
        file.rows = std::string("\x01\x02\x03\x04", 4);
        Stream s32(file.V2());
        ASSERT_TRUE(img.Load(*s32, 6));
        EXPECT_EQ(32u, img.Bpp());
        EXPECT_EQ(0x04030201u, img.GetPixel(0, 0));
    }
}

TEST(FontTest, PictureLoadRefusesWhatIsNotAVersion2Bitmap)
{
    CapturedLog log;
    Image glyphs = GlyphImage(kGlyphRows);
    KWOImage& img = *glyphs;
    FontFile file;
    file.version = 1;
    Stream v1(file.V2());
    EXPECT_FALSE(img.Load(*v1, 6));
    EXPECT_EQ("Font: unknown format version 1\n", log.Text());
    EXPECT_NE(nullptr, img.Pixels()); // refused before the image was touched

    file.version = 2;
    file.depth = 16;
    Stream odd(file.V2());
    EXPECT_FALSE(img.Load(*odd, 6));
    EXPECT_EQ(nullptr, img.Pixels());

    file.depth = 8;
    file.width = file.height = 10000; // more than the file holds
    Stream big(file.V2());
    EXPECT_FALSE(img.Load(*big, 6));
    Stream notFont("KWOP" + FontFile().V2().substr(4));
    EXPECT_FALSE(img.Load(*notFont, 6));
    const std::string all = FontFile().V2();
    for (size_t n = 0; n < all.size(); ++n)
    {
        Stream cut(all.substr(0, n));
        KWOImage part(0, 0, 8);
        EXPECT_FALSE(part.Load(*cut, 6)) << n;
    }
}

TEST(FontTest, PrintInfo)
{
    CapturedLog log;
    KWOFont empty;
    empty.PrintInfo(true);
    EXPECT_EQ("Font not defined\n", log.Text());

    MemFont mem(2);
    mem.font.SetLastChar(128);
    mem.font.PrintInfo(true);
    const std::string text = log.Text();
    EXPECT_NE(std::string::npos, text.find("Font name       : Test\nFirst char      : 65 [A]\n"
                                           "Last char       : 128\n  Total         : 64\n"
                                           "Char spacing    : 1\nWhite char size : 3\n"
                                           "Ascent          : 4\nDescent         : 2\n"
                                           "Format (bpp)    : 2\n"
                                           "------------------- Characters :\n"
                                           "Char 65 [A] :   0   0   3   4 0\n"
                                           "Char 66 [B] :   3   0   2   6 2\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("Char 128 [ ] :   0   0   0   0 0\n"));
}
