/// @file
/// Symbol visibility of the KWOMedia shared library.
/// The library is compiled with hidden visibility; KWO_API marks what is exported.
#ifndef KWOMEDIA_KWOEXPORT_H
#define KWOMEDIA_KWOEXPORT_H

#if defined(_WIN32)
#if defined(KWOMEDIA_BUILD)
#define KWO_API __declspec(dllexport)
#else
#define KWO_API __declspec(dllimport)
#endif
#else
#define KWO_API __attribute__((visibility("default")))
#endif

#endif
