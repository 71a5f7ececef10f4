#include "core/intern_text.h"

#include <stdexcept>
#include <system_error>

#include "core/agent_context.h"
#include "core/file_bytes.h"
#include "core/int_text.h"
#include "core/log.h"
#include "core/text.h"

namespace kx {
namespace {

const InternType kEmpty;

// Entry number of a line: nothing for a number outside 1..1000; throws for
// a field that is not an integer at all.
std::optional<int> EntryNumber(std::string_view field) {
    const std::string text = Trim(field);
    const auto n = ParseIntegerText(text);
    if (!n) throw std::runtime_error("'" + text + "' is not a valid integer value");
    if (*n < 1 || *n > InternArray::kSize) return std::nullopt;
    return static_cast<int>(*n);
}

void TakeLine(InternArray& table, std::string_view line) {
    const auto first = line.find(',');
    if (first == std::string_view::npos) return;
    const auto second = line.find(',', first + 1);
    if (second == std::string_view::npos) return;
    const auto third = line.find(',', second + 1);
    if (third == std::string_view::npos) return;
    if (const auto number = EntryNumber(line.substr(0, first)))
        table.Set(*number, Trim(line.substr(second + 1, third - second - 1)));
}

}  // namespace

const InternType& InternArray::operator[](int number) const {
    return InRange(number) ? entries_[static_cast<std::size_t>(number - 1)] : kEmpty;
}

void InternArray::Set(int number, std::string text) {
    if (InRange(number)) entries_[static_cast<std::size_t>(number - 1)] = std::move(text);
}

void InternArray::Clear() {
    for (auto& e : entries_) e.clear();
}

bool LoadInternTextBytes(InternArray& table, const Log& log, std::string_view bytes) {
    table.Clear();
    try {
        if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
        // Lines end at CR, LF or CR LF.
        while (!bytes.empty()) {
            const auto end = bytes.find_first_of("\r\n");
            TakeLine(table, bytes.substr(0, end));
            if (end == std::string_view::npos) break;
            bytes.remove_prefix(end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1));
        }
        return true;
    } catch (const std::exception& e) {
        log.WriteLog(std::string("<LoadInternText>") + e.what());
        return false;
    }
}

bool LoadInternText(InternArray& table, const Log& log, const std::filesystem::path& file) {
    table.Clear();
    std::error_code ec;
    // A directory counts as no file, as does an empty file name.
    if (!std::filesystem::exists(file, ec) || std::filesystem::is_directory(file, ec)) return false;
    std::string bytes;
    try {
        bytes = ReadFileBytes(file);
    } catch (const std::exception& e) {
        log.WriteLog(std::string("<LoadInternText>") + e.what());
        return false;
    }
    return LoadInternTextBytes(table, log, bytes);
}

bool LoadInternText(AgentContext& ctx, const std::string& fileName) {
    return LoadInternText(ctx.internArray, ctx.log, ctx.home / fileName);
}

std::string LoadLanguageStr(const InternArray& table, bool international, const Log& log, int number,
                            std::string_view builtin) {
    try {
        if (international && InternArray::InRange(number) && !table[number].empty()) return table[number];
    } catch (const std::exception& e) {
        log.WriteLog(std::string("<LoadLanguageStr>") + e.what());
    }
    return std::string(builtin);
}

std::string LoadLanguageStr(const AgentContext& ctx, int number, std::string_view builtin) {
    return LoadLanguageStr(ctx.internArray, ctx.settings.options.International, ctx.log, number, builtin);
}

InternationalStart LoadInternationalText(AgentContext& ctx) {
    InternationalStart result;
    auto& options = ctx.settings.options;
    if (!options.International) return result;
    if (LoadInternText(ctx, options.InternationalFileName)) {
        result.loaded = true;
        result.stopCaption = ctx.internArray[kStopCaptionText];
        result.readyCaption = ctx.internArray[kReadyCaptionText];
    } else {
        ctx.log.WriteLog("Failed to localized : " + options.InternationalFileName);
        options.International = false;
    }
    return result;
}

}  // namespace kx
