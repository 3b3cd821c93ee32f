/// @class KWOScreen
/// KWOScreen: the program's one display.
///
/// A singleton that owns SDL's video surface: it opens a window or a full
/// screen mode, sets the hardware palette, draws on the display with the
/// same primitives as KWOImage (and the same pixel encoding), copies images
/// to it, pushes changed areas to the display, fades the palette in and out,
/// takes screenshots and sets the window caption, icon and mouse cursor.
/// Creating it starts SDL video (through KWOSDLMgr); deleting it closes the
/// display and gives SDL video back.
///
/// Until Init succeeds (and after a failed mode change) there is no surface
/// and every drawing call does nothing. Drawing respects the surface's
/// clipping rectangle (SetClipping), locks the surface when SDL requires it,
/// and is seen on the display only after Refresh (or Flip).
///
/// Fades block until done. Each palette step lasts at least kFadeStepMs
/// milliseconds, so that a fade can be seen on displays whose palette updates
/// do not wait for the vertical retrace.
#ifndef KWOMEDIA_GRAPHICS_KWOSCREEN_H
#define KWOMEDIA_GRAPHICS_KWOSCREEN_H

#include "KWOExport.h"
#include "platform/KWOSDLMgr.h"

struct SDL_Cursor;
struct SDL_Surface;
class KWOImage;
class KWOPal;

class KWO_API KWOScreen : public KWOSDLMgr
{
public:
    /// The last argument of HLine, VLine and Frame: 0 draws the colour, any
    /// other value draws exclusive-or (as KWOImage::DrawMode).
    using DrawMode = int;
    enum : int
    {
        DrawNormal = 0,
        DrawXor = 1
    };

    /// SDL's video mode flags, as Init takes them.
    static constexpr unsigned HWSURFACE = 0x00000001;
    static constexpr unsigned OPENGL = 0x00000002;
    static constexpr unsigned RESIZABLE = 0x00000010;
    static constexpr unsigned HWPALETTE = 0x20000000;
    static constexpr unsigned DOUBLEBUF = 0x40000000;
    static constexpr unsigned FULLSCREEN = 0x80000000;

    /// The shortest time one palette step of a fade is shown.
    static constexpr unsigned kFadeStepMs = 20;

    /// The screen, created on the first call.
    static KWOScreen* Singleton();
    /// Closes the display and releases SDL video; Singleton() then makes a
    /// new screen.
    ~KWOScreen() override;

    /// Opens (or changes) the display mode: width x height at `bpp` bits per
    /// pixel with SDL's video `flags` (full screen drops RESIZABLE). Also
    /// sets the arrow mouse cursor. False, with no surface, when SDL refuses.
    bool Init(unsigned width, unsigned height, unsigned flags, unsigned bpp);
    /// Changes the size of a resizable window (never full screen). False
    /// otherwise or when SDL refuses (the surface is then gone).
    bool Resize(unsigned width, unsigned height);

    /// The display surface, or null. Its pixels are drawn on directly.
    SDL_Surface* Surface() const { return m_screen; }
    /// The surface's size and depth; 0 without a surface.
    unsigned Width() const;
    unsigned Height() const;
    unsigned Bpp() const;

    /// A new copy of the surface's palette (the caller deletes it); null
    /// without a surface or for a surface without palette.
    KWOPal* GetPalette() const;
    /// Sets `count` colours from entry `first` of `pal` (as far as `pal` has
    /// them) into the same entries of the display palette.
    void SetPalette(KWOPal* pal, unsigned first, unsigned count);
    /// Sets the display palette from all entries of `pal`; the caller keeps it.
    void ReplacePalette(KWOPal* pal);

    /// Restricts drawing to (x1, y1) .. (x2, y2), inclusive, corners in any
    /// order, cut to the surface.
    void SetClipping(int x1, int y1, int x2, int y2);
    /// The pixel value at (x, y) (clipping ignored); 0 outside the surface.
    unsigned GetPixel(int x, int y) const;
    void PutPixel(int x, int y, unsigned colour);
    void XorPixel(int x, int y, unsigned colour);
    void HLine(int x, int y, unsigned length, unsigned colour, DrawMode mode = DrawNormal);
    void VLine(int x, int y, unsigned length, unsigned colour, DrawMode mode = DrawNormal);
    void Frame(int x, int y, unsigned w, unsigned h, unsigned colour, DrawMode mode = DrawNormal);
    /// Moves a block within the surface; overlapping blocks are handled.
    void MoveInside(int sx, int sy, unsigned w, unsigned h, int dx, int dy);
    /// Copies the block (sx, sy, w, h) of `img`, whose depth must be the
    /// surface's, to (dx, dy).
    void CopyImage(int dx, int dy, KWOImage* img, int sx, int sy, unsigned w, unsigned h);
    /// The same, leaving out the image pixels equal to `key`.
    void TCopyImage(int dx, int dy, unsigned key, KWOImage* img, int sx, int sy, unsigned w,
                    unsigned h);
    /// `img` in the surface's pixel format: `img` itself when its depth is
    /// already the surface's (do not delete it twice), else a new converted
    /// image that the caller deletes. Null without a surface or pixels, or
    /// when SDL cannot convert.
    KWOImage* ScreenFormat(const KWOImage* img);

    /// Pushes the rectangle, cut to the surface, to the display.
    void Refresh(int x, int y, unsigned w, unsigned h);
    /// Shows the back buffer of a double-buffered or OpenGL display.
    void Flip();

    /// Fades the display from black to the first colours of `pal` in
    /// `steps` levels (the largest power of two not above steps, at least 2);
    /// the display palette is `pal`'s afterwards.
    void FadeIn(KWOPal* pal, char steps);
    /// Fades the display palette to black; it stays black (logical palette
    /// included) until the palette is set again.
    void FadeOut(char steps);
    /// Black palette and a surface cleared to 0, pushed to the display.
    void BlackOut();

    /// Saves the surface as the BMP file <prefix>NNN.bmp, with NNN the first
    /// of 000 .. 999 whose file does not exist. False when none is free or
    /// the file cannot be written; the file then does not appear at all.
    bool BMPScreenshot(const char* prefix);
    /// The window caption and the title of the iconified window (`title`
    /// for both when `icon` is null).
    void SetNames(const char* title, const char* icon);
    /// The window icon from an image; with `transparent` the pixels equal to
    /// `key` are left out. Set it before Init: some systems take the icon
    /// only when the window opens.
    void SetIcon(const KWOImage* img, bool transparent, unsigned key);

    void PrintInfo() const;

private:
    KWOScreen();

    static KWOScreen* m_instance;
    /// The arrow cursor, made by the first successful Init.
    static SDL_Cursor* m_cursor;
    SDL_Surface* m_screen; ///< null before Init or after a failed mode change
};

#endif
