#include "assembly/clocking_positions.h"

#include <algorithm>
#include <array>

#include "core/blank_times.h"
#include "core/text.h"

namespace kx {
namespace {

constexpr const char* kNoFirstInYet = "9999";

}  // namespace

DayInOutTimes FirstInLastOutOfDay(const std::vector<TCD_Source>& rawData, const std::string& date) {
    DayInOutTimes filo{kNoFirstInYet, kBlankTime};
    for (const TCD_Source& c : rawData) {
        if (c.TrDate != date) continue;
        if (c.InOut == "I" && c.TrTime < filo.firstIn)
            filo.firstIn = c.TrTime;
        else if (c.InOut == "O" && c.TrTime > filo.lastOut)
            filo.lastOut = c.TrTime;
    }
    if (filo.firstIn == kNoFirstInYet) filo.firstIn = kBlankTime;
    return filo;
}

void LayOutClockingsByPosition(const std::vector<TCD_Source>& rawData, const std::string& date,
                               const std::string& cutOffTime, TAT_Attend& attend) {
    std::vector<std::string> stamps;
    for (const TCD_Source& c : rawData) {
        const bool belongs = c.TrDate == date ? c.TrTime >= cutOffTime : c.TrTime <= cutOffTime;
        if (belongs) stamps.push_back(c.TrDate + c.TrTime);
    }
    std::sort(stamps.begin(), stamps.end());

    const std::array<std::string*, 8> positions{&attend.In,      &attend.B1Out, &attend.B1In, &attend.Out_Meal,
                                                &attend.In_Meal, &attend.B2Out, &attend.B2In, &attend.Out};
    for (std::size_t i = 0; i < positions.size(); ++i)
        *positions[i] = i < stamps.size() ? Mid(stamps[i], 9, 4) : kBlankTime;
}

}  // namespace kx
