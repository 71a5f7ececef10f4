// libFuzzer target for the settings file reader: any bytes in Kairox.ini are
// read into the settings and the values derived from them at start-up, and
// the summary is logged. Nothing may crash, throw or read out of bounds, and
// the reader's own rules must hold: UTF-16LE changes nothing for an ASCII
// file nor a UTF-8 mark for any file, and the first occurrence of a key wins.
//
//   cmake --build build-fuzz --target settings_file_fuzz
//   mkdir -p /tmp/settings_file-corpus && cp tests/fuzz/corpus/settings_file/* /tmp/settings_file-corpus/
//   build-fuzz/bin/settings_file_fuzz -dict=tests/fuzz/settings_file.dict -max_len=4096 -timeout=5 \
//       -runs=10000000 /tmp/settings_file-corpus
//
// Input: the file's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/agent_context.h"
#include "core/clock.h"
#include "fuzz_home.h"
#include "shell/settings_derivation.h"
#include "shell/settings_file.h"

using kx::fuzz::Require;

namespace {

kx::Settings Read(std::string_view bytes) { return kx::ReadSettings(kx::IniFile::FromText(bytes)); }

bool HasLowerCase(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

std::string Utf16Le(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kx::fuzz::FuzzHome home("kx_settings_fuzz");
    static kx::FakeClock clock;
    static kx::AgentContext ctx(home.path(), clock);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const kx::Settings settings = Read(bytes);
    Require(!HasLowerCase(settings.database.DBType) && !HasLowerCase(settings.server.Integrated));

    ctx.settings = settings;
    ctx.settings.options.SelectedControllersOnly = true;
    ctx.derived = {};
    kx::DeriveSettingValues(ctx);
    const kx::DerivedValues& d = ctx.derived;
    Require(d.cardZeroPrefix.find_first_not_of('0') == std::string::npos);
    const int zeros = settings.options.CardLength > 6 ? std::min(settings.options.CardLength - 6, 64) : 0;
    Require(d.cardZeroPrefix.size() == static_cast<std::size_t>(zeros));
    Require(d.ranges.taken == (settings.reprocessing.InRange.size() == 9));
    for (const std::string* end : {&d.ranges.inFrom, &d.ranges.inTo, &d.ranges.outFrom, &d.ranges.outTo,
                                   &d.ranges.otInFrom, &d.ranges.otInTo, &d.ranges.otOutFrom, &d.ranges.otOutTo})
        Require(end->size() <= 4);
    const std::string& controllers = settings.options.SelectedControllers;
    Require(d.selectedControllers.count == std::count(controllers.begin(), controllers.end(), ','));
    Require(d.selectedControllers.items.size() ==
            static_cast<std::size_t>(std::min(d.selectedControllers.count, kx::SelectedControllerList::kMaxStored)));
    Require(d.tableDefFile.starts_with(settings.server.TabFilePath) && d.tableDefFile.ends_with(".tab"));
    kx::WriteSettingsSummary(settings, ctx.log);

    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xEF\xBB\xBF")) return 0;
    // Repeated below a section no setting uses, every key is already set; an
    // ASCII file reads the same in UTF-16LE, any file the same after a UTF-8 mark.
    const std::string twice = std::string(bytes) + "\n[kx fuzz]\n" + std::string(bytes);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > 0; });
    Require(Read(ascii ? Utf16Le(twice) : "\xEF\xBB\xBF" + twice) == settings);
    return 0;
}
