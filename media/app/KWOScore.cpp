#include "app/KWOScore.h"

#include "core/KWOLog.h"
#include "core/KWOParse.h"
#include "files/KWOFile.h"
#include "files/file_replace.h"
#include "platform/KWOFileUtils.h"

#include <cstring>
#include <new>
#include <string>

namespace
{
const uint32_t kMagic = 0x01020304u;
const unsigned char kVersion = 3;
const unsigned kNameSize = sizeof(KWOScoreEntry::name);
// Bytes of one entry in the file: the name, the score and the level.
const uint64_t kEntryBytes = kNameSize + 8;

KWOScoreEntry* NewTable(unsigned size)
{
    KWOScoreEntry* table = new (std::nothrow) KWOScoreEntry[size];
    if (table)
        std::memset(table, 0, sizeof(KWOScoreEntry) * static_cast<size_t>(size));
    return table;
}

// Whether `a` ranks strictly before `b` in `order`.
bool Beats(int32_t a, int32_t b, KWOScore::SortOrder order)
{
    return order == KWOScore::HigherFirst ? a > b : a < b;
}

// The name field with a terminator inside its 20 bytes, whatever it holds.
void TerminatedName(const KWOScoreEntry& entry, char (&out)[kNameSize])
{
    std::memcpy(out, entry.name, kNameSize);
    out[kNameSize - 1] = 0;
}
} // namespace

KWOScore::KWOScore(unsigned size, SortOrder order, int initial)
    : m_entries(nullptr), m_size(0), m_order(order)
{
    if (size == 0)
        return;
    if (size < MinSize)
        size = MinSize;
    m_entries = NewTable(size);
    if (m_entries)
    {
        m_size = size;
        Reset(initial);
    }
}

KWOScore::~KWOScore()
{
    delete[] m_entries;
}

unsigned KWOScore::Length() const
{
    if (!m_entries)
        return 0;
    unsigned n = 0;
    while (n < m_size && m_entries[n].name[0] != 0)
        ++n;
    return n;
}

void KWOScore::SetSortOrder(SortOrder order)
{
    if (order == m_order)
        return;
    m_order = order;
    if (!m_entries || m_size < 2)
        return;
    for (unsigned i = 0; i < m_size / 2; ++i)
    {
        KWOScoreEntry t = m_entries[i];
        m_entries[i] = m_entries[m_size - 1 - i];
        m_entries[m_size - 1 - i] = t;
    }
}

void KWOScore::Resize(unsigned size)
{
    if (size == m_size)
        return;
    if (size < MinSize)
        size = MinSize;
    if (size == m_size)
        return;
    KWOScoreEntry* table = NewTable(size);
    if (!table)
        return;
    const unsigned keep = size < m_size ? size : m_size;
    if (m_entries && keep > 0)
        std::memcpy(table, m_entries, sizeof(KWOScoreEntry) * static_cast<size_t>(keep));
    delete[] m_entries;
    m_entries = table;
    m_size = size;
}

int KWOScore::Add(const KWOScoreEntry* entry)
{
    if (!entry || !m_entries || m_size == 0)
        return -1;
    const int32_t e = entry->score;
    if (!Beats(e, m_entries[m_size - 1].score, m_order))
        return -1;
    // Walk up from the end while the new score beats the entry above: an
    // equal score stays below the one already there.
    unsigned p = m_size - 1;
    while (p > 0 && Beats(e, m_entries[p - 1].score, m_order))
        --p;
    for (unsigned i = m_size - 1; i > p; --i)
        m_entries[i] = m_entries[i - 1];
    m_entries[p] = *entry;
    // A name is at most 19 characters: never keep one without its terminator.
    m_entries[p].name[kNameSize - 1] = 0;
    return static_cast<int>(p);
}

void KWOScore::Reset(int value)
{
    if (!m_entries)
        return;
    for (unsigned i = 0; i < m_size; ++i)
    {
        m_entries[i].name[0] = 0;
        m_entries[i].score = value;
        m_entries[i].level = 0;
    }
}

