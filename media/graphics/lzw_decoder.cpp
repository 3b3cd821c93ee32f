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

LZWDecoder::LZWDecoder(unsigned int minCodeSize, unsigned char* out, size_t count)
    : m_out(out), m_count(count), m_minCodeSize(minCodeSize),
      m_stopped(minCodeSize < 1 || minCodeSize > 8 || out == nullptr || count == 0),
      m_width(minCodeSize + 1), m_next((1u << (minCodeSize & 15)) + 2)
{
}

bool LZWDecoder::Feed(const unsigned char* data, size_t size)
{
    if (m_stopped)
        return false;
    // The state in locals: the output is written through a byte pointer,
    // which could alias the members and would make the compiler reload
    // them after every store.
    unsigned char* const out = m_out;
    const size_t count = m_count;
    const unsigned int clear = 1u << m_minCodeSize;
    const unsigned int end = clear + 1;
    const unsigned char* p = data;
    const unsigned char* const stop = data + size;
    uint64_t bits = m_bits;
    unsigned int bitCount = m_bitCount;
    unsigned int width = m_width;
    unsigned int next = m_next;
    bool havePrevious = m_havePrevious;
    size_t previousStart = m_previousStart;
    size_t previousLength = m_previousLength;
    size_t o = m_o;
    bool more = true; // false once decoding stops

    while (o < count)
    {
        if (bitCount < width)
        {
            if (stop - p >= 8)
            {
                // Load 8 bytes above the bits still held and count the
                // whole bytes that fit. The bytes cut off at the top are
                // loaded again next time at the same place, so whatever of
                // them stayed in the word is already right.
                uint64_t word = 0;
                for (unsigned int i = 0; i < 8; ++i)
                    word |= uint64_t(p[i]) << (8 * i);
                bits |= word << bitCount;
                const unsigned int take = (63 - bitCount) >> 3;
                p += take;
                bitCount += 8 * take;
            }
            else
            {
                while (bitCount <= 56 && p < stop)
                {
                    bits |= uint64_t(*p++) << bitCount;
                    bitCount += 8;
                }
                if (bitCount < width)
                    break; // the code goes on in the next piece
            }
        }
        const unsigned int code = static_cast<unsigned int>(bits & ((uint64_t(1) << width) - 1));
        bits >>= width;
        bitCount -= width;
        if (code == clear)
        {
            width = m_minCodeSize + 1;
            next = clear + 2;
            havePrevious = false;
            continue;
        }
        if (code == end)
        {
            more = false;
            break;
        }

        size_t n;
        const size_t room = count - o;
        if (code < clear)
        {
            out[o] = static_cast<unsigned char>(code);
            n = 1;
        }
        else if (code < next)
        {
            n = m_length[code];
            CopyString(out, m_start[code], o, n < room ? n : room, room);
        }
        else if (code == next && havePrevious)
        {
            n = previousLength + 1;
            CopyString(out, previousStart, o, n < room ? n : room, room);
        }
        else
        {
            more = false; // a code not defined yet: corrupt data
            break;
        }

        if (havePrevious && next < kTableSize)
        {
            m_start[next] = static_cast<uint32_t>(previousStart);
            m_length[next] = static_cast<uint16_t>(previousLength + 1);
            ++next;
            if (next == (1u << width) && width < kMaxCodeBits)
                ++width;
        }
        havePrevious = true;
        previousStart = o;
        previousLength = n;
        o += n < room ? n : room;
    }
    if (o >= count)
        more = false;

    m_bits = bits;
    m_bitCount = bitCount;
    m_width = width;
    m_next = next;
    m_havePrevious = havePrevious;
    m_previousStart = previousStart;
    m_previousLength = previousLength;
    m_o = o;
    m_stopped = !more;
    return more;
}
} // namespace kwo_codecs
