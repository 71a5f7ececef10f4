#include "schedule/range_reprocessing.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>

#include "assembly/clock_date_window.h"
#include "assembly/sys_param.h"
#include "assembly/turbo_reprocess.h"
#include "core/clock.h"
#include "core/mailbox_protocol.h"
#include "core/text.h"
#include "db/query_access.h"
#include "db/run_sql.h"
#include "db/sql_quote.h"
#include "schedule/batch_staff_rows.h"
#include "schedule/batch_tally.h"
#include "schedule/outage_recovery.h"
#include "schedule/range_request.h"

namespace kx {
namespace {

using db::SqlQuote;

// Card validity, both ends inclusive, compared as yyyymmdd texts.
struct CardValidity {
    std::string start;
    std::string end;
    // A card without an expiry date does not expire: compared as is, every date
    // would lie after an empty end and the deletion would take all the rows.
    std::string EffectiveEnd() const { return Trim(end).empty() ? "99999999" : end; }
    bool Covers(const std::string& date) const { return !(date < start || date > EffectiveEnd()); }
};

// One range run: the request's letter and days, and the counters.
class RangeRun {
public:
    RangeRun(AgentContext& ctx, db::Database& db, BatchTally& tally, RangeObserver& observer)
        : ctx_(ctx), db_(db), tally_(tally), observer_(observer), recovery_(ctx, db, tally, "Range reprocessing") {}

    void Walk(const std::string& trpRequest) {
        ctx_.flags.stop = false;
        if (!recovery_.Read("the system parameters", [this] { GetSysParam(ctx_, ctx_.templateRec); })) return;

        const RangeRequest request = SplitRangeRequest(trpRequest);
        db::Query& rows = db_.TurboQuery;
        ctx_.log.WriteDetail(kDetailSteps, "Turbo SQL=" + request.staffSql);
        // The front end writes this text: it may read, nothing more.
        rows.SetSQL(request.staffSql);
        if (!recovery_.Read("the staff list", [&] { rows.OpenReadOnly(); })) return;
        if (rows.Eof()) {
            rows.Close();
            return;
        }

        dataSource_ = request.dataSource;
        range_ = PlanRangeDays(ctx_, request);
        total_ = rows.RecordCount() * range_.count;
        ctx_.log.WriteDetail(kDetailImportant, std::to_string(total_) + " records (days * staff) to be reprocessed.");
        done_ = 0;
        observer_.Planned(total_);

        const std::vector<BatchStaffRow> staff = TakeStaffRows(rows);
        rows.Close();
        std::optional<db::Database::Batch> batch;
        if (!recovery_.BeginBatch(batch)) return;
        for (const BatchStaffRow& row : staff) {
            if (!ReprocessStaff(row) || !recovery_.CommitIfDue()) return;
            if (ctx_.flags.stop) break;
        }
        if (recovery_.CommitNow()) batch->End();
    }

    bool Abandoned() const { return recovery_.Abandoned(); }
    const std::string& OutageError() const { return recovery_.LastError(); }

private:
    // False when the batch must end: the database did not come back from an outage.
    bool ReprocessStaff(const BatchStaffRow& row) {
        const Log& log = ctx_.log;
        const Settings::Options& options = ctx_.settings.options;
        if (row.exempted == "Y") {
            log.WriteLog("Exempted : " + row.staffNumber);
            tally_.Skipped(range_.count);
            return recovery_.Step(row.staffNumber, "", [this, &row] {
                db::RunSQL(ctx_.log, db_.Common2Query,
                           "delete from kt_attnd where staff_number='" + SqlQuote(row.staffNumber) + "'", false);
            });
        }

        // Members, not locals: after an outage the setup runs again from the recovery.
        const bool prepared = recovery_.Setup(row.staffNumber, [this, &row] {
            const Settings::Options& options = ctx_.settings.options;
            FillTemplateCard(ctx_.templateRec, row);
            ctx_.log.WriteDetail(kDetailSteps,
                                 std::string("CheckStartExpiryDate=") + BoolText(options.CheckStartExpiryDate));
            if (options.FlexibleWorkHour) LookUpFlexibleWorkHour(row.staffNumber);
            validity_ = CardValidity{};
            valid_ = !options.CheckStartExpiryDate || ReadCardValidity(row.staffNumber, validity_);
        });
        if (!prepared) return false;
        if (!valid_) return true;
        const CardValidity validity = validity_;

        for (long long n = 0; n < range_.count; ++n) {
            const std::chrono::year_month_day date{range_.first + std::chrono::days{n}};
            const std::string dateText = DateText(date);
            log.WriteDetail(kDetailSteps, std::string("CheckStartExpiryDate=") +
                                              BoolText(options.CheckStartExpiryDate) + "  " +
                                              "dts,Start,End=" + dateText + "," + validity.start + "," + validity.end);
            if (options.CheckStartExpiryDate && !validity.Covers(dateText)) {
                tally_.Skipped();
                if (!recovery_.Step(row.staffNumber, dateText, [this, &row, dateText, validity] {
                        DeleteRowsOutsideValidity(row.staffNumber, dateText, validity);
                    }))
                    return false;
                continue;
            }
            ++done_;
            if (ctx_.flags.stop) {
                log.WriteLog("Stopped manually by user.");
                break;
            }
            ShowProgress(row.staffNumber, date);
            ctx_.host->ProcessEvents();
            observer_.BeforeStaffDay(row.staffNumber, dateText);
            tally_.Processed();
            if (!recovery_.Step(row.staffNumber, dateText, [this, &row, dateText] {
                    TurboReprocessAttend(ctx_, dateText, row.staffNumber, dataSource_, row.otEntitled, row.onShift,
                                         row.cardNumber);
                }))
                return false;
            observer_.AfterStaffDay(row.staffNumber, dateText, done_);
            if (!recovery_.CommitIfDue()) return false;
        }
        return true;
    }

