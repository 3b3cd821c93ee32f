// Shared by the fuzz targets of the application services, whose classes load
// files by name: a scratch folder for the input and what is saved from it.
#ifndef KWO_FUZZ_APP_FUZZ_H
#define KWO_FUZZ_APP_FUZZ_H

#include "core/KWOLog.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace app_fuzz
{
// Created on first use, removed when the process ends. The path is never
// freed, so that it is still there at exit.
inline const std::string& ScratchDir()
{
    static const std::string* dir = []
    {
        // A memory-backed folder when there is one: every run writes files.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "kwo-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        KWO::SetLogLevel(0); // messages are exercised, not shown
        std::atexit(
            []
            {
                std::error_code ec;
                std::filesystem::remove_all(*dir, ec);
            });
        return new std::string(pattern);
    }();
    return *dir;
}

inline std::string ScratchPath(const char* name)
{
    return ScratchDir() + "/" + name;
}

inline bool WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
} // namespace app_fuzz

#endif
