#include "platform/KWOFileUtils.h"

#include "core/KWOConst.h"
#include "core/KWOText.h"
#include "files/KWOResFile.h"
#include "platform/os_files.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

const char KWOFileUtils::PathSeparator = KWO::OS::PathSeparator;
const unsigned KWOFileUtils::MaxPath = KWO::OS::MaxPath;

namespace
{
bool Empty(const char* path)
{
    return !path || !*path;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char* NewCopy(const char* text, size_t length)
{
    char* copy = new (std::nothrow) char[length + 1];
    if (copy)
    {
        std::memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

// One of the user's folders: read on first use and kept once known. When
// nothing tells where it is, the next call asks again; a value that does not
// fit the buffer is given up for good.
class UserFolder
{
public:
    UserFolder(const char* variable, const char* homeFallback)
        : m_variable(variable), m_fallback(homeFallback)
    {
        m_path[0] = '\0';
    }

    const char* Get()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state == State::Unread)
            Read();
        return m_path;
    }

private:
    enum class State
    {
        Unread,
        Known,
        GivenUp
    };

    void Read()
    {
        int n;
        if (const char* v = KWO::OS::GetEnv(m_variable))
            n = std::snprintf(m_path, sizeof m_path, "%s", v);
        else if (const char* home = KWO::OS::GetEnv("HOME"))
            n = std::snprintf(m_path, sizeof m_path, "%s%c%s", home, KWO::OS::PathSeparator,
                              m_fallback);
        else
            return; // nothing to read yet: ask again next time
        if (n < 0 || static_cast<size_t>(n) >= sizeof m_path)
        {
            m_path[0] = '\0';
            m_state = State::GivenUp;
            return;
        }
        m_state = State::Known;
    }

    const char* m_variable;
    const char* m_fallback;
    char m_path[KWO::OS::MaxPath];
    State m_state = State::Unread;
    std::mutex m_mutex;
};

UserFolder& DocFolder()
{
    static UserFolder folder("XDG_DOCUMENTS_DIR", "Documents");
    return folder;
}

UserFolder& AppFolder()
{
    static UserFolder folder("XDG_DATA_HOME", ".local/share");
    return folder;
}
} // namespace

bool KWOFileUtils::FileExist(const char* path)
{
    KWO::OS::FileStatus st;
    return !Empty(path) && KWO::OS::Stat(path, st);
}

bool KWOFileUtils::IsDir(const char* path)
{
    KWO::OS::FileStatus st;
    return !Empty(path) && KWO::OS::Stat(path, st) && (st.mode & KWO::OS::ModeDirectory);
}

bool KWOFileUtils::IsHidden(const char* path)
{
    if (!FileExist(path))
        return false;
    // The last part of the path, trailing separators aside.
    size_t end = std::strlen(path);
    while (end > 1 && IsSeparator(path[end - 1]))
        --end;
    size_t begin = end;
    while (begin > 0 && !IsSeparator(path[begin - 1]))
        --begin;
    // Its first three characters tell a hidden name from "." and "..".
    char head[4] = {};
    std::memcpy(head, path + begin, end - begin < 3 ? end - begin : 3);
    return KWO::OS::IsHiddenName(head);
}

unsigned KWOFileUtils::FileSize(const char* path)
{
    KWO::OS::FileStatus st;
    if (Empty(path) || !KWO::OS::Stat(path, st) || st.size >= KWO::NotFound)
        return KWO::NotFound;
    return static_cast<unsigned>(st.size);
}

bool KWOFileUtils::FileRemove(const char* path)
{
    return !Empty(path) && KWO::OS::RemoveFile(path);
}

bool KWOFileUtils::FileRename(const char* from, const char* to, bool overwrite)
{
    if (Empty(from) || Empty(to))
        return false;
    if (KWO::OS::Move(from, to, false))
        return true;
    // Only a file in the way is replaced, and in one step: the target is
    // never deleted before the move is sure to happen.
    if (!overwrite || !FileExist(to) || IsDir(to))
        return false;
    return KWO::OS::Move(from, to, true);
}

bool KWOFileUtils::FileCopy(const char* from, const char* to, bool overwrite)
{
    return !Empty(from) && !Empty(to) && KWO::OS::Copy(from, to, overwrite);
}

bool KWOFileUtils::FileWrite(const char* path, const void* data, unsigned size)
{
    if (Empty(path) || (data == nullptr && size != 0))
        return false;
    KWO::OS::FileReplacer file;
    return file.Begin(path) && file.Write(data, size) && file.Commit();
}

unsigned KWOFileUtils::CopyData(KWOResFile* from, KWOResFile* to, unsigned count)
{
    if (!from || !to)
        return 0;
    unsigned char buffer[4000];
    unsigned total = 0;
    while (count != 0)
    {
        const unsigned piece = count < sizeof buffer ? count : static_cast<unsigned>(sizeof buffer);
        const unsigned got = from->Read(buffer, piece);
        if (got == 0)
            break;
        total += to->Write(buffer, got);
        count -= got;
    }
    return total;
}

unsigned KWOFileUtils::GetFileList(char**& list, const char* dir, const char* pattern,
                                   unsigned flags)
try
{
    list = nullptr;
    if (Empty(dir) || Empty(pattern))
        return 0;

    // A pattern may name a subfolder ("sub/*.txt"): the folder part joins dir.
    std::string folder(dir);
    const char* mask = FileName(pattern);
    if (mask != pattern)
    {
        if (!IsSeparator(folder.back()))
            folder += PathSeparator;
        for (const char* p = pattern; p < mask; ++p)
            folder += IsSeparator(*p) ? PathSeparator : *p;
    }
    if (!*mask || folder.size() + 1 + std::strlen(mask) >= MaxPath)
        return 0;

    KWO::OS::DirSearch search;
    if (!search.Start(folder.c_str(), mask))
        return 0;

    std::vector<std::unique_ptr<char[]>> names;
    names.reserve(32);
    while (const char* name = search.Next())
    {
        const bool dot = std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
        if (dot && (flags & SkipDotEntries))
            continue;
        if ((flags & SkipHidden) && KWO::OS::IsHiddenName(name))
            continue;
        if (flags & (SkipDirs | SkipFiles))
        {
            KWO::OS::FileStatus st;
            const bool isDir = search.Status(st) && (st.mode & KWO::OS::ModeDirectory);
            if ((isDir && (flags & SkipDirs)) || (!isDir && (flags & SkipFiles)))
                continue;
        }
        std::unique_ptr<char[]> copy(NewCopy(name, std::strlen(name)));
        if (!copy)
            break;
        names.push_back(std::move(copy));
    }
    if (names.empty())
        return 0;

    list = new (std::nothrow) char*[names.size()];
    if (!list)
        return 0;
    for (size_t i = 0; i < names.size(); ++i)
        list[i] = names[i].release();
    return static_cast<unsigned>(names.size());
}
catch (const std::exception&)
{
    list = nullptr;
    return 0;
}

void KWOFileUtils::FreeFileList(char**& list, unsigned count)
{
    if (!list)
        return;
    for (unsigned i = 0; i < count; ++i)
        delete[] list[i];
    delete[] list;
    list = nullptr;
}

bool KWOFileUtils::IsRoot(const char* path)
{
    if (Empty(path))
        return false;
    const size_t n = std::strlen(path);
    if (n == 3 && path[1] == ':' && IsSeparator(path[2]))
        return true;
    if (n == 1)
        return path[0] == '/';
    return n == 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool KWOFileUtils::IsAbsolute(const char* path)
{
    if (Empty(path))
        return false;
    if (IsAsciiLetter(path[0]))
        return path[1] == ':' && IsSeparator(path[2]);
    return IsSeparator(path[0]);
}

bool KWOFileUtils::GetCWD(char* buffer, unsigned size)
{
    return KWO::OS::GetWorkDir(buffer, size);
}

char* KWOFileUtils::GetCWD()
{
    char path[KWO::OS::MaxPath];
    if (!KWO::OS::GetWorkDir(path, sizeof path))
        path[0] = '\0';
    return NewCopy(path, std::strlen(path));
}

bool KWOFileUtils::SetCWD(const char* path)
{
    return !Empty(path) && KWO::OS::SetWorkDir(path);
}

char* KWOFileUtils::GetExeDir()
try
{
    std::string path;
    if (!KWO::OS::GetExePath(path))
        return nullptr;
    size_t cut = path.size();
    while (cut > 0 && !IsSeparator(path[cut - 1]))
        --cut;
    if (cut == 0)
        return nullptr;
    // Drop the separator, but keep the root itself.
    return NewCopy(path.c_str(), cut > 1 ? cut - 1 : cut);
}
catch (const std::exception&)
{
    return nullptr;
}

const char* KWOFileUtils::GetUserDocDir()
{
    return DocFolder().Get();
}

const char* KWOFileUtils::GetUserAppDir()
{
    return AppFolder().Get();
}

KWOText* KWOFileUtils::GetCDROMDirs()
{
    KWOText* roots = new (std::nothrow) KWOText(3);
    if (!roots)
        return nullptr;
    const unsigned drives = DrivesList();
    unsigned next = 0;
    for (unsigned letter = 0; letter < 26; ++letter)
    {
        if (!(drives & (1u << letter)))
            continue;
        const char root[4] = {static_cast<char>('A' + letter), ':', PathSeparator, '\0'};
        if (DriveType(root) == DriveCDROM)
            roots->SetString(next++, root);
    }
    return roots;
}

bool KWOFileUtils::DirCreate(const char* path)
{
    return !Empty(path) && KWO::OS::MakeDir(path);
}

const char* KWOFileUtils::FileName(const char* path)
{
    if (!path)
        return nullptr;
    const char* name = path;
    for (const char* p = path; *p; ++p)
    {
        if (IsSeparator(*p))
            name = p + 1;
    }
    return name;
}

const char* KWOFileUtils::FileExtension(const char* path)
{
    const char* name = FileName(path);
    if (!name || !*name)
        return nullptr;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return nullptr;
    const char* dot = std::strrchr(name + 1, '.');
    return dot ? dot + 1 : nullptr;
}

unsigned KWOFileUtils::DrivesList()
{
    return 0;
}

unsigned KWOFileUtils::DriveType(const char*)
{
    return 0;
}
