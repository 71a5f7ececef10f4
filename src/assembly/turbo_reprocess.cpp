#include "assembly/turbo_reprocess.h"

#include <exception>

#include "assembly/auto_fit_shift.h"
#include "assembly/clocking_positions.h"
#include "assembly/copy_emp_ptr.h"
#include "assembly/day_classification.h"
#include "assembly/emp_record.h"
#include "assembly/half_day_adjustment.h"
#include "assembly/late_early_reason.h"
#include "assembly/raw_data.h"
#include "assembly/shift_info.h"
#include "core/text.h"
#include "db/query_access.h"
#include "db/run_sql.h"
#include "engine/pro_attd.h"
#include "engine/save_to_attend_file.h"

namespace kx {
namespace {

struct StaffDay {
    const std::string& date;
    const std::string& staff;
    const std::string& needOT;
    const std::string& needShift;
    const std::string& card;
};

// The calendar texts that travel with the result into saving.
struct DayTexts {
    std::string dayDescription;
    std::string saturdayDescription;
};

void ClearAttendPhantoms(AgentContext& ctx) {
    ctx.log.WriteLog("  ClearAttendPhantom ON");
    db::RunSQL(ctx.log, db::ContextDatabase(ctx).Common2Query,
               "delete from kt_attnd where staff_number not in (select staff_number from cards)", false);
}

// Code-based overtime reads the in/out codes of the clockings, so they can no
// longer be ignored; the switch stays off until the agent restarts.
void KeepInOutCodesUnderCodedOT(AgentContext& ctx, const TAT_Emp& working) {
    if (!ctx.settings.options.IgnoreInOutCOde || working.OTEntry.OTMode != "C") return;
    ctx.log.WriteDetail(kDetailSteps, "  Adjusted IgnoreInOutCode=0 under Coded Based OT (OT_Mode=C)");
    ctx.settings.options.IgnoreInOutCOde = false;
}

void InsertLateEarlyIfWanted(AgentContext& ctx) {
    if (!ctx.settings.options.LateEarlyReason) return;
    const TAT_Attend& a = ctx.attend;
    InsertLateEarly(ctx, a.StaffNo, a.AtDate, a.In, a.Out);
}

void TraceStaff(const AgentContext& ctx, const StaffDay& day, const std::string& dataSource, const TAT_Emp& working) {
    const std::string source = dataSource == "D" ? "door transactions" : "time-clock records";
    ctx.trace.Record("staff",
                     "Staff " + day.staff + " (" + Trim(working.Name) + "), card " + Trim(working.CardNo) +
                         ", clockings from the " + source + ".",
                     {{"staff_number", day.staff},
                      {"name", Trim(working.Name)},
                      {"card_number", Trim(working.CardNo)},
                      {"date", day.date},
                      {"data_source", dataSource},
                      {"on_shift", day.needShift},
                      {"ot_entitled", day.needOT},
                      {"flexible_hours", working.FlexibleWorkHour.empty() ? "N" : working.FlexibleWorkHour}});
}

// The times the working record holds now, in the words of a shift.
StaffDayTrace::Facts ShiftFacts(const TAT_Emp& w) {
    return {{"in", w.SysIn},
            {"in_window", w.In_lower + "-" + w.In_upper},
            {"out", w.SysOut},
            {"out_window", w.Out_lower + "-" + w.Out_upper},
            {"meal", w.LunchOut + "-" + w.LunchIn},
            {"break1", w.Break1Out + "-" + w.Break1In},
            {"break2", w.Break2Out + "-" + w.Break2In},
            {"overtime", w.OTIn + "-" + w.OTOut},
            {"grace_in_min", w.SysInGrace.empty() ? "0" : w.SysInGrace},
            {"grace_out_min", w.SysOutGrace.empty() ? "0" : w.SysOutGrace}};
}

void TraceDefaultShift(const AgentContext& ctx, const StaffDay& day, const TAT_Emp& working) {
    const std::string why = day.needShift != "Y" ? "the staff member is not on shift work (on_shift is not Y)"
                                                 : "auto-fit is on: the shift is fitted to the clockings later";
    ctx.trace.Record("shift",
                     "The system default times from kt_sys are used for now: " + why +
                         ". Grace minutes come only with a shift read from kt_shift.",
                     ShiftFacts(working));
}

void TraceHalfDay(const AgentContext& ctx, const TAT_Emp& before, const TAT_Emp& after) {
    if (before.HalfDayLeave != "Y") return;
    std::string text = "Half-day leave: ";
    if (before.SysIn != after.SysIn)
        text += "the day starts at " + after.SysIn + " instead of " + before.SysIn + " (the morning is on leave).";
    else if (before.SysOut != after.SysOut)
        text += "the day ends at " + after.SysOut + " instead of " + before.SysOut + " (the afternoon is on leave).";
    else
        text += "the clockings do not show which half was taken off; the times stay as they were.";
    ctx.trace.Record("day", text, {{"in", after.SysIn}, {"out", after.SysOut}, {"out_lower", after.Out_lower}});
}

void TakeFromClockJobCodes(const std::string& codes, TAT_Emp& working) {
    working.WorkJobCode = Mid(codes, 1, 3);
    working.B1JobCode = Mid(codes, 5, 3);
    working.MealJobCode = Mid(codes, 9, 3);
    working.B2JobCode = Mid(codes, 13, 3);
}

// Steps of one staff-day in their fixed order; failures propagate to the caller.
void ReprocessStaffDay(AgentContext& ctx, const StaffDay& day, const std::string& dataSource) {
    const Log& log = ctx.log;
    const Settings::Options& options = ctx.settings.options;
    TAT_Emp& working = ctx.workRec;
    TAT_Attend& result = ctx.attend;

    log.WriteDetail(kDetailImportant, "");
    log.WriteDetail(kDetailImportant, "Reprocess Begin");
    if (options.ClearAttendPhantom) ClearAttendPhantoms(ctx);

    ctx.staffDay.DataSource = dataSource;
    ctx.staffDay.AutoFitShiftTag.clear();
    log.WriteDetail(kDetailSteps, "  Data source = " + dataSource + ";   Need_Shift = " + day.needShift +
                                      "   Need_OT = " + day.needOT);

    InitEmpRecord(ctx, working, day.needOT);
    CopyEmpPtr(ctx, ctx.templateRec, working, day.date);
    log.WriteDetail(kDetailSteps, "  OT mode = " + working.OTEntry.OTMode + "  OT Job Code = " +
                                      working.OTEntry.OTJobcode + "  ProcessMode=" + working.ProcessMode);
    KeepInOutCodesUnderCodedOT(ctx, working);
    if (ctx.trace.On()) TraceStaff(ctx, day, dataSource, working);

    ctx.staffDay.ShiftNotFound = false;
    if (day.needShift == "Y" && !options.AutoFit)
        ctx.staffDay.ShiftNotFound = !GetShiftInfo(ctx, day.date, day.staff, working);
    else if (ctx.trace.On())
        TraceDefaultShift(ctx, day, working);

    PopulateATDRec(ctx, day.date, day.staff);

    DayTexts texts;
    CheckIfHolOffLeav(ctx, day.date, day.staff, result, texts.dayDescription, texts.saturdayDescription, working,
                      day.needShift);
    log.WriteDetail(kDetailSteps,
                    "  Half day leave = " + working.HalfDayLeave + ";   Holiday = " + texts.dayDescription);

    const bool rawFound = GetRawData(ctx, working, day.date, day.staff, day.card);
    const bool idFound = GetIDNoRawData(ctx, working, day.date, day.staff, day.card);
    log.WriteDetail(kDetailSteps, std::string("  NoRawData = ") + BoolText(!rawFound) +
                                      ";   NoIDRawData=" + BoolText(!idFound) +
                                      ";   ShiftNotDefined = " + BoolText(ctx.staffDay.ShiftNotFound));

    if ((!rawFound && !idFound) || ctx.staffDay.ShiftNotFound) {
        log.WriteDetail(kDetailImportant, "  No Raw Data or shift not found");
        if (ctx.trace.On())
            ctx.trace.Record("choice", ctx.staffDay.ShiftNotFound
                                           ? "No shift was found for the day, so nothing is computed: the row keeps "
                                             "its reset values and the calendar status."
                                           : "No clocking was found for the day, so nothing is computed: the row "
                                             "keeps its reset values and the calendar status.");
        InsertLateEarlyIfWanted(ctx);
        SavetoAttendFile(ctx, result, texts.dayDescription, texts.saturdayDescription, working);
        ReleaseRawDataMem(ctx, working);
        ctx.host->ShowNormalIcon();
        return;
    }

    if (ctx.trace.On()) {
        const TAT_Emp before = working;
        AdjustForHalfDayLeave(ctx, working);
        TraceHalfDay(ctx, before, working);
    } else {
        AdjustForHalfDayLeave(ctx, working);
    }

    if (options.AutoFit) {
        log.WriteDetail(kDetailSteps, "  AutoFit - Get FILO & Shift, workjobcode=" + working.WorkJobCode);
        const DayInOutTimes filo = FirstInLastOutOfDay(working.RawData, day.date);
        if (!GetAFShiftInfo(ctx, filo.firstIn, filo.lastOut, day.date, day.staff, working)) {
            log.WriteDetail(kDetailSteps, "  No shift Fit for FILO=" + filo.firstIn + "," + filo.lastOut);
            if (ctx.trace.On())
                ctx.trace.Record("shift", "No auto-fit shift holds the first in [" + filo.firstIn +
                                              "] or the last out [" + filo.lastOut + "], so nothing is computed.");
            SavetoAttendFile(ctx, result, texts.dayDescription, texts.saturdayDescription, working);
            ReleaseRawDataMem(ctx, working);
            return;
        }
    }

    if (ctx.staffDay.FromClock) TakeFromClockJobCodes(options.FromClockJobCodes, working);

    if (ctx.trace.On()) ctx.trace.Record("shift", "The shift the day is computed with:", ShiftFacts(working));
    ProAttd(ctx, working, result);

    if (ctx.settings.customReport.GroupByDepartment && !working.RawData.empty()) {
        LayOutClockingsByPosition(working.RawData, day.date, options.CutOffTime, result);
        if (ctx.trace.On())
            ctx.trace.Record("choice",
                             "Group by department is on: the times are laid out by position, the 1st "
                             "clocking as in, the 2nd as break 1 out and so on, replacing the choice above.");
    }

    SavetoAttendFile(ctx, result, texts.dayDescription, texts.saturdayDescription, working);

    log.WriteDetail(kDetailSteps, std::string("  LateEarlyReason=") + BoolText(options.LateEarlyReason));
    InsertLateEarlyIfWanted(ctx);

    ReleaseRawDataMem(ctx, working);
    log.WriteDetail(kDetailSteps, "Reprocess End");
}

}  // namespace

void PopulateATDRec(AgentContext& ctx, const std::string& date, const std::string& staff) {
    ResetAttend(ctx.attend, staff, date);
}

void TurboReprocessAttend(AgentContext& ctx, const std::string& date, const std::string& staff,
                          const std::string& dataSource, const std::string& needOT, const std::string& needShift,
                          const std::string& card) {
    try {
        ReprocessStaffDay(ctx, StaffDay{date, staff, needOT, needShift, card}, dataSource);
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<TurboReprocessAttend>:") + e.what());
        ReleaseRawDataMem(ctx, ctx.workRec);
        ++ctx.flags.staffDayFailures;
    } catch (...) {
        ctx.log.WriteLog("<TurboReprocessAttend>:unknown failure");
        ReleaseRawDataMem(ctx, ctx.workRec);
        ++ctx.flags.staffDayFailures;
    }
}

}  // namespace kx
