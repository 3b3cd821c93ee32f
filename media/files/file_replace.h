// Writing a file anew so that it is replaced whole or not at all.
// Internal to the library: not exported.
#ifndef KWOMEDIA_FILES_FILE_REPLACE_H
#define KWOMEDIA_FILES_FILE_REPLACE_H

#include <type_traits>

class KWOResFile;

namespace KWO
{
// The caller's writing step: any callable that takes the stream and returns
// true when it wrote everything. Held by reference for the one call it is
// passed to, so that handing it over never allocates.
class FileWriter
{
public:
    template <class Step,
              class = std::enable_if_t<!std::is_same<std::decay_t<Step>, FileWriter>::value>>
    FileWriter(Step&& step)
        : m_step(const_cast<void*>(static_cast<const void*>(&step))),
          m_call(&Call<std::remove_reference_t<Step>>)
    {
    }
    bool operator()(KWOResFile& file) const { return m_call(m_step, file); }

private:
    template <class Step> static bool Call(void* step, KWOResFile& file)
    {
        return (*static_cast<Step*>(step))(file);
    }

    void* m_step;
    bool (*m_call)(void*, KWOResFile&);
};

// Writes `target` through `write`, which gets a read/write stream over a new
// temporary file beside the target. The target is replaced in one step, and
// only when `write` returned true and every byte reached the disk; otherwise
// it stays as it was and the temporary file goes. A symbolic link at the
// target stays and the file it names is replaced; the file keeps its
// permission bits; a target that cannot be written is refused. With
// `mustBeNew` an existing target (or one that appears meanwhile) makes it
// fail instead.
bool ReplaceFile(const char* target, const FileWriter& write, bool mustBeNew = false);
} // namespace KWO

#endif
