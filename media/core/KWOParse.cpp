#include "core/KWOParse.h"

#include "core/KWOLog.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace
{
#if defined(_WIN32)
const char kDirSeparator = '\\';
#else
const char kDirSeparator = '/';
#endif

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// True when `text` starts with the upper-case `word`, ignoring ASCII case.
// Stops at the first difference, so it never looks past the terminator.
bool StartsWithWord(const char* text, const char* word)
{
    for (; *word; ++text, ++word)
    {
        if (UpperAscii(*text) != *word)
            return false;
    }
    return true;
}

// The cursor form of a reader: on success, one ',' directly behind the value
// is stepped over and the cursor moves; on failure it stays.
template <typename T>
bool ReadAtCursor(char** cursor, T& value, const char* (*reader)(const char*, T&))
{
    if (!cursor || !*cursor)
        return false;
    const char* end = reader(*cursor, value);
    if (!end)
        return false;
    if (*end == ',')
        ++end;
    // The readers only ever return positions inside the caller's text.
    *cursor = const_cast<char*>(end);
    return true;
}

// Fits a date field into an int for struct tm.
bool ToTmField(long long v, int& out)
{
    if (v < INT_MIN || v > INT_MAX)
        return false;
    out = static_cast<int>(v);
    return true;
}
} // namespace

unsigned KWOParse::ReadString(char** cursor, char* out, unsigned max, char delim)
{
    if (out)
        out[0] = '\0';
    if (!cursor || !*cursor)
        return 0;
    const char* p = EatSpace(*cursor);
    const bool limited = out != nullptr;
    unsigned n = 0;
    while (*p && *p != delim && (!limited || n < max))
    {
        if (out)
            out[n] = *p;
        ++n;
        ++p;
    }
    if (out)
        out[n] = '\0';
    // A zero delimiter is the end of the text: never step past it.
    if (*p && *p == delim)
        ++p;
    *cursor = const_cast<char*>(p);
    return n;
}

bool KWOParse::ReadBoolean(char** cursor, bool& value)
{
    return ReadAtCursor<bool>(cursor, value, &KWOParse::ReadBoolean);
}

bool KWOParse::ReadInt(char** cursor, int& value)
{
    return ReadAtCursor<int>(cursor, value, &KWOParse::ReadInt);
}

bool KWOParse::ReadFloat(char** cursor, float& value)
{
    return ReadAtCursor<float>(cursor, value, &KWOParse::ReadFloat);
}

bool KWOParse::ReadColor(char** cursor, unsigned char* rgba)
{
    if (!cursor || !*cursor || !rgba)
        return false;
    const char* end = ReadColor(*cursor, rgba);
    if (!end)
        return false;
    if (*end == ',')
        ++end;
    *cursor = const_cast<char*>(end);
    return true;
}

bool KWOParse::ReadGeometry(char** cursor, KWORect& rect)
{
    int v = 0;
    if (!ReadInt(cursor, v))
        return false;
    rect.x = static_cast<int16_t>(v);
    if (!ReadInt(cursor, v))
        return false;
    rect.y = static_cast<int16_t>(v);
    if (!ReadInt(cursor, v))
        return false;
    rect.w = static_cast<uint16_t>(v);
    if (!ReadInt(cursor, v))
        return false;
    rect.h = static_cast<uint16_t>(v);
    return true;
}

const char* KWOParse::ReadBoolean(const char* text, bool& value)
{
    if (!text)
        return nullptr;
    const char* p = EatSpace(text);
    if (*p == '\0')
        return nullptr;
    if (*p == '1' || *p == '0')
    {
        value = *p == '1';
        return p + 1;
    }
    static const struct
    {
        const char* word;
        bool value;
    } words[] = {{"YES", true}, {"NO", false}, {"TRUE", true}, {"FALSE", false}};
    for (const auto& w : words)
    {
        if (StartsWithWord(p, w.word))
        {
            value = w.value;
            return p + std::strlen(w.word);
        }
    }
    return nullptr;
}

