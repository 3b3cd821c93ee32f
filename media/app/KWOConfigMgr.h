/// @class KWOConfigMgr
/// KWOConfigMgr: named, typed parameters filled from the command line and from
/// a configuration file.
///
/// A program adds every parameter with its default value, then lets ParseFile
/// and ParseCL override the values; parsing never creates a parameter. Names
/// are compared without regard to case (ASCII letters only) and kept sorted,
/// so lookups are binary searches.
///
/// Command line: "-name value". A bool parameter alone (last, or followed by
/// another "-..." argument) is set true; a string takes the next argument and
/// every following one that does not start with '-', joined with spaces; a
/// colour is "#RRGGBB" or "#RRGGBBAA". Example: "prog -fullscreen -name My
/// Game -size 3".
///
/// Configuration file: one "name value" per line, the name optionally behind
/// a '-', separated from the value by spaces or tabs; empty lines and lines
/// starting with '#' are skipped. Save writes the same form, one tab between
/// name and value. Dates are "year/month/day hour:minute:second" in local
/// time with the month counted from 0.
///
/// Every problem found while parsing is logged ("Config: ...") and parsing
/// goes on with the next argument or line.
#ifndef KWOMEDIA_APP_KWOCONFIGMGR_H
#define KWOMEDIA_APP_KWOCONFIGMGR_H

#include "KWOExport.h"

#include <cstdint>

class KWO_API KWOConfigMgr
{
public:
    /// Value type codes.
    enum ValueType : int
    {
        TypeBool = 1,   ///< b
        TypeInt = 2,    ///< i
        TypeFloat = 3,  ///< f
        TypeString = 4, ///< s: a heap text owned by the cell, or null
        TypeColor = 5,  ///< color: red in bits 0-7, green 8-15, blue 16-23, alpha 24-31
        TypeDate = 6    ///< date: seconds since 1970-01-01 UTC
    };

    union CfgValue
    {
        /// The widest member comes first, so that "CfgValue v{}" is all zero.
        char* s;
        bool b;
        int32_t i;
        float f;
        uint32_t color;
        uint32_t date;

        static CfgValue Bool(bool v);
        static CfgValue Int(int32_t v);
        static CfgValue Float(float v);
        /// The text is not copied here; AddParameter and SetValue copy it.
        static CfgValue String(const char* v);
        static CfgValue Color(uint32_t v);
        static CfgValue Date(uint32_t v);
    };

    struct CfgCell
    {
        char* name; ///< owned
        int type;   ///< a ValueType code
        CfgValue value;
    };

    /// An empty table with room for `capacity` cells (at least 4).
    explicit KWOConfigMgr(unsigned int capacity = 0);
    ~KWOConfigMgr();
    KWOConfigMgr(const KWOConfigMgr&) = delete;
    KWOConfigMgr& operator=(const KWOConfigMgr&) = delete;

    /// Adds a parameter with its initial value (a string is copied). False
    /// for a null or empty name, a name already present in any case, or when
    /// memory runs out.
    bool AddParameter(const char* name, int type, CfgValue value);
    bool RemoveParameter(const char* name);
    /// The type code, 0 for an unknown name.
    int ParamType(const char* name) const;
    /// The cell, or null. Its name must not be changed (the table is sorted).
    CfgCell* GetCell(const char* name) const;
    /// The stored value whatever its type (`type` is not checked); a zero
    /// value for an unknown name. A string stays owned by the table.
    CfgValue GetValue(const char* name, int type) const;
    /// Stores a value (a string is copied). A type other than the parameter's
    /// is refused unless `changeType` is set, which makes it the new type.
    bool SetValue(const char* name, int type, CfgValue value, bool changeType);
    /// Binary search: true and the cell's index when found; otherwise false
    /// and the index where the name belongs. A null or empty name returns
    /// false and leaves `index` alone.
    bool Find(const char* name, unsigned int& index) const;

    /// Reads parameters from the arguments 1 to argc - 1. False when any
    /// argument caused a problem (the others are still applied).
    bool ParseCL(int argc, char** argv);
    /// Reads parameters from a configuration file. False when it cannot be
    /// opened or no value could be stored.
    bool ParseFile(const char* filename);
    /// Writes the table as a configuration file, with `comment` (if any) in
    /// its heading. False when the file cannot be written completely.
    bool Save(const char* filename, const char* comment) const;

    void PrintInfo() const;

    unsigned int Count() const { return m_count; }
    unsigned int Capacity() const { return m_capacity; }
    /// Cell `index` in name order, or null.
    const CfgCell* Cell(unsigned int index) const
    {
        return index < m_count ? &m_cells[index] : nullptr;
    }

private:
    /// Replaces a string cell's text by a copy of `text` (null for an empty one).
    static void StoreString(CfgCell& cell, const char* text);

    unsigned int m_count;
    unsigned int m_capacity;
    CfgCell* m_cells;
};

#endif
