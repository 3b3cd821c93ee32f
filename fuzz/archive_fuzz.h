// Shared body of the archive fuzz targets: the input becomes an archive file
// (archives open by name), every member is read through its stream, and the
// archive is changed and read again.
#ifndef KWO_FUZZ_ARCHIVE_FUZZ_H
#define KWO_FUZZ_ARCHIVE_FUZZ_H

#include "core/KWOLog.h"
#include "files/KWOArchive.h"
#include "files/KWOResFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fuzz
{
// A scratch folder that is also the working directory, where the archives
// put their temporary file; removed when the process ends. The path is never
// freed, so that it is still there when the folder is removed at exit.
inline const std::string& ScratchDir()
{
    static const std::string* dir = []
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kwo-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::filesystem::current_path(pattern);
        KWO::SetLogLevel(0); // the listings are exercised, not shown
        std::atexit(
            []
            {
                std::error_code ec;
                std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
                std::filesystem::remove_all(*dir, ec);
            });
        return new std::string(pattern);
    }();
    return *dir;
}

inline bool WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// Reads every member; no stream may give more than its member holds.
inline void ReadMembers(const KWOArchive& archive, size_t fileSize)
{
    for (unsigned int i = 0; i < archive.NbFiles(); ++i)
    {
        std::unique_ptr<KWOResFile> stream(archive.OpenResFile(i));
        if (!stream)
            continue;
        if (stream->GetPos() != 0)
            std::abort();
        char buffer[4096];
        uint64_t total = 0;
        while (unsigned int n = stream->Read(buffer, sizeof buffer))
            total += n;
        if (total > archive.FileSize(i) || total > fileSize)
            std::abort();
        stream->Seek(0, 2);
        if (stream->GetPos() > archive.FileSize(i))
            std::abort();
        const char* name = archive.FileName(i);
        if (archive.FindFile(name) > i)
            std::abort();
    }
}

template <typename Archive> void Run(const uint8_t* data, size_t size)
{
    const std::string& dir = ScratchDir();
    const std::string path = dir + "/input.arc";
    const std::string extra = dir + "/extra.bin";
    if (!WriteFile(path, data, size))
        return;
    Archive archive;
    if (!archive.Open(path.c_str()))
        return;
    ReadMembers(archive, size);
    archive.TotalSize();
    archive.PrintContent();
    archive.PrintInfo();
    archive.Sort(KWOFileProvider::SortByExtension);
    archive.Sort(KWOFileProvider::SortBySize | KWOFileProvider::SortReversed);

    // Change the archive: what it then holds must still read back.
    const uint64_t entries = archive.NbFiles();
    const uint8_t last = size ? data[size - 1] : 0;
    if (!WriteFile(extra, data, size < 64 ? size : 64))
        return;
    if (archive.NbFiles() > 0)
    {
        const unsigned int index = last % archive.NbFiles();
        if (last & 0x80)
            archive.UpdateFile(index, extra.c_str());
        else
            archive.RemoveFile(index);
        archive.RenameFile(0, "renamed");
    }
    archive.AddFile(extra.c_str(), "added");
    // The file grows by at most the data added and a directory, whatever
    // its header said.
    const uintmax_t newSize = std::filesystem::file_size(path);
    if (newSize > size + 200 + 64 * (entries + 1))
        std::abort();
    Archive again;
    if (again.Open(path.c_str()))
        ReadMembers(again, static_cast<size_t>(newSize));
}
} // namespace fuzz

#endif