const char* KWOParse::ReadInt(const char* text, int& value)
{
    if (!text)
        return nullptr;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text)
        return nullptr;
    // long may be wider than int: hold the value to int's range, as a 32-bit
    // strtol would, instead of letting it wrap.
    if (v > INT_MAX)
        value = INT_MAX;
    else if (v < INT_MIN)
        value = INT_MIN;
    else
        value = static_cast<int>(v);
    return end;
}

const char* KWOParse::ReadFloat(const char* text, float& value)
{
    if (!text)
        return nullptr;
    char* end = nullptr;
    const double d = std::strtod(text, &end);
    if (end == text)
        return nullptr;
    // Out-of-range doubles become infinities, as the hardware conversion
    // would give, without the undefined narrowing.
    if (d > FLT_MAX)
        value = HUGE_VALF;
    else if (d < -FLT_MAX)
        value = -HUGE_VALF;
    else
        value = static_cast<float>(d);
    return end;
}

const char* KWOParse::ReadColor(const char* text, unsigned char* rgba)
{
    if (!text || !rgba)
        return nullptr;
    const char* p = std::strchr(text, '#');
    if (!p)
        return nullptr;
    ++p;
    int digits = 0;
    while (digits < 8 && IsHexDigit(p[digits]))
        ++digits;
    if (digits < 6)
        return nullptr;
    rgba[0] = Hexa2Dec(p[0], p[1]);
    rgba[1] = Hexa2Dec(p[2], p[3]);
    rgba[2] = Hexa2Dec(p[4], p[5]);
    if (digits == 8)
    {
        rgba[3] = Hexa2Dec(p[6], p[7]);
        return p + 8;
    }
    return p + 6;
}

bool KWOParse::ReadDate(const char* text, unsigned long& time)
{
    if (!text)
        return false;
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const int fields =
        std::sscanf(text, "%u/%u/%u %u:%u:%u", &year, &month, &day, &hour, &minute, &second);
    if (fields < 3)
        return false;
    if (year < 100)
        year += 2000;
    if (month > 12 || day > 31)
        return false;

    std::tm tm;
    std::memset(&tm, 0, sizeof tm);
    if (!ToTmField(static_cast<long long>(year) - 1900, tm.tm_year) ||
        !ToTmField(hour, tm.tm_hour) || !ToTmField(minute, tm.tm_min) ||
        !ToTmField(second, tm.tm_sec))
        return false;
    // Stored dates count months from 0.
    tm.tm_mon = static_cast<int>(month);
    tm.tm_mday = static_cast<int>(day);
    // Let the C library decide whether daylight saving time applies, so that
    // a date written from local time reads back as the same instant.
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    // -1 is the C library's failure; earlier instants have no unsigned value.
    if (t < 0)
        return false;
    time = static_cast<unsigned long>(t);
    return true;
}

char* KWOParse::EatSpace(const char* text)
{
    if (!text)
        return nullptr;
    while (IsBlank(*text))
        ++text;
    return const_cast<char*>(text);
}

char* KWOParse::SkipEqual(char* text)
{
    char* p = EatSpace(text);
    if (p && (*p == '=' || *p == ':'))
    {
        p = EatSpace(p + 1);
        if (*p)
            return p;
    }
    KWO::LOG("SkipEqual: missing : or =, or value\n");
    return nullptr;
}

unsigned char KWOParse::Hexa2Dec(unsigned char high, unsigned char low)
{
    auto digit = [](unsigned char c) -> unsigned
    {
        if (c <= '9')
            return c - static_cast<unsigned>('0');
        if (c <= 'F')
            return c - 55u;
        return c - 87u;
    };
    return static_cast<unsigned char>((digit(high) * 16u + digit(low)) & 0xFFu);
}

void KWOParse::Hexa2Float(const char* text, float* rgb)
{
    if (!text || !rgb)
        return;
    // A text shorter than six characters reads as if padded with '0'.
    char d[6];
    bool ended = false;
    for (int i = 0; i < 6; ++i)
    {
        if (!ended && text[i] == '\0')
            ended = true;
        d[i] = ended ? '0' : text[i];
    }
    for (int i = 0; i < 3; ++i)
        rgb[i] = static_cast<float>(Hexa2Dec(d[2 * i], d[2 * i + 1]) / 255.0);
}

