#include "schedule/auto_process.h"

#include <chrono>
#include <exception>
#include <optional>
#include <vector>

#include "assembly/clock_date_window.h"
#include "assembly/sys_param.h"
#include "core/text.h"
#include "db/database.h"
#include "db/query_access.h"
#include "db/run_sql.h"
#include "db/sql_quote.h"
#include "schedule/batch_staff_day.h"
#include "schedule/batch_staff_rows.h"
#include "schedule/batch_tally.h"
#include "schedule/outage_recovery.h"

namespace kx {
namespace {

constexpr const char* kProcessTodayOnly = "29991231";

// The staff members without an attendance row on the date. The staff number is
// qualified: cards and kt_cdext both have one.
std::string StaffWithoutRowSelect(const std::string& date) {
    return "select * from cards c, kt_cdext x where  c.staff_number=x.staff_number and not (c.staff_number in ( "
           "select staff_number from kt_attnd where at_date='" +
           db::SqlQuote(date) + "'" + ") )";
}

std::string DayMonthYear(const std::string& date) {
    return Mid(date, 7, 2) + "/" + Mid(date, 5, 2) + "/" + Mid(date, 1, 4);
}

}  // namespace

LocalTime AutoProcessBase(const std::string& lastAAPDate, LocalTime now) {
    if (lastAAPDate == kProcessTodayOnly) return now - std::chrono::days{1};
    return std::chrono::local_days{DecodeDateText(lastAAPDate)};
}

long long AutoProcessDays(LocalTime base, LocalTime now) {
    return std::chrono::duration_cast<std::chrono::days>(now - base).count();
}

int AutoProcessProgress(long long n, long long days, long long r, long long rows) {
    const long long p = ((n - 1) * rows + r) * 100 / (days * rows);
    return p == 0 ? 999 : static_cast<int>(p);
}

void AutoProcess(AgentContext& ctx) {
    if (!ctx.settings.options.AutoProcess) return;
    try {
        db::Database& database = db::ContextDatabase(ctx);

        ctx.log.WriteDetail(kDetailSteps, "AutoProcess: started.");
        ctx.flags.stop = false;  // a Stop of an earlier batch ended that batch only
        BatchTally tally(ctx, "Auto-process");
        OutageRecovery recovery(ctx, database, tally, "Auto-process");
        if (!recovery.Read("the system parameters", [&] { GetSysParam(ctx, ctx.templateRec); })) return;
        const TAT_Emp batchTemplate = ctx.templateRec;

        const LocalTime now = ctx.clock.Now();
        const LocalTime base = AutoProcessBase(ctx.derived.lastAAPDate, now);
        const long long days = AutoProcessDays(base, now);
        if (days <= 0) {
            ctx.log.WriteDetail(kDetailSteps, "Already processed.");
            return;
        }

        // The date recorded at the end is the last day processed, which is today
        // unless the run went on past midnight.
        std::string lastDate;
        std::optional<db::Database::Batch> batch;
        if (!recovery.BeginBatch(batch)) return;
        for (long long n = 1; n <= days && !ctx.flags.stop && !recovery.Abandoned(); ++n) {
            const std::string date = DateText(base + std::chrono::days{n});
            if (!recovery.Read(date,
                               [&] { db::RunSQL(ctx.log, database.AutoAPQuery, StaffWithoutRowSelect(date), true); }))
                break;
            lastDate = date;
            const std::vector<BatchStaffRow> rows = TakeStaffRows(database.AutoAPQuery);
            const long long count = static_cast<long long>(rows.size());
            for (long long r = 1; r <= count; ++r) {
                ctx.host->ProcessEvents();
                if (ctx.flags.stop) break;
                const BatchStaffRow& row = rows[static_cast<std::size_t>(r - 1)];
                ctx.host->SetGradBar(AutoProcessProgress(n, days, r, count));
                ctx.host->MemoAdd("Auto-Process " + row.staffNumber + " on " + DayMonthYear(date));
                tally.Processed();
                // Copies: this day's rows are gone when a later outage redoes the step.
                if (!recovery.Step(
                        row.staffNumber, date,
                        [&ctx, &batchTemplate, row, date] { ReprocessBatchStaffDay(ctx, batchTemplate, row, date); }) ||
                    !recovery.CommitIfDue())
                    break;
            }
        }
        if (recovery.CommitNow()) batch->End();

        if (recovery.Abandoned()) {
            // The days not done stay without their rows: the next start processes them.
            ctx.log.WriteDetail(kDetailSteps, "Auto-process ended by the database.");
        } else if (ctx.flags.stop) {
            ctx.log.WriteDetail(kDetailSteps, "User Interrupted.");
        } else {
            db::WriteKTINI(ctx, "Attend", "LastAAPDate", lastDate);
            ctx.log.WriteDetail(kDetailSteps, "Auto-Processed End.");
        }
        ctx.host->SetGradBar(0);
        ctx.flags.stop = false;
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<Timer3Timer>" + std::string(e.what()));
    }
}

void AutoProcessTick(AgentContext& ctx, BatchControl& control) {
    if (!ctx.settings.options.AutoProcess) return;
    BatchGuard guard(control, BatchKind::AutoProcess);
    if (!guard.Entered()) return;
    AutoProcess(ctx);
}

}  // namespace kx
