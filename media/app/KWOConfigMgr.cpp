#include "app/KWOConfigMgr.h"

#include "app/ascii_text.h"
#include "core/KWOLog.h"
#include "core/KWOParse.h"
#include "core/KWOString.h"
#include "files/KWOResFile.h"
#include "files/file_replace.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <string>

namespace
{
const unsigned kMinCapacity = 4;

KWOConfigMgr::CfgValue ZeroValue()
{
    KWOConfigMgr::CfgValue v;
    std::memset(&v, 0, sizeof v);
    return v;
}

// The bool byte, read without assuming it holds 0 or 1.
bool BoolOf(const KWOConfigMgr::CfgValue& v)
{
    unsigned char byte;
    std::memcpy(&byte, &v.b, 1);
    return byte != 0;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The value of a bool parameter: true when it starts with '1' or is "true"
// or "yes" in any case.
bool ParseBoolWord(const char* text)
{
    return text[0] == '1' || kwo_app::EqualNoCase(text, "true") ||
           kwo_app::EqualNoCase(text, "yes");
}

// Reads a "#RRGGBB[AA]" colour, alpha 255 unless given, packed red first.
bool ParseColor(const char* text, uint32_t& packed)
{
    unsigned char rgba[4] = {0, 0, 0, 255};
    if (!KWOParse::ReadColor(text, rgba))
        return false;
    packed = static_cast<uint32_t>(rgba[0]) | static_cast<uint32_t>(rgba[1]) << 8 |
             static_cast<uint32_t>(rgba[2]) << 16 | static_cast<uint32_t>(rgba[3]) << 24;
    return true;
}

// Reads a date; one that does not fit the 32 bits of a stored date fails.
bool ParseDate(const char* text, uint32_t& date)
{
    unsigned long t = 0;
    if (!KWOParse::ReadDate(text, t) || t > UINT32_MAX)
        return false;
    date = static_cast<uint32_t>(t);
    return true;
}

// The six hexadecimal digits of a packed colour's red, green and blue.
void ColorText(uint32_t color, char (&out)[7])
{
    std::snprintf(out, sizeof out, "%02X%02X%02X", static_cast<unsigned>(color & 0xFF),
                  static_cast<unsigned>((color >> 8) & 0xFF),
                  static_cast<unsigned>((color >> 16) & 0xFF));
}

// Closes a C stream when it goes.
struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads one line of a text file, without its line feed and without a
// carriage return in front of it. False at the end of the file.
bool ReadLine(std::FILE* file, std::string& line)
{
    line.clear();
    int c;
    bool any = false;
    while ((c = std::getc(file)) != EOF)
    {
        any = true;
        if (c == '\n')
            break;
        line += static_cast<char>(c);
    }
    if (c == '\n' && !line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

// Appends printf-style text to `out`.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void Append(std::string& out, const char* format, ...)
{
    char piece[256];
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    if (n < 0)
        return;
    if (static_cast<size_t>(n) < sizeof piece)
    {
        out.append(piece, static_cast<size_t>(n));
        return;
    }
    std::string longer(static_cast<size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(&longer[0], longer.size(), format, args);
    va_end(args);
    out.append(longer.data(), static_cast<size_t>(n));
}
} // namespace

KWOConfigMgr::CfgValue KWOConfigMgr::CfgValue::Bool(bool v)
{
    CfgValue r = ZeroValue();
    r.b = v;
    return r;
}

KWOConfigMgr::CfgValue KWOConfigMgr::CfgValue::Int(int32_t v)
{
    CfgValue r = ZeroValue();
    r.i = v;
    return r;
}

KWOConfigMgr::CfgValue KWOConfigMgr::CfgValue::Float(float v)
{
    CfgValue r = ZeroValue();
    r.f = v;
    return r;
}

KWOConfigMgr::CfgValue KWOConfigMgr::CfgValue::String(const char* v)
{
    CfgValue r = ZeroValue();
    r.s = const_cast<char*>(v);
    return r;
}

KWOConfigMgr::CfgValue KWOConfigMgr::CfgValue::Color(uint32_t v)
{
    CfgValue r = ZeroValue();
    r.color = v;
    return r;
}

KWOConfigMgr::CfgValue KWOConfigMgr::CfgValue::Date(uint32_t v)
{
    CfgValue r = ZeroValue();
    r.date = v;
    return r;
}

KWOConfigMgr::KWOConfigMgr(unsigned int capacity) : m_count(0), m_capacity(0), m_cells(nullptr)
{
    if (capacity < kMinCapacity)
        capacity = kMinCapacity;
    m_cells = new (std::nothrow) CfgCell[capacity];
    if (!m_cells && capacity > kMinCapacity)
    {
        capacity = kMinCapacity;
        m_cells = new (std::nothrow) CfgCell[capacity];
    }
    if (m_cells)
    {
        std::memset(m_cells, 0, sizeof(CfgCell) * static_cast<size_t>(capacity));
        m_capacity = capacity;
    }
}

KWOConfigMgr::~KWOConfigMgr()
{
    for (unsigned i = 0; i < m_count; ++i)
    {
        delete[] m_cells[i].name;
        if (m_cells[i].type == TypeString)
            delete[] m_cells[i].value.s;
    }
    delete[] m_cells;
}

bool KWOConfigMgr::Find(const char* name, unsigned int& index) const
{
    if (!name || !*name)
        return false;
    int64_t lower = 0;
    int64_t upper = static_cast<int64_t>(m_count) - 1;
    while (lower <= upper)
    {
        const int64_t middle = (lower + upper) / 2;
        index = static_cast<unsigned>(middle);
        const int c = kwo_app::CompareNoCase(name, m_cells[middle].name);
        if (c == 0)
            return true;
        if (c < 0)
            upper = middle - 1;
        else
            lower = middle + 1;
    }
    index = static_cast<unsigned>(lower);
    return false;
}

bool KWOConfigMgr::AddParameter(const char* name, int type, CfgValue value)
{
    unsigned index = 0;
    if (!name || !*name || Find(name, index))
        return false;
    if (m_count == m_capacity)
    {
        if (m_capacity > 0x7FFFFFFFu)
            return false;
        const unsigned capacity = m_capacity ? m_capacity * 2 : kMinCapacity;
        CfgCell* cells = new (std::nothrow) CfgCell[capacity];
        if (!cells)
            return false;
        std::memset(cells, 0, sizeof(CfgCell) * static_cast<size_t>(capacity));
        if (m_count)
            std::memcpy(cells, m_cells, sizeof(CfgCell) * static_cast<size_t>(m_count));
        delete[] m_cells;
        m_cells = cells;
        m_capacity = capacity;
    }
    char* copy = KWOString::StringCopy(name);
    if (!copy)
        return false;
    CfgCell cell;
    cell.name = copy;
    cell.type = type;
    cell.value = value;
    if (type == TypeString)
        cell.value.s = KWOString::StringCopy(value.s);
    std::memmove(&m_cells[index + 1], &m_cells[index],
                 sizeof(CfgCell) * static_cast<size_t>(m_count - index));
    m_cells[index] = cell;
    ++m_count;
    return true;
}

bool KWOConfigMgr::RemoveParameter(const char* name)
{
    unsigned index = 0;
    if (m_count == 0 || !Find(name, index))
        return false;
    CfgCell& cell = m_cells[index];
    delete[] cell.name;
    if (cell.type == TypeString)
        delete[] cell.value.s;
    std::memmove(&m_cells[index], &m_cells[index + 1],
                 sizeof(CfgCell) * static_cast<size_t>(m_count - index - 1));
    --m_count;
    std::memset(&m_cells[m_count], 0, sizeof(CfgCell));
    return true;
}

int KWOConfigMgr::ParamType(const char* name) const
{
    unsigned index = 0;
    return Find(name, index) ? m_cells[index].type : 0;
}

KWOConfigMgr::CfgCell* KWOConfigMgr::GetCell(const char* name) const
{
    unsigned index = 0;
    return Find(name, index) ? &m_cells[index] : nullptr;
}

KWOConfigMgr::CfgValue KWOConfigMgr::GetValue(const char* name, int /*type*/) const
{
    unsigned index = 0;
    return Find(name, index) ? m_cells[index].value : ZeroValue();
}

void KWOConfigMgr::StoreString(CfgCell& cell, const char* text)
{
    // Copy first: `text` may be the cell's own string.
    char* copy = KWOString::StringCopy(text);
    delete[] cell.value.s;
    cell.value = ZeroValue();
    cell.value.s = copy;
}

bool KWOConfigMgr::SetValue(const char* name, int type, CfgValue value, bool changeType)
{
    unsigned index = 0;
    if (!Find(name, index))
        return false;
    CfgCell& cell = m_cells[index];
    if (cell.type != type)
    {
        if (!changeType)
            return false;
        if (cell.type == TypeString)
            delete[] cell.value.s;
        cell.value = ZeroValue();
        cell.type = type;
    }
    if (type == TypeString)
        StoreString(cell, value.s);
    else
        cell.value = value;
    return true;
}

bool KWOConfigMgr::ParseCL(int argc, char** argv)
try
{
    bool result = true;
    if (!argv)
        return argc <= 1;
    for (int i = 1; i < argc; ++i)
    {
        const char* arg = argv[i];
        if (!arg)
        {
            result = false;
            continue;
        }
        if (arg[0] != '-')
        {
            KWO::LOG("Config: ignored value %s\n", arg);
            result = false;
            continue;
        }
        unsigned index = 0;
        if (!Find(arg + 1, index))
        {
            KWO::LOG("Config: unknown parameter %s\n", arg + 1);
            result = false;
            continue;
        }
        CfgCell& cell = m_cells[index];
        const bool hasNext = i + 1 < argc && argv[i + 1];
        const char* next = hasNext ? argv[i + 1] : nullptr;
        switch (cell.type)
        {
            case TypeBool:
                if (!hasNext || next[0] == '-')
                {
                    cell.value.b = true;
                }
                else
                {
                    cell.value.b = ParseBoolWord(next);
                    ++i;
                }
                break;
            case TypeInt:
            case TypeFloat:
            case TypeDate:
            {
                bool ok = false;
                if (hasNext)
                {
                    ++i;
                    if (cell.type == TypeInt)
                    {
                        int v = 0;
                        ok = KWOParse::ReadInt(next, v) != nullptr;
                        if (ok)
                            cell.value.i = v;
                    }
                    else if (cell.type == TypeFloat)
                    {
                        float v = 0;
                        ok = KWOParse::ReadFloat(next, v) != nullptr;
                        if (ok)
                            cell.value.f = v;
                    }
                    else
                    {
                        uint32_t v = 0;
                        ok = ParseDate(next, v);
                        if (ok)
                            cell.value.date = v;
                    }
                }
                if (!ok)
                {
                    KWO::LOG("Config: missing value for param %s\n", arg);
                    result = false;
                }
                break;
            }
            case TypeColor:
            {
                if (!hasNext || next[0] != '#')
                {
                    KWO::LOG("Config: missing value for param %s\n", arg);
                    result = false;
                    break;
                }
                ++i;
                uint32_t v = 0;
                if (ParseColor(next, v))
                    cell.value.color = v;
                else
                    result = false;
                break;
            }
            case TypeString:
            {
                if (!hasNext)
                {
                    KWO::LOG("Config: missing value for param %s\n", arg);
                    result = false;
                    break;
                }
                // The first word is taken whatever it starts with; the
                // following ones up to the next "-..." join it.
                std::string text = next;
                ++i;
                while (i + 1 < argc && argv[i + 1] && argv[i + 1][0] != '-')
                {
                    text += ' ';
                    text += argv[i + 1];
                    ++i;
                }
                StoreString(cell, text.c_str());
                break;
            }
            default:
                KWO::LOG("Config: unknown value type %d\n", cell.type);
                break;
        }
    }
    return result;
}
catch (const std::exception&)
{
    return false;
}

bool KWOConfigMgr::ParseFile(const char* filename)
try
{
    if (!filename || !*filename)
        return false;
    const std::unique_ptr<std::FILE, FileCloser> owner(std::fopen(filename, "r"));
    std::FILE* file = owner.get();
    if (!file)
        return false;
    unsigned stored = 0;
    std::string line;
    while (ReadLine(file, line))
    {
        const char* p = line.c_str();
        if (*p == 0 || *p == '#')
            continue;
        if (*p == '-')
            ++p;
        const char* nameEnd = p;
        while (*nameEnd && !IsBlank(*nameEnd))
            ++nameEnd;
        const std::string name(p, nameEnd);
        unsigned index = 0;
        if (!Find(name.c_str(), index))
        {
            KWO::LOG("Config: unknown parameter %s\n", name.c_str());
            continue;
        }
        const char* value = nameEnd;
        while (IsBlank(*value))
            ++value;
        if (*value == 0)
        {
            KWO::LOG("Config: missing value for param %s\n", name.c_str());
            continue;
        }
        CfgCell& cell = m_cells[index];
        switch (cell.type)
        {
            case TypeBool:
                cell.value.b = ParseBoolWord(value);
                ++stored;
                break;
            case TypeInt:
            {
                int v = 0;
                if (KWOParse::ReadInt(value, v))
                {
                    cell.value.i = v;
                    ++stored;
                }
                else
                {
                    KWO::LOG("Config: bad int value for param %s : %s\n", name.c_str(), value);
                }
                break;
            }
            case TypeFloat:
            {
                float v = 0;
                if (KWOParse::ReadFloat(value, v))
                {
                    cell.value.f = v;
                    ++stored;
                }
                else
                {
                    KWO::LOG("Config: bad float value for param %s : %s\n", name.c_str(), value);
                }
                break;
            }
            case TypeDate:
            {
                uint32_t v = 0;
                if (ParseDate(value, v))
                {
                    cell.value.date = v;
                    ++stored;
                }
                else
                {
                    KWO::LOG("Config: bad date value for param %s : %s\n", name.c_str(), value);
                }
                break;
            }
            case TypeColor:
            {
                uint32_t v = 0;
                if (ParseColor(value, v))
                {
                    cell.value.color = v;
                    ++stored;
                }
                else
                {
                    KWO::LOG("Config: bad color value for param %s : %s\n", name.c_str(), value);
                }
                break;
            }
            case TypeString:
                StoreString(cell, value);
                ++stored;
                break;
            default:
                KWO::LOG("Config: unknown value type %d\n", cell.type);
                break;
        }
    }
    return stored > 0;
}
catch (const std::exception&)
{
    return false;
}

bool KWOConfigMgr::Save(const char* filename, const char* comment) const
try
{
    if (!filename || !*filename)
        return false;
    // The text is made in memory, then written beside the file, which it
    // replaces in one step: a failed save keeps the previous configuration.
    std::string text = "#\n";
    if (comment)
        Append(text, "# %s\n", comment);
    text += "# Configuration file\n#\n\n";
    for (unsigned i = 0; i < m_count; ++i)
    {
        const CfgCell& cell = m_cells[i];
        Append(text, "%s\t", cell.name);
        switch (cell.type)
        {
            case TypeBool:
                text += BoolOf(cell.value) ? "true" : "false";
                break;
            case TypeInt:
                Append(text, "%d", static_cast<int>(cell.value.i));
                break;
            case TypeFloat:
                Append(text, "%g", static_cast<double>(cell.value.f));
                break;
            case TypeString:
                // A parameter without text is written with an empty value.
                if (cell.value.s)
                    text += cell.value.s;
                break;
            case TypeColor:
            {
                char hex[7];
                ColorText(cell.value.color, hex);
                Append(text, "#%s", hex);
                break;
            }
            case TypeDate:
            {
                const std::time_t t = static_cast<std::time_t>(cell.value.date);
                const std::tm* local = std::localtime(&t);
                if (local)
                    Append(text, "%4d/%02d/%02d %02d:%02d:%02d", local->tm_year + 1900,
                           local->tm_mon, local->tm_mday, local->tm_hour, local->tm_min,
                           local->tm_sec);
                break;
            }
            default:
                break;
        }
        text += '\n';
    }
    const unsigned size = static_cast<unsigned>(text.size());
    if (size != text.size())
        return false;
    return KWO::ReplaceFile(filename, [&text, size](KWOResFile& file)
                            { return file.Write(text.data(), size) == size; });
}
catch (const std::exception&)
{
    return false;
}

void KWOConfigMgr::PrintInfo() const
{
    KWO::LOG("Configuration (%d parameters):\n", static_cast<int>(m_count));
    for (unsigned i = 0; i < m_count; ++i)
    {
        const CfgCell& cell = m_cells[i];
        KWO::LOG("- %s (", cell.name);
        switch (cell.type)
        {
            case TypeBool:
                KWO::LOG("bool): %s\n", BoolOf(cell.value) ? "true" : "false");
                break;
            case TypeInt:
                KWO::LOG("int): %d\n", static_cast<int>(cell.value.i));
                break;
            case TypeFloat:
                KWO::LOG("float): %f\n", static_cast<double>(cell.value.f));
                break;
            case TypeString:
                KWO::LOG("string): %s\n", cell.value.s ? cell.value.s : "");
                break;
            case TypeColor:
            {
                char hex[7];
                ColorText(cell.value.color, hex);
                const uint32_t c = cell.value.color;
                KWO::LOG("color): %s [%d, %d, %d, %d]\n", hex, static_cast<int>(c & 0xFF),
                         static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF),
                         static_cast<int>((c >> 24) & 0xFF));
                break;
            }
            case TypeDate:
            {
                const std::time_t t = static_cast<std::time_t>(cell.value.date);
                const char* text = std::ctime(&t);
                KWO::LOG("date): %s (%d)\n", text ? text : "\n", static_cast<int>(cell.value.date));
                break;
            }
            default:
                break;
        }
    }
}
