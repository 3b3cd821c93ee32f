// hello: the smallest complete KWOMedia program. It opens a 640 x 480
// window with 256 colours, writes a greeting in the middle with a font from
// the game's data, and waits for a key or a click.
//
//   hello [DATA]
//
// DATA is the game's archive duomatch.dat (the default) or any folder or
// archive that holds the font score.font.
#include <KWOMedia/files/KWOResFile.h>
#include <KWOMedia/files/KWOResFinder.h>
#include <KWOMedia/graphics/KWOFont.h>
#include <KWOMedia/graphics/KWOImage.h>
#include <KWOMedia/graphics/KWOPal.h>
#include <KWOMedia/graphics/KWOScreen.h>
#include <KWOMedia/platform/KWOInput.h>

#include <cstdio>

#include "../common/script.h"

int main(int argc, char** argv)
{
    ScriptedInput script(argc, argv); // for the smoke test; see common/script.h
    const char* data = argc > 1 ? argv[1] : "duomatch.dat";

    // The font. A finder turns a name into a stream, asking its sources (here
    // one archive or folder) in turn. The stream it returns is ours to delete.
    KWOResFinder finder;
    if (!finder.AddSource(data, false))
    {
        std::fprintf(stderr, "hello: %s is neither a folder nor an archive\n", data);
        return 1;
    }
    KWOResFile* stream = finder.FindRes("score.font");
    if (stream == nullptr)
    {
        std::fprintf(stderr, "hello: no score.font in %s\n", data);
        return 1;
    }
    KWOFont font(*stream, 0); // a bad file is logged, and the font stays undefined
    delete stream;
    if (!font.Defined())
        return 1;

    // The screen is a singleton; creating it starts SDL's video. Nothing can
    // be drawn before Init has opened a mode.
    KWOScreen* screen = KWOScreen::Singleton();
    if (!screen->Init(640, 480, KWOScreen::HWPALETTE, 8))
    {
        std::fprintf(stderr, "hello: no 640 x 480 screen with 256 colours\n");
        delete screen;
        return 1;
    }
    screen->SetNames("Hello, KWOMedia", nullptr);

    // At 8 bits a pixel is a palette index: 0 the black background, 1 to 3
    // the three shades of the font's anti-aliased glyphs. The screen copies
    // the colours, so the palette can be a local object.
    const unsigned char colours[] = {0, 0, 0, 90, 50, 0, 210, 150, 30, 255, 235, 140};
    KWOPal palette(256);
    palette.SetFromRGB(colours, 4, 0);
    screen->ReplacePalette(&palette);

    // Text is drawn on images; the screen then copies the image and shows
    // the changed rectangle.
    const char* text = "Hello, world!";
    const unsigned width = font.TextWidth(text);
    const unsigned height = unsigned(font.Ascent() + font.Descent());
    KWOImage line(width, height, 8);
    KWOFont::FontParams shades{&font, KWOFont::AlignTop, {0, 1, 2, 3}};
    line.DrawTextEx(0, 0, text, shades);
    const int x = int(640 - width) / 2, y = int(480 - height) / 2;
    screen->CopyImage(x, y, &line, 0, 0, width, height);
    screen->Refresh(0, 0, 640, 480);

    // Only key presses, mouse clicks and the window's close button reach the
    // event queue, so the first event that comes is the one we wait for.
    // WaitEvent sleeps until then; we need not look at the event itself.
    KWOInput* input = KWOInput::Singleton();
    input->SetEventTypes(1u << KWOEvent::TypeKeyDown | 1u << KWOEvent::TypeButtonDown |
                         1u << KWOEvent::TypeQuit);
    script.PlayAll();
    input->WaitEvent(nullptr);

    // The singletons are ours to delete; the last one gives SDL back.
    delete input;
    delete screen;
    return 0;
}
