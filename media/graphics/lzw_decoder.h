// The variable-width LZW decoding of GIF image data.
#ifndef KWOMEDIA_GRAPHICS_LZW_DECODER_H
#define KWOMEDIA_GRAPHICS_LZW_DECODER_H

#include <cstddef>
#include <cstdint>

namespace kwo_codecs
{
// Decodes the LZW codes in data[0 .. size) (the image's data sub-blocks put
// end to end; codes are packed least significant bit first) into
// out[0 .. count). minCodeSize is the code size byte of the image, 1 to 8.
// Decoding stops at the end code, at the end of the data, when `out` is
// full, or at an invalid code. Returns the number of bytes written.
size_t LZWDecode(const unsigned char* data, size_t size, unsigned int minCodeSize,
                 unsigned char* out, size_t count);
} // namespace kwo_codecs

#endif
