/// @class KWOVideoMode
/// KWOVideoMode: the display modes the video driver offers.
///
/// Creating it starts SDL video (through KWOSDLMgr). Mode lists are returned
/// as new[] arrays of VideoMode that the caller frees with delete[].
#ifndef KWOMEDIA_GRAPHICS_KWOVIDEOMODE_H
#define KWOMEDIA_GRAPHICS_KWOVIDEOMODE_H

#include "KWOExport.h"
#include "platform/KWOSDLMgr.h"

struct SDL_VideoInfo;

/// One display mode.
struct VideoMode
{
    unsigned width;
    unsigned height;
    unsigned bpp;
};

class KWO_API KWOVideoMode : public KWOSDLMgr
{
public:
    KWOVideoMode();
    ~KWOVideoMode() override;

    /// SDL's description of the video hardware (SDL_GetVideoInfo).
    const SDL_VideoInfo* VideoInfo() const;
    /// The modes SDL lists for `flags` (SDL video flags) at `bpp` bits per
    /// pixel, in SDL's order, in a new array in *out. Returns their number;
    /// 0 when there are none, -1 when any size is allowed (*out is then null).
    int GetModes(VideoMode** out, unsigned flags, unsigned bpp) const;
    /// The full-screen hardware modes at `bpp` bits, or with `bpp` 0 at 8,
    /// 16, 24 and 32 bits together, sorted from the largest (width, then
    /// height, then depth). -1 with no list when any size is allowed at some
    /// depth.
    int QueryModes(VideoMode** out, unsigned flags, unsigned bpp) const;

    /// Writes the full-screen modes of every depth to the log.
    void PrintInfo() const;
};

#endif