void KWOParse::Dec2Hexa(unsigned value, int digits, char* out)
{
    static const char hex[] = "0123456789ABCDEF";
    if (!out)
        return;
    if (digits < 0)
        digits = 0;
    if (digits > 8)
        digits = 8;
    out[digits] = '\0';
    for (int i = digits - 1; i >= 0; --i)
    {
        out[i] = hex[value & 0xF];
        value >>= 4;
    }
}

void KWOParse::Dec2Hexa(unsigned char* bytes, int count, char* out)
{
    static const char hex[] = "0123456789ABCDEF";
    if (!bytes || !out)
        return;
    for (int i = 0; i < count; ++i)
    {
        *out++ = hex[bytes[i] >> 4];
        *out++ = hex[bytes[i] & 0xF];
    }
}

void KWOParse::RGB_to_HSV(float r, float g, float b, float& h, float& s, float& v)
{
    v = r > g ? r : g;
    if (b > v)
        v = b;
    float min = r < g ? r : g;
    if (b < min)
        min = b;
    const float delta = v - min;
    s = v == 0.0f ? 0.0f : delta / v;
    if (s == 0.0f)
    {
        h = 0.0f;
        return;
    }
    if (r == v)
        h = (g - b) / delta;
    else if (g == v)
        h = 2.0f + (b - r) / delta;
    else
        h = 4.0f + (r - g) / delta;
    h *= 60.0f;
    if (h < 0.0f)
        h += 360.0f;
}

void KWOParse::HSV_to_RGB(float h, float s, float v, float& r, float& g, float& b)
{
    if (s == 0.0f)
    {
        r = g = b = v;
        return;
    }
    if (h == 360.0f)
        h = 0.0f;
    h /= 60.0f;
    // Only sectors 0 to 5 give a colour; test the range before converting so
    // that a huge or undefined hue never reaches the integer conversion.
    if (!(h > -1.0f && h < 6.0f))
        return;
    const int i = static_cast<int>(h);
    const float f = h - static_cast<float>(i);
    const float p = v * (1.0f - s);
    const float q = v * (1.0f - s * f);
    const float t = v * (1.0f - s * (1.0f - f));
    switch (i)
    {
        case 0:
            r = v, g = t, b = p;
            break;
        case 1:
            r = q, g = v, b = p;
            break;
        case 2:
            r = p, g = v, b = t;
            break;
        case 3:
            r = p, g = q, b = v;
            break;
        case 4:
            r = t, g = p, b = v;
            break;
        default:
            r = v, g = p, b = q;
            break;
    }
}

float KWOParse::RGB2H(float* rgb)
{
    float h = 0.0f, s = 0.0f, v = 0.0f;
    if (rgb)
        RGB_to_HSV(rgb[0], rgb[1], rgb[2], h, s, v);
    return h;
}

void KWOParse::H2RGB(float h, float* rgb)
{
    if (rgb)
        HSV_to_RGB(h, 1.0f, 1.0f, rgb[0], rgb[1], rgb[2]);
}

void KWOParse::Obfuscate(const char* source, char* target)
{
    if (!source || !target)
        return;
    for (; *source; ++source, ++target)
        *target = static_cast<char>(~static_cast<unsigned char>(*source));
    *target = '\0';
}

int KWOParse::ForceRange(char* text, char low, char high, char replacement)
{
    if (!text)
        return 0;
    const unsigned char lo = static_cast<unsigned char>(low);
    const unsigned char hi = static_cast<unsigned char>(high);
    int count = 0;
    for (; *text; ++text)
    {
        const unsigned char c = static_cast<unsigned char>(*text);
        if (c < lo || c > hi)
        {
            *text = replacement;
            ++count;
        }
    }
    return count;
}

int KWOParse::SystemPath(char* path)
{
    if (!path)
        return 0;
    int count = 0;
    for (; *path; ++path)
    {
        if (*path == '\\' || *path == '/' || *path == ':')
        {
            *path = kDirSeparator;
            ++count;
        }
    }
    return count;
}
