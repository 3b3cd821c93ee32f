/// @class KWOPoint
/// KWOPoint: a position on a 16-bit plane.
#ifndef KWOMEDIA_CORE_KWOPOINT_H
#define KWOMEDIA_CORE_KWOPOINT_H

#include "KWOExport.h"

#include <cstdint>
#include <iosfwd>

class KWO_API KWOPoint
{
public:
    int16_t x = 0;
    int16_t y = 0;
};

/// Writes "(x, y)".
KWO_API std::ostream& operator<<(std::ostream& os, const KWOPoint& p);

#endif
