/// @class KWOArchKWO
/// KWOArchKWO: the library's own archive format ("KWOA").
///
/// Layout, all numbers unsigned 32-bit little-endian: the magic "KWOA", the
/// directory offset (where the member data ends), the entry count; the
/// members' data back to back from offset 12, in the order they were added;
/// then the directory, one 44-byte record per entry: the name (at most 31
/// characters, zero-padded to 32 bytes), the size, the absolute start of the
/// data and the modification time (seconds since 1970-01-01 UTC). The file
/// ends with the directory; an empty archive is the 12-byte header "KWOA",
/// 12, 0. New members are written at the directory offset, and the directory
/// after them. KWOArchive does the reading and writing.
#ifndef KWOMEDIA_FILES_KWOARCHKWO_H
#define KWOMEDIA_FILES_KWOARCHKWO_H

#include "../KWOExport.h"
#include "KWOArchive.h"

class KWO_API KWOArchKWO : public KWOArchive
{
public:
    /// @{
    /// Bytes of one directory record and the longest member name.
    static constexpr unsigned int RecordSize = 44;
    static constexpr unsigned int NameLimit = 31;
    /// @}

    KWOArchKWO();
    ~KWOArchKWO() override;

    /// Reads the archive's directory. A file that is not a native archive,
    /// or whose directory lies below offset 12 or outside the file, is
    /// refused and the object keeps what it showed.
    bool Open(const char* filename) override;
    const char* FormatInfo() const override;
    bool Create(const char* filename) override;
    void Close() override;
    KWOResFile* OpenResFile(unsigned int index) const override;
    unsigned int AddFile(const char* filename, const char* name) override;
    /// Rebuilds the archive without the member.
    bool RemoveFile(unsigned int index) override;
    bool RenameFile(unsigned int index, const char* name) override;
    bool UpdateFile(unsigned int index, const char* filename) override;
    bool ExtractFile(unsigned int index, const char* destination) const override;

    /// Writes the directory at the data end, then the header, into a file
    /// open for writing. False when a write failed.
    bool WriteDirectory(KWOResFile& file);

    /// Where the member data ends and the directory begins.
    unsigned int GetDataEnd() const { return m_dataEnd; }

private:
    static const Layout m_layout;
};

#endif
