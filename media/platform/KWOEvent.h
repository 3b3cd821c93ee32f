/// @class KWOEvent
/// KWOEvent: a copy of one SDL event.
///
/// The record has the size and alignment of SDL_Event on the platform the
/// library is built for (20 bytes on 32-bit systems, 24 on 64-bit ones), so
/// its bytes can be copied into an SDL_Event to read the event's fields. Its
/// first byte is the SDL event type: 1 active, 2 key down, 3 key up, 4 mouse
/// motion, 5 button down, 6 button up, 12 quit, and the rest of SDL's
/// numbering.
///
/// The accessors read the fields of the kinds of events a game reacts to
/// (keys and mouse buttons) without SDL's headers; the constants name SDL's
/// event types, key symbols and mouse buttons.
#ifndef KWOMEDIA_PLATFORM_KWOEVENT_H
#define KWOMEDIA_PLATFORM_KWOEVENT_H

#include "../KWOExport.h"

class KWO_API KWOEvent
{
public:
    /// Bytes of SDL_Event on this platform.
    static const unsigned SIZE = sizeof(void*) == 8 ? 24 : 20;

    /// The event's bytes, as SDL laid them out.
    alignas(void*) unsigned char m_data[SIZE];

    /// @{
    /// Event types (the first byte).
    static constexpr unsigned char TypeKeyDown = 2;
    static constexpr unsigned char TypeKeyUp = 3;
    static constexpr unsigned char TypeMouseMotion = 4;
    static constexpr unsigned char TypeButtonDown = 5;
    static constexpr unsigned char TypeButtonUp = 6;
    static constexpr unsigned char TypeQuit = 12;
    /// @}
    /// @{
    /// Key symbols, as Key() returns them; printable keys are their ASCII
    /// codes in lower case ('a' for the A key).
    static constexpr unsigned KeyBackspace = 8;
    static constexpr unsigned KeyReturn = 13;
    static constexpr unsigned KeyEscape = 27;
    static constexpr unsigned KeySpace = 32;
    static constexpr unsigned KeyKeypadEnter = 271;
    static constexpr unsigned KeyUp = 273;
    static constexpr unsigned KeyDown = 274;
    static constexpr unsigned KeyRight = 275;
    static constexpr unsigned KeyLeft = 276;
    /// @}
    /// @{
    /// Mouse buttons, as Button() returns them; the wheel counts as two
    /// buttons, one press for each notch.
    static constexpr unsigned ButtonLeft = 1;
    static constexpr unsigned ButtonMiddle = 2;
    static constexpr unsigned ButtonRight = 3;
    static constexpr unsigned ButtonWheelUp = 4;
    static constexpr unsigned ButtonWheelDown = 5;
    /// @}

    /// SDL's event type (the first byte).
    unsigned char Type() const { return m_data[0]; }
    /// A key event's key symbol; 0 for other events.
    unsigned Key() const;
    /// A key event's character (with SDL's Unicode translation on); 0 for
    /// other events or without translation.
    unsigned Unicode() const;
    /// True for a key-down event of `key`.
    bool IsKeyDown(unsigned key) const;
    /// The button of a mouse button event (ButtonLeft, ButtonMiddle,
    /// ButtonRight, ...); 0 for other events.
    unsigned Button() const;
    /// @{
    /// The position of a mouse button or motion event; 0 for other events.
    int X() const;
    int Y() const;
    /// @}

    /// Writes the event's type to the log.
    void PrintInfo() const;
};

#endif
