/// @file
/// The process-wide log and the library's version.
///
/// One output at a time (standard output, standard error or a file) and one
/// level: a message is written when its severity is not 0 and not above the
/// level. Messages are written as given: callers put their own prefix
/// ("Module: ") and line end into the format.
#ifndef KWOMEDIA_CORE_KWOLOG_H
#define KWOMEDIA_CORE_KWOLOG_H

#include "KWOExport.h"

#include <cstdint>

#if defined(__GNUC__)
#define KWO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KWO_PRINTF(fmt, args)
#endif

/// The library's version record: major, minor, patch.
struct KWOVersion
{
    uint8_t major;
    uint8_t minor;
    uint8_t patch;
};

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
KWO_API unsigned int GetLogLevel();

/// 0 standard output, 1 standard error, 2 the file `filename` (created or
/// truncated); any other number means standard output. Returns false only when
/// the file cannot be opened (the log then goes to standard output).
KWO_API bool SetLogTarget(unsigned int target, const char* filename);
KWO_API unsigned int GetLogTarget();

/// Closes a log file and returns to standard output.
KWO_API void CloseLog();

KWO_API void LOGL(unsigned int level, const char* format, ...) KWO_PRINTF(2, 3);
KWO_API void ERR(const char* format, ...) KWO_PRINTF(1, 2);
KWO_API void WARN(const char* format, ...) KWO_PRINTF(1, 2);
KWO_API void LOG(const char* format, ...) KWO_PRINTF(1, 2);
KWO_API void DBG(const char* format, ...) KWO_PRINTF(1, 2);

/// Version 0.20.0: the record, the number 2000 and the text "0.20.0".
KWO_API const KWOVersion* Versionv();
KWO_API int Versioni();
KWO_API const char* Versiont();
} // namespace KWO

#endif
