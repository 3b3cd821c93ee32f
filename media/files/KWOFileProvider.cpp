#include "files/KWOFileProvider.h"

#include "platform/KWOFileUtils.h"

#include <utility>

namespace
{
int LowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

// -1, 0 or 1: differences of unsigned 32-bit values do not fit an int.
int Order(unsigned int a, unsigned int b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}
} // namespace

KWOFileProvider::~KWOFileProvider() = default;

void KWOFileProvider::Update() {}

void KWOFileProvider::Sort(int flags)
{
    const unsigned int count = NbFiles();
    for (unsigned int p = 0; p < count; ++p)
        GetItem(p)->m_index = p;

    m_sortKey = static_cast<unsigned char>(flags & SortKeyMask);
    m_sortDirsFirst = (flags & SortDirsFirst) != 0;
    m_sortReversed = (flags & SortReversed) != 0;
    m_sortCaseSensitive = (flags & SortCaseSensitive) != 0;

    if (m_sortKey == SortNone || count < 2)
        return;
    Sort(0, static_cast<int>(count - 1));
}

unsigned int& KWOFileProvider::Slot(int position) const
{
    return GetItem(static_cast<unsigned int>(position))->m_index;
}

int KWOFileProvider::ComparePositions(int p, int q) const
{
    return CompareFunc(GetItem(Slot(p)), GetItem(Slot(q)));
}

void KWOFileProvider::Sort(int low, int high)
{
    const unsigned int count = NbFiles();
    if (low < 0)
        low = 0;
    if (high >= 0 && static_cast<unsigned int>(high) >= count)
        high = static_cast<int>(count) - 1;
    if (high <= low)
        return;
    // The permutation must point inside the listing.
    for (int p = low; p <= high; ++p)
    {
        if (Slot(p) >= count)
            return;
    }

    while (high > low)
    {
        // The first, middle and last entries are put in order and the median
        // becomes the pivot, so that listings already in order (either way)
        // do not sort in quadratic time.
        if (high - low >= 2)
        {
            const int mid = low + (high - low) / 2;
            if (ComparePositions(mid, low) < 0)
                std::swap(Slot(mid), Slot(low));
            if (ComparePositions(high, low) < 0)
                std::swap(Slot(high), Slot(low));
            if (ComparePositions(high, mid) < 0)
                std::swap(Slot(high), Slot(mid));
            std::swap(Slot(mid), Slot(high));
        }

        const KWOSortableItem* pivot = GetItem(Slot(high));
        int i = low;
        int j = high - 1;
        for (;;)
        {
            while (i < high && CompareFunc(GetItem(Slot(i)), pivot) < 0)
                ++i;
            while (j > low && CompareFunc(GetItem(Slot(j)), pivot) > 0)
                --j;
            if (i >= j)
                break;
            std::swap(Slot(i), Slot(j));
            ++i;
            --j;
        }
        std::swap(Slot(i), Slot(high));

        // The smaller side is sorted by recursion, the larger one by the loop:
        // the depth stays logarithmic.
        if (i - low < high - i)
        {
            Sort(low, i - 1);
            low = i + 1;
        }
        else
        {
            Sort(i + 1, high);
            high = i - 1;
        }
    }
}

int KWOFileProvider::CompareNames(const char* a, const char* b) const
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a ? a : "");
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b ? b : "");
    for (;; ++p, ++q)
    {
        const int x = m_sortCaseSensitive ? *p : LowerAscii(*p);
        const int y = m_sortCaseSensitive ? *q : LowerAscii(*q);
        if (x != y || x == 0)
            return x - y;
    }
}

int KWOFileProvider::CompareEntries(const char* nameA, unsigned int sizeA, unsigned int dateA,
                                    const char* nameB, unsigned int sizeB, unsigned int dateB) const
{
    int result = 0;
    switch (m_sortKey)
    {
        case SortBySize:
            result = Order(sizeA, sizeB);
            break;
        case SortByDate:
            result = Order(dateA, dateB);
            break;
        case SortByExtension:
        {
            const char* extA = KWOFileUtils::FileExtension(nameA);
            const char* extB = KWOFileUtils::FileExtension(nameB);
            if (!extA || !extB)
                result = extA ? 1 : (extB ? -1 : 0);
            else
                result = CompareNames(extA, extB);
            break;
        }
        default:
            break;
    }
    if (result == 0)
        result = CompareNames(nameA, nameB);
    return m_sortReversed ? -result : result;
}
