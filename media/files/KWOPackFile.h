/// @class KWOPackFile
/// KWOPackFile: a stream over the window [start, end) of a disk file, as used
/// for the members of an archive. Positions seen by callers are relative to
/// start; the window is clipped to the file's size when opened.
#ifndef KWOMEDIA_FILES_KWOPACKFILE_H
#define KWOMEDIA_FILES_KWOPACKFILE_H

#include "../KWOExport.h"
#include "KWOResFile.h"

#include <cstdio>

class KWO_API KWOPackFile : public KWOResFile
{
public:
    /// Constructs closed, then opens; test GetState() == StateOK afterwards.
    KWOPackFile(const char* path, unsigned int start, unsigned int end, unsigned int mode,
                const char* name = nullptr);
    ~KWOPackFile() override;

    /// Opens the window [start, end) of the file `path` (absolute offsets).
    /// Only the access bits count: the file is never created, emptied or
    /// appended to. Without a name the stream is called by its path. A null or
    /// empty path returns false and changes nothing.
    bool Open(const char* path, unsigned int start, unsigned int end, unsigned int mode,
              const char* name = nullptr);

    void Close() override;
    bool Seek(int offset, int whence) override;
    void SeekStart() override;
    /// Moves to the end of the window and sets StateSeekError.
    void SeekEnd() override;
    /// The position relative to the start of the window.
    unsigned int GetPos() const override;
    void Flush() override;
    void PrintInfo() const override;

    /// @{
    /// The disk file's path and the window's absolute bounds.
    const char* GetPath() const { return m_path; }
    unsigned int GetStart() const { return m_start; }
    unsigned int GetEnd() const { return m_end; }
    /// @}

protected:
    /// Moves the bytes of Read and Write.
    unsigned int Transfer(unsigned int access, void* buffer, unsigned int count) override;
    /// @{
    /// Lines are read byte by byte inside the window.
    bool BeginLine() override;
    bool NextLineByte(char& c) override;
    void EndLine() override;
    /// @}

private:
    void UpdateEof();
    /// The C library needs a positioning call between a read and a write.
    void SwitchTo(unsigned char op);

    char* m_path; ///< owned copy
    FILE* m_file; ///< null when closed
    unsigned int m_start;
    unsigned int m_end;     ///< exclusive
    unsigned int m_pos;     ///< absolute offset in the disk file
    unsigned char m_lastOp; ///< 0 none, 1 read, 2 write
};

#endif
