// KWOConfigMgr::ParseFile over arbitrary bytes, and ParseCL over the same
// bytes cut into arguments at every zero byte; the table is then saved and
// the saved file read again.
#include "app/KWOConfigMgr.h"
#include "app_fuzz.h"

#include <string>
#include <vector>

namespace
{
void AddAll(KWOConfigMgr& cfg)
{
    using V = KWOConfigMgr::CfgValue;
    cfg.AddParameter("sound", KWOConfigMgr::TypeBool, V::Bool(true));
    cfg.AddParameter("size", KWOConfigMgr::TypeInt, V::Int(3));
    cfg.AddParameter("gamma", KWOConfigMgr::TypeFloat, V::Float(1.0f));
    cfg.AddParameter("name", KWOConfigMgr::TypeString, V::String("Player"));
    cfg.AddParameter("color", KWOConfigMgr::TypeColor, V::Color(0xFF00FF00u));
    cfg.AddParameter("when", KWOConfigMgr::TypeDate, V::Date(1000000000u));
    cfg.AddParameter("odd", 77, V::Int(0));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const std::string in = app_fuzz::ScratchPath("game.cfg");
    const std::string out = app_fuzz::ScratchPath("saved.cfg");
    if (!app_fuzz::WriteFile(in, data, size))
        return 0;

    KWOConfigMgr cfg(0);
    AddAll(cfg);
    cfg.ParseFile(in.c_str());

    std::vector<std::string> words(1, "prog");
    std::string word;
    for (size_t i = 0; i < size; ++i)
    {
        if (data[i] == 0)
        {
            words.push_back(word);
            word.clear();
        }
        else
        {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    cfg.ParseCL(static_cast<int>(words.size()), argv.data());

    cfg.PrintInfo();
    if (cfg.Save(out.c_str(), "fuzz"))
    {
        KWOConfigMgr again(0);
        AddAll(again);
        again.ParseFile(out.c_str());
    }
    return 0;
}
