#include "core/KWOString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace
{
char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsAlnumAscii(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Rounds up to a multiple of 4; 0 when the result does not fit 32 bits.
unsigned RoundUp4(unsigned long long size)
{
    unsigned long long r = (size + 3) & ~3ull;
    return r > 0xFFFFFFFCull ? 0 : static_cast<unsigned>(r);
}

char* NewBuffer(unsigned size)
{
    return size ? new (std::nothrow) char[size] : nullptr;
}
} // namespace

KWOString::KWOString(const char* text) : m_text(nullptr), m_alloc(0), m_length(0)
{
    if (text)
        ChangeText(text, 0, NPOS);
}

KWOString::KWOString(unsigned n, const char* text) : m_text(nullptr), m_alloc(0), m_length(0)
{
    if (text)
        ChangeText(text, 0, n);
    else if (n < NPOS)
        Allocate(n + 1, true);
}

KWOString::KWOString(const KWOString& other) : m_text(nullptr), m_alloc(0), m_length(0)
{
    if (other.m_text)
    {
        m_text = NewBuffer(other.m_alloc);
        if (m_text)
        {
            std::memcpy(m_text, other.m_text, other.m_length + 1);
            m_alloc = other.m_alloc;
            m_length = other.m_length;
        }
    }
}

KWOString::~KWOString()
{
    delete[] m_text;
}

KWOString& KWOString::operator=(const KWOString& other)
{
    if (this == &other)
        return *this;
    if (other.m_text == nullptr)
        return *this = static_cast<const char*>(nullptr);
    ChangeText(other.m_text, 0, NPOS);
    return *this;
}

KWOString& KWOString::operator=(const char* text)
{
    if (text != nullptr && text == m_text)
        return *this;
    if (text == nullptr)
    {
        delete[] m_text;
        m_text = nullptr;
        m_alloc = 0;
        m_length = 0;
        return *this;
    }
    ChangeText(text, 0, NPOS);
    return *this;
}

KWOString& KWOString::operator+=(char c)
{
    Insert(c, m_length);
    return *this;
}

KWOString& KWOString::operator+=(const KWOString& other)
{
    if (other.m_text)
        Insert(other.m_text, m_length);
    return *this;
}

KWOString& KWOString::operator+=(const char* text)
{
    Insert(text, m_length);
    return *this;
}

void KWOString::Allocate(unsigned size, bool keep)
{
    if (size < m_alloc)
        return;
    unsigned newSize = RoundUp4(size == 0 ? 1 : size);
    char* buffer = NewBuffer(newSize);
    if (buffer == nullptr)
        return; // out of memory or impossible size: the string stays as it is
    if (keep && m_text && m_length)
    {
        std::memcpy(buffer, m_text, m_length + 1);
    }
    else
    {
        buffer[0] = 0;
        m_length = 0;
    }
    delete[] m_text;
    m_text = buffer;
    m_alloc = newSize;
}

bool KWOString::Overlaps(const char* p) const
{
    return m_text && p >= m_text && p < m_text + m_alloc;
}

void KWOString::ChangeText(const char* text, unsigned from, unsigned len)
{
    if (len == 0)
        return;
    size_t available = text ? std::strlen(text) : 0;
    if (from >= available)
    {
        // An empty source, or a start at or past its end: the string empties.
        m_length = 0;
        if (m_text)
            m_text[0] = 0;
        return;
    }
    available -= from;
    if (len > available)
        len = static_cast<unsigned>(available);
    const char* src = text + from;
    if (len >= m_alloc)
    {
        // Build the new buffer before freeing the old one: `text` may lie in it.
        unsigned newSize = RoundUp4(static_cast<unsigned long long>(len) + 1);
        char* buffer = NewBuffer(newSize);
        if (buffer == nullptr)
            return;
        std::memcpy(buffer, src, len);
        buffer[len] = 0;
        delete[] m_text;
        m_text = buffer;
        m_alloc = newSize;
    }
    else
    {
        std::memmove(m_text, src, len);
        m_text[len] = 0;
    }
    m_length = len;
}

void KWOString::Fill(char c, unsigned from, unsigned count)
{
    if (count == 0)
        return;
    if (count == NPOS)
    {
        if (from >= m_length)
            return;
        count = m_length - from;
    }
    unsigned long long end = static_cast<unsigned long long>(from) + count;
    if (end >= NPOS - 4)
        return; // no string of that size can exist
    unsigned oldLength = m_text ? m_length : 0;
    if (end > oldLength)
    {
        Allocate(static_cast<unsigned>(end) + 1, true);
        if (m_alloc <= end)
            return;
        if (from > oldLength)
            std::memset(m_text + oldLength, ' ', from - oldLength);
        m_text[end] = 0;
        m_length = static_cast<unsigned>(end);
    }
    std::memset(m_text + from, c, count);
}

void KWOString::Insert(const char* text, unsigned pos)
{
    if (text == nullptr || text[0] == 0)
        return;
    if (Overlaps(text))
    {
        // Inserting part of ourselves: work on a copy, the buffer moves.
        std::unique_ptr<char[]> copy(StringCopy(text));
        if (copy)
            Insert(copy.get(), pos);
        return;
    }
    if (m_length == 0 || m_text == nullptr)
    {
        ChangeText(text, 0, NPOS);
        return;
    }
    if (pos > m_length)
        pos = m_length;
    size_t n = std::strlen(text);
    if (m_length + static_cast<unsigned long long>(n) < m_alloc)
    {
        std::memmove(m_text + pos + n, m_text + pos, m_length - pos + 1);
        std::memcpy(m_text + pos, text, n);
    }
    else
    {
        unsigned long long grow = n > 10 ? n : 10;
        unsigned newSize = RoundUp4(m_alloc + grow);
        char* buffer = NewBuffer(newSize);
        if (buffer == nullptr)
            return;
        std::memcpy(buffer, m_text, pos);
        std::memcpy(buffer + pos, text, n);
        std::memcpy(buffer + pos + n, m_text + pos, m_length - pos + 1);
        delete[] m_text;
        m_text = buffer;
        m_alloc = newSize;
    }
    m_length += static_cast<unsigned>(n);
}

void KWOString::Insert(char c, unsigned pos)
{
    const char text[2] = {c, 0};
    Insert(text, pos);
}

void KWOString::Delete(unsigned from, unsigned count)
{
    if (m_length == 0 || from >= m_length)
        return;
    if (count >= m_length - from)
    {
        m_text[from] = 0;
        m_length = from;
        return;
    }
    std::memmove(m_text + from, m_text + from + count, m_length - from - count + 1);
    m_length -= count;
}

unsigned KWOString::KillWord(unsigned pos)
{
    if (pos >= m_length)
        return 0;
    unsigned end = pos;
    while (end < m_length && !IsAlnumAscii(m_text[end]))
        ++end;
    while (end < m_length && IsAlnumAscii(m_text[end]))
        ++end;
    unsigned removed = end - pos;
    Delete(pos, removed);
    return removed;
}

int KWOString::Replace(char from, char to)
{
    if (from == 0 || to == 0)
        return 0;
    int count = 0;
    for (unsigned i = 0; i < m_length; ++i)
    {
        if (m_text[i] == from)
        {
            m_text[i] = to;
            ++count;
        }
    }
    return count;
}

void KWOString::LowerCase()
{
    for (unsigned i = 0; i < m_length; ++i)
        m_text[i] = LowerAscii(m_text[i]);
}

void KWOString::UpperCase()
{
    for (unsigned i = 0; i < m_length; ++i)
        m_text[i] = UpperAscii(m_text[i]);
}

void KWOString::Obfuscate()
{
    for (unsigned i = 0; i < m_length; ++i)
        m_text[i] = static_cast<char>(~static_cast<unsigned char>(m_text[i]));
}

void KWOString::MakeFilename()
{
    if (m_length == 0)
        return;
    unsigned size = static_cast<unsigned>((static_cast<unsigned long long>(m_length) + 4) & ~3ull);
    char* buffer = NewBuffer(size);
    if (buffer == nullptr)
        return;
    unsigned kept = 0;
    for (unsigned i = 0; i < m_length; ++i)
    {
        char c = m_text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\' || c == '/')
            buffer[kept++] = '_';
        else if (IsAlnumAscii(c) || c == '-' || c == '.' || c == '@' || c == '_')
            buffer[kept++] = c;
    }
    buffer[kept] = 0;
    delete[] m_text;
    m_text = buffer;
    m_alloc = size;
    m_length = kept;
}

KWOString& KWOString::Format(const char* format, ...)
{
    if (format == nullptr || format[0] == 0)
        return *this;
    if (m_text == nullptr)
        Allocate(4, false);
    if (m_text == nullptr)
        return *this;

    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int r = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (r < 0)
    {
        // The formatter refused the format (no amount of room helps).
        va_end(args);
        m_length = 0;
        m_text[0] = 0;
        return *this;
    }
    // Format into a fresh buffer: an argument may point into our own text.
    unsigned size = static_cast<unsigned>(r) >= m_alloc
                        ? RoundUp4(static_cast<unsigned long long>(r) + 1)
                        : m_alloc;
    char* buffer = NewBuffer(size);
    if (buffer == nullptr)
    {
        va_end(args);
        return *this;
    }
    std::vsnprintf(buffer, size, format, args);
    va_end(args);
    delete[] m_text;
    m_text = buffer;
    m_alloc = size;
    m_length = static_cast<unsigned>(r);
    return *this;
}

int KWOString::CompareN(const char* text, unsigned count, unsigned pos, bool caseSensitive) const
{
    const char* a = m_text ? m_text + pos : "";
    const char* b = text ? text : "";
    for (unsigned i = 0; i < count; ++i)
    {
        unsigned char ca = static_cast<unsigned char>(caseSensitive ? a[i] : LowerAscii(a[i]));
        unsigned char cb = static_cast<unsigned char>(caseSensitive ? b[i] : LowerAscii(b[i]));
        if (ca != cb)
            return static_cast<int>(ca) - static_cast<int>(cb);
        if (ca == 0)
            break;
    }
    return 0;
}

int KWOString::Compare(const char* text, bool caseSensitive, unsigned count, unsigned pos) const
{
    if (m_length == 0)
        return CompareN(text, count, 0, caseSensitive); // the empty text against `text`
    if (count > m_length + 1)
        count = m_length + 1;
    if (pos >= m_length)
        pos = m_length - 1;
    return CompareN(text, count, pos, caseSensitive);
}

unsigned KWOString::Find(char c, unsigned from, bool caseSensitive) const
{
    if (from >= m_length)
        return NPOS;
    char lc = LowerAscii(c);
    for (unsigned i = from; i < m_length; ++i)
    {
        if (caseSensitive ? m_text[i] == c : LowerAscii(m_text[i]) == lc)
            return i;
    }
    return NPOS;
}

unsigned KWOString::RFind(char c, unsigned from, bool caseSensitive) const
{
    if (m_length == 0)
        return NPOS;
    if (from >= m_length)
        from = m_length - 1;
    char lc = LowerAscii(c);
    for (unsigned i = from + 1; i-- > 0;)
    {
        if (caseSensitive ? m_text[i] == c : LowerAscii(m_text[i]) == lc)
            return i;
    }
    return NPOS;
}

unsigned KWOString::FindPattern(const char* s, unsigned n, unsigned from, bool caseSensitive) const
{
    if (from >= m_length || s == nullptr || n == 0 || n > m_length)
        return NPOS;
    for (unsigned i = from; i <= m_length - n; ++i)
    {
        if (CompareN(s, n, i, caseSensitive) == 0)
            return i;
    }
    return NPOS;
}

unsigned KWOString::RFindPattern(const char* s, unsigned n, unsigned from, bool caseSensitive) const
{
    if (m_length == 0 || s == nullptr || n == 0 || n > m_length)
        return NPOS;
    if (from >= m_length)
        from = m_length - 1;
    if (static_cast<unsigned long long>(from) + n >= m_length)
        from = m_length - n;
    for (unsigned i = from + 1; i-- > 0;)
    {
        if (CompareN(s, n, i, caseSensitive) == 0)
            return i;
    }
    return NPOS;
}

unsigned KWOString::Find(const char* s, unsigned from, bool caseSensitive) const
{
    return FindPattern(s, s ? static_cast<unsigned>(std::strlen(s)) : 0, from, caseSensitive);
}

unsigned KWOString::Find(const KWOString& s, unsigned from, bool caseSensitive) const
{
    return FindPattern(s.m_text, s.m_length, from, caseSensitive);
}

unsigned KWOString::RFind(const char* s, unsigned from, bool caseSensitive) const
{
    return RFindPattern(s, s ? static_cast<unsigned>(std::strlen(s)) : 0, from, caseSensitive);
}

unsigned KWOString::RFind(const KWOString& s, unsigned from, bool caseSensitive) const
{
    return RFindPattern(s.m_text, s.m_length, from, caseSensitive);
}

void KWOString::PrintInfo() const
{
    KWO::LOG("KWOString(%d/%d): %s\n", static_cast<int>(m_length), static_cast<int>(m_alloc),
             m_text ? m_text : "");
}

char* KWOString::StringCopy(const char* src, unsigned from, unsigned n)
{
    if (src == nullptr || src[0] == 0 || n == 0)
        return nullptr;
    size_t available = std::strlen(src);
    // A start at the very end copies nothing: a new empty string. Only a
    // start past the end has nothing to point at.
    if (from > available)
        return nullptr;
    available -= from;
    if (n > available)
        n = static_cast<unsigned>(available);
    char* copy = new (std::nothrow) char[static_cast<size_t>(n) + 1];
    if (copy == nullptr)
        return nullptr;
    std::memcpy(copy, src + from, n);
    copy[n] = 0;
    return copy;
}
