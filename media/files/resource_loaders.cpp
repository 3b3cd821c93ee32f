#include "files/resource_loaders.h"

#include "audio/KWOMusic.h"
#include "audio/KWOSound.h"
#include "core/KWOText.h"
#include "files/KWOResFile.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"

#include <new>

namespace kwo_files
{
namespace
{
// A music built by the resource manager. A plain music leaves its stream to
// whoever opened it; this one was given its stream by the manager, so it
// deletes the stream when it goes, and when a reload hands it a new one.
class OwnedStreamMusic final : public KWOMusic
{
public:
    OwnedStreamMusic() = default;
    ~OwnedStreamMusic() override
    {
        // Forget the stream before it goes.
        Clear();
    }

    // Takes ownership of `file` (the stream the music was loaded from).
    void Adopt(KWOResFile* file) { m_stream.reset(file); }
    bool LoadOwned(std::unique_ptr<KWOResFile> file, int param)
    {
        if (!file)
            return false;
        const bool ok = Load(*file, param);
        if (ok && m_file == file.get())
            m_stream = std::move(file);
        return ok;
    }

private:
    std::unique_ptr<KWOResFile> m_stream;
};

// Loads `resource` (null when it could not be made) from `file`; the
// resource, or null after deleting it.
KWOResource* Finish(std::unique_ptr<KWOResource> resource, KWOResFile* file, int param)
{
    if (!resource || file == nullptr || !resource->Load(*file, param))
        return nullptr;
    return resource.release();
}

KWOResource* LoadPicture(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    return Finish(std::unique_ptr<KWOResource>(new (std::nothrow) KWOImage(0u, 0u, 8u)), file,
                  param);
}

KWOResource* LoadPalette(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    return Finish(std::unique_ptr<KWOResource>(new (std::nothrow) KWOPal(0)), file, param);
}

KWOResource* LoadFont(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    // The empty font; the file-name constructor would log a failed open.
    return Finish(std::unique_ptr<KWOResource>(new (std::nothrow) KWOFont()), file, param);
}

KWOResource* LoadText(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    return Finish(std::unique_ptr<KWOResource>(new (std::nothrow) KWOText(0u)), file, param);
}

KWOResource* LoadSound(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = false;
    return Finish(std::unique_ptr<KWOResource>(new (std::nothrow) KWOSound()), file, param);
}

// Sets `keepFile`: on success the music keeps reading from `file` and owns it.
KWOResource* LoadMusic(KWOResFile* file, const char*, int param, bool& keepFile)
{
    keepFile = true;
    if (file == nullptr)
        return nullptr;
    std::unique_ptr<OwnedStreamMusic> music(new (std::nothrow) OwnedStreamMusic());
    if (!music || !music->Load(*file, param))
        return nullptr;
    music->Adopt(file);
    return music.release();
}
} // namespace

bool RegisterBuiltInLoaders(std::vector<KWOResMgr::Loader>& loaders)
try
{
    loaders = {LoadPicture, LoadPalette, LoadFont, LoadText, LoadSound, LoadMusic};
    return true;
}
catch (const std::exception&)
{
    loaders.clear();
    return false;
}

bool ReadsStream(const KWOResource* resource)
{
    return dynamic_cast<const KWOMusic*>(resource) != nullptr;
}

bool OwnsStream(const KWOResource* resource)
{
    return dynamic_cast<const OwnedStreamMusic*>(resource) != nullptr;
}

bool LoadOwningStream(KWOResource* resource, std::unique_ptr<KWOResFile> file, int param)
{
    auto* music = dynamic_cast<OwnedStreamMusic*>(resource);
    return music != nullptr && music->LoadOwned(std::move(file), param);
}
} // namespace kwo_files
