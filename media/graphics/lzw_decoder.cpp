// LZW decoding for GIF.
//
// Every code of the table stands for a string that has already been written
// to the output once: the string of the previous code followed by the first
// byte of the code after it. So the table keeps, for each code, where its
// string starts in the output and how long it is, and a code is decoded by
// copying that many bytes from earlier output -- whole strings at once, no
// prefix chain walked byte by byte. The one code that is not yet in the
// output (the code being defined, "KwKwK") is the previous string plus its
// own first byte: the same copy, overlapping its own start.
#include "graphics/lzw_decoder.h"

#include <cstring>

namespace kwo_codecs
{
namespace
{
constexpr unsigned int kMaxCodeBits = 12;
constexpr unsigned int kTableSize = 1u << kMaxCodeBits;

// Reads codes least significant bit first from a byte array.
class BitReader
{
public:
    BitReader(const unsigned char* data, size_t size) : m_p(data), m_end(data + size) {}

    // The next code of `width` bits; false when the data run out.
    bool Read(unsigned int width, unsigned int* code)
    {
        if (m_count < width)
        {
            Refill();
            if (m_count < width)
                return false;
        }
        *code = static_cast<unsigned int>(m_bits & ((uint64_t(1) << width) - 1));
        m_bits >>= width;
        m_count -= width;
        return true;
    }

private:
    void Refill()
    {
        if (m_end - m_p >= 8)
        {
            // Load 8 bytes above the bits still held and count the whole
            // bytes that fit. The bytes cut off at the top are loaded again
            // next time at the same place, so whatever of them stayed in
            // the word is already right.
            uint64_t word = 0;
            for (unsigned int i = 0; i < 8; ++i)
                word |= uint64_t(m_p[i]) << (8 * i);
            m_bits |= word << m_count;
            const unsigned int take = (63 - m_count) >> 3;
            m_p += take;
            m_count += 8 * take;
            return;
        }
        while (m_count <= 56 && m_p < m_end)
        {
            m_bits |= uint64_t(*m_p++) << m_count;
            m_count += 8;
        }
    }

    const unsigned char* m_p;
    const unsigned char* m_end;
    uint64_t m_bits = 0;
    unsigned int m_count = 0;
};

// Copies n bytes from out[from] to out[to], from < to, front to back, so
// that a source overlapping the destination repeats itself. `room` is the
// number of bytes writable at `to` (at least n); with 8 spare bytes the copy
// goes by 8-byte words, which may write past the string: those bytes are
// overwritten by the strings that follow.
inline void CopyString(unsigned char* out, size_t from, size_t to, size_t n, size_t room)
{
    unsigned char* d = out + to;
    const unsigned char* s = out + from;
    const size_t distance = to - from;
    if (distance >= 8 && n + 8 <= room)
    {
        for (size_t i = 0; i < n; i += 8)
        {
            uint64_t w;
            std::memcpy(&w, s + i, 8);
            std::memcpy(d + i, &w, 8);
        }
        return;
    }
    if (distance >= n)
    {
        std::memcpy(d, s, n);
        return;
    }
    for (size_t i = 0; i < n; ++i)
        d[i] = s[i];
}
} // namespace

size_t LZWDecode(const unsigned char* data, size_t size, unsigned int minCodeSize,
                 unsigned char* out, size_t count)
{
    if (minCodeSize < 1 || minCodeSize > 8 || out == nullptr || count == 0)
        return 0;
    const unsigned int clear = 1u << minCodeSize;
    const unsigned int end = clear + 1;

    // Where each code's string starts in the output, and its length.
    uint32_t start[kTableSize];
    uint16_t length[kTableSize];

    BitReader bits(data, size);
    unsigned int width = minCodeSize + 1;
    unsigned int next = clear + 2; // the next free code
    bool havePrevious = false;     // false right after a clear code
    size_t previousStart = 0;
    size_t previousLength = 0;
    size_t o = 0;

    while (o < count)
    {
        unsigned int code;
        if (!bits.Read(width, &code))
            break;
        if (code == clear)
        {
            width = minCodeSize + 1;
            next = clear + 2;
            havePrevious = false;
            continue;
        }
        if (code == end)
            break;

        size_t n;
        const size_t room = count - o;
        if (code < clear)
        {
            out[o] = static_cast<unsigned char>(code);
            n = 1;
        }
        else if (code < next)
        {
            n = length[code];
            CopyString(out, start[code], o, n < room ? n : room, room);
        }
        else if (code == next && havePrevious)
        {
            n = previousLength + 1;
            CopyString(out, previousStart, o, n < room ? n : room, room);
        }
        else
        {
            break; // a code not defined yet: corrupt data
        }

        if (havePrevious && next < kTableSize)
        {
            start[next] = static_cast<uint32_t>(previousStart);
            length[next] = static_cast<uint16_t>(previousLength + 1);
            ++next;
            if (next == (1u << width) && width < kMaxCodeBits)
                ++width;
        }
        havePrevious = true;
        previousStart = o;
        previousLength = n;
        o += n < room ? n : room;
    }
    return o;
}
} // namespace kwo_codecs
