#include "files/KWOArchive.h"

#include "core/KWOLog.h"
#include "files/KWOArchKWO.h"
#include "files/KWOArchPAK.h"
#include "files/KWOFile.h"
#include "files/KWOPackFile.h"
#include "platform/KWOFileUtils.h"
#include "platform/os_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>

const char* const KWOArchive::TempFileName = "KWOARCH.TMP";

namespace
{
// Every offset the archives write must stay within what a stream can seek to.
const uint64_t kLargestOffset = 0x7FFFFFFF;
// Bytes of the header shared by both formats: magic and two numbers.
const unsigned int kHeaderSize = 12;

bool Empty(const char* text)
{
    return text == nullptr || text[0] == '\0';
}

bool SeekTo(KWOResFile& file, uint64_t position)
{
    return position <= kLargestOffset && file.Seek(static_cast<int>(position), 0);
}

bool CopyBytes(KWOResFile& from, KWOResFile& to, uint64_t count)
{
    if (count > kLargestOffset)
        return false;
    const unsigned int n = static_cast<unsigned int>(count);
    return KWOFileUtils::CopyData(&from, &to, n) == n;
}

bool EndsWithSeparator(const char* text)
{
    const size_t length = std::strlen(text);
    return length > 0 && KWOFileUtils::IsSeparator(text[length - 1]);
}

// The member name made from `name`: the part after its last separator, cut to
// `limit` characters. False when nothing is left.
bool MemberName(const char* name, unsigned int limit, std::string& member)
{
    const char* bare = KWOFileUtils::FileName(name);
    if (Empty(bare))
        return false;
    member.assign(bare, std::min<size_t>(std::strlen(bare), limit));
    return true;
}

// A file about to be added: its status, and a stream that has shown it can
// be read.
struct Source
{
    unsigned int size = 0;
    unsigned int date = 0;
};

bool OpenSource(const char* filename, KWOFile& stream, Source& source)
{
    KWO::OS::FileStatus status;
    if (Empty(filename) || !KWO::OS::Stat(filename, status) ||
        (status.mode & KWO::OS::ModeDirectory) || status.size > kLargestOffset)
        return false;
    if (!stream.Open(filename, KWOResFile::ModeRead) || stream.GetState() != KWOResFile::StateOK)
        return false;
    if (status.size > 0)
    {
        unsigned char probe;
        if (stream.Read(&probe, 1) != 1)
            return false;
        stream.SeekStart();
        if (stream.GetState() != KWOResFile::StateOK)
            return false;
    }
    source.size = static_cast<unsigned int>(status.size);
    source.date = status.mtime < 0 ? 0u
                  : static_cast<uint64_t>(status.mtime) > 0xFFFFFFFFull
                      ? 0xFFFFFFFFu
                      : static_cast<unsigned int>(status.mtime);
    return true;
}

// True when a member name, put after a folder, stays inside that folder: no
// part of it is "..".
bool StaysInside(const char* name)
{
    if (Empty(name))
        return false;
    const char* part = name;
    for (const char* p = name;; ++p)
    {
        if (*p == '\0' || KWOFileUtils::IsSeparator(*p))
        {
            if (p - part == 2 && part[0] == '.' && part[1] == '.')
                return false;
            if (*p == '\0')
                return true;
            part = p + 1;
        }
    }
}

// The directory is written at the data end: the archive file must exist
// and reach that far, or writing would create it or leave a gap (a damaged
// directory can put the data end far past the file).
bool ReachesDataEnd(const char* archive, unsigned int dataEnd)
{
    const unsigned int size = KWOFileUtils::FileSize(archive);
    return size != 0xFFFFFFFFu && size >= dataEnd;
}

bool StartsWith(const unsigned char* data, unsigned int length, const char* signature,
                unsigned int signatureLength)
{
    return length >= signatureLength && std::memcmp(data, signature, signatureLength) == 0;
}
} // namespace

KWOArchive::KWOArchive(int format) : m_format(format) {}

KWOArchive::~KWOArchive()
{
    FreeAll();
}

void KWOArchive::FreeAll()
{
    m_entries.clear();
    delete[] m_name;
    m_name = nullptr;
}

void KWOArchive::Close()
{
    FreeAll();
}

