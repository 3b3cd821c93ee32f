/// @class KWOArchPAK
/// KWOArchPAK: archives in the PAK format.
///
/// Layout, all numbers unsigned 32-bit little-endian: the magic "PACK", the
/// directory offset, the directory length in bytes (64 per entry); member
/// data from offset 12; the directory, one 64-byte record per entry: the name
/// (up to 56 characters, zero-padded; a 56-character name has no terminating
/// zero; any "/" in it is part of the name), the absolute start of the data
/// and the size. The format keeps no dates: every entry's date is 0.
///
/// After Open the data end is the largest end of any member (at least 12):
/// new members are written from there, and the directory after them.
/// KWOArchive does the reading and writing.
#ifndef KWOMEDIA_FILES_KWOARCHPAK_H
#define KWOMEDIA_FILES_KWOARCHPAK_H

#include "../KWOExport.h"
#include "KWOArchive.h"

class KWO_API KWOArchPAK : public KWOArchive
{
public:
    /// @{
    /// Bytes of one directory record and the longest member name.
    static constexpr unsigned int RecordSize = 64;
    static constexpr unsigned int NameLimit = 56;
    /// @}

    KWOArchPAK();

private:
    static const Layout m_layout;
};

#endif
