/// @class KWOSortableItem
/// KWOSortableItem: the common head of every entry of a file provider's
/// listing.
///
/// The index does not identify the entry: after KWOFileProvider::Sort it holds
/// the sort permutation (the index of the entry stored at position p is the
/// storage position of the entry that comes p-th). The name is a new[] copy
/// owned by the item. Providers extend the head with their own fields.
#ifndef KWOMEDIA_FILES_KWOSORTABLEITEM_H
#define KWOMEDIA_FILES_KWOSORTABLEITEM_H

#include "KWOExport.h"

class KWO_API KWOSortableItem
{
public:
    unsigned int m_index = 0; ///< permutation slot
    char* m_name = nullptr;   ///< owned new[] name, or null

    KWOSortableItem() = default;
    ~KWOSortableItem() { delete[] m_name; }

    KWOSortableItem(const KWOSortableItem&) = delete;
    KWOSortableItem& operator=(const KWOSortableItem&) = delete;
    KWOSortableItem(KWOSortableItem&& other) noexcept : m_index(other.m_index), m_name(other.m_name)
    {
        other.m_name = nullptr;
    }
    KWOSortableItem& operator=(KWOSortableItem&& other) noexcept
    {
        if (this != &other)
        {
            delete[] m_name;
            m_index = other.m_index;
            m_name = other.m_name;
            other.m_name = nullptr;
        }
        return *this;
    }
};

#endif
