#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "core/clock.h"

namespace kx {

// The detail levels of trace lines. A line is written when its level is below
// the threshold [Options] ATA_Details, so a threshold of 1 to 10 writes the
// important lines, 11 to 20 adds the steps, 21 to 30 the fine lines and a
// higher one the finest; kDetailEverything writes every level.
inline constexpr int kDetailImportant = 0;
inline constexpr int kDetailSteps = 10;
inline constexpr int kDetailFine = 20;    // such as SQL texts
inline constexpr int kDetailFinest = 30;  // each clocking and formula token
// As a threshold: every level. As a level: only under that threshold (the
// failures of a computation that otherwise ends quietly).
inline constexpr int kDetailEverything = 999;

// The main log and the daily reprocess log. Each line is appended with its own
// open and close; a failed write is dropped without a word, so logging never
// disturbs processing.
class Log {
public:
    Log(std::filesystem::path home, const Clock& clock) : home_(std::move(home)), clock_(clock) {}

    void SetDetailThreshold(int threshold) { threshold_ = threshold; }
    int DetailThreshold() const { return threshold_; }
    void SetLogReprocess(bool on) { logReprocess_ = on; }

    void WriteLog(std::string_view text) const;
    // Written when level < threshold (signed), or always when the threshold is
    // kDetailEverything.
    void WriteDetail(int level, std::string_view text) const;
    bool DetailOn(int level) const { return threshold_ == kDetailEverything || level < threshold_; }
    // "RP" + yymmdd + ".log", named from the clock at each write.
    void WriteRPLog(std::string_view text) const;

    std::filesystem::path MainLogPath() const { return home_ / "KX_ATA.Log"; }
    std::filesystem::path ReprocessLogPath() const;

private:
    void Append(const std::filesystem::path& file, std::string_view text) const;

    std::filesystem::path home_;
    const Clock& clock_;
    int threshold_ = 0;
    bool logReprocess_ = false;
};

inline const char* BoolText(bool flag) { return flag ? "true" : "false"; }

}  // namespace kx
