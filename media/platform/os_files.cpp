#include "platform/os_files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool Matches(const std::string& pattern, const char* name)
{
    const int flags = FNM_NOESCAPE | FNM_CASEFOLD;
    if (::fnmatch(pattern.c_str(), name, flags) == 0)
        return true;
    // As on Windows, a trailing ".*" also takes a name without any extension
    // ("*.*" lists everything).
    const size_t n = pattern.size();
    if (n >= 2 && pattern[n - 2] == '.' && pattern[n - 1] == '*' && !std::strchr(name, '.'))
        return ::fnmatch(pattern.substr(0, n - 2).c_str(), name, flags) == 0;
    return false;
}

// Moves without replacing: the kernel's no-replace rename, or, on a file
// system without it, a link and unlink (files) or a checked rename (folders).
int MoveNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
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
    std::string buffer(kChunk, '\0');
    for (;;)
    {
        ssize_t n = ::read(in, &buffer[0], kChunk);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n)))
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
{
    Close();
    if (!Fits(dir) || !pattern || !*pattern)
        return false;
    DIR* d = ::opendir(dir);
    if (!d)
        return false;
    m_dir = d;
    m_pattern = ToFnmatch(pattern);
    return true;
}

const char* DirSearch::Next()
{
    m_name = nullptr;
    if (!m_dir)
        return nullptr;
    while (struct dirent* e = ::readdir(static_cast<DIR*>(m_dir)))
    {
        if (Matches(m_pattern, e->d_name))
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
{
    char buffer[MaxPath];
    if (!GetWorkDir(buffer, MaxPath))
        return false;
    path = buffer;
    return true;
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
    struct stat target;
    if (!replace && ::lstat(to, &target) == 0)
        return false;

    // The copy is written beside the target under a temporary name and put in
    // place in one step, so that a failed copy never leaves a truncated file
    // and a file copied onto itself survives.
    std::string temp = std::string(to) + ".kwo-XXXXXX";
    if (temp.size() >= MaxPath)
        return false;
    Fd out(::mkstemp(&temp[0]));
    if (out.Get() < 0)
        return false;
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    bool ok = CopyContent(in.Get(), out.Get());
    ok = ok && ::fchmod(out.Get(), st.st_mode & 0777) == 0;
    ok = ok && ::futimens(out.Get(), times) == 0;
    ok = out.Close() && ok;
    if (ok)
        ok = replace ? ::rename(temp.c_str(), to) == 0 : MoveNoReplace(temp.c_str(), to) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool GetExePath(std::string& path)
{
    char buffer[MaxPath];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    // A name that fills the buffer may have been cut: refuse it.
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer)
        return false;
    path.assign(buffer, static_cast<size_t>(n));
    return true;
}

const char* GetEnv(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    return value && *value ? value : nullptr;
}
} // namespace OS
} // namespace KWO
