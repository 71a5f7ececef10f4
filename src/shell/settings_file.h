#pragma once
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

namespace kx {

struct AgentContext;

// A plain INI file of [Section] headers and Key=Value lines, read once.
//  - Section and key names match without regard to case; names and values are
//    trimmed; a value ends at its first NUL byte.
//  - Lines end at LF, CR LF or CR; a UTF-8 byte-order mark is skipped and a
//    UTF-16LE file (with its mark) is read as UTF-8.
//  - Lines that are neither a header nor Key=Value, keys before the first
//    header, and a "[" line without "]" are ignored.
//  - Duplicates: the FIRST occurrence of a key wins, as in the classic profile
//    reader; sections repeated under one name (any case) are read as one.
//  - A missing or unreadable file reads as a file with no keys.
class IniFile {
public:
    static IniFile FromText(std::string_view text);
    static IniFile Load(const std::filesystem::path& file);

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Absent: the default; present and empty: the empty text.
    std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
    // Decimal, or hexadecimal after "0x" or "$"; absent, empty, malformed or
    // beyond the range of int: the default.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    // An integer: 0 is no, any other number yes; anything else the default.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    // Every Key=Value line under a header, as written (trimmed), in file order,
    // repeated ones included; line counts from 1.
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
        int line = 0;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
    std::map<std::string, std::map<std::string, std::string>> sections_;  // lower-cased names
};

// Every key of every section; DBType and Integrated upper-cased.
Settings ReadSettings(const IniFile& ini);
Settings ReadSettingsFile(const std::filesystem::path& file);

// Server mode forces [Server] ATServer on. Kept apart from the read so the
// start-up summary shows the file's value, as the mode is applied later.
void ApplyServerMode(Settings& settings, bool serverMode);

// Reads Kairox.ini in the home directory into ctx.settings and hands the log
// its detail threshold and reprocess switch.
void ReadSettingsFile(AgentContext& ctx);

}  // namespace kx
