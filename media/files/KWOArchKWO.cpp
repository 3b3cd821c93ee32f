#include "files/KWOArchKWO.h"

#include "files/KWOFile.h"
#include "platform/KWOFileUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace
{
const char kMagic[4] = {'K', 'W', 'O', 'A'};
const unsigned int kHeaderSize = 12;
const unsigned int kNameBytes = 32;
// The streams seek with a signed 32-bit offset.
const unsigned int kLargestOffset = 0x7FFFFFFF;

} // namespace

const KWOArchive::Layout KWOArchKWO::m_layout = {KWOArchKWO::RecordSize,
                                                 KWOArchKWO::NameLimit,
                                                 true,
                                                 {'K', 'W', 'O', 'A'},
                                                 false,
                                                 kNameBytes,
                                                 true};

KWOArchKWO::KWOArchKWO() : KWOArchive(FormatKWO), m_dataEnd(0) {}

KWOArchKWO::~KWOArchKWO() = default;

const char* KWOArchKWO::FormatInfo() const
{
    return "KWO Archive v1.00";
}

void KWOArchKWO::Close()
{
    KWOArchive::Close();
    m_dataEnd = kHeaderSize;
}

bool KWOArchKWO::Create(const char* filename)
{
    return CreateEmpty(filename, kMagic);
}

bool KWOArchKWO::Open(const char* filename)
{
    std::string path;
    if (!AbsoluteName(filename, path))
        return false;
    KWOFile file(filename, KWOResFile::ModeRead);
    if (file.GetState() != KWOResFile::StateOK)
        return false;
    char magic[4];
    if (file.Read(magic, 4) != 4 || std::memcmp(magic, kMagic, 4) != 0)
        return false;
    const unsigned int directory = file.Read32();
    const unsigned int count = file.Read32();
    if (file.GetState() != KWOResFile::StateOK)
        return false;

    std::vector<std::unique_ptr<Entry>> entries;
    if (count == 0)
    {
        Adopt(std::move(entries), path);
        m_dataEnd = kHeaderSize;
        return true;
    }

    const unsigned int size = KWOFileUtils::FileSize(filename);
    if (size == 0xFFFFFFFFu || directory > size || directory < kHeaderSize ||
        directory + static_cast<uint64_t>(RecordSize) * count > size)
        return false;
    if (directory > kLargestOffset || !file.Seek(static_cast<int>(directory), 0))
        return false;

    // The count is bounded by the file's size (checked above).
    entries.reserve(count);
    for (unsigned int i = 0; i < count; ++i)
    {
        char name[kNameBytes];
        if (file.Read(name, kNameBytes) != kNameBytes)
            return false;
        name[kNameBytes - 1] = '\0';
        const unsigned int memberSize = file.Read32();
        const unsigned int start = file.Read32();
        const unsigned int date = file.Read32();
        if (file.GetState() != KWOResFile::StateOK)
            return false;
        entries.push_back(MakeEntry(name, std::strlen(name), memberSize, start, date, i));
    }
    Adopt(std::move(entries), path);
    m_dataEnd = directory;
    return true;
}

bool KWOArchKWO::WriteDirectory(KWOResFile& file)
{
    return WriteDirectoryAt(m_layout, file, m_dataEnd);
}

KWOResFile* KWOArchKWO::OpenResFile(unsigned int index) const
{
    return OpenMember(index);
}

unsigned int KWOArchKWO::AddFile(const char* filename, const char* name)
{
    return AddMember(m_layout, m_dataEnd, filename, name);
}

bool KWOArchKWO::RemoveFile(unsigned int index)
{
    return RebuildMember(m_layout, m_dataEnd, index, nullptr);
}

bool KWOArchKWO::RenameFile(unsigned int index, const char* name)
{
    return RenameMember(m_layout, m_dataEnd, index, name);
}

bool KWOArchKWO::UpdateFile(unsigned int index, const char* filename)
{
    if (filename == nullptr || filename[0] == '\0')
        return false;
    return RebuildMember(m_layout, m_dataEnd, index, filename);
}

bool KWOArchKWO::ExtractFile(unsigned int index, const char* destination) const
{
    return ExtractMember(index, destination);
}
