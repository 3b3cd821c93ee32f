#include "app/KWOTranslator.h"

#include "app/ascii_text.h"
#include "core/KWOLog.h"
#include "core/KWOString.h"
#include "files/KWOFile.h"
#include "platform/KWOFileUtils.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

KWOTranslator* KWOTranslator::m_instance = nullptr;

namespace
{
const char kMagic[4] = {'L', 'a', 'n', 'G'};
// Magic, one byte not interpreted, the name length.
const unsigned kNameOffset = 6;

char* NewCopy(const char* text, size_t length)
{
    char* copy = new (std::nothrow) char[length + 1];
    if (copy)
    {
        std::memcpy(copy, text, length);
        copy[length] = 0;
    }
    return copy;
}

// Opens a language file and reads its header up to the name length.
bool OpenLangFile(KWOFile& file, unsigned& nameLength)
{
    if (file.GetState() != KWOResFile::StateOK)
        return false;
    char magic[4];
    if (file.Read(magic, 4) != 4 || std::memcmp(magic, kMagic, 4) != 0)
        return false;
    file.Read8();
    nameLength = file.Read8();
    return file.GetState() == KWOResFile::StateOK;
}

// The size of an open file, the position left at `back`.
bool FileSize(KWOFile& file, unsigned back, unsigned& size)
{
    file.SeekEnd();
    size = file.GetPos();
    return file.GetState() == KWOResFile::StateOK && file.Seek(static_cast<int>(back), 0);
}

// Goes to `offset` unless the stream is already there.
bool GoTo(KWOFile& file, unsigned offset)
{
    if (file.GetPos() == offset)
        return true;
    return offset <= static_cast<unsigned>(INT_MAX) && file.Seek(static_cast<int>(offset), 0);
}

// The working directory; empty when it cannot be read.
std::string WorkDir()
{
    std::unique_ptr<char[]> cwd(KWOFileUtils::GetCWD());
    return cwd ? std::string(cwd.get()) : std::string();
}

bool EndsWithSeparator(const std::string& path)
{
    return !path.empty() && KWOFileUtils::IsSeparator(path.back());
}
} // namespace

KWOTranslator* KWOTranslator::Singleton()
{
    if (!m_instance)
        m_instance = new (std::nothrow) KWOTranslator();
    return m_instance;
}

KWOTranslator::KWOTranslator() : m_found(0), m_curIndex(-1)
{
    std::snprintf(m_missing, sizeof m_missing, "String #");
}

KWOTranslator::~KWOTranslator()
{
    DeleteFileArray();
    DeleteStringArray();
    if (m_instance == this)
        m_instance = nullptr;
}

void KWOTranslator::DeleteFileArray()
{
    m_langs.clear();
    m_langs.shrink_to_fit();
    m_path.clear();
    // The loaded file can no longer be told by its place in the listing.
    m_curIndex = -1;
}

void KWOTranslator::DeleteStringArray()
{
    m_strings.clear();
    m_strings.shrink_to_fit();
    m_data.reset();
    m_curFile.reset();
    m_curName.reset();
    m_curIndex = -1;
}

