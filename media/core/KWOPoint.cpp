#include "core/KWOPoint.h"

#include <ostream>

std::ostream& operator<<(std::ostream& os, const KWOPoint& p)
{
    return os << '(' << static_cast<int>(p.x) << ", " << static_cast<int>(p.y) << ')';
}
