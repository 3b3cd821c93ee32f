// Case-insensitive comparison of texts for the application services. Only
// the ASCII letters have a case: other bytes compare by value, whatever the
// locale says.
#ifndef KWOMEDIA_APP_ASCII_TEXT_H
#define KWOMEDIA_APP_ASCII_TEXT_H

namespace kwo_app
{
inline unsigned char LowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Negative, 0 or positive as `a` sorts before, equal to or after `b`.
inline int CompareNoCase(const char* a, const char* b)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    for (;; ++p, ++q)
    {
        const int x = LowerAscii(*p);
        const int y = LowerAscii(*q);
        if (x != y || x == 0)
            return x - y;
    }
}

inline bool EqualNoCase(const char* a, const char* b)
{
    return CompareNoCase(a, b) == 0;
}
} // namespace kwo_app

#endif
