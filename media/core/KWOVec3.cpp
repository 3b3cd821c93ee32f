#include "core/KWOVec3.h"

#include <ostream>

std::ostream& operator<<(std::ostream& os, const KWOVec3& v)
{
    return os << '(' << static_cast<double>(v.x) << ", " << static_cast<double>(v.y) << ", "
              << static_cast<double>(v.z) << ')';
}
