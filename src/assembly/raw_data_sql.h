#pragma once
#include <string>

#include "assembly/clock_date_window.h"

namespace kx {

// Statement texts of the raw clock data queries; every value is quoted.
std::string CardNumberSQL(const std::string& staff);
std::string AtdEditSQL(const std::string& staff, const std::string& date);
std::string TransCCountSQL(const std::string& card);
std::string TransRByStaffSQL(const ClockDates& dates, const std::string& staff);
std::string TransRByCardSQL(const ClockDates& dates, const std::string& card);
std::string TransCByCardSQL(const ClockDates& dates, const std::string& card);
std::string TmClkInOutSQL(const ClockDates& dates, const std::string& staff);
std::string TmClkInOnDateSQL(const std::string& date, const std::string& staff);
std::string TmClkAllSQL(const ClockDates& dates, const std::string& staff);
std::string ClockReasonSQL(const std::string& reasonNo);
std::string ExtendedIDSQL(const std::string& staff);

}  // namespace kx
