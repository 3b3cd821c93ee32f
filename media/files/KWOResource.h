/// @class KWOResource
/// KWOResource: the base of every loadable object (pictures, palettes, fonts,
/// string arrays, sounds, music). The resource manager builds, reloads and
/// destroys resources through this interface alone.
#ifndef KWOMEDIA_FILES_KWORESOURCE_H
#define KWOMEDIA_FILES_KWORESOURCE_H

#include "KWOExport.h"

class KWOResFile;

class KWO_API KWOResource
{
public:
    KWOResource();
    virtual ~KWOResource();

    /// Bytes the resource occupies.
    virtual unsigned int MemoryUsed() const = 0;
    /// Replaces the content with what `file` holds; `param` is the subclass's
    /// format number (0 lets most subclasses detect the format).
    virtual bool Load(KWOResFile& file, int param) = 0;
    virtual bool Save(KWOResFile& file, int param) = 0;
    /// Load from the disk file `filename`, opened read-only.
    virtual bool LoadName(const char* filename, int param);
    /// Save to the disk file `filename`. The new content is written beside it
    /// and replaces it in one step once it is all on disk: a failed save (a
    /// full disk, say) leaves the previous file exactly as it was. A link at
    /// `filename` stays and the file it names is replaced; the file keeps its
    /// permission bits; a file that cannot be written, or a folder that does
    /// not let a new file be made beside it, makes the save fail.
    virtual bool SaveName(const char* filename, int param);
};

#endif
