// The system's extensions (renameat2, O_TMPFILE, FNM_CASEFOLD) are asked
// for by name: g++ does so by itself, the browser's C library does not.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif

#include "platform/os_files.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <atomic>
#include <cinttypes>
#include <ctime>
#include <memory>
#include <new>
#include <string>

static_assert(KWO::OS::MaxPath == PATH_MAX, "MaxPath follows the system's limit");

namespace KWO
{
namespace OS
{
namespace
{
void FillStatus(const struct stat& st, FileStatus& status)
{
    status.mode = static_cast<unsigned>(st.st_mode) & 0xFFFFu;
    // The type codes of block devices (0x6000) and sockets (0xC000) share
    // bits with those of folders and regular files: such entries keep only
    // their permission bits, so that no bit test takes them for either.
    if (S_ISBLK(st.st_mode) || S_ISSOCK(st.st_mode))
        status.mode &= ~static_cast<unsigned>(S_IFMT);
    status.size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    status.mtime = static_cast<int64_t>(st.st_mtime);
}

bool Fits(const char* path)
{
    return path && *path && std::strlen(path) < MaxPath;
}

// Windows patterns know "*" and "?" only: a bracket is an ordinary
// character, so it is turned into the one-character class "[[]".
std::string ToFnmatch(const char* pattern)
{
    std::string out;
    for (const char* p = pattern; *p; ++p)
    {
        if (*p == '[')
            out += "[[]";
        else
            out += *p;
    }
    return out;
}

// As on Windows, a trailing ".*" also takes a name without any extension
// ("*.*" lists everything): `bare` is the pattern without it (or empty).
bool Matches(const std::string& pattern, const std::string& bare, const char* name)
{
    const int flags = FNM_NOESCAPE | FNM_CASEFOLD;
    if (::fnmatch(pattern.c_str(), name, flags) == 0)
        return true;
    return !bare.empty() && !std::strchr(name, '.') && ::fnmatch(bare.c_str(), name, flags) == 0;
}

// Moves without replacing: the kernel's no-replace rename, or, on a file
// system without it, a link and unlink (files) or a checked rename (folders).
int MoveNoReplace(const char* from, const char* to)
{
#ifndef __EMSCRIPTEN__ // the browser's file system has neither (nor hard links)
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
#endif
    if (::link(from, to) == 0)
    {
        if (::unlink(from) == 0)
            return 0;
        int err = errno;
        ::unlink(to);
        return err;
    }
    if (errno == EEXIST || errno == EXDEV || errno == ENOENT)
        return errno;
    struct stat st;
    if (::lstat(to, &st) == 0)
        return EEXIST;
    return ::rename(from, to) == 0 ? 0 : errno;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size)
    {
        ssize_t n = ::write(fd, data, size);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CopyContent(int in, int out)
{
    static const size_t kChunk = 64 * 1024;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kChunk]);
    if (!buffer)
        return false;
    for (;;)
    {
        ssize_t n = ::read(in, buffer.get(), kChunk);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        if (!WriteAll(out, buffer.get(), static_cast<size_t>(n)))
            return false;
    }
}

class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    // Closes now and reports a failed close (late write errors).
    bool Close()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// The folder part of a path ("." when there is none) and the name after it.
void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
    {
        folder = ".";
        name = path;
    }
    else
    {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// The file a path finally names once its symbolic links are followed. The
// file itself need not exist (a dangling link names the file to create).
bool FollowLinks(const char* path, std::string& final)
{
    final = path;
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat st;
        if (::lstat(final.c_str(), &st) != 0)
            return errno == ENOENT;
        if (!S_ISLNK(st.st_mode))
            return true;
        char target[MaxPath];
        const ssize_t n = ::readlink(final.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof target)
            return false;
        std::string link(target, static_cast<size_t>(n));
        if (link[0] != '/')
        {
            std::string folder, name;
            SplitPath(final, folder, name);
            link = folder + "/" + link;
        }
        if (link.size() >= MaxPath)
            return false;
        final = link;
    }
    return false; // a loop of links
}

#ifdef __EMSCRIPTEN__
// A page is the only process of its file system, and every page has the
// same process number: each page load takes a number of its own instead, so
// that a later page knows the files of a page closed while it wrote.
long ProcessNumber()
{
    static const long number = 1 + static_cast<long>(emscripten_random() * 2000000000.0);
    return number;
}

bool ProcessAlive(long pid)
{
    return pid == ProcessNumber();
}
#else
long ProcessNumber()
{
    return static_cast<long>(::getpid());
}

bool ProcessAlive(long pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}
#endif

// Whether this process may write the file (by its real rights, where the
// system knows more than one user).
bool MayWrite(const char* path)
{
#ifdef __EMSCRIPTEN__
    return ::access(path, W_OK) == 0;
#else
    return ::faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0;
#endif
}

// Temporary files of this target left by processes that were killed while
// they wrote (their names carry the writer's process number) are removed.
void RemoveOrphans(const std::string& folder, const std::string& prefix)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const long self = ProcessNumber();
    while (struct dirent* entry = ::readdir(dir))
    {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name + prefix.size(), &end, 10);
        if (pid <= 0 || pid == self || *end != '-')
            continue;
        if (!ProcessAlive(pid))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// The permission bits a new file gets: 0666 less the process's umask, read
// without changing it where the system tells it.
unsigned NewFileMode()
{
#ifdef __EMSCRIPTEN__
    // The browser's file system has one user and starts with a umask of
    // 0777, which would make files nobody may read (not even the page after
    // a reload): its files are the owner's to write, everyone's to read.
    return 0644u;
#else
    unsigned mask = 0;
    bool known = false;
    if (std::FILE* status = std::fopen("/proc/self/status", "re"))
    {
        char line[256];
        while (std::fgets(line, sizeof line, status))
        {
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
            {
                known = true;
                break;
            }
        }
        std::fclose(status);
    }
    if (!known)
    {
        const mode_t old = ::umask(022);
        ::umask(old);
        mask = static_cast<unsigned>(old);
    }
    return 0666u & ~mask;
#endif
}

// Best effort: a folder whose name cannot be made is not synced.
void SyncFolderOf(const std::string& path)
try
{
    std::string folder, name;
    SplitPath(path, folder, name);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        ::fsync(fd);
        ::close(fd);
    }
}
catch (const std::exception&)
{
}

#ifndef __EMSCRIPTEN__ // (only the lock's wait sleeps)
void SleepMilliseconds(unsigned ms)
{
    struct timespec pause = {static_cast<time_t>(ms / 1000),
                             static_cast<long>(ms % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR)
    {
    }
}
#endif

uint64_t NowMilliseconds()
{
    struct timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}
} // namespace

bool Stat(const char* path, FileStatus& status)
{
    struct stat st;
    if (!Fits(path) || ::stat(path, &st) != 0)
        return false;
    FillStatus(st, status);
    return true;
}

bool SameFile(const char* a, const char* b)
{
    struct stat sa, sb;
    if (!Fits(a) || !Fits(b) || ::stat(a, &sa) != 0 || ::stat(b, &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsHiddenName(const char* name)
{
    if (!name || name[0] != '.')
        return false;
    return !(name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

DirSearch::~DirSearch()
{
    Close();
}

bool DirSearch::Start(const char* dir, const char* pattern)
try
{
    Close();
    if (!Fits(dir) || !pattern || !*pattern)
        return false;
    m_pattern = ToFnmatch(pattern);
    const size_t n = m_pattern.size();
    if (n >= 2 && m_pattern[n - 2] == '.' && m_pattern[n - 1] == '*')
        m_bare.assign(m_pattern, 0, n - 2);
    else
        m_bare.clear();
    DIR* d = ::opendir(dir);
    if (!d)
        return false;
    m_dir = d;
    return true;
}
catch (const std::exception&)
{
    return false;
}

const char* DirSearch::Next()
{
    m_name = nullptr;
    if (!m_dir)
        return nullptr;
    while (struct dirent* e = ::readdir(static_cast<DIR*>(m_dir)))
    {
        if (Matches(m_pattern, m_bare, e->d_name))
        {
            m_name = e->d_name;
            return m_name;
        }
    }
    return nullptr;
}

bool DirSearch::Status(FileStatus& status) const
{
    if (!m_dir || !m_name)
        return false;
    struct stat st;
    if (::fstatat(::dirfd(static_cast<DIR*>(m_dir)), m_name, &st, 0) != 0)
        return false;
    FillStatus(st, status);
    return true;
}

void DirSearch::Close()
{
    if (m_dir)
        ::closedir(static_cast<DIR*>(m_dir));
    m_dir = nullptr;
    m_name = nullptr;
}

WorkDirKeeper::~WorkDirKeeper()
{
    Restore();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool WorkDirKeeper::Save()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    m_saved = m_fd >= 0 || GetWorkDir(m_path);
    return m_saved;
}

bool WorkDirKeeper::Restore()
{
    if (!m_saved)
        return false;
    if (m_fd >= 0)
        return ::fchdir(m_fd) == 0;
    return ::chdir(m_path.c_str()) == 0;
}

bool GetWorkDir(char* buffer, unsigned size)
{
    if (!buffer || size == 0)
        return false;
    if (::getcwd(buffer, size) != nullptr)
        return true;
    buffer[0] = '\0';
    return false;
}

bool GetWorkDir(std::string& path)
try
{
    char buffer[MaxPath];
    if (!GetWorkDir(buffer, MaxPath))
        return false;
    path = buffer;
    return true;
}
catch (const std::exception&)
{
    return false;
}

bool SetWorkDir(const char* path)
{
    return Fits(path) && ::chdir(path) == 0;
}

bool MakeDir(const char* path)
{
    return Fits(path) && ::mkdir(path, 0777) == 0;
}

bool RemoveFile(const char* path)
{
    return Fits(path) && ::unlink(path) == 0;
}

bool Move(const char* from, const char* to, bool replace)
{
    if (!Fits(from) || !Fits(to))
        return false;
    int err = 0;
    if (replace)
        err = ::rename(from, to) == 0 ? 0 : errno;
    else
        err = MoveNoReplace(from, to);
    if (err != EXDEV)
        return err == 0;
    // Another file system: files are copied, then the original is deleted.
    // Should the original stay, the copy goes too when it was new.
    if (!Copy(from, to, replace))
        return false;
    if (::unlink(from) == 0)
        return true;
    if (!replace)
        ::unlink(to);
    return false;
}

bool Copy(const char* from, const char* to, bool replace)
{
    if (!Fits(from) || !Fits(to))
        return false;
    Fd in(::open(from, O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // The copy is written beside the target and put in place in one step, so
    // that a failed copy never leaves a truncated file and a file copied
    // onto itself survives. Like the source, it gets its permission bits and
    // modification time; a link at the target stays and its file is replaced.
    FileReplacer out;
    if (!out.Begin(to, !replace))
        return false;
    out.SetMode(static_cast<unsigned>(st.st_mode));
    if (!CopyContent(in.Get(), out.Descriptor()) || !out.CopyTimesFrom(from))
        return false;
    return out.Commit();
}

FileReplacer::~FileReplacer()
{
    Abandon();
}

bool FileReplacer::Begin(const char* target, bool mustBeNew)
try
{
    Abandon();
    m_failed = false;
    m_mustBeNew = mustBeNew;
    struct stat st;
    // A new file is never made through an existing name, not even a link.
    if (!Fits(target) || (mustBeNew && ::lstat(target, &st) == 0) || !FollowLinks(target, m_final))
        return false;
    if (::stat(m_final.c_str(), &st) == 0)
    {
        // Only a regular file that this process may write is replaced.
        if (mustBeNew || !S_ISREG(st.st_mode) || !MayWrite(m_final.c_str()))
            return false;
        m_mode = static_cast<unsigned>(st.st_mode) & 07777;
    }
    else if (errno != ENOENT)
    {
        return false;
    }
    else
    {
        m_mode = NewFileMode();
        st.st_uid = static_cast<uid_t>(-1);
    }

    // The new file is made in the target's folder without a name where the
    // file system allows it: a process killed while writing it then leaves
    // nothing behind. It gets a name only at Commit. Elsewhere it is a hidden
    // file beside the target with a name made unique by the system.
    std::string folder, name;
    SplitPath(m_final, folder, name);
    m_folder = folder;
    m_hiddenName = "." + name.substr(0, 200) + ".kwo-";
    RemoveOrphans(folder, m_hiddenName);
    // Every name is made before a file is: running out of memory then leaves
    // no file behind.
    std::string temp = folder + "/" + m_hiddenName + std::to_string(ProcessNumber()) + "-XXXXXX";
    if (temp.size() >= MaxPath)
        return false;
    char unnamed[32];
    temp.reserve(sizeof unnamed);
    int fd = -1;
#ifndef __EMSCRIPTEN__ // the browser's file system makes no unnamed files
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd >= 0)
    {
        // Streams open the unnamed file again through the process's table of
        // descriptors.
        std::snprintf(unnamed, sizeof unnamed, "/proc/self/fd/%d", fd);
        m_unnamed = ::access(unnamed, W_OK) == 0;
        if (!m_unnamed)
            ::close(fd);
    }
    if (m_unnamed)
    {
        temp.assign(unnamed); // within the room reserved: no allocation
    }
    else
    {
        fd = ::mkostemp(&temp[0], O_CLOEXEC);
        if (fd < 0)
            return false;
    }
    m_fd = fd;
    m_temp.swap(temp);
    // The owner of the file being replaced stays its owner where the system
    // allows it (a process run by its owner changes nothing here).
    if (st.st_uid != static_cast<uid_t>(-1) &&
        (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
    {
        // Not allowed: the file at least keeps its group where that is allowed.
        if (::fchown(m_fd, st.st_uid, st.st_gid) != 0 &&
            ::fchown(m_fd, static_cast<uid_t>(-1), st.st_gid) != 0)
            m_mode &= 0777; // no set-id bits on a file of another owner
    }
    return true;
}
catch (const std::exception&)
{
    Abandon();
    return false;
}

bool FileReplacer::Write(const void* data, size_t size)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (!WriteAll(m_fd, static_cast<const char*>(data), size))
        m_failed = true;
    return !m_failed;
}

bool FileReplacer::CopyTimesFrom(const char* path)
{
    struct stat st;
    if (m_fd < 0 || !Fits(path) || ::stat(path, &st) != 0)
        return false;
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    return ::futimens(m_fd, times) == 0;
}

bool FileReplacer::Commit()
{
    if (m_fd < 0)
        return false;
    bool ok = !m_failed && ::fchmod(m_fd, m_mode) == 0 && ::fsync(m_fd) == 0;
    if (ok && m_unnamed)
        ok = NameUnnamed();
    const int fd = m_fd;
    m_fd = -1;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = m_mustBeNew ? MoveNoReplace(m_temp.c_str(), m_final.c_str()) == 0
                         : ::rename(m_temp.c_str(), m_final.c_str()) == 0;
    if (!ok)
    {
        Abandon();
        return false;
    }
    m_temp.clear();
    SyncFolderOf(m_final);
    return true;
}

bool FileReplacer::NameUnnamed()
try
{
    // A hidden name that no other file has, for the moment between this
    // link and the rename that puts the file in place.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%ld-%u-%lx", ProcessNumber(),
                      counter.fetch_add(1), static_cast<unsigned long>(NowMilliseconds()));
        const std::string named = m_folder + "/" + m_hiddenName + suffix;
        if (named.size() >= MaxPath)
            return false;
        if (::linkat(AT_FDCWD, m_temp.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0)
        {
            m_temp = named;
            m_unnamed = false;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}
catch (const std::exception&)
{
    return false;
}

void FileReplacer::Abandon()
{
    if (m_fd >= 0)
    {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty() && !m_unnamed)
        ::unlink(m_temp.c_str());
    m_temp.clear();
    m_unnamed = false;
}

bool SyncFile(const char* path)
{
    if (!Fits(path))
        return false;
    Fd fd(::open(path, O_RDONLY | O_CLOEXEC));
    return fd.Get() >= 0 && ::fsync(fd.Get()) == 0;
}

bool TruncateFile(const char* path, uint64_t size)
{
    return Fits(path) && size <= static_cast<uint64_t>(INT64_MAX) &&
           ::truncate(path, static_cast<off_t>(size)) == 0;
}

FileLock::~FileLock()
{
    Release();
}

FileLock::Result FileLock::Acquire(const char* path, unsigned timeoutMs)
{
    Release();
    if (!Fits(path))
        return Failed;
#ifdef __EMSCRIPTEN__
    // A page is the only process of its file system: nobody else holds the
    // lock, and the browser has no flock.
    (void)timeoutMs;
    m_fd = ::open(path, O_RDONLY | O_CLOEXEC);
    return m_fd >= 0 ? Locked : Failed;
#else
    const uint64_t deadline = NowMilliseconds() + timeoutMs;
    for (;;)
    {
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return Failed;
        int got;
        while ((got = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EWOULDBLOCK &&
               NowMilliseconds() < deadline)
            SleepMilliseconds(5);
        if (got != 0)
        {
            const bool busy = errno == EWOULDBLOCK;
            ::close(fd);
            return busy ? Busy : Failed;
        }
        // The writer we waited for may have put a new file in place: the lock
        // of the old one protects nothing any more.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(path, &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino)
        {
            m_fd = fd;
            return Locked;
        }
        ::close(fd);
        if (NowMilliseconds() >= deadline)
            return Busy;
    }
#endif
}

void FileLock::Release()
{
    if (m_fd >= 0)
    {
#ifndef __EMSCRIPTEN__
        ::flock(m_fd, LOCK_UN);
#endif
        ::close(m_fd);
        m_fd = -1;
    }
}

bool GetExePath(std::string& path)
try
{
#ifdef __EMSCRIPTEN__
    // A page's program is no file of its file system.
    (void)path;
    return false;
#else
    char buffer[MaxPath];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    // A name that fills the buffer may have been cut: refuse it.
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer)
        return false;
    path.assign(buffer, static_cast<size_t>(n));
    return true;
#endif
}
catch (const std::exception&)
{
    return false;
}

const char* GetEnv(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    return value && *value ? value : nullptr;
}
} // namespace OS
} // namespace KWO
