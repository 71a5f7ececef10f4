#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "core/clock.h"

namespace kx {

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
    // Written when level < threshold (signed), or always when the threshold is 999.
    void WriteDetail(int level, std::string_view text) const;
    bool DetailOn(int level) const { return threshold_ == 999 || level < threshold_; }
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
