/// @class KWODir
/// KWODir: a file provider that lists one folder of the disk.
///
/// The object always shows some folder: its absolute path as the system
/// reports it and a listing of every entry whose status can be read ("." and
/// ".." included). Moving to another folder replaces the whole listing; a
/// failed move leaves the previous one. Open and Update change the process's
/// working directory while they run and always put it back, so a KWODir must
/// not be used while another thread depends on the working directory.
#ifndef KWOMEDIA_FILES_KWODIR_H
#define KWOMEDIA_FILES_KWODIR_H

#include "../KWOExport.h"
#include "../core/KWOString.h"
#include "KWOFileProvider.h"

#include <vector>

class KWO_API KWODir : public KWOFileProvider
{
public:
    /// Attribute bits of an entry: the system's file mode bits, plus AttrHidden.
    enum Attributes : unsigned int
    {
        AttrOwnerExecute = 0x40,
        AttrOwnerWrite = 0x80,
        AttrOwnerRead = 0x100,
        AttrDir = 0x4000,
        AttrFile = 0x8000,
        AttrHidden = 0x10000
    };

    /// One entry of the listing.
    struct Entry : KWOSortableItem
    {
        unsigned int m_attrib = 0; ///< attribute bits
        unsigned int m_size = 0;   ///< bytes (UINT32_MAX for 4 GiB and more)
        unsigned int m_date = 0;   ///< modification, seconds since 1970-01-01 UTC
    };

    /// Lists `path`; without one, or when it cannot be opened, the working
    /// directory.
    explicit KWODir(const char* path = nullptr);
    ~KWODir() override;

    /// Makes `path` (relative ones are taken from the folder shown) the folder
    /// shown and lists it; "." lists the current one again.
    bool Open(const char* path) override;
    /// The folder's path, or null when there is none.
    const char* Name() const override;
    /// The number of entries listed.
    unsigned int NbFiles() const override;
    void Update() override;
    /// Opens a file read-only: a relative name inside the folder, an absolute
    /// one as it is. Null when it cannot be opened.
    KWOResFile* OpenFile(const char* name) const override;
    /// Opens the entry at `position` read-only.
    KWOResFile* OpenFile(const iterator& position) const override;
    using KWOFileProvider::Sort;
    /// Copies a file (names as for OpenFile) to `destination` (a relative one
    /// inside the folder); true when every byte was copied.
    bool CopyFile(const char* name, const char* destination) const override;
    /// Writes the path and the listing to the log.
    void PrintInfo() const override;

    const char* FileName(unsigned int index) const override;
    unsigned int FileSize(unsigned int index) const override;
    unsigned long FileDate(unsigned int index) const override;
    bool FileAccess(unsigned int index, unsigned int mask) const override;
    bool IsFileHidden(unsigned int index) const override;
    bool IsFile(unsigned int index) const override;
    bool IsFileLink(unsigned int index) const override;
    bool IsFileDir(unsigned int index) const override;
    int CompareFunc(const KWOSortableItem* a, const KWOSortableItem* b) const override;
    KWOSortableItem* GetItem(unsigned int index) const override;

    /// @{
    /// Moves to the parent folder, the root, or the working directory, and
    /// lists it. False when nothing was listed.
    bool GoUp();
    bool GoRoot();
    bool GoCWD();
    /// @}
    /// True for the "." and ".." of an otherwise empty folder.
    bool IsEmpty() const;
    /// Empties the listing.
    void Clear();
    /// Lists the folder of the path.
    bool GetContent();

    /// Sort flags applied after every listing (0: storage order).
    void SetSortFlags(int flags) { m_sortFlags = flags; }
    /// The sort flags applied after every listing.
    int GetSortFlags() const { return m_sortFlags; }
    /// Number of entries that are folders.
    unsigned int NbDirs() const { return m_nbDirs; }

private:
    /// A file name made full: relative names inside the folder. False when
    /// it cannot be made or does not fit a path.
    bool FullPath(const char* name, KWOString& full) const;

    mutable std::vector<Entry> m_entries;
    unsigned int m_nbDirs = 0;
    KWOString m_path;
    int m_sortFlags = 0;
};

#endif
