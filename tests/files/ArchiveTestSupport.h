// Helpers of the archive tests: a scratch folder that is also the working
// directory (archives rebuild themselves through a file there), files of
// known bytes, and little-endian fields.
#ifndef KWO_TESTS_FILES_ARCHIVETESTSUPPORT_H
#define KWO_TESTS_FILES_ARCHIVETESTSUPPORT_H

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utime.h>

class ArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.Path().empty());
        m_oldDir = std::filesystem::current_path();
        // The folder as the system reports it, links resolved.
        m_root = std::filesystem::canonical(m_dir.Path()).string();
        std::filesystem::current_path(m_root);
    }
    void TearDown() override { std::filesystem::current_path(m_oldDir); }

    // Path of a name inside the scratch folder.
    std::string P(const std::string& name) const { return m_root + "/" + name; }
    const std::string& Root() const { return m_root; }

    TempDir m_dir;

private:
    std::string m_root;
    std::filesystem::path m_oldDir;
};

// `size` bytes that differ from one file to the next.
inline std::string Pattern(size_t size, unsigned char seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
    return bytes;
}

// Writes a file and gives it a modification time.
inline void MakeFile(const std::string& path, const std::string& bytes, long mtime = 1000000000)
{
    WriteFileBytes(path, bytes);
    utimbuf times{static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
    ::utime(path.c_str(), &times);
}

inline uint32_t Le32(const std::string& bytes, size_t offset)
{
    if (offset + 4 > bytes.size())
        return 0xDEADBEEF;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return v;
}

inline std::string U32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// A fixed-width, zero-padded name field.
inline std::string NameField(const std::string& name, size_t width)
{
    std::string field = name.substr(0, width);
    field.resize(width, '\0');
    return field;
}

#endif
