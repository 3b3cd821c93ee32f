// kwoarch: makes, lists and changes archives in the library's own format and
// in the PAK format, the way tar or zip are used.
//
// Exit status: 0 when everything asked was done, 1 when something failed,
// 2 for a command line that cannot be understood.
#include "core/KWOConst.h"
#include "core/KWOLog.h"
#include "files/KWOArchKWO.h"
#include "files/KWOArchPAK.h"
#include "files/KWOArchive.h"
#include "platform/KWOFileUtils.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
const int kOK = 0;
const int kFailed = 1;
const int kUsage = 2;

const char* const kHelp =
    "Usage: kwoarch COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  create [--pak] ARCHIVE [FILE...]  make a new archive holding the files\n"
    "                                    (the native format, or PAK with --pak)\n"
    "  list ARCHIVE                      show the members as a table\n"
    "  add ARCHIVE FILE [NAME]           add a file, as member NAME when given\n"
    "  remove ARCHIVE MEMBER             remove a member\n"
    "  rename ARCHIVE MEMBER NEWNAME     give a member another name\n"
    "  update ARCHIVE MEMBER FILE        replace a member's data by a file's content\n"
    "  extract ARCHIVE MEMBER [DEST]     write a member to DEST (a file, or a folder\n"
    "                                    to put it in; the current folder by default)\n"
    "  extract-all ARCHIVE [FOLDER]      write every member into FOLDER (the current\n"
    "                                    folder by default)\n"
    "  info ARCHIVE                      show the format, the size and the members count\n"
    "  --help                            show this text\n"
    "\n"
    "Member names are case-sensitive. A member name keeps only the part after\n"
    "the last '/' or '\\' and at most 31 characters (56 in a PAK archive).\n"
    "Every change leaves the archive whole even when it is interrupted: removing\n"
    "and updating write a new archive beside the old one, which it then\n"
    "replaces. One kwoarch at a time changes an archive; another one waits.\n"
    "extract-all skips members that share their data with another member.\n";

void Fail(const char* format, ...) KWO_PRINTF(1, 2);

