/// @class KWOResFinder
/// KWOResFinder: turns a resource name into an open stream by asking an
/// ordered list of sources, folders of the disk and archive files.
///
/// The first source that opens the name wins; position 0 is asked first. The
/// finder owns its sources. Streams it returns belong to the caller and do
/// not depend on the finder. Failures are results only; nothing is logged.
#ifndef KWOMEDIA_FILES_KWORESFINDER_H
#define KWOMEDIA_FILES_KWORESFINDER_H

#include "../KWOExport.h"
#include "../core/KWOConst.h"

#include <memory>
#include <vector>

class KWOFileProvider;
class KWOResFile;

class KWO_API KWOResFinder
{
public:
    KWOResFinder();
    ~KWOResFinder();
    KWOResFinder(const KWOResFinder&) = delete;
    KWOResFinder& operator=(const KWOResFinder&) = delete;

    /// Position of the first source whose name is exactly `name`, or
    /// KWO::NotFound. Sources are known by absolute paths, so only an absolute
    /// name can match.
    unsigned int FindSource(const char* name) const;
    /// Adds a folder or a native or PAK archive as a source, at the front of
    /// the search order with `first`, at its end otherwise. A source already
    /// known by that name is not added again (true).
    bool AddSource(const char* name, bool first);
    /// Removes and deletes the source FindSource finds; false when none.
    bool RemoveSource(const char* name);
    /// A new stream on the resource from the first source that has it; null
    /// when none has it. The caller deletes the stream.
    KWOResFile* FindRes(const char* name) const;
    /// The sources, in search order, through the log.
    void PrintInfo() const;

    /// @{
    /// The number of sources and the source at a position (null past the end).
    unsigned int NbSources() const { return static_cast<unsigned int>(m_sources.size()); }
    const KWOFileProvider* GetSource(unsigned int index) const;
    /// @}

private:
    std::vector<std::unique_ptr<KWOFileProvider>> m_sources;
};

#endif
