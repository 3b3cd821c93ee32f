// mkdata: writes every data file of the game into a folder, drawn and
// synthesised from scratch, the same bytes on every run.
//
//   mkdata FOLDER
//
// Pictures ("kwo2.gif", "title.gif", "menu.gif", "duomatch-ico.gif" and the
// card sets "Shapes.set", "Patterns.set", "Nature.set", "Letters.set"), the font "score.font" and
// the sounds "clic.wav", "ding.wav", "applause.wav", "laugh.wav". Exit status: 0 when every file
// was written, 1 otherwise, 2 for a bad command line.
#include "data.h"
#include "draw.h"

#include "core/KWOLog.h"
#include "graphics/KWOFont.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fputs("Usage: mkdata FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    auto report = [&ok](bool done, const char* what)
    {
        if (!done)
        {
            std::fprintf(stderr, "mkdata: could not write %s\n", what);
            ok = false;
        }
    };

    auto font = mkdata::BuildFont("score", 3);
    report(font->SaveName((folder + "/score.font").c_str(), 0), "score.font");
    auto digits = mkdata::BuildFont("digits", 4);
    for (int i = 0; i < mkdata::kSets; ++i)
        report(mkdata::MakeSet(folder, i, *digits), mkdata::SetFileName(i).c_str());
    report(mkdata::MakeMenu(folder), "menu.gif");
    report(mkdata::MakeIntro(folder), "kwo2.gif and title.gif");
    report(mkdata::MakeIcon(folder), "duomatch-ico.gif");
    report(mkdata::MakeSounds(folder), "the sounds");
    return ok ? 0 : 1;
}
