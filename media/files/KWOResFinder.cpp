#include "files/KWOResFinder.h"

#include "core/KWOConst.h"
#include "core/KWOLog.h"
#include "files/KWOArchive.h"
#include "files/KWODir.h"
#include "files/KWOResFile.h"
#include "platform/KWOFileUtils.h"

#include <cstring>

KWOResFinder::KWOResFinder() = default;

KWOResFinder::~KWOResFinder() = default;

unsigned int KWOResFinder::FindSource(const char* name) const
{
    if (name == nullptr || name[0] == '\0')
        return KWO::NotFound;
    for (size_t i = 0; i < m_sources.size(); ++i)
    {
        const char* sourceName = m_sources[i]->Name();
        if (sourceName != nullptr && std::strcmp(sourceName, name) == 0)
            return static_cast<unsigned int>(i);
    }
    return KWO::NotFound;
}

bool KWOResFinder::AddSource(const char* name, bool first)
try
{
    if (name == nullptr || name[0] == '\0')
        return false;
    if (FindSource(name) != KWO::NotFound)
        return true;
    if (!KWOFileUtils::FileExist(name))
        return false;

    std::unique_ptr<KWOFileProvider> source;
    if (KWOFileUtils::IsDir(name))
    {
        std::unique_ptr<KWODir> dir(new (std::nothrow) KWODir(nullptr));
        if (!dir || !dir->Open(name))
            return false;
        source = std::move(dir);
    }
    else
    {
        source.reset(KWOArchive::OpenArchive(name));
        if (!source)
            return false;
    }

    if (first)
        m_sources.insert(m_sources.begin(), std::move(source));
    else
        m_sources.push_back(std::move(source));
    return true;
}
catch (const std::exception&)
{
    return false;
}

bool KWOResFinder::RemoveSource(const char* name)
{
    const unsigned int index = FindSource(name);
    if (index == KWO::NotFound)
        return false;
    m_sources.erase(m_sources.begin() + index);
    return true;
}

KWOResFile* KWOResFinder::FindRes(const char* name) const
{
    if (name == nullptr || name[0] == '\0')
        return nullptr;
    for (const auto& source : m_sources)
    {
        if (KWOResFile* stream = source->OpenFile(name))
            return stream;
    }
    return nullptr;
}

void KWOResFinder::PrintInfo() const
{
    KWO::LOG("Resource Finder sources (%d):\n", static_cast<int>(m_sources.size()));
    if (m_sources.empty())
    {
        KWO::LOG("none.\n");
        return;
    }
    for (const auto& source : m_sources)
    {
        const char* sourceName = source->Name();
        KWO::LOG("- %s\n", sourceName ? sourceName : "");
    }
}

const KWOFileProvider* KWOResFinder::GetSource(unsigned int index) const
{
    return index < m_sources.size() ? m_sources[index].get() : nullptr;
}
