#include "core/KWOLog.h"

#include "kwo_version.h"

#include <cstdarg>
#include <cstdio>

namespace
{
const unsigned int kMaxLevel = 255;
const unsigned int kTargetStdout = 0;
const unsigned int kTargetStderr = 1;
const unsigned int kTargetFile = 2;

unsigned int g_level = KWO::SEVERITY_LOG;
unsigned int g_target = kTargetStdout;
// Null stands for standard output: the standard streams are not constants,
// so the initial value is resolved when the stream is used.
FILE* g_stream = nullptr;

const KWOVersion g_version = {KWO_VERSION_MAJOR, KWO_VERSION_MINOR, KWO_VERSION_PATCH};

FILE* Stream()
{
    return g_stream ? g_stream : stdout;
}

void Write(unsigned int severity, const char* format, va_list args)
{
    if (severity == 0 || severity > g_level || format == nullptr)
        return;
    FILE* out = Stream();
    vfprintf(out, format, args);
    fflush(out);
}
} // namespace

namespace KWO
{
void SetLogLevel(unsigned int level)
{
    g_level = level > kMaxLevel ? kMaxLevel : level;
}

unsigned int GetLogLevel()
{
    return g_level;
}

bool SetLogTarget(unsigned int target, const char* filename)
{
    CloseLog();
    switch (target)
    {
        case kTargetStderr:
            g_stream = stderr;
            g_target = kTargetStderr;
            return true;
        case kTargetFile:
        {
            FILE* file = filename ? std::fopen(filename, "w") : nullptr;
            if (file == nullptr)
            {
                g_stream = stdout;
                g_target = kTargetStdout;
                return false;
            }
            g_stream = file;
            g_target = kTargetFile;
            return true;
        }
        default:
            g_stream = stdout;
            g_target = kTargetStdout;
            return true;
    }
}

unsigned int GetLogTarget()
{
    return g_target;
}

void CloseLog()
{
    if (g_target != kTargetFile)
        return;
    FILE* out = Stream();
    if (out == stdout || out == stderr)
        LOG("LOGClose: file was stdout/err and target was file !\n");
    else
        std::fclose(out);
    g_stream = stdout;
    g_target = kTargetStdout;
}

void LOGL(unsigned int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Write(level, format, args);
    va_end(args);
}

void ERR(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Write(SEVERITY_ERR, format, args);
    va_end(args);
}

void WARN(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Write(SEVERITY_WARN, format, args);
    va_end(args);
}

void LOG(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Write(SEVERITY_LOG, format, args);
    va_end(args);
}

void DBG(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Write(SEVERITY_DBG, format, args);
    va_end(args);
}

const KWOVersion* Versionv()
{
    return &g_version;
}

int Versioni()
{
    return g_version.major * 10000 + g_version.minor * 100 + g_version.patch;
}

const char* Versiont()
{
    return KWO_VERSION_TEXT;
}
} // namespace KWO
