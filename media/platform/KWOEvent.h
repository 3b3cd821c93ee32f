/// @class KWOEvent
/// KWOEvent: a copy of one SDL event.
///
/// The record has the size and alignment of SDL_Event on the platform the
/// library is built for (20 bytes on 32-bit systems, 24 on 64-bit ones), so
/// its bytes can be copied into an SDL_Event to read the event's fields. Its
/// first byte is the SDL event type: 1 active, 2 key down, 3 key up, 4 mouse
/// motion, 5 button down, 6 button up, 12 quit, and the rest of SDL's
/// numbering.
#ifndef KWOMEDIA_PLATFORM_KWOEVENT_H
#define KWOMEDIA_PLATFORM_KWOEVENT_H

#include "KWOExport.h"

class KWO_API KWOEvent
{
public:
    static const unsigned SIZE = sizeof(void*) == 8 ? 24 : 20;

    alignas(void*) unsigned char m_data[SIZE];

    unsigned char Type() const { return m_data[0]; }

    void PrintInfo() const;
};

#endif
