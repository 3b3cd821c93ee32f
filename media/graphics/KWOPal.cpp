#include "graphics/KWOPal.h"

#include "core/KWOLog.h"
#include "files/KWOFile.h"
#include "files/KWOResFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{
// "KWOP" read as a little-endian 32-bit number.
constexpr unsigned int kNativeMagic = 0x504F574Bu;

// The line buffer of the text formats.
constexpr unsigned int kLineSize = 150;

// A palette of more entries than this is never allocated, whatever a count
// argument says: 16M entries are 64 MiB, far beyond any colour table.
constexpr unsigned int kMaxAllocEntries = 1u << 24;

// Reads one line; an empty string when no line was available. Returns
// GetLine's result (0 at the end of the stream).
unsigned int ReadLine(KWOResFile& f, char* buffer)
{
    const unsigned int got = f.GetLine(buffer, kLineSize, '\n');
    if (got == 0)
        buffer[0] = '\0';
    return got;
}

// Parses "%d %d %d" into an entry; numbers that are missing count as 0 and
// each number keeps its low byte.
void ParseColour(const char* line, KWOColor& entry)
{
    int r = 0, g = 0, b = 0;
    (void)std::sscanf(line, "%d %d %d", &r, &g, &b);
    entry.r = static_cast<unsigned char>(r);
    entry.g = static_cast<unsigned char>(g);
    entry.b = static_cast<unsigned char>(b);
    entry.a = 0;
}

// Writes bytes and keeps track of whether every write was complete: a
// stream may refuse a write without changing its state (a memory stream
// already at its end), so the state alone does not tell.
void WriteBytes(KWOResFile& f, const void* data, unsigned int size, bool& ok)
{
    if (size > 0 && f.Write(data, size) != size)
        ok = false;
}

void WriteText(KWOResFile& f, const char* text, bool& ok)
{
    WriteBytes(f, text, static_cast<unsigned int>(std::strlen(text)), ok);
}
} // namespace

KWOPal::KWOPal() : m_size(0) {}

KWOPal::KWOPal(unsigned int count) : m_size(0)
{
    Allocate(count);
}

KWOPal::KWOPal(int count) : m_size(0)
{
    if (count > 0)
        Allocate(static_cast<unsigned int>(count));
}

KWOPal::KWOPal(const char* filename, int format) : m_size(0)
{
    KWOFile file(filename, KWOResFile::ModeRead);
    if (file.GetState() == KWOResFile::StateOK)
        Load(file, format);
}

KWOPal::KWOPal(KWOResFile& f, int format) : m_size(0)
{
    if (f.GetState() == KWOResFile::StateOK)
        Load(f, format);
}

KWOPal::KWOPal(const KWOPal* other) : m_size(0)
{
    if (other != nullptr && Allocate(other->m_size) && m_size > 0)
        std::memcpy(m_entries.get(), other->m_entries.get(), m_size * sizeof(KWOColor));
}

KWOPal::~KWOPal() = default;

bool KWOPal::Allocate(unsigned int n)
{
    if (n == 0)
    {
        m_entries.reset();
        m_size = 0;
        return true;
    }
    if (n > kMaxAllocEntries)
        return false;
    KWOColor* entries = new (std::nothrow) KWOColor[n]();
    if (entries == nullptr)
        return false;
    m_entries.reset(entries);
    m_size = n;
    return true;
}

void KWOPal::SetFromRGB(const unsigned char* rgb, unsigned int count, unsigned int first)
{
    if (rgb == nullptr || count == 0)
        return;
    const uint64_t end = uint64_t(first) + count;
    if (end > m_size)
        Resize(static_cast<unsigned int>(std::min<uint64_t>(end, UINT32_MAX)));
    const uint64_t stop = std::min<uint64_t>(end, m_size);
    for (uint64_t i = first; i < stop; ++i, rgb += 3)
    {
        KWOColor& e = m_entries[i];
        e.r = rgb[0];
        e.g = rgb[1];
        e.b = rgb[2];
        e.a = 0;
    }
}

