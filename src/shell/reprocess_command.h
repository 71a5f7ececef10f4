#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "engine/stored_attend_row.h"
#include "shell/one_shot_agent.h"

namespace kx {

struct ReprocessRequest {
    std::string first;     // yyyymmdd
    std::string last;      // yyyymmdd
    std::string staffSql;  // empty: every staff member with a kt_cdext row
    std::string source;    // "T" or "D"; empty: the data source of kt_sys
    bool dryRun = false;
};

// The outcome of one staff-day of the run.
struct StaffDayChange {
    std::string staff;
    std::string date;
    std::vector<AttendFieldChange> changes;
    bool newRow = false;  // the staff-day had no row before
};

struct ReprocessSummary {
    long long done = 0;  // handed to reprocessing, failed ones included
    long long unchanged = 0;
    std::vector<StaffDayChange> changed;
    std::vector<StaffDayChange> failed;  // without changes
};

// kx-ata --reprocess FIRST LAST: the range run of a "TRP" request (card
// validity, exempted staff and the one-batch rule, against nothing else in this
// process), with a progress line on a terminal (`progress` true) and a summary
// at the end; with dryRun it runs inside a database preview that is rolled
// back, so the database is left exactly as it was.
// Exit status: 0 done; 1 the database cannot be opened; 2 bad arguments (a date
// that is not a date, a source other than T or D, a staff select that could
// write or does not run); 3 some staff-days failed (they are listed).
int RunReprocessCommand(OneShotAgent& agent, const ReprocessRequest& request, std::ostream& out, std::ostream& err,
                        bool progress);

// The summary as printed: counts, then one line per changed staff-day giving
// each changed column old -> new, then the failed staff-days.
std::string ReprocessSummaryText(const ReprocessRequest& request, const ReprocessSummary& summary);

}  // namespace kx
