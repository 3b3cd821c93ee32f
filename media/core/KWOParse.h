/// @class KWOParse
/// KWOParse: reading values out of text, colour conversions, small string
/// clean-ups.
///
/// Two families of readers: the `const char*` forms read one value and return
/// the position behind it (null on failure); the cursor forms (`char**`) call
/// them, and on success step over one ',' directly behind the value and move
/// the cursor; on failure they return false and leave the cursor alone. Texts
/// are zero-terminated; no reader looks past the terminator. Nothing here logs
/// except SkipEqual. Case-insensitive matching knows ASCII letters only.
///
/// Colours are arrays of unsigned bytes (red, green, blue, optionally alpha) or
/// of three floats in 0...1; hue is in degrees (0 to 360), saturation and value
/// in 0...1.
#ifndef KWOMEDIA_CORE_KWOPARSE_H
#define KWOMEDIA_CORE_KWOPARSE_H

#include "KWOExport.h"
#include "core/KWORect.h"

class KWO_API KWOParse
{
public:
    /// Skips spaces and tabs, then copies up to `max` characters before `delim`
    /// or the end into `out` (which needs max + 1 bytes) and zero-terminates
    /// it; a delimiter reached is stepped over. A null `out` only skips the
    /// field (no limit). Returns the number of characters taken.
    static unsigned ReadString(char** cursor, char* out, unsigned max, char delim);

    static bool ReadBoolean(char** cursor, bool& value);
    static bool ReadInt(char** cursor, int& value);
    static bool ReadFloat(char** cursor, float& value);
    /// Four integers: x, y, w, h (each kept to 16 bits). Fields read before a
    /// failure stay set.
    static bool ReadGeometry(char** cursor, KWORect& rect);
    static bool ReadColor(char** cursor, unsigned char* rgba);

    /// '1', '0', "yes", "no", "true" or "false" in any case, after spaces and
    /// tabs. Only the matched characters are consumed.
    static const char* ReadBoolean(const char* text, bool& value);
    /// A decimal integer as strtol reads it, held to the range of int.
    static const char* ReadInt(const char* text, int& value);
    /// A number as strtod reads it, stored as float.
    static const char* ReadFloat(const char* text, float& value);
    /// '#' (anything before it is skipped) and 6 or 8 hexadecimal digits; with
    /// 6 or 7 digits the alpha byte is left unchanged. Returns the position
    /// behind the digits used.
    static const char* ReadColor(const char* text, unsigned char* rgba);
    /// "year/month/day[ hour:minute:second]" in local time, the month counted
    /// from 0 (as the configuration files store it), a two-digit year being
    /// 20xx. Fails on fewer than three fields, a month above 12, a day above 31
    /// or a time that cannot be represented.
    static bool ReadDate(const char* text, unsigned long& time);

    /// The first character that is neither a space nor a tab.
    static char* EatSpace(const char* text);
    /// Steps over spaces, one '=' or ':' and more spaces; returns the position
    /// of the value behind, or logs and returns null when the separator or the
    /// value is missing.
    static char* SkipEqual(char* text);

    /// Two hexadecimal digits to a byte (no validation).
    static unsigned char Hexa2Dec(unsigned char high, unsigned char low);
    /// Six hexadecimal digits to three floats in 0...1.
    static void Hexa2Float(const char* text, float* rgb);
    /// The low `digits` (at most 8) hexadecimal digits of `value`, upper case,
    /// zero-padded and zero-terminated.
    static void Dec2Hexa(unsigned value, int digits, char* out);
    /// Two upper-case digits per byte; no terminator is written.
    static void Dec2Hexa(unsigned char* bytes, int count, char* out);

    static void RGB_to_HSV(float r, float g, float b, float& h, float& s, float& v);
    static void HSV_to_RGB(float h, float s, float v, float& r, float& g, float& b);
    static float RGB2H(float* rgb);
    static void H2RGB(float h, float* rgb);

    /// Copies `source` with every byte complemented (255 - b); applying it
    /// again restores the text.
    static void Obfuscate(const char* source, char* target);
    /// Replaces every character outside low...high (as unsigned values) by
    /// `replacement`; returns the number replaced.
    static int ForceRange(char* text, char low, char high, char replacement);
    /// Turns '\\', '/' and ':' into the platform's directory separator; returns
    /// how many such characters there were.
    static int SystemPath(char* path);
};

#endif
