// The resource manager's built-in loaders, one per built-in type number, and
// the music that owns the stream it streams from.
#ifndef KWOMEDIA_FILES_RESOURCE_LOADERS_H
#define KWOMEDIA_FILES_RESOURCE_LOADERS_H

#include "audio/KWOMusic.h"

#include <memory>

class KWOResFile;
class KWOResource;

namespace kwo_files
{
// Each builds an empty object of its class and loads it from `file` with
// `param`; null (the object deleted) when the load fails. `name` is unused.
// All but the music leave `keepFile` false.
KWOResource* LoadPicture(KWOResFile* file, const char* name, int param, bool& keepFile);
KWOResource* LoadPalette(KWOResFile* file, const char* name, int param, bool& keepFile);
KWOResource* LoadFont(KWOResFile* file, const char* name, int param, bool& keepFile);
KWOResource* LoadText(KWOResFile* file, const char* name, int param, bool& keepFile);
KWOResource* LoadSound(KWOResFile* file, const char* name, int param, bool& keepFile);
// Sets `keepFile`: on success the music keeps reading from `file` and owns it.
KWOResource* LoadMusic(KWOResFile* file, const char* name, int param, bool& keepFile);

// A music built by the resource manager. A plain music leaves its stream to
// whoever opened it; this one was given its stream by the manager, so it
// deletes the stream when it goes, and when a reload hands it a new one.
class OwnedStreamMusic final : public KWOMusic
{
public:
    OwnedStreamMusic() = default;
    ~OwnedStreamMusic() override;

    // Takes ownership of `file` (the stream the music was loaded from).
    void Adopt(KWOResFile* file) { m_stream.reset(file); }
    // Loads from `file`; when the music then reads from it, keeps it and
    // deletes the stream it owned before. Otherwise `file` is deleted and
    // the old stream kept (the music may still be reading from it).
    bool LoadOwned(std::unique_ptr<KWOResFile> file, int param);
    // The stream owned, or null.
    const KWOResFile* OwnedStream() const { return m_stream.get(); }

private:
    std::unique_ptr<KWOResFile> m_stream;
};
} // namespace kwo_files

#endif
