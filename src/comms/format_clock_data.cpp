#include "comms/format_clock_data.h"

#include <exception>

#include "assembly/sys_param.h"
#include "assembly/template_record_keeper.h"
#include "assembly/turbo_reprocess.h"
#include "comms/clock_record.h"
#include "comms/command_buffers.h"
#include "comms/fep_frames.h"
#include "comms/get_name_dep.h"
#include "core/text.h"
#include "db/query_access.h"
#include "db/run_sql.h"
#include "db/sql_quote.h"

namespace kx {

namespace {

constexpr std::size_t kMinRecordLength = 22;

// The attendance server recomputes the clocked staff-day at once and tells the
// message server to refresh.
void ReprocessClockedDay(AgentContext& ctx, const std::string& record, const std::string& card, const NameDep& holder,
                         CommandBuffers& buffers) {
    if (ctx.settings.options.ATA_Details > 0)
        ctx.log.WriteLog("<FormatClockData>: On-the-fly.Reprocess=" + Mid(record, 4, 6));
    if (Trim(holder.staff).empty()) {
        ctx.log.WriteLog("FormatClockData: Can not locate Staff#, no reprocessing.");
        return;
    }
    // A batch that let this run between its staff-days finds its own template again.
    TemplateRecordKeeper keeper(ctx);
    TAT_Emp& t = ctx.templateRec;
    GetSysParam(ctx, t);

    db::Query& query = db::ContextDatabase(ctx).Common3Query;
    const std::string sql =
        "select * from cards c, kt_cdext x where c.staff_number=x.staff_number and "
        "c.staff_number='" +
        db::SqlQuote(holder.staff) + "'";
    if (db::RunSQL(ctx.log, query, sql, true)) {
        if (query.FieldByName("exempted") == "Y") ctx.log.WriteLog("Exempted : " + holder.staff);
        t.Name = query.FieldByName("name");
        t.CardNo = query.FieldByName("card_number");
        t.ScCode = query.FieldByName("sc_code");
        t.BrCode = query.FieldByName("br_code");
        t.DpCode = query.FieldByName("dp_code");
        t.CpCode = query.FieldByName("cp_code");
        t.ProcessMode = query.FieldByName("ot_entitled") == "Y" ? "T" : "N";
        // The template may still hold the flag of the last staff member of a range run.
        if (ctx.settings.options.FlexibleWorkHour) t.FlexibleWorkHour = query.FieldByName("flexi_hour");
        query.Close();
        const std::string year = Mid(record, 4, 2);
        TurboReprocessAttend(ctx, CenturyOf(year) + Mid(record, 4, 6), holder.staff, ctx.staffDay.DataSource,
                             holder.otEntitled, holder.onShift, card);
        // Run between a batch's staff-days, the row joins the batch's transaction:
        // made durable now, an outage later in the batch cannot take it.
        db::ContextDatabase(ctx).CommitBatchNow();
    }
    InterModMsg(buffers, kRefreshMessage);
}

}  // namespace

std::string FormatClockData(AgentContext& ctx, std::string packet, CommandBuffers& buffers) {
    std::string result;
    const Log& log = ctx.log;
    const bool details = ctx.settings.options.ATA_Details > 0;
    try {
        if (details) log.WriteLog("FormatClockData:Data_src=[" + packet + "]");
        if (packet.size() < kMinRecordLength) {
            log.WriteLog("FormatClockData:Data length must be >= 22, Data_src=[" + packet + "]");
            return result;
        }
        const std::string record = NormaliseClockRecord(packet);
        const ClockRecordKind kind = ClassifyClockRecord(record, ctx.settings.options.DoorAccess2Clock);
        if (kind.bad) {
            if (details) log.WriteLog("FormatClockData:Data_err=true");
            if (!QuietlyRejected(record)) log.WriteLog("Invalid Raw Data :[" + record + "]");
            return result;
        }

        OnLineFields fields = ClockRecordFields(record, ctx.derived.cardZeroPrefix);
        const NameDep holder = GetNameDep(ctx, fields.card);
        fields.name = holder.name;
        fields.activity = ctx.jobDisplay[kind.jobDisplayIndex];
        fields.department = holder.department;
        fields.staff = holder.staff;
        fields.photo = holder.photo;
        result = OnLineRecordText(fields);
        if (details) log.WriteLog("Data_src=[" + record + "]  OLRec=[" + result + "]");

        if (ctx.settings.server.ATServer) ReprocessClockedDay(ctx, record, fields.card, holder, buffers);
    } catch (const std::exception& e) {
        log.WriteLog(std::string("<FormatClockData>:") + e.what());
    }
    return result;
}

}  // namespace kx
