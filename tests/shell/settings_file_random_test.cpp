// Random settings files written from a model (sections and keys in any case,
// blanks, junk lines, keys before the first header, repeated keys, every line
// end, a UTF-8 mark or UTF-16LE), and mutations of them. The reader must find
// the first value of every key the model wrote and nothing else, turn typed
// values into what the model meant, and read any bytes without throwing.
// 1,000 files by default; KX_FUZZ_LONG=1 runs 100,000, KX_FUZZ_SEED picks
// another seed.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "shell/settings_file.h"
#include "support/random_text.h"
#include "support/test_db.h"

namespace kx {
namespace {

const std::vector<std::string> kSections = {"Database",    "Server", "Options",  "Reprocessing",
                                            "Shift/Leave", "Tavro",  "Elsewhere"};
const std::vector<std::string> kKeys = {"DBType",   "IPPort",  "CardLength",          "ATA_Details",          "AutoFit",
                                        "ATServer", "InRange", "SelectedControllers", "ExtendedLeaveControl", "FILO",
                                        "Spare"};
const std::vector<std::string> kWords = {"[",         "]",           "=",  "\r\n", "\n", "\r",
                                         "[Options]", "CardLength=", "0x", "$",    "-",  std::string(1, '\0'),
                                         "\xff\xfe",  "\xef\xbb\xbf"};

std::string RandomCase(test::Rng& rng, std::string word) {
    for (char& c : word)
        if (rng.Chance(0.5))
            c = static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c));
    return word;
}

std::string Blanks(test::Rng& rng) { return std::string(rng.Below(3), rng.Chance(0.7) ? ' ' : '\t'); }

// A value of the model's choosing: the text the reader must give back, and
// the integer it stands for when it is one.
struct Value {
    std::string written;
    std::string text;
    std::optional<long long> number;
};

Value RandomValue(test::Rng& rng, bool ascii) {
    Value v;
    const long long n = static_cast<long long>(rng.Below(200000)) - 100000;
    switch (rng.Below(6)) {
    case 0:
        v.text = std::to_string(n);
        v.number = n;
        break;
    case 1: {
        char buf[32];
        std::snprintf(buf, sizeof buf, rng.Chance(0.5) ? "0x%llX" : "$%llx",
                      static_cast<unsigned long long>(n < 0 ? -n : n));
        v.text = buf;
        v.number = n < 0 ? -n : n;
        break;
    }
    case 2: v.text = ""; break;
    case 3: v.text = "0700-0900"; break;
    default: {
        // Printable at both ends, anything but a line end inside; the first
        // letter keeps it from reading as a number.
        const std::size_t length = 1 + rng.Below(20);
        v.text = std::string(1, static_cast<char>('g' + rng.Below(20)));
        for (std::size_t i = 1; i < length; ++i) {
            char c = static_cast<char>(33 + rng.Below(94));
            if (!ascii && rng.Chance(0.1)) c = static_cast<char>(0x80 + rng.Below(128));
            if (i > 0 && i + 1 < length && rng.Chance(0.1)) c = ' ';
            v.text += c;
        }
    }
    }
    v.written = v.text;
    if (!v.text.empty() && rng.Chance(0.1)) v.written += std::string(1, '\0') + "after the NUL";
    return v;
}

struct Model {
    std::string text;
    std::map<std::string, std::map<std::string, Value>> first;  // lower-cased names
};

Model RandomFile(test::Rng& rng, bool ascii) {
    Model m;
    const std::string end = rng.Pick(std::vector<std::string>{"\n", "\r\n", "\r"});
    std::optional<std::string> section;
    const std::size_t lines = rng.Below(40);
    for (std::size_t i = 0; i < lines; ++i) {
        const std::string lineEnd = rng.Chance(0.9) ? end : rng.Pick(std::vector<std::string>{"\n", "\r\n", "\r"});
        switch (rng.Below(8)) {
        case 0:
        case 1: {
            const std::string name = rng.Pick(kSections);
            m.text += Blanks(rng) + "[" + Blanks(rng) + RandomCase(rng, name) + Blanks(rng) + "]" +
                      (rng.Chance(0.2) ? " ; note" : "") + Blanks(rng) + lineEnd;
            section = LowerCase(name);
            break;
        }
        case 2:
            m.text +=
                rng.Pick(std::vector<std::string>{"; comment", "", "no equals here", "[Options", "=orphan"}) + lineEnd;
            break;
        default: {
            const std::string key = rng.Pick(kKeys);
            const Value v = RandomValue(rng, ascii);
            m.text += Blanks(rng) + RandomCase(rng, key) + Blanks(rng) + "=" + Blanks(rng) + v.written + Blanks(rng) +
                      lineEnd;
            if (section) m.first[*section].emplace(LowerCase(key), v);
        }
        }
    }
    return m;
}

