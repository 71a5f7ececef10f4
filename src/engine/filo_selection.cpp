#include "engine/filo_selection.h"

#include "engine/day_stamps.h"

namespace kx::filo {
namespace {

// Sorts after every real stamp of its date: "no first in yet".
constexpr const char* kNoInYet = "AAAA";

std::string RangeText(const Window& w) { return "[" + w.lower + ", " + w.upper + "]"; }

// In/out letters are ignored: a clocking counts for whichever window holds it.
void TakeByWindow(const AgentContext& ctx, const std::string& stamp, const TCD_Source& c, const PeriodWindows& w,
                  PeriodInOutStamps& pick) {
    const bool outOfIn = !w.in.Contains(stamp);
    const bool outOfOut = !w.out.Contains(stamp);
    if (ctx.settings.options.ATA_Details > 10) {
        if (outOfIn) ctx.log.WriteLog("    " + stamp + " " + c.InOut + " : Out of In  range " + RangeText(w.in));
        if (outOfOut) ctx.log.WriteLog("    " + stamp + " " + c.InOut + " : Out of Out range " + RangeText(w.out));
    }
    if (outOfIn && outOfOut) return;
    if (!outOfIn && stamp < pick.tIn) pick.tIn = stamp;
    if (!outOfOut && stamp > pick.tOut) pick.tOut = stamp;
}

void TakeByCode(const AgentContext& ctx, const std::string& stamp, const TCD_Source& c, const PeriodWindows& w,
                PeriodInOutStamps& pick) {
    const bool outOfIn = c.InOut == "I" && !w.in.Contains(stamp);
    const bool outOfOut = c.InOut == "O" && !w.out.Contains(stamp);
    const bool wrongJob = c.JobCode != w.jobCode;
    if (ctx.settings.options.ATA_Details > 10) {
        if (outOfIn)
            ctx.log.WriteLog("    " + stamp + " " + c.InOut + " : Wrong code or Out of In  range " + RangeText(w.in));
        if (outOfOut)
            ctx.log.WriteLog("    " + stamp + " " + c.InOut + " : Wrong code or Out of Out range " + RangeText(w.out));
        if (wrongJob)
            ctx.log.WriteLog("    " + stamp + " " + c.InOut + " " + c.JobCode + " : Job Code Error [" + w.jobCode +
                             "]");
    }
    if (outOfIn || outOfOut || wrongJob) return;
    if (c.InOut == "I" && stamp < pick.tIn) pick.tIn = stamp;
    if (c.InOut == "O" && stamp > pick.tOut) pick.tOut = stamp;
}

// A stamp that holds a chosen clocking (not one of the "none" markers).
bool IsChosen(const std::string& stamp) {
    const std::string time = stamps::TimeOf(stamp);
    return !stamps::IsBlank(time) && time != kNoInYet;
}

bool ChoseEditedClocking(const TAT_Emp& emp, const PeriodInOutStamps& pick) {
    for (const TCD_Source& c : emp.RawData) {
        if (c.Edited != "Y") continue;
        const std::string stamp = stamps::StampOf(c);
        if ((IsChosen(pick.tIn) && stamp == pick.tIn) || (IsChosen(pick.tOut) && stamp == pick.tOut)) return true;
    }
    return false;
}

}  // namespace

PeriodInOutStamps SelectFirstInLastOut(const AgentContext& ctx, const TAT_Emp& emp, const PeriodWindows& windows,
                                       char kind) {
    const Log& log = ctx.log;
    const std::string& d = emp.AtDate;
    const bool ignoreInOut = ctx.settings.options.IgnoreInOutCOde;

    PeriodInOutStamps pick{stamps::ShiftDate(d, 1) + kNoInYet, stamps::BlankStamp(d)};
    for (const TCD_Source& c : emp.RawData) {
        if (log.DetailOn(kDetailFine))
            log.WriteDetail(kDetailFine, std::string("  Break type=") + kind + "  Raw data=[" + c.TrDate + "  " +
                                             c.TrTime + " " + c.JobCode + " " + c.InOut + "]");
        const std::string stamp = stamps::StampOf(c);
        if (ignoreInOut)
            TakeByWindow(ctx, stamp, c, windows, pick);
        else
            TakeByCode(ctx, stamp, c, windows, pick);
        if (log.DetailOn(kDetailFinest))
            log.WriteDetail(kDetailFinest,
                            "GetFILO=" + c.InOut + c.TrDate + c.TrTime + " TIn=" + pick.tIn + " TOut=" + pick.tOut);
    }

    // Two swipes in one minute may be the first in and the last out; a single one may not.
    if (pick.tIn == pick.tOut &&
        (ctx.settings.reprocessing.IgnoreSameMinClocking || stamps::ClockingsAt(emp.RawData, pick.tIn) < 2))
        pick.tOut = stamps::BlankStamp(d);

    pick.edited = ChoseEditedClocking(emp, pick);

    if (stamps::TimeOf(pick.tIn) == kNoInYet) pick.tIn = stamps::BlankStamp(stamps::DateOf(pick.tIn));
    return pick;
}

}  // namespace kx::filo
