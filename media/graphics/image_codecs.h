// The picture file codecs behind KWOImage::Load and KWOImage::Save. Internal:
// nothing outside the image class calls them.
//
// A reader receives the stream and the addresses of the image's pixel
// buffer, width, height, palette and depth. It checks that the stream's
// state is OK first, frees the old pixel buffer (FreePixels) before storing
// its own (NewPixels), and for 8-bit pictures with a colour table gives
// the image a palette of the table's size (ProvidePalette). Whatever it
// returns, *pixels is either null or a buffer of *height x *width x bytes
// per pixel of *bpp: a reader sets the three sizes together with the buffer.
// The caller recomputes the pitch and resets the clipping afterwards.
//
// A reader's cost follows its file, not its header: before allocating it
// checks the picture against the decoding limits (WithinDecodeLimits) and
// that the file can hold what the header promises, as far as the format
// lets it tell. The buffer is not cleared up front: the reader writes every
// byte of it, clearing what the data do not reach, also when it fails.
//
// A writer receives the stream and the image and returns true on success.
#ifndef KWOMEDIA_GRAPHICS_IMAGE_CODECS_H
#define KWOMEDIA_GRAPHICS_IMAGE_CODECS_H

#include "core/checked_size.h"
#include "graphics/KWOPal.h"

#include <cstdint>
#include <cstring>
#include <new>

class KWOImage;
class KWOResFile;

bool BMPLoad(KWOResFile& f, unsigned char** pixels, unsigned int* width, unsigned int* height,
             KWOPal** palette, unsigned short* bpp);
bool GIFLoad(KWOResFile& f, unsigned char** pixels, unsigned int* width, unsigned int* height,
             KWOPal** palette, unsigned short* bpp);
bool PCXLoad(KWOResFile& f, unsigned char** pixels, unsigned int* width, unsigned int* height,
             KWOPal** palette, unsigned short* bpp);
bool TGALoad(KWOResFile& f, unsigned char** pixels, unsigned int* width, unsigned int* height,
             KWOPal** palette, unsigned short* bpp);
// The glyph picture of a "KWOF" font file (load format 6).
bool KWOFPictureLoad(KWOResFile& f, unsigned char** pixels, unsigned int* width,
                     unsigned int* height, KWOPal** palette, unsigned short* bpp);

bool BMPSave(KWOResFile& f, const KWOImage& image);
bool PCXSave(KWOResFile& f, const KWOImage& image);
bool TGASave(KWOResFile& f, const KWOImage& image);
bool TGASaveRLE(KWOResFile& f, const KWOImage& image);

// True when a picture of width x height pixels is within the decoding
// limits of KWOImage (SetDecodeLimits); otherwise logs "<format>: ..." and
// returns false.
bool WithinDecodeLimits(const char* format, uint64_t width, uint64_t height);

// A pixel buffer of width x height x bytesPerPixel bytes, not cleared, or
// null when the size overflows, passes KWO::kMaxBufferBytes, is 0, or
// cannot be allocated. Pixel buffers of images are always new[] arrays.
inline unsigned char* NewPixels(uint64_t width, uint64_t height, uint64_t bytesPerPixel)
{
    uint32_t size;
    if (!KWO::BufferSize(width, height, bytesPerPixel, &size) || size == 0)
        return nullptr;
    return new (std::nothrow) unsigned char[size];
}

// The same buffer cleared to 0.
inline unsigned char* AllocPixels(uint64_t width, uint64_t height, uint64_t bytesPerPixel)
{
    uint32_t size;
    if (!KWO::BufferSize(width, height, bytesPerPixel, &size) || size == 0)
        return nullptr;
    return new (std::nothrow) unsigned char[size]();
}

// Clears rows first .. last - 1 of a buffer of rows of rowBytes bytes.
inline void ClearRows(unsigned char* pixels, size_t rowBytes, uint32_t first, uint32_t last)
{
    if (first < last)
        std::memset(pixels + first * rowBytes, 0, (last - first) * rowBytes);
}

// Frees an image's pixel buffer and sets the pointer to null.
inline void FreePixels(unsigned char** pixels)
{
    delete[] * pixels;
    *pixels = nullptr;
}

// Gives an image a palette of `count` entries: a new KWOPal(count) when it
// has none, Resize(count) of the existing one otherwise (which stops at
// KWOPal::MaxSize entries). Returns the palette, or null when it could not
// be allocated. Fill at most its Size() entries.
inline KWOPal* ProvidePalette(KWOPal** palette, unsigned int count)
{
    if (*palette == nullptr)
        *palette = new (std::nothrow) KWOPal(count);
    else
        (*palette)->Resize(count);
    return *palette;
}

#endif
