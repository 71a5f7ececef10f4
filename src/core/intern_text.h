#pragma once
#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace kx {

class Log;
struct AgentContext;

using InternType = std::string;

// The international text table: entries 1 to 1000, all empty until loaded.
class InternArray {
public:
    static constexpr int kSize = 1000;

    static bool InRange(int number) { return number >= 1 && number <= kSize; }
    // Empty for a number outside 1..1000.
    const InternType& operator[](int number) const;
    void Set(int number, std::string text);  // ignored outside 1..1000
    void Clear();

private:
    std::array<InternType, kSize> entries_{};
};

// Loads the table from a file of lines "number,ignored,text,ignored". Returns
// false when the file does not exist (no log line) or a line's number is not
// an integer, or on a read error ("<LoadInternText>" + error text, load stops).
bool LoadInternText(InternArray& table, const Log& log, const std::filesystem::path& file);
// The same load from the file's bytes, for callers that hold them already.
bool LoadInternTextBytes(InternArray& table, const Log& log, std::string_view bytes);
// The file name is resolved against the home directory.
bool LoadInternText(AgentContext& ctx, const std::string& fileName);

// Entry `number` when International is on, the number is 1..1000 and the entry
// is not empty; the built-in text otherwise.
std::string LoadLanguageStr(const InternArray& table, bool international, const Log& log, int number,
                            std::string_view builtin);
std::string LoadLanguageStr(const AgentContext& ctx, int number, std::string_view builtin);

// Texts taken from the table once it is loaded, used as they stand even when empty.
inline constexpr int kStopCaptionText = 234;
inline constexpr int kReadyCaptionText = 235;
inline constexpr int kInProgressCaptionText = 236;

struct InternationalStart {
    bool loaded = false;
    std::string stopCaption = "&Stop Processing";  // text 234 once loaded
    std::string readyCaption = "Ready";            // text 235 once loaded
};

// Start-up: when [Options] International is on, loads InternationalFileName.
// On failure writes "Failed to localized : " + file name and turns
// International off for the rest of the run.
InternationalStart LoadInternationalText(AgentContext& ctx);

}  // namespace kx
