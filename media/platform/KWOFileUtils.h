/// @class KWOFileUtils
/// KWOFileUtils: the library's questions to the file system.
///
/// Static operations only. Paths are built with PathSeparator and split at
/// either separator, so "C:\games\cards" and "/usr/share/games" both read
/// right. Texts returned as char* are new[] copies that the caller deletes;
/// texts returned as const char* point into the argument or into the
/// class's own buffers. Failures are reported by results; nothing is logged.
/// A path longer than the system allows makes an operation fail: it is never
/// cut short.
#ifndef KWOMEDIA_PLATFORM_KWOFILEUTILS_H
#define KWOMEDIA_PLATFORM_KWOFILEUTILS_H

#include "../KWOExport.h"
#include "../core/KWOConst.h"

class KWOResFile;
class KWOText;

class KWO_API KWOFileUtils
{
public:
    /// The separator put between the parts of a path built by the library.
    static const char PathSeparator;
    /// Longest path, terminating zero included, that the system accepts.
    static const unsigned MaxPath;

    /// Flags of GetFileList.
    enum ListFlags : unsigned
    {
        SkipDirs = 0x02,       ///< directories are not listed
        SkipFiles = 0x04,      ///< everything that is not a directory is left out
        SkipDotEntries = 0x10, ///< "." and ".." are not listed
        SkipHidden = 0x20      ///< hidden entries are not listed
    };

    /// Drive type answered for a CD-ROM drive.
    static const unsigned DriveCDROM = 5;

    KWOFileUtils() = delete;

    /// Both '/' and '\' separate the parts of a path.
    static bool IsSeparator(char c) { return c == '/' || c == '\\'; }

    /// A null or empty path makes every test false.
    static bool FileExist(const char* path);
    /// True for an existing folder.
    static bool IsDir(const char* path);
    /// Hidden: the last part of the path starts with a dot ("." and ".." are
    /// not hidden).
    static bool IsHidden(const char* path);
    /// Size in bytes; KWO::NotFound when the status cannot be read or the size
    /// does not fit 32 bits.
    static unsigned FileSize(const char* path);

    /// Deletes a file; false when it cannot.
    static bool FileRemove(const char* path);
    /// Moves a file or a folder. An existing target makes it fail unless
    /// `overwrite` is set and the target is a file, which is then replaced.
    static bool FileRename(const char* from, const char* to, bool overwrite);
    /// Copies a file; an existing target is replaced only with `overwrite`.
    /// The copy is written beside the target and put in place in one step; a
    /// link at the target stays and the file it names is replaced.
    static bool FileCopy(const char* from, const char* to, bool overwrite);
    /// Writes `size` bytes as the whole content of the file `path`, replacing
    /// it in one step once everything is on disk: on any failure (a full
    /// disk, say) an existing file stays exactly as it was. A link at `path`
    /// stays and the file it names is replaced; an existing file keeps its
    /// permission bits; one that cannot be written is refused.
    static bool FileWrite(const char* path, const void* data, unsigned size);
    /// Copies up to `count` bytes from one stream to another in pieces of at
    /// most 4000 bytes; returns the bytes written (0 for a null stream).
    static unsigned CopyData(KWOResFile* from, KWOResFile* to, unsigned count);

    /// Lists the names in `dir` that match `pattern` ("*" and "?", letters
    /// matched without regard to case), left out by `flags`. `list` receives a
    /// new[] array of new[] names (null when nothing is listed); free both with
    /// FreeFileList. Returns the number of names.
    static unsigned GetFileList(char**& list, const char* dir, const char* pattern, unsigned flags);
    /// Frees a list made by GetFileList and sets `list` to null.
    static void FreeFileList(char**& list, unsigned count);

    /// A drive root ("C:\"), "/" alone, or two separators alone.
    static bool IsRoot(const char* path);
    /// A letter, a colon and a separator; or a separator first.
    static bool IsAbsolute(const char* path);
    /// Not IsAbsolute.
    static bool IsRelative(const char* path) { return !IsAbsolute(path); }

    /// The working directory into `buffer` (`size` bytes with the zero); false
    /// when it does not fit or cannot be read.
    static bool GetCWD(char* buffer, unsigned size);
    /// A new copy of the working directory; empty when it cannot be read.
    static char* GetCWD();
    /// Changes the working directory; false when it cannot.
    static bool SetCWD(const char* path);
    /// A new copy of the running program's directory, without a trailing
    /// separator ("/" for a program at the root); null when unknown.
    static char* GetExeDir();
    /// @{
    /// The user's document and application-data folders, read once and kept;
    /// empty texts when unknown.
    static const char* GetUserDocDir();
    static const char* GetUserAppDir();
    /// @}

    /// A new text array of the CD-ROM roots (none on systems without drive
    /// letters); null when it cannot be allocated.
    static KWOText* GetCDROMDirs();
    /// Creates one folder (its parent must exist); false when it cannot.
    static bool DirCreate(const char* path);

    /// The part after the last separator (the whole path without one); null
    /// for null.
    static const char* FileName(const char* path);
    /// The part of the file name after its last dot; null without a dot after
    /// the name's first character, for "." and "..", and for null.
    static const char* FileExtension(const char* path);

    /// Bit mask of the existing drives (bit 0 for A:); 0 without drive letters.
    static unsigned DrivesList();
    /// The drive type of a root (DriveCDROM for a CD-ROM); 0 for no such drive.
    static unsigned DriveType(const char* root);
};

#endif
