// Runs the text readers over arbitrary bytes: every reader must stay inside
// the zero-terminated text and every cursor loop must end.
#include "core/KWOParse.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

namespace
{
// The input as a zero-terminated text in a buffer of exactly its size, so
// that any read past the terminator is caught.
std::unique_ptr<char[]> MakeText(const uint8_t* data, size_t size)
{
    std::unique_ptr<char[]> text(new char[size + 1]);
    if (size)
        std::memcpy(text.get(), data, size);
    text[size] = '\0';
    return text;
}

void CheckInside(const char* text, const char* end, const char* p)
{
    if (p && (p < text || p > end))
        std::abort();
}

// Calls a cursor reader until it fails; each success has to move forward and,
// unless `partial` (a geometry keeps the fields read before a failure), a
// failure leaves the cursor alone.
template <typename F> void Drain(char* text, const char* end, F read, bool partial = false)
{
    char* cur = text;
    for (;;)
    {
        char* before = cur;
        if (!read(&cur))
        {
            CheckInside(text, end, cur);
            if (!partial && cur != before)
                std::abort();
            break;
        }
        CheckInside(text, end, cur);
        if (cur <= before)
            std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<char[]> holder = MakeText(data, size);
    char* text = holder.get();
    // An embedded zero ends the text as the readers see it.
    char* end = text + std::strlen(text);

    // Fields with a few delimiters, with and without an output buffer.
    const char delims[] = {',', ';', ' ', '\0', '='};
    for (char delim : delims)
    {
        for (unsigned max : {0u, 1u, 7u, 64u})
        {
            std::unique_ptr<char[]> out(new char[max + 1]);
            char* cur = text;
            for (size_t guard = 0; guard <= size + 1 && *cur; ++guard)
            {
                char* before = cur;
                const unsigned n = KWOParse::ReadString(&cur, out.get(), max, delim);
                CheckInside(text, end, cur);
                if (n > max || std::strlen(out.get()) != n)
                    std::abort();
                if (cur == before)
                    break;
            }
        }
        char* cur = text;
        while (*cur)
        {
            char* before = cur;
            KWOParse::ReadString(&cur, nullptr, 0, delim);
            CheckInside(text, end, cur);
            if (cur == before)
                break;
        }
    }

    bool b = false;
    int i = 0;
    float f = 0.0f;
    unsigned char rgba[4] = {0, 0, 0, 0};
    KWORect rect;
    Drain(text, end, [&](char** c) { return KWOParse::ReadBoolean(c, b); });
    Drain(text, end, [&](char** c) { return KWOParse::ReadInt(c, i); });
    Drain(text, end, [&](char** c) { return KWOParse::ReadFloat(c, f); });
    Drain(text, end, [&](char** c) { return KWOParse::ReadColor(c, rgba); });
    Drain(
        text, end, [&](char** c) { return KWOParse::ReadGeometry(c, rect); }, true);

    // Mixed readers from every starting position of a short text.
    const size_t starts = size < 64 ? size : 64;
    for (size_t s = 0; s < starts && s < static_cast<size_t>(end - text); ++s)
    {
        CheckInside(text, end, KWOParse::ReadBoolean(text + s, b));
        CheckInside(text, end, KWOParse::ReadInt(text + s, i));
        CheckInside(text, end, KWOParse::ReadFloat(text + s, f));
        CheckInside(text, end, KWOParse::ReadColor(text + s, rgba));
        CheckInside(text, end, KWOParse::EatSpace(text + s));
        CheckInside(text, end, KWOParse::SkipEqual(text + s));
        unsigned long when = 0;
        KWOParse::ReadDate(text + s, when);
    }

    float rgb[3];
    KWOParse::Hexa2Float(text, rgb);
    char hex[9];
    KWOParse::Dec2Hexa(static_cast<unsigned>(size * 2654435761u), static_cast<int>(size % 12) - 2,
                       hex);

    std::unique_ptr<char[]> scrambled(new char[size + 1]);
    KWOParse::Obfuscate(text, scrambled.get());
    KWOParse::SystemPath(text);
    if (size >= 3)
        KWOParse::ForceRange(text, static_cast<char>(data[0]), static_cast<char>(data[1]),
                             static_cast<char>(data[2]));
    return 0;
}
