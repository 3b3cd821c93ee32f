#include "core/KWOText.h"

#include "core/KWOLog.h"
#include "core/KWOString.h"
#include "files/KWOFile.h"
#include "files/KWOResFile.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace
{
// "KWOT" read as one little-endian 32-bit value.
const unsigned int kTag = 'K' | ('W' << 8) | ('O' << 16) | (static_cast<unsigned int>('T') << 24);

// Bytes read at a time for an entry of the binary form: the buffer grows only
// as far as the stream really holds data, whatever size the entry announces.
const unsigned int kChunk = 64 * 1024;

bool StreamOK(const KWOResFile& file)
{
    return file.GetState() == KWOResFile::StateOK;
}

// Read32 that tells a stored value from a read that fell short: a memory or
// window stream already at its end refuses without changing its state.
bool ReadU32(KWOResFile& file, unsigned int& value)
{
    if (file.Eof())
        return false;
    value = file.Read32();
    return StreamOK(file);
}

// Reads one entry of S - 1 text bytes into a new[] string of S bytes; null
// when the stream holds fewer bytes.
char* ReadEntry(KWOResFile& file, unsigned int size)
{
    unsigned int length = size - 1;
    std::vector<char> text;
    while (text.size() < length)
    {
        size_t have = text.size();
        unsigned int want = length - static_cast<unsigned int>(have);
        if (want > kChunk)
            want = kChunk;
        text.resize(have + want);
        if (file.Read(text.data() + have, want) != want)
            return nullptr;
    }
    char* entry = new (std::nothrow) char[size];
    if (entry == nullptr)
        return nullptr;
    if (length)
        std::memcpy(entry, text.data(), length);
    entry[length] = 0;
    return entry;
}
} // namespace

KWOText::KWOText(unsigned n) : m_lines(nullptr), m_count(0)
{
    ChangeSize(n);
    if (m_count == 0)
        ChangeSize(1);
}

KWOText::KWOText(const char* filename, int format) : m_lines(nullptr), m_count(0)
{
    ChangeSize(1);
    KWOFile file(filename, KWOResFile::ModeRead);
    if (!Load(file, format))
    {
        Clear();
        ChangeSize(1);
    }
}

KWOText::KWOText(KWOResFile& file, int format) : m_lines(nullptr), m_count(0)
{
    ChangeSize(1);
    if (!Load(file, format))
    {
        Clear();
        ChangeSize(1);
    }
}

KWOText::~KWOText()
{
    Clear();
    delete[] m_lines;
}

void KWOText::FreeSlot(unsigned index)
{
    delete[] m_lines[index];
    m_lines[index] = nullptr;
}

unsigned KWOText::Length() const
{
    unsigned n = 0;
    for (unsigned i = 0; i < m_count; ++i)
        if (m_lines[i])
            ++n;
    return n;
}

void KWOText::ChangeSize(unsigned n)
{
    if (n < 1)
        n = 1;
    if (n == m_count && m_lines)
        return;
    char** lines = new (std::nothrow) char*[n];
    if (lines == nullptr)
        return; // too large: the array stays as it is
    unsigned keep = n < m_count ? n : m_count;
    for (unsigned i = 0; i < keep; ++i)
        lines[i] = m_lines[i];
    for (unsigned i = keep; i < n; ++i)
        lines[i] = nullptr;
    for (unsigned i = n; i < m_count; ++i)
        delete[] m_lines[i];
    delete[] m_lines;
    m_lines = lines;
    m_count = n;
}

void KWOText::SetString(unsigned index, const char* text, unsigned from, unsigned len)
{
    if (index == KWO::NotFound)
        return; // no array can have a slot there
    if (index >= m_count)
    {
        ChangeSize(index + 1);
        if (index >= m_count)
            return;
    }
    char* copy = nullptr;
    if (text != nullptr && len != 0)
    {
        size_t available = std::strlen(text);
        const char* src = text + (from < available ? from : available);
        // Only the characters the source holds are copied: the rest of a
        // longer `len` would be zero padding anyway.
        size_t n = 0;
        while (n < len && src[n] != 0)
            ++n;
        copy = new (std::nothrow) char[n + 1];
        if (copy == nullptr)
            return;
        std::memcpy(copy, src, n);
        copy[n] = 0;
    }
    // The copy is made first: `text` may be this very slot.
    FreeSlot(index);
    m_lines[index] = copy;
}

unsigned KWOText::Append(const char* text, unsigned from, unsigned len)
{
    if (text == nullptr || len == 0)
        return KWO::NotFound;
    unsigned index = 0;
    while (index < m_count && m_lines[index])
        ++index;
    SetString(index, text, from, len);
    return index < m_count && m_lines[index] ? index : KWO::NotFound;
}

