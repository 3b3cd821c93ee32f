#include "core/KWOPoint.h"
#include "core/KWORect.h"
#include "core/KWOVec3.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
KWORect Rect(int x, int y, unsigned w, unsigned h)
{
    KWORect r;
    r.x = static_cast<int16_t>(x);
    r.y = static_cast<int16_t>(y);
    r.w = static_cast<uint16_t>(w);
    r.h = static_cast<uint16_t>(h);
    return r;
}

template <typename T> std::string Print(const T& v)
{
    std::ostringstream os;
    os << v;
    return os.str();
}
} // namespace

TEST(KWORect, TouchingRectanglesDoNotIntersect)
{
    const KWORect a = Rect(0, 0, 10, 10), b = Rect(10, 0, 10, 10);
    EXPECT_FALSE(a.IsIntersect(b));
    EXPECT_EQ(0, a.Intersection(b).w);
    EXPECT_EQ("(0, 0) 20 x 10", Print(a.Union(b)));
    EXPECT_TRUE(a.IsIntersect(Rect(9, 9, 1, 1)));
}

TEST(KWORect, IntersectionAndUnion)
{
    const KWORect a = Rect(-5, 2, 10, 10), b = Rect(0, -3, 20, 8);
    EXPECT_EQ("(0, 2) 5 x 3", Print(a.Intersection(b)));
    EXPECT_EQ("(-5, -3) 25 x 15", Print(a.Union(b)));

    // Disjoint: the size goes to 0, never negative.
    const KWORect far = Rect(100, 100, 5, 5);
    const KWORect none = a.Intersection(far);
    EXPECT_EQ(0, none.w);
    EXPECT_EQ(0, none.h);

    KWORect c = a;
    c.Intersect(b);
    EXPECT_EQ("(0, 2) 5 x 3", Print(c));

    // An empty rectangle still extends the union.
    EXPECT_EQ("(-5, 2) 35 x 28", Print(a.Union(Rect(30, 30, 0, 0))));

    // A union wider than 16 bits is held at the largest size.
    const KWORect wide = Rect(-32768, 0, 1, 1).Union(Rect(32767, 0, 65535, 1));
    EXPECT_EQ(-32768, wide.x);
    EXPECT_EQ(65535, wide.w);
}

TEST(KWOGeometry, Printing)
{
    KWOPoint p;
    p.x = 3;
    p.y = -4;
    EXPECT_EQ("(3, -4)", Print(p));
    EXPECT_EQ("(10, 20) 30 x 40", Print(Rect(10, 20, 30, 40)));
    EXPECT_EQ("(0, 0) 65535 x 0", Print(Rect(0, 0, 65535, 0)));
    KWOVec3 v;
    v.x = 1.5f;
    v.y = -2;
    v.z = 0.1f;
    EXPECT_EQ("(1.5, -2, 0.1)", Print(v));
}