void KWOPal::SetFromRGBA(const unsigned char* rgba, unsigned int count, unsigned int first)
{
    if (rgba == nullptr || count == 0)
        return;
    const uint64_t end = uint64_t(first) + count;
    if (end > m_size)
        Resize(static_cast<unsigned int>(std::min<uint64_t>(end, UINT32_MAX)));
    if (first >= m_size)
        return;
    const uint64_t stop = std::min<uint64_t>(end, m_size);
    std::memcpy(&m_entries[first], rgba, static_cast<size_t>(stop - first) * sizeof(KWOColor));
}

void KWOPal::Resize(unsigned int n)
{
    if (n == 0)
    {
        m_entries.reset();
        m_size = 0;
        return;
    }
    if (n > MaxSize)
    {
        KWO::LOG("Note: palette size must be < 4096 !\n");
        n = MaxSize;
    }
    if (n == m_size)
        return;
    KWOColor* entries = new (std::nothrow) KWOColor[n]();
    if (entries == nullptr)
        return;
    if (m_entries)
        std::memcpy(entries, m_entries.get(), std::min(n, m_size) * sizeof(KWOColor));
    m_entries.reset(entries);
    m_size = n;
}

void KWOPal::GenerateGreyScale(unsigned int n)
{
    n = std::min(n, 256u);
    if (n > m_size)
        Resize(n);
    for (unsigned int i = 0; i < m_size; ++i)
    {
        const unsigned char v = static_cast<unsigned char>((uint64_t(i) * 256) / m_size);
        m_entries[i] = KWOColor{v, v, v, 0};
    }
}

void KWOPal::ToGreyScale()
{
    for (unsigned int i = 0; i < m_size; ++i)
    {
        KWOColor& e = m_entries[i];
        const unsigned char v = static_cast<unsigned char>((e.r + e.g + e.b) / 3);
        e = KWOColor{v, v, v, 0};
    }
}

unsigned int KWOPal::MemoryUsed() const
{
    return static_cast<unsigned int>(sizeof(KWOPal) + uint64_t(m_size) * sizeof(KWOColor));
}

int KWOPal::FindFormat(KWOResFile& f)
{
    char head[21] = {};
    f.SeekStart();
    f.Read(head, 20);
    f.SeekStart();
    if (std::memcmp(head, "KWOP", 4) == 0)
        return 1;
    if (std::strncmp(head, "GIMP Palette", 12) == 0)
        return 2;
    if (std::memcmp(head, "JASC-PAL", 8) == 0)
        return 3;
    f.SeekEnd();
    const unsigned int length = f.GetPos();
    f.SeekStart();
    return length == 768 ? 4 : 0;
}

bool KWOPal::Load(KWOResFile& f, int format)
{
    if (f.GetState() != KWOResFile::StateOK)
    {
        KWO::LOG("KWOPal: bad file\n");
        return false;
    }
    if (format == 0)
        format = FindFormat(f);
    switch (format)
    {
        case 0:
        case 1:
            return KWOLoad(f);
        case 2:
            return GIMPLoad(f);
        case 3:
            return JASCLoad(f);
        case 4:
        case 5:
            return RGBLoad(f, format);
        default:
            KWO::LOG("Unknown palette format %d\n", format);
            return false;
    }
}

bool KWOPal::KWOLoad(KWOResFile& f)
{
    if (f.Read32() != kNativeMagic)
        return false;
    Resize(f.Read32());
    const unsigned int bytes = m_size * static_cast<unsigned int>(sizeof(KWOColor));
    if (bytes == 0)
        return true;
    return f.Read(m_entries.get(), bytes) == bytes;
}

bool KWOPal::GIMPLoad(KWOResFile& f)
{
    char line[kLineSize];
    ReadLine(f, line);
    if (std::strncmp(line, "GIMP Palette", 12) != 0)
    {
        KWO::LOG("Not a Gimp palette\n");
        return false;
    }
    // Skip the comment lines; a file that ends before any colour line is an
    // empty palette.
    unsigned int got;
    do
        got = ReadLine(f, line);
    while (got != 0 && line[0] == '#');
    if (got == 0)
    {
        Resize(0);
        return true;
    }

    // Up to 256 colour lines; text after the three numbers (the colour's
    // name) is ignored and an empty line counts as black.
    Resize(256);
    unsigned int i = 0;
    while (i < 256 && i < m_size && got != 0)
    {
        ParseColour(line, m_entries[i]);
        got = ReadLine(f, line);
        ++i;
    }
    Resize(i);
    return true;
}

