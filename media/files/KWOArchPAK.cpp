#include "files/KWOArchPAK.h"

#include "files/KWOFile.h"
#include "platform/KWOFileUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace
{
const char kMagic[4] = {'P', 'A', 'C', 'K'};
const unsigned int kHeaderSize = 12;
// The streams seek with a signed 32-bit offset.
const unsigned int kLargestOffset = 0x7FFFFFFF;

} // namespace

const KWOArchive::Layout KWOArchPAK::m_layout = {KWOArchPAK::RecordSize,
                                                 KWOArchPAK::NameLimit,
                                                 false,
                                                 {'P', 'A', 'C', 'K'},
                                                 true,
                                                 KWOArchPAK::NameLimit,
                                                 false};

KWOArchPAK::KWOArchPAK() : KWOArchive(FormatPAK), m_dataEnd(0) {}

KWOArchPAK::~KWOArchPAK() = default;

const char* KWOArchPAK::FormatInfo() const
{
    return "Id Software Quake 1/2 Archive.";
}

void KWOArchPAK::Close()
{
    KWOArchive::Close();
    m_dataEnd = kHeaderSize;
}

bool KWOArchPAK::Create(const char* filename)
{
    return CreateEmpty(filename, kMagic);
}

bool KWOArchPAK::Open(const char* filename)
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
    const unsigned int length = file.Read32();
    if (file.GetState() != KWOResFile::StateOK)
        return false;
    const unsigned int size = KWOFileUtils::FileSize(filename);
    if (size == 0xFFFFFFFFu || directory > size || static_cast<uint64_t>(directory) + length > size)
        return false;

    // The count is bounded by the file's size (checked above).
    const unsigned int count = length / RecordSize;
    if (count > 0 && (directory > kLargestOffset || !file.Seek(static_cast<int>(directory), 0)))
        return false;
    std::vector<std::unique_ptr<Entry>> entries;
    entries.reserve(count);
    uint64_t dataEnd = kHeaderSize;
    for (unsigned int i = 0; i < count; ++i)
    {
        char name[NameLimit];
        if (file.Read(name, NameLimit) != NameLimit)
            return false;
        const unsigned int start = file.Read32();
        const unsigned int memberSize = file.Read32();
        if (file.GetState() != KWOResFile::StateOK)
            return false;
        const char* zero = static_cast<const char*>(std::memchr(name, '\0', NameLimit));
        const size_t nameLength = zero ? static_cast<size_t>(zero - name) : NameLimit;
        entries.push_back(MakeEntry(name, nameLength, memberSize, start, 0, i));
        dataEnd = std::max<uint64_t>(dataEnd, static_cast<uint64_t>(start) + memberSize);
    }
    Adopt(std::move(entries), path);
    m_dataEnd = dataEnd > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned int>(dataEnd);
    return true;
}

bool KWOArchPAK::WriteDirectory(KWOResFile& file)
{
    return WriteDirectoryAt(m_layout, file, m_dataEnd);
}

KWOResFile* KWOArchPAK::OpenResFile(unsigned int index) const
{
    return OpenMember(index);
}

unsigned int KWOArchPAK::AddFile(const char* filename, const char* name)
{
    return AddMember(m_layout, m_dataEnd, filename, name);
}

bool KWOArchPAK::RemoveFile(unsigned int index)
{
    return RebuildMember(m_layout, m_dataEnd, index, nullptr);
}

bool KWOArchPAK::RenameFile(unsigned int index, const char* name)
{
    return RenameMember(m_layout, m_dataEnd, index, name);
}

bool KWOArchPAK::UpdateFile(unsigned int index, const char* filename)
{
    if (filename == nullptr || filename[0] == '\0')
        return false;
    return RebuildMember(m_layout, m_dataEnd, index, filename);
}

bool KWOArchPAK::ExtractFile(unsigned int index, const char* destination) const
{
    return ExtractMember(index, destination);
}
