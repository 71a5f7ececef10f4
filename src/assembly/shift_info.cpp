#include "assembly/shift_info.h"

#include <exception>

#include "assembly/formula_lookup.h"
#include "assembly/shift_times.h"
#include "core/text.h"
#include "db/query_access.h"
#include "db/sql_quote.h"

namespace kx {
namespace {

// The day's shift tag: from the staff member's shift group, else from the
// staff member's own schedule; empty when neither has one.
std::string FindShiftTag(AgentContext& ctx, db::Query& query, const std::string& date, const std::string& staff) {
    std::string tag;
    db::OpenQuery(query, "select shift_grp from kt_cdext where staff_number='" + db::SqlQuote(staff) + "'");
    if (!query.Eof()) {
        const std::string group = query.FieldByName("Shift_grp");
        ctx.log.WriteDetail(kDetailImportant, "    Grouped to " + group);
        if (UpperCase(Trim(group)) != "NONE") {
            db::OpenQuery(query, "select shift_tag from kt_sfgrp where  SGroup_tag='" + db::SqlQuote(group) + "'" +
                                     " and Shift_date=" + "'" + db::SqlQuote(date) + "'");
            if (!query.Eof()) tag = query.FieldByName("Shift_tag");
            ctx.log.WriteDetail(kDetailImportant, "    Group is not NONE, ThisShift = " + tag);
            if (ctx.trace.On())
                ctx.trace.Record("shift",
                                 Trim(tag).empty() ? "The shift group " + Trim(group) +
                                                         " (kt_cdext.shift_grp) has no "
                                                         "shift on this date in kt_sfgrp."
                                                   : "Shift " + Trim(tag) + " comes from the shift group " +
                                                         Trim(group) + " (kt_sfgrp row of the date).",
                                 {{"shift_group", Trim(group)}, {"shift_tag", Trim(tag)}});
        } else {
            ctx.log.WriteDetail(kDetailImportant, "    Shift Group = NONE");
        }
    }
    query.Close();

    if (tag.empty()) {
        db::OpenQuery(query, "select * from kt_ssche where staff_number='" + db::SqlQuote(staff) + "'" +
                                 " and shift_date=" + "'" + db::SqlQuote(date) + "'");
        if (!query.Eof()) tag = query.FieldByName("Shift_tag");
        query.Close();
        if (ctx.trace.On())
            ctx.trace.Record("shift",
                             Trim(tag).empty() ? "The personal schedule (kt_ssche) has no shift on this date."
                                               : "Shift " + Trim(tag) +
                                                     " comes from the personal schedule (kt_ssche "
                                                     "row of the date).",
                             {{"shift_tag", Trim(tag)}});
    }
    return tag;
}

void LoadWindowsAsStored(const db::Query& shift, TAT_Emp& working) {
    working.In_lower = shift.FieldByName("in_lower");
    working.SysIn = shift.FieldByName("sys_in");
    working.In_upper = shift.FieldByName("in_upper");
    working.Out_lower = shift.FieldByName("out_lower");
    working.SysOut = shift.FieldByName("sys_out");
    working.Out_upper = shift.FieldByName("out_upper");

    working.LunchOut_lower = shift.FieldByName("lunchout_lower");
    working.LunchOut = shift.FieldByName("Lunch_out");
    working.LunchOut_upper = shift.FieldByName("lunchout_upper");
    working.LunchIn_lower = shift.FieldByName("lunchin_lower");
    working.LunchIn = shift.FieldByName("Lunch_In");
    working.LunchIn_upper = shift.FieldByName("lunchin_Upper");

    working.Break1Out_lower = shift.FieldByName("break1out_lower");
    working.Break1Out = shift.FieldByName("Break1_out");
    working.Break1Out_upper = shift.FieldByName("break1out_upper");
    working.Break1In_lower = shift.FieldByName("break1in_lower");
    working.Break1In = shift.FieldByName("Break1_In");
    working.Break1In_upper = shift.FieldByName("break1in_upper");

    working.Break2Out_lower = shift.FieldByName("break2out_lower");
    working.Break2Out = shift.FieldByName("Break2_out");
    working.Break2Out_upper = shift.FieldByName("break2out_upper");
    working.Break2In_lower = shift.FieldByName("break2in_lower");
    working.Break2In = shift.FieldByName("Break2_In");
    working.Break2In_upper = shift.FieldByName("break2in_upper");

    working.OTOut_lower = shift.FieldByName("OTout_lower");
    working.OTOut = shift.FieldByName("OT_out");
    working.OTOut_upper = shift.FieldByName("OTout_upper");
    working.OTIn_lower = shift.FieldByName("OTin_lower");
    working.OTIn = shift.FieldByName("OT_In");
    working.OTIn_upper = shift.FieldByName("OTin_upper");
}

// A grace setting above 0 overrides the shift's own grace; a blank one counts as 0.
std::string GraceMinutes(int setting, const std::string& shiftGrace) {
    if (setting > 0) return std::to_string(setting);
    return Trim(shiftGrace).empty() ? "0" : shiftGrace;
}

}  // namespace

bool GetShiftInfo(AgentContext& ctx, const std::string& date, const std::string& staff, TAT_Emp& working) {
    bool result = true;
    try {
        const auto& options = ctx.settings.options;
        const auto& reprocessing = ctx.settings.reprocessing;
        const bool tracing = options.ATA_Details > 0;
        ctx.log.WriteDetail(kDetailImportant, "  GetShiftInfo: Date = " + date + ";   Staff = " + staff);

        db::Database& database = db::ContextDatabase(ctx);
        const std::string tag = FindShiftTag(ctx, database.CommonQuery, date, staff);
        ctx.log.WriteDetail(kDetailImportant, "    ThisShift = [" + tag + "]");
        if (Trim(tag).empty()) {
            result = false;
            if (tracing) ctx.log.WriteLog("    Shift not found");
            if (ctx.trace.On())
                ctx.trace.Record("shift",
                                 "The staff member works to a shift and none was found: \"[Shift Not "
                                 "Defined]\".");
            return result;
        }

        db::Query& shift = database.Common2Query;
        db::OpenQuery(shift, "select * from kt_shift where tag_name='" + db::SqlQuote(tag) + "'");
        if (shift.Eof()) {
            shift.Close();
            if (ctx.trace.On())
                ctx.trace.Record("shift", "Shift " + Trim(tag) +
                                              " has no kt_shift row: the system default times "
                                              "from kt_sys stay.");
            return result;
        }
        if (tracing)
            ctx.log.WriteLog("    [Shift In Out]=" + shift.FieldByName("sys_in") + ":" + shift.FieldByName("sys_out"));

        if (options.ShiftDataWindow) {
            const std::string graceIn = shift.FieldByName("sysin_grace");
            const std::string graceOut = shift.FieldByName("sysout_grace");
            if (tracing)
                ctx.log.WriteLog("    ShiftDataWindow.GraceIn = " + graceIn +
                                 ";   ShiftDataWindow.GraceOut = " + graceOut);
            LoadWindowsAsStored(shift, working);
            working.SysInGrace = GraceMinutes(reprocessing.GraceInMin, graceIn);
            working.SysOutGrace = GraceMinutes(reprocessing.GraceOutMin, graceOut);
        } else {
            LoadDayTimesWithWindows(ctx.log, shift, working);
            working.SysInGrace = std::to_string(reprocessing.GraceInMin);
            working.SysOutGrace = std::to_string(reprocessing.GraceOutMin);
        }

        working.OTEntry.OTMinimumMin = MinutesOrZero(shift.FieldByName("OT_Minimum_Min"));
        working.OTEntry.OTRoundingMin = MinutesOrZero(shift.FieldByName("OT_Rounding_Min"));
        working.WorkRangeOffset = WorkRangeOffsetText(ctx.settings);
        const std::string otFormulaTag = shift.FieldByName("OT_Formula");
        const std::string workFormulaTag = shift.FieldByName("Work_Formula");
        working.OTEntry.OTFormula = GetFormula(ctx, otFormulaTag);
        working.WorkFormula = GetFormula(ctx, workFormulaTag);
        shift.Close();
        if (ctx.trace.On())
            ctx.trace.Record("shift",
                             "Shift " + Trim(tag) + " read from kt_shift" +
                                 (options.ShiftDataWindow ? ", with the windows as stored in it."
                                                          : ", with windows of 30 minutes around its times."),
                             {{"shift_tag", Trim(tag)},
                              {"grace_in_min", working.SysInGrace},
                              {"grace_out_min", working.SysOutGrace},
                              {"ot_minimum_min", working.OTEntry.OTMinimumMin},
                              {"ot_rounding_min", working.OTEntry.OTRoundingMin},
                              {"work_formula", Trim(workFormulaTag)},
                              {"ot_formula", Trim(otFormulaTag)}});
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<GetShiftInfo>:" + std::string(e.what()));
    }
    return result;
}

}  // namespace kx
