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

private:
    static const Layout m_layout;
};

#endif
