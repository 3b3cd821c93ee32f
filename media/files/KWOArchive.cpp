#include "files/KWOArchive.h"

#include "core/KWOConst.h"
#include "core/KWOLog.h"
#include "files/KWOArchKWO.h"
#include "files/KWOArchPAK.h"
#include "files/KWOFile.h"
#include "files/KWOPackFile.h"
#include "files/file_replace.h"
#include "platform/KWOFileUtils.h"
#include "platform/os_files.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

const char* const KWOArchive::TempFileName = "KWOARCH.TMP";

class KWOArchive::ChangeLock
{
public:
    KWO::OS::FileLock file;
};

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
                  : static_cast<uint64_t>(status.mtime) > UINT32_MAX
                      ? UINT32_MAX
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

bool StartsWith(const unsigned char* data, unsigned int length, const char* signature,
                unsigned int signatureLength)
{
    return length >= signatureLength && std::memcmp(data, signature, signatureLength) == 0;
}

std::atomic<unsigned int> g_lockWait{20000};

void Put32(unsigned char* out, uint64_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

unsigned int Get32(const unsigned char* in)
{
    return static_cast<unsigned int>(in[0]) | (static_cast<unsigned int>(in[1]) << 8) |
           (static_cast<unsigned int>(in[2]) << 16) | (static_cast<unsigned int>(in[3]) << 24);
}

// Hands what was written to the system and then to the disk, so that the
// next step never reaches the disk before this one.
bool Settle(KWOResFile& file, const char* path)
{
    return file.Seek(0, SEEK_CUR) && KWO::OS::SyncFile(path);
}

bool SameEntries(const std::vector<std::unique_ptr<KWOArchive::Entry>>& a,
                 const std::vector<std::unique_ptr<KWOArchive::Entry>>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (a[i]->m_size != b[i]->m_size || a[i]->m_start != b[i]->m_start ||
            a[i]->m_date != b[i]->m_date || std::strcmp(a[i]->m_name, b[i]->m_name) != 0)
            return false;
    }
    return true;
}
} // namespace

KWOArchive::KWOArchive(int format) : m_format(format) {}

KWOArchive::KWOArchive(int format, const Layout& layout) : m_format(format), m_layout(&layout) {}

KWOArchive::~KWOArchive()
{
    FreeAll();
}

std::string KWOArchive::PrintableName(const char* name)
try
{
    if (name == nullptr)
        return std::string();
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
    {
        if (*p < 0x20 || *p == 0x7F)
        {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", *p);
            out += code;
        }
        else
        {
            out += static_cast<char>(*p);
        }
    }
    return out;
}
catch (const std::exception&)
{
    return std::string();
}

void KWOArchive::SetLockWait(unsigned int milliseconds)
{
    g_lockWait = milliseconds;
}

unsigned int KWOArchive::GetLockWait()
{
    return g_lockWait;
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
    m_dataEnd = kHeaderSize;
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
        if (file.GetState() == KWOResFile::StateOK && size != KWO::NotFound &&
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
            archive = new (std::nothrow) KWOArchKWO();
            break;
        case FormatPAK:
            archive = new (std::nothrow) KWOArchPAK();
            break;
        default:
            return nullptr;
    }
    if (archive == nullptr || !archive->Open(filename))
    {
        delete archive;
        return nullptr;
    }
    return archive;
}

bool KWOArchive::AbsoluteName(const char* filename, std::string& path)
try
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
catch (const std::exception&)
{
    return false;
}

void KWOArchive::SetName(const char* filename)
try
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
catch (const std::exception&)
{
}