int KWOArchive::FindArchiveFormat(const char* filename)
{
    if (Empty(filename))
        return FormatUnknown;
    KWOFile file(filename, KWOResFile::ModeRead);
    if (file.GetState() != KWOResFile::StateOK)
        return FormatUnknown;
    unsigned char head[30];
    const unsigned int got = file.Read(head, sizeof head);
    if (got == 0)
        return FormatUnknown;

    if (StartsWith(head, got, "KWOA", 4))
        return FormatKWO;
    if (StartsWith(head, got, "PACK", 4))
        return FormatPAK;
    if (StartsWith(head, got, "rass", 4))
        return FormatRass;
    if (StartsWith(head, got, "BIFFV1  ", 8))
        return FormatBIFF;
    if (StartsWith(head, got, "PK\x03\x04", 4))
        return FormatZIP;
    if (StartsWith(head, got, "Copyright (c) 1997 Ensemble", 27))
        return FormatEnsemble;

    if (got >= 6)
    {
        file.SeekStart();
        const uint64_t count = file.Read16();
        const uint64_t length = file.Read32();
        const unsigned int size = KWOFileUtils::FileSize(filename);
        if (file.GetState() == KWOResFile::StateOK && size != 0xFFFFFFFFu &&
            6 + 12 * count + length == size)
            return FormatCounted;
    }
    return FormatUnknown;
}

KWOArchive* KWOArchive::OpenArchive(const char* filename)
{
    KWOArchive* archive = nullptr;
    switch (FindArchiveFormat(filename))
    {
        case FormatKWO:
            archive = new KWOArchKWO();
            break;
        case FormatPAK:
            archive = new KWOArchPAK();
            break;
        default:
            return nullptr;
    }
    if (!archive->Open(filename))
    {
        delete archive;
        return nullptr;
    }
    return archive;
}

bool KWOArchive::AbsoluteName(const char* filename, std::string& path)
{
    if (Empty(filename))
        return false;
    if (KWOFileUtils::IsAbsolute(filename))
    {
        path = filename;
    }
    else
    {
        char* cwd = KWOFileUtils::GetCWD();
        if (cwd == nullptr)
            return false;
        path = cwd;
        delete[] cwd;
        if (path.empty())
            return false;
        if (!KWOFileUtils::IsSeparator(path.back()))
            path += KWOFileUtils::PathSeparator;
        path += filename;
    }
    return path.size() < KWOFileUtils::MaxPath;
}

void KWOArchive::SetName(const char* filename)
{
    std::string path;
    if (!AbsoluteName(filename, path))
        return;
    char* copy = KWOString::StringCopy(path.c_str());
    if (copy == nullptr)
        return;
    delete[] m_name;
    m_name = copy;
}

bool KWOArchive::CreateEmpty(const char* filename, const char* magic)
{
    std::string path;
    if (!AbsoluteName(filename, path) || KWOFileUtils::FileExist(filename))
        return false;
    {
        // Exclusive creation: an existing file is never emptied.
        KWOFile file(filename, KWOResFile::ModeWrite | KWOResFile::ModeCreate);
        if (file.GetState() != KWOResFile::StateOK)
            return false;
        if (file.Write(magic, 4) != 4 || !file.Write32(kHeaderSize) || !file.Write32(0))
        {
            file.Close();
            KWOFileUtils::FileRemove(filename);
            return false;
        }
    }
    Close();
    m_name = KWOString::StringCopy(path.c_str());
    return true;
}

void KWOArchive::Adopt(std::vector<std::unique_ptr<Entry>>&& entries, const std::string& path)
{
    Close();
    m_entries = std::move(entries);
    m_name = KWOString::StringCopy(path.c_str());
}

std::unique_ptr<KWOArchive::Entry> KWOArchive::MakeEntry(const char* name, size_t length,
                                                         unsigned int size, unsigned int start,
                                                         unsigned int date, unsigned int index)
{
    std::unique_ptr<Entry> entry(new Entry);
    entry->m_name = new char[length + 1];
    std::memcpy(entry->m_name, name, length);
    entry->m_name[length] = '\0';
    entry->m_size = size;
    entry->m_start = start;
    entry->m_date = date;
    entry->m_index = index;
    return entry;
}

const char* KWOArchive::Name() const
{
    return m_name;
}

unsigned int KWOArchive::NbFiles() const
{
    return static_cast<unsigned int>(m_entries.size());
}

void KWOArchive::Update() {}

