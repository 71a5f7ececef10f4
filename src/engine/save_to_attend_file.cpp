#include "engine/save_to_attend_file.h"

#include <exception>

#include "core/blank_times.h"
#include "core/text.h"
#include "db/database.h"
#include "db/query_access.h"
#include "db/sql_quote.h"
#include "engine/attend_remark.h"
#include "engine/attend_row.h"
#include "engine/ot_approval.h"
#include "engine/row_replacement.h"

namespace kx {
namespace {

std::string PadLeft4(const std::string& s) { return s.size() >= 4 ? s : std::string(4 - s.size(), ' ') + s; }

std::string PreOvertimeText(const AgentContext& ctx, const TAT_Attend& a) {
    if (!ctx.settings.reprocessing.PreOTSplit) return "";
    return PadLeft4(a.PreOT) + PadLeft4(a.EarlyOT_In) + PadLeft4(a.EarlyOT_Out);
}

void DumpAttend(const Log& log, const TAT_Attend& a, const std::string& name, const std::string& dayDescription) {
    const std::string lines[] = {
        " ",
        "  Date   = " + a.AtDate,
        "  Staff  = " + a.StaffNo,
        "  Name   = " + name,
        " ",
        "  In     = " + a.In,
        "  Out    = " + a.Out,
        "  OT_In  = " + a.OT_In,
        "  OT_Out = " + a.OT_Out,
        "  OT_min = " + a.OT_min,
        "  TotalWork = " + a.TotalWork,
        " ",
        "  In_Meal =" + a.In_Meal,
        "  Out_Meal=" + a.Out_Meal,
        "  Absent=" + a.Absent,
        "  Ontime=" + a.Punctual,
        "  Late=" + a.Late,
        "  Early=" + a.Early,
        "  Inc=" + a.Inc,
        "  Off=" + a.Off,
        "  Holiday=" + a.Holiday,
        "  Edited=" + a.Edited,
        "  Leave=" + a.Leave,
        "  LateMin=" + a.LateMin,
        "  EarlyMin=" + a.EarlyMin,
        "  Meal LateMin=" + a.MealLateMin,
        "  Meal EarlyMin=" + a.MealEarlyMin,
        "  Hol_desc=" + dayDescription,
        "  PreOT=" + a.PreOT,
        "  Early OT_In=" + a.EarlyOT_In,
        "  Early OT_Out=" + a.EarlyOT_Out,
    };
    for (const std::string& line : lines) log.WriteLog(line);
}

// Off days, holidays and leave excuse lateness and early leaving, unless the
// overtime mode counts them or lateness is enforced.
void CancelLateEarly(AgentContext& ctx, TAT_Attend& a, const TAT_Emp& emp) {
    bool cancelLate = a.Off == "Y" || a.Holiday == "Y";
    bool cancelEarly = cancelLate;
    if (ctx.settings.shiftLeave.ExtendedLeaveControl == 1) {
        if (emp.CancelInOut == 1) {
            if (emp.HalfDayLeave != "Y") {
                cancelLate = cancelEarly = true;
            } else {
                if (emp.HalfDayAM) cancelLate = true;
                if (emp.HalfDayPM) cancelEarly = true;
            }
        }
    } else if (a.Leave != "****" && emp.HalfDayLeave != "Y") {
        cancelLate = cancelEarly = true;
    }
    ctx.log.WriteDetail(kDetailImportant,
                        std::string("  CancelLate=") + BoolText(cancelLate) + "  CancelEarly=" + BoolText(cancelEarly));

    if (emp.OTEntry.OTMode == "E" || ctx.settings.options.EnforceLatenessCal) return;
    if (ctx.trace.On() && (cancelLate || cancelEarly) && (a.Late == "Y" || a.Early == "Y"))
        ctx.trace.Record("lateness", std::string("The day excuses ") +
                                         (cancelLate && cancelEarly ? "lateness and early leaving"
                                          : cancelLate              ? "lateness"
                                                                    : "early leaving") +
                                         " (off day, holiday or leave): set to none.");
    if (cancelLate) {
        a.Late = "N";
        a.LateMin = "0";
    }
    if (cancelEarly) {
        a.Early = "N";
        a.EarlyMin = "0";
    }
}

void BlankTimesThatDoNotStand(TAT_Attend& a, const TAT_Emp& emp) {
    const std::string& mode = emp.OTEntry.OTMode;
    const bool timedOvertime = mode != "C" && mode != "E";
    const long long otMinutes = std::stoll(a.OT_min);  // settled to a whole number before
    // On a day off the day's times stand as overtime only.
    if ((a.Off == "Y" || a.Holiday == "Y") && otMinutes > 0 && timedOvertime) a.In = a.Out = kClearedTime;
    if (timedOvertime && otMinutes == 0) a.OT_In = a.OT_Out = kClearedTime;
    // No meal in the shift.
    if (emp.LunchOut == emp.LunchIn) a.Out_Meal = a.In_Meal = kClearedTime;
}

// The status texts that take the place of the remark, in rising precedence.
void ApplyStatusRemarks(AgentContext& ctx, TAT_Attend& a, std::string& remark, const std::string& dayDescription,
                        const std::string& saturdayDescription) {
    const Settings::Options& options = ctx.settings.options;
    if (!remark.empty())
        a.Absent = "N";
    else if (a.Absent == "Y")
        remark = options.International ? "[" + ctx.internArray[514] + "]" : "[Absent]";

    if (ctx.staffDay.ShiftNotFound && !options.AutoFit) remark = "[Shift Not Defined]";

    if (options.WorkHrExcOT) {
        const long long total = std::stoll(a.TotalWork);
        const long long overtime = std::stoll(a.OT_min);
        if (total >= overtime) a.TotalWork = std::to_string(total - overtime);
    }

    if (options.GovFTWRDay && !saturdayDescription.empty()) remark = "[" + saturdayDescription + "]";
    if (options.SetOffDayTO != 0 && !saturdayDescription.empty() && dayDescription == "Rest Day")
        remark = "[" + saturdayDescription + "]";

    const std::string reason = Trim(ctx.staffDay.ClockReason);
    if (ctx.settings.tessel.ClockReason && !reason.empty()) remark = "[" + reason + "]";
}

void TraceResult(const AgentContext& ctx, const TAT_Attend& a, const std::string& remark,
                 const OTApprovalTexts& approval) {
    if (Trim(approval.approval).size() > 0 || Trim(approval.approvedBy).size() > 0)
        ctx.trace.Record("overtime",
                         "Overtime approval: " + Trim(approval.approval) +
                             (Trim(approval.approvedBy).empty() ? "" : " by " + Trim(approval.approvedBy)) +
                             "; overtime minutes now " + a.OT_min + ".",
                         {{"approval", Trim(approval.approval)}, {"approved_by", Trim(approval.approvedBy)}});
    std::string status;
    const std::pair<const char*, const std::string*> letters[] = {
        {"absent", &a.Absent},  {"on time", &a.Punctual}, {"late", &a.Late},       {"early", &a.Early},
        {"incomplete", &a.Inc}, {"off day", &a.Off},      {"holiday", &a.Holiday}, {"edited", &a.Edited}};
    for (const auto& [name, value] : letters)
        if (*value == "Y") status += (status.empty() ? "" : ", ") + std::string(name);
    ctx.trace.Record("result",
                     "Remark \"" + remark + "\"; status: " + (status.empty() ? std::string("none") : status) + ".",
                     {{"remark", remark},
                      {"absent", a.Absent},
                      {"on_time", a.Punctual},
                      {"late", a.Late},
                      {"early", a.Early},
                      {"incomplete", a.Inc},
                      {"off", a.Off},
                      {"holiday", a.Holiday},
                      {"edited", a.Edited}});
}

}  // namespace

void SavetoAttendFile(AgentContext& ctx, TAT_Attend& attend, const std::string& dayDescription,
                      const std::string& saturdayDescription, const TAT_Emp& emp) {
    std::string s1;
    std::string s2;
    try {
        AttendRowTexts texts;
        texts.preOT = PreOvertimeText(ctx, attend);
        if (ctx.settings.options.ATA_Details > 10) DumpAttend(ctx.log, attend, emp.Name, dayDescription);
        SettleMinuteCounts(ctx.log, attend);

        CancelLateEarly(ctx, attend, emp);
        BlankTimesThatDoNotStand(attend, emp);

        std::string remark = BuildRemark(ctx, attend, emp, dayDescription);
        ApplyStatusRemarks(ctx, attend, remark, dayDescription, saturdayDescription);
        // Doubled once here; the row takes the remark as it is.
        texts.remark = db::SqlQuote(remark);
        s1 = texts.remark;

        const OTApprovalTexts approval = ApplyOTApproval(ctx, attend, emp);
        texts.approval = approval.approval;
        texts.approvedBy = approval.approvedBy;
        if (ctx.trace.On()) TraceResult(ctx, attend, remark, approval);

        db::Database& database = db::ContextDatabase(ctx);
        s2 = AttendDeleteSql(attend);
        s1 = AttendInsertSql(attend, emp, texts);
        ctx.log.WriteDetail(kDetailFine, s1);
        ReplaceRowWithoutWaiting(ctx.log, database, database.CommonQuery, s2, s1,
                                 [log = ctx.log, s1, s2](const std::string& error) {
                                     log.WriteLog("<SavetoAttendFile>" + error + "s1=[" + s1 + "] s2=[" + s2 + "]");
                                 });
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<SavetoAttendFile>" + std::string(e.what()) + "s1=[" + s1 + "] s2=[" + s2 + "]");
    }
}

}  // namespace kx