bool KWOArchive::Open(const char* filename)
try
{
    if (m_layout == nullptr)
        return false;
    const Layout& layout = *m_layout;
    std::string path;
    if (!AbsoluteName(filename, path))
        return false;
    KWOFile file(filename, KWOResFile::ModeRead);
    if (file.GetState() != KWOResFile::StateOK)
        return false;
    char magic[4];
    if (file.Read(magic, 4) != 4 || std::memcmp(magic, layout.magic, 4) != 0)
        return false;
    const unsigned int directory = file.Read32();
    const unsigned int third = file.Read32();
    if (file.GetState() != KWOResFile::StateOK)
        return false;
    // The header gives the directory's bytes or its entries.
    const unsigned int count = layout.lengthInHeader ? third / layout.recordSize : third;
    const uint64_t bytes =
        layout.lengthInHeader ? third : static_cast<uint64_t>(count) * layout.recordSize;

    std::vector<std::unique_ptr<Entry>> entries;
    if (layout.dataEndAtDirectory && count == 0)
    {
        Adopt(std::move(entries), path);
        m_dataEnd = kHeaderSize;
        return true;
    }
    const unsigned int size = KWOFileUtils::FileSize(filename);
    if (size == KWO::NotFound || directory > size || directory + bytes > size ||
        (layout.dataEndAtDirectory && directory < kHeaderSize))
        return false;
    if (count > 0 && !SeekTo(file, directory))
        return false;

    // The count is bounded by the file's size (checked above).
    entries.reserve(count);
    std::vector<unsigned char> record(layout.recordSize);
    uint64_t membersEnd = kHeaderSize;
    for (unsigned int i = 0; i < count; ++i)
    {
        if (file.Read(record.data(), layout.recordSize) != layout.recordSize)
            return false;
        // A name of the longest length has no terminating zero.
        const char* name = reinterpret_cast<const char*>(record.data());
        const char* zero = static_cast<const char*>(std::memchr(name, '\0', layout.nameLimit));
        const size_t nameLength = zero ? static_cast<size_t>(zero - name) : layout.nameLimit;
        const unsigned char* field = record.data() + layout.nameBytes;
        const unsigned int memberSize = Get32(layout.sizeFirst ? field : field + 4);
        const unsigned int start = Get32(layout.sizeFirst ? field + 4 : field);
        const unsigned int date = layout.dates ? Get32(field + 8) : 0;
        std::unique_ptr<Entry> entry = MakeEntry(name, nameLength, memberSize, start, date, i);
        if (!entry)
            return false;
        entries.push_back(std::move(entry));
        membersEnd = std::max<uint64_t>(membersEnd, static_cast<uint64_t>(start) + memberSize);
    }
    Adopt(std::move(entries), path);
    if (layout.dataEndAtDirectory)
        m_dataEnd = directory;
    else
        m_dataEnd = static_cast<unsigned int>(std::min<uint64_t>(membersEnd, UINT32_MAX));
    return true;
}
catch (const std::exception&)
{
    return false;
}

const char* KWOArchive::FormatInfo() const
{
    return m_layout != nullptr ? m_layout->info : "";
}

bool KWOArchive::Create(const char* filename)
{
    return m_layout != nullptr && CreateEmpty(filename, m_layout->magic);
}

bool KWOArchive::WriteDirectory(KWOResFile& file)
{
    return m_layout != nullptr && WriteDirectoryAt(*m_layout, file, m_dataEnd);
}

unsigned int KWOArchive::AddFile(const char* filename, const char* name)
{
    return m_layout != nullptr ? AddMember(filename, name) : KWO::NotFound;
}

bool KWOArchive::RemoveFile(unsigned int index)
{
    return m_layout != nullptr && RebuildMember(index, nullptr);
}

bool KWOArchive::RenameFile(unsigned int index, const char* name)
{
    return m_layout != nullptr && RenameMember(index, name);
}

bool KWOArchive::UpdateFile(unsigned int index, const char* filename)
{
    return m_layout != nullptr && !Empty(filename) && RebuildMember(index, filename);
}

