#include "files/KWOFileProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{
// A provider over a list of names and sizes, to try the base class's sort.
class ListProvider : public KWOFileProvider
{
public:
    struct Item : KWOSortableItem
    {
        unsigned int m_size = 0;
        unsigned int m_date = 0;
    };

    void Add(const std::string& name, unsigned int size, unsigned int date = 0)
    {
        Item item;
        item.m_index = static_cast<unsigned int>(m_items.size());
        item.m_name = new char[name.size() + 1];
        std::memcpy(item.m_name, name.c_str(), name.size() + 1);
        item.m_size = size;
        item.m_date = date;
        m_items.push_back(std::move(item));
    }

    // Names in the order the permutation gives.
    std::vector<std::string> Sorted() const
    {
        std::vector<std::string> names;
        for (unsigned int p = 0; p < NbFiles(); ++p)
            names.push_back(FileName(GetItem(p)->m_index));
        return names;
    }

    // Every storage position appears exactly once in the permutation.
    bool IsPermutation() const
    {
        std::vector<bool> seen(m_items.size(), false);
        for (const Item& item : m_items)
        {
            if (item.m_index >= seen.size() || seen[item.m_index])
                return false;
            seen[item.m_index] = true;
        }
        return true;
    }

    bool Open(const char*) override { return false; }
    const char* Name() const override { return "list"; }
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
        ++compares;
        const Item* x = static_cast<const Item*>(a);
        const Item* y = static_cast<const Item*>(b);
        return CompareEntries(x->m_name, x->m_size, x->m_date, y->m_name, y->m_size, y->m_date);
    }
    KWOSortableItem* GetItem(unsigned int i) const override
    {
        return const_cast<Item*>(&m_items[i]);
    }

    mutable unsigned long long compares = 0;

private:
    std::vector<Item> m_items;
};

std::string Name(unsigned int n)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "f%07u", n);
    return buffer;
}
} // namespace

TEST(FileProviderSort, LargeListingsInAnyOrder)
{
    const unsigned int n = 20000;
    std::vector<unsigned int> order(n);
    for (unsigned int i = 0; i < n; ++i)
        order[i] = i;
    std::vector<std::vector<unsigned int>> inputs;
    inputs.push_back(order); // already sorted
    inputs.push_back(std::vector<unsigned int>(order.rbegin(), order.rend()));
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    inputs.push_back(order);

    std::vector<std::string> expected;
    for (unsigned int i = 0; i < n; ++i)
        expected.push_back(Name(i));

    for (const auto& input : inputs)
    {
        ListProvider list;
        for (unsigned int v : input)
            list.Add(Name(v), 0);
        list.Sort(1);
        EXPECT_TRUE(list.IsPermutation());
        EXPECT_EQ(expected, list.Sorted());
        // Far from the n * n / 2 comparisons of a badly chosen pivot.
        EXPECT_LT(list.compares, 50ull * n) << "input starting " << input[0] << "," << input[1];
    }
}

TEST(FileProviderSort, ManyEqualKeysAndLargeValues)
{
    ListProvider list;
    for (unsigned int i = 0; i < 3000; ++i)
        list.Add(Name(2999 - i), i % 3 == 0 ? 0xF0000000u : 7u, i % 2 ? 0x90000000u : 1u);
    list.Sort(2);
    ASSERT_TRUE(list.IsPermutation());
    const std::vector<std::string> sorted = list.Sorted();
    // Sizes above 2 GiB come after small ones; ties in name order.
    for (unsigned int p = 1; p < list.NbFiles(); ++p)
    {
        const unsigned int a = list.GetItem(p - 1)->m_index, b = list.GetItem(p)->m_index;
        const bool ordered = list.FileSize(a) < list.FileSize(b) ||
                             (list.FileSize(a) == list.FileSize(b) && sorted[p - 1] < sorted[p]);
        ASSERT_TRUE(ordered) << "at " << p;
    }
    list.Sort(3 | 0x10); // dates newest first
    for (unsigned int p = 1; p < list.NbFiles(); ++p)
        ASSERT_GE(list.FileDate(list.GetItem(p - 1)->m_index),
                  list.FileDate(list.GetItem(p)->m_index));
}

TEST(FileProviderSort, PartialRangeAndBadBounds)
{
    ListProvider list;
    for (const char* name : {"d", "c", "b", "a"})
        list.Add(name, 0);
    list.Sort(1);
    list.Sort(0); // identity again, key 0
    list.Sort(1 | 0x20);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), list.Sorted());
    list.Sort(0);
    list.Sort(0, 1); // key 0 still: CompareEntries falls back to names
    EXPECT_EQ((std::vector<std::string>{"c", "d", "b", "a"}), list.Sorted());
    list.Sort(-5, 1000); // clamped to the listing
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), list.Sorted());
    EXPECT_TRUE(list.IsPermutation());

    // A permutation pointing outside the listing is left alone.
    list.GetItem(2)->m_index = 99;
    list.Sort(0, 3);
    EXPECT_EQ(99u, list.GetItem(2)->m_index);
}
