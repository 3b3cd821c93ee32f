// Writing a file anew so that it is replaced whole or not at all.
// Internal to the library: not exported.
#ifndef KWOMEDIA_FILES_FILE_REPLACE_H
#define KWOMEDIA_FILES_FILE_REPLACE_H

#include <functional>

class KWOResFile;

namespace KWO
{
// Writes `target` through `write`, which gets a read/write stream over a new
// temporary file beside the target. The target is replaced in one step, and
// only when `write` returned true and every byte reached the disk; otherwise
// it stays as it was and the temporary file goes. A symbolic link at the
// target stays and the file it names is replaced; the file keeps its
// permission bits; a target that cannot be written is refused. With
// `mustBeNew` an existing target (or one that appears meanwhile) makes it
// fail instead.
bool ReplaceFile(const char* target, const std::function<bool(KWOResFile&)>& write,
                 bool mustBeNew = false);
} // namespace KWO

#endif
