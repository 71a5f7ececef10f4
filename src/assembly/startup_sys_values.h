#pragma once
#include <string>
#include <string_view>

#include "core/agent_context.h"

namespace kx {

// The off-day list of a kt_sys.offdays text: the position (from 1) of every "X", in decimal.
std::string OffDayListOf(std::string_view offdays);
// Weekday off days are switched off when the list holds the digit 8.
bool OffDaysDisabledBy(std::string_view offDayList);
// "D" when the trimmed kt_sys.datasource is "1", otherwise "T".
std::string StartupDataSourceOf(std::string_view datasource);

// Start-up read of kt_sys ("select break_select,offdays,datasource from kt_sys",
// on CommonQuery). With a row, sets ctx.derived.breakPattern, offDayList,
// offDaysDisabled and startupDataSource, and the process-wide data source
// ctx.staffDay.DataSource; without one they all keep their values. Answers
// whether a row was found. Failures (DbError) are left to the start-up sequence.
bool LoadStartupSysValues(AgentContext& ctx);

}  // namespace kx