KWOResFile* KWOArchive::OpenFile(const char* name) const
{
    const unsigned int index = FindFile(name);
    return index == 0xFFFFFFFFu ? nullptr : OpenResFile(index);
}

KWOResFile* KWOArchive::OpenFile(const iterator& position) const
{
    return OpenResFile(position.Index());
}

bool KWOArchive::CopyFile(const char* name, const char* destination) const
{
    const unsigned int index = FindFile(name);
    return index != 0xFFFFFFFFu && ExtractFile(index, destination);
}

const char* KWOArchive::FileName(unsigned int index) const
{
    return index < NbFiles() ? m_entries[index]->m_name : nullptr;
}

unsigned int KWOArchive::FileSize(unsigned int index) const
{
    return index < NbFiles() ? m_entries[index]->m_size : 0;
}

unsigned long KWOArchive::FileDate(unsigned int index) const
{
    return index < NbFiles() ? m_entries[index]->m_date : 0;
}

bool KWOArchive::FileAccess(unsigned int, unsigned int) const
{
    return true;
}

bool KWOArchive::IsFileHidden(unsigned int) const
{
    return false;
}

bool KWOArchive::IsFile(unsigned int) const
{
    return true;
}

bool KWOArchive::IsFileLink(unsigned int) const
{
    return false;
}

bool KWOArchive::IsFileDir(unsigned int) const
{
    return false;
}

int KWOArchive::CompareFunc(const KWOSortableItem* a, const KWOSortableItem* b) const
{
    const Entry* x = static_cast<const Entry*>(a);
    const Entry* y = static_cast<const Entry*>(b);
    return CompareEntries(x->m_name, x->m_size, x->m_date, y->m_name, y->m_size, y->m_date);
}

KWOSortableItem* KWOArchive::GetItem(unsigned int index) const
{
    return index < NbFiles() ? m_entries[index].get() : nullptr;
}

unsigned int KWOArchive::FindFile(const char* name) const
{
    if (name == nullptr)
        return 0xFFFFFFFFu;
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        if (std::strcmp(m_entries[i]->m_name, name) == 0)
            return static_cast<unsigned int>(i);
    }
    return 0xFFFFFFFFu;
}

unsigned int KWOArchive::TotalSize() const
{
    uint64_t total = 0;
    for (const auto& entry : m_entries)
        total += entry->m_size;
    return total > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned int>(total);
}

bool KWOArchive::ExtractAll(const char* directory) const
{
    if (Empty(directory) || !KWOFileUtils::IsDir(directory))
        return false;
    std::string folder(directory);
    if (!KWOFileUtils::IsSeparator(folder.back()))
        folder += KWOFileUtils::PathSeparator;
    for (unsigned int i = 0; i < NbFiles(); ++i)
    {
        const char* name = m_entries[i]->m_name;
        if (!StaysInside(name))
            continue;
        const std::string path = folder + name;
        if (path.size() < KWOFileUtils::MaxPath)
            ExtractFile(i, path.c_str());
    }
    return true;
}

void KWOArchive::PrintContent() const
{
    if (m_entries.empty())
    {
        KWO::LOG("No files in archive.\n");
        return;
    }
    const char* separator = "+------------------------------------------+------------+"
                            "------------+------------------+";
    KWO::LOG("%s\n", separator);
    KWO::LOG("|                  Files                   |     Size   |    Start   |       "
             "Date       |\n");
    KWO::LOG("%s\n", separator);
    for (const auto& entry : m_entries)
    {
        const std::time_t date = static_cast<std::time_t>(entry->m_date);
        std::tm local = {};
        if (const std::tm* t = std::localtime(&date))
            local = *t;
        KWO::LOG("| %-40s | %10d | %10d | %2d/%2d/%4d %2d:%02d |\n", entry->m_name,
                 static_cast<int>(entry->m_size), static_cast<int>(entry->m_start), local.tm_mday,
                 local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min);
    }
    KWO::LOG("%s\n", separator);
    KWO::LOG("  Total: %d files, %d bytes.\n", static_cast<int>(NbFiles()),
             static_cast<int>(TotalSize()));
}

void KWOArchive::PrintInfo() const
{
    KWO::LOG("Archive %s (%d entries)\n", m_name ? m_name : "", static_cast<int>(NbFiles()));
    for (const auto& entry : m_entries)
        KWO::LOG("  %-40s   %6d bytes   date=%10d   R(%3d)\n", entry->m_name,
                 static_cast<int>(entry->m_size), static_cast<int>(entry->m_date),
                 static_cast<int>(entry->m_index));
    KWO::LOG("\n");
}