int KWOTranslator::Init(const char* dir, const char* ext)
try
{
    DeleteFileArray();
    DeleteStringArray();
    m_found = 0;
    if (!dir || !*dir)
        return 0;

    std::string path;
    if (IsAbsolute(dir))
    {
        path = dir;
    }
    else
    {
        const std::string cwd = WorkDir();
        if (cwd.empty())
            return 0;
        if (std::strcmp(dir, ".") == 0)
        {
            path = cwd;
        }
        else if (std::strcmp(dir, "..") == 0)
        {
            // The parent: the working directory cut at its last separator; a
            // separator in first place is the root, which is kept.
            size_t cut = cwd.size();
            while (cut > 0 && !KWOFileUtils::IsSeparator(cwd[cut - 1]))
                --cut;
            if (cut == 0)
                path = cwd;
            else if (cut == 1)
                path = cwd.substr(0, 1);
            else
                path = cwd.substr(0, cut - 1);
        }
        else
        {
            path = cwd;
            if (!EndsWithSeparator(path))
                path += KWOFileUtils::PathSeparator;
            path += dir;
        }
    }
    if (!EndsWithSeparator(path))
        path += KWOFileUtils::PathSeparator;
    m_path = path;

    std::string pattern = "*";
    if (ext)
        pattern += ext;
    char** list = nullptr;
    const unsigned count = KWOFileUtils::GetFileList(
        list, m_path.c_str(), pattern.c_str(),
        KWOFileUtils::SkipDirs | KWOFileUtils::SkipDotEntries | KWOFileUtils::SkipHidden);
    try
    {
        for (unsigned i = 0; i < count; ++i)
        {
            const char* name = list[i];
            if (name[0] == '.')
                continue;
            const std::string full = m_path + name;
            Lang lang;
            lang.name.reset(CheckLang(full.c_str()));
            if (!lang.name)
                continue;
            lang.file.reset(NewCopy(full.c_str(), full.size()));
            if (!lang.file)
                continue;
            m_langs.push_back(std::move(lang));
        }
    }
    catch (const std::exception&)
    {
        // Out of memory: the languages found so far are kept.
    }
    KWOFileUtils::FreeFileList(list, count);
    m_found = m_langs.empty() ? 0 : 1;
    return static_cast<int>(m_langs.size());
}
catch (const std::exception&)
{
    return 0;
}

char* KWOTranslator::CheckLang(const char* file) const
{
    if (!file || !*file)
        return nullptr;
    KWOFile stream(file, KWOResFile::ModeRead);
    unsigned n = 0;
    if (!OpenLangFile(stream, n) || n == 0)
        return nullptr;
    std::unique_ptr<char[]> name(new (std::nothrow) char[n + 1]);
    if (!name || stream.Read(name.get(), n) != n)
        return nullptr;
    name[n] = 0;
    if (name[0] == 0)
        return nullptr;
    return name.release();
}

const char* KWOTranslator::GetLangName(unsigned i) const
{
    return i < m_langs.size() ? m_langs[i].name.get() : nullptr;
}

const char* KWOTranslator::GetLangFile(unsigned i) const
{
    return i < m_langs.size() ? m_langs[i].file.get() : nullptr;
}

bool KWOTranslator::LoadName(const char* name)
{
    if (!name || m_langs.empty())
        return false;
    for (size_t i = 0; i < m_langs.size(); ++i)
    {
        if (std::strcmp(m_langs[i].name.get(), name) == 0)
            return Load(nullptr, static_cast<unsigned>(i));
    }
    return false;
}

