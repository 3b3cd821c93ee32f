#include "audio/sample_format.h"

namespace kwo_audio
{
const char* FormatName(int format)
{
    switch (format)
    {
        case kFormatU8:
            return "8 bits unsigned";
        case kFormatS8:
            return "8 bits signed";
        case kFormatU16LSB:
            return "16 bits unsigned LSB";
        case kFormatU16MSB:
            return "16 bits unsigned MSB";
        case kFormatS16LSB:
            return "16 bits signed LSB";
        case kFormatS16MSB:
            return "16 bits signed MSB";
        default:
            return "unknown";
    }
}
} // namespace kwo_audio
