/// @class KWOFileProvider
/// KWOFileProvider: a flat, sortable listing of named files that can be
/// opened as streams. KWODir lists a folder of the disk; the archives list
/// their members.
///
/// Sorting never moves the entries: it writes a permutation into their index
/// fields. To walk the listing in sorted order, read GetItem(p)->m_index for
/// p = 0, 1, ... and pass it to FileName and the other accessors. The
/// iterator walks the storage order.
#ifndef KWOMEDIA_FILES_KWOFILEPROVIDER_H
#define KWOMEDIA_FILES_KWOFILEPROVIDER_H

#include "KWOExport.h"
#include "files/KWOSortableItem.h"

class KWOResFile;

class KWO_API KWOFileProvider
{
public:
    /// Bits of the Sort flags: a key in the low three bits (5 to 7 sort by
    /// name), then the options.
    enum SortFlags : int
    {
        SortNone = 0,
        SortByName = 1,
        SortBySize = 2,
        SortByDate = 3,
        SortByExtension = 4,
        SortKeyMask = 7,
        SortReversed = 0x10,
        SortCaseSensitive = 0x20, ///< names compared with exact case
        SortDirsFirst = 0x40      ///< honoured by KWODir only
    };

    /// A position in the listing, in storage order.
    class iterator
    {
    public:
        iterator(const KWOFileProvider* provider = nullptr, unsigned int index = 0)
            : m_provider(provider), m_index(index)
        {
        }
        iterator(const iterator&) = default;
        iterator& operator=(const iterator&) = default;
        virtual ~iterator() = default;

        virtual unsigned int Index() const { return m_index; }
        const KWOFileProvider* Provider() const { return m_provider; }

        unsigned int operator*() const { return Index(); }
        iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        bool operator==(const iterator& other) const
        {
            return m_provider == other.m_provider && m_index == other.m_index;
        }
        bool operator!=(const iterator& other) const { return !(*this == other); }

    protected:
        const KWOFileProvider* m_provider;
        unsigned int m_index;
    };

    KWOFileProvider() = default;
    KWOFileProvider(const KWOFileProvider&) = delete;
    KWOFileProvider& operator=(const KWOFileProvider&) = delete;

    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, NbFiles()); }

    virtual bool Open(const char* name) = 0;
    virtual const char* Name() const = 0;
    virtual unsigned int NbFiles() const = 0;
    /// Re-reads the listing; nothing here.
    virtual void Update();
    /// The file as a new stream the caller deletes; null when it cannot be opened.
    virtual KWOResFile* OpenFile(const char* name) const = 0;
    virtual KWOResFile* OpenFile(const iterator& position) const = 0;
    /// Stores the settings of `flags` and sorts the permutation; key 0 puts
    /// the identity back.
    virtual void Sort(int flags);
    virtual bool CopyFile(const char* name, const char* destination) const = 0;
    virtual void PrintInfo() const = 0;
    virtual ~KWOFileProvider();
    /// Per-entry accessors; the index is not checked (0 <= index < NbFiles()).
    virtual const char* FileName(unsigned int index) const = 0;
    virtual unsigned int FileSize(unsigned int index) const = 0;
    virtual unsigned long FileDate(unsigned int index) const = 0;
    virtual bool FileAccess(unsigned int index, unsigned int mask) const = 0;
    virtual bool IsFileHidden(unsigned int index) const = 0;
    virtual bool IsFile(unsigned int index) const = 0;
    virtual bool IsFileLink(unsigned int index) const = 0;
    virtual bool IsFileDir(unsigned int index) const = 0;
    /// Negative, zero or positive as `a` comes before, with or after `b`.
    virtual int CompareFunc(const KWOSortableItem* a, const KWOSortableItem* b) const = 0;
    /// The entry stored at `index`.
    virtual KWOSortableItem* GetItem(unsigned int index) const = 0;

    /// Sorts the permutation slots low..high (inclusive) with CompareFunc.
    void Sort(int low, int high);

    /// The settings of the last Sort.
    unsigned char GetSortKey() const { return m_sortKey; }
    bool IsSortDirsFirst() const { return m_sortDirsFirst; }
    bool IsSortReversed() const { return m_sortReversed; }
    bool IsSortCaseSensitive() const { return m_sortCaseSensitive; }

protected:
    /// Names compared byte-wise, exact case or ASCII letters folded to lower
    /// case as the case-sensitive setting says.
    int CompareNames(const char* a, const char* b) const;
    /// The comparison every provider shares, directories aside: by the key
    /// (size, date, or extension with extension-less names first), ties and
    /// the other keys by name, negated when reversed.
    int CompareEntries(const char* nameA, unsigned int sizeA, unsigned int dateA, const char* nameB,
                       unsigned int sizeB, unsigned int dateB) const;

    unsigned char m_sortKey = 0;
    bool m_sortDirsFirst = false;
    bool m_sortReversed = false;
    bool m_sortCaseSensitive = false;

private:
    unsigned int& Slot(int position) const;
    int ComparePositions(int p, int q) const;
};

#endif