bool KWOScore::Load(const char* fileName)
{
    KWOFile file(fileName, KWOResFile::ModeRead);
    if (file.GetState() != KWOResFile::StateOK)
        return false;
    if (file.Read32() != kMagic || file.GetState() != KWOResFile::StateOK)
        return false;
    const unsigned char version = file.Read8();
    const unsigned count = file.Read32();
    const uint32_t order = file.Read32();
    const unsigned char scrambled = version >= 3 ? file.Read8() : 0;
    if (file.GetState() != KWOResFile::StateOK)
        return false; // the header is cut short
    if (order != HigherFirst && order != LowerFirst)
        return false;

    // The count is only believed when the file holds that many entries (the
    // score and level of the last one may be missing: they read as 0), so a
    // damaged header never makes a huge allocation.
    const uint64_t start = file.GetPos();
    file.SeekEnd();
    const uint64_t end = file.GetPos();
    if (!file.Seek(static_cast<int>(start), 0))
        return false;
    const uint64_t available = end > start ? end - start : 0;
    if (count > 0 && (count - 1) * kEntryBytes + kNameSize > available)
        return false;

    KWOScoreEntry* table = nullptr;
    if (count > 0)
    {
        table = NewTable(count);
        if (!table)
            return false;
    }
    for (unsigned i = 0; i < count; ++i)
    {
        KWOScoreEntry& e = table[i];
        if (file.Read(e.name, kNameSize) != kNameSize)
        {
            delete[] table;
            return false;
        }
        e.score = static_cast<int32_t>(file.Read32());
        e.level = static_cast<int32_t>(file.Read32());
        // A file may hold a name without its terminator.
        e.name[kNameSize - 1] = 0;
        if (scrambled && e.name[0] != 0)
            KWOParse::Obfuscate(e.name, e.name);
    }

    delete[] m_entries;
    m_entries = table;
    m_size = count;
    m_order = static_cast<SortOrder>(order);
    return true;
}

bool KWOScore::Save(const char* fileName, bool scramble) const
{
    if (!m_entries || fileName == nullptr || fileName[0] == 0)
        return false;
    // The table goes to a uniquely named temporary file beside the target,
    // which then replaces it: a save that fails half-way keeps the previous
    // table, and two programs saving at once each publish a whole table.
    return KWO::ReplaceFile(fileName, [this, scramble](KWOResFile& file)
                            { return WriteTable(file, scramble); });
}

bool KWOScore::WriteTable(KWOResFile& file, bool scramble) const
{
    file.Write32(kMagic);
    file.Write8(kVersion);
    file.Write32(m_size);
    file.Write32(static_cast<uint32_t>(m_order));
    file.Write8(scramble ? 1 : 0);
    for (unsigned i = 0; i < m_size; ++i)
    {
        const KWOScoreEntry& e = m_entries[i];
        if (scramble && e.name[0] != 0)
        {
            char plain[kNameSize];
            TerminatedName(e, plain);
            char hidden[kNameSize] = {};
            KWOParse::Obfuscate(plain, hidden);
            file.Write(hidden, kNameSize);
        }
        else
        {
            file.Write(e.name, kNameSize);
        }
        file.Write32(static_cast<uint32_t>(e.score));
        file.Write32(static_cast<uint32_t>(e.level));
    }
    // Once a write fails every later one fails too, so the state tells about
    // them all.
    return file.GetState() == KWOResFile::StateOK;
}

void KWOScore::PrintInfo() const
{
    KWO::LOG("Score table (%d entries) (name/level/score):\n", static_cast<int>(m_size));
    if (!m_entries)
        return;
    for (unsigned i = 0; i < m_size; ++i)
    {
        char name[kNameSize];
        TerminatedName(m_entries[i], name);
        KWO::LOG("[%3d] %32s %3d %8d\n", static_cast<int>(i), name, m_entries[i].level,
                 m_entries[i].score);
    }
}
