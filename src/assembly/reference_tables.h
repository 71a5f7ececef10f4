#pragma once
#include <string>
#include <vector>

namespace kx {

// The tables a staff-day reads and no batch writes: the site's calendar, shifts,
// schedules, leave, formulas and card extensions. A batch may answer repeated
// selects on them from its read cache (Database::SetBatchReadTables). The
// clockings and the attendance rows are never among them: they change under a
// running batch and must be read afresh.
inline const std::vector<std::string>& ReferenceTables() {
    static const std::vector<std::string> tables = {
        "holdate",      "kt_sys",   "kt_shift", "kt_sfgrp",      "kt_ssche",   "kt_leave",
        "kt_leavetype", "kt_formu", "kt_cdext", "clock_reasons", "department", "kt_afchi",
    };
    return tables;
}

}  // namespace kx
