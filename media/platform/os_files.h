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
    std::string m_bare; // the pattern without a trailing ".*", or empty
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

// Writes a new version of a file and puts it in place in one step, so that
// the file is replaced whole or not at all.
//
// Begin creates an empty temporary file in the target's own folder, unnamed
// where the file system allows it (a killed process leaves nothing behind),
// else hidden under a name made unique by the system and carrying the
// writer's process number, so that a later replacement of the same target
// removes what a killed writer left; the caller writes it (Write, or a stream
// opened on TempPath()), and Commit checks that everything reached the disk (flush, close, fsync)
// before renaming it over the target. A symbolic link is followed: the link stays and the file it
// names is replaced. An existing target keeps its permission bits (and, where allowed, its owner);
// a new one gets the usual bits of a new file (0666 less the umask). A target that exists but
// cannot be written, or is not a regular file, is refused as a plain write would be. On any
// failure, and when the object goes without Commit, the temporary file is removed and the target is
// left exactly as it was.
class FileReplacer
{
public:
    FileReplacer() = default;
    ~FileReplacer();
    FileReplacer(const FileReplacer&) = delete;
    FileReplacer& operator=(const FileReplacer&) = delete;

    // Prepares the replacement of `target`. With `mustBeNew` the target must
    // not exist, and Commit never puts the new file over one that appeared
    // meanwhile.
    bool Begin(const char* target, bool mustBeNew = false);
    // The temporary file being written (empty before Begin).
    const char* TempPath() const { return m_temp.c_str(); }
    // The file that Commit replaces: the target with its links followed.
    const char* FinalPath() const { return m_final.c_str(); }
    // Appends bytes to the temporary file; false when they were not all written.
    bool Write(const void* data, size_t size);
    // Gives the new file these permission bits (and the times of another
    // file) instead of the target's.
    void SetMode(unsigned mode) { m_mode = mode & 07777; }
    bool CopyTimesFrom(const char* path);
    // The temporary file's descriptor, for copies inside the platform layer.
    int Descriptor() const { return m_fd; }
    // Makes the new file durable and puts it in place.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Abandon();

private:
    bool NameUnnamed();

    int m_fd = -1;
    std::string m_temp;
    std::string m_final;
    std::string m_folder;
    std::string m_hiddenName; // prefix of the temporary file's name
    bool m_unnamed = false;   // the file has no name yet (m_temp reaches it by descriptor)
    unsigned m_mode = 0;
    bool m_mustBeNew = false;
    bool m_failed = false;
};

// Forces what was written to a file out to the disk.
bool SyncFile(const char* path);
// Cuts a file to `size` bytes (or grows it with zeros).
bool TruncateFile(const char* path, uint64_t size);

// An advisory lock that lets one process at a time change a file; readers
// are not held up. Acquire waits up to `timeoutMs` milliseconds for a
// holder to finish. When the holder replaced the file (a rename over it)
// while we waited, the lock is taken again on the file that now bears the
// name. The lock goes with Release or the object.
class FileLock
{
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    enum Result
    {
        Locked,
        Busy,  // still held by another writer when the time was up
        Failed // the file cannot be opened
    };
    Result Acquire(const char* path, unsigned timeoutMs);
    void Release();

private:
    int m_fd = -1;
};

// Full path of the running program.
bool GetExePath(std::string& path);
// An environment variable, or null when it is not set or empty.
const char* GetEnv(const char* name);
} // namespace OS
} // namespace KWO

#endif