bool KWOPal::JASCLoad(KWOResFile& f)
{
    char line[kLineSize];
    ReadLine(f, line);
    if (std::strncmp(line, "JASC-PAL", 8) != 0)
    {
        KWO::LOG("Not a Paint Shop Pro palette\n");
        return false;
    }
    ReadLine(f, line); // version, not checked
    ReadLine(f, line);
    int count = 0;
    if (std::sscanf(line, "%d", &count) != 1 || count < 0)
        count = 0;
    Resize(static_cast<unsigned int>(count));
    for (unsigned int i = 0; i < static_cast<unsigned int>(count) && i < m_size; ++i)
    {
        if (ReadLine(f, line) == 0)
            break;
        ParseColour(line, m_entries[i]);
    }
    return true;
}

bool KWOPal::RGBLoad(KWOResFile& f, int format)
{
    unsigned char table[768];
    const unsigned int got = f.Read(table, sizeof(table));
    if (got == 0)
        return false;
    const unsigned int count = got / 3;
    if (count != m_size)
        Resize(count);
    for (unsigned int i = 0; i < count && i < m_size; ++i)
    {
        const unsigned char* p = table + 3 * i;
        if (format == 4)
            m_entries[i] = KWOColor{p[0], p[1], p[2], 0};
        else
            m_entries[i] = KWOColor{p[2], p[1], p[0], 0};
    }
    return true;
}

bool KWOPal::Save(KWOResFile& f, int format)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    bool ok = true;
    char line[64];
    switch (format)
    {
        case 0:
        case 1:
            ok = f.Write32(kNativeMagic) && f.Write32(m_size);
            WriteBytes(f, m_entries.get(), m_size * static_cast<unsigned int>(sizeof(KWOColor)),
                       ok);
            break;
        case 2:
            WriteText(f, "GIMP Palette\n# Generated by KWOPal\n", ok);
            for (unsigned int i = 0; i < m_size; ++i)
            {
                const KWOColor& e = m_entries[i];
                std::snprintf(line, sizeof(line), "%d %d %d\tUnknown\n", e.r, e.g, e.b);
                WriteText(f, line, ok);
            }
            break;
        case 3:
            WriteText(f, "JASC-PAL\n0100\n", ok);
            std::snprintf(line, sizeof(line), "%u\n", m_size);
            WriteText(f, line, ok);
            for (unsigned int i = 0; i < m_size; ++i)
            {
                const KWOColor& e = m_entries[i];
                std::snprintf(line, sizeof(line), "%d %d %d\n", e.r, e.g, e.b);
                WriteText(f, line, ok);
            }
            break;
        case 4:
        case 5:
            for (unsigned int i = 0; i < m_size; ++i)
            {
                const KWOColor& e = m_entries[i];
                const unsigned char rgb[3] = {format == 4 ? e.r : e.b, e.g,
                                              format == 4 ? e.b : e.r};
                WriteBytes(f, rgb, 3, ok);
            }
            break;
        default:
            return false;
    }
    return ok && f.GetState() == KWOResFile::StateOK;
}

void KWOPal::PrintInfo() const
{
    KWO::LOG("Palette info (%d colors)\n---------------------------\n", m_size);
    for (unsigned int i = 0; i < m_size; ++i)
    {
        const KWOColor& e = m_entries[i];
        char text[8];
        std::snprintf(text, sizeof(text), "#%02X%02X%02X", e.r, e.g, e.b);
        KWO::LOG("[%3d] %s (%3d, %3d, %3d, %3d)\n", i, text, e.r, e.g, e.b, e.a);
    }
    KWO::LOG("\n");
}
