#include "files/KWOMemFile.h"

#include "core/KWOLog.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace
{
// The name of a stream opened without one; never freed.
char g_memoryName[] = "Memory file";
} // namespace

KWOMemFile::KWOMemFile(unsigned int size, unsigned int mode, unsigned char* data, bool ownData,
                       const char* name)
    : m_ownData(false), m_data(nullptr), m_size(0), m_pos(0)
{
    Open(size, mode, data, ownData, name);
}

KWOMemFile::~KWOMemFile()
{
    KWOMemFile::Close();
}

bool KWOMemFile::Open(unsigned int size, unsigned int mode, unsigned char* data, bool ownData,
                      const char* name)
{
    if (size == 0)
        return false;
    // Copy before closing: `name` may be this stream's own name. Reopening
    // over the block this stream holds must not free it.
    char* copy = KWOString::StringCopy(name);
    bool keepOwn = false;
    if (data != nullptr && data == m_data)
    {
        keepOwn = m_ownData;
        m_ownData = false;
    }
    Close();
    m_state = StateOK;
    m_mode = static_cast<unsigned char>(mode & 3);
    m_ownData = ownData || keepOwn;
    m_eof = false;
    m_size = size;
    if (data)
    {
        m_data = data;
    }
    else
    {
        m_data = new (std::nothrow) unsigned char[size];
        m_ownData = m_data != nullptr;
        if (m_data == nullptr)
        {
            delete[] copy;
            m_size = 0;
            m_state = StateOpenError;
            return false;
        }
    }
    if (mode & (ModeTruncate | ModeCreate))
        std::memset(m_data, 0, m_size);
    m_name = copy ? copy : g_memoryName;
    m_pos = 0;
    return true;
}

void KWOMemFile::Close()
{
    if (m_name != g_memoryName)
        delete[] m_name;
    m_name = nullptr;
    SetClosed();
    if (m_ownData)
        delete[] m_data;
    m_data = nullptr;
    m_ownData = false;
    m_size = 0;
    m_pos = 0;
}

bool KWOMemFile::Seek(int offset, int whence)
{
    if (m_data == nullptr)
        return false;
    long long target;
    if (whence == SEEK_CUR)
        target = static_cast<long long>(m_pos) + offset;
    else if (whence == SEEK_END)
        target = static_cast<long long>(m_size) + offset;
    else
        target = offset;
    if (target < 0 || target >= static_cast<long long>(m_size))
    {
        m_state = StateSeekError;
        return false;
    }
    m_state = StateOK;
    m_pos = static_cast<unsigned int>(target);
    m_eof = false;
    return true;
}

void KWOMemFile::SeekStart()
{
    if (m_data == nullptr)
        return;
    m_pos = 0;
    m_state = StateOK;
    m_eof = false;
}

void KWOMemFile::SeekEnd()
{
    if (m_data == nullptr)
        return;
    m_pos = m_size;
    m_state = StateSeekError;
    m_eof = true;
}

unsigned int KWOMemFile::GetPos() const
{
    return m_pos;
}

void KWOMemFile::Flush() {}

bool KWOMemFile::BeginLine()
{
    return m_data != nullptr;
}

bool KWOMemFile::NextLineByte(char& c)
{
    if (m_pos >= m_size)
        return false;
    c = static_cast<char>(m_data[m_pos++]);
    return true;
}

void KWOMemFile::EndLine()
{
    m_eof = m_pos >= m_size;
}

unsigned int KWOMemFile::Transfer(unsigned int access, void* buffer, unsigned int count)
{
    if (!CanTransfer(access, m_data != nullptr, buffer, count, true))
        return 0;
    if (static_cast<unsigned long long>(m_pos) + count > m_size)
    {
        m_state = ShortState(access);
        count = m_pos < m_size ? m_size - m_pos : 0;
    }
    if (count && access == ModeRead)
        std::memcpy(buffer, m_data + m_pos, count);
    else if (count)
        std::memmove(m_data + m_pos, buffer, count);
    m_pos += count;
    m_eof = m_pos >= m_size;
    return count;
}

void KWOMemFile::PrintInfo() const
{
    KWO::LOG("MemFile info:\nAddress: %p\nMode  : %d (", static_cast<void*>(m_data), m_mode);
    KWO::LOG("%s)\nState : %d (", ModeText(m_mode), m_state);
    KWO::LOG("%s)\nSize : %d\nPos.  : %d\nEOF   : %s\nOwn data: %s\n", StateText(m_state),
             static_cast<int>(m_size), static_cast<int>(m_pos), m_eof ? "yes" : "no",
             m_ownData ? "yes" : "no");
}
