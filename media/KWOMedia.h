// KWOMedia: every public header of the library.
#ifndef KWOMEDIA_KWOMEDIA_H
#define KWOMEDIA_KWOMEDIA_H

#include "KWOExport.h"

// core
#include "core/KWOLog.h"
#include "core/KWOString.h"
#include "core/KWOText.h"

// files
#include "files/KWOArchKWO.h"
#include "files/KWOArchPAK.h"
#include "files/KWOArchive.h"
#include "files/KWODir.h"
#include "files/KWOFile.h"
#include "files/KWOFileProvider.h"
#include "files/KWOMemFile.h"
#include "files/KWOPackFile.h"
#include "files/KWOResFile.h"
#include "files/KWOResFinder.h"
#include "files/KWOResource.h"
#include "files/KWOSortableItem.h"

// graphics

// audio

// platform
#include "platform/KWOFileUtils.h"

// app

#endif