// ---- the operations the formats share ---------------------------------------

KWOResFile* KWOArchive::OpenMember(unsigned int index) const
{
    if (index >= NbFiles() || m_name == nullptr)
        return nullptr;
    const Entry& entry = *m_entries[index];
    // A window that would reach past 4 GiB ends there; the stream clips it
    // to the file anyway.
    const uint64_t end = static_cast<uint64_t>(entry.m_start) + entry.m_size;
    KWOPackFile* stream = new KWOPackFile(
        m_name, entry.m_start, end > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned int>(end),
        KWOResFile::ModeRead, entry.m_name);
    if (stream->GetState() != KWOResFile::StateOK)
    {
        delete stream;
        return nullptr;
    }
    return stream;
}

bool KWOArchive::ExtractMember(unsigned int index, const char* destination) const
{
    if (index >= NbFiles() || Empty(destination) || m_name == nullptr)
        return false;
    // Emptying the destination must never destroy the archive itself.
    if (KWO::OS::SameFile(destination, m_name))
        return false;
    const Entry& entry = *m_entries[index];
    // The archive is opened first, so that a missing archive leaves no empty
    // destination behind.
    KWOFile archive(m_name, KWOResFile::ModeRead);
    if (archive.GetState() != KWOResFile::StateOK || !SeekTo(archive, entry.m_start))
        return false;
    KWOFile target(destination, KWOResFile::ModeWrite);
    if (target.GetState() != KWOResFile::StateOK)
        return false;
    return CopyBytes(archive, target, entry.m_size);
}

