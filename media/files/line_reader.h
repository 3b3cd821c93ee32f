// The line reading shared by the streams: both forms of GetLine run the same
// loop over a byte source (a callable `bool (char&)` that yields the next
// byte, false at the end of the data). The caller checks the stream's state
// beforehand and updates its end flag afterwards.
#ifndef KWOMEDIA_FILES_LINE_READER_H
#define KWOMEDIA_FILES_LINE_READER_H

#include "core/KWOString.h"

namespace kwo_files
{
// Reads into `buffer` (`max` bytes, terminator included) up to `end`, which
// is consumed and not stored. Returns the characters stored plus one, or 0
// when nothing could be read (the buffer is then untouched).
template <class GetByte>
unsigned int LineToBuffer(GetByte getByte, char* buffer, unsigned int max, char end)
{
    unsigned int stored = 0;
    bool readAny = false;
    char c;
    while (stored + 1 < max && getByte(c))
    {
        readAny = true;
        if (c == end)
            break;
        buffer[stored++] = c;
    }
    if (stored == 0 && !readAny)
        return 0;
    if (end == '\n' && stored > 0 && buffer[stored - 1] == '\r')
        --stored;
    buffer[stored] = 0;
    return stored + 1;
}

// Reads into `line` up to `end` or until `max` bytes were consumed. Returns
// the bytes consumed, the `end` byte and a dropped carriage return included.
template <class GetByte>
unsigned int LineToString(GetByte getByte, KWOString& line, unsigned int max, char end)
{
    line.m_length = 0;
    if (line.m_text)
        line.m_text[0] = 0;
    unsigned int consumed = 0;
    char c;
    while (consumed < max && getByte(c))
    {
        ++consumed;
        if (c == end)
            break;
        // Grow geometrically: one character at a time would copy a long
        // line over and over.
        if (line.m_text && line.m_length + 1 >= line.m_alloc && line.m_alloc < 0x40000000u)
            line.Allocate(line.m_alloc * 2, true);
        line += c;
    }
    if (end == '\n' && line.m_length > 0 && line.m_text[line.m_length - 1] == '\r')
        line.m_text[--line.m_length] = 0;
    return consumed;
}
} // namespace kwo_files

#endif
