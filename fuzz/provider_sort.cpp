// Sorts a listing built from the input with every sort setting, checks that
// the result is a permutation in order, and splits the input as a path.
//
// Input: one byte of sort flags, then items of a name length byte, the name,
// a 32-bit size and a 32-bit date (little-endian).
#include "files/KWOFileProvider.h"
#include "platform/KWOFileUtils.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
class FuzzProvider : public KWOFileProvider
{
public:
    struct Item : KWOSortableItem
    {
        unsigned int m_size = 0;
        unsigned int m_date = 0;
    };
    std::vector<Item> m_items;

    bool Open(const char*) override { return false; }
    const char* Name() const override { return nullptr; }
    unsigned int NbFiles() const override { return static_cast<unsigned int>(m_items.size()); }
    KWOResFile* OpenFile(const char*) const override { return nullptr; }
    KWOResFile* OpenFile(const iterator&) const override { return nullptr; }
    bool CopyFile(const char*, const char*) const override { return false; }
    void PrintInfo() const override {}
    const char* FileName(unsigned int i) const override { return m_items[i].m_name; }
    unsigned int FileSize(unsigned int i) const override { return m_items[i].m_size; }
    unsigned long FileDate(unsigned int i) const override { return m_items[i].m_date; }
    bool FileAccess(unsigned int, unsigned int) const override { return true; }
    bool IsFileHidden(unsigned int) const override { return false; }
    bool IsFile(unsigned int) const override { return true; }
    bool IsFileLink(unsigned int) const override { return false; }
    bool IsFileDir(unsigned int) const override { return false; }
    int CompareFunc(const KWOSortableItem* a, const KWOSortableItem* b) const override
    {
        const Item* x = static_cast<const Item*>(a);
        const Item* y = static_cast<const Item*>(b);
        return CompareEntries(x->m_name, x->m_size, x->m_date, y->m_name, y->m_size, y->m_date);
    }
    KWOSortableItem* GetItem(unsigned int i) const override
    {
        return const_cast<Item*>(&m_items[i]);
    }
};

uint32_t Get32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void CheckPath(const uint8_t* data, size_t size)
{
    const std::string path(reinterpret_cast<const char*>(data), size);
    const char* p = path.c_str();
    const char* end = p + std::strlen(p);
    const char* name = KWOFileUtils::FileName(p);
    if (!name || name < p || name > end)
        std::abort();
    const char* ext = KWOFileUtils::FileExtension(p);
    if (ext && (ext <= name || ext > end || ext[-1] != '.'))
        std::abort();
    // A root is a whole path: nothing follows it.
    if (KWOFileUtils::IsRoot(p) && std::strlen(p) > 3)
        std::abort();
    KWOFileUtils::IsAbsolute(p);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckPath(data, size);
    if (size < 1)
        return 0;
    const int flags = data[0];
    FuzzProvider list;
    size_t pos = 1;
    while (pos < size && list.m_items.size() < 4096)
    {
        const size_t length = data[pos++];
        if (pos + length + 8 > size)
            break;
        FuzzProvider::Item item;
        item.m_index = static_cast<unsigned int>(list.m_items.size());
        item.m_name = new char[length + 1];
        std::memcpy(item.m_name, data + pos, length);
        item.m_name[length] = '\0';
        pos += length;
        item.m_size = Get32(data + pos);
        item.m_date = Get32(data + pos + 4);
        pos += 8;
        list.m_items.push_back(std::move(item));
    }

    list.Sort(flags);
    const unsigned int n = list.NbFiles();
    std::vector<bool> seen(n, false);
    for (unsigned int p = 0; p < n; ++p)
    {
        const unsigned int i = list.GetItem(p)->m_index;
        if (i >= n || seen[i])
            std::abort();
        seen[i] = true;
        if ((flags & 7) == 0 && i != p)
            std::abort();
        if (p > 0 && (flags & 7) != 0 &&
            list.CompareFunc(list.GetItem(list.GetItem(p - 1)->m_index), list.GetItem(i)) > 0)
            std::abort();
    }
    return 0;
}