bool KWOTranslator::Load(const char* file, unsigned index)
try
{
    // Which file, and whether its name is to be read from it.
    std::string path;
    int curIndex = -1;
    bool readName = true;
    if (!file)
    {
        if (index >= m_langs.size())
            return false;
        path = m_langs[index].file.get();
        curIndex = static_cast<int>(index);
        readName = false;
    }
    else
    {
        if (!*file)
            return false;
        if (IsAbsolute(file))
        {
            path = file;
        }
        else
        {
            path = WorkDir();
            if (path.empty())
                return false;
            if (!EndsWithSeparator(path))
                path += KWOFileUtils::PathSeparator;
            path += file;
        }
        for (size_t i = 0; i < m_langs.size(); ++i)
        {
            if (kwo_app::EqualNoCase(m_langs[i].file.get(), path.c_str()))
                curIndex = static_cast<int>(i);
        }
    }

    KWOFile stream(path.c_str(), KWOResFile::ModeRead);
    unsigned n = 0;
    if (!OpenLangFile(stream, n))
        return false;
    std::unique_ptr<char[]> name;
    if (readName)
    {
        if (n > 0)
        {
            name.reset(new (std::nothrow) char[n + 1]);
            if (!name || stream.Read(name.get(), n) != n)
                return false;
            name[n] = 0;
        }
    }
    else if (!stream.Seek(static_cast<int>(kNameOffset + n), 0))
    {
        return false;
    }
    const unsigned count = stream.Read32();
    const unsigned indexOffset = stream.Read32();
    const unsigned textOffset = stream.Read32();
    const unsigned blockSize = stream.Read32();
    if (stream.GetState() != KWOResFile::StateOK)
        return false;
    unsigned fileSize = 0;
    if (!FileSize(stream, stream.GetPos(), fileSize))
        return false;

    // From here on the texts loaded before are gone, even if this load fails.
    DeleteStringArray();

    // The index and the block must lie inside the file: a damaged header
    // never makes a large allocation.
    if (indexOffset > fileSize || count > (fileSize - indexOffset) / 2)
        return false;
    if (textOffset > fileSize || blockSize > fileSize - textOffset)
        return false;

    std::vector<unsigned char> lengths(static_cast<size_t>(count) * 2);
    if (!GoTo(stream, indexOffset))
        return false;
    if (count > 0 && stream.Read(lengths.data(), count * 2) != count * 2)
        return false;

    // Each text starts where the one before ended; texts must stay inside
    // the block.
    std::vector<size_t> starts(count);
    uint64_t used = 0;
    for (unsigned i = 0; i < count; ++i)
    {
        const unsigned length = lengths[2 * i] | static_cast<unsigned>(lengths[2 * i + 1]) << 8;
        starts[i] = length ? static_cast<size_t>(used) : SIZE_MAX;
        used += length;
    }
    if (used > blockSize)
        return false;

    std::unique_ptr<char[]> data(new (std::nothrow) char[static_cast<size_t>(blockSize) + 1]);
    if (!data)
        return false;
    if (!GoTo(stream, textOffset))
        return false;
    if (blockSize > 0 && stream.Read(data.get(), blockSize) != blockSize)
        return false;
    data[blockSize] = 0;
    stream.Close();

    std::vector<const char*> strings(count, nullptr);
    for (unsigned i = 0; i < count; ++i)
    {
        if (starts[i] == SIZE_MAX)
            continue;
        const unsigned length = lengths[2 * i] | static_cast<unsigned>(lengths[2 * i + 1]) << 8;
        // A text ends inside its own length, whatever the file holds there.
        data[starts[i] + length - 1] = 0;
        strings[i] = data.get() + starts[i];
    }

    std::unique_ptr<char[]> curFile(NewCopy(path.c_str(), path.size()));
    if (!curFile)
        return false;
    m_data = std::move(data);
    m_strings = std::move(strings);
    m_curFile = std::move(curFile);
    m_curName = std::move(name);
    m_curIndex = curIndex;
    return true;
}
catch (const std::exception&)
{
    return false;
}

const char* KWOTranslator::GetCurName() const
{
    if (m_curIndex >= 0 && static_cast<size_t>(m_curIndex) < m_langs.size())
        return m_langs[static_cast<size_t>(m_curIndex)].name.get();
    return m_curName.get();
}

const char* KWOTranslator::GetString(unsigned i)
{
    if (i < m_strings.size())
        return m_strings[i];
    std::snprintf(m_missing, sizeof m_missing, "String #%u", i);
    return m_missing;
}

char* KWOTranslator::StrCopy(const char* text, unsigned from, unsigned count) const
{
    return KWOString::StringCopy(text, from, count);
}

bool KWOTranslator::IsAbsolute(const char* path) const
{
    return KWOFileUtils::IsAbsolute(path);
}

void KWOTranslator::PrintInfo(bool strings) const
{
    if (!m_langs.empty())
    {
        KWO::LOG("Path : %s\nFiles:\n", m_path.c_str());
        for (size_t i = 0; i < m_langs.size(); ++i)
            KWO::LOG("-[%d] %s (%s)\n", static_cast<int>(i), m_langs[i].name.get(),
                     m_langs[i].file.get());
    }
    if (m_strings.empty())
    {
        KWO::LOG("No file loaded.\n");
        return;
    }
    const char* name = GetCurName();
    KWO::LOG("Lang file : %s\nLanguage  : %s\nStrings   : %d\n", m_curFile ? m_curFile.get() : "",
             name ? name : "", static_cast<int>(m_strings.size()));
    if (!strings)
        return;
    KWO::LOG("Strings:\n");
    for (size_t i = 0; i < m_strings.size(); ++i)
        KWO::LOG("-[%d] %s\n", static_cast<int>(i), m_strings[i] ? m_strings[i] : "");
}
