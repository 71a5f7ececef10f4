#include "assembly/day_classification.h"

#include <array>
#include <exception>

#include "assembly/clock_date_window.h"
#include "assembly/off_day.h"
#include "core/int_text.h"
#include "core/intern_text.h"
#include "core/text.h"
#include "db/query_access.h"
#include "db/sql_quote.h"

namespace kx {
namespace {

constexpr int kRestDayText = 206;
constexpr int kOffDayText = 502;

bool IsOne(const std::string& stored) {
    const std::optional<int> value = ParseTrimmedInt32(stored);
    return value && *value == 1;
}

void MarkWeekdayOffDay(AgentContext& ctx, const std::string& date, const std::string& needShift, TAT_Attend& result,
                       std::string& dayDesc) {
    if (ctx.derived.offDaysDisabled) return;
    if (!IsOffDay(ctx, date) || needShift == "Y") return;
    dayDesc = LoadLanguageStr(ctx, kOffDayText, "Off Day");
    if (!ctx.settings.options.OffRestDayId || ctx.sundayOffDay)
        dayDesc = LoadLanguageStr(ctx, kRestDayText, "Rest Day");
    result.Off = "Y";
    if (ctx.trace.On())
        ctx.trace.Record("day",
                         dayDesc + ": the weekday is in the off-day list and the staff member is not on shift work.",
                         {{"class", dayDesc}, {"off_day_list", ctx.derived.offDayList}});
}

std::string HolidaySQL(const AgentContext& ctx, const std::string& date) {
    if (ctx.settings.database.DBType == "PARADOX")
        return "select * from holdate where holdate.\"date\"='" + db::SqlQuote(date) + "'";
    if (ctx.derived.integrationMode != "NIMBNET")
        return "select * from holdate where date='" + db::SqlQuote(date) + "'";
    const std::string shortDate = Mid(date, 7, 2) + "/" + Mid(date, 5, 2) + "/" + Mid(date, 3, 2);
    return "select * from holdate where date='" + db::SqlQuote(shortDate) + "'";
}

// The database driver here is never the one that names the description column
// "Holdate."Description"", so the description is always the second column.
void MarkHoliday(AgentContext& ctx, db::Query& query, const std::string& date, TAT_Attend& result,
                 std::string& dayDesc) {
    db::OpenQuery(query, HolidaySQL(ctx, date));
    if (!query.Eof()) {
        result.Holiday = "Y";
        dayDesc = query.Field(1);
        if (ctx.trace.On())
            ctx.trace.Record("day", "Holiday: the date has a holdate row, \"" + Trim(dayDesc) + "\".",
                             {{"class", "Holiday"}, {"holiday", Trim(dayDesc)}});
    }
    query.Close();
}

// Extended leave control: the four leave slots of the day, each described by
// its kt_leavetype row.
void MarkLeaveSlots(const AgentContext& ctx, db::Query& query, const std::array<std::string, 4>& slots,
                    TAT_Attend& result, TAT_Emp& working) {
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].empty()) {
            result.LeaveDesc[i].clear();
            continue;
        }
        db::OpenQuery(query, "select * from kt_leavetype where tag_name='" + db::SqlQuote(slots[i]) + "'");
        if (!query.Eof()) {
            if (IsOne(query.FieldByName("Cancel_InOut"))) working.CancelInOut = 1;
            result.LeaveDesc[i] = Trim(query.FieldByName("Leave_desc"));
            const bool half = Trim(query.FieldByName("half_day")) == "1";
            const bool morning = IsOne(query.FieldByName("Am_Pm"));
            if (half) {
                working.HalfDayLeave = "Y";
                if (morning)
                    working.HalfDayAM = true;
                else
                    working.HalfDayPM = true;
            }
            if (ctx.trace.On())
                ctx.trace.Record("day",
                                 (half ? std::string(morning ? "Half-day leave in the morning: "
                                                             : "Half-day leave in the afternoon: ")
                                       : std::string("Full-day leave: ")) +
                                     slots[i] + " (" + result.LeaveDesc[i] + ") in leave slot " +
                                     std::to_string(i + 1) + " of the kt_ssche row, described by kt_leavetype.",
                                 {{"class", half ? "Half-day leave" : "Leave"}, {"leave_tag", slots[i]}});
        }
        query.Close();
    }
}

