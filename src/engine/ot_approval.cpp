#include "engine/ot_approval.h"

#include <cstdio>

#include "core/int_text.h"
#include "core/text.h"
#include "db/database.h"
#include "db/query_access.h"
#include "db/run_sql.h"
#include "db/sql_quote.h"
#include "engine/attend_row.h"
#include "engine/get_desc.h"
#include "engine/row_replacement.h"

namespace kx {
namespace {

using db::SqlQuote;

std::string StaffDayCondition(const TAT_Attend& attend) {
    return " staff_number='" + SqlQuote(attend.StaffNo) + "'" + " and at_date=" + "'" + SqlQuote(attend.AtDate) + "'";
}

std::string SelectApproval(const TAT_Attend& attend) {
    return "select * from otsap where " + StaffDayCondition(attend);
}

std::string DeleteApproval(const TAT_Attend& attend) { return "delete from otsap where " + StaffDayCondition(attend); }

void AdjustApprovalRow(AgentContext& ctx, const TAT_Attend& attend, const TAT_Emp& emp) {
    db::Database& database = db::ContextDatabase(ctx);
    const bool traced = ctx.settings.options.ATA_Details > 0;
    bool inserting = false;
    auto announceInsert = [&] {
        inserting = true;
        if (traced) ctx.log.WriteLog("goahead true - to insert otsap");
    };

    db::Query& query = database.CommonQuery;
    if (db::RunSQL(ctx.log, query, SelectApproval(attend), true)) {
        ctx.log.WriteDetail(kDetailImportant, "Recordcount=" + std::to_string(query.RecordCount()));
        if (Trim(query.FieldByName("ot_approved")) == "Y") return;  // an approved row is never replaced
        ReplaceRow(ctx.log, database, database.Common2Query, DeleteApproval(attend), database.CommonQuery,
                   ApprovalRowSql(ctx, attend, emp), announceInsert);
    } else {
        announceInsert();
        db::RunSQL(ctx.log, database.CommonQuery, ApprovalRowSql(ctx, attend, emp), false);
    }
    if (inserting && traced) ctx.log.WriteLog("end of insert otsap");
}

OTApprovalTexts TakeApproverDecision(AgentContext& ctx, TAT_Attend& attend) {
    db::Database& database = db::ContextDatabase(ctx);
    db::Query& query = database.CommonQuery;
    OTApprovalTexts texts;
    if (db::RunSQL(ctx.log, query, SelectApproval(attend), true)) {
        texts.approval = query.FieldByName("OT_Approved");
        texts.approvedBy = query.FieldByName("OT_Approved_By");
        if (Trim(texts.approval) == "N") {
            attend.OT_min = "0";
            if (ctx.settings.options.ATA_Details > 0) ctx.log.WriteLog("OT_min = 0 since OT was NOT approved.");
        }
    } else {
        db::RunSQL(ctx.log, query,
                   "insert into otsap(at_date,staff_number) values('" + SqlQuote(attend.AtDate) + "'" + "," + "'" +
                       SqlQuote(attend.StaffNo) + "'" + ")",
                   false);
    }
    return texts;
}

}  // namespace

std::string OvertimeHours(const std::string& minutes) {
    const long long value = ParseIntegerText(Trim(minutes)).value_or(0);
    char text[64];
    std::snprintf(text, sizeof text, "%6.2f", static_cast<double>(value) / 60.0);
    return text;
}

std::string ApprovalRowSql(AgentContext& ctx, const TAT_Attend& attend, const TAT_Emp& emp) {
    std::string departDesc;
    GetDesc(ctx, "select depart_desc from department where depart_code='" + SqlQuote(emp.DpCode) + "'", departDesc);
    const std::string hours = OvertimeHours(attend.OT_min);
    const std::string values[] = {
        SqlQuote(attend.AtDate),
        SqlQuote(attend.StaffNo),
        SafeStaffName(emp.Name),
        SqlQuote(emp.CpCode),
        SqlQuote(emp.BrCode),
        SqlQuote(emp.DpCode),
        SqlQuote(emp.ScCode),
        SqlQuote(attend.OT_In),
        SqlQuote(attend.OT_Out),
        hours,
        hours,
        SqlQuote(emp.SysIn),
        SqlQuote(emp.SysOut),
        "",
        "",
        "N",
        SqlQuote(departDesc),
        "",
        "",
        "",
    };
    // The opening text already holds the first value's opening quote.
    std::string sql = "insert into otsap values('";
    for (std::size_t i = 0; i < std::size(values); ++i) {
        if (i > 0) sql += ",'";
        sql += values[i] + "'";
    }
    return sql + ")";
}

OTApprovalTexts ApplyOTApproval(AgentContext& ctx, TAT_Attend& attend, const TAT_Emp& emp) {
    if (Trim(attend.OT_In + attend.OT_Out).empty() || Trim(attend.OT_min) == "0") return {};
    const Settings::Options& options = ctx.settings.options;
    if (options.OTApprovalAdjust) {
        AdjustApprovalRow(ctx, attend, emp);
        return {};
    }
    if (options.OTApproval) return TakeApproverDecision(ctx, attend);
    return {};
}

}  // namespace kx
