#include "files/KWODir.h"

#include "core/KWOConst.h"
#include "core/KWOLog.h"
#include "files/KWOFile.h"
#include "files/file_replace.h"
#include "platform/KWOFileUtils.h"
#include "platform/os_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace
{
unsigned int Clamp32(uint64_t value)
{
    return static_cast<unsigned int>(std::min<uint64_t>(value, UINT32_MAX));
}

unsigned int Date32(int64_t seconds)
{
    return seconds < 0 ? 0u : Clamp32(static_cast<uint64_t>(seconds));
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Length of the root a path starts with: 3 for a drive ("C:\"), 2 for two
// separators, 1 for one, 0 for none.
unsigned int RootLength(const char* path, unsigned int length)
{
    if (length >= 3 && path[1] == ':' && KWOFileUtils::IsSeparator(path[2]))
        return 3;
    if (length >= 2 && KWOFileUtils::IsSeparator(path[0]) && KWOFileUtils::IsSeparator(path[1]))
        return 2;
    return length >= 1 && KWOFileUtils::IsSeparator(path[0]) ? 1 : 0;
}
} // namespace

KWODir::KWODir(const char* path)
{
    if (!path || !Open(path))
        GoCWD();
}

KWODir::~KWODir() = default;

bool KWODir::Open(const char* path)
{
    if (!path || !*path)
        return false;
    if (std::strcmp(path, ".") == 0)
    {
        if (m_path.m_length == 0)
            GoCWD();
        else
            Update();
        return true;
    }
    if (std::strlen(path) >= KWOFileUtils::MaxPath)
        return false;

    // The working directory is put back when the keeper goes, whatever happens.
    KWO::OS::WorkDirKeeper keeper;
    if (!keeper.Save())
        return false;
    // Relative paths are taken from the folder this object shows.
    if (KWOFileUtils::IsRelative(path) && m_path.m_length != 0 &&
        !KWOFileUtils::SetCWD(m_path.m_text))
        return false;
    if (!KWOFileUtils::SetCWD(path))
        return false;
    // Read back, the path is absolute and canonical.
    char canonical[KWO::OS::MaxPath];
    if (!KWO::OS::GetWorkDir(canonical, sizeof canonical))
        return false;
    m_path = canonical;
    return GetContent();
}

const char* KWODir::Name() const
{
    return m_path.m_length != 0 ? m_path.m_text : nullptr;
}

unsigned int KWODir::NbFiles() const
{
    return static_cast<unsigned int>(m_entries.size());
}

void KWODir::Update()
{
    if (m_path.m_length == 0)
        return;
    KWO::OS::WorkDirKeeper keeper;
    if (keeper.Save() && KWOFileUtils::SetCWD(m_path.m_text))
        GetContent();
}

bool KWODir::FullPath(const char* name, KWOString& full) const
{
    if (!name || !*name)
        return false;
    if (KWOFileUtils::IsAbsolute(name))
    {
        full = name;
    }
    else
    {
        if (m_path.m_length == 0)
            return false;
        full = m_path;
        if (!KWOFileUtils::IsSeparator(m_path.m_text[m_path.m_length - 1]))
            full += KWOFileUtils::PathSeparator;
        full += name;
    }
    return full.m_text && full.m_length < KWOFileUtils::MaxPath;
}

KWOResFile* KWODir::OpenFile(const char* name) const
{
    KWOString full;
    // A folder is no file, even where the system lets it be opened as one.
    if (!FullPath(name, full) || KWOFileUtils::IsDir(full.m_text))
        return nullptr;
    KWOFile* file = new (std::nothrow) KWOFile(full.m_text, KWOResFile::ModeRead);
    if (file && file->GetState() != KWOResFile::StateOK)
    {
        delete file;
        file = nullptr;
    }
    return file;
}

KWOResFile* KWODir::OpenFile(const iterator& position) const
{
    const unsigned int index = position.Index();
    return index < NbFiles() ? OpenFile(FileName(index)) : nullptr;
}

bool KWODir::CopyFile(const char* name, const char* destination) const
{
    KWOString from, to;
    if (!FullPath(name, from) || !FullPath(destination, to) || KWOFileUtils::IsDir(from.m_text))
        return false;
    // Opening the destination empties it: never when it is the source itself.
    // A source too large for a 32-bit count is refused rather than cut.
    if (KWO::OS::SameFile(from.m_text, to.m_text) ||
        KWOFileUtils::FileSize(from.m_text) == KWO::NotFound)
        return false;

    KWOFile source(from.m_text, KWOResFile::ModeRead);
    if (source.GetState() != KWOResFile::StateOK)
        return false;
    source.SeekEnd();
    const unsigned int size = source.GetPos();
    source.SeekStart();
    // The destination is replaced in one step once the whole copy is on
    // disk: a failed copy leaves it as it was.
    return KWO::ReplaceFile(to.m_text, [&source, size](KWOResFile& target)
                            { return KWOFileUtils::CopyData(&source, &target, size) == size; });
}

void KWODir::PrintInfo() const
{
    KWO::LOG("Path: %s\nTotal entries : %d  (%d subdirs)\n", m_path.m_text ? m_path.m_text : "",
             static_cast<int>(m_entries.size()), static_cast<int>(m_nbDirs));
    for (const Entry& e : m_entries)
    {
        KWO::LOG("  %-40s   %6d bytes   date=%10d   R(%3d)\n", e.m_name ? e.m_name : "",
                 static_cast<int>(e.m_size), static_cast<int>(e.m_date),
                 static_cast<int>(e.m_index));
    }
    KWO::LOG("\n");
}

const char* KWODir::FileName(unsigned int index) const
{
    return index < NbFiles() ? m_entries[index].m_name : nullptr;
}

unsigned int KWODir::FileSize(unsigned int index) const
{
    return index < NbFiles() ? m_entries[index].m_size : 0;
}

unsigned long KWODir::FileDate(unsigned int index) const
{
    return index < NbFiles() ? m_entries[index].m_date : 0;
}

bool KWODir::FileAccess(unsigned int index, unsigned int mask) const
{
    return index < NbFiles() && (m_entries[index].m_attrib & mask) == mask;
}

bool KWODir::IsFileHidden(unsigned int index) const
{
    return FileAccess(index, AttrHidden);
}

bool KWODir::IsFile(unsigned int index) const
{
    return FileAccess(index, AttrFile);
}

bool KWODir::IsFileLink(unsigned int) const
{
    return false;
}

bool KWODir::IsFileDir(unsigned int index) const
{
    return FileAccess(index, AttrDir);
}

int KWODir::CompareFunc(const KWOSortableItem* a, const KWOSortableItem* b) const
{
    const Entry* x = static_cast<const Entry*>(a);
    const Entry* y = static_cast<const Entry*>(b);
    if (m_sortDirsFirst)
    {
        const bool xDir = (x->m_attrib & AttrDir) != 0;
        const bool yDir = (y->m_attrib & AttrDir) != 0;
        if (xDir != yDir)
            return xDir ? -1 : 1;
    }
    return CompareEntries(x->m_name, x->m_size, x->m_date, y->m_name, y->m_size, y->m_date);
}

KWOSortableItem* KWODir::GetItem(unsigned int index) const
{
    return index < NbFiles() ? &m_entries[index] : nullptr;
}

bool KWODir::GoUp()
{
    const unsigned int length = m_path.m_length;
    if (length == 0 || KWOFileUtils::IsRoot(m_path.m_text))
        return false;
    unsigned int cut = length;
    while (cut > 0 && !KWOFileUtils::IsSeparator(m_path.m_text[cut - 1]))
        --cut;
    if (cut == 0)
        return false;
    --cut; // the separator itself goes
    const unsigned int root = RootLength(m_path.m_text, length);
    if (cut < root)
        cut = root;
    if (cut == 0)
        return false;
    char parent[KWO::OS::MaxPath];
    if (cut >= sizeof parent)
        return false;
    std::memcpy(parent, m_path.m_text, cut);
    parent[cut] = '\0';
    return Open(parent);
}

bool KWODir::GoRoot()
{
    if (m_path.m_length == 0)
        return false;
    const char* p = m_path.m_text;
    const char sep = KWOFileUtils::PathSeparator;
    if (IsLetter(p[0]))
    {
        const char root[4] = {p[0], ':', sep, '\0'};
        return Open(root);
    }
    if (KWOFileUtils::IsSeparator(p[0]))
    {
        const char root[3] = {sep, KWOFileUtils::IsSeparator(p[1]) ? sep : '\0', '\0'};
        return Open(root);
    }
    return false;
}

bool KWODir::GoCWD()
{
    char cwd[KWO::OS::MaxPath];
    if (!KWO::OS::GetWorkDir(cwd, sizeof cwd) || cwd[0] == '\0')
        return false;
    m_path = cwd;
    return GetContent();
}

bool KWODir::IsEmpty() const
{
    return m_entries.size() == 2 && (m_entries[0].m_attrib & AttrDir) &&
           (m_entries[1].m_attrib & AttrDir);
}

void KWODir::Clear()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_nbDirs = 0;
}

bool KWODir::GetContent()
try
{
    if (m_path.m_length == 0)
        return false;

    // Two passes: count the entries whose status can be read, then fill an
    // array of exactly that many. The status is read inside the listed
    // folder, whatever the working directory.
    KWO::OS::DirSearch search;
    const bool started = search.Start(m_path.m_text, "*");
    Clear();
    if (!started)
        return false;
    unsigned int count = 0;
    KWO::OS::FileStatus st;
    while (search.Next())
    {
        if (search.Status(st))
            ++count;
    }
    search.Close();

    m_entries.reserve(count);
    if (search.Start(m_path.m_text, "*"))
    {
        while (m_entries.size() < count)
        {
            const char* name = search.Next();
            if (!name)
                break;
            if (!search.Status(st))
                continue;
            const size_t length = std::strlen(name);
            char* copy = new (std::nothrow) char[length + 1];
            if (!copy)
                continue;
            std::memcpy(copy, name, length + 1);
            Entry e;
            e.m_index = static_cast<unsigned int>(m_entries.size());
            e.m_name = copy;
            e.m_size = Clamp32(st.size);
            e.m_date = Date32(st.mtime);
            e.m_attrib = st.mode & 0xFFFFu;
            if (KWO::OS::IsHiddenName(name))
                e.m_attrib |= AttrHidden;
            if (e.m_attrib & AttrDir)
                ++m_nbDirs;
            m_entries.push_back(std::move(e));
        }
        search.Close();
    }
    if (m_entries.size() < count)
        KWO::LOG("KWODir: Checksum error!\n");

    if (m_sortFlags != 0)
        Sort(m_sortFlags);
    return true;
}
catch (const std::exception&)
{
    Clear();
    return false;
}
