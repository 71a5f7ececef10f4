#include "schedule/reprocess_these_staff.h"

#include <chrono>
#include <optional>
#include <vector>

#include "assembly/sys_param.h"
#include "db/database.h"
#include "db/query_access.h"
#include "db/run_sql.h"
#include "db/sql_quote.h"
#include "schedule/batch_staff_day.h"
#include "schedule/batch_staff_rows.h"
#include "schedule/batch_tally.h"
#include "schedule/outage_recovery.h"

namespace kx {

using db::SqlQuote;

ClockingWindow ClockingWindowSince(LocalTime since, LocalTime now) {
    ClockingWindow window{TimeText(since) + "00", TimeText(now) + "00"};
    if (window.from > window.to) window.from = "000000";
    return window;
}

std::string StaffSelect(bool all, const std::string& date, const ClockingWindow& window, bool basedOnStaffNumber) {
    std::string sql = "select * from cards c, kt_cdext x where  c.staff_number=x.staff_number";
    if (all) return sql;
    sql += basedOnStaffNumber ? "  and c.staff_number in (select staff_number from trans_r where tr_date='"
                              : "  and c.card_number in (select tr_data from trans_r where tr_date='";
    sql += SqlQuote(date) + "'" + " and tr_time >=" + "'" + SqlQuote(window.from) + "'" + " and tr_time <=" + "'" +
           SqlQuote(window.to) + "'" + ")";
    return sql;
}

void ReprocessTheseStaff(AgentContext& ctx, bool all, LocalTime date) {
    const LocalTime now = ctx.clock.Now();
    const int interval = ctx.settings.reprocessing.ReprocessIntervalMin;
    ReprocessTheseStaff(ctx, all, date, ClockingWindowSince(now - std::chrono::minutes{interval}, now));
}

void ReprocessTheseStaff(AgentContext& ctx, bool all, LocalTime date, const ClockingWindow& window) {
    db::Database& database = db::ContextDatabase(ctx);

    ctx.log.WriteDetail(kDetailImportant, "ReprocessTheseStaff: started.");
    // A Stop pressed during an earlier batch ended that batch, not this one.
    ctx.flags.stop = false;
    BatchTally tally(ctx, all ? "Daily reprocessing" : "Interval reprocessing");
    OutageRecovery recovery(ctx, database, tally, all ? "Daily reprocessing" : "Interval reprocessing");
    if (!recovery.Read("the system parameters", [&] { GetSysParam(ctx, ctx.templateRec); })) return;
    const TAT_Emp batchTemplate = ctx.templateRec;
    const std::string d = DateText(date);

    const std::string sql = StaffSelect(all, d, window, ctx.settings.reprocessing.BasedOnStaffNumber);
    if (!recovery.Read(d, [&] { db::RunSQL(ctx.log, database.AutoPOnlyQuery, sql, true); })) return;
    if (!all) ctx.log.WriteDetail(kDetailImportant, sql);
    const std::vector<BatchStaffRow> rows = TakeStaffRows(database.AutoPOnlyQuery);
    const int count = static_cast<int>(rows.size());

    const std::string summary =
        "ReprocessTheseStaff: " + std::to_string(count) + " to be processed. ALL=" + BoolText(all) + " Date=" + d;
    ctx.log.WriteLog(summary);
    ctx.log.WriteRPLog(summary);

    std::optional<db::Database::Batch> batch;
    if (!recovery.BeginBatch(batch)) return;
    for (int i = 1; i <= count; ++i) {
        const BatchStaffRow& row = rows[static_cast<std::size_t>(i - 1)];
        const std::string number = std::to_string(i);
        ctx.log.WriteRPLog("AutoRP " + number + " : stf=" + row.staffNumber);
        ctx.host->ProcessEvents();
        if (ctx.flags.stop) break;
        if (row.exempted == "Y") ctx.log.WriteLog("Exempted : " + row.staffNumber);
        ctx.host->SetGradBar(i * 100 / count);
        tally.Processed();
        if (!recovery.Step(row.staffNumber, d,
                           [&ctx, &batchTemplate, &row, &d] { ReprocessBatchStaffDay(ctx, batchTemplate, row, d); }) ||
            !recovery.CommitIfDue())
            break;
        ctx.log.WriteRPLog("AutoRP " + number + " End : stf=" + row.staffNumber);
    }
    if (recovery.CommitNow()) batch->End();
    ctx.host->SetGradBar(0);

    db::RunSQL(ctx.log, database.CommonQuery, "select count(*) from kt_attnd where at_date='" + SqlQuote(d) + "'",
               true);
    ctx.log.WriteRPLog("KT_attnd.RecordCount for " + d + "=" + database.CommonQuery.Field(0));
    ctx.log.WriteDetail(kDetailImportant, "ReprocessTheseStaff ended.");
}

}  // namespace kx