bool KWOArchive::CreateEmpty(const char* filename, const char* magic)
{
    std::string path;
    if (!AbsoluteName(filename, path) || KWOFileUtils::FileExist(filename))
        return false;
    // The header is written beside the name and put in place only once it is
    // on disk, never over a file that exists: a full disk leaves no file.
    const bool written = KWO::ReplaceFile(
        filename,
        [magic](KWOResFile& file)
        { return file.Write(magic, 4) == 4 && file.Write32(kHeaderSize) && file.Write32(0); },
        true);
    if (!written)
        return false;
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
    std::unique_ptr<Entry> entry(new (std::nothrow) Entry);
    if (!entry)
        return nullptr;
    entry->m_name = new (std::nothrow) char[length + 1];
    if (entry->m_name == nullptr)
        return nullptr;
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
    return index == KWO::NotFound ? nullptr : OpenResFile(index);
}

KWOResFile* KWOArchive::OpenFile(const iterator& position) const
{
    return OpenResFile(position.Index());
}

bool KWOArchive::CopyFile(const char* name, const char* destination) const
{
    const unsigned int index = FindFile(name);
    return index != KWO::NotFound && ExtractFile(index, destination);
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
        return KWO::NotFound;
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        if (std::strcmp(m_entries[i]->m_name, name) == 0)
            return static_cast<unsigned int>(i);
    }
    return KWO::NotFound;
}

unsigned int KWOArchive::TotalSize() const
{
    uint64_t total = 0;
    for (const auto& entry : m_entries)
        total += entry->m_size;
    return static_cast<unsigned int>(std::min<uint64_t>(total, UINT32_MAX));
}

bool KWOArchive::ExtractAll(const char* directory) const
try
{
    if (Empty(directory) || !KWOFileUtils::IsDir(directory))
        return false;
    std::string folder(directory);
    if (!KWOFileUtils::IsSeparator(folder.back()))
        folder += KWOFileUtils::PathSeparator;
    std::vector<bool> overlapping;
    FindOverlaps(overlapping);
    if (overlapping.size() != NbFiles())
        return false; // no memory to tell the members apart
    for (unsigned int i = 0; i < NbFiles(); ++i)
    {
        const char* name = m_entries[i]->m_name;
        if (!StaysInside(name))
            continue;
        if (overlapping[i])
        {
            KWO::WARN("Archive: member %s shares its data with another member, skipped\n",
                      PrintableName(name).c_str());
            continue;
        }
        const std::string path = folder + name;
        if (path.size() < KWOFileUtils::MaxPath)
            ExtractFile(i, path.c_str());
    }
    return true;
}
catch (const std::exception&)
{
    return false;
}

void KWOArchive::FindOverlaps(std::vector<bool>& overlapping) const
try
{
    overlapping.assign(m_entries.size(), false);
    // In the order of their starts, a member shares bytes with an earlier
    // one when it starts before the furthest end of those before it, and
    // with a later one when the next member starts before its end.
    std::vector<unsigned int> order;
    order.reserve(m_entries.size());
    for (unsigned int i = 0; i < NbFiles(); ++i)
    {
        if (m_entries[i]->m_size > 0)
            order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
              [this](unsigned int a, unsigned int b)
              { return m_entries[a]->m_start < m_entries[b]->m_start; });
    uint64_t furthest = 0;
    for (size_t k = 0; k < order.size(); ++k)
    {
        const Entry& entry = *m_entries[order[k]];
        const uint64_t end = static_cast<uint64_t>(entry.m_start) + entry.m_size;
        if ((k > 0 && entry.m_start < furthest) ||
            (k + 1 < order.size() && m_entries[order[k + 1]]->m_start < end))
            overlapping[order[k]] = true;
        furthest = std::max(furthest, end);
    }
}
catch (const std::exception&)
{
    overlapping.clear();
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
        KWO::LOG("| %-40s | %10d | %10d | %2d/%2d/%4d %2d:%02d |\n",
                 PrintableName(entry->m_name).c_str(), static_cast<int>(entry->m_size),
                 static_cast<int>(entry->m_start), local.tm_mday, local.tm_mon + 1,
                 local.tm_year + 1900, local.tm_hour, local.tm_min);
    }
    KWO::LOG("%s\n", separator);
    KWO::LOG("  Total: %d files, %d bytes.\n", static_cast<int>(NbFiles()),
             static_cast<int>(TotalSize()));
}