    // Without a row (or when the lookup fails) the template keeps its value.
    void LookUpFlexibleWorkHour(const std::string& staff) {
        db::Query& q = db_.Common2Query;
        if (!db::RunSQL(ctx_.log, q, "select flexi_hour from kt_cdext where staff_number='" + SqlQuote(staff) + "'",
                        true))
            return;
        ctx_.templateRec.FlexibleWorkHour = q.FieldByName("flexi_hour");
        ctx_.log.WriteDetail(kDetailImportant, "FlexibleWorkHour=" + ctx_.templateRec.FlexibleWorkHour);
    }

    // False when the staff member has no cards row (also when the lookup fails).
    bool ReadCardValidity(const std::string& staff, CardValidity& validity) {
        db::Query& q = db_.Common2Query;
        if (!db::RunSQL(ctx_.log, q, "select * from cards where staff_number='" + SqlQuote(staff) + "'", true)) {
            if (ctx_.settings.options.ATA_Details > 0) ctx_.log.WriteLog("<Timer4Timer>: " + staff + " not found");
            return false;
        }
        validity.start = q.FieldByName("starting_date");
        validity.end = q.FieldByName("expiry_date");
        ctx_.log.WriteDetail(kDetailSteps, "sStartdt,sEndDt=" + validity.start + "," + validity.end);
        return true;
    }

    void DeleteRowsOutsideValidity(const std::string& staff, const std::string& date, const CardValidity& validity) {
        const std::string sql = "delete from kt_attnd where staff_number= '" + SqlQuote(staff) + "'" +
                                "  and (at_date < " + "'" + SqlQuote(validity.start) + "'" + " or at_date>" + "'" +
                                SqlQuote(validity.EffectiveEnd()) + "'" + ")";
        db::RunSQL(ctx_.log, db_.Common2Query, sql, false);
        if (ctx_.settings.options.ATA_Details > 0) {
            ctx_.log.WriteLog("Timer4Timer : out of date range : stf,dts,start,end=" + staff + "," + date + "," +
                              validity.start + "," + validity.end);
            ctx_.log.WriteLog("Timer4Timer : " + sql);
        }
    }

    void ShowProgress(const std::string& staff, std::chrono::year_month_day date) {
        const long long percent = done_ * 100 / total_;
        ctx_.host->SetGradBar(percent == 0 ? 999 : static_cast<int>(percent));
        ctx_.host->SetApplicationTitle(RangeProgressTitle(done_, total_));
        ctx_.host->MemoAdd("Process " + staff + " on " + DayMonthYearText(date));
    }

    AgentContext& ctx_;
    db::Database& db_;
    BatchTally& tally_;
    RangeObserver& observer_;
    OutageRecovery recovery_;
    bool valid_ = true;
    CardValidity validity_;
    std::string dataSource_;
    RangeDays range_;
    long long total_ = 0;
    long long done_ = 0;
};

// Leaves the agent as it was before the run, whatever happened in it.
void FinishRange(AgentContext& ctx, BatchControl& control, const std::string& title) {
    ctx.host->SendMFThis(mailbox::kRfa);
    control.StartMailboxTimer();
    ctx.host->SetApplicationTitle(title);
    ctx.host->SetGradBar(0);
    ctx.flags.rangeBusy = false;
}

}  // namespace

std::string RangeProgressTitle(long long done, long long total) {
    const long long rounded = total > 0 ? (done * 200 + total) / (2 * total) : 0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%3lld %% Processed.", rounded);
    return buf;
}

bool RunRangeReprocessing(AgentContext& ctx, const std::string& trpRequest, BatchControl& control,
                          RangeObserver* observer) {
    RangeObserver unobserved;
    BatchGuard guard(control, BatchKind::Range);
    if (!guard.Entered()) {
        ctx.log.WriteDetail(kDetailSteps, "Turbo RP waits for the running batch.");
        return false;
    }

    ctx.flags.rangeBusy = true;
    control.StopMailboxTimer();
    const std::string title = ctx.host->ApplicationTitle();
    BatchTally tally(ctx, "Range reprocessing");
    try {
        RangeRun run(ctx, db::ContextDatabase(ctx), tally, observer ? *observer : unobserved);
        run.Walk(trpRequest);
        if (run.Abandoned() && observer)
            observer->RunFailed("the database did not come back (" + run.OutageError() + "); the range is not done");
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<TurboReprocess>") + e.what());
        if (ctx.db) ctx.db->TurboQuery.Close();
        if (observer) observer->RunFailed(e.what());
    } catch (...) {
        ctx.log.WriteLog("<TurboReprocess>unknown failure");
        if (ctx.db) ctx.db->TurboQuery.Close();
        if (observer) observer->RunFailed("unknown failure");
    }
    FinishRange(ctx, control, title);
    return true;
}

}  // namespace kx
