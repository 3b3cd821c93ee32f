// Sends the process-wide log into a scratch file for one test and puts the
// level and target back afterwards.
#ifndef KWO_TESTS_CAPTUREDLOG_H
#define KWO_TESTS_CAPTUREDLOG_H

#include "core/KWOLog.h"
#include "support/TempDir.h"

#include <string>

class CapturedLog
{
public:
    explicit CapturedLog(unsigned level = KWO::SEVERITY_DBG) : m_oldLevel(KWO::GetLogLevel())
    {
        KWO::SetLogTarget(2, (m_dir / "log.txt").c_str());
        KWO::SetLogLevel(level);
    }
    ~CapturedLog()
    {
        KWO::SetLogTarget(0, nullptr);
        KWO::SetLogLevel(m_oldLevel);
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    std::string Text() const { return ReadFileBytes(m_dir / "log.txt"); }

private:
    TempDir m_dir;
    unsigned m_oldLevel;
};

#endif
