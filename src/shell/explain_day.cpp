#include "shell/explain_day.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <exception>
#include <ostream>
#include <sstream>

#include "assembly/clock_date_window.h"
#include "core/mailbox_protocol.h"
#include "core/text.h"
#include "db/sql_quote.h"
#include "schedule/range_reprocessing.h"
#include "shell/kx_ata_program.h"

namespace kx {
namespace {

// The steps of an account in the order a person reads them, with their headings.
struct StepHeading {
    const char* step;
    const char* heading;
};
constexpr StepHeading kSteps[] = {
    {"day", "The day"},
    {"shift", "The shift"},
    {"clockings", "Clockings read"},
    {"choice", "Which clocking is which"},
    {"lateness", "Lateness and early leaving"},
    {"work", "Working minutes"},
    {"overtime", "Overtime"},
    {"result", "Remark and status"},
};

class AccountSink final : public TraceSink {
public:
    explicit AccountSink(std::vector<TraceEvent>& events) : events_(events) {}
    void Record(TraceEvent event) override { events_.push_back(std::move(event)); }

private:
    std::vector<TraceEvent>& events_;
};

// Reads the row before and after the staff-day, inside the preview.
class ExplainObserver final : public RangeObserver {
public:
    ExplainObserver(db::Database& db, DayAccount& account) : db_(db), account_(account) {}
    void BeforeStaffDay(const std::string& staff, const std::string& date) override {
        account_.storedNow = ReadStoredAttendRow(db_, staff, date);
    }
    void AfterStaffDay(const std::string& staff, const std::string& date, long long) override {
        account_.wouldSave = ReadStoredAttendRow(db_, staff, date);
        ran = true;
    }
    void RunFailed(const std::string& error) override { failure = error; }
    bool ran = false;
    std::string failure;

private:
    db::Database& db_;
    DayAccount& account_;
};

struct StaffCard {
    bool found = false;
    bool hasExtension = false;
    std::string exempted;
    std::string start;
    std::string end;
};

StaffCard ReadStaffCard(db::Database& db, const std::string& staff) {
    StaffCard card;
    db::ResultSet rows;
    db.Run("select exempted, starting_date, expiry_date from cards where staff_number='" + db::SqlQuote(staff) + "'",
           &rows);
    if (rows.rowCount == 0) return card;
    card.found = true;
    card.exempted = rows.cells[0];
    card.start = rows.cells[1];
    card.end = rows.cells[2];
    db::ResultSet extension;
    db.Run("select staff_number from kt_cdext where staff_number='" + db::SqlQuote(staff) + "'", &extension);
    card.hasExtension = extension.rowCount > 0;
    return card;
}

std::string StaffSelect(const std::string& staff) {
    return "select * from cards c, kt_cdext x where c.staff_number=x.staff_number and c.staff_number='" +
           db::SqlQuote(staff) + "'";
}

// Why the range run handed the day to no reprocessing.
std::string WhyNotRun(const AgentContext& ctx, const StaffCard& card, const std::string& date) {
    if (Trim(card.exempted) == "Y")
        return "the staff member is exempted: a range run deletes his rows and computes none";
    if (date > DateText(ctx.clock.Now())) return "the date is still to come";
    if (ctx.settings.options.CheckStartExpiryDate)
        return "the date lies outside the card's validity (" + Trim(card.start) + " to " +
               (Trim(card.end).empty() ? std::string("no expiry") : Trim(card.end)) + ")";
    return "the range run did not reprocess it (see the main log)";
}

std::string Shown(const std::string& value) { return Trim(value).empty() ? "-" : value; }

std::string Column(const std::string& text, std::size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

void WriteRowTable(std::ostringstream& out, const DayAccount& a) {
    out << "\nThe row (kt_attnd)\n";
    if (!a.storedNow.found) out << "  No row is stored now; this one would be saved.\n";
    out << "    " << Column("column", 16) << Column("stored now", 22) << "would be saved\n";
    const StoredAttendRow& shape = a.wouldSave.found ? a.wouldSave : a.storedNow;
    for (const auto& [column, value] : shape.fields) {
        const std::string now = a.storedNow.found ? Shown(a.storedNow.Value(column)) : "(no row)";
        const std::string would = a.wouldSave.found ? Shown(a.wouldSave.Value(column)) : "(no row)";
        out << "  " << (now != would ? "* " : "  ") << Column(column, 16) << Column(now, 22) << would << "\n";
    }
    const std::size_t changed = ChangedAttendFields(a.storedNow, a.wouldSave).size();
    out << "  "
        << (changed == 0
                ? std::string("Nothing would change.")
                : std::to_string(changed) + (changed == 1 ? " column" : " columns") + " would change (marked *).")
        << "\n";
}

}  // namespace

bool IsDateText(const std::string& text) {
    if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    try {
        DecodeDateText(text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string DayAccountText(const DayAccount& a) {
    std::ostringstream out;
    const std::string day = Mid(a.date, 7, 2) + "/" + Mid(a.date, 5, 2) + "/" + Mid(a.date, 1, 4);
    out << "Staff " << a.staff << " on " << day << "\n";
    for (const TraceEvent& e : a.events)
        if (e.step == "staff") out << "  " << e.text << "\n";
    for (const StepHeading& s : kSteps) {
        bool headed = false;
        for (const TraceEvent& e : a.events) {
            if (e.step != s.step) continue;
            if (!headed) out << "\n" << s.heading << "\n";
            headed = true;
            out << "  " << e.text << "\n";
            // An event that ends in a colon is told by its values.
            if (!e.text.empty() && e.text.back() == ':')
                for (const auto& [name, value] : e.facts) out << "      " << Column(name, 16) << Shown(value) << "\n";
        }
    }
    WriteRowTable(out, a);
    return out.str();
}

std::string DayAccountJson(const DayAccount& a) {
    using Json = nlohmann::ordered_json;
    Json doc;
    doc["staff_number"] = a.staff;
    doc["date"] = a.date;
    Json steps = Json::array();
    for (const TraceEvent& e : a.events) {
        Json facts = Json::object();
        for (const auto& [name, value] : e.facts) facts[name] = value;
        steps.push_back(Json{{"step", e.step}, {"text", e.text}, {"facts", facts}});
    }
    doc["events"] = steps;
    const auto rowOf = [](const StoredAttendRow& row) {
        if (!row.found) return Json(nullptr);
        Json fields = Json::object();
        for (const auto& [column, value] : row.fields) fields[column] = value;
        return fields;
    };
    doc["stored_now"] = rowOf(a.storedNow);
    doc["would_save"] = rowOf(a.wouldSave);
    Json changes = Json::array();
    for (const AttendFieldChange& c : ChangedAttendFields(a.storedNow, a.wouldSave))
        changes.push_back(Json{{"column", c.column}, {"stored_now", c.before}, {"would_save", c.after}});
    doc["changes"] = changes;
    // Text from the database may be any bytes: shown, never a failure.
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

int RunExplainDay(OneShotAgent& agent, const std::string& staff, const std::string& date, bool json, std::ostream& out,
                  std::ostream& err) {
    if (!IsDateText(date)) {
        err << "kx-ata: '" << date << "' is not a date (yyyymmdd)\n";
        return kExitUsage;
    }
    if (!agent.StartOrTell(err)) return kExitStartupFailed;
    AgentContext& ctx = agent.Context();
    db::Database& db = agent.Database();
    DayAccount account;
    account.staff = staff;
    account.date = date;
    try {
        const StaffCard card = ReadStaffCard(db, staff);
        if (!card.found || !card.hasExtension) {
            err << "kx-ata: no staff member '" << staff << "' in " << (card.found ? "kt_cdext" : "cards") << "\n";
            return kExitStaffDaysFailed;
        }

        AccountSink sink(account.events);
        ExplainObserver observer(db, account);
        OneShotBatchControl control;
        const long long failuresBefore = ctx.flags.staffDayFailures;
        const std::uint64_t failedUnitsBefore = db.FailedUnits();
        {
            db::Database::Preview preview(db);
            ctx.trace.SetSink(&sink);
            const std::string request =
                mailbox::RangeRequestText(ctx.staffDay.DataSource, date, date, StaffSelect(staff));
            RunRangeReprocessing(ctx, request, control, &observer);
            ctx.trace.SetSink(nullptr);
        }
        if (!observer.failure.empty()) {
            err << "kx-ata: the database cannot be used: " << observer.failure << "\n";
            return kExitStartupFailed;
        }
        if (!observer.ran) {
            err << "kx-ata: staff " << staff << " on " << date << " cannot be explained: " << WhyNotRun(ctx, card, date)
                << "\n";
            return kExitStaffDaysFailed;
        }
        if (ctx.flags.staffDayFailures != failuresBefore || db.FailedUnits() != failedUnitsBefore) {
            err << "kx-ata: the staff-day failed; the reason is in " << (ctx.home / "KX_ATA.Log").string() << "\n";
            return kExitStaffDaysFailed;
        }
    } catch (const std::exception& e) {
        ctx.trace.SetSink(nullptr);
        err << "kx-ata: the database cannot be used: " << e.what() << "\n";
        return kExitStartupFailed;
    }
    out << (json ? DayAccountJson(account) : DayAccountText(account));
    return 0;
}

}  // namespace kx
