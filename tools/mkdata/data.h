// The generators of the game's data files, one per kind of file.
#ifndef MKDATA_DATA_H
#define MKDATA_DATA_H

#include <string>

class KWOFont;
class KWOImage;

namespace mkdata
{
// Card sets are written as BMP: the picture loader tells formats apart by
// their content, whatever the name.
const int kFormatBMP = 1;

constexpr double kPi = 3.14159265358979323846;

// Writes an 8-bit picture with its palette as a GIF file (giflib's
// encoder); false, with no file left, when it cannot.
bool SaveGIF(KWOImage& img, const std::string& path);

// The card sets: "Shapes.set", "Patterns.set", "Nature.set" and
// "Letters.set", by number 0 to kSets - 1.
const int kSets = 4;
bool MakeSet(const std::string& folder, int which, KWOFont& digitFont);
// The file name of card set `which` ("Shapes.set" for 0), empty for no set.
std::string SetFileName(int which);
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
