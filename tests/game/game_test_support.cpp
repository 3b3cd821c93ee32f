#include "game/game_test_support.h"

#include "support/Process.h"

const std::vector<std::string> kArchiveMembers = {"kwo2.gif",   "title.gif",        "menu.gif",
                                                  "score.font", "duomatch-ico.gif", "clic.wav",
                                                  "ding.wav",   "applause.wav",     "laugh.wav"};

int PackArchive(const std::string& archive, const std::string& dataDir,
                const std::vector<std::string>& members, const std::string& workDir)
{
    std::vector<std::string> args = {"create", archive};
    for (const std::string& m : members)
        args.push_back(dataDir + "/" + m);
    return RunProcess(KWO_BIN_DIR "/kwoarch", args, workDir).status;
}

std::unique_ptr<KWOImage> LoadPicture(const std::string& path)
{
    auto img = std::make_unique<KWOImage>(1u, 1u, 8u);
    if (!img->LoadName(path.c_str(), 0))
        return nullptr;
    return img;
}
