// The resource manager's built-in loaders: the one place in the files module
// that knows the resource classes of the other modules (pictures, palettes
// and fonts of graphics, texts of core, sounds and music of audio). The
// manager includes only this header; it learns the loaders and the one
// resource that keeps reading from its stream through the functions below.
#ifndef KWOMEDIA_FILES_RESOURCE_LOADERS_H
#define KWOMEDIA_FILES_RESOURCE_LOADERS_H

#include "files/KWOResMgr.h"

#include <memory>
#include <vector>

class KWOResFile;
class KWOResource;

namespace kwo_files
{
// Puts the six built-in loaders into `loaders`, in the order of their type
// numbers (KWOResMgr::TypePicture to TypeMusic). Each builds an empty object
// of its class and loads it from the stream; all but the music leave the
// keep-file flag false. False (and `loaders` empty) when memory runs out.
bool RegisterBuiltInLoaders(std::vector<KWOResMgr::Loader>& loaders);

// True when `resource` reads from its stream after loading (a music).
bool ReadsStream(const KWOResource* resource);

// True for a music built by the music loader: it owns the stream it reads
// from and deletes it when it goes, and when a reload hands it a new one.
bool OwnsStream(const KWOResource* resource);

// Loads such a music from `file`; when the music then reads from it, it
// keeps it and deletes the stream it owned before. Otherwise `file` is
// deleted and the old stream kept (the music may still be reading from it).
bool LoadOwningStream(KWOResource* resource, std::unique_ptr<KWOResFile> file, int param);
} // namespace kwo_files

#endif
