#include "files/KWOResMgr.h"

#include "core/KWOConst.h"
#include "core/KWOLog.h"
#include "core/KWOString.h"
#include "files/KWOResFile.h"
#include "files/KWOResFinder.h"
#include "files/KWOResource.h"
#include "files/resource_loaders.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace
{
constexpr unsigned int InitialCapacity = 4;

bool Empty(const char* name)
{
    return name == nullptr || name[0] == '\0';
}
} // namespace

KWOResMgr::KWOResMgr(const KWOResFinder& finder)
    : m_count(0), m_capacity(0), m_records(new (std::nothrow) Record[InitialCapacity]),
      m_finder(finder)
{
    if (m_records)
        m_capacity = InitialCapacity;
    kwo_files::RegisterBuiltInLoaders(m_loaders);
}

KWOResMgr::~KWOResMgr()
{
    // Resources go from the last record to the first; the records then free
    // their names with the table.
    while (m_count > 0)
        PrivateRemove(m_count - 1, true);
}

// ---- the table -----------------------------------------------------------------

bool KWOResMgr::FindRes(const char* name, unsigned int& position) const
{
    if (Empty(name))
        return false;
    int64_t low = 0;
    int64_t high = int64_t(m_count) - 1;
    while (high >= low)
    {
        const int64_t middle = (low + high) / 2;
        position = static_cast<unsigned int>(middle);
        const int order = std::strcmp(name, m_records[middle].name.get());
        if (order == 0)
            return true;
        if (order < 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    position = static_cast<unsigned int>(low);
    return false;
}

bool KWOResMgr::PrivateAdd(unsigned int position, unsigned int type, const char* name,
                           KWOResource* resource)
{
    if (Empty(name))
        return false;
    std::unique_ptr<char[]> copy(KWOString::StringCopy(name));
    if (!copy)
        return false;
    if (m_count == m_capacity)
    {
        const unsigned int capacity = m_capacity == 0 ? InitialCapacity : m_capacity * 2;
        if (capacity <= m_capacity)
            return false;
        std::unique_ptr<Record[]> records(new (std::nothrow) Record[capacity]);
        if (!records)
            return false;
        for (unsigned int i = 0; i < m_count; ++i)
            records[i] = std::move(m_records[i]);
        m_records = std::move(records);
        m_capacity = capacity;
    }
    if (position > m_count)
        position = m_count;
    for (unsigned int i = m_count; i > position; --i)
        m_records[i] = std::move(m_records[i - 1]);

    Record& record = m_records[position];
    record.type = type;
    record.references = 1;
    record.name = std::move(copy);
    record.resource.reset(resource);
    // A music reads its stream while it plays, so it cannot be reloaded from
    // a stream that is deleted afterwards.
    record.readsStream = kwo_files::ReadsStream(resource);
    ++m_count;
    return true;
}

void KWOResMgr::PrivateRemove(unsigned int position, bool destroy)
{
    if (position >= m_count)
        return;
    Record& record = m_records[position];
    record.name.reset();
    if (destroy)
        record.resource.reset();
    else
        static_cast<void>(record.resource.release());
    record = Record();
    for (unsigned int i = position + 1; i < m_count; ++i)
        m_records[i - 1] = std::move(m_records[i]);
    --m_count;
}

// ---- requests ------------------------------------------------------------------

KWOResource* KWOResMgr::Load(unsigned int type, const char* name, int param, bool keep)
{
    if (Empty(name) || type >= m_loaders.size())
        return nullptr;

    unsigned int position = 0;
    if (FindRes(name, position))
    {
        Record& record = m_records[position];
        if (record.type != type || !record.resource)
            return nullptr;
        ++record.references;
        return record.resource.get();
    }

    KWOResFile* file = m_finder.FindRes(name);
    if (file == nullptr)
        return nullptr;

    bool keepFile = false;
    KWOResource* resource = m_loaders[type](file, name, param, keepFile);
    if (resource == nullptr)
    {
        KWO::WARN("ResMgr: can not load %s (type %u)\n", name, type);
        delete file;
        return nullptr;
    }
    // A resource that keeps reading from its stream now owns it.
    if (!keepFile)
        delete file;

    if (keep)
    {
        // A loader may itself have gone through the manager: search again.
        if (FindRes(name, position))
        {
            delete resource;
            return Load(type, name, param, keep);
        }
        if (!PrivateAdd(position, type, name, resource))
        {
            delete resource;
            return nullptr;
        }
        m_records[position].readsStream = m_records[position].readsStream || keepFile;
    }
    return resource;
}

KWOResource* KWOResMgr::Get(const char* name)
{
    unsigned int position = 0;
    if (!FindRes(name, position) || !m_records[position].resource)
        return nullptr;
    ++m_records[position].references;
    return m_records[position].resource.get();
}

bool KWOResMgr::Add(unsigned int type, const char* name, KWOResource* resource)
{
    unsigned int position = 0;
    if (Empty(name) || FindRes(name, position))
        return false;
    // One object under two names would be deleted twice.
    if (resource != nullptr)
        for (unsigned int i = 0; i < m_count; ++i)
            if (m_records[i].resource.get() == resource)
                return false;
    return PrivateAdd(position, type, name, resource);
}

void KWOResMgr::Drop(unsigned int position)
{
    Record& record = m_records[position];
    if (record.references > 0)
        --record.references;
    if (record.references == 0)
        PrivateRemove(position, true);
}

bool KWOResMgr::Release(const char* name)
{
    unsigned int position = 0;
    if (Empty(name) || m_count == 0 || !FindRes(name, position))
        return false;
    Drop(position);
    return true;
}

bool KWOResMgr::Release(KWOResource* resource)
{
    if (resource == nullptr || m_count == 0)
        return false;
    for (unsigned int i = 0; i < m_count; ++i)
    {
        if (m_records[i].resource.get() == resource)
        {
            Drop(i);
            return true;
        }
    }
    return false;
}

// ---- reloading -----------------------------------------------------------------

bool KWOResMgr::ReloadRecord(Record& record)
{
    KWOResource* resource = record.resource.get();
    const bool ownsStream = kwo_files::OwnsStream(resource);
    // Anything else that reads from its stream would be left with a deleted
    // one: such resources are not reloaded.
    if (record.readsStream && !ownsStream)
        return false;

    std::unique_ptr<KWOResFile> file(m_finder.FindRes(record.name.get()));
    if (!file)
        return false;
    if (ownsStream)
        return kwo_files::LoadOwningStream(resource, std::move(file), 0);
    return resource->Load(*file, 0);
}

bool KWOResMgr::Reload(const char* name)
{
    unsigned int position = 0;
    if (Empty(name) || m_count == 0 || !FindRes(name, position))
        return false;
    Record& record = m_records[position];
    if (!record.resource)
        return false;
    return ReloadRecord(record);
}

bool KWOResMgr::ReloadType(unsigned int type)
{
    if (type >= m_loaders.size())
        return false;
    bool all = true;
    for (unsigned int i = 0; i < m_count; ++i)
    {
        Record& record = m_records[i];
        if (record.type == type && record.resource && !ReloadRecord(record))
            all = false;
    }
    return all;
}

// ---- loaders -------------------------------------------------------------------

unsigned int KWOResMgr::RegisterLoader(Loader loader)
try
{
    if (loader == nullptr || m_loaders.size() >= KWO::NotFound)
        return KWO::NotFound;
    m_loaders.push_back(loader);
    return static_cast<unsigned int>(m_loaders.size() - 1);
}
catch (const std::exception&)
{
    return KWO::NotFound;
}

bool KWOResMgr::ChangeLoader(unsigned int type, Loader loader)
{
    if (type >= m_loaders.size() || loader == nullptr)
        return false;
    m_loaders[type] = loader;
    return true;
}

// ---- inspection ----------------------------------------------------------------

const char* KWOResMgr::GetName(unsigned int position) const
{
    return position < m_count ? m_records[position].name.get() : nullptr;
}

unsigned int KWOResMgr::GetType(unsigned int position) const
{
    return position < m_count ? m_records[position].type : 0;
}

unsigned int KWOResMgr::GetReferences(unsigned int position) const
{
    return position < m_count ? m_records[position].references : 0;
}

KWOResource* KWOResMgr::GetResource(unsigned int position) const
{
    return position < m_count ? m_records[position].resource.get() : nullptr;
}

unsigned int KWOResMgr::MemoryUsed() const
{
    uint64_t total = 0;
    for (unsigned int i = 0; i < m_count; ++i)
        if (m_records[i].resource)
            total += m_records[i].resource->MemoryUsed();
    return static_cast<unsigned int>(std::min<uint64_t>(total, UINT32_MAX));
}

void KWOResMgr::PrintContent() const
{
    KWO::LOG("Resource Manager : (%u entries, %u alloc)\n", m_count, m_capacity);
    for (unsigned int i = 0; i < m_count; ++i)
    {
        const Record& record = m_records[i];
        KWO::LOG("- %3u [type %2u] %s (%u)\n", i, record.type, record.name.get(),
                 record.references);
    }
}

void KWOResMgr::PrintInfo() const
{
    PrintContent();
    KWO::LOG("Resource Manager : %u loaders, %u bytes used\n", NbLoaders(), MemoryUsed());
}
