/// @class KWOResFile
/// KWOResFile: the abstract byte stream every loader and saver works on.
///
/// Three streams implement it: KWOFile (a disk file), KWOMemFile (a block of
/// memory) and KWOPackFile (a window [start, end) of a disk file). A stream
/// never throws: operations report through their results (bool, byte counts,
/// 0 on failure) and through a state code kept in the stream. Reads, writes and
/// line reads work only in state StateOK; any other state makes them return 0
/// until a successful seek or a new open.
#ifndef KWOMEDIA_FILES_KWORESFILE_H
#define KWOMEDIA_FILES_KWORESFILE_H

#include "../KWOExport.h"
#include "../core/KWOString.h"

class KWO_API KWOResFile
{
public:
    /// Bits of the open mode argument. The stream keeps only the two access bits.
    enum : unsigned int
    {
        ModeRead = 0x01,     ///< reading allowed
        ModeWrite = 0x02,    ///< writing allowed
        ModeTruncate = 0x04, ///< with read and write: start with an empty file
        ModeCreate = 0x08,   ///< with write: fail if the file already exists
        ModeAppend = 0x10    ///< with write: every write goes to the end
    };

    /// State codes.
    enum : unsigned char
    {
        StateOK = 1,             ///< a successful open or seek
        StateSeekError = 3,      ///< a refused or failed seek
        StateWriteAtEnd = 5,     ///< a write moved fewer bytes than asked
        StateReadAtEnd = 7,      ///< a read moved fewer bytes than asked
        StateClosed = 0x10,      ///< after Close
        StateBadOpenMode = 0x20, ///< open with neither access bit
        StateOpenError = 0x30    ///< the file could not be opened or memory allocated
    };

    KWOResFile();
    virtual ~KWOResFile();
    KWOResFile(const KWOResFile&) = delete;
    KWOResFile& operator=(const KWOResFile&) = delete;

    /// Frees the name and sets the closed state (mode 0, StateClosed, at end).
    virtual void Close();
    /// True when the stream is at its end.
    virtual bool Eof() const;
    /// whence 0: from the start, 1: from the current position, 2: from the end.
    virtual bool Seek(int offset, int whence) = 0;
    /// To the first byte.
    virtual void SeekStart() = 0;
    /// To the end.
    virtual void SeekEnd() = 0;
    /// The position from the start.
    virtual unsigned int GetPos() const = 0;
    /// Writes out what is held back.
    virtual void Flush() = 0;
    /// Reads one line into `buffer` (`max` bytes including the terminating
    /// zero); the `end` byte is consumed, not stored, and with end '\n' a
    /// carriage return before it is dropped. Returns the characters stored
    /// plus one (1 for an empty line), or 0 when no line was available.
    /// Streams read lines through the line hooks below.
    virtual unsigned int GetLine(char* buffer, unsigned int max, char end);
    /// Reads one line of up to `max` bytes into `line`. Returns the bytes
    /// consumed, the `end` byte and a dropped carriage return included; 0 when
    /// nothing was available. Pass KWO::All for no limit.
    virtual unsigned int GetLine(KWOString& line, unsigned int max, char end);
    /// @{
    /// Return the bytes moved; a short count sets StateReadAtEnd or
    /// StateWriteAtEnd. Streams move bytes through Transfer.
    virtual unsigned int Read(void* buffer, unsigned int count);
    virtual unsigned int Write(const void* buffer, unsigned int count);
    /// @}
    /// Writes min(max, length) characters of `text`, with no terminator.
    virtual unsigned int WriteStr(const KWOString& text, unsigned int max);
    /// Writes the stream's name, mode, state and position to the log.
    virtual void PrintInfo() const = 0;

    /// @{
    /// Fixed-width helpers. The plain ones are little-endian, the BE ones
    /// big-endian. A short read gives 0; writes return true when every byte
    /// was written.
    unsigned char Read8();
    unsigned short Read16();
    unsigned short ReadBE16();
    unsigned int Read32();
    unsigned int ReadBE32();
    float ReadFl();
    double ReadDbl();
    bool Write8(unsigned char value);
    bool Write16(unsigned short value);
    bool WriteBE16(unsigned short value);
    bool Write32(unsigned int value);
    bool WriteBE32(unsigned int value);
    bool WriteFl(float value);
    bool WriteDbl(double value);
    /// @}

    /// The state code (StateOK after a successful open or seek).
    unsigned char GetState() const { return m_state; }
    /// The stored access bits (mode & 3 of the last open; 0 when closed).
    unsigned char GetMode() const { return m_mode; }
    /// The display name, or null.
    const char* GetName() const { return m_name; }

protected:
    /// The guard that opens every transfer (reads, writes, line reads): true
    /// when the stream may move bytes in the direction `access` (ModeRead or
    /// ModeWrite): its state is StateOK, it was opened with that access, it
    /// holds what it reads from (`open`), there is a `buffer` and a non-zero
    /// `count`, and, with `stopAtEnd`, it is not at its end.
    bool CanTransfer(unsigned int access, bool open, const void* buffer, unsigned int count,
                     bool stopAtEnd) const
    {
        return m_state == StateOK && (m_mode & access) != 0 && open && buffer != nullptr &&
               count != 0 && !(stopAtEnd && m_eof);
    }
    /// Read (`access` ModeRead) or Write (ModeWrite) of a stream; nothing
    /// moves without it.
    virtual unsigned int Transfer(unsigned int access, void* buffer, unsigned int count);
    /// The line hooks, run by GetLine behind the guard: BeginLine is false when
    /// the stream holds nothing to read from (and otherwise prepares to read),
    /// NextLineByte gives the next byte (false at the end of the data), and
    /// EndLine brings the end flag up to date. A stream without them has no
    /// lines.
    /// @{
    virtual bool BeginLine() { return false; }
    virtual bool NextLineByte(char& c);
    virtual void EndLine() {}
    /// @}
    /// The first step of every open: StateOK and the access bits of `mode`;
    /// without either bit, StateBadOpenMode, logged as "<module>: bad open
    /// mode (<shown>)", and false.
    bool StartOpen(unsigned int mode, const char* module, const char* shown);
    /// The state a transfer in the direction `access` sets when it falls short.
    static unsigned char ShortState(unsigned int access)
    {
        return access == ModeRead ? StateReadAtEnd : StateWriteAtEnd;
    }
    /// Puts the base fields into the closed state (the name is not freed).
    void SetClosed();
    /// @{
    /// The words PrintInfo uses for a mode and a state code.
    static const char* ModeText(unsigned int mode);
    static const char* StateText(unsigned int state);
    /// @}

    char* m_name;          ///< display name, owned unless a subclass says otherwise
    unsigned char m_mode;  ///< access bits
    unsigned char m_state; ///< a state code
    bool m_eof;            ///< set when the stream is at its end
};

#endif
