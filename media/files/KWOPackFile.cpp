#include "files/KWOPackFile.h"

#include "core/KWOLog.h"

namespace
{
const unsigned char kOpRead = 1;
const unsigned char kOpWrite = 2;
} // namespace

KWOPackFile::KWOPackFile(const char* path, unsigned int start, unsigned int end, unsigned int mode,
                         const char* name)
    : m_path(nullptr), m_file(nullptr), m_start(0), m_end(0), m_pos(0), m_lastOp(0)
{
    Open(path, start, end, mode, name);
}

KWOPackFile::~KWOPackFile()
{
    KWOPackFile::Close();
}

bool KWOPackFile::Open(const char* path, unsigned int start, unsigned int end, unsigned int mode,
                       const char* name)
{
    if (path == nullptr || path[0] == 0)
        return false;
    // Copy before closing: `path` or `name` may be this stream's own.
    char* pathCopy = KWOString::StringCopy(path);
    char* nameCopy = KWOString::StringCopy(name);
    Close();
    m_path = pathCopy;
    m_name = nameCopy ? nameCopy : m_path;
    const char* shown = m_path ? m_path : "";
    if (!StartOpen(mode, "PackFile", shown))
        return false;
    // The file is never created, emptied or appended to.
    const char* text = m_mode == ModeRead ? "rb" : "r+b";
    m_file = m_path ? std::fopen(m_path, text) : nullptr;
    if (m_file == nullptr)
    {
        m_state = StateOpenError;
        KWO::DBG("PackFile: Can not open %s in mode '%s'\n", shown, text);
        return false;
    }

    m_start = start;
    m_end = end;
    m_pos = 0;
    long size = -1;
    if (std::fseek(m_file, 0, SEEK_END) == 0)
        size = std::ftell(m_file);
    if (size < 0)
        size = 0;
    if (static_cast<unsigned long long>(size) < m_end)
        m_end = static_cast<unsigned int>(size);
    if (m_start >= m_end)
    {
        KWO::DBG("PackFile: invalid offset (start=%d, end=%d) %s\n", static_cast<int>(m_start),
                 static_cast<int>(m_end), shown);
        std::fclose(m_file);
        m_file = nullptr;
        m_state = StateOpenError;
        return false;
    }
    SeekStart();
    return m_state == StateOK;
}

void KWOPackFile::Close()
{
    if (m_name != m_path)
        delete[] m_name;
    m_name = nullptr;
    delete[] m_path;
    m_path = nullptr;
    SetClosed();
    if (m_file)
    {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_start = 0;
    m_end = 0;
    m_pos = 0;
    m_lastOp = 0;
}

void KWOPackFile::UpdateEof()
{
    m_eof = std::feof(m_file) != 0 || m_pos >= m_end;
}

bool KWOPackFile::Seek(int offset, int whence)
{
    if (m_file == nullptr)
        return false;
    long long start = m_start, end = m_end, pos = m_pos, target;
    bool ok;
    if (whence == SEEK_CUR)
    {
        target = pos + offset;
        ok = offset == 0 || (offset > 0 ? target < end : target >= start);
    }
    else if (whence == SEEK_END)
    {
        target = end + offset;
        ok = offset <= 0 && -static_cast<long long>(offset) < end - start;
    }
    else
    {
        target = start + offset;
        ok = offset >= 0 && offset < end - start;
    }
    if (!ok || std::fseek(m_file, static_cast<long>(target), SEEK_SET) != 0)
    {
        m_state = StateSeekError;
        return false;
    }
    m_lastOp = 0;
    m_pos = static_cast<unsigned int>(target);
    m_state = StateOK;
    UpdateEof();
    return true;
}

void KWOPackFile::SeekStart()
{
    if (m_file == nullptr)
        return;
    std::clearerr(m_file);
    m_pos = m_start;
    m_state =
        std::fseek(m_file, static_cast<long>(m_pos), SEEK_SET) == 0 ? StateOK : StateSeekError;
    m_lastOp = 0;
    UpdateEof();
}

void KWOPackFile::SeekEnd()
{
    if (m_file == nullptr)
        return;
    m_pos = m_end;
    std::fseek(m_file, static_cast<long>(m_pos), SEEK_SET);
    m_lastOp = 0;
    m_state = StateSeekError;
    m_eof = true;
}

unsigned int KWOPackFile::GetPos() const
{
    return m_pos - m_start;
}

void KWOPackFile::Flush()
{
    if (m_file)
        std::fflush(m_file);
}

void KWOPackFile::SwitchTo(unsigned char op)
{
    if (m_lastOp != 0 && m_lastOp != op)
        std::fseek(m_file, static_cast<long>(m_pos), SEEK_SET);
    m_lastOp = op;
}

bool KWOPackFile::BeginLine()
{
    if (m_file == nullptr || m_pos >= m_end)
        return false;
    SwitchTo(kOpRead);
    return true;
}

bool KWOPackFile::NextLineByte(char& c)
{
    if (m_pos >= m_end)
        return false;
    int b = std::getc(m_file);
    if (b == EOF)
        return false;
    ++m_pos;
    c = static_cast<char>(b);
    return true;
}

void KWOPackFile::EndLine()
{
    UpdateEof();
}

unsigned int KWOPackFile::Transfer(unsigned int access, void* buffer, unsigned int count)
{
    if (!CanTransfer(access, m_file != nullptr, buffer, count, true))
        return 0;
    const bool reading = access == ModeRead;
    // Never past the window: a transfer cut there falls short.
    const unsigned int fits = static_cast<unsigned long long>(m_pos) + count > m_end
                                  ? (m_pos < m_end ? m_end - m_pos : 0)
                                  : count;
    size_t n = 0;
    if (fits)
    {
        SwitchTo(reading ? kOpRead : kOpWrite);
        n = reading ? std::fread(buffer, 1, fits, m_file) : std::fwrite(buffer, 1, fits, m_file);
    }
    m_pos += static_cast<unsigned int>(n);
    if (n < count)
        m_state = ShortState(access);
    UpdateEof();
    return static_cast<unsigned int>(n);
}

void KWOPackFile::PrintInfo() const
{
    KWO::LOG("PackFile info :\nFile  :%s\nName  : %s\nFILE* : %p\nMode  : %d (",
             m_path ? m_path : "(null)", m_name ? m_name : "(null)", static_cast<void*>(m_file),
             m_mode);
    KWO::LOG("%s)\nState : %d (", ModeText(m_mode), m_state);
    KWO::LOG("%s)\nStart : %d\nPos.  : %d\nEnd   : %d\nEOF   : %s\n", StateText(m_state),
             static_cast<int>(m_start), static_cast<int>(m_pos), static_cast<int>(m_end),
             m_eof ? "yes" : "no");
}
