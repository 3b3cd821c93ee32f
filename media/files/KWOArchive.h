/// @class KWOArchive
/// KWOArchive: one disk file holding many named members.
///
/// An archive is a file provider whose listing is the archive's directory,
/// with operations to create an archive, add, remove, rename, replace and
/// extract members, and to open a member as a window stream over the archive
/// file without copying it. The format classes (KWOArchKWO, KWOArchPAK) derive
/// from it and say only how they lay out their header and directory (a
/// Layout); this class reads and writes both. FindArchiveFormat recognises
/// several archive formats by their first bytes and OpenArchive opens the two
/// the library reads.
///
/// The object mirrors the archive file: every change is written at once, and
/// no stream is kept open between calls. Every change keeps the archive whole
/// at each moment, so that a kill, a crash or a full disk leaves either the
/// old archive or the new one: adding and renaming first put a copy of the
/// directory past the end of the file and point the header at it, then write
/// in place and switch the header back; removing and replacing a member
/// rebuild the archive in a uniquely named temporary file beside it, which
/// then replaces it. One program at a time changes an archive: a change takes
/// an advisory lock on the file, waits for another writer to finish (up to
/// the lock wait, then fails with a message), and first reads the directory
/// again, so that a change made meanwhile by another program or object is
/// kept. Readers are never held up. A failed change leaves both the file and
/// the object as they were. Other failures are silent (false, null or
/// KWO::NotFound); the listings write to the log.
#ifndef KWOMEDIA_FILES_KWOARCHIVE_H
#define KWOMEDIA_FILES_KWOARCHIVE_H

#include "../KWOExport.h"
#include "../core/KWOConst.h"
#include "KWOFileProvider.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class KWOResFile;

class KWO_API KWOArchive : public KWOFileProvider
{
public:
    /// Format numbers of FindArchiveFormat (3 is not used).
    enum Format : int
    {
        FormatUnknown = 0,  ///< unknown, or the file cannot be read
        FormatKWO = 1,      ///< "KWOA": KWOArchKWO
        FormatPAK = 2,      ///< "PACK": KWOArchPAK
        FormatBIFF = 4,     ///< "BIFFV1  "
        FormatCounted = 5,  ///< no signature: 16-bit count, 32-bit length, size 6 + 12 n + d
        FormatEnsemble = 6, ///< "Copyright (c) 1997 Ensemble"
        FormatRass = 7,     ///< "rass"
        FormatZIP = 8       ///< the ZIP local file header
    };

    /// One member of the directory.
    struct Entry : KWOSortableItem
    {
        unsigned int m_size = 0;  ///< bytes of member data
        unsigned int m_start = 0; ///< absolute offset of the first data byte
        unsigned int m_date = 0;  ///< modification, seconds since 1970-01-01 UTC
    };

    /// The name "KWOARCH.TMP" that rebuilds once used in the working
    /// directory. Rebuilds now write a uniquely named temporary file beside
    /// the archive, so that two programs never share one.
    static const char* const TempFileName;

    /// @{
    /// How long a change waits for another program that is changing the same
    /// archive, in milliseconds (20000 unless set).
    static void SetLockWait(unsigned int milliseconds);
    static unsigned int GetLockWait();
    /// @}
    /// A member name as it can be shown on a terminal or in the log: control
    /// characters are escaped ("\x1B"), so that a hostile archive cannot
    /// drive the terminal.
    static std::string PrintableName(const char* name);

    /// An empty archive (no name, no entries) of the given format number.
    /// Without a layout (see the protected constructor) it cannot open,
    /// create or change a file.
    explicit KWOArchive(int format);
    ~KWOArchive() override;

    /// The format number of a file from its first bytes (see Format).
    static int FindArchiveFormat(const char* filename);
    /// A new, opened KWOArchKWO or KWOArchPAK for the file; null when it is
    /// neither or does not open. The caller deletes it.
    static KWOArchive* OpenArchive(const char* filename);