void Fail(const char* format, ...)
{
    std::fputs("kwoarch: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

int Usage(const char* problem)
{
    Fail("%s", problem);
    std::fputs("Try 'kwoarch --help'.\n", stderr);
    return kUsage;
}

const char* FormatDescription(int format)
{
    switch (format)
    {
        case KWOArchive::FormatBIFF:
            return "a BIFF archive";
        case KWOArchive::FormatCounted:
            return "an archive without signature";
        case KWOArchive::FormatEnsemble:
            return "an Ensemble archive";
        case KWOArchive::FormatRass:
            return "a 'rass' archive";
        case KWOArchive::FormatZIP:
            return "a ZIP archive";
        default:
            return "not an archive";
    }
}

// The archive, opened; null (and a message) when it cannot be.
std::unique_ptr<KWOArchive> OpenOrFail(const char* path)
{
    if (!KWOFileUtils::FileExist(path))
    {
        Fail("%s: no such file", path);
        return nullptr;
    }
    if (KWOFileUtils::IsDir(path))
    {
        Fail("%s: is a folder, not an archive", path);
        return nullptr;
    }
    std::unique_ptr<KWOArchive> archive(KWOArchive::OpenArchive(path));
    if (archive)
        return archive;
    const int format = KWOArchive::FindArchiveFormat(path);
    if (format == KWOArchive::FormatKWO || format == KWOArchive::FormatPAK)
        Fail("%s: damaged %s archive (its directory cannot be read)", path,
             format == KWOArchive::FormatKWO ? "native" : "PAK");
    else if (format == KWOArchive::FormatUnknown)
        Fail("%s: not a native or PAK archive", path);
    else
        Fail("%s: %s, which kwoarch cannot read", path, FormatDescription(format));
    return nullptr;
}

unsigned int NameLimit(const KWOArchive& archive)
{
    return archive.GetFormat() == KWOArchive::FormatPAK ? KWOArchPAK::NameLimit
                                                        : KWOArchKWO::NameLimit;
}

// The member name the archive will store for `name`.
std::string StoredName(const KWOArchive& archive, const char* name)
{
    std::string stored = KWOFileUtils::FileName(name);
    if (stored.size() > NameLimit(archive))
        stored.resize(NameLimit(archive));
    return stored;
}

unsigned int MemberOrFail(const KWOArchive& archive, const char* path, const char* member)
{
    const unsigned int index = archive.FindFile(member);
    if (index == KWO::NotFound)
        Fail("%s: no member named '%s'", path, member);
    return index;
}

bool AddOne(KWOArchive& archive, const char* path, const char* file, const char* name)
{
    if (!KWOFileUtils::FileExist(file))
    {
        Fail("%s: no such file", file);
        return false;
    }
    if (KWOFileUtils::IsDir(file))
    {
        Fail("%s: is a folder; only files can be added", file);
        return false;
    }
    const char* wanted = name ? name : file;
    const std::string stored = StoredName(archive, wanted);
    if (stored.empty())
    {
        Fail("'%s' is not a usable member name", wanted);
        return false;
    }
    if (archive.FindFile(stored.c_str()) != KWO::NotFound)
    {
        Fail("%s: already has a member named '%s' (use update to replace it)", path,
             stored.c_str());
        return false;
    }
    if (archive.AddFile(file, name) == KWO::NotFound)
    {
        Fail("%s: cannot add %s (unreadable file, or the archive cannot be written)", path, file);
        return false;
    }
    if (stored != KWOFileUtils::FileName(wanted))
        Fail("warning: member name cut to '%s'", stored.c_str());
    return true;
}

int Create(const std::vector<const char*>& args)
{
    bool pak = false;
    std::vector<const char*> rest;
    for (const char* arg : args)
    {
        if (std::strcmp(arg, "--pak") == 0 || std::strcmp(arg, "-p") == 0)
            pak = true;
        else
            rest.push_back(arg);
    }
    if (rest.empty())
        return Usage("create: the archive to make is missing");
    const char* path = rest[0];
    if (KWOFileUtils::FileExist(path))
    {
        Fail("%s: already exists; an archive is never made over another file", path);
        return kFailed;
    }
    std::unique_ptr<KWOArchive> archive;
    if (pak)
        archive.reset(new KWOArchPAK());
    else
        archive.reset(new KWOArchKWO());
    if (!archive->Create(path))
    {
        Fail("%s: cannot create the archive", path);
        return kFailed;
    }
    for (size_t i = 1; i < rest.size(); ++i)
    {
        if (!AddOne(*archive, path, rest[i], nullptr))
        {
            // A half-made archive would only be in the way of the next try.
            archive.reset();
            KWOFileUtils::FileRemove(path);
            return kFailed;
        }
    }
    return kOK;
}

int List(const std::vector<const char*>& args)
{
    if (args.size() != 1)
        return Usage("list: give exactly one archive");
    std::unique_ptr<KWOArchive> archive = OpenOrFail(args[0]);
    if (!archive)
        return kFailed;
    archive->PrintContent();
    return kOK;
}

int Info(const std::vector<const char*>& args)
{
    if (args.size() != 1)
        return Usage("info: give exactly one archive");
    std::unique_ptr<KWOArchive> archive = OpenOrFail(args[0]);
    if (!archive)
        return kFailed;
    std::printf("Archive : %s\n", archive->Name());
    std::printf("Format  : %s\n", archive->FormatInfo());
    std::printf("Members : %u\n", archive->NbFiles());
    std::printf("Data    : %u bytes\n", archive->TotalSize());
    std::printf("File    : %u bytes\n", KWOFileUtils::FileSize(archive->Name()));
    return kOK;
}

int Add(const std::vector<const char*>& args)
{
    if (args.size() < 2 || args.size() > 3)
        return Usage("add: give an archive, a file and optionally a member name");
    std::unique_ptr<KWOArchive> archive = OpenOrFail(args[0]);
    if (!archive)
        return kFailed;
    return AddOne(*archive, args[0], args[1], args.size() == 3 ? args[2] : nullptr) ? kOK : kFailed;
}

int Remove(const std::vector<const char*>& args)
{
    if (args.size() != 2)
        return Usage("remove: give an archive and a member");
    std::unique_ptr<KWOArchive> archive = OpenOrFail(args[0]);
    if (!archive)
        return kFailed;
    const unsigned int index = MemberOrFail(*archive, args[0], args[1]);
    if (index == KWO::NotFound)
        return kFailed;
    if (!archive->RemoveFile(index))
    {
        Fail("%s: cannot remove '%s' (the archive and its folder must be writable, with room "
             "for a new copy); the archive is unchanged",
             args[0], args[1]);
        return kFailed;
    }
    return kOK;
}

int Rename(const std::vector<const char*>& args)
{
    if (args.size() != 3)
        return Usage("rename: give an archive, a member and its new name");
    std::unique_ptr<KWOArchive> archive = OpenOrFail(args[0]);
    if (!archive)
        return kFailed;
    const unsigned int index = MemberOrFail(*archive, args[0], args[1]);
    if (index == KWO::NotFound)
        return kFailed;
    const char* wanted = args[2];
    const std::string stored = StoredName(*archive, wanted);
    if (stored.empty())
    {
        Fail("'%s' is not a usable member name", wanted);
        return kFailed;
    }
    const unsigned int other = archive->FindFile(stored.c_str());
    if (other != KWO::NotFound && other != index)
    {
        Fail("%s: already has a member named '%s'", args[0], stored.c_str());
        return kFailed;
    }
    if (!archive->RenameFile(index, wanted))
    {
        Fail("%s: cannot rename '%s' (the archive cannot be written)", args[0], args[1]);
        return kFailed;
    }
    if (stored != KWOFileUtils::FileName(wanted))
        Fail("warning: member name cut to '%s'", stored.c_str());
    return kOK;
}

int Update(const std::vector<const char*>& args)
{
    if (args.size() != 3)
        return Usage("update: give an archive, a member and the file with its new content");
    std::unique_ptr<KWOArchive> archive = OpenOrFail(args[0]);
    if (!archive)
        return kFailed;
    const unsigned int index = MemberOrFail(*archive, args[0], args[1]);
    if (index == KWO::NotFound)
        return kFailed;
    const char* file = args[2];
    if (!KWOFileUtils::FileExist(file) || KWOFileUtils::IsDir(file))
    {
        Fail("%s: no such file", file);
        return kFailed;
    }
    if (!archive->UpdateFile(index, file))
    {
        Fail("%s: cannot update '%s' from %s (the file must be readable, the archive and its "
             "folder writable, with room for a new copy); the archive is unchanged",
             args[0], args[1], file);
        return kFailed;
    }
    return kOK;
}

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty() || KWOFileUtils::IsSeparator(folder.back()))
        return folder + name;
    return folder + KWOFileUtils::PathSeparator + name;
}

