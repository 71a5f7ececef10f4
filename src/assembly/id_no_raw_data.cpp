#include <exception>

#include "assembly/clock_date_window.h"
#include "assembly/raw_data.h"
#include "assembly/raw_data_sql.h"
#include "core/text.h"
#include "db/query_access.h"

namespace kx {
namespace {

// IDs longer than ten characters are matched by their last ten.
std::string IdentificationNumber(const std::string& idNo, int extendedIdLength) {
    if (extendedIdLength < 11) return idNo;
    return Mid(idNo, static_cast<std::size_t>(extendedIdLength - 9), 10);
}

}  // namespace

bool GetIDNoRawData(AgentContext& ctx, TAT_Emp& record, const std::string& date, const std::string& staff,
                    const std::string& /*card*/) {
    bool found = false;
    try {
        const std::string& mode = ctx.derived.integrationMode;
        const Settings::Options& options = ctx.settings.options;
        ctx.log.WriteDetail(kDetailFine,
                            "  Integrated=[" + mode + "],  ExtendedIdNo=" + BoolText(options.ExtendedIDNo));
        if (mode != "TESSEL" || !options.ExtendedIDNo) return false;

        record.StaffNo = staff;
        record.AtDate = date;
        const bool details = options.ATA_Details > 0;
        if (details) ctx.log.WriteLog("GetIDNoRawData=" + staff + " " + date + " source=" + ctx.staffDay.DataSource);

        db::Database& database = db::ContextDatabase(ctx);
        db::Query& query = database.CommonQuery;
        const std::string idSql = ExtendedIDSQL(staff);
        if (details) ctx.log.WriteLog("GetIDNoRawDate=SQL1=" + idSql);
        db::OpenQuery(query, idSql);
        if (query.Eof()) {
            if (details)
                ctx.log.WriteLog("GetIDNoRawData - No such staff - " + staff + " DB=" + database.Name() +
                                 " AL=" + database.Alias());
            query.Close();
            return false;
        }
        const std::string idNumber = IdentificationNumber(query.FieldByName("ID_No"), options.ExtendedIDLength);
        query.Close();

        const ClockDates dates =
            InTranYearForm(StaffDayClockDates(ctx.log, date, record.SysIn), options.TranYearDigits);
        const std::string sql = TransRByCardSQL(dates, idNumber);
        if (details) ctx.log.WriteLog("SQL.add=" + sql);
        db::OpenQuery(query, sql);
        if (details)
            ctx.log.WriteLog("dt_s, dt2=" + dates.D + "," + dates.N +
                             " Trans_r/tmclk Cnt=" + std::to_string(query.RecordCount()) + " GetRawData SQL = " + sql);
        const bool any = !query.Eof();
        for (; !query.Eof(); query.Next())
            AddOneRawData(ctx, record, WidenTransDate(query.FieldByName("tr_date")), query.FieldByName("tr_time"),
                          query.FieldByName("tr_code"), "000", "");
        query.Close();
        found = any;
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<GetIDNoRawData>:") + e.what());
        if (ctx.db) ctx.db->CommonQuery.Close();
    }
    return found;
}

}  // namespace kx
