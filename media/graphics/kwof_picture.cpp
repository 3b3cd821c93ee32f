// The glyph picture of a "KWOF" font file, read as a plain picture.
// Not written yet: fails without touching the image.
#include "graphics/image_codecs.h"

bool KWOFPictureLoad(KWOResFile& /*f*/, unsigned char** /*pixels*/, unsigned int* /*width*/,
                     unsigned int* /*height*/, KWOPal** /*palette*/, unsigned short* /*bpp*/)
{
    return false;
}