void KWOArchive::PrintInfo() const
{
    KWO::LOG("Archive %s (%d entries)\n", m_name ? m_name : "", static_cast<int>(NbFiles()));
    for (const auto& entry : m_entries)
        KWO::LOG("  %-40s   %6d bytes   date=%10d   R(%3d)\n", PrintableName(entry->m_name).c_str(),
                 static_cast<int>(entry->m_size), static_cast<int>(entry->m_date),
                 static_cast<int>(entry->m_index));
    KWO::LOG("\n");
}

// ---- the operations the formats share ---------------------------------------

bool KWOArchive::BeginChange(ChangeLock& lock, unsigned int* index)
{
    if (m_name == nullptr || (index != nullptr && *index >= NbFiles()))
        return false;
    const std::string path = m_name;
    switch (lock.file.Acquire(path.c_str(), g_lockWait))
    {
        case KWO::OS::FileLock::Locked:
            break;
        case KWO::OS::FileLock::Busy:
            KWO::ERR("Archive: %s is being changed by another program; gave up waiting\n",
                     path.c_str());
            return false;
        default:
            return false;
    }

    // The directory is read again under the lock: a change that another
    // program (or another object) made since this object read it is kept.
    std::vector<std::unique_ptr<Entry>> before;
    before.reserve(m_entries.size());
    for (const auto& entry : m_entries)
    {
        before.push_back(MakeEntry(entry->m_name, std::strlen(entry->m_name), entry->m_size,
                                   entry->m_start, entry->m_date, entry->m_index));
        if (!before.back())
            return false;
    }
    if (!Open(path.c_str()))
        return false;
    if (SameEntries(before, m_entries))
    {
        // Nothing changed: the listing keeps its sort order.
        for (size_t i = 0; i < m_entries.size(); ++i)
            m_entries[i]->m_index = before[i]->m_index;
        return true;
    }
    if (index == nullptr)
        return true;
    // The member is the one with the same name, size and date: at the same
    // place, or the only such one (a removal elsewhere moves data).
    const Entry& wanted = *before[*index];
    unsigned int found = KWO::NotFound;
    unsigned int alike = 0;
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        const Entry& entry = *m_entries[i];
        if (entry.m_size != wanted.m_size || entry.m_date != wanted.m_date ||
            std::strcmp(entry.m_name, wanted.m_name) != 0)
            continue;
        if (entry.m_start == wanted.m_start)
        {
            *index = static_cast<unsigned int>(i);
            return true;
        }
        found = static_cast<unsigned int>(i);
        ++alike;
    }
    if (alike == 1)
    {
        *index = found;
        return true;
    }
    KWO::ERR("Archive: member %s of %s was changed by another program\n",
             PrintableName(wanted.m_name).c_str(), path.c_str());
    return false;
}

bool KWOArchive::WriteRecords(const Layout& layout, KWOResFile& file, uint64_t offset) const
{
    const uint64_t bytes = static_cast<uint64_t>(m_entries.size()) * layout.recordSize;
    if (offset + bytes > kLargestOffset || !SeekTo(file, offset))
        return false;
    if (bytes == 0)
        return true;
    // The whole directory in one write. It runs in the middle of a change:
    // running out of memory here is a failed write, never an exception.
    std::unique_ptr<unsigned char[]> records(
        new (std::nothrow) unsigned char[static_cast<size_t>(bytes)]());
    if (!records)
        return false;
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        const Entry& entry = *m_entries[i];
        unsigned char* record = &records[i * layout.recordSize];
        std::memcpy(record, entry.m_name,
                    std::min<size_t>(std::strlen(entry.m_name), layout.nameLimit));
        unsigned char* field = record + layout.nameBytes;
        Put32(field, layout.sizeFirst ? entry.m_size : entry.m_start);
        Put32(field + 4, layout.sizeFirst ? entry.m_start : entry.m_size);
        if (layout.dates)
            Put32(field + 8, entry.m_date);
    }
    const unsigned int n = static_cast<unsigned int>(bytes);
    return file.Write(records.get(), n) == n;
}

