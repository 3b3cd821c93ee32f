// The generators of the game's data files, one per kind of file.
#ifndef MKDATA_DATA_H
#define MKDATA_DATA_H

#include <string>

class KWOFont;

namespace mkdata
{
// Pictures are written as BMP: the picture loader tells formats apart by
// their content, so "menu.gif" written as BMP loads like any other picture.
const int kFormatBMP = 1;

// A card-set picture, "Shapes.set" (which 0) or "Patterns.set" (which 1).
bool MakeSet(const std::string& folder, int which, KWOFont& digitFont);
// "menu.gif", the sprite sheet of the menus.
bool MakeMenu(const std::string& folder);
// "kwo2.gif" (the logo) and "title.gif".
bool MakeIntro(const std::string& folder);
// "duomatch-ico.gif", 32 x 32, transparent colour in its top-left pixel.
bool MakeIcon(const std::string& folder);
// "clic.wav", "ding.wav", "applause.wav", "laugh.wav".
bool MakeSounds(const std::string& folder);
} // namespace mkdata

#endif
