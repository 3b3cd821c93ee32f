#include "files/KWOResFile.h"

#include "core/KWOLog.h"
#include "files/line_reader.h"

#include <cstdint>
#include <cstring>

KWOResFile::KWOResFile() : m_name(nullptr), m_mode(0), m_state(StateClosed), m_eof(true) {}

KWOResFile::~KWOResFile()
{
    // The subclasses close in their own destructors; this only catches a
    // name they left behind.
    KWOResFile::Close();
}

void KWOResFile::Close()
{
    delete[] m_name;
    m_name = nullptr;
    SetClosed();
}

bool KWOResFile::Eof() const
{
    return m_eof;
}

unsigned int KWOResFile::GetLine(char* buffer, unsigned int max, char end)
{
    if (!CanTransfer(ModeRead, true, buffer, max, true) || !BeginLine())
        return 0;
    const unsigned int n =
        kwo_files::LineToBuffer([this](char& c) { return NextLineByte(c); }, buffer, max, end);
    EndLine();
    return n;
}

unsigned int KWOResFile::GetLine(KWOString& line, unsigned int max, char end)
{
    if (!CanTransfer(ModeRead, true, &line, max, true) || !BeginLine())
        return 0;
    const unsigned int n =
        kwo_files::LineToString([this](char& c) { return NextLineByte(c); }, line, max, end);
    EndLine();
    return n;
}

bool KWOResFile::NextLineByte(char&)
{
    return false;
}

unsigned int KWOResFile::Read(void* buffer, unsigned int count)
{
    return Transfer(ModeRead, buffer, count);
}

unsigned int KWOResFile::Write(const void* buffer, unsigned int count)
{
    return Transfer(ModeWrite, const_cast<void*>(buffer), count);
}

unsigned int KWOResFile::Transfer(unsigned int, void*, unsigned int)
{
    return 0;
}

unsigned int KWOResFile::WriteStr(const KWOString& text, unsigned int max)
{
    unsigned int n = text.m_length < max ? text.m_length : max;
    if (n == 0 || text.m_text == nullptr)
        return 0;
    return Write(text.m_text, n);
}

bool KWOResFile::StartOpen(unsigned int mode, const char* module, const char* shown)
{
    m_state = StateOK;
    m_mode = static_cast<unsigned char>(mode & 3);
    if (m_mode != 0)
        return true;
    m_state = StateBadOpenMode;
    KWO::DBG("%s: bad open mode (%s)\n", module, shown);
    return false;
}

void KWOResFile::SetClosed()
{
    m_mode = 0;
    m_state = StateClosed;
    m_eof = true;
}

const char* KWOResFile::ModeText(unsigned int mode)
{
    switch (mode)
    {
        case 1:
            return "read only";
        case 2:
            return "write only";
        case 3:
            return "read/write";
        default:
            return "error";
    }
}

const char* KWOResFile::StateText(unsigned int state)
{
    switch (state)
    {
        case StateOK:
            return "OK";
        case StateSeekError:
            return "fseek error";
        case StateWriteAtEnd:
            return "write at end";
        case StateReadAtEnd:
            return "read at end";
        case StateClosed:
            return "file closed";
        case StateBadOpenMode:
            return "bad open mode";
        case StateOpenError:
            return "open error";
        default:
            return "unknown";
    }
}

// ---- fixed-width helpers ------------------------------------------------------
// Values are put together byte by byte, so the file order does not depend on
// the machine's.

unsigned char KWOResFile::Read8()
{
    unsigned char b = 0;
    return Read(&b, 1) == 1 ? b : 0;
}

unsigned short KWOResFile::Read16()
{
    unsigned char b[2];
    if (Read(b, 2) != 2)
        return 0;
    return static_cast<unsigned short>(b[0] | (b[1] << 8));
}

unsigned short KWOResFile::ReadBE16()
{
    unsigned char b[2];
    if (Read(b, 2) != 2)
        return 0;
    return static_cast<unsigned short>((b[0] << 8) | b[1]);
}

unsigned int KWOResFile::Read32()
{
    unsigned char b[4];
    if (Read(b, 4) != 4)
        return 0;
    return static_cast<unsigned int>(b[0]) | (static_cast<unsigned int>(b[1]) << 8) |
           (static_cast<unsigned int>(b[2]) << 16) | (static_cast<unsigned int>(b[3]) << 24);
}

unsigned int KWOResFile::ReadBE32()
{
    unsigned char b[4];
    if (Read(b, 4) != 4)
        return 0;
    return (static_cast<unsigned int>(b[0]) << 24) | (static_cast<unsigned int>(b[1]) << 16) |
           (static_cast<unsigned int>(b[2]) << 8) | static_cast<unsigned int>(b[3]);
}

float KWOResFile::ReadFl()
{
    unsigned char b[4];
    if (Read(b, 4) != 4)
        return 0.0f;
    uint32_t bits = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                    (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double KWOResFile::ReadDbl()
{
    unsigned char b[8];
    if (Read(b, 8) != 8)
        return 0.0;
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | b[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool KWOResFile::Write8(unsigned char value)
{
    return Write(&value, 1) == 1;
}

bool KWOResFile::Write16(unsigned short value)
{
    const unsigned char b[2] = {static_cast<unsigned char>(value),
                                static_cast<unsigned char>(value >> 8)};
    return Write(b, 2) == 2;
}

bool KWOResFile::WriteBE16(unsigned short value)
{
    const unsigned char b[2] = {static_cast<unsigned char>(value >> 8),
                                static_cast<unsigned char>(value)};
    return Write(b, 2) == 2;
}

bool KWOResFile::Write32(unsigned int value)
{
    const unsigned char b[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return Write(b, 4) == 4;
}

bool KWOResFile::WriteBE32(unsigned int value)
{
    const unsigned char b[4] = {
        static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
        static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
    return Write(b, 4) == 4;
}

bool KWOResFile::WriteFl(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return Write32(bits);
}

bool KWOResFile::WriteDbl(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    unsigned char b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<unsigned char>(bits >> (8 * i));
    return Write(b, 8) == 8;
}
