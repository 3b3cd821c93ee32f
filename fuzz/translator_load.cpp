// KWOTranslator over arbitrary bytes as a language file: listed by Init,
// loaded by path and by name, every text read to its end.
#include "app/KWOTranslator.h"
#include "app_fuzz.h"

#include <cstring>

namespace
{
void ReadTexts(KWOTranslator& tr)
{
    for (unsigned i = 0; i <= tr.StringCount(); ++i)
    {
        const char* text = tr.GetString(i);
        if (text)
            (void)std::strlen(text);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x100000)
        return 0;
    const std::string path = app_fuzz::ScratchPath("fuzz.lng");
    if (!app_fuzz::WriteFile(path, data, size))
        return 0;

    KWOTranslator tr;
    delete[] tr.CheckLang(path.c_str());
    if (tr.Load(path.c_str(), 0))
    {
        ReadTexts(tr);
        tr.PrintInfo(true);
    }
    if (tr.Init(app_fuzz::ScratchDir().c_str(), ".lng") > 0 && tr.LoadName(tr.GetLangName(0)))
        ReadTexts(tr);
    tr.PrintInfo(false);
    return 0;
}
