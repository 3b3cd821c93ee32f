/// @class KWOVec3
/// KWOVec3: three single-precision coordinates.
#ifndef KWOMEDIA_CORE_KWOVEC3_H
#define KWOMEDIA_CORE_KWOVEC3_H

#include "KWOExport.h"

#include <iosfwd>

class KWO_API KWOVec3
{
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

/// Writes "(x, y, z)", each coordinate with the stream's formatting of a double.
KWO_API std::ostream& operator<<(std::ostream& os, const KWOVec3& v);

#endif
