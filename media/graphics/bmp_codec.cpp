// BMP pictures: the reader and the writer.
// Not written yet: every entry point fails without touching the image.
#include "graphics/image_codecs.h"

bool BMPLoad(KWOResFile& /*f*/, unsigned char** /*pixels*/, unsigned int* /*width*/,
             unsigned int* /*height*/, KWOPal** /*palette*/, unsigned short* /*bpp*/)
{
    return false;
}

bool BMPSave(KWOResFile& /*f*/, const KWOImage& /*image*/)
{
    return false;
}
