#include "graphics/KWOImage.h"

#include "core/KWOLog.h"
#include "files/KWOResFile.h"
#include "graphics/KWOPal.h"
#include "graphics/canvas.h"
#include "graphics/image_codecs.h"

#include <algorithm>
#include <atomic>
#include <cstring>

using namespace kwo_pixels;

// ---- decoding limits ------------------------------------------------------------

namespace
{
std::atomic<unsigned int> g_maxDecodeWidth{KWOImage::DefaultMaxDecodeSide};
std::atomic<unsigned int> g_maxDecodeHeight{KWOImage::DefaultMaxDecodeSide};
std::atomic<unsigned int> g_maxDecodePixels{KWOImage::DefaultMaxDecodePixels};
} // namespace

void KWOImage::SetDecodeLimits(unsigned int maxWidth, unsigned int maxHeight,
                               unsigned int maxPixels)
{
    g_maxDecodeWidth.store(maxWidth, std::memory_order_relaxed);
    g_maxDecodeHeight.store(maxHeight, std::memory_order_relaxed);
    g_maxDecodePixels.store(maxPixels, std::memory_order_relaxed);
}

unsigned int KWOImage::MaxDecodeWidth()
{
    return g_maxDecodeWidth.load(std::memory_order_relaxed);
}

unsigned int KWOImage::MaxDecodeHeight()
{
    return g_maxDecodeHeight.load(std::memory_order_relaxed);
}

unsigned int KWOImage::MaxDecodePixels()
{
    return g_maxDecodePixels.load(std::memory_order_relaxed);
}

bool WithinDecodeLimits(const char* format, uint64_t width, uint64_t height)
{
    const unsigned int maxWidth = KWOImage::MaxDecodeWidth();
    const unsigned int maxHeight = KWOImage::MaxDecodeHeight();
    const unsigned int maxPixels = KWOImage::MaxDecodePixels();
    if (width <= maxWidth && height <= maxHeight && width * height <= maxPixels)
        return true;
    KWO::LOG("%s: picture of %llu x %llu pixels is over the decoding limits (%u x %u, %u "
             "pixels)\n",
             format, static_cast<unsigned long long>(width),
             static_cast<unsigned long long>(height), maxWidth, maxHeight, maxPixels);
    return false;
}

// ---- construction ------------------------------------------------------------

KWOImage::KWOImage(unsigned int width, unsigned int height, unsigned int bpp)
    : m_width(width), m_height(height), m_xmin(0), m_xmax(0), m_ymin(0), m_ymax(0),
      m_pixels(nullptr), m_palette(nullptr), m_pitch(0), m_bpp(static_cast<unsigned short>(bpp))
{
    if (width == 0 || height == 0)
        return;
    m_pixels = AllocPixels(width, height, BytesPerPixel());
    if (m_pixels == nullptr)
        return;
    m_pitch = width * BytesPerPixel();
    StopClipping();
}

KWOImage::KWOImage(const KWOImage* other)
    : m_width(0), m_height(0), m_xmin(0), m_xmax(0), m_ymin(0), m_ymax(0), m_pixels(nullptr),
      m_palette(nullptr), m_pitch(0), m_bpp(0)
{
    if (other == nullptr)
        return;
    m_width = other->m_width;
    m_height = other->m_height;
    m_bpp = other->m_bpp;
    if (other->m_pixels != nullptr)
    {
        const size_t size = size_t(other->m_height) * other->m_pitch;
        m_pixels = new (std::nothrow) unsigned char[size];
        if (m_pixels != nullptr)
        {
            std::memcpy(m_pixels, other->m_pixels, size);
            m_pitch = other->m_pitch;
            m_xmin = other->m_xmin;
            m_xmax = other->m_xmax;
            m_ymin = other->m_ymin;
            m_ymax = other->m_ymax;
        }
    }
    if (other->m_palette != nullptr)
        m_palette = new (std::nothrow) KWOPal(other->m_palette);
}

KWOImage::~KWOImage()
{
    delete[] m_pixels;
    delete m_palette;
}

void KWOImage::FreePixels()
{
    ::FreePixels(&m_pixels);
    m_pitch = 0;
}

// ---- palette -------------------------------------------------------------------

void KWOImage::SetPalette(KWOPal* pal, unsigned int first, unsigned int count)
{
    if (m_bpp != 8 || pal == nullptr || count == 0)
        return;
    const uint64_t end = uint64_t(first) + count;
    // Never more than the largest palette, whatever the arguments say.
    const unsigned int want = static_cast<unsigned int>(std::min<uint64_t>(end, KWOPal::MaxSize));
    if (m_palette == nullptr)
    {
        m_palette = new (std::nothrow) KWOPal(want);
        if (m_palette == nullptr)
            return;
    }
    else if (m_palette->Size() < want)
        m_palette->Resize(want);
    const uint64_t stop = std::min<uint64_t>(end, m_palette->Size());
    KWOColor* to = m_palette->Entries();
    const KWOColor* from = pal->Entries();
    for (uint64_t i = first; i < stop; ++i)
        to[i] = i < pal->Size() ? from[i] : KWOColor{0, 0, 0, 0};
}

