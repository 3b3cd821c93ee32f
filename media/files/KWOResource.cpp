#include "files/KWOResource.h"

#include "files/KWOFile.h"
#include "files/file_replace.h"

KWOResource::KWOResource() = default;

KWOResource::~KWOResource() = default;

bool KWOResource::LoadName(const char* filename, int param)
{
    // A file that cannot be opened reaches Load as a closed stream, whose
    // reads return 0: the subclass fails in its own way.
    KWOFile file(filename, KWOResFile::ModeRead);
    return Load(file, param);
}

bool KWOResource::SaveName(const char* filename, int param)
{
    // The resource is written beside the file, which is then replaced in one
    // step: a save that fails, on a full disk say, keeps the previous file.
    if (filename == nullptr || filename[0] == '\0')
        return false;
    return KWO::ReplaceFile(filename,
                            [this, param](KWOResFile& file) { return Save(file, param); });
}