int Extract(const std::vector<const char*>& args)
{
    if (args.size() < 2 || args.size() > 3)
        return Usage("extract: give an archive, a member and optionally a destination");
    std::unique_ptr<KWOArchive> archive = OpenOrFail(args[0]);
    if (!archive)
        return kFailed;
    const unsigned int index = MemberOrFail(*archive, args[0], args[1]);
    if (index == KWO::NotFound)
        return kFailed;
    // A member name may hold folders (PAK): by default the file takes only
    // its last part.
    const std::string bare = KWOFileUtils::FileName(args[1]);
    if (bare.empty() || bare == "." || bare == "..")
    {
        Fail("'%s' is not a usable file name; give a destination", args[1]);
        return kFailed;
    }
    std::string destination = bare;
    if (args.size() == 3)
    {
        destination = args[2];
        if (KWOFileUtils::IsDir(args[2]))
            destination = Join(args[2], bare);
    }
    if (!archive->ExtractFile(index, destination.c_str()))
    {
        Fail("%s: cannot extract '%s' to %s", args[0], args[1], destination.c_str());
        return kFailed;
    }
    return kOK;
}

// The path of a member inside `folder`, with the folders it needs made; false
// when the name would lead out of the folder or a folder cannot be made.
bool MemberPath(const std::string& folder, const char* name, std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char* p = name;; ++p)
    {
        if (*p == '\0' || KWOFileUtils::IsSeparator(*p))
        {
            if (part == "..")
                return false;
            if (!part.empty() && part != ".")
                parts.push_back(part);
            part.clear();
            if (*p == '\0')
                break;
        }
        else
        {
            part += *p;
        }
    }
    if (parts.empty())
        return false;
    path = folder;
    for (size_t i = 0; i + 1 < parts.size(); ++i)
    {
        path = Join(path, parts[i]);
        if (!KWOFileUtils::IsDir(path.c_str()) && !KWOFileUtils::DirCreate(path.c_str()))
            return false;
    }
    path = Join(path, parts.back());
    return true;
}

int ExtractAll(const std::vector<const char*>& args)
{
    if (args.empty() || args.size() > 2)
        return Usage("extract-all: give an archive and optionally a folder");
    std::unique_ptr<KWOArchive> archive = OpenOrFail(args[0]);
    if (!archive)
        return kFailed;
    const std::string folder = args.size() == 2 ? args[1] : ".";
    if (!KWOFileUtils::IsDir(folder.c_str()))
    {
        Fail("%s: no such folder", folder.c_str());
        return kFailed;
    }
    // A damaged or hostile directory may point many members at the same
    // bytes: those are skipped, so that no more is written than the archive
    // holds.
    std::vector<bool> overlapping;
    archive->FindOverlaps(overlapping);
    int result = kOK;
    for (unsigned int i = 0; i < archive->NbFiles(); ++i)
    {
        const std::string name = KWOArchive::PrintableName(archive->FileName(i));
        std::string path;
        if (overlapping[i])
        {
            Fail("%s: member '%s' skipped: its data overlap another member's", args[0],
                 name.c_str());
            result = kFailed;
        }
        else if (!MemberPath(folder, archive->FileName(i), path))
        {
            Fail("%s: member '%s' skipped: its name does not give a file inside %s", args[0],
                 name.c_str(), folder.c_str());
            result = kFailed;
        }
        else if (!archive->ExtractFile(i, path.c_str()))
        {
            Fail("%s: cannot extract '%s' to %s", args[0], name.c_str(),
                 KWOArchive::PrintableName(path.c_str()).c_str());
            result = kFailed;
        }
    }
    return result;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage("no command given");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help")
    {
        std::fputs(kHelp, stdout);
        return kOK;
    }
    std::vector<const char*> args(argv + 2, argv + argc);
    for (const char* arg : args)
    {
        if (arg[0] == '\0')
            return Usage("empty argument");
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
        {
            std::fputs(kHelp, stdout);
            return kOK;
        }
    }

    if (command == "create")
        return Create(args);
    if (command == "list")
        return List(args);
    if (command == "info")
        return Info(args);
    if (command == "add")
        return Add(args);
    if (command == "remove")
        return Remove(args);
    if (command == "rename")
        return Rename(args);
    if (command == "update")
        return Update(args);
    if (command == "extract")
        return Extract(args);
    if (command == "extract-all")
        return ExtractAll(args);
    return Usage(("unknown command '" + command + "'").c_str());
}
