/// @class KWOFile
/// KWOFile: a stream over a disk file, read and written through the C
/// library's buffered streams.
#ifndef KWOMEDIA_FILES_KWOFILE_H
#define KWOMEDIA_FILES_KWOFILE_H

#include "../KWOExport.h"
#include "KWOResFile.h"

#include <cstdio>

class KWO_API KWOFile : public KWOResFile
{
public:
    /// Constructs closed, then opens; test GetState() == StateOK afterwards.
    KWOFile(const char* name, unsigned int mode);
    ~KWOFile() override;

    /// Opens `name` with the mode bits (ModeRead, ModeWrite, ModeTruncate,
    /// ModeCreate, ModeAppend). Read/write without truncation creates a
    /// missing file. A null or empty name returns false and changes nothing.
    bool Open(const char* name, unsigned int mode);

    void Close() override;
    bool Eof() const override;
    bool Seek(int offset, int whence) override;
    void SeekStart() override;
    void SeekEnd() override;
    unsigned int GetPos() const override;
    void Flush() override;
    void PrintInfo() const override;

protected:
    /// Moves the bytes of Read and Write.
    unsigned int Transfer(unsigned int access, void* buffer, unsigned int count) override;
    /// @{
    /// Lines are read byte by byte from the C library's buffer.
    bool BeginLine() override;
    bool NextLineByte(char& c) override;
    void EndLine() override;
    /// @}

private:
    /// The C library needs a positioning call between a read and a write.
    void SwitchTo(unsigned char op);

    FILE* m_file;           ///< null when closed
    unsigned char m_lastOp; ///< 0 none, 1 read, 2 write
};

#endif
