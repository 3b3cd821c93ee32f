// Pieces the game's tests share: the members of the game's archive, packing
// them, and loading a picture of the generated data.
#ifndef KWO_TESTS_GAME_TEST_SUPPORT_H
#define KWO_TESTS_GAME_TEST_SUPPORT_H

#include "graphics/KWOImage.h"

#include <memory>
#include <string>
#include <vector>

// The files of the generated data that duomatch.dat holds.
extern const std::vector<std::string> kArchiveMembers;

// Packs `members`, files of the folder `dataDir`, into the new archive
// `archive` with kwoarch run in `workDir`; kwoarch's exit status.
int PackArchive(const std::string& archive, const std::string& dataDir,
                const std::vector<std::string>& members, const std::string& workDir);

// The picture file at `path` as an 8-bit image, or null when it does not load.
std::unique_ptr<KWOImage> LoadPicture(const std::string& path);

#endif
