#include "engine/attend_remark.h"

#include "core/blank_times.h"
#include "core/text.h"
#include "db/database.h"
#include "db/query_access.h"
#include "db/run_sql.h"
#include "db/sql_quote.h"

namespace kx {
namespace {

std::string TrimRight(const std::string& s) {
    std::size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(0, e);
}

bool PatternHasBreak(const std::string& pattern, std::size_t position1) {
    return pattern.size() >= position1 && pattern[position1 - 1] == 'X';
}

std::string TimeOffDescriptions(AgentContext& ctx, const TAT_Attend& attend) {
    db::Query& query = db::ContextDatabase(ctx).CommonQuery;
    const std::string sql = "select * from kt_timeoff where staff_number='" + db::SqlQuote(attend.StaffNo) + "'" +
                            " and timeoff_date=" + "'" + db::SqlQuote(attend.AtDate) + "'";
    std::string text;
    if (db::RunSQL(ctx.log, query, sql, true)) {
        for (query.First(); !query.Eof(); query.Next()) text += " [" + query.FieldByName("TimeOff_Desc") + "]";
    }
    query.Close();
    return text;
}

}  // namespace

std::string DisplayTime(std::string_view time) {
    const std::string t = Trim(time);
    if (t.size() != 4) return kBlankDisplayTime;
    return t.substr(0, 2) + ":" + t.substr(2, 2);
}

std::string BreakGroup(std::string_view start, std::string_view back) {
    return "  " + DisplayTime(start) + " " + DisplayTime(back);
}

std::string OvertimeTime(std::string_view time) {
    if (Trim(time).empty()) return "      ";
    return " " + DisplayTime(time);
}

std::string BuildRemark(AgentContext& ctx, const TAT_Attend& attend, const TAT_Emp& emp,
                        const std::string& dayDescription) {
    std::string remark = DisplayTime(attend.In);

    const std::string& pattern = ctx.derived.breakPattern;
    ctx.log.WriteDetail(kDetailSteps, "  Break Pattern = " + pattern);
    bool breakTimes = false;
    auto appendBreak = [&](const std::string& start, const std::string& back) {
        remark += BreakGroup(start, back);
        if (!Trim(start).empty() || !Trim(back).empty()) breakTimes = true;
    };
    if (PatternHasBreak(pattern, 1)) appendBreak(attend.B1Out, attend.B1In);
    if (PatternHasBreak(pattern, 2)) appendBreak(attend.Out_Meal, attend.In_Meal);
    if (PatternHasBreak(pattern, 3)) appendBreak(attend.B2Out, attend.B2In);

    remark += " " + DisplayTime(attend.Out);
    if (emp.OTEntry.OTMode != "C") remark += OvertimeTime(attend.OT_In) + OvertimeTime(attend.OT_Out);

    const std::string& shiftTag = ctx.staffDay.AutoFitShiftTag;
    if (ctx.settings.options.AutoFit && !Trim(shiftTag).empty()) remark += " [" + shiftTag + "]";

    if (!dayDescription.empty()) {
        if (!Trim(remark).empty())
            remark = TrimRight(remark) + " [" + dayDescription + "]";
        else
            remark = "[" + dayDescription + "]";
    }

    if (ctx.settings.shiftLeave.ExtendedLeaveControl == 1) {
        for (const std::string& description : attend.LeaveDesc)
            if (!description.empty()) remark += " [" + description + "]";
        remark += TimeOffDescriptions(ctx, attend);
    }

    // A day without any time keeps no row of blanks.
    if (Trim(attend.In + attend.Out + attend.OT_In + attend.OT_Out).empty() && !breakTimes) remark = Trim(remark);

    ctx.log.WriteDetail(kDetailSteps, "  Remark=[" + remark + "]");
    return remark;
}

}  // namespace kx
