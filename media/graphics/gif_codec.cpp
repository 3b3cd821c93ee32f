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

// Gathers the image's data sub-blocks end to end. Data that end without the
// terminating empty block give what was read.
void ReadSubBlocks(KWOResFile& f, std::vector<unsigned char>* data)
{
    unsigned char n;
    while (f.Read(&n, 1) == 1 && n != 0)
    {
        const size_t at = data->size();
        data->resize(at + n);
        const unsigned int got = f.Read(data->data() + at, n);
        if (got != n)
        {
            data->resize(at + got);
            return;
        }
    }
}

// Puts the lines of an interlaced image, decoded in pass order, at their
// rows: rows 0, 8, 16, ..., then 4, 12, ..., then 2, 6, ..., then 1, 3, 5,
// .... Only the `decoded` bytes are copied; the rest of `pixels` stays as it
// is (cleared).
void Deinterlace(const unsigned char* lines, size_t decoded, unsigned char* pixels, uint32_t width,
                 uint32_t height)
{
    static const uint32_t firstRow[4] = {0, 4, 2, 1};
    static const uint32_t step[4] = {8, 8, 4, 2};
    size_t at = 0;
    for (int pass = 0; pass < 4; ++pass)
    {
        for (uint32_t y = firstRow[pass]; y < height && at < decoded; y += step[pass])
        {
            const size_t n = decoded - at < width ? decoded - at : width;
            std::memcpy(pixels + size_t(y) * width, lines + at, n);
            at += width;
        }
    }
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
        unsigned char* buffer = AllocPixels(w, h, 1); // cleared: data may end early
        if (buffer == nullptr || codeSize < 1 || codeSize > 8)
        {
            delete[] buffer;
            KWO::LOG("GIF: error reading image\n");
            return false;
        }
        *pixels = buffer;
        *width = w;
        *height = h;
        *bpp = 8;

        std::vector<unsigned char> data;
        ReadSubBlocks(f, &data);
        const size_t count = size_t(w) * h; // checked by AllocPixels
        if (interlaced)
        {
            std::unique_ptr<unsigned char[]> lines(new (std::nothrow) unsigned char[count]);
            if (lines == nullptr)
            {
                KWO::LOG("GIF: error reading image\n");
                return false;
            }
            const size_t decoded =
                kwo_codecs::LZWDecode(data.data(), data.size(), codeSize, lines.get(), count);
            Deinterlace(lines.get(), decoded, buffer, w, h);
        }
        else
        {
            kwo_codecs::LZWDecode(data.data(), data.size(), codeSize, buffer, count);
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
