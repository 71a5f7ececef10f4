#include "core/log.h"

#include "core/file_bytes.h"

#include <cstdio>
#include <string>

namespace kx {
namespace {

struct Fields {
    int year, month, day, hour, minute, second;
};

Fields Split(LocalTime t) {
    using namespace std::chrono;
    const auto dayStart = floor<days>(t);
    const year_month_day ymd{dayStart};
    const hh_mm_ss hms{t - dayStart};
    return {static_cast<int>(ymd.year()),
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(hms.hours().count()),
            static_cast<int>(hms.minutes().count()),
            static_cast<int>(hms.seconds().count())};
}

}  // namespace

void Log::WriteLog(std::string_view text) const { Append(MainLogPath(), text); }

void Log::WriteDetail(int level, std::string_view text) const {
    if (DetailOn(level)) Append(MainLogPath(), text);
}

void Log::WriteRPLog(std::string_view text) const {
    if (logReprocess_) Append(ReprocessLogPath(), text);
}

std::filesystem::path Log::ReprocessLogPath() const {
    const Fields f = Split(clock_.Now());
    char name[32];
    std::snprintf(name, sizeof name, "RP%02d%02d%02d.log", f.year % 100, f.month, f.day);
    return home_ / name;
}

void Log::Append(const std::filesystem::path& file, std::string_view text) const {
    const Fields f = Split(clock_.Now());
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d %02d:%02d:%02d : ", f.day, f.month, f.year % 100, f.hour,
                  f.minute, f.second);
    std::string line(stamp);
    line.append(text);
    line.push_back('\n');
    AppendLogBytes(file, line);
}

}  // namespace kx
