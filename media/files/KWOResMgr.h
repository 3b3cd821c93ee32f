/// @class KWOResMgr
/// KWOResMgr: loads resources once by type and name and shares them.
///
/// A request for a name already registered hands out the same object with one
/// more reference; otherwise the finder opens a stream on the name and the
/// loader of the type builds the resource from it. Registered resources belong
/// to the manager: users give their references back with Release, and the
/// last Release deletes the resource.
///
/// Type numbers index the loader table. The constructor registers the
/// built-in loaders: 0 picture (KWOImage), 1 palette (KWOPal), 2 font
/// (KWOFont), 3 text (KWOText), 4 sound (KWOSound), 5 music (KWOMusic). An
/// application adds its own types from 6 on with RegisterLoader, or replaces a
/// loader with ChangeLoader.
///
/// Streams: the manager deletes the stream a loader read from, unless the
/// loader set its keep-file flag, in which case the stream passes to the
/// resource, which deletes it. A music built by the manager owns the stream it
/// keeps reading from and deletes it with itself.
///
/// Failures are results (null, false, KWO::NotFound); the one message is the
/// warning "ResMgr: can not load <name> (type <n>)" when a loader fails.
#ifndef KWOMEDIA_FILES_KWORESMGR_H
#define KWOMEDIA_FILES_KWORESMGR_H

#include "../KWOExport.h"
#include "../core/KWOConst.h"

#include <memory>
#include <vector>

class KWOResFile;
class KWOResFinder;
class KWOResource;

class KWO_API KWOResMgr
{
public:
    /// Builds a resource from `file`, or returns null. Sets `keepFile` when
    /// the resource keeps reading from the stream after loading; the stream
    /// then passes to the resource. `name` is the requested name.
    using Loader = KWOResource* (*)(KWOResFile* file, const char* name, int param, bool& keepFile);

    /// The built-in type numbers.
    enum : unsigned int
    {
        TypePicture = 0,
        TypePalette = 1,
        TypeFont = 2,
        TypeText = 3,
        TypeSound = 4,
        TypeMusic = 5,
        FirstUserType = 6
    };

    /// An empty table (room for 4 records) and the six built-in loaders. The
    /// finder is not owned and must outlive the manager.
    explicit KWOResMgr(const KWOResFinder& finder);
    /// Deletes every registered resource, whatever its reference count.
    ~KWOResMgr();
    KWOResMgr(const KWOResMgr&) = delete;
    KWOResMgr& operator=(const KWOResMgr&) = delete;

    /// The registered resource `name` with one more reference when there is
    /// one of that type (null when its type differs); otherwise a new one
    /// loaded through the finder, registered with one reference when `keep`
    /// is true, or handed to the caller alone (who deletes it) when false.
    KWOResource* Load(unsigned int type, const char* name, int param, bool keep);
    /// The registered resource `name` with one more reference, or null.
    KWOResource* Get(const char* name);
    /// Registers an object the caller made, which then belongs to the
    /// manager. False (the caller keeps it) for an empty name, a name already
    /// registered or an object already registered.
    bool Add(unsigned int type, const char* name, KWOResource* resource);
    /// @{
    /// Gives one reference back; at 0 the record goes and the resource is
    /// deleted. False when nothing of that name, or holding that object, is
    /// registered.
    bool Release(const char* name);
    bool Release(KWOResource* resource);
    /// @}
    /// @{
    /// Load the registered resources again from fresh streams, in place: the
    /// objects keep their addresses. A music built by the manager takes the
    /// fresh stream over; other resources that read from their stream after
    /// loading are not reloaded (false).
    bool Reload(const char* name);
    bool ReloadType(unsigned int type);
    /// @}

    /// Appends a loader and returns its type number (KWO::NotFound for null).
    unsigned int RegisterLoader(Loader loader);
    /// Replaces the loader of an existing type; false for an unknown type or
    /// a null loader.
    bool ChangeLoader(unsigned int type, Loader loader);

    /// Binary search of the table: true with the record's position, or false
    /// with the position where `name` would be inserted. An empty name gives
    /// false and leaves `position` unchanged.
    bool FindRes(const char* name, unsigned int& position) const;
    /// @{
    /// The table's own insertion and removal steps: callers keep the table
    /// sorted. PrivateAdd copies `name` and gives the record one reference (a
    /// position beyond the end appends); false when the name is empty or the
    /// table cannot grow. PrivateRemove deletes the resource when `destroy`.
    bool PrivateAdd(unsigned int position, unsigned int type, const char* name,
                    KWOResource* resource);
    void PrivateRemove(unsigned int position, bool destroy);
    /// @}

    /// The table through the log: counts, then one line per record.
    void PrintContent() const;
    /// The table, then the number of loaders and the memory the resources use.
    void PrintInfo() const;
    /// Bytes used by the registered resources together (UINT32_MAX at most).
    unsigned int MemoryUsed() const;

    /// @{
    /// The table as it stands; positions change with every insertion and
    /// removal. Out-of-range positions give 0 or null.
    unsigned int Count() const { return m_count; }
    unsigned int Capacity() const { return m_capacity; }
    unsigned int NbLoaders() const { return static_cast<unsigned int>(m_loaders.size()); }
    const char* GetName(unsigned int position) const;
    unsigned int GetType(unsigned int position) const;
    unsigned int GetReferences(unsigned int position) const;
    /// @}
    /// The resource at `position`, without taking a reference.
    KWOResource* GetResource(unsigned int position) const;

private:
    struct Record
    {
        unsigned int type = 0;
        unsigned int references = 0;
        std::unique_ptr<char[]> name;
        std::unique_ptr<KWOResource> resource;
        /// The resource reads from its stream after loading (set from the
        /// loader's keep-file flag, or for a music registered with Add).
        bool readsStream = false;
    };

    bool ReloadRecord(Record& record);
    void Drop(unsigned int position);

    unsigned int m_count;
    unsigned int m_capacity;
    std::unique_ptr<Record[]> m_records;
    std::vector<Loader> m_loaders;
    const KWOResFinder& m_finder;
};

#endif
