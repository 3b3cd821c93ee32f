#include "files/file_replace.h"

#include "files/KWOFile.h"
#include "platform/os_files.h"

#include <cstdio>

namespace
{
// A disk stream that remembers every write or seek that failed, even when a
// later seek puts its state back to OK: a writer that patches a header after
// a failed write must not pass for a complete one.
class CheckedFile : public KWOFile
{
public:
    CheckedFile(const char* name, unsigned int mode) : KWOFile(name, mode) {}

    unsigned int Write(const void* buffer, unsigned int count) override
    {
        const unsigned int n = KWOFile::Write(buffer, count);
        if (buffer != nullptr && n < count)
            m_failed = true;
        return n;
    }
    bool Seek(int offset, int whence) override
    {
        const bool ok = KWOFile::Seek(offset, whence);
        m_failed = m_failed || !ok;
        return ok;
    }
    // Hands the C library's buffer to the system: a full disk shows here.
    bool Finish() { return Seek(0, SEEK_CUR) && !m_failed; }

private:
    bool m_failed = false;
};
} // namespace

namespace KWO
{
bool ReplaceFile(const char* target, const FileWriter& write, bool mustBeNew)
{
    OS::FileReplacer replacer;
    if (!replacer.Begin(target, mustBeNew))
        return false;
    bool written;
    {
        CheckedFile file(replacer.TempPath(), KWOResFile::ModeRead | KWOResFile::ModeWrite);
        written = file.GetState() == KWOResFile::StateOK && write(file) && file.Finish();
    }
    return written && replacer.Commit();
}
} // namespace KWO
