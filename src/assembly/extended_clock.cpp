#include "assembly/extended_clock.h"

#include <cstdio>
#include <stdexcept>

#include "core/text.h"

namespace kx {
namespace {

constexpr int kMinutesPerDay = 1440;

int Number(std::string_view part, std::string_view whole) {
    if (part.empty()) throw std::invalid_argument("'" + std::string(whole) + "' is not a valid time");
    int value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') throw std::invalid_argument("'" + std::string(whole) + "' is not a valid time");
        value = value * 10 + (c - '0');
    }
    return value;
}

int ExtendedMinutes(std::string_view time) {
    return Number(Mid(time, 1, 2), time) * 60 + Number(Mid(time, 3, 2), time) + kMinutesPerDay;
}

std::string ClockText(int minutes) {
    char text[32];
    std::snprintf(text, sizeof text, "%2.2d%2.2d", minutes / 60, minutes % 60);
    return text;
}

}  // namespace

std::string ToExtendedClock(std::string_view time) {
    if (time.size() != 4) throw std::invalid_argument("'" + std::string(time) + "' is not a valid time");
    return ClockText(ExtendedMinutes(time));
}

std::string Adjust4DTime(const AgentContext& ctx, std::string_view time, std::string_view sign, int minutes) {
    int m = ExtendedMinutes(time);
    if (sign == "-")
        m -= minutes;
    else if (sign == "+")
        m += minutes;
    std::string result = ClockText(m);
    if (ctx.settings.options.ATA_Details > 0) ctx.log.WriteLog("Adjust4DTime=" + result);
    return result;
}

}  // namespace kx
