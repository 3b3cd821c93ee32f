/// @file
/// KWOConst: the library-wide value of unsigned positions and counts.
///
/// Positions, indices and counts are unsigned 32-bit. The one value 0xFFFFFFFF
/// has two readings, each with its name:
///   KWO::NotFound  a result: no such index, not found, or could not be made
///                  (FindFile, AddFile, Append, FileSize, PlaySound, ...);
///   KWO::All       an argument: to the end, all of it, no limit, or any
///                  (a length or count "to the end", GetLine without a
///                  limit, the mixer's "any free channel").
/// KWOString::NPOS and KWOMixer::AnyChannel are the same value under the
/// names those classes have always used. A 32-bit total that is cut to the
/// largest value it can hold ("0xFFFFFFFF at most") is neither: it is written
/// UINT32_MAX.
#ifndef KWOMEDIA_CORE_KWOCONST_H
#define KWOMEDIA_CORE_KWOCONST_H

namespace KWO
{
/// A result: no such index, not found, or could not be made.
constexpr unsigned int NotFound = 0xFFFFFFFFu;
/// An argument: to the end, all of it, no limit, or any.
constexpr unsigned int All = 0xFFFFFFFFu;
} // namespace KWO

#endif
