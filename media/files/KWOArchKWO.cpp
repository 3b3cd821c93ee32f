#include "files/KWOArchKWO.h"

// Names zero-padded to 32 bytes, the size before the start, dates; the
// header gives the entry count; new data goes at the directory offset.
const KWOArchive::Layout KWOArchKWO::m_layout = {KWOArchKWO::RecordSize,
                                                 KWOArchKWO::NameLimit,
                                                 true,
                                                 {'K', 'W', 'O', 'A'},
                                                 false,
                                                 32,
                                                 true,
                                                 true,
                                                 "KWO Archive v1.00"};

KWOArchKWO::KWOArchKWO() : KWOArchive(FormatKWO, m_layout) {}
