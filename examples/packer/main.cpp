// packer: builds an archive in the library's own format from the files of a
// folder, lists it, and reads one member back through a resource finder.
// (kwoarch is the complete tool; this shows the calls it is made of.)
//
//   packer -folder FOLDER -archive ARCHIVE [-member NAME]
//
// The ARCHIVE must not exist yet. The member NAME (the first member by
// default) is read as a stream: its size and first line are printed.
#include <KWOMedia/app/KWOConfigMgr.h>
#include <KWOMedia/core/KWOConst.h>
#include <KWOMedia/core/KWOString.h>
#include <KWOMedia/files/KWOArchKWO.h>
#include <KWOMedia/files/KWODir.h>
#include <KWOMedia/files/KWOResFile.h>
#include <KWOMedia/files/KWOResFinder.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    // The options and their defaults. ParseCL reads "-name value" pairs,
    // logs what it does not know, and returns false when anything was wrong.
    using Config = KWOConfigMgr;
    Config options;
    for (const char* name : {"folder", "archive", "member"})
        options.AddParameter(name, Config::TypeString, Config::CfgValue::String(nullptr));
    const bool understood = options.ParseCL(argc, argv);
    const char* folderName = options.GetValue("folder", Config::TypeString).s; // the table's
    const char* archiveName = options.GetValue("archive", Config::TypeString).s;
    const char* memberName = options.GetValue("member", Config::TypeString).s;
    if (!understood || folderName == nullptr || archiveName == nullptr)
    {
        std::fprintf(stderr, "Usage: packer -folder FOLDER -archive ARCHIVE [-member NAME]\n");
        return 2;
    }
    // A KWODir lists a folder; "." and ".." and subfolders are entries too.
    KWODir folder;
    if (!folder.Open(folderName))
    {
        std::fprintf(stderr, "packer: cannot list %s\n", folderName);
        return 1;
    }

    // Create writes the 12-byte header of an empty archive, and never
    // replaces a file that exists. Every change is on disk when it returns.
    KWOArchKWO archive;
    if (!archive.Create(archiveName))
    {
        std::fprintf(stderr, "packer: cannot create %s (does it exist?)\n", archiveName);
        return 1;
    }
    folder.Sort(KWOFileProvider::SortByName);
    for (unsigned p = 0; p < folder.NbFiles(); ++p)
    {
        const unsigned i = folder.GetItem(p)->m_index; // the p-th entry by name
        if (!folder.IsFile(i) || folder.IsFileHidden(i))
            continue;
        // The member is called by the file's name, cut to 31 characters.
        const std::string path = std::string(folder.Name()) + "/" + folder.FileName(i);
        if (archive.AddFile(path.c_str(), nullptr) == KWO::NotFound)
            std::fprintf(stderr, "packer: %s was not added\n", path.c_str());
    }

    // The directory, as the archive object holds it.
    std::printf("%s: %u members, %u bytes\n", archive.Name(), archive.NbFiles(),
                archive.TotalSize());
    for (unsigned i = 0; i < archive.NbFiles(); ++i)
    {
        const std::time_t date = std::time_t(archive.FileDate(i));
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", std::localtime(&date));
        std::printf("  %-31s %10u  %s\n", archive.FileName(i), archive.FileSize(i), when);
    }
    if (archive.NbFiles() == 0)
        return 0;

    // A finder opens names in its sources (folders and archives) as streams.
    // The stream belongs to us and does not need the finder any more.
    KWOResFinder finder;
    finder.AddSource(archiveName, false);
    const char* member = memberName != nullptr ? memberName : archive.FileName(0);
    std::unique_ptr<KWOResFile> stream(finder.FindRes(member));
    if (stream == nullptr)
    {
        std::fprintf(stderr, "packer: no member %s\n", member);
        return 1;
    }
    KWOString first;
    stream->GetLine(first, 80, '\n'); // at most 80 bytes, without the line end
    unsigned size = 0;
    char buffer[4096];
    stream->SeekStart();
    for (unsigned n; (n = stream->Read(buffer, sizeof buffer)) > 0;)
        size += n;
    std::printf("%s through the finder: %u bytes, first line \"%s\"\n", member, size,
                first.m_text != nullptr ? first.m_text : "");
    return 0;
}
