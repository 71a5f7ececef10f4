#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/log.h"
#include "support/log_texts.h"

namespace kx::test {

// A main log in a fresh temporary directory, with the lines it received.
class LogCapture {
public:
    explicit LogCapture(int threshold = 999) : dir_(MakeDir()), log_(dir_, clock_) {
        log_.SetDetailThreshold(threshold);
    }
    ~LogCapture() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const Log& log() const { return log_; }
    const std::filesystem::path& dir() const { return dir_; }

    // The texts written so far, without the "dd/mm/yy hh:nn:ss : " stamp.
    std::vector<std::string> Lines() const { return LogTexts(log_.MainLogPath()); }
    void Clear() const {
        std::error_code ec;
        std::filesystem::remove(log_.MainLogPath(), ec);
    }

private:
    static std::filesystem::path MakeDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kx_formula_XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }

    std::filesystem::path dir_;
    FakeClock clock_{MakeLocalTime(2026, 12, 9, 8, 0, 0)};
    Log log_;
};

}  // namespace kx::test
