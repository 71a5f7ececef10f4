#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "core/trace.h"
#include "engine/stored_attend_row.h"
#include "shell/one_shot_agent.h"

namespace kx {

// The account of one staff-day: the decisions the computation took, in the
// order it took them, and the row it would save beside the row stored now.
struct DayAccount {
    std::string staff;
    std::string date;
    std::vector<TraceEvent> events;
    StoredAttendRow storedNow;
    StoredAttendRow wouldSave;
};

// kx-ata --explain STAFF DATE: reprocesses the staff-day through the range
// run's own code (the staff member's cards and kt_cdext rows, the data source
// of kt_sys, the flexible-hours flag and card validity as a range run takes
// them) inside a database preview that is rolled back, so nothing is written,
// and prints the account as text or as one JSON document.
// Exit status: 0 explained; 1 the database cannot be opened; 2 a date that is
// not a date; 3 the day cannot be explained (unknown staff member, an exempted
// one, a date outside the card's validity or still to come, a failure).
int RunExplainDay(OneShotAgent& agent, const std::string& staff, const std::string& date, bool json, std::ostream& out,
                  std::ostream& err);

// Whether a text is a "yyyymmdd" calendar date.
bool IsDateText(const std::string& text);

// The account as a person reads it, and as JSON for front ends.
std::string DayAccountText(const DayAccount& account);
std::string DayAccountJson(const DayAccount& account);

}  // namespace kx
