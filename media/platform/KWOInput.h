/// @class KWOInput
/// KWOInput: the input singleton.
///
/// Decides which kinds of SDL events reach the event queue, empties the queue,
/// reads the mouse and waits for an event of a given kind. Event types are
/// SDL's numbers (2 key down, 5 button down, 12 quit, ...); SDL knows 32 of
/// them, and types from 32 on are refused.
#ifndef KWOMEDIA_PLATFORM_KWOINPUT_H
#define KWOMEDIA_PLATFORM_KWOINPUT_H

#include "KWOExport.h"
#include "platform/KWOEvent.h"
#include "platform/KWOSDLMgr.h"

class KWO_API KWOInput : public KWOSDLMgr
{
public:
    /// Bit t is set when event type t was enabled through this object.
    unsigned m_eventTypes;

    /// The instance, created on the first call (null if it cannot be made).
    static KWOInput* Singleton();

    KWOInput();
    ~KWOInput() override;

    void AddEventType(unsigned type);
    void RemoveEventType(unsigned type);
    /// Ignores every event type, then enables the types 1 to 27 whose bit is
    /// set in `mask`. The mask is kept as given.
    void SetEventTypes(unsigned mask);
    /// Drops every queued event.
    void Flush();
    /// Reads the mouse position (either pointer may be null); returns bit 0
    /// for the left button, bit 1 for the middle one and bit 2 for the right.
    unsigned char GetMouseState(int* x, int* y);
    /// Waits for an event of `type`, dropping events of other types; copies it
    /// into `event` when not null. Returns false when SDL's wait fails, and at
    /// once when SDL ignores `type` and none is queued (it could never come).
    bool WaitNextEvent(unsigned char type, KWOEvent* event);

    void PrintInfo() const;

private:
    static KWOInput* m_instance;
};

#endif
