// GIF pictures: the reader.
// Not written yet: every entry point fails without touching the image.
#include "graphics/image_codecs.h"

bool GIFLoad(KWOResFile& /*f*/, unsigned char** /*pixels*/, unsigned int* /*width*/,
             unsigned int* /*height*/, KWOPal** /*palette*/, unsigned short* /*bpp*/)
{
    return false;
}
