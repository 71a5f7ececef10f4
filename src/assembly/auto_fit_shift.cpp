#include "assembly/auto_fit_shift.h"

#include <exception>

#include "assembly/extended_clock.h"
#include "assembly/shift_times.h"
#include "core/text.h"
#include "db/query_access.h"
#include "db/sql_quote.h"

namespace kx {
namespace {

bool Blank(const std::string& time) { return Trim(time).empty(); }

bool Within(const std::string& low, const std::string& time, const std::string& up) {
    return low <= time && time <= up;
}

// The first shift of the pattern whose ranges hold the day's clockings; empty
// when there is none or the day has no first in.
std::string ChooseShift(const AgentContext& ctx, const AutoFitRecord& pattern, const std::string& firstIn,
                        const std::string& lastOut) {
    const bool tracing = ctx.settings.options.ATA_Details > 0;
    for (int j = 0; j < pattern.Count; ++j) {
        if (tracing) ctx.log.WriteLog("FirstIn=" + firstIn + "  LastOut=" + lastOut + "Shift=" + pattern.Shift[j]);
        if (Blank(firstIn)) continue;
        const bool fits =
            Within(pattern.InLow[j], firstIn, pattern.InUp[j]) || Within(pattern.OutLow[j], lastOut, pattern.OutUp[j]);
        if (ctx.trace.On())
            ctx.trace.Record("shift",
                             "Auto-fit tries shift " + pattern.Shift[j] + ": in " + pattern.InLow[j] + "-" +
                                 pattern.InUp[j] + ", out " + pattern.OutLow[j] + "-" + pattern.OutUp[j] +
                                 (fits ? ": it holds the first in or the last out, chosen."
                                       : ": it holds neither the first in nor the last out."),
                             {{"candidate", pattern.Shift[j]}, {"fits", fits ? "Y" : "N"}});
        if (fits) return pattern.Shift[j];
    }
    return {};
}

}  // namespace

bool GetAFShiftInfo(AgentContext& ctx, const std::string& firstIn, const std::string& lastOut, const std::string& date,
                    const std::string& staff, TAT_Emp& working) {
    try {
        const bool tracing = ctx.settings.options.ATA_Details > 0;
        if (tracing)
            ctx.log.WriteLog("GetAFSftInfo :-" + date + " " + staff + " FI=[" + firstIn + "] LO=[" + lastOut + "]");
        ctx.staffDay.AutoFitShiftTag.clear();
        std::string chosen;

        db::Database& database = db::ContextDatabase(ctx);
        db::Query& cards = database.CommonQuery;
        db::OpenQuery(cards, "select misc from cards where staff_number='" + db::SqlQuote(staff) + "'");
        if (!cards.Eof()) {
            const std::string misc = cards.FieldByName("misc");
            cards.Close();
            const std::string in = Blank(firstIn) ? firstIn : ToExtendedClock(firstIn);
            const std::string out = Blank(lastOut) ? lastOut : ToExtendedClock(lastOut);
            if (tracing)
                ctx.log.WriteLog("GetAFShiftInfo :- AutoFit Pattern=[" + misc + "]  FirstIn=" + in + " LastOut=" + out);

            const std::string pattern = UpperCase(Trim(misc));
            if (ctx.trace.On())
                ctx.trace.Record("shift",
                                 "Auto-fit: the card's pattern (cards.misc) is " + pattern + "; the day's first in [" +
                                     firstIn + "] and last out [" + lastOut + "] are compared as [" + in + "] and [" +
                                     out + "] on the pattern's clock, where the day runs from 2400 to 4759.",
                                 {{"pattern", pattern}, {"first_in", in}, {"last_out", out}});
            if (pattern == "NONE") {
                if (tracing) ctx.log.WriteLog("Pattern=NONE");
            } else {
                const AFRecList& list = ctx.afRecList;
                for (int i = 0; i < list.count; ++i) {
                    if (tracing) ctx.log.WriteLog("Tagname=" + list.items[i].Tag + "  Misc=" + pattern);
                    if (list.items[i].Tag != pattern) continue;
                    chosen = ChooseShift(ctx, list.items[i], in, out);
                    break;
                }
                ctx.staffDay.AutoFitShiftTag = chosen;
                if (tracing) ctx.log.WriteLog("GetAFShiftInfo :- Pattern Not NONE - ThisShift=" + chosen);
            }
        }
        cards.Close();
        if (chosen.empty()) return false;

        db::Query& shift = database.Common2Query;
        db::OpenQuery(shift, "select * from kt_shift where tag_name='" + db::SqlQuote(chosen) + "'");
        if (!shift.Eof()) {
            LoadDayTimesWithWindows(ctx.log, shift, working);
            working.WorkRangeOffset = WorkRangeOffsetText(ctx.settings);
        }
        shift.Close();
        return true;
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<GetAFShiftInfo>:" + std::string(e.what()));
        return true;
    }
}

}  // namespace kx
