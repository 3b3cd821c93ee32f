#include "files/KWOFile.h"

#include "core/KWOLog.h"

#include <cstdio>
#include <cstring>

namespace
{
const unsigned char kOpRead = 1;
const unsigned char kOpWrite = 2;
} // namespace

KWOFile::KWOFile(const char* name, unsigned int mode) : m_file(nullptr), m_lastOp(0)
{
    Open(name, mode);
}

KWOFile::~KWOFile()
{
    KWOFile::Close();
}

bool KWOFile::Open(const char* name, unsigned int mode)
{
    if (name == nullptr || name[0] == 0)
        return false;
    // Copy before closing: `name` may be this stream's own name.
    char* copy = KWOString::StringCopy(name);
    Close();
    m_name = copy;
    const char* shown = m_name ? m_name : "";
    if (!StartOpen(mode, "File", shown))
        return false;
    const char* text = "rb";
    if (m_mode == ModeWrite)
        text = (mode & ModeAppend) ? "ab" : "wb";
    else if (m_mode == (ModeRead | ModeWrite))
        text = (mode & ModeAppend) ? "a+b" : (mode & ModeTruncate) ? "w+b" : "r+b";

    bool create = (m_mode & ModeWrite) && (mode & ModeCreate);
    if (create)
    {
        FILE* probe = std::fopen(m_name ? m_name : "", "r");
        if (probe)
        {
            std::fclose(probe);
            m_state = StateOpenError;
            KWO::DBG("File: open error: file already exists (CREATE) %s\n", shown);
            return false;
        }
    }

    // With ModeCreate the C library is also asked for an exclusive creation
    // ("x"), so a file that exists but could not be read above is never
    // emptied.
    char cmode[8];
    std::snprintf(cmode, sizeof cmode, "%s%s", text, create && text[0] != 'r' ? "x" : "");
    if (m_name == nullptr)
    {
        m_state = StateOpenError; // the copy of the name could not be made
        return false;
    }
    m_file = std::fopen(m_name, cmode);
    if (m_file == nullptr && m_mode == 3 && text[0] == 'r')
    {
        // Read/write without truncation creates a missing file.
        text = "w+b";
        m_file = std::fopen(m_name, create ? "w+bx" : text);
    }
    if (m_file == nullptr)
    {
        m_state = StateOpenError;
        KWO::DBG("File: Can not open %s in mode '%s'\n", shown, text);
        return false;
    }
    m_eof = std::feof(m_file) != 0;
    return true;
}

void KWOFile::Close()
{
    delete[] m_name;
    m_name = nullptr;
    SetClosed();
    if (m_file)
    {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_lastOp = 0;
}

bool KWOFile::Eof() const
{
    return m_file ? std::feof(m_file) != 0 : false;
}

bool KWOFile::Seek(int offset, int whence)
{
    if (m_file == nullptr)
        return false;
    std::clearerr(m_file);
    m_state = std::fseek(m_file, offset, whence) == 0 ? StateOK : StateSeekError;
    m_eof = std::feof(m_file) != 0;
    m_lastOp = 0;
    return m_state == StateOK;
}

void KWOFile::SeekStart()
{
    Seek(0, SEEK_SET);
}

void KWOFile::SeekEnd()
{
    Seek(0, SEEK_END);
}

unsigned int KWOFile::GetPos() const
{
    if (m_file == nullptr)
        return 0;
    long pos = std::ftell(m_file);
    return pos < 0 ? 0 : static_cast<unsigned int>(pos);
}

void KWOFile::Flush()
{
    if (m_file)
        std::fflush(m_file);
}

void KWOFile::SwitchTo(unsigned char op)
{
    if (m_lastOp != 0 && m_lastOp != op)
        std::fseek(m_file, 0, SEEK_CUR);
    m_lastOp = op;
}

bool KWOFile::BeginLine()
{
    if (m_file == nullptr)
        return false;
    SwitchTo(kOpRead);
    return true;
}

bool KWOFile::NextLineByte(char& c)
{
    int b = std::getc(m_file);
    if (b == EOF)
        return false;
    c = static_cast<char>(b);
    return true;
}

void KWOFile::EndLine()
{
    m_eof = std::feof(m_file) != 0;
}

unsigned int KWOFile::Transfer(unsigned int access, void* buffer, unsigned int count)
{
    // A disk file may be written at its end: only reads find nothing there.
    if (!CanTransfer(access, m_file != nullptr, buffer, count, false))
        return 0;
    const bool reading = access == ModeRead;
    SwitchTo(reading ? kOpRead : kOpWrite);
    const size_t n =
        reading ? std::fread(buffer, 1, count, m_file) : std::fwrite(buffer, 1, count, m_file);
    if (n < count)
        m_state = ShortState(access);
    m_eof = std::feof(m_file) != 0;
    return static_cast<unsigned int>(n);
}

void KWOFile::PrintInfo() const
{
    KWO::LOG("File info : %s\nFILE* : %p\nMode  : %d (", m_name ? m_name : "(null)",
             static_cast<void*>(m_file), m_mode);
    KWO::LOG("%s)\nState : %d (", ModeText(m_mode), m_state);
    KWO::LOG("%s)\nEOF   : %s\n", StateText(m_state), m_eof ? "yes" : "no");
}