bool KWOArchive::WriteHeader(const Layout& layout, KWOResFile& file, uint64_t directory,
                             uint64_t count) const
{
    const uint64_t third = layout.lengthInHeader ? count * layout.recordSize : count;
    if (directory > kLargestOffset || third > UINT32_MAX)
        return false;
    unsigned char header[kHeaderSize];
    std::memcpy(header, layout.magic, 4);
    Put32(header + 4, directory);
    Put32(header + 8, third);
    file.SeekStart();
    return file.GetState() == KWOResFile::StateOK && file.Write(header, kHeaderSize) == kHeaderSize;
}

bool KWOArchive::WriteDirectoryAt(const Layout& layout, KWOResFile& file,
                                  unsigned int directory) const
{
    return WriteRecords(layout, file, directory) &&
           WriteHeader(layout, file, directory, m_entries.size());
}

bool KWOArchive::SaveDirectory(const Layout& layout, KWOResFile& file, uint64_t end)
{
    // An empty directory has nothing to lose: its header stays valid whatever
    // follows it.
    if (m_entries.empty())
        return true;
    return WriteRecords(layout, file, end) && Settle(file, m_name) &&
           WriteHeader(layout, file, end, m_entries.size()) && Settle(file, m_name);
}

bool KWOArchive::RestoreDirectory(const Layout& layout, KWOResFile& file, uint64_t directory,
                                  uint64_t size)
{
    // Should this fail too, the header still points at the saved copy: the
    // archive keeps its old members, followed by a few stray bytes.
    if (!WriteRecords(layout, file, directory) || !Settle(file, m_name) ||
        !WriteHeader(layout, file, directory, m_entries.size()) || !Settle(file, m_name))
        return false;
    file.Close();
    return KWO::OS::TruncateFile(m_name, size);
}

KWOResFile* KWOArchive::OpenResFile(unsigned int index) const
{
    if (index >= NbFiles() || m_name == nullptr)
        return nullptr;
    const Entry& entry = *m_entries[index];
    // A window that would reach past 4 GiB ends there; the stream clips it
    // to the file anyway.
    const uint64_t end = static_cast<uint64_t>(entry.m_start) + entry.m_size;
    KWOPackFile* stream = new (std::nothrow) KWOPackFile(
        m_name, entry.m_start, static_cast<unsigned int>(std::min<uint64_t>(end, UINT32_MAX)),
        KWOResFile::ModeRead, entry.m_name);
    if (stream == nullptr || stream->GetState() != KWOResFile::StateOK)
    {
        delete stream;
        return nullptr;
    }
    return stream;
}

bool KWOArchive::ExtractFile(unsigned int index, const char* destination) const
{
    if (index >= NbFiles() || Empty(destination) || m_name == nullptr)
        return false;
    // Replacing the archive itself would destroy what is being read.
    if (KWO::OS::SameFile(destination, m_name))
        return false;
    const Entry& entry = *m_entries[index];
    KWOFile archive(m_name, KWOResFile::ModeRead);
    if (archive.GetState() != KWOResFile::StateOK || !SeekTo(archive, entry.m_start))
        return false;
    // The destination is replaced only once the whole member is copied: a
    // member that reaches past the end of a damaged archive leaves it as it
    // was.
    return KWO::ReplaceFile(destination, [&archive, &entry](KWOResFile& target)
                            { return CopyBytes(archive, target, entry.m_size); });
}

