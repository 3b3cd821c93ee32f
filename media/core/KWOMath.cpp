#include "core/KWOMath.h"

#include <cmath>
#include <cstdint>
#include <ctime>

namespace
{
thread_local uint32_t g_seed = 1;

// Beyond this magnitude the stepwise reduction of Angle2PI would take too many
// steps (or never end once 360 is below the float's resolution).
const float kAngleStepLimit = 360.0f * 1024.0f;
} // namespace

namespace KWO
{
void RandomInit(unsigned seed)
{
    if (seed == 0)
        seed = static_cast<unsigned>(std::time(nullptr));
    g_seed = seed;
}

unsigned Randomi()
{
    g_seed = g_seed * 1103515245u + 12345u;
    return (g_seed >> 16) & 0x7FFF;
}

unsigned Randomi(unsigned n)
{
    // Exact in double: a 15-bit fraction times a 32-bit count.
    return static_cast<unsigned>(Randomi() / 32768.0 * n);
}

float Randomf()
{
    return static_cast<float>(Randomi()) / 32768.0f;
}

float Randomf(float max)
{
    return Randomf() * max;
}

bool Equalf(float a, float b, float epsilon)
{
    const float d = a - b;
    return -epsilon < d && d < epsilon;
}

bool Equald(double a, double b, double epsilon)
{
    const double d = a - b;
    return -epsilon < d && d < epsilon;
}

float Angle2PI(float angle)
{
    if (std::fabs(angle) > kAngleStepLimit)
        angle = std::fmod(angle, 360.0f); // keeps the sign; infinities give NaN
    while (angle < 0.0f)
        angle += 360.0f;
    while (angle > 360.0f)
        angle += -360.0f;
    return angle;
}

float VectorAngle(float x1, float y1, float x2, float y2)
{
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    if (Equalf(dx, 0.0f, 0.0001f))
        return y2 >= y1 ? 90.0f : 270.0f;
    if (Equalf(dy, 0.0f, 0.0001f))
        return x2 >= x1 ? 0.0f : 180.0f;
    const float a = std::fabs(std::atan(dy / dx)) * 57.29578f;
    if (x1 < x2)
        return y1 < y2 ? a : 360.0f - a;
    return y1 < y2 ? 180.0f - a : 180.0f + a;
}

float AngleDiff(float from, float to)
{
    float d = to - from;
    if (d < -180.0f)
        d += 360.0f;
    else if (d > 180.0f)
        d -= 360.0f;
    return d;
}
} // namespace KWO
