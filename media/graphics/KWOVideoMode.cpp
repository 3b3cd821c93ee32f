#include "graphics/KWOVideoMode.h"

#include "core/KWOLog.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

KWOVideoMode::KWOVideoMode() : KWOSDLMgr(INIT_VIDEO) {}

KWOVideoMode::~KWOVideoMode() = default;

const SDL_VideoInfo* KWOVideoMode::VideoInfo() const
{
    return SDL_GetVideoInfo();
}

int KWOVideoMode::GetModes(VideoMode** out, unsigned flags, unsigned bpp) const
{
    if (out == nullptr)
        return 0;
    *out = nullptr;
    SDL_PixelFormat format;
    std::memset(&format, 0, sizeof format);
    format.BitsPerPixel = static_cast<Uint8>(bpp);
    SDL_Rect** modes = SDL_ListModes(&format, flags);
    if (modes == nullptr)
        return 0;
    if (modes == reinterpret_cast<SDL_Rect**>(-1))
        return -1;
    int count = 0;
    while (modes[count] != nullptr)
        ++count;
    if (count == 0)
        return 0;
    VideoMode* list = new (std::nothrow) VideoMode[size_t(count)];
    if (list == nullptr)
        return 0;
    for (int i = 0; i < count; ++i)
        list[i] = VideoMode{unsigned(modes[i]->w), unsigned(modes[i]->h), bpp};
    *out = list;
    return count;
}

int KWOVideoMode::QueryModes(VideoMode** out, unsigned flags, unsigned bpp) const
try
{
    if (out == nullptr)
        return 0;
    *out = nullptr;
    flags |= SDL_FULLSCREEN | SDL_HWSURFACE;
    if (bpp != 0)
        return GetModes(out, flags, bpp);

    std::vector<VideoMode> all;
    for (unsigned depth : {8u, 16u, 24u, 32u})
    {
        VideoMode* modes = nullptr;
        const int n = GetModes(&modes, flags, depth);
        if (n < 0)
            return -1;
        const std::unique_ptr<VideoMode[]> owned(modes);
        all.insert(all.end(), modes, modes + n);
    }
    if (all.empty())
        return 0;
    std::stable_sort(all.begin(), all.end(),
                     [](const VideoMode& a, const VideoMode& b)
                     {
                         if (a.width != b.width)
                             return a.width > b.width;
                         if (a.height != b.height)
                             return a.height > b.height;
                         return a.bpp > b.bpp;
                     });
    VideoMode* list = new (std::nothrow) VideoMode[all.size()];
    if (list == nullptr)
        return 0;
    std::copy(all.begin(), all.end(), list);
    *out = list;
    return int(all.size());
}
catch (const std::exception&)
{
    return 0;
}

void KWOVideoMode::PrintInfo() const
{
    VideoMode* modes = nullptr;
    const int n = QueryModes(&modes, 0, 0);
    if (n < 0)
        KWO::LOG("Video modes: any size\n");
    else
    {
        KWO::LOG("Video modes: %d\n", n);
        for (int i = 0; i < n; ++i)
            KWO::LOG("  %u x %u x %u\n", modes[i].width, modes[i].height, modes[i].bpp);
    }
    delete[] modes;
}
