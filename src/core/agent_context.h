#pragma once
#include <filesystem>

#include "core/agent_host.h"
#include "core/auto_fit_list.h"
#include "core/clock.h"
#include "core/derived_values.h"
#include "core/intern_text.h"
#include "core/job_display_table.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "core/trace.h"

namespace kx {
namespace db {
class Database;
}

// The process-wide state of the agent in one object, created by start-up and
// passed by reference to every operation. Tests build their own.
struct AgentContext {
    AgentContext(std::filesystem::path homeDir, const Clock& c) : home(std::move(homeDir)), clock(c), log(home, c) {}

    std::filesystem::path home;  // plays "beside the program"
    const Clock& clock;
    Log log;
    Settings settings;
    DerivedValues derived;
    AgentFlags flags;
    InternArray internArray;
    JobDisplayTable jobDisplay;
    db::Database* db = nullptr;    // owned by whoever opened it
    AgentHost* host = &quietHost;  // the shell's window, event loop and mailbox
    AgentHost quietHost;

    TAT_Emp templateRec;  // system parameters and the card data of the staff member of a batch
    TAT_Emp workRec;      // the staff-day being assembled and computed
    TAT_Attend attend;    // the result of the staff-day
    StaffDayValues staffDay;
    AFRecList afRecList;        // auto-fit patterns, loaded at start-up when AutoFit is on
    bool sundayOffDay = false;  // the last date IsOffDay tested was an off day on a Sunday
    StaffDayTrace trace;        // the decisions of a staff-day, told only to an account of the day
};

}  // namespace kx
