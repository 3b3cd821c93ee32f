/// @file
/// The process-wide log and the library's version.
///
/// One output at a time (standard output, standard error or a file) and one
/// level: a message is written when its severity is not 0 and not above the
/// level. Messages are written as given: callers put their own prefix
/// ("Module: ") and line end into the format.
#ifndef KWOMEDIA_CORE_KWOLOG_H
#define KWOMEDIA_CORE_KWOLOG_H

#include "../KWOExport.h"

#include <cstdint>

#if defined(__GNUC__)
/// Lets the compiler check the arguments of a printf-style function against its
/// format (`fmt`: the format's argument number, `args`: the first variable one).
#define KWO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
/// Without the compiler's format checks: nothing.
#define KWO_PRINTF(fmt, args)
#endif

/// The library's version record: major, minor, patch.
struct KWOVersion
{
    uint8_t major; ///< changes that break the interface (while 0: see minor)
    uint8_t minor; ///< while major is 0, a new minor may change the interface
    uint8_t patch; ///< fixes only
};

/// The library's free functions: the log, the version, random numbers and
/// angles.
namespace KWO
{
/// Severity numbers of the four fixed writers.
enum : unsigned int
{
    SEVERITY_ERR = 1,
    SEVERITY_WARN = 10,
    SEVERITY_LOG = 100,
    SEVERITY_DBG = 200
};

/// Sets the highest severity still written (stored as 255 when above).
KWO_API void SetLogLevel(unsigned int level);
/// The highest severity still written.
KWO_API unsigned int GetLogLevel();

/// 0 standard output, 1 standard error, 2 the file `filename` (created or
/// truncated); any other number means standard output. Returns false only when
/// the file cannot be opened (the log then goes to standard output).
KWO_API bool SetLogTarget(unsigned int target, const char* filename);
/// The output in use: 0 standard output, 1 standard error, 2 a file.
KWO_API unsigned int GetLogTarget();

/// Closes a log file and returns to standard output.
KWO_API void CloseLog();

/// Writes a message at severity `level` when it is not 0 and not above the log
/// level: `format` and the arguments as printf takes them, nothing added, then
/// the output is flushed. A null format writes nothing.
KWO_API void LOGL(unsigned int level, const char* format, ...) KWO_PRINTF(2, 3);
/// @{
/// LOGL at the fixed severities: ERR 1, WARN 10, LOG 100, DBG 200.
KWO_API void ERR(const char* format, ...) KWO_PRINTF(1, 2);
KWO_API void WARN(const char* format, ...) KWO_PRINTF(1, 2);
KWO_API void LOG(const char* format, ...) KWO_PRINTF(1, 2);
KWO_API void DBG(const char* format, ...) KWO_PRINTF(1, 2);
/// @}

/// @{
/// The library's version: the record, the number major * 10000 + minor * 100 +
/// patch, and the text (for 0.21.0: (0, 21, 0), 2100 and "0.21.0").
KWO_API const KWOVersion* Versionv();
KWO_API int Versioni();
KWO_API const char* Versiont();
/// @}
} // namespace KWO

#endif
