/// @class KWORect
/// KWORect: an axis-aligned rectangle with the layout of SDL's rectangle.
///
/// It covers x <= px < x + w and y <= py < y + h. Edges are computed in 32-bit
/// signed integers and stored back into the 16-bit fields; a width or height
/// that does not fit 16 bits is held at 65535.
#ifndef KWOMEDIA_CORE_KWORECT_H
#define KWOMEDIA_CORE_KWORECT_H

#include "KWOExport.h"

#include <cstdint>
#include <iosfwd>

class KWO_API KWORect
{
public:
    int16_t x = 0;
    int16_t y = 0;
    uint16_t w = 0;
    uint16_t h = 0;

    /// True when the intersection has a non-zero width and height: rectangles
    /// that only touch do not intersect.
    bool IsIntersect(const KWORect& r) const;
    /// The smallest rectangle holding both; empty rectangles still count.
    KWORect Union(const KWORect& r) const;
    /// The common part (width or height 0 when there is none).
    KWORect Intersection(const KWORect& r) const;
    /// Replaces this rectangle by Intersection(r).
    void Intersect(const KWORect& r);
};

/// Writes "(x, y) w x h".
KWO_API std::ostream& operator<<(std::ostream& os, const KWORect& r);

#endif
