// A program that uses the installed library: reads a small picture from
// memory through a stream and prints its size ("4x2").
#include <KWOMedia/files/KWOMemFile.h>
#include <KWOMedia/graphics/KWOImage.h>

#include <cstdio>

// A 4 x 2 GIF with two colours.
static unsigned char kPicture[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x02,
                                   0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff,
                                   0xff, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02,
                                   0x00, 0x00, 0x02, 0x03, 0x44, 0x7c, 0x57, 0x00, 0x3b};

int main()
{
    KWOMemFile stream(sizeof(kPicture), KWOResFile::ModeRead, kPicture);
    KWOImage image(1, 1, 8);
    if (stream.GetState() != KWOResFile::StateOK || !image.Load(stream, 0))
        return 1;
    std::printf("%ux%u\n", image.Width(), image.Height());
    return 0;
}