    /// The archive's absolute path, or null.
    const char* Name() const override;
    /// The number of members.
    unsigned int NbFiles() const override;
    /// The object always mirrors the file: nothing to do.
    void Update() override;
    /// OpenResFile of the first member of that name (null when there is none).
    KWOResFile* OpenFile(const char* name) const override;
    /// OpenResFile of the member at `position`.
    KWOResFile* OpenFile(const iterator& position) const override;
    /// ExtractFile of the first member of that name (false when there is none).
    bool CopyFile(const char* name, const char* destination) const override;
    /// "Archive <name> (<n> entries)" and one line per entry.
    void PrintInfo() const override;

    /// @{
    /// Fields of an entry; an index past the listing gives null, 0 or false.
    const char* FileName(unsigned int index) const override;
    unsigned int FileSize(unsigned int index) const override;
    unsigned long FileDate(unsigned int index) const override;
    /// @}
    /// @{
    /// Members are plain readable files: access always, never hidden, never a
    /// link or a folder.
    bool FileAccess(unsigned int index, unsigned int mask) const override;
    bool IsFileHidden(unsigned int index) const override;
    bool IsFile(unsigned int index) const override;
    bool IsFileLink(unsigned int index) const override;
    bool IsFileDir(unsigned int index) const override;
    /// @}
    /// By the sort key (size, date, extension), ties and other keys by name.
    int CompareFunc(const KWOSortableItem* a, const KWOSortableItem* b) const override;
    KWOSortableItem* GetItem(unsigned int index) const override;

    /// The format's description ("" without a layout).
    virtual const char* FormatInfo() const;
    /// Reads the archive's directory. A file that is not an archive of the
    /// format, or whose directory lies outside the file, is refused and the
    /// object keeps what it showed. Where the header gives the directory's
    /// length, a length that is not a multiple of a record is read as the
    /// whole records it holds. Where the header's directory offset is the
    /// data end, it must lie past the header, unless the directory is empty
    /// (the empty archive, whatever offset it names).
    bool Open(const char* filename) override;
    /// Writes a new, empty archive; never over an existing file. The object
    /// then shows it.
    virtual bool Create(const char* filename);
    /// Forgets the archive: no name, no entries, the data end just past the
    /// header.
    virtual void Close();
    /// A new read-only stream over the member's data; the caller deletes it.
    /// It does not depend on this object. Null for a bad index or an empty
    /// member.
    virtual KWOResFile* OpenResFile(unsigned int index) const;
    /// Appends the file `filename` as a member called `name` (the file's name
    /// when null), without its folder part and cut to the format's longest
    /// name. Returns the new entry's position, or KWO::NotFound.
    virtual unsigned int AddFile(const char* filename, const char* name);
    /// Position of the first entry named exactly `name` (case counts), or
    /// KWO::NotFound.
    virtual unsigned int FindFile(const char* name) const;
    /// Removes the member at `index`; the others keep their order.
    virtual bool RemoveFile(unsigned int index);
    /// Gives the member the part of `name` after its last separator.
    virtual bool RenameFile(unsigned int index, const char* name);
    /// Replaces the member's data with the content of `filename`.
    virtual bool UpdateFile(unsigned int index, const char* filename);
    /// Writes the member's data to the file `destination`, which is replaced
    /// in one step once the whole member is on disk: a failed extraction (a
    /// member reaching past the end of a damaged archive, a full disk) leaves
    /// an existing destination as it was.
    virtual bool ExtractFile(unsigned int index, const char* destination) const;
    /// Extracts every member into the existing folder `directory`; false only
    /// when that folder does not exist. Members whose names would lead out of
    /// the folder ("..") are skipped, and so are members that share bytes
    /// with another member (reported in the log): a damaged or hostile
    /// directory can never make it write more than the archive holds.
    virtual bool ExtractAll(const char* directory) const;
    /// Sum of the members' sizes (UINT32_MAX when it does not fit).
    virtual unsigned int TotalSize() const;

