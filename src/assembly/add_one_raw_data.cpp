#include "assembly/raw_data.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "assembly/clock_date_window.h"
#include "core/text.h"

namespace kx {
namespace {

std::string InOutOf(const std::string& code) {
    if (code.empty()) throw std::invalid_argument("empty clocking code");
    const char first = code.front();
    if (first != '0' && first != '9') return std::string(1, first);
    return code == "0" ? "I" : "O";
}

// A clocking's hours and minutes; the computation compares them as text, so
// anything but four digits would sort among real times and be chosen.
std::string ClockingTime(const std::string& time) {
    std::string hhmm = Mid(time, 1, 4);
    if (hhmm.size() != 4 || !std::all_of(hhmm.begin(), hhmm.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw std::invalid_argument("'" + time + "' is not a valid clocking time");
    return hhmm;
}

}  // namespace

void AddOneRawData(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& time,
                   const std::string& code, const std::string& jobCode, const std::string& edited) {
    try {
        TCD_Source item;
        item.InOut = InOutOf(code);
        item.TrDate = date;
        item.TrTime = ClockingTime(time);
        item.JobCode = jobCode;
        item.Edited = edited;
        ctx.log.WriteDetail(kDetailSteps,
                            "    AddOneRawData: " + date + " " + time + " " + code + " " + jobCode + " " + edited);
        record.RawData.push_back(std::move(item));
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<AddOneRawData>") + e.what());
    }
}

std::string CheckNextDay(const std::string& date, const std::string& time, const TAT_Emp& record) {
    return time < record.SysIn ? NextDateText(date) : date;
}

}  // namespace kx
