#include "assembly/sys_param.h"

#include <cstdio>
#include <exception>
#include <string>

#include "assembly/formula_lookup.h"
#include "assembly/query_access.h"
#include "core/add_the_range.h"
#include "core/text.h"

namespace kx {
namespace {

constexpr int kWindowHalfWidthMin = 30;

// Sets lower, expected and upper from one stored expected time.
void FillWindow(const Log& log, const db::Query& query, const char* column, std::string& lower,
                std::string& expected, std::string& upper)
{
    const std::string time = FieldOrEmpty(query, column);
    lower = AddtheRange(log, time, -kWindowHalfWidthMin);
    expected = time;
    upper = AddtheRange(log, time, kWindowHalfWidthMin);
}

std::string OTModeOf(const std::string& storedMode)
{
    const std::string mode = Trim(storedMode);
    if (mode.empty()) return "N";
    switch (mode.front()) {
    case '1': return "A";
    case '2': return "C";
    case '3': return "E";
    default: return "N";
    }
}

std::string DataSourceOf(const std::string& stored)
{
    return std::string(stored == "0" ? "T" : "D");
}

std::string WorkRangeOffsetOf(const Settings::Options& options)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%4.4d%4.4d", options.InWorkRangeOffsetMin, options.OutWorkRangeOffsetMin);
    return buf;
}

}  // namespace

void GetSysParam(AgentContext& ctx, TAT_Emp& record)
{
    try {
        db::Query& query = ContextDatabase(ctx).CommonQuery;
        OpenQuery(query, "select * from kt_sys");
        const Log& log = ctx.log;

        FillWindow(log, query, "sys_in", record.In_lower, record.SysIn, record.In_upper);
        FillWindow(log, query, "sys_out", record.Out_lower, record.SysOut, record.Out_upper);
        FillWindow(log, query, "lunch_out", record.LunchOut_lower, record.LunchOut, record.LunchOut_upper);
        FillWindow(log, query, "lunch_in", record.LunchIn_lower, record.LunchIn, record.LunchIn_upper);
        FillWindow(log, query, "Break1_out", record.Break1Out_lower, record.Break1Out, record.Break1Out_upper);
        FillWindow(log, query, "Break1_in", record.Break1In_lower, record.Break1In, record.Break1In_upper);
        FillWindow(log, query, "Break2_out", record.Break2Out_lower, record.Break2Out, record.Break2Out_upper);
        FillWindow(log, query, "Break2_in", record.Break2In_lower, record.Break2In, record.Break2In_upper);

        record.WorkJobCode = FieldOrEmpty(query, "Work_JobCode");
        record.MealJobCode = FieldOrEmpty(query, "Meal_JobCode");
        record.B1JobCode = FieldOrEmpty(query, "B1_JobCode");
        record.B2JobCode = FieldOrEmpty(query, "B2_JobCode");
        record.WorkRangeOffset = WorkRangeOffsetOf(ctx.settings.options);

        record.OTEntry.OTMode = OTModeOf(FieldOrEmpty(query, "OT_Mode"));
        log.WriteDetail(10, "  GetSysParam: OT mode = " + record.OTEntry.OTMode + "  SysIn=" + record.SysIn +
                                " SysOut=" + record.SysOut);

        record.OTEntry.OTOffset = Trim(FieldOrEmpty(query, "OT_Offset"));
        record.OTEntry.OTMinimumMin = Trim(FieldOrEmpty(query, "OT_Minimum_Min"));
        record.OTEntry.OTRoundingMin = Trim(FieldOrEmpty(query, "OT_Rounding_Min"));
        record.OTEntry.OTJobcode = Trim(FieldOrEmpty(query, "OT_Jobcode"));
        record.DataSource = DataSourceOf(FieldOrEmpty(query, "DataSource"));

        record.OTEntry.OTFormula = GetFormula(ctx, FieldOrEmpty(query, "OT_Formula"));
        record.WorkFormula = GetFormula(ctx, FieldOrEmpty(query, "Work_Formula"));

        query.Close();
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<GetSysPAram>") + e.what());
        if (ctx.db) ctx.db->CommonQuery.Close();
    }
}

}  // namespace kx
