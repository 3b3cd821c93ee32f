#include "files/KWOArchPAK.h"

// Names fill their 56 bytes; no dates; the header gives the directory's
// length; new data goes behind the member that ends last.
const KWOArchive::Layout KWOArchPAK::m_layout = {KWOArchPAK::RecordSize,
                                                 KWOArchPAK::NameLimit,
                                                 false,
                                                 {'P', 'A', 'C', 'K'},
                                                 true,
                                                 KWOArchPAK::NameLimit,
                                                 false,
                                                 false,
                                                 "Id Software Quake 1/2 Archive."};

KWOArchPAK::KWOArchPAK() : KWOArchive(FormatPAK, m_layout) {}