std::string Utf16Le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// The model's value of a key, as a setting of the given default.
int AsInteger(const Model& m, const std::string& section, const std::string& key, int def) {
    const auto s = m.first.find(section);
    if (s == m.first.end()) return def;
    const auto k = s->second.find(key);
    if (k == s->second.end() || !k->second.number) return def;
    return static_cast<int>(*k->second.number);
}

std::string AsText(const Model& m, const std::string& section, const std::string& key, const std::string& def) {
    const auto s = m.first.find(section);
    if (s == m.first.end()) return def;
    const auto k = s->second.find(key);
    return k == s->second.end() ? def : k->second.text;
}

std::string CheckModel(const Model& m, const IniFile& ini, test::Rng& rng) {
    for (const std::string& section : kSections) {
        for (const std::string& key : kKeys) {
            const std::string value = AsText(m, LowerCase(section), LowerCase(key), "\x01 absent");
            const std::optional<std::string> read = ini.Value(RandomCase(rng, section), RandomCase(rng, key));
            if (read.value_or("\x01 absent") != value)
                return "[" + section + "] " + key + " = \"" + test::Escaped(read.value_or("(absent)")) +
                       "\", expected \"" + test::Escaped(value) + "\"";
        }
    }
    const Settings s = ReadSettings(ini);
    if (s.options.CardLength != AsInteger(m, "options", "cardlength", 6)) return "CardLength";
    if (s.options.ATA_Details != AsInteger(m, "options", "ata_details", 0)) return "ATA_Details";
    if (s.options.AutoFit != (AsInteger(m, "options", "autofit", 0) != 0)) return "AutoFit";
    if (s.server.ATServer != (AsInteger(m, "server", "atserver", 0) != 0)) return "ATServer";
    if (s.shiftLeave.ExtendedLeaveControl != AsInteger(m, "shift/leave", "extendedleavecontrol", 0))
        return "ExtendedLeaveControl";
    if (s.database.DBType != UpperCase(AsText(m, "database", "dbtype", "PARADOX"))) return "DBType";
    if (s.server.IPPort != AsText(m, "server", "ipport", "4000")) return "IPPort";
    if (s.reprocessing.InRange != AsText(m, "reprocessing", "inrange", "")) return "InRange";
    return {};
}

TEST(SettingsFileRandom, ModelFilesReadAsWrittenAndAnyBytesReadWithoutThrowing) {
    const test::RandomRun run = test::RandomRunFromEnv(20261209, 1000, 100000);
    test::Rng rng(run.seed);
    test::TempHome home;
    std::string previous = "[Options]\nCardLength=8\n";
    for (std::size_t n = 0; n < run.count; ++n) {
        const int form = static_cast<int>(rng.Below(4));  // plain, UTF-8 mark, UTF-16LE, mutated
        const Model m = RandomFile(rng, form == 2);
        std::string bytes = form == 1 ? "\xEF\xBB\xBF" + m.text : form == 2 ? Utf16Le(m.text) : m.text;
        if (form == 3) bytes = test::Mutated(rng, rng.Chance(0.5) ? previous : m.text, kWords, m.text);
        const std::string trace =
            "seed " + std::to_string(run.seed) + ", file " + std::to_string(n) + ": \"" + test::Escaped(bytes) + "\"";

        IniFile ini;
        ASSERT_NO_THROW(ini = IniFile::FromText(bytes)) << trace;
        if (form != 3) {
            const std::string fault = CheckModel(m, ini, rng);
            ASSERT_TRUE(fault.empty()) << fault << "\n  " << trace;
        }
        const Settings settings = ReadSettings(ini);
        if (n % 100 == 0) {  // the file itself reads the same
            std::ofstream(home.path() / "Kairox.ini", std::ios::binary) << bytes;
            ASSERT_EQ(ReadSettingsFile(home.path() / "Kairox.ini"), settings) << trace;
        }
        if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xEF\xBB\xBF")) {
            ASSERT_EQ(ReadSettings(IniFile::FromText(bytes + "\n[kx elsewhere]\n" + bytes)), settings)
                << "the first occurrence of a key wins\n  " << trace;
        }
        if (bytes.size() < 300) previous = bytes;
    }
}

}  // namespace
}  // namespace kx
