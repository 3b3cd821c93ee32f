// viewer: shows BMP, GIF, PCX and TGA pictures one by one, with a fade
// between them, and prints each picture's format, size and depth.
//
//   viewer PATH...
//
// A PATH is a picture, a folder (its files, by name) or an archive (its
// members). Right arrow, space or the left mouse button: the next picture;
// left arrow or the right button: the previous one; S: a screenshot
// (viewerNNN.bmp); Escape: quit. Files that are no pictures are skipped.
#include <KWOMedia/files/KWOArchive.h>
#include <KWOMedia/files/KWODir.h>
#include <KWOMedia/files/KWOFile.h>
#include <KWOMedia/graphics/KWOImage.h>
#include <KWOMedia/graphics/KWOPal.h>
#include <KWOMedia/graphics/KWOScreen.h>
#include <KWOMedia/platform/KWOFileUtils.h>
#include <KWOMedia/platform/KWOInput.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../common/script.h"

namespace
{
// A picture to show: a file inside a folder or an archive, or (source
// null) a file named by its path.
struct Entry
{
    const KWOFileProvider* source;
    std::string name;
};

// A folder and an archive are both file providers: a listing of names that
// open as streams. Sorting writes an order into the entries' m_index fields
// and leaves the entries where they are.
void Collect(const char* path, std::vector<std::unique_ptr<KWOFileProvider>>& sources,
             std::vector<Entry>& entries)
{
    KWOFileProvider* source = KWOFileUtils::IsDir(path) ? new KWODir(path) : nullptr;
    if (source == nullptr)
        source = KWOArchive::OpenArchive(path); // null when the file is no archive
    if (source == nullptr)
    {
        entries.push_back({nullptr, path});
        return;
    }
    sources.emplace_back(source);
    source->Sort(KWOFileProvider::SortByName);
    for (unsigned p = 0; p < source->NbFiles(); ++p)
    {
        const unsigned i = source->GetItem(p)->m_index; // the p-th entry by name
        if (source->IsFile(i))
            entries.push_back({source, source->FileName(i)});
    }
}

// Loads a picture; null when it is none (the library has logged why).
std::unique_ptr<KWOImage> Load(const Entry& entry)
{
    const char* name = entry.name.c_str();
    std::unique_ptr<KWOResFile> stream(entry.source ? entry.source->OpenFile(name)
                                                    : new KWOFile(name, KWOResFile::ModeRead));
    if (stream == nullptr || stream->GetState() != KWOResFile::StateOK)
        return nullptr;
    auto picture = std::make_unique<KWOImage>(0u, 0u, 8u); // empty until loaded
    const int format = picture->FindFormat(*stream);
    if (!picture->Load(*stream, 0))
        return nullptr;
    static const char* const kFormats[] = {"?", "BMP", "PCX", "GIF", "TGA", "?", "font glyphs"};
    std::printf("%s: %s, %u x %u, %u bits\n", name, kFormats[format], picture->Width(),
                picture->Height(), picture->Bpp());
    return picture;
}

// The screen has 256 colours. Deeper pictures are shown through a palette
// of 8 x 8 x 4 levels of red, green and blue: pixel value RRRGGGBB.
std::unique_ptr<KWOImage> ToColourCube(const KWOImage& picture, KWOPal& cube)
{
    for (unsigned i = 0; i < 256; ++i)
    {
        const unsigned char rgb[3] = {(unsigned char)((i >> 5) * 255 / 7),
                                      (unsigned char)((i >> 2 & 7) * 255 / 7),
                                      (unsigned char)((i & 3) * 255 / 3)};
        cube.SetFromRGB(rgb, 1, i);
    }
    auto out = std::make_unique<KWOImage>(picture.Width(), picture.Height(), 8u);
    for (unsigned y = 0; y < picture.Height(); ++y)
        for (unsigned x = 0; x < picture.Width(); ++x)
        {
            unsigned c = picture.GetPixel(int(x), int(y)); // 0xRRGGBB at 24 and 32 bits
            if (picture.Bpp() == 16)
                c = (c >> 8 & 0xF8) << 16 | (c >> 3 & 0xFC) << 8 | (c << 3 & 0xF8);
            else if (picture.Bpp() == 15)
                c = (c >> 7 & 0xF8) << 16 | (c >> 2 & 0xF8) << 8 | (c << 3 & 0xF8);
            out->Pixels()[y * out->Pitch() + x] =
                (c >> 16 & 0xE0) | (c >> 11 & 0x1C) | (c >> 6 & 3);
        }
    return out;
}

// Fades the screen out, puts the picture in the middle and fades it in.
void Show(KWOScreen* screen, KWOImage& picture)
{
    KWOImage* shown = &picture;
    KWOPal* palette = picture.Palette(); // the picture keeps it
    KWOPal own;
    std::unique_ptr<KWOImage> converted;
    if (picture.Bpp() != 8)
        shown = (converted = ToColourCube(picture, own)).get();
    else if (palette == nullptr)
        own.GenerateGreyScale(256); // an 8-bit picture without colours: grey levels
    if (shown != &picture || palette == nullptr)
        palette = &own;
    const int w = int(shown->Width()), h = int(shown->Height());
    screen->FadeOut(8);
    screen->BlackOut(); // a black palette and a cleared screen
    // A picture larger than the screen shows its middle.
    screen->CopyImage(std::max(0, (640 - w) / 2), std::max(0, (480 - h) / 2), shown,
                      std::max(0, (w - 640) / 2), std::max(0, (h - 480) / 2), 640, 480);
    screen->Refresh(0, 0, 640, 480);
    screen->FadeIn(palette, 8);
}
} // namespace