unsigned int KWOArchive::AddMember(const char* filename, const char* name)
try
{
    const Layout& layout = *m_layout;
    const unsigned int failed = KWO::NotFound;
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
    ChangeLock lock;
    if (!BeginChange(lock, nullptr))
        return failed;
    // The new entry and the room for it are made before the file changes.
    const unsigned int position = static_cast<unsigned int>(m_entries.size());
    std::unique_ptr<Entry> added = MakeEntry(member.data(), member.size(), status.size, m_dataEnd,
                                             layout.dates ? status.date : 0, position);
    if (!added)
        return failed;
    m_entries.reserve(m_entries.size() + 1);

    // The new data, the directory after it and every offset must stay
    // within what the streams can reach. The archive file must reach the
    // data end, or writing would leave a gap (a damaged directory can put
    // the data end far past the file).
    const uint64_t count = m_entries.size();
    const uint64_t memberEnd = static_cast<uint64_t>(m_dataEnd) + status.size;
    const uint64_t newEnd = memberEnd + (count + 1) * layout.recordSize;
    const unsigned int size = KWOFileUtils::FileSize(m_name);
    if (newEnd > kLargestOffset || size == KWO::NotFound || size < m_dataEnd)
        return failed;
    KWOFile archive(m_name, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    if (archive.GetState() != KWOResFile::StateOK)
        return failed;

    // 1. The header points at a copy of the directory past everything this
    //    add writes: the archive stays whole while the old directory is
    //    overwritten by the new member.
    const uint64_t end = std::max<uint64_t>(size, newEnd);
    if (!SaveDirectory(layout, archive, end))
    {
        RestoreDirectory(layout, archive, m_dataEnd, size);
        return failed;
    }
    // 2. The member's data where the directory was, the new directory after
    //    it, then the header switches to it in one write.
    bool done = SeekTo(archive, m_dataEnd) && CopyBytes(source, archive, status.size);
    m_entries.push_back(std::move(added));
    done = done && WriteRecords(layout, archive, memberEnd) && Settle(archive, m_name) &&
           WriteHeader(layout, archive, memberEnd, count + 1) && Settle(archive, m_name);
    if (!done)
    {
        m_entries.pop_back();
        RestoreDirectory(layout, archive, m_dataEnd, size);
        return failed;
    }
    // 3. The copy goes: the file ends with the new directory, byte for byte
    //    what one uninterrupted write would have made.
    archive.Close();
    KWO::OS::TruncateFile(m_name, end);
    m_dataEnd = static_cast<unsigned int>(memberEnd);
    return position;
}
catch (const std::exception&)
{
    return KWO::NotFound;
}

bool KWOArchive::RebuildMember(unsigned int index, const char* filename)
try
{
    const Layout& layout = *m_layout;
    if (index >= NbFiles() || m_name == nullptr)
        return false;
    const bool replace = filename != nullptr;
    KWOFile source(nullptr, KWOResFile::ModeRead);
    Source status;
    if (replace && !OpenSource(filename, source, status))
        return false;
    ChangeLock lock;
    if (!BeginChange(lock, &index))
        return false;

    // The member's bytes are cut out and the ones after it move up. That is
    // sound only when no other member shares those bytes and every member
    // lies between the header and the data end.
    Entry& member = *m_entries[index];
    const uint64_t cutStart = member.m_start;
    const uint64_t cutEnd = cutStart + member.m_size;
    if (cutStart < kHeaderSize || cutEnd > m_dataEnd)
        return false;
    std::vector<bool> after(m_entries.size(), false);
    for (size_t i = 0; i < m_entries.size(); ++i)
    {
        if (i == index)
            continue;
        const uint64_t start = m_entries[i]->m_start;
        const uint64_t end = start + m_entries[i]->m_size;
        if (start < kHeaderSize || end > m_dataEnd)
            return false;
        if (start >= cutEnd && !(start == cutStart && end == cutStart))
            after[i] = true;
        else if (end > cutStart)
            return false;
    }

    const uint64_t newSize = replace ? status.size : 0;
    const uint64_t newDataEnd = m_dataEnd - (cutEnd - cutStart) + newSize;
    const uint64_t newCount = m_entries.size() - (replace ? 0 : 1);
    if (newDataEnd + newCount * layout.recordSize > kLargestOffset)
        return false;
    KWOFile archive(m_name, KWOResFile::ModeRead);
    if (archive.GetState() != KWOResFile::StateOK)
        return false;

    // The new state, with what is needed to return to the old one.
    const unsigned int oldDataEnd = m_dataEnd;
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

    // The new archive is written beside the old one, which it replaces in
    // one step once it is all on disk.
    const unsigned int directory = static_cast<unsigned int>(newDataEnd);
    const uint64_t oldEnd = oldDataEnd;
    const bool done =
        KWO::ReplaceFile(m_name,
                         [&](KWOResFile& temp)
                         {
                             if (!CopyBytes(archive, temp, cutStart))
                                 return false;
                             if (replace && !CopyBytes(source, temp, newSize))
                                 return false;
                             if (cutEnd < oldEnd && (!SeekTo(archive, cutEnd) ||
                                                     !CopyBytes(archive, temp, oldEnd - cutEnd)))
                                 return false;
                             return WriteDirectoryAt(layout, temp, directory);
                         });
    if (done)
    {
        m_dataEnd = directory;
        return true;
    }

    // Back to the old state: the archive file was not touched.
    if (removed)
        m_entries.insert(m_entries.begin() + index, std::move(removed));
    for (size_t i = 0; i < m_entries.size(); ++i)
        m_entries[i]->m_start = oldStarts[i];
    m_entries[index]->m_size = oldSize;
    m_entries[index]->m_date = oldDate;
    m_dataEnd = oldDataEnd;
    return false;
}
catch (const std::exception&)
{
    return false;
}

bool KWOArchive::RenameMember(unsigned int index, const char* name)
try
{
    const Layout& layout = *m_layout;
    if (index >= NbFiles() || Empty(name) || EndsWithSeparator(name) || m_name == nullptr)
        return false;
    std::string member;
    if (!MemberName(name, layout.nameLimit, member))
        return false;
    ChangeLock lock;
    if (!BeginChange(lock, &index))
        return false;
    const uint64_t directoryEnd =
        static_cast<uint64_t>(m_dataEnd) + m_entries.size() * layout.recordSize;
    const unsigned int size = KWOFileUtils::FileSize(m_name);
    if (directoryEnd > kLargestOffset || size == KWO::NotFound || size < m_dataEnd)
        return false;
    KWOFile archive(m_name, KWOResFile::ModeRead | KWOResFile::ModeWrite);
    if (archive.GetState() != KWOResFile::StateOK)
        return false;

    std::unique_ptr<char[]> newName(KWOString::StringCopy(member.c_str()));
    if (!newName)
        return false;

    // As for an add: the header points at a copy of the directory while the
    // directory is rewritten in place, then switches back to it.
    const uint64_t end = std::max<uint64_t>(size, directoryEnd);
    if (!SaveDirectory(layout, archive, end))
    {
        RestoreDirectory(layout, archive, m_dataEnd, size);
        return false;
    }
    Entry& entry = *m_entries[index];
    char* oldName = entry.m_name;
    entry.m_name = newName.release();
    if (WriteRecords(layout, archive, m_dataEnd) && Settle(archive, m_name) &&
        WriteHeader(layout, archive, m_dataEnd, m_entries.size()) && Settle(archive, m_name))
    {
        delete[] oldName;
        archive.Close();
        KWO::OS::TruncateFile(m_name, end);
        return true;
    }
    delete[] entry.m_name;
    entry.m_name = oldName;
    RestoreDirectory(layout, archive, m_dataEnd, size);
    return false;
}
catch (const std::exception&)
{
    return false;
}
