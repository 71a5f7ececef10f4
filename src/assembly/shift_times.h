#pragma once
#include <string>
#include <string_view>

#include "core/log.h"
#include "core/settings.h"
#include "core/tat_emp.h"
#include "db/database.h"

namespace kx {

// Loads the eight expected times of a kt_sys or kt_shift row (sys_in, sys_out,
// lunch_out, lunch_in, Break1_out, Break1_in, Break2_out, Break2_in) into the
// work, meal and break fields of the record, each with a window of 30 minutes
// either side. Fields are set in that order; a missing column throws, and a
// query without a row gives empty times (each with its "<AddtheRange>" line).
void LoadDayTimesWithWindows(const Log& log, const db::Query& row, TAT_Emp& rec);

// [Options] InWorkRangeOffsetMin then OutWorkRangeOffsetMin, "%4.4d" each.
std::string WorkRangeOffsetText(const Settings& settings);

// A minute count as stored, trimmed; "0" when that leaves nothing.
std::string MinutesOrZero(std::string_view stored);

}  // namespace kx