unsigned int KWOArchive::AddMember(const Layout& layout, unsigned int& dataEnd,
                                   const DirectoryWriter& writeDirectory, const char* filename,
                                   const char* name)
{
    const unsigned int failed = 0xFFFFFFFFu;
    if (Empty(filename) || m_name == nullptr)
        return failed;
    KWOFile source(nullptr, KWOResFile::ModeRead);
    Source status;
    if (!OpenSource(filename, source, status))
        return failed;
    std::string member;
    if (!MemberName(name ? name : filename, layout.nameLimit, member))
        return failed;
    // The archive cannot hold itself: its directory would be overwritten
    // while it is being read.
    if (KWO::OS::SameFile(filename, m_name))
        return failed;

    // The new data, the directory after it and every offset must stay
    // within what the streams can reach.
    const uint64_t count = m_entries.size() + 1;
    if (static_cast<uint64_t>(dataEnd) + status.size + count * layout.recordSize > kLargestOffset)
        return failed;
    if (!ReachesDataEnd(m_name, dataEnd))
        return failed;

    KWOFile archive(m_name, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    if (archive.GetState() != KWOResFile::StateOK || !SeekTo(archive, dataEnd))
        return failed;
    if (!CopyBytes(source, archive, status.size))
    {
        // The old directory was partly overwritten: put it back.
        writeDirectory(archive);
        return failed;
    }

    const unsigned int position = static_cast<unsigned int>(m_entries.size());
    m_entries.push_back(MakeEntry(member.data(), member.size(), status.size, dataEnd,
                                  layout.dates ? status.date : 0, position));
    dataEnd += status.size;
    if (!writeDirectory(archive))
    {
        m_entries.pop_back();
        dataEnd -= status.size;
        writeDirectory(archive);
        return failed;
    }
    return position;
}

bool KWOArchive::RebuildMember(const Layout& layout, unsigned int& dataEnd,
                               const DirectoryWriter& writeDirectory, unsigned int index,
                               const char* filename)
{
    if (index >= NbFiles() || m_name == nullptr)
        return false;
    const bool replace = filename != nullptr;
    KWOFile source(nullptr, KWOResFile::ModeRead);
    Source status;
    if (replace && !OpenSource(filename, source, status))
        return false;

    // The member's bytes are cut out and the ones after it move up. That is
    // sound only when no other member shares those bytes and every member
    // lies between the header and the data end.
    Entry& member = *m_entries[index];
    const uint64_t cutStart = member.m_start;
    const uint64_t cutEnd = cutStart + member.m_size;
    if (cutStart < kHeaderSize || cutEnd > dataEnd)
        return false;
    std::vector<bool> after(m_entries.size(), false);
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        if (i == index)
            continue;
        const uint64_t start = m_entries[i]->m_start;
        const uint64_t end = start + m_entries[i]->m_size;
        if (start < kHeaderSize || end > dataEnd)
            return false;
        if (start >= cutEnd && !(start == cutStart && end == cutStart))
            after[i] = true;
        else if (end > cutStart)
            return false;
    }

    const uint64_t newSize = replace ? status.size : 0;
    const uint64_t newDataEnd = dataEnd - (cutEnd - cutStart) + newSize;
    const uint64_t newCount = m_entries.size() - (replace ? 0 : 1);
    if (newDataEnd + newCount * layout.recordSize > kLargestOffset)
        return false;
    // The temporary file must not be the archive, nor the replacement.
    if (KWO::OS::SameFile(TempFileName, m_name) ||
        (replace && KWO::OS::SameFile(TempFileName, filename)))
        return false;

    KWOFile archive(m_name, KWOResFile::ModeRead);
    if (archive.GetState() != KWOResFile::StateOK)
        return false;
    KWOFile temp(TempFileName, KWOResFile::ModeWrite);
    if (temp.GetState() != KWOResFile::StateOK)
        return false;

    auto giveUp = [&temp]()
    {
        temp.Close();
        KWOFileUtils::FileRemove(TempFileName);
        return false;
    };
    if (!CopyBytes(archive, temp, cutStart))
        return giveUp();
    if (replace && !CopyBytes(source, temp, newSize))
        return giveUp();
    if (cutEnd < dataEnd &&
        (!SeekTo(archive, cutEnd) || !CopyBytes(archive, temp, dataEnd - cutEnd)))
        return giveUp();
    archive.Close();
    source.Close();

    // The new state, with what is needed to return to the old one.
    const unsigned int oldDataEnd = dataEnd;
    const unsigned int oldSize = member.m_size;
    const unsigned int oldDate = member.m_date;
    std::vector<unsigned int> oldStarts;
    oldStarts.reserve(m_entries.size());
    for (const auto& entry : m_entries)
        oldStarts.push_back(entry->m_start);
    std::unique_ptr<Entry> removed;

    const int64_t delta = static_cast<int64_t>(newSize) - static_cast<int64_t>(oldSize);
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        if (after[i])
            m_entries[i]->m_start = static_cast<unsigned int>(m_entries[i]->m_start + delta);
    }
    dataEnd = static_cast<unsigned int>(newDataEnd);
    if (replace)
    {
        member.m_size = static_cast<unsigned int>(newSize);
        if (layout.dates)
            member.m_date = status.date;
    }
    else
    {
        removed = std::move(m_entries[index]);
        m_entries.erase(m_entries.begin() + index);
    }

    bool done = writeDirectory(temp);
    temp.Close();
    done = done && KWOFileUtils::FileRename(TempFileName, m_name, true);
    if (done)
        return true;

    // Back to the old state: the archive file was not touched.
    KWOFileUtils::FileRemove(TempFileName);
    if (removed)
        m_entries.insert(m_entries.begin() + index, std::move(removed));
    for (size_t i = 0; i < m_entries.size(); ++i)
        m_entries[i]->m_start = oldStarts[i];
    m_entries[index]->m_size = oldSize;
    m_entries[index]->m_date = oldDate;
    dataEnd = oldDataEnd;
    return false;
}

bool KWOArchive::RenameMember(const Layout& layout, unsigned int dataEnd,
                              const DirectoryWriter& writeDirectory, unsigned int index,
                              const char* name)
{
    if (index >= NbFiles() || Empty(name) || EndsWithSeparator(name) || m_name == nullptr)
        return false;
    std::string member;
    if (!MemberName(name, layout.nameLimit, member))
        return false;
    if (!ReachesDataEnd(m_name, dataEnd))
        return false;
    KWOFile archive(m_name, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    if (archive.GetState() != KWOResFile::StateOK)
        return false;

    Entry& entry = *m_entries[index];
    char* oldName = entry.m_name;
    entry.m_name = new char[member.size() + 1];
    std::memcpy(entry.m_name, member.c_str(), member.size() + 1);
    if (writeDirectory(archive))
    {
        delete[] oldName;
        return true;
    }
    // The directory keeps its size: writing the old names again restores it.
    delete[] entry.m_name;
    entry.m_name = oldName;
    writeDirectory(archive);
    return false;
}