void KWOImage::ReplacePalette(KWOPal* pal)
{
    if (m_bpp != 8)
        return;
    if (pal != m_palette)
        delete m_palette;
    m_palette = pal;
}

// ---- clipping ------------------------------------------------------------------

void KWOImage::SetClipping(int x1, int y1, int x2, int y2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::max(x2, 0);
    y2 = std::max(y2, 0);
    if (m_pixels == nullptr || unsigned(x1) >= m_width || unsigned(y1) >= m_height)
        return;
    x2 = static_cast<int>(std::min<int64_t>(x2, int64_t(m_width) - 1));
    y2 = static_cast<int>(std::min<int64_t>(y2, int64_t(m_height) - 1));
    m_xmin = x1;
    m_xmax = x2;
    m_ymin = y1;
    m_ymax = y2;
}

bool KWOImage::IsClipping() const
{
    if (m_pixels == nullptr)
        return m_xmin != 0 || m_xmax != 0 || m_ymin != 0 || m_ymax != 0;
    return m_xmin != 0 || m_ymin != 0 || int64_t(m_xmax) != int64_t(m_width) - 1 ||
           int64_t(m_ymax) != int64_t(m_height) - 1;
}

void KWOImage::StopClipping()
{
    m_xmin = 0;
    m_ymin = 0;
    // A picture with pixels is never larger than kMaxBufferBytes, so its
    // sides fit in an int.
    m_xmax = m_pixels != nullptr && m_width > 0 ? static_cast<int>(m_width - 1) : 0;
    m_ymax = m_pixels != nullptr && m_height > 0 ? static_cast<int>(m_height - 1) : 0;
}

// ---- drawing -------------------------------------------------------------------
// Every operation draws through the image's canvas (canvas.h), the code the
// screen draws with too.

unsigned int KWOImage::GetPixel(int x, int y) const
{
    return CanvasOf(*this).Get(x, y);
}

void KWOImage::HLine(int x, int y, unsigned int length, unsigned int colour, DrawMode mode)
{
    CanvasOf(*this).Span(x, y, length, colour, mode != DrawNormal);
}

void KWOImage::VLine(int x, int y, unsigned int length, unsigned int colour, DrawMode mode)
{
    CanvasOf(*this).Column(x, y, length, colour, mode != DrawNormal);
}

void KWOImage::Line(int x1, int y1, int x2, int y2, unsigned int colour, DrawMode mode)
{
    CanvasOf(*this).Line(x1, y1, x2, y2, colour, mode != DrawNormal);
}

void KWOImage::Frame(int x, int y, unsigned int w, unsigned int h, unsigned int colour,
                     DrawMode mode)
{
    CanvasOf(*this).Frame(x, y, w, h, colour, mode != DrawNormal);
}

void KWOImage::Rectangle(int x, int y, unsigned int w, unsigned int h, unsigned int colour,
                         DrawMode mode)
{
    CanvasOf(*this).Fill(x, y, w, h, colour, mode != DrawNormal);
}

void KWOImage::Gradient(int x, int y, unsigned int w, unsigned int h, unsigned int colour1,
                        unsigned int colour2, int direction, DrawMode mode)
{
    if (colour1 == colour2)
        Rectangle(x, y, w, h, colour1, mode);
    else if (mode == DrawNormal)
        CanvasOf(*this).Gradient(x, y, w, h, colour1, colour2, direction);
}

void KWOImage::Circle(int cx, int cy, int r, unsigned int colour, DrawMode mode)
{
    CanvasOf(*this).Circle(cx, cy, r, colour, mode != DrawNormal);
}

void KWOImage::Disk(int cx, int cy, int r, unsigned int colour, DrawMode mode)
{
    CanvasOf(*this).Disk(cx, cy, r, colour, mode != DrawNormal);
}

void KWOImage::CopyImage(int dx, int dy, KWOImage* src, int sx, int sy, unsigned int w,
                         unsigned int h)
{
    if (src != nullptr)
        CanvasOf(*this).Copy(dx, dy, CanvasOf(*src), sx, sy, w, h);
}

void KWOImage::TCopyImage(int dx, int dy, unsigned int key, KWOImage* src, int sx, int sy,
                          unsigned int w, unsigned int h)
{
    if (src != nullptr)
        CanvasOf(*this).KeyedCopy(dx, dy, key, CanvasOf(*src), sx, sy, w, h);
}

void KWOImage::MoveInside(int sx, int sy, unsigned int w, unsigned int h, int dx, int dy)
{
    const Canvas canvas = CanvasOf(*this);
    canvas.Copy(dx, dy, canvas, sx, sy, w, h);
}

void KWOImage::VFlip()
{
    if (m_pixels == nullptr)
        return;
    for (unsigned int top = 0, bottom = m_height - 1; top < bottom; ++top, --bottom)
    {
        unsigned char* a = m_pixels + size_t(top) * m_pitch;
        std::swap_ranges(a, a + m_pitch, m_pixels + size_t(bottom) * m_pitch);
    }
}