void KWOText::Clear()
{
    for (unsigned i = 0; i < m_count; ++i)
        FreeSlot(i);
}

unsigned KWOText::MemoryUsed() const
{
    unsigned used = 12 + 4 * m_count;
    for (unsigned i = 0; i < m_count; ++i)
        if (m_lines[i])
            used += static_cast<unsigned>(std::strlen(m_lines[i]));
    return used;
}

void KWOText::PrintInfo() const
{
    KWO::LOG("Array of %d strings :\n", static_cast<int>(m_count));
    for (unsigned i = 0; i < m_count; ++i)
        if (m_lines[i])
            KWO::LOG("[%3d] %s\n", static_cast<int>(i), m_lines[i]);
}

bool KWOText::Load(KWOResFile& file, int format)
try
{
    if (!StreamOK(file))
        return false;
    if (format == 0)
    {
        // Look at the first four bytes, then step back over what was read
        // (fewer than four in a very short text file).
        unsigned char tag[4];
        unsigned int n = file.Read(tag, 4);
        if (n > 0)
            file.Seek(-static_cast<int>(n), SEEK_CUR);
        bool binary = n == 4 && (tag[0] | (tag[1] << 8) | (tag[2] << 16) |
                                 (static_cast<unsigned int>(tag[3]) << 24)) == kTag;
        format = binary ? 2 : 1;
    }
    if (format == 2)
        return LoadBinaryForm(file);
    if (format == 1)
        return LoadTextForm(file);
    return false;
}
catch (const std::exception&)
{
    // Running out of memory while the entries were read leaves the array as
    // it was.
    return false;
}

bool KWOText::LoadBinaryForm(KWOResFile& file)
{
    unsigned int tag = 0, count = 0;
    if (!ReadU32(file, tag) || tag != kTag)
        return false;
    bool ok = ReadU32(file, count);

    // The entries are collected first and grow only with what the stream
    // really holds (each takes at least four bytes), so a count or size that
    // the data does not back never leads to a large allocation.
    std::vector<std::unique_ptr<char[]>> entries;
    entries.reserve(count < 1024 ? count : 1024);
    for (unsigned int i = 0; ok && i < count; ++i)
    {
        unsigned int size = 0;
        if (!ReadU32(file, size))
        {
            ok = false;
            break;
        }
        char* entry = nullptr;
        if (size != 0)
        {
            entry = ReadEntry(file, size);
            ok = entry != nullptr;
        }
        entries.emplace_back(entry);
    }

    Clear();
    if (!ok)
    {
        // Data cut short: one empty slot rather than a half-read array.
        ChangeSize(1);
        return false;
    }
    ChangeSize(count);
    if (m_count < count)
    {
        ChangeSize(1);
        return false;
    }
    for (unsigned int i = 0; i < count; ++i)
        m_lines[i] = entries[i].release();
    return true;
}

bool KWOText::LoadTextForm(KWOResFile& file)
{
    KWOString line(256, nullptr);
    unsigned int lines = 1;
    while (lines < KWO::NotFound && file.GetLine(line, KWO::All, '\n') != 0)
        ++lines;
    if (lines == 1)
    {
        KWO::LOG("TextLoad: nothing to load!\n");
        return false;
    }
    ChangeSize(lines);
    file.SeekStart();
    for (unsigned int i = 0; i < m_count; ++i)
    {
        FreeSlot(i);
        // A line with nothing but its line end stays an empty slot; a last
        // line of one character without a line end is kept.
        if (file.GetLine(line, KWO::All, '\n') != 0 && line.m_length > 0)
            m_lines[i] = KWOString::StringCopy(line.m_text, 0, line.m_length);
    }
    return true;
}

bool KWOText::Save(KWOResFile& file, int format)
{
    if (!StreamOK(file))
        return false;
    unsigned int n = m_count;
    while (n > 0 && m_lines[n - 1] == nullptr)
        --n;
    if (n == 0)
        return false;
    if (format == 0 || format == 1)
    {
        file.Write32(kTag);
        file.Write32(n);
        for (unsigned int i = 0; i < n; ++i)
        {
            if (m_lines[i] == nullptr)
            {
                file.Write32(0);
                continue;
            }
            unsigned int length = static_cast<unsigned int>(std::strlen(m_lines[i]));
            file.Write32(length + 1);
            file.Write(m_lines[i], length);
        }
    }
    else if (format == 2)
    {
        for (unsigned int i = 0; i < n; ++i)
        {
            if (m_lines[i])
                file.Write(m_lines[i], static_cast<unsigned int>(std::strlen(m_lines[i])));
            file.Write8(10);
        }
    }
    else
    {
        return true;
    }
    // A write that fell short leaves the stream out of StateOK.
    return StreamOK(file);
}
