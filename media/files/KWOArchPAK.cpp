#include "files/KWOArchPAK.h"

const KWOArchive::Layout KWOArchPAK::m_layout = {KWOArchPAK::RecordSize,
                                                 KWOArchPAK::NameLimit,
                                                 false,
                                                 {'P', 'A', 'C', 'K'},
                                                 true,
                                                 KWOArchPAK::NameLimit,
                                                 false,
                                                 false};

KWOArchPAK::KWOArchPAK() : KWOArchive(FormatPAK, m_layout) {}

KWOArchPAK::~KWOArchPAK() = default;

const char* KWOArchPAK::FormatInfo() const
{
    return "Id Software Quake 1/2 Archive.";
}
