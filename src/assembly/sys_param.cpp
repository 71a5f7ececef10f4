#include "assembly/sys_param.h"

#include <exception>
#include <string>

#include "assembly/formula_lookup.h"
#include "assembly/shift_times.h"
#include "core/text.h"
#include "db/query_access.h"

namespace kx {
namespace {

std::string OTModeOf(const std::string& storedMode) {
    const std::string mode = Trim(storedMode);
    if (mode.empty()) return "N";
    switch (mode.front()) {
    case '1': return "A";
    case '2': return "C";
    case '3': return "E";
    default: return "N";
    }
}

std::string DataSourceOf(const std::string& stored) { return std::string(stored == "0" ? "T" : "D"); }

}  // namespace

void GetSysParam(AgentContext& ctx, TAT_Emp& record) {
    try {
        db::Query& query = db::ContextDatabase(ctx).CommonQuery;
        db::OpenQuery(query, "select * from kt_sys");
        const Log& log = ctx.log;

        LoadDayTimesWithWindows(log, query, record);

        record.WorkJobCode = db::FieldOrEmpty(query, "Work_JobCode");
        record.MealJobCode = db::FieldOrEmpty(query, "Meal_JobCode");
        record.B1JobCode = db::FieldOrEmpty(query, "B1_JobCode");
        record.B2JobCode = db::FieldOrEmpty(query, "B2_JobCode");
        record.WorkRangeOffset = WorkRangeOffsetText(ctx.settings);

        record.OTEntry.OTMode = OTModeOf(db::FieldOrEmpty(query, "OT_Mode"));
        log.WriteDetail(kDetailSteps, "  GetSysParam: OT mode = " + record.OTEntry.OTMode + "  SysIn=" + record.SysIn +
                                          " SysOut=" + record.SysOut);

        record.OTEntry.OTOffset = Trim(db::FieldOrEmpty(query, "OT_Offset"));
        record.OTEntry.OTMinimumMin = Trim(db::FieldOrEmpty(query, "OT_Minimum_Min"));
        record.OTEntry.OTRoundingMin = Trim(db::FieldOrEmpty(query, "OT_Rounding_Min"));
        record.OTEntry.OTJobcode = Trim(db::FieldOrEmpty(query, "OT_Jobcode"));
        record.DataSource = DataSourceOf(db::FieldOrEmpty(query, "DataSource"));

        record.OTEntry.OTFormula = GetFormula(ctx, db::FieldOrEmpty(query, "OT_Formula"));
        record.WorkFormula = GetFormula(ctx, db::FieldOrEmpty(query, "Work_Formula"));

        query.Close();
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<GetSysPAram>") + e.what());
        if (ctx.db) ctx.db->CommonQuery.Close();
    }
}

}  // namespace kx
