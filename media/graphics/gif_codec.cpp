// GIF pictures (87a and 89a): the reader. Only the first image of a file is
// decoded; extensions are passed over.
#include "graphics/image_codecs.h"

#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "graphics/codec_stream.h"
#include "graphics/lzw_decoder.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace
{
bool ImageDataError()
{
    KWO::LOG("GIF: EOF / read error on image data\n");
    return false;
}

// A colour table of `entries` red, green, blue triplets. `which` names the
// table in the message of a short read.
bool ReadColourTable(KWOResFile& f, unsigned int entries, const char* which,
                     std::vector<unsigned char>* table)
{
    uint32_t bytes;
    if (!KWO::SizeMul(entries, 3, &bytes))
        return false;
    table->resize(bytes);
    if (f.Read(table->data(), bytes) != bytes)
    {
        KWO::LOG("GIF: bad colormap\n");
        KWO::LOG("GIF: error reading %s colormap\n", which);
        return false;
    }
    return true;
}

// Passes over data sub-blocks up to the terminating empty one, the end of
// the stream or a read error.
void SkipSubBlocks(KWOResFile& f)
{
    unsigned char block[255];
    unsigned char n;
    while (f.Read(&n, 1) == 1 && n != 0)
    {
        if (f.Read(block, n) != n)
            return;
    }
}

// Decodes the image's data sub-blocks into out[0 .. count) as they are
// read, a few at a time, and passes over the rest of them once decoding has
// stopped. Data that end without the terminating empty block give what was
// read. Returns the number of bytes decoded.
size_t DecodeSubBlocks(KWOResFile& f, unsigned int codeSize, unsigned char* out, size_t count)
{
    kwo_codecs::LZWDecoder decoder(codeSize, out, count);
    bool decoding = true;
    unsigned char piece[16 * 255];
    size_t have = 0;
    unsigned char n;
    while (f.Read(&n, 1) == 1 && n != 0)
    {
        if (have + n > sizeof piece)
        {
            if (decoding)
                decoding = decoder.Feed(piece, have);
            have = 0;
        }
        const unsigned int got = f.Read(piece + have, n);
        have += got;
        if (got != n)
            break;
    }
    if (decoding && have != 0)
        decoder.Feed(piece, have);
    return decoder.Decoded();
}

// The position in decoding order of row y of an interlaced image: its rows
// come in four passes, rows 0, 8, 16, ..., then 4, 12, ..., then 2, 6, ...,
// then 1, 3, 5, ....
uint32_t InterlacedIndex(uint32_t y, uint32_t height)
{
    const uint32_t pass1 = (height + 7) / 8; // rows in the first pass
    const uint32_t pass2 = (height + 3) / 8;
    const uint32_t pass3 = (height + 1) / 4;
    if (y % 8 == 0)
        return y / 8;
    if (y % 8 == 4)
        return pass1 + y / 8;
    if (y % 4 == 2)
        return pass1 + pass2 + y / 4;
    return pass1 + pass2 + pass3 + y / 2;
}

// Puts the rows of an interlaced image, decoded in pass order, in their
// places, in place: each cycle of the permutation is followed with one row
// kept aside. The rows from `filled` on in decoding order are zeros (the
// data ended before them): only rows with data are copied, and zeros are
// written only where a row with data was, so a picture whose data end early
// costs what its data fill. False when the row kept aside or the marks
// cannot be allocated.
bool Deinterlace(unsigned char* pixels, uint32_t width, uint32_t height, uint32_t filled)
{
    std::unique_ptr<unsigned char[]> aside(new (std::nothrow) unsigned char[width]);
    std::unique_ptr<bool[]> placed(new (std::nothrow) bool[height]());
    if (aside == nullptr || placed == nullptr)
        return false;
    const auto row = [pixels, width](uint32_t i) { return pixels + size_t(i) * width; };
    // Row `to` takes decoded row `from` (or `aside` for the row that
    // started the cycle); row `to` still holds decoded row `to`.
    const auto move = [&](uint32_t to, uint32_t from, const unsigned char* source)
    {
        if (from < filled)
            std::memcpy(row(to), source, width);
        else if (to < filled)
            std::memset(row(to), 0, width);
    };
    for (uint32_t first = 0; first < height; ++first)
    {
        if (placed[first])
            continue;
        // Row `first` holds the decoded row `first`; it belongs elsewhere
        // unless the two indices meet. Fill the hole it leaves from the
        // decoded row that belongs there, and so on around the cycle.
        uint32_t hole = first;
        uint32_t from = InterlacedIndex(hole, height);
        if (from != first && first < filled)
            std::memcpy(aside.get(), row(first), width);
        while (from != first)
        {
            move(hole, from, row(from));
            placed[hole] = true;
            hole = from;
            from = InterlacedIndex(hole, height);
        }
        if (hole != first)
            move(hole, first, aside.get());
        placed[hole] = true;
    }
    return true;
}
} // namespace

