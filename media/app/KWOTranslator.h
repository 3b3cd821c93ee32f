/// @class KWOTranslator
/// KWOTranslator: language files and their texts, by number (a singleton).
///
/// A program keeps its user-visible texts in one language file per language.
/// Init lists the language files of a folder with their language names; Load
/// or LoadName reads one, and GetString hands out its texts by number. A
/// number without a text gives the visible placeholder "String #<number>", so
/// a missing translation shows instead of failing. Nothing is logged except
/// by PrintInfo.
///
/// Language file (little-endian): "LanG", one byte not interpreted, the name
/// length n (its zero included), the name, then the text count c, the file
/// offset of the length index, the file offset of the text block and the
/// block's size (32 bits each). The index holds one 16-bit length per text
/// (zero included; 0 for an absent text); the block holds the texts one after
/// another in index order.
#ifndef KWOMEDIA_APP_KWOTRANSLATOR_H
#define KWOMEDIA_APP_KWOTRANSLATOR_H

#include "../KWOExport.h"
#include "../core/KWOConst.h"

#include <memory>
#include <string>
#include <vector>

class KWO_API KWOTranslator
{
public:
    /// The instance, created on the first call (null if it cannot be made).
    static KWOTranslator* Singleton();

    KWOTranslator();
    ~KWOTranslator();
    KWOTranslator(const KWOTranslator&) = delete;
    KWOTranslator& operator=(const KWOTranslator&) = delete;

    /// Lists the language files of `dir` whose names end with `ext` (".lng";
    /// letters match in any case; null or empty for every file). `dir` is
    /// absolute, or relative to the working directory ("." and ".." included).
    /// Drops the previous listing and the loaded texts. Returns the number of
    /// languages found.
    int Init(const char* dir, const char* ext);
    /// A new[] copy of the language name of a language file; null when the
    /// file is not one or its name is empty.
    char* CheckLang(const char* file) const;
    /// @{
    /// Name and full path of found language i; null when there is no such one.
    const char* GetLangName(unsigned i) const;
    const char* GetLangFile(unsigned i) const;
    /// @}
    /// The number of languages the last Init found.
    unsigned LangCount() const { return static_cast<unsigned>(m_langs.size()); }
    /// 1 when the last Init found a language, else 0.
    int Found() const { return m_found; }
    /// The folder the last Init searched, ending with a separator; empty
    /// before.
    const char* GetPath() const { return m_path.c_str(); }

    /// Loads the found language named exactly `name` (case counts).
    bool LoadName(const char* name);
    /// Loads a language file: `file` (absolute, or relative to the working
    /// directory) when not null, else found language `index`. A file cut
    /// short or inconsistent is refused. Once the header has been read, the
    /// texts loaded before are dropped even if the load then fails.
    bool Load(const char* file, unsigned index);
    /// The loaded language's name (the listed one when the file was found by
    /// Init), or null.
    const char* GetCurName() const;
    /// Full path of the loaded language file, or null.
    const char* GetCurFile() const { return m_curFile.get(); }
    /// Index of the loaded language among the found ones, -1 when it is not
    /// one of them or nothing is loaded.
    int GetCurIndex() const { return m_curIndex; }
    /// The number of texts of the loaded file.
    unsigned StringCount() const { return static_cast<unsigned>(m_strings.size()); }
    /// Text i of the loaded file (null for an absent one); beyond the loaded
    /// texts, "String #i" in a buffer that the next such call rewrites.
    const char* GetString(unsigned i);

    /// Forgets the languages found and the searched folder.
    void DeleteFileArray();
    /// Frees the loaded texts, file path and name.
    void DeleteStringArray();

    /// A new[] copy of at most `count` characters of `text` from `from`
    /// (KWO::All: all); null for a null or empty text or a count of 0.
    char* StrCopy(const char* text, unsigned from, unsigned count) const;
    /// True for a path that starts at a root (see KWOFileUtils::IsAbsolute).
    bool IsAbsolute(const char* path) const;

    /// Logs the languages found and the loaded file; its texts with `strings`.
    void PrintInfo(bool strings) const;

private:
    struct Lang
    {
        std::unique_ptr<char[]> name;
        std::unique_ptr<char[]> file;
    };

    static KWOTranslator* m_instance;

    std::string m_path;                 ///< searched folder, with a final separator
    std::unique_ptr<char[]> m_curFile;  ///< full path of the loaded file, or null
    std::unique_ptr<char[]> m_curName;  ///< name read by a load by path, or null
    std::vector<const char*> m_strings; ///< into m_data; null for an absent text
    std::unique_ptr<char[]> m_data;     ///< the text block of the loaded file
    std::vector<Lang> m_langs;          ///< found by Init
    int m_found;                        ///< 1 when Init found a language
    int m_curIndex;                     ///< in m_langs, or -1
    char m_missing[20];                 ///< "String #" and a number
};

#endif