    /// Stores the archive's path, made absolute from the working directory.
    /// A null or empty name, or one that makes too long a path, changes nothing.
    void SetName(const char* filename);
    /// The listing as a table, through the log. Control characters in member
    /// names are shown escaped ("\x1B").
    void PrintContent() const;
    /// For every entry, whether its data share bytes with another entry's
    /// (empty members share nothing). `overlapping` gets one flag per entry.
    void FindOverlaps(std::vector<bool>& overlapping) const;
    /// The format number of the class (FormatKWO, FormatPAK).
    int GetFormat() const { return m_format; }
    /// Writes the directory at the data end, then the header, into a file
    /// open for writing. False when a write failed.
    bool WriteDirectory(KWOResFile& file);
    /// Where the member data ends: new members are written from there, and
    /// the directory after them. Open sets it from the header's directory
    /// offset or from the largest end of any member (at least 12), as the
    /// layout says.
    unsigned int GetDataEnd() const { return m_dataEnd; }

protected:
    /// How a format lays out its header and directory.
    struct Layout
    {
        unsigned int recordSize; ///< bytes of one directory record
        unsigned int nameLimit;  ///< longest member name
        bool dates;              ///< the directory keeps modification times
        char magic[4];           ///< the first four bytes of the file
        bool lengthInHeader;     ///< the header gives the directory's bytes, not its entries
        /// A record: the name zero-padded to nameBytes, then the size and the
        /// start (sizeFirst) or the start and the size, then the date when
        /// the format keeps dates; numbers 32-bit little-endian.
        unsigned int nameBytes;
        bool sizeFirst; ///< see nameBytes
        /// The data end after Open: true, the header's directory offset;
        /// false, the largest end of any member.
        bool dataEndAtDirectory;
        const char* info; ///< FormatInfo's text
    };

    /// An empty archive of the format number that reads and writes files laid
    /// out as `layout` says (which must outlive it).
    KWOArchive(int format, const Layout& layout);

    /// The changes the formats share; they differ only in the layout. They
    /// need the layout set (the public operations check it) and move the
    /// data end as the archive grows or shrinks.
    /// @{
    /// AddFile and RenameFile as every format does them.
    unsigned int AddMember(const char* filename, const char* name);
    bool RenameMember(unsigned int index, const char* name);
    /// @}
    /// Rebuilds the archive through a temporary file with the member's data
    /// replaced by the content of `filename`, or removed when it is null.
    bool RebuildMember(unsigned int index, const char* filename);
    /// Writes the directory of the object's current state at `directory`,
    /// then the header pointing at it. False when a write failed.
    bool WriteDirectoryAt(const Layout& layout, KWOResFile& file, unsigned int directory) const;

    /// Writes the header of an empty archive (`magic`, 12, 0) into a new
    /// file and makes the object show it. Never over an existing file.
    bool CreateEmpty(const char* filename, const char* magic);
    /// `filename` made absolute; false when it cannot be.
    static bool AbsoluteName(const char* filename, std::string& path);
    /// Makes the object show a directory just read: the old state is closed.
    void Adopt(std::vector<std::unique_ptr<Entry>>&& entries, const std::string& path);
    /// A new entry; the name is never null.
    static std::unique_ptr<Entry> MakeEntry(const char* name, size_t length, unsigned int size,
                                            unsigned int start, unsigned int date,
                                            unsigned int index);

    std::vector<std::unique_ptr<Entry>> m_entries; ///< the directory, in the archive's order
    char* m_name = nullptr;                        ///< absolute path, or null
    /// the format number (see Format)
    int m_format;
    const Layout* m_layout = nullptr; ///< the format's, or null
    unsigned int m_dataEnd = 0;       ///< where new member data goes; the directory follows it

private:
    void FreeAll();
    /// Takes the archive's lock for a change and reads its directory again
    /// (the object then shows the file as it is now). `index`, when given,
    /// follows its member to its position in the directory read; false when
    /// the lock cannot be had, the archive cannot be read, or the member is
    /// gone.
    class ChangeLock;
    bool BeginChange(ChangeLock& lock, unsigned int* index);
    bool WriteRecords(const Layout& layout, KWOResFile& file, uint64_t offset) const;
    bool WriteHeader(const Layout& layout, KWOResFile& file, uint64_t directory,
                     uint64_t count) const;
    /// Points the header at a copy of the present directory written at `end`,
    /// so that the bytes before `end` can be rewritten while the archive stays
    /// whole. RestoreDirectory writes the directory back at `directory`, points
    /// the header at it and cuts the file to `size`.
    bool SaveDirectory(const Layout& layout, KWOResFile& file, uint64_t end);
    bool RestoreDirectory(const Layout& layout, KWOResFile& file, uint64_t directory,
                          uint64_t size);
};

#endif
