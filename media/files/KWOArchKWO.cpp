#include "files/KWOArchKWO.h"

const KWOArchive::Layout KWOArchKWO::m_layout = {KWOArchKWO::RecordSize,
                                                 KWOArchKWO::NameLimit,
                                                 true,
                                                 {'K', 'W', 'O', 'A'},
                                                 false,
                                                 32,
                                                 true,
                                                 true};

KWOArchKWO::KWOArchKWO() : KWOArchive(FormatKWO, m_layout) {}

KWOArchKWO::~KWOArchKWO() = default;

const char* KWOArchKWO::FormatInfo() const
{
    return "KWO Archive v1.00";
}
