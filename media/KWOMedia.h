/// @file
/// KWOMedia: every public header of the library.
#ifndef KWOMEDIA_KWOMEDIA_H
#define KWOMEDIA_KWOMEDIA_H

#include "KWOExport.h"

// core
#include "core/KWOConst.h"
#include "core/KWOLog.h"
#include "core/KWOMath.h"
#include "core/KWOParse.h"
#include "core/KWOPoint.h"
#include "core/KWORect.h"
#include "core/KWOString.h"
#include "core/KWOText.h"
#include "core/KWOVec3.h"

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
#include "files/KWOResMgr.h"
#include "files/KWOResource.h"
#include "files/KWOSortableItem.h"

// graphics
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"
#include "graphics/KWOScreen.h"
#include "graphics/KWOVideoMode.h"

// audio
#include "audio/KWOMixer.h"
#include "audio/KWOMusic.h"
#include "audio/KWOSound.h"

// platform
#include "platform/KWOEvent.h"
#include "platform/KWOFileUtils.h"
#include "platform/KWOInput.h"
#include "platform/KWOSDLMgr.h"
#include "platform/KWOTimer.h"

// app
#include "app/KWOConfigMgr.h"
#include "app/KWOScore.h"
#include "app/KWOTranslator.h"

#endif
