#include "files/resource_loaders.h"

#include "audio/KWOSound.h"
#include "core/KWOText.h"
#include "files/KWOResFile.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

namespace kwo_files
{
namespace
{
// Loads `resource` from `file`; the resource, or null after deleting it.
KWOResource* Finish(std::unique_ptr<KWOResource> resource, KWOResFile* file, int param)
{
    if (file == nullptr || !resource->Load(*file, param))
        return nullptr;
    return resource.release();
}
} // namespace

KWOResource* LoadPicture(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    return Finish(std::make_unique<KWOImage>(0u, 0u, 8u), file, param);
}

KWOResource* LoadPalette(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    return Finish(std::make_unique<KWOPal>(0), file, param);
}

KWOResource* LoadFont(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    // The empty font; the file-name constructor would log a failed open.
    return Finish(std::make_unique<KWOFont>(), file, param);
}

KWOResource* LoadText(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    return Finish(std::make_unique<KWOText>(0u), file, param);
}

KWOResource* LoadSound(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    return Finish(std::make_unique<KWOSound>(), file, param);
}

KWOResource* LoadMusic(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = true;
    if (file == nullptr)
        return nullptr;
    auto music = std::make_unique<OwnedStreamMusic>();
    if (!music->Load(*file, param))
        return nullptr;
    music->Adopt(file);
    return music.release();
}

OwnedStreamMusic::~OwnedStreamMusic()
{
    // Forget the stream before it goes.
    Clear();
}

bool OwnedStreamMusic::LoadOwned(std::unique_ptr<KWOResFile> file, int param)
{
    if (!file)
        return false;
    const bool ok = Load(*file, param);
    if (ok && m_file == file.get())
        m_stream = std::move(file);
    return ok;
}
} // namespace kwo_files
