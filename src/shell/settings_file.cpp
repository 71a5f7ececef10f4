#include "shell/settings_file.h"

#include <climits>
#include <exception>

#include "core/agent_context.h"
#include "core/file_bytes.h"
#include "core/int_text.h"
#include "core/text.h"
#include "shell/settings_keys.h"

namespace kx {
namespace {

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// UTF-16LE (after its mark) to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        return static_cast<unsigned long>(static_cast<unsigned char>(bytes[i])) |
               static_cast<unsigned long>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned long cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace

IniFile IniFile::FromText(std::string_view text) {
    std::string converted;
    if (text.starts_with("\xFF\xFE")) {
        converted = Utf16LeToUtf8(text.substr(2));
        text = converted;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }

    IniFile ini;
    std::map<std::string, std::string>* section = nullptr;
    std::string sectionName;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + (text.substr(end, 2) == "\r\n" ? 2 : 1));

        const std::string trimmed = Trim(line);
        if (trimmed.starts_with('[')) {
            const auto close = trimmed.find(']');
            if (close != std::string::npos) {
                sectionName = Trim(trimmed.substr(1, close - 1));
                section = &ini.sections_[LowerCase(sectionName)];
            }
            continue;
        }
        const auto eq = trimmed.find('=');
        if (!section || eq == std::string::npos) continue;
        const std::string keyName = Trim(std::string_view(trimmed).substr(0, eq));
        if (keyName.empty()) continue;
        std::string value = Trim(std::string_view(trimmed).substr(eq + 1));
        if (const auto nul = value.find('\0'); nul != std::string::npos) value = Trim(value.substr(0, nul));
        ini.entries_.push_back({sectionName, keyName, value, lineNumber});
        section->emplace(LowerCase(keyName), std::move(value));  // keeps the first occurrence
    }
    return ini;
}

IniFile IniFile::Load(const std::filesystem::path& file) {
    try {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) return {};
        return FromText(ReadFileBytes(file));
    } catch (const std::exception&) {
        return {};  // an unreadable file gives every default, without a word
    }
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    const auto s = sections_.find(LowerCase(section));
    if (s == sections_.end()) return std::nullopt;
    const auto k = s->second.find(LowerCase(key));
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const {
    return Value(section, key).value_or(def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const auto text = Value(section, key);
    if (!text) return def;
    const auto n = ParseIntegerText(*text);
    if (!n || *n < INT_MIN || *n > INT_MAX) return def;
    return static_cast<int>(*n);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

Settings ReadSettings(const IniFile& ini) {
    Settings s;  // its member initialisers are the defaults
    for (const SettingKey& key : SettingKeys()) {
        const SettingKey::Field field = key.field(s);
        if (auto* const* text = std::get_if<std::string*>(&field))
            **text = ini.ReadString(key.section, key.key, **text);
        if (auto* const* number = std::get_if<int*>(&field)) **number = ini.ReadInteger(key.section, key.key, **number);
        if (auto* const* flag = std::get_if<bool*>(&field)) **flag = ini.ReadBool(key.section, key.key, **flag);
    }
    s.database.DBType = UpperCase(s.database.DBType);
    if (s.database.ReconnectSeconds < 0) s.database.ReconnectSeconds = Settings::Database{}.ReconnectSeconds;
    s.server.Integrated = UpperCase(s.server.Integrated);
    return s;
}

Settings ReadSettingsFile(const std::filesystem::path& file) { return ReadSettings(IniFile::Load(file)); }

void ApplyServerMode(Settings& settings, bool serverMode) {
    if (serverMode) settings.server.ATServer = true;
}

void ReadSettingsFile(AgentContext& ctx) {
    ctx.settings = ReadSettingsFile(ctx.home / "Kairox.ini");
    ctx.log.SetDetailThreshold(ctx.settings.options.ATA_Details);
    ctx.log.SetLogReprocess(ctx.settings.options.LogReprocess);
}

}  // namespace kx
