#include "assembly/clock_date_window.h"

#include <stdexcept>

#include "core/clock.h"
#include "core/text.h"

namespace kx {
namespace {

std::invalid_argument NotADate(std::string_view text) {
    return std::invalid_argument("'" + std::string(text) + "' is not a valid date");
}

int DigitsValue(std::string_view text, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

std::string ShiftedDateText(std::string_view date, std::chrono::days by) {
    return DateText(std::chrono::year_month_day{std::chrono::sys_days{DecodeDateText(date)} + by});
}

}  // namespace

std::chrono::year_month_day DecodeDateText(std::string_view text) {
    if (text.size() != 8) throw NotADate(text);
    for (char c : text)
        if (c < '0' || c > '9') throw NotADate(text);
    const std::chrono::year_month_day date{std::chrono::year{DigitsValue(text, 0, 4)},
                                           std::chrono::month{static_cast<unsigned>(DigitsValue(text, 4, 2))},
                                           std::chrono::day{static_cast<unsigned>(DigitsValue(text, 6, 2))}};
    if (!date.ok()) throw NotADate(text);
    return date;
}

std::string NextDateText(std::string_view date) { return ShiftedDateText(date, std::chrono::days{1}); }

std::string PreviousDateText(std::string_view date) { return ShiftedDateText(date, std::chrono::days{-1}); }

bool WindowReachesPreviousDay(std::string_view sysIn) { return sysIn <= std::string_view("0059"); }

ClockDates ClockDateWindow(std::string_view date, std::string_view sysIn) {
    ClockDates dates;
    dates.D = DateText(DecodeDateText(date));
    dates.N = NextDateText(date);
    dates.P = WindowReachesPreviousDay(sysIn) ? PreviousDateText(date) : dates.D;
    return dates;
}

ClockDates StaffDayClockDates(const Log& log, std::string_view date, std::string_view sysIn) {
    try {
        return ClockDateWindow(date, sysIn);
    } catch (const std::exception& e) {
        log.WriteLog(std::string("<GetRawData.encodedate>:") + e.what());
        return {std::string(date), std::string(date), std::string(date)};
    }
}

ClockDates InTranYearForm(const ClockDates& dates, int tranYearDigits) {
    if (tranYearDigits == 4) return dates;
    return {Mid(dates.D, 3, 6), Mid(dates.N, 3, 6), Mid(dates.P, 3, 6)};
}

std::string WidenTransDate(std::string_view trDate) {
    std::string date = Trim(trDate);
    if (date.size() == 6) date.insert(0, Mid(date, 1, 2) < "90" ? "20" : "19");
    return date;
}

}  // namespace kx
