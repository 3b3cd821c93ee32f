/// @file
/// Random numbers, angles and floating-point comparisons.
///
/// The random generator is the library's own linear congruential generator
/// (seed = seed * 1103515245 + 12345, draws are bits 16 to 30 of the new seed),
/// so sequences are the same on every platform. Each thread has its own seed,
/// which starts at 1. Angles are in degrees.
#ifndef KWOMEDIA_CORE_KWOMATH_H
#define KWOMEDIA_CORE_KWOMATH_H

#include "KWOExport.h"

namespace KWO
{
/// Sets the calling thread's seed; 0 takes the current calendar time in seconds.
KWO_API void RandomInit(unsigned seed);
/// One draw: 0 to 32767.
KWO_API unsigned Randomi();
/// 0 to n - 1 (0 when n is 0).
KWO_API unsigned Randomi(unsigned n);
/// 0 <= r < 1.
KWO_API float Randomf();
/// 0 <= r < max.
KWO_API float Randomf(float max);

/// True when -epsilon < a - b < epsilon (the difference in the argument type).
KWO_API bool Equalf(float a, float b, float epsilon);
KWO_API bool Equald(double a, double b, double epsilon);

/// Brings an angle into 0...360 (360 itself stays 360).
KWO_API float Angle2PI(float angle);
/// Direction from (x1, y1) to (x2, y2), from the positive x axis towards the
/// positive y axis, in 0...360.
KWO_API float VectorAngle(float x1, float y1, float x2, float y2);
/// to - from, brought once into -180...180.
KWO_API float AngleDiff(float from, float to);
} // namespace KWO

#endif