// Plain leave control: the kt_leave row of the leave tag.
void MarkPlainLeave(AgentContext& ctx, db::Query& query, const std::string& leaveTag, std::string& dayDesc,
                    TAT_Emp& working) {
    db::OpenQuery(query, "select * from kt_leave where tag_name='" + db::SqlQuote(leaveTag) + "'");
    ctx.log.WriteDetail(kDetailFine, "    Looks for " + leaveTag + " cnt=" + std::to_string(query.RecordCount()));
    if (!query.Eof()) {
        const std::string description = query.FieldByName("Leave_desc");
        dayDesc = dayDesc.empty() ? description : dayDesc + "," + description;
        working.HalfDayLeave = query.FieldByName("half_day");
        if (ctx.trace.On()) {
            const bool half = working.HalfDayLeave == "Y";
            ctx.trace.Record("day",
                             std::string(half ? "Half-day leave: " : "Full-day leave: ") + leaveTag + " (" +
                                 Trim(description) + ") in the kt_ssche row of the date, described by kt_leave.",
                             {{"class", half ? "Half-day leave" : "Leave"}, {"leave_tag", leaveTag}});
        }
    }
    query.Close();
}

void MarkLeave(AgentContext& ctx, db::Query& query, const std::string& date, const std::string& staff,
               TAT_Attend& result, std::string& dayDesc, TAT_Emp& working) {
    const bool extended = ctx.settings.shiftLeave.ExtendedLeaveControl == 1;
    const std::string sql = "select * from kt_ssche where staff_number='" + db::SqlQuote(staff) + "'" +
                            " and shift_date=" + "'" + db::SqlQuote(date) + "'";
    db::OpenQuery(query, sql);
    const int found = query.RecordCount();
    std::array<std::string, 4> slots;
    std::string leaveTag;
    if (found > 0) {
        if (extended) {
            slots = {Trim(query.FieldByName("leave_tag")), Trim(query.FieldByName("shift2_tag")),
                     Trim(query.FieldByName("shift3_tag")), Trim(query.FieldByName("shift4_tag"))};
            ctx.log.WriteDetail(kDetailSteps,
                                "    Leave_list 1..4: " + slots[0] + "," + slots[1] + "," + slots[2] + "," + slots[3]);
        }
        leaveTag = Trim(query.FieldByName("leave_tag"));
    }
    query.Close();
    ctx.log.WriteDetail(kDetailFine, "    Leave: " + sql);
    ctx.log.WriteDetail(kDetailImportant, "    Leave: Found = " + std::to_string(found) + ";  ExtendedLeave Option = " +
                                              std::to_string(ctx.settings.shiftLeave.ExtendedLeaveControl));

    if (found == 0 || leaveTag.empty()) return;
    result.Leave = leaveTag;
    if (extended) {
        result.Leave.clear();
        ctx.log.WriteDetail(kDetailImportant + 1, "ExtendedLeaveControl");
        MarkLeaveSlots(ctx, query, slots, result, working);
    } else {
        MarkPlainLeave(ctx, query, leaveTag, dayDesc, working);
    }
}

}  // namespace

void CheckIfHolOffLeav(AgentContext& ctx, const std::string& date, const std::string& staff, TAT_Attend& result,
                       std::string& dayDesc, std::string& satDesc, TAT_Emp& working, const std::string& needShift) {
    try {
        const auto& options = ctx.settings.options;
        ctx.log.WriteDetail(kDetailSteps, "    Check Holiday or Leave: Date = " + date + "  Staff = " + staff);
        dayDesc.clear();

        MarkWeekdayOffDay(ctx, date, needShift, result, dayDesc);
        if (options.GovFTWRDay && IsAlternateSaturday(DecodeDateText(date))) {
            satDesc = "Alt.Saturday";
            if (ctx.trace.On())
                ctx.trace.Record("day",
                                 "Alternate Saturday ([Options] GovFTWRDay): the first or third Saturday "
                                 "of the month.",
                                 {{"class", "Alternate Saturday"}});
        }
        if (options.SetOffDayTO != 0 && IsSetOffDay(DecodeDateText(date), options.SetOffDayTO)) {
            satDesc = "Off Day";
            if (ctx.trace.On())
                ctx.trace.Record("day", "Off day of the week set by [Options] SetOffDayTO.",
                                 {{"class", "Off Day"}, {"SetOffDayTO", std::to_string(options.SetOffDayTO)}});
        }

        db::Query& query = db::ContextDatabase(ctx).CommonQuery;
        MarkHoliday(ctx, query, date, result, dayDesc);
        MarkLeave(ctx, query, date, staff, result, dayDesc, working);
        if (ctx.trace.On() && result.Off != "Y" && result.Holiday != "Y" && Trim(result.Leave) == "****" &&
            working.HalfDayLeave != "Y" && satDesc.empty())
            ctx.trace.Record("day", "Working day: not in the off-day list, no holdate row, no leave in kt_ssche.",
                             {{"class", "Working day"}});
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<CheckIFHolOffLeav>" + std::string(e.what()));
    }
}

}  // namespace kx
