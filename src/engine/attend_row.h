#pragma once
#include <string>
#include <string_view>

#include "core/log.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"

namespace kx {

// The staff name as a quoted SQL value: each single quote doubled, each double
// quote and backquote turned into a space.
std::string SafeStaffName(std::string_view name);

// The minute counts go into the attendance row bare, so each must be a whole
// number: one that is not (or is beyond what the column holds) is logged as
// "<SavetoAttendFile>" + field + "=[" + text + "] is not a number; 0 used" and
// becomes "0"; the others are rewritten in plain decimal.
void SettleMinuteCounts(const Log& log, TAT_Attend& attend);

// What travels into the row besides the two records.
struct AttendRowTexts {
    std::string remark;      // quotes already doubled
    std::string approval;    // OT_Approved of otsap, or empty
    std::string approvedBy;  // OT_Approved_By of otsap, or empty
    std::string preOT;       // pre-overtime text, or empty
};

std::string AttendDeleteSql(const TAT_Attend& attend);
// The 43 values of the kt_attnd row in column order.
std::string AttendInsertSql(const TAT_Attend& attend, const TAT_Emp& emp, const AttendRowTexts& texts);

}  // namespace kx
