#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// Collects the staff-day's clockings into record.RawData (after setting StaffNo
// and AtDate): an edited attendance row of kt_atdedit replaces everything when
// [Options] AttendEdit is on; otherwise the door or clock transactions of the
// three-date window by data source (ctx.staffDay.DataSource) and integration
// mode, then the kt_tmclk supplement of the integrated modes. An empty card is
// looked up in cards. True when any clock or edit row was read. Failures are
// logged as "<GetRawData>:"; what was gathered stays and the result so far is
// returned. Sets ctx.staffDay.FromClock on the door path and
// ctx.staffDay.ClockReason in TESSEL mode with [Tessel] ClockReason.
bool GetRawData(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& staff,
                const std::string& card);

// The extended identification number supplement of TESSEL mode with
// [Options] ExtendedIDNo: door transactions of the window by that number,
// appended after what GetRawData gathered. True when rows were read.
// Failures are logged as "<GetIDNoRawData>:".
bool GetIDNoRawData(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& staff,
                    const std::string& card);

// Appends one clocking: TrTime is the first four characters of time; InOut is
// the first character of code unless that is "0" or "9", then "I" for code
// exactly "0" and "O" otherwise. A clocking with an empty code, or whose time
// does not begin with four digits, is not added ("<AddOneRawData>" logged).
void AddOneRawData(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& time,
                   const std::string& code, const std::string& jobCode, const std::string& edited);

// The date a time of the staff-day counts on: the day after date when time is
// earlier than record.SysIn (text order), else date. std::invalid_argument when
// the day after is needed and date cannot be decoded.
std::string CheckNextDay(const std::string& date, const std::string& time, const TAT_Emp& record);

// The trimmed reason_string of a clock_reasons row, empty when there is none.
// Failures are logged as "<GetClockReason>:" and give the empty text.
std::string GetClockReason(AgentContext& ctx, const std::string& reasonNo);

}  // namespace kx
