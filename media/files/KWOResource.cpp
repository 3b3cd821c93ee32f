#include "files/KWOResource.h"

#include "files/KWOFile.h"

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
    KWOFile file(filename, KWOResFile::ModeRead | KWOResFile::ModeWrite | KWOResFile::ModeTruncate);
    return Save(file, param);
}
