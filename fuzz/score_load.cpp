// KWOScore::Load over arbitrary bytes; a loaded table is changed, saved and
// must read back entry for entry.
#include "app/KWOScore.h"
#include "app_fuzz.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x100000)
        return 0;
    const std::string in = app_fuzz::ScratchPath("highscores");
    const std::string out = app_fuzz::ScratchPath("saved");
    if (!app_fuzz::WriteFile(in, data, size))
        return 0;

    KWOScore table(5, KWOScore::LowerFirst, 999);
    if (!table.Load(in.c_str()))
    {
        // A refused file leaves the table as it was.
        if (table.m_size != 5 || table.Length() != 0)
            __builtin_trap();
        return 0;
    }
    for (unsigned i = 0; i < table.m_size; ++i)
        if (std::memchr(table.m_entries[i].name, 0, sizeof table.m_entries[i].name) == nullptr)
            __builtin_trap();
    table.Length();
    table.PrintInfo();

    KWOScoreEntry entry;
    std::memset(&entry, 0, sizeof entry);
    std::strcpy(entry.name, "fuzz");
    entry.score = size > 0 ? static_cast<int32_t>(data[0]) - 128 : 0;
    table.Add(&entry);

    if (table.Save(out.c_str(), size > 1 && (data[1] & 1)))
    {
        KWOScore again(0, KWOScore::HigherFirst, 0);
        if (!again.Load(out.c_str()) || again.m_size != table.m_size ||
            again.m_order != table.m_order)
            __builtin_trap();
        for (unsigned i = 0; i < table.m_size; ++i)
        {
            const KWOScoreEntry& a = table.m_entries[i];
            const KWOScoreEntry& b = again.m_entries[i];
            // A scrambled name is cut at a byte 255; plain names come back whole.
            if (a.score != b.score || a.level != b.level ||
                std::strncmp(a.name, b.name, std::strlen(b.name)) != 0)
                __builtin_trap();
        }
    }

    table.SetSortOrder(table.m_order == KWOScore::HigherFirst ? KWOScore::LowerFirst
                                                              : KWOScore::HigherFirst);
    table.Resize(size % 8);
    table.Reset(0);
    return 0;
}
