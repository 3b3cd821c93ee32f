/// @class KWOMemFile
/// KWOMemFile: a stream over a fixed block of memory.
///
/// The block is either the caller's (kept on Close unless ownData is set) or
/// allocated by the stream. The block never grows: reads and writes past its
/// end are cut short.
#ifndef KWOMEDIA_FILES_KWOMEMFILE_H
#define KWOMEDIA_FILES_KWOMEMFILE_H

#include "../KWOExport.h"
#include "KWOResFile.h"

class KWO_API KWOMemFile : public KWOResFile
{
public:
    /// Constructs closed, then opens; test GetState() == StateOK afterwards.
    KWOMemFile(unsigned int size, unsigned int mode, unsigned char* data = nullptr,
               bool ownData = false, const char* name = nullptr);
    ~KWOMemFile() override;

    /// Opens over `size` bytes of `data`, or over `size` new bytes when `data`
    /// is null. Data handed over with `ownData` must come from new[]; it is
    /// freed with delete[] on Close. ModeTruncate or ModeCreate zero the block.
    /// Without a name the stream is called "Memory file". Size 0 returns false
    /// and changes nothing.
    bool Open(unsigned int size, unsigned int mode, unsigned char* data = nullptr,
              bool ownData = false, const char* name = nullptr);

    void Close() override;
    /// Seek can reach the last byte, not the end itself (use SeekEnd).
    bool Seek(int offset, int whence) override;
    /// To the first byte.
    void SeekStart() override;
    /// Moves to the end and sets StateSeekError: nothing can be read there.
    void SeekEnd() override;
    /// The position from the start of the block.
    unsigned int GetPos() const override;
    /// Nothing to do.
    void Flush() override;
    /// Writes the block's address and size, the mode, state, position and
    /// whether the stream owns the block to the log.
    void PrintInfo() const override;

    /// @{
    /// The block, its size and whether the stream frees it.
    unsigned char* GetData() const { return m_data; }
    unsigned int GetSize() const { return m_size; }
    bool OwnsData() const { return m_ownData; }
    /// @}

protected:
    /// Moves the bytes of Read and Write.
    unsigned int Transfer(unsigned int access, void* buffer, unsigned int count) override;
    /// @{
    /// Lines are read byte by byte from the block.
    bool BeginLine() override;
    bool NextLineByte(char& c) override;
    void EndLine() override;
    /// @}

private:
    bool m_ownData;
    unsigned char* m_data;
    unsigned int m_size;
    unsigned int m_pos; ///< 0 = first byte
};

#endif