bool GIFLoad(KWOResFile& f, unsigned char** pixels, unsigned int* width, unsigned int* height,
             KWOPal** palette, unsigned short* bpp)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    unsigned char magic[6];
    if (f.Read(magic, 6) != 6 || std::memcmp(magic, "GIF8", 4) != 0 ||
        (magic[4] != '7' && magic[4] != '9') || magic[5] != 'a')
    {
        KWO::LOG("GIF: error reading magic number\n");
        return false;
    }
    unsigned char screen[7];
    if (f.Read(screen, 7) != 7)
    {
        KWO::LOG("GIF: failed to read screen descriptor\n");
        return false;
    }
    std::vector<unsigned char> globalTable;
    if ((screen[4] & 0x80) && !ReadColourTable(f, 2u << (screen[4] & 7), "global", &globalTable))
        return false;

    FreePixels(pixels);
    for (;;)
    {
        unsigned char block;
        if (f.Read(&block, 1) != 1)
            return ImageDataError();
        if (block == ';')
        {
            KWO::LOG("GIF: only %d/%d images found in file\n", 0, 1);
            return false;
        }
        if (block == '!')
        {
            unsigned char label;
            if (f.Read(&label, 1) != 1)
            {
                KWO::LOG("GIF: EOF / read error on extension function code\n");
                return false;
            }
            // Graphic control (0xF9), comment, text and application
            // extensions carry nothing the image keeps.
            SkipSubBlocks(f);
            continue;
        }
        if (block != ',')
            continue;

        const uint32_t from = f.GetPos();
        f.Read16(); // left
        f.Read16(); // top
        const uint32_t w = f.Read16();
        const uint32_t h = f.Read16();
        const unsigned char flags = f.Read8();
        if (!kwo_codecs::MovedBy(f, from, 9))
        {
            KWO::LOG("GIF: couldn't read left/top/width/height\n");
            return false;
        }
        std::vector<unsigned char> localTable;
        const bool local = (flags & 0x80) != 0;
        if (local && !ReadColourTable(f, 1u << ((flags & 7) + 1), "local", &localTable))
            return false;
        const bool interlaced = (flags & 0x40) != 0;

        unsigned char codeSize;
        if (f.Read(&codeSize, 1) != 1)
            return ImageDataError();
        uint32_t count;
        if (codeSize < 1 || codeSize > 8 || !KWO::BufferSize(w, h, 1, &count) || count == 0)
        {
            KWO::LOG("GIF: error reading image\n");
            return false;
        }
        if (!WithinDecodeLimits("GIF", w, h))
            return false;
        unsigned char* buffer = NewPixels(w, h, 1);
        if (buffer == nullptr)
        {
            KWO::LOG("GIF: error reading image\n");
            return false;
        }
        *pixels = buffer;
        *width = w;
        *height = h;
        *bpp = 8;

        // The decoder writes the pixels in place; what the data do not
        // reach (they may end early) is cleared.
        const size_t decoded = DecodeSubBlocks(f, codeSize, buffer, count);
        std::memset(buffer + decoded, 0, count - decoded);
        const uint32_t filled = static_cast<uint32_t>((decoded + w - 1) / w);
        if (interlaced && !Deinterlace(buffer, w, h, filled))
        {
            KWO::LOG("GIF: error reading image\n");
            return false;
        }

        const std::vector<unsigned char>& table = local ? localTable : globalTable;
        const unsigned int entries = static_cast<unsigned int>(table.size() / 3);
        if (entries != 0)
        {
            KWOPal* pal = ProvidePalette(palette, entries);
            if (pal != nullptr)
            {
                const unsigned int n = pal->Size() < entries ? pal->Size() : entries;
                KWOColor* e = pal->Entries();
                for (unsigned int i = 0; i < n; ++i)
                    e[i] = KWOColor{table[3 * i], table[3 * i + 1], table[3 * i + 2], 0};
            }
        }
        return true;
    }
}
