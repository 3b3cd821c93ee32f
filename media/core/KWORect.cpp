#include "core/KWORect.h"

#include <algorithm>
#include <ostream>

static_assert(sizeof(KWORect) == 8, "KWORect keeps the 8-byte rectangle layout");

namespace
{
// A 32-bit extent stored into a 16-bit size field: negative becomes 0, too
// large is held at the largest size rather than wrapping to a small one.
uint16_t Extent(int32_t v)
{
    return static_cast<uint16_t>(std::clamp<int32_t>(v, 0, 0xFFFF));
}
} // namespace

KWORect KWORect::Intersection(const KWORect& r) const
{
    const int32_t left = std::max<int32_t>(x, r.x);
    const int32_t top = std::max<int32_t>(y, r.y);
    const int32_t right = std::min<int32_t>(int32_t(x) + w, int32_t(r.x) + r.w);
    const int32_t bottom = std::min<int32_t>(int32_t(y) + h, int32_t(r.y) + r.h);
    KWORect out;
    out.x = static_cast<int16_t>(left);
    out.y = static_cast<int16_t>(top);
    out.w = Extent(right - left);
    out.h = Extent(bottom - top);
    return out;
}

void KWORect::Intersect(const KWORect& r)
{
    *this = Intersection(r);
}

bool KWORect::IsIntersect(const KWORect& r) const
{
    const KWORect i = Intersection(r);
    return i.w != 0 && i.h != 0;
}

KWORect KWORect::Union(const KWORect& r) const
{
    const int32_t left = std::min<int32_t>(x, r.x);
    const int32_t top = std::min<int32_t>(y, r.y);
    const int32_t right = std::max<int32_t>(int32_t(x) + w, int32_t(r.x) + r.w);
    const int32_t bottom = std::max<int32_t>(int32_t(y) + h, int32_t(r.y) + r.h);
    KWORect out;
    out.x = static_cast<int16_t>(left);
    out.y = static_cast<int16_t>(top);
    out.w = Extent(right - left);
    out.h = Extent(bottom - top);
    return out;
}

std::ostream& operator<<(std::ostream& os, const KWORect& r)
{
    return os << '(' << static_cast<int>(r.x) << ", " << static_cast<int>(r.y) << ") "
              << static_cast<unsigned>(r.w) << " x " << static_cast<unsigned>(r.h);
}
