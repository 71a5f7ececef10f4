#include "shell/reprocess_command.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <ostream>
#include <sstream>

#include "core/mailbox_protocol.h"
#include "schedule/range_reprocessing.h"
#include "shell/explain_day.h"
#include "shell/kx_ata_program.h"

namespace kx {
namespace {

const std::string kEveryStaffMember =
    "select * from cards c, kt_cdext x where c.staff_number=x.staff_number order by c.staff_number";

// Compares each staff-day's row before and after, and shows the progress.
class SummaryObserver final : public RangeObserver {
public:
    SummaryObserver(AgentContext& ctx, db::Database& db, ReprocessSummary& summary, std::ostream& err, bool progress)
        : ctx_(ctx), db_(db), summary_(summary), err_(err), progress_(progress) {}
    ~SummaryObserver() override { EndProgress(); }

    void Planned(long long total) override { total_ = total; }
    void RunFailed(const std::string& error) override { failure = error; }
    std::string failure;
    void BeforeStaffDay(const std::string& staff, const std::string& date) override {
        before_ = ReadStoredAttendRow(db_, staff, date);
        failuresBefore_ = ctx_.flags.staffDayFailures;
        failedUnitsBefore_ = db_.FailedUnits();
    }
    void AfterStaffDay(const std::string& staff, const std::string& date, long long done) override {
        // Read first: on a server it also brings in the outcome of the row written without waiting.
        const StoredAttendRow after = ReadStoredAttendRow(db_, staff, date);
        ++summary_.done;
        StaffDayChange day{staff, date, ChangedAttendFields(before_, after), !before_.found && after.found};
        if (ctx_.flags.staffDayFailures != failuresBefore_ || db_.FailedUnits() != failedUnitsBefore_)
            summary_.failed.push_back(std::move(day));
        else if (day.changes.empty())
            ++summary_.unchanged;
        else
            summary_.changed.push_back(std::move(day));
        ShowProgress(done);
    }

private:
    using Clock = std::chrono::steady_clock;

    void ShowProgress(long long done) {
        if (!progress_) return;
        const auto now = Clock::now();
        if (done < total_ && now - shown_ < std::chrono::milliseconds(200)) return;
        shown_ = now;
        const double seconds = std::chrono::duration<double>(now - started_).count();
        const double rate = seconds > 0 ? done / seconds : 0;
        const long long left = rate > 0 ? static_cast<long long>((total_ - done) / rate + 0.5) : 0;
        char line[128];
        std::snprintf(line, sizeof line, "\r%lld of %lld staff-days, %.0f/s, %lld:%02lld left   ", done, total_, rate,
                      left / 60, left % 60);
        err_ << line << std::flush;
        lineShown_ = true;
    }
    void EndProgress() {
        if (lineShown_) err_ << "\n" << std::flush;
    }

    AgentContext& ctx_;
    db::Database& db_;
    ReprocessSummary& summary_;
    std::ostream& err_;
    bool progress_;
    long long total_ = 0;
    StoredAttendRow before_;
    long long failuresBefore_ = 0;
    std::uint64_t failedUnitsBefore_ = 0;
    Clock::time_point started_ = Clock::now();
    Clock::time_point shown_{};
    bool lineShown_ = false;
};

std::string Quoted(const std::string& value) { return "\"" + value + "\""; }

// A new row repeats the staff member's card fields; its computed ones tell the day.
bool IsCardColumn(const std::string& column) {
    for (const char* card :
         {"at_date", "staff_number", "card_number", "name", "sc_code", "br_code", "dp_code", "cp_code"})
        if (column == card) return true;
    return false;
}

bool Blank(const std::string& value) { return value.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::string ReprocessSummaryText(const ReprocessRequest& request, const ReprocessSummary& s) {
    std::ostringstream out;
    out << (request.dryRun ? "Preview of a reprocessing of " : "Reprocessed ") << request.first << " to "
        << request.last << (request.dryRun ? " (dry run: nothing was written)" : "") << "\n";
    out << "  staff-days done: " << s.done << ", failed: " << s.failed.size() << ", unchanged: " << s.unchanged
        << ", changed: " << s.changed.size() << "\n";
    for (const StaffDayChange& day : s.changed) {
        out << "  " << day.staff << " " << day.date << ":" << (day.newRow ? " new row," : "");
        const char* separator = " ";
        for (const AttendFieldChange& c : day.changes) {
            if (day.newRow) {
                if (IsCardColumn(c.column) || Blank(c.after)) continue;
                out << separator << c.column << " " << Quoted(c.after);
            } else {
                out << separator << c.column << " " << Quoted(c.before) << " \u2192 " << Quoted(c.after);
            }
            separator = ", ";
        }
        out << "\n";
    }
    if (!s.failed.empty()) {
        out << "Failed staff-days (the reasons are in KX_ATA.Log):\n";
        for (const StaffDayChange& day : s.failed) out << "  " << day.staff << " " << day.date << "\n";
    }
    return out.str();
}

int RunReprocessCommand(OneShotAgent& agent, const ReprocessRequest& request, std::ostream& out, std::ostream& err,
                        bool progress) {
    for (const std::string* date : {&request.first, &request.last})
        if (!IsDateText(*date)) {
            err << "kx-ata: '" << *date << "' is not a date (yyyymmdd)\n";
            return kExitUsage;
        }
    if (!request.source.empty() && request.source != "T" && request.source != "D") {
        err << "kx-ata: --source wants T or D\n";
        return kExitUsage;
    }
    if (!agent.StartOrTell(err)) return kExitStartupFailed;
    AgentContext& ctx = agent.Context();
    db::Database& db = agent.Database();
    const std::string staffSql = request.staffSql.empty() ? kEveryStaffMember : request.staffSql;
    try {
        db::ResultSet rows;
        db.RunReadOnly(staffSql, &rows);
    } catch (const std::exception& e) {
        err << "kx-ata: the staff select is refused: " << e.what() << "\n";
        return kExitUsage;
    }

    ReprocessSummary summary;
    std::string failure;
    try {
        SummaryObserver observer(ctx, db, summary, err, progress);
        OneShotBatchControl control;
        const std::string source = request.source.empty() ? ctx.staffDay.DataSource : request.source;
        const std::string trp = mailbox::RangeRequestText(source, request.first, request.last, staffSql);
        if (request.dryRun) {
            db::Database::Preview preview(db);
            RunRangeReprocessing(ctx, trp, control, &observer);
        } else {
            RunRangeReprocessing(ctx, trp, control, &observer);
        }
        failure = observer.failure;
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty()) {
        // Whatever was done before the failure is listed; with --dry-run none of it stays.
        out << ReprocessSummaryText(request, summary);
        err << "kx-ata: the run ended early, the database cannot be used: " << failure << "\n";
        return kExitStartupFailed;
    }
    out << ReprocessSummaryText(request, summary);
    return summary.failed.empty() ? 0 : kExitStaffDaysFailed;
}

}  // namespace kx