// ---- size and depth ------------------------------------------------------------

bool KWOImage::Resize(unsigned int w, unsigned int h)
{
    if (w == 0 || h == 0)
        return false;
    const unsigned int bytes = BytesPerPixel();
    unsigned char* pixels = AllocPixels(w, h, bytes);
    if (pixels == nullptr)
        return false;
    const unsigned int pitch = w * bytes;
    if (m_pixels != nullptr)
    {
        // The new buffer is cleared: only the common top-left part is copied.
        const size_t rowBytes = size_t(std::min(m_width, w)) * bytes;
        const unsigned int rows = std::min(m_height, h);
        for (unsigned int i = 0; i < rows; ++i)
            std::memcpy(pixels + size_t(i) * pitch, m_pixels + size_t(i) * m_pitch, rowBytes);
        delete[] m_pixels;
    }
    m_pixels = pixels;
    m_width = w;
    m_height = h;
    m_pitch = pitch;
    StopClipping();
    return true;
}

bool KWOImage::NewFormat(unsigned int w, unsigned int h, unsigned int bpp)
{
    if (!SupportedDepth(bpp))
        return false;
    const bool empty = w == 0 || h == 0;
    if (w == m_width && h == m_height && bpp == m_bpp && (m_pixels != nullptr || empty))
        return true;
    FreePixels();
    if (empty)
    {
        m_width = m_height = 0;
        m_bpp = 0;
        StopClipping();
        return true;
    }
    m_pixels = AllocPixels(w, h, (bpp + 7) / 8);
    if (m_pixels == nullptr)
    {
        // No memory for the new size: the image is left empty.
        m_width = m_height = 0;
        m_bpp = 0;
        StopClipping();
        return false;
    }
    m_width = w;
    m_height = h;
    m_bpp = static_cast<unsigned short>(bpp);
    m_pitch = w * BytesPerPixel();
    StopClipping();
    return true;
}

unsigned int KWOImage::MemoryUsed() const
{
    const uint64_t used = sizeof(KWOImage) + (m_pixels ? uint64_t(m_height) * m_pitch : 0);
    return static_cast<unsigned int>(std::min<uint64_t>(used, UINT32_MAX));
}

// ---- files ---------------------------------------------------------------------

int KWOImage::FindFormat(KWOResFile& f)
{
    unsigned char head[4];
    if (f.Read(head, 4) < 4)
    {
        KWO::LOG("Can not read file header\n");
        return 0;
    }
    f.Seek(-4, 1);
    if (head[0] == 'B' && head[1] == 'M')
        return 1;
    if (std::memcmp(head, "GIF", 3) == 0)
        return 3;
    if (std::memcmp(head, "KWOF", 4) == 0)
        return 6;
    if (head[0] == 10 && head[1] == 5 && head[2] == 1)
        return 2;
    return 4;
}

void KWOImage::AfterLoad()
{
    // A reader hands back a buffer of height x width x bytes per pixel (or
    // none); the pitch and the clipping follow from it, also after a failed
    // read, so that the image never describes more bytes than it holds.
    m_pitch = m_pixels != nullptr ? m_width * BytesPerPixel() : 0;
    StopClipping();
}

bool KWOImage::Load(KWOResFile& f, int format)
{
    if (f.GetState() != KWOResFile::StateOK)
        return false;
    if (format == 0)
        format = FindFormat(f);
    bool ok = false;
    try
    {
        switch (format)
        {
            case 0: // unreadable header: the PCX reader refuses it
            case 2:
                ok = PCXLoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
                break;
            case 1:
                ok = BMPLoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
                break;
            case 3:
                ok = GIFLoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
                break;
            case 4:
                ok = TGALoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
                break;
            case 6:
                ok = KWOFPictureLoad(f, &m_pixels, &m_width, &m_height, &m_palette, &m_bpp);
                break;
            default: // no such format: the picture is left as it is
                return false;
        }
    }
    catch (const std::exception&)
    {
        // A reader ran out of memory for its tables: a failed read.
        ok = false;
    }
    AfterLoad();
    return ok;
}

bool KWOImage::Save(KWOResFile& f, int format)
try
{
    if (f.GetState() != KWOResFile::StateOK || m_pixels == nullptr)
        return false;
    switch (format)
    {
        case 0:
            return m_bpp <= 8 ? PCXSave(f, *this) : TGASaveRLE(f, *this);
        case 1:
            return BMPSave(f, *this);
        case 2:
            return PCXSave(f, *this);
        case 4:
            return TGASave(f, *this);
        case 5:
            return TGASaveRLE(f, *this);
        default:
            return false;
    }
}
catch (const std::exception&)
{
    return false;
}

void KWOImage::PrintInfo() const
{
    KWO::LOG("Image: %d x %d x %d bpp, pitch: %d", m_width, m_height, m_bpp, m_pitch);
    if (m_palette != nullptr)
        KWO::LOG(", palette: %d colors", m_palette->Size());
    KWO::LOG("\n");
}
