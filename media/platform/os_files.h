// The operating system's file services, behind one small set of functions.
//
// Everything the library asks the file system (status, directory search,
// working directory, moves and copies, the program's own file) goes through
// these functions; a port to another system replaces os_files.cpp only.
// Internal to the library: not exported.
#ifndef KWOMEDIA_PLATFORM_OS_FILES_H
#define KWOMEDIA_PLATFORM_OS_FILES_H

#include <cstdint>
#include <string>

namespace KWO
{
namespace OS
{
// The separator used to build paths.
constexpr char PathSeparator = '/';

// Longest path, terminating zero included, that the system accepts.
constexpr unsigned MaxPath = 4096;

// Both separators are understood when a path is split or read.
inline bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// File status: the mode bits (0x4000 directory, 0x8000 regular file and the
// permission bits), the size in bytes and the modification time in seconds
// since 1970-01-01 UTC. Links are followed.
struct FileStatus
{
    unsigned mode = 0;
    uint64_t size = 0;
    int64_t mtime = 0;
};

constexpr unsigned ModeDirectory = 0x4000;
constexpr unsigned ModeRegular = 0x8000;

bool Stat(const char* path, FileStatus& status);
// Both paths name the same file (same device and node).
bool SameFile(const char* a, const char* b);
// A name the file system treats as hidden: a leading dot, "." and ".." aside.
bool IsHiddenName(const char* name);

// One directory search: the names of a folder that match a pattern where "*"
// and "?" are the only wildcards and letters match without regard to case.
// The entries "." and ".." are returned like any other name.
class DirSearch
{
public:
    DirSearch() = default;
    ~DirSearch();
    DirSearch(const DirSearch&) = delete;
    DirSearch& operator=(const DirSearch&) = delete;

    // Opens the folder; false when it cannot be read.
    bool Start(const char* dir, const char* pattern);
    // The next matching name, null at the end. Valid until the next call.
    const char* Next();
    // Status of the name last returned, read inside the searched folder
    // whatever the working directory is.
    bool Status(FileStatus& status) const;
    void Close();

private:
    void* m_dir = nullptr;
    const char* m_name = nullptr;
    std::string m_pattern;
};

// Keeps the process's working directory and goes back to it when asked or
// on destruction, even when its path has become unreachable by name.
class WorkDirKeeper
{
public:
    WorkDirKeeper() = default;
    ~WorkDirKeeper();
    WorkDirKeeper(const WorkDirKeeper&) = delete;
    WorkDirKeeper& operator=(const WorkDirKeeper&) = delete;

    // False when the working directory cannot be kept (nothing to go back to).
    bool Save();
    bool Restore();

private:
    int m_fd = -1;
    std::string m_path;
    bool m_saved = false;
};

// The working directory into `buffer` (size bytes, zero included); false,
// and nothing usable in the buffer, when it does not fit or cannot be read.
bool GetWorkDir(char* buffer, unsigned size);
bool GetWorkDir(std::string& path);
bool SetWorkDir(const char* path);

bool MakeDir(const char* path);
// Deletes a file (never a directory).
bool RemoveFile(const char* path);
// Moves a file or a folder. Without `replace` an existing target makes it
// fail; with it an existing file is replaced in one step. A file moved to
// another file system is copied, then the original deleted.
bool Move(const char* from, const char* to, bool replace);
// Copies a regular file with its permissions and modification time. The
// target appears complete or not at all; without `replace` an existing
// target makes it fail.
bool Copy(const char* from, const char* to, bool replace);

// Full path of the running program.
bool GetExePath(std::string& path);
// An environment variable, or null when it is not set or empty.
const char* GetEnv(const char* name);
} // namespace OS
} // namespace KWO

#endif
