// The variable-width LZW decoding of GIF image data.
#ifndef KWOMEDIA_GRAPHICS_LZW_DECODER_H
#define KWOMEDIA_GRAPHICS_LZW_DECODER_H

#include <cstddef>
#include <cstdint>

namespace kwo_codecs
{
// Decodes the LZW codes of one image (codes packed least significant bit
// first) into out[0 .. count). The data come in pieces of any size, in
// order (the image's data sub-blocks, several at a time): a code cut by the
// end of a piece is completed by the next one, so no copy of the whole data
// is needed. Decoding stops at the end code, when `out` is full, or at an
// invalid code. Bytes of `out` past Decoded() are left as they are.
class LZWDecoder
{
public:
    // minCodeSize is the code size byte of the image, 1 to 8 (any other
    // value decodes nothing).
    LZWDecoder(unsigned int minCodeSize, unsigned char* out, size_t count);
    LZWDecoder(const LZWDecoder&) = delete;
    LZWDecoder& operator=(const LZWDecoder&) = delete;

    // Decodes the codes of the next piece of data. False once decoding has
    // stopped: the rest of the data is not needed.
    bool Feed(const unsigned char* data, size_t size);
    // The number of bytes written to `out` so far.
    size_t Decoded() const { return m_o; }

private:
    static constexpr unsigned int kTableSize = 1u << 12;

    unsigned char* m_out;
    size_t m_count;
    unsigned int m_minCodeSize;
    bool m_stopped;
    // Bits read from the data but not used yet, lowest first.
    uint64_t m_bits = 0;
    unsigned int m_bitCount = 0;
    // The decoding state.
    unsigned int m_width = 0;
    unsigned int m_next = 0;
    bool m_havePrevious = false;
    size_t m_previousStart = 0;
    size_t m_previousLength = 0;
    size_t m_o = 0;
    // Where each code's string starts in the output, and its length.
    uint32_t m_start[kTableSize];
    uint16_t m_length[kTableSize];
};
} // namespace kwo_codecs

#endif
