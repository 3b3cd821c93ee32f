// Stream helpers shared by the picture codecs: a buffered byte source for
// the byte-by-byte parts of the formats (run-length data, palette scans),
// seeks relative to where a picture starts, and a writer of zero bytes.
#ifndef KWOMEDIA_GRAPHICS_CODEC_STREAM_H
#define KWOMEDIA_GRAPHICS_CODEC_STREAM_H

#include "files/KWOResFile.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace kwo_codecs
{
// Reads a stream in blocks and hands the bytes out one by one, without a
// virtual call per byte. The bytes fetched but not used are given back to
// the stream (a seek backwards) by GiveBack or the destructor, so the stream
// ends up just after the last byte used.
class ByteSource
{
public:
    explicit ByteSource(KWOResFile& f) : m_file(f), m_pos(0), m_len(0) {}
    ~ByteSource() { GiveBack(); }
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // The next byte; false at the end of the stream (or after a read error).
    bool Next(unsigned char& b)
    {
        if (m_pos == m_len && !Fill())
            return false;
        b = m_buf[m_pos++];
        return true;
    }

    // Copies up to n bytes to dst; returns how many were available.
    uint32_t Take(unsigned char* dst, uint32_t n)
    {
        uint32_t done = 0;
        while (done < n)
        {
            if (m_pos == m_len && !Fill())
                break;
            uint32_t chunk = m_len - m_pos;
            if (chunk > n - done)
                chunk = n - done;
            std::memcpy(dst + done, m_buf + m_pos, chunk);
            m_pos += chunk;
            done += chunk;
        }
        return done;
    }

    // Moves the stream back over the bytes fetched but not used.
    void GiveBack()
    {
        if (m_len > m_pos)
            m_file.Seek(-static_cast<int>(m_len - m_pos), 1);
        m_pos = m_len = 0;
    }

private:
    bool Fill()
    {
        m_pos = 0;
        m_len = m_file.Read(m_buf, sizeof m_buf);
        return m_len > 0;
    }

    KWOResFile& m_file;
    unsigned char m_buf[4096];
    uint32_t m_pos;
    uint32_t m_len;
};

// Seeks to `offset` bytes after `base` (an earlier stream position); false
// when the target is out of the stream's reach.
inline bool SeekFrom(KWOResFile& f, uint32_t base, uint64_t offset)
{
    const uint64_t target = uint64_t(base) + offset;
    if (target > uint64_t(INT_MAX))
        return false;
    return f.Seek(static_cast<int>(target), 0);
}

// True when the reads since stream position `from` took exactly n bytes.
// The fixed-width helpers give 0 for a short read (a value a field may hold)
// and a memory stream at its end refuses reads without changing its state,
// so a header read with them is checked by the distance the stream moved.
inline bool MovedBy(const KWOResFile& f, uint32_t from, uint32_t n)
{
    return f.GetState() == KWOResFile::StateOK && f.GetPos() - from == n;
}

// The bytes from the current position to the end of the stream, so that a
// header announcing more pixel data than the file holds is refused before
// its buffer is allocated. The position is kept; 0 when it cannot be.
inline uint32_t BytesLeft(KWOResFile& f)
{
    const uint32_t pos = f.GetPos();
    f.SeekEnd();
    const uint32_t end = f.GetPos();
    if (pos >= end || pos > uint32_t(INT_MAX) || !f.Seek(static_cast<int>(pos), 0))
        return 0;
    return end - pos;
}

// Writes n zero bytes; true when all were written.
inline bool WriteZeros(KWOResFile& f, uint32_t n)
{
    static const unsigned char zeros[64] = {};
    while (n > 0)
    {
        const uint32_t chunk = n < sizeof zeros ? n : static_cast<uint32_t>(sizeof zeros);
        if (f.Write(zeros, chunk) != chunk)
            return false;
        n -= chunk;
    }
    return true;
}
} // namespace kwo_codecs

#endif
