/// @class KWOInput
/// KWOInput: the input singleton.
///
/// Decides which kinds of SDL events reach the event queue, empties the queue,
/// reads the mouse and waits for an event of a given kind. Event types are
/// SDL's numbers (2 key down, 5 button down, 12 quit, ...); SDL knows 32 of
/// them, and types from 32 on are refused.
#ifndef KWOMEDIA_PLATFORM_KWOINPUT_H
#define KWOMEDIA_PLATFORM_KWOINPUT_H

#include "../KWOExport.h"
#include "KWOEvent.h"
#include "KWOSDLMgr.h"

class KWO_API KWOInput : public KWOSDLMgr
{
public:
    /// Bit t is set when event type t was enabled through this object.
    unsigned m_eventTypes;

    /// The instance, created on the first call (null if it cannot be made).
    static KWOInput* Singleton();

    KWOInput();
    ~KWOInput() override;

    /// Lets events of `type` reach the queue.
    void AddEventType(unsigned type);
    /// Keeps events of `type` out of the queue.
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

    /// Takes the next queued event into `event` (when not null) without
    /// waiting; false when the queue is empty.
    bool PollEvent(KWOEvent* event);
    /// Waits for the next event of any type and takes it into `event` (when
    /// not null). SDL sleeps between its looks at the queue, so the wait costs
    /// no processor time. False when SDL's wait fails, and at once when no
    /// event type is enabled and none is queued (none could ever come).
    bool WaitEvent(KWOEvent* event);
    /// Takes the first queued event of `type` into `event` (when not null),
    /// leaving the events of other types queued in their order; false when
    /// none is queued. Lets a program notice, say, a quit request during an
    /// animation without losing the keys pressed meanwhile.
    bool TakeEvent(unsigned char type, KWOEvent* event);
    /// Key repeat: a held key repeats after `delay` ms, every `interval` ms;
    /// a delay of 0 switches repeat off. False when SDL refuses the values.
    bool EnableKeyRepeat(unsigned delay, unsigned interval);

    /// Writes the mask of enabled event types to the log.
    void PrintInfo() const;

private:
    static KWOInput* m_instance;
};

#endif
