#include <exception>
#include <stdexcept>

#include "assembly/clock_date_window.h"
#include "assembly/edited_attendance.h"
#include "assembly/emp_record.h"
#include "assembly/raw_data.h"
#include "assembly/raw_data_sql.h"
#include "core/int_text.h"
#include "core/text.h"
#include "db/query_access.h"

namespace kx {
namespace {

// What the rows of the main query are and how each becomes a clocking.
enum class MainRows {
    Door,           // trans_r, door codes "0" / "9"
    DoorFromClock,  // trans_c read on the door path
    TimeClock,      // kt_tmclk
    NimbnetClock,   // trans_c with the job digit in tr_priority
    TesselClock,    // trans_c with job code and reason number in extra
    Ignored,        // an unknown data source letter: rows are read, none added
};

struct MainQuery {
    std::string sql;
    MainRows rows;
};

bool IsNimbnetOrTessel(const std::string& mode) { return mode == "NIMBNET" || mode == "TESSEL"; }

bool HasTimeClockSupplement(const AgentContext& ctx) {
    const std::string& source = ctx.staffDay.DataSource;
    const std::string& mode = ctx.derived.integrationMode;
    return (source == "D" || source == "T") && (IsNimbnetOrTessel(mode) || mode == "NIMBLAN");
}

// False when the staff member has no cards row.
bool LookUpCard(AgentContext& ctx, const std::string& staff, std::string& card) {
    db::Database& database = db::ContextDatabase(ctx);
    db::Query& query = database.CommonQuery;
    const std::string sql = CardNumberSQL(staff);
    ctx.log.WriteDetail(kDetailFine, "GetRawDate=SQL1=" + sql);
    db::OpenQuery(query, sql);
    if (query.Eof()) {
        ctx.log.WriteDetail(kDetailImportant, "GetRawData - No such staff - " + staff + " DB=" + database.Name() +
                                                  " AL=" + database.Alias());
        query.Close();
        return false;
    }
    card = query.FieldByName("Card_number");
    query.Close();
    return true;
}

bool CardHasClockTransactions(AgentContext& ctx, const std::string& card) {
    db::Query& query = db::ContextDatabase(ctx).Common2Query;
    db::OpenQuery(query, TransCCountSQL(card));
    bool found = false;
    if (!query.Eof()) {
        const std::string count = Trim(query.Field(0));
        if (!count.empty()) {
            const auto value = ParseIntegerText(count);
            if (!value) throw std::invalid_argument("'" + count + "' is not a valid integer value");
            found = *value > 0;
        }
    }
    query.Close();
    return found;
}

MainQuery DoorQuery(AgentContext& ctx, const ClockDates& dates, const ClockDates& tranDates, const std::string& staff,
                    const std::string& card) {
    const MainRows doorRows = ctx.staffDay.DataSource == "D" ? MainRows::Door : MainRows::Ignored;
    const std::string& dbType = ctx.settings.database.DBType;
    if (!dbType.empty() && (dbType.front() == 'P' || dbType.front() == 'p')) {
        ctx.log.WriteDetail(kDetailImportant, "    GetRawData - From Paradox - NimbLAN");
        return {TransRByStaffSQL(dates, staff), doorRows};
    }
    ctx.staffDay.FromClock = false;
    if (ctx.settings.options.FromClockIfExist) ctx.staffDay.FromClock = CardHasClockTransactions(ctx, card);
    if (ctx.staffDay.FromClock)
        return {TransCByCardSQL(tranDates, card), doorRows == MainRows::Door ? MainRows::DoorFromClock : doorRows};
    if (ctx.settings.reprocessing.BasedOnStaffNumber) return {TransRByStaffSQL(tranDates, staff), doorRows};
    return {TransRByCardSQL(tranDates, card), doorRows};
}

MainQuery ChooseMainQuery(AgentContext& ctx, const ClockDates& dates, const std::string& staff,
                          const std::string& card) {
    const ClockDates tranDates = InTranYearForm(dates, ctx.settings.options.TranYearDigits);
    if (ctx.staffDay.DataSource != "T") return DoorQuery(ctx, dates, tranDates, staff, card);

    const std::string& mode = ctx.derived.integrationMode;
    if (!IsNimbnetOrTessel(mode)) return {TmClkInOutSQL(dates, staff), MainRows::TimeClock};
    MainQuery main{TransCByCardSQL(tranDates, card), mode == "TESSEL" ? MainRows::TesselClock : MainRows::NimbnetClock};
    ctx.log.WriteDetail(kDetailSteps, "    Nimbnet/Tessel: Time CLock.SQL=" + main.sql);
    return main;
}

// Door rows of controllers outside [Options] SelectedControllers do not count.
bool ControllerSelected(AgentContext& ctx, const db::Query& row) {
    const std::string trDate = row.FieldByName("tr_date");
    ctx.log.WriteDetail(kDetailImportant, "GetRawData: SelectedCtrl dt,tm,crd,code=" + trDate + "," +
                                              row.FieldByName("tr_time") + "," + row.FieldByName("tr_data") + "," +
                                              row.FieldByName("tr_code"));
    const std::string& mode = ctx.derived.integrationMode;
    const std::string controller = mode == "NIMBNET"  ? row.FieldByName("fep_no")
                                   : mode == "TESSEL" ? row.FieldByName("el5k_no")
                                                      : std::string("01");
    const std::string device = row.FieldByName("dev_id");
    if (ctx.derived.selectedControllers.Contains(controller + device)) return true;
    ctx.log.WriteDetail(kDetailImportant, "Controller not selected:" + controller + "," + device + "," + trDate);
    return false;
}

std::string ClockInOutCode(const db::Query& row) { return row.FieldByName("tr_code") == ">" ? "9" : "0"; }

void AddTimeClockRow(AgentContext& ctx, TAT_Emp& record, const db::Query& row) {
    AddOneRawData(ctx, record, row.FieldByName("tc_date"), row.FieldByName("tc_time"), row.FieldByName("tran_code"),
                  row.FieldByName("Job_code"), row.FieldByName("Edited"));
}

void AddTesselClockRow(AgentContext& ctx, TAT_Emp& record, const db::Query& row) {
    const std::string extra = row.FieldByName("extra");
    AddOneRawData(ctx, record, WidenTransDate(row.FieldByName("tr_date")), Mid(row.FieldByName("tr_time"), 1, 4),
                  ClockInOutCode(row), Mid(extra, 2, 3), "");
    if (ctx.settings.tessel.ClockReason && extra != "0000")
        ctx.staffDay.ClockReason += " " + GetClockReason(ctx, extra);
}

void AddMainRow(AgentContext& ctx, TAT_Emp& record, const db::Query& row, MainRows rows) {
    switch (rows) {
    case MainRows::Door:
        // The selection names controllers, which only door rows carry.
        if (ctx.settings.options.SelectedControllersOnly && !ControllerSelected(ctx, row)) return;
        AddOneRawData(ctx, record, WidenTransDate(row.FieldByName("tr_date")), row.FieldByName("tr_time"),
                      row.FieldByName("tr_code"), "000", "");
        return;
    case MainRows::DoorFromClock:
    case MainRows::NimbnetClock:
        AddOneRawData(ctx, record, WidenTransDate(row.FieldByName("tr_date")), row.FieldByName("tr_time"),
                      ClockInOutCode(row), "0" + row.FieldByName("tr_priority"), "");
        return;
    case MainRows::TimeClock: AddTimeClockRow(ctx, record, row); return;
    case MainRows::TesselClock: AddTesselClockRow(ctx, record, row); return;
    case MainRows::Ignored: return;
    }
}

const char* TableOf(MainRows rows) {
    switch (rows) {
    case MainRows::Door:
    case MainRows::Ignored: return "trans_r";
    case MainRows::TimeClock: return "kt_tmclk";
    default: return "trans_c";
    }
}

// The clockings added since `from`, each with the table it was read from.
void TraceClockings(const AgentContext& ctx, const TAT_Emp& record, std::size_t from, const std::string& table) {
    for (std::size_t i = from; i < record.RawData.size(); ++i) {
        const TCD_Source& c = record.RawData[i];
        ctx.trace.Record("clockings",
                         "Read " + c.TrDate + " " + c.TrTime + " from " + table + " (code " + c.InOut + ", job " +
                             c.JobCode + (c.Edited == "Y" ? ", edited" : "") + ").",
                         {{"date", c.TrDate},
                          {"time", c.TrTime},
                          {"in_out", c.InOut},
                          {"job_code", c.JobCode},
                          {"table", table},
                          {"edited", c.Edited == "Y" ? "Y" : "N"}});
    }
}

// True when the main query returned rows.
bool ReadMainClockData(AgentContext& ctx, TAT_Emp& record, const ClockDates& dates, const std::string& staff,
                       const std::string& card) {
    const MainQuery main = ChooseMainQuery(ctx, dates, staff, card);
    db::Query& query = db::ContextDatabase(ctx).CommonQuery;
    ctx.log.WriteDetail(kDetailFine, "GetRawData.SQL.add=" + main.sql);
    db::OpenQuery(query, main.sql);
    ctx.log.WriteDetail(
        kDetailFine, "StfNo=" + staff + "," + record.AtDate + ": " + std::to_string(query.RecordCount()) + " records");
    if (ctx.settings.tessel.ClockReason) ctx.staffDay.ClockReason.clear();

    const bool any = !query.Eof();
    const std::size_t before = record.RawData.size();
    for (; !query.Eof(); query.Next()) AddMainRow(ctx, record, query, main.rows);
    query.Close();
    if (ctx.trace.On()) TraceClockings(ctx, record, before, TableOf(main.rows));
    return any;
}

// kt_tmclk beside the controllers' tables in the integrated modes. With
// ClockDataUserOverride an in-clocking on the day itself makes kt_tmclk the
// only source of the day.
void AddTimeClockSupplement(AgentContext& ctx, TAT_Emp& record, const ClockDates& dates, const std::string& staff,
                            bool& found) {
    db::Query& query = db::ContextDatabase(ctx).CommonQuery;
    if (ctx.settings.options.ClockDataUserOverride) {
        const std::string checkSql = TmClkInOnDateSQL(dates.D, staff);
        db::OpenQuery(query, checkSql);
        ctx.log.WriteDetail(kDetailFine, "ClockDataUserOverride-Check For In Rec:Door.TMCLK, rec count=" +
                                             std::to_string(query.RecordCount()) + "SQL=" + checkSql);
        if (query.Eof()) {
            query.Close();
            return;
        }
        const std::string sql = TmClkAllSQL(dates, staff);
        db::OpenQuery(query, sql);
        ctx.log.WriteDetail(kDetailSteps, "ClockDataUserOverride, Rec> 0:Door.TMCLK, rec count=" +
                                              std::to_string(query.RecordCount()) + "SQL=" + sql);
        ReleaseRawDataMem(ctx, record);
        for (; !query.Eof(); query.Next()) AddTimeClockRow(ctx, record, query);
        query.Close();
        if (ctx.trace.On()) {
            ctx.trace.Record("clockings",
                             "[Options] ClockDataUserOverride: an in-clocking in kt_tmclk on the day "
                             "makes kt_tmclk the only source; the clockings above are dropped.");
            TraceClockings(ctx, record, 0, "kt_tmclk");
        }
        found = true;
        return;
    }
    const std::string sql = TmClkInOutSQL(dates, staff);
    db::OpenQuery(query, sql);
    ctx.log.WriteDetail(kDetailSteps, "Door.TMCLK, rec count=" + std::to_string(query.RecordCount()) + "SQL=" + sql);
    if (!query.Eof()) found = true;
    const std::size_t before = record.RawData.size();
    for (; !query.Eof(); query.Next()) AddTimeClockRow(ctx, record, query);
    query.Close();
    if (ctx.trace.On()) TraceClockings(ctx, record, before, "kt_tmclk");
}

void CloseRawDataQueries(AgentContext& ctx) {
    if (!ctx.db) return;
    ctx.db->CommonQuery.Close();
    ctx.db->Common2Query.Close();
}

}  // namespace

bool GetRawData(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& staff,
                const std::string& card) {
    bool found = false;
    try {
        record.StaffNo = staff;
        record.AtDate = date;
        const bool attendEdit = ctx.settings.options.AttendEdit;
        ctx.log.WriteDetail(kDetailSteps, "  GetRawData: StfNo=" + staff + "  " + date + "  source=" +
                                              ctx.staffDay.DataSource + " AttendEdit=" + BoolText(attendEdit));

        if (attendEdit && AddEditedAttendance(ctx, record, date, staff)) {
            if (ctx.trace.On()) {
                ctx.trace.Record("clockings",
                                 "[Options] AttendEdit: the day has an edited attendance row; its times "
                                 "take the place of every clocking.");
                TraceClockings(ctx, record, 0, "the edited attendance row");
            }
            return true;
        }

        std::string cardNo = card;
        if (cardNo.empty() && !LookUpCard(ctx, staff, cardNo)) return false;

        const ClockDates dates = StaffDayClockDates(ctx.log, date, record.SysIn);
        if (ctx.trace.On())
            ctx.trace.Record("clockings",
                             "Clockings are read from " + dates.P + " to " + dates.N +
                                 "; the windows below decide which of them count for the day.",
                             {{"previous", dates.P}, {"date", dates.D}, {"next", dates.N}});
        found = ReadMainClockData(ctx, record, dates, staff, cardNo);
        if (HasTimeClockSupplement(ctx)) AddTimeClockSupplement(ctx, record, dates, staff, found);
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<GetRawData>:") + e.what());
        CloseRawDataQueries(ctx);
    }
    return found;
}

}  // namespace kx