int main(int argc, char** argv)
{
    ScriptedInput script(argc, argv); // for the smoke test; see common/script.h
    std::vector<std::unique_ptr<KWOFileProvider>> sources;
    std::vector<Entry> entries;
    for (int i = 1; i < argc; ++i)
        Collect(argv[i], sources, entries);
    if (entries.empty())
    {
        std::fprintf(stderr, "Usage: viewer PICTURE|FOLDER|ARCHIVE...\n");
        return 2;
    }

    KWOScreen* screen = KWOScreen::Singleton();
    if (!screen->Init(640, 480, KWOScreen::HWPALETTE, 8))
        return 1;
    screen->SetNames("KWOMedia viewer", nullptr);

    // Shows the first picture from `from` on in direction `step`, skipping
    // what is no picture; false when none is left.
    int current = 0;
    auto browse = [&](int from, int step)
    {
        for (int tries = 0; tries < int(entries.size()); ++tries, from += step)
        {
            from = (from + int(entries.size())) % int(entries.size());
            if (auto picture = Load(entries[from]))
            {
                Show(screen, *picture);
                current = from;
                return true;
            }
            std::printf("viewer: skipped %s\n", entries[from].name.c_str());
        }
        return false;
    };

    bool running = browse(0, 1);
    if (!running)
        std::fprintf(stderr, "viewer: no picture to show\n");

    // Nothing moves between two inputs: WaitEvent sleeps until the next one.
    // Key() and Button() tell which key or mouse button an event is about.
    KWOInput* input = KWOInput::Singleton();
    script.PlayAll();
    KWOEvent ev;
    while (running && input->WaitEvent(&ev))
    {
        const unsigned key = ev.Type() == KWOEvent::TypeKeyDown ? ev.Key() : 0;
        const unsigned button = ev.Type() == KWOEvent::TypeButtonDown ? ev.Button() : 0;
        if (ev.Type() == KWOEvent::TypeQuit || key == KWOEvent::KeyEscape)
            running = false;
        else if (key == KWOEvent::KeyRight || key == KWOEvent::KeySpace ||
                 button == KWOEvent::ButtonLeft)
            running = browse(current + 1, 1);
        else if (key == KWOEvent::KeyLeft || button == KWOEvent::ButtonRight)
            running = browse(current - 1, -1);
        else if (key == 's' && !screen->BMPScreenshot("viewer")) // a letter: its ASCII code
            std::fprintf(stderr, "viewer: the screenshot could not be saved\n");
    }
    delete input;
    delete screen;
    return 0;
}
