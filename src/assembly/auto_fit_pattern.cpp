#include "assembly/auto_fit_pattern.h"

#include <exception>
#include <stdexcept>

#include "assembly/extended_clock.h"
#include "db/query_access.h"
#include "db/sql_quote.h"

namespace kx {
namespace {

bool Tracing(const AgentContext& ctx) { return ctx.settings.options.ATA_Details > 0; }

void DumpPatterns(const AgentContext& ctx) {
    const AFRecList& list = ctx.afRecList;
    ctx.log.WriteLog("sp_AFList Debug =   " + std::to_string(list.count));
    for (int i = 0; i < list.count; ++i) {
        const AutoFitRecord& pattern = list.items[i];
        ctx.log.WriteLog("Tag=" + pattern.Tag);
        for (int j = 0; j < pattern.Count; ++j) {
            ctx.log.WriteLog("Shift" + std::to_string(j + 1) + "=" + pattern.Shift[j]);
            ctx.log.WriteLog("InLow=" + pattern.InLow[j]);
            ctx.log.WriteLog("InUp=" + pattern.InUp[j]);
            ctx.log.WriteLog("OutLow=" + pattern.OutLow[j]);
            ctx.log.WriteLog("OutUp=" + pattern.OutUp[j]);
        }
    }
}

}  // namespace

void GetShiftInOutRange(AgentContext& ctx, const std::string& shiftTag, ShiftInOutRange& range) {
    try {
        db::Query& query = db::ContextDatabase(ctx).Common2Query;
        db::OpenQuery(query, "select * from kt_shift where tag_name='" + db::SqlQuote(shiftTag) + "'");
        if (!query.Eof()) {
            ShiftInOutRange found;
            if (ctx.settings.options.ShiftDataWindow) {
                found.InLow = query.FieldByName("in_lower");
                found.InUp = query.FieldByName("in_upper");
                found.OutLow = query.FieldByName("out_lower");
                found.OutUp = query.FieldByName("out_upper");
            } else {
                const std::string sysIn = query.FieldByName("sys_in");
                const std::string sysOut = query.FieldByName("sys_out");
                found.InLow = Adjust4DTime(ctx, sysIn, "-", 120);
                found.InUp = Adjust4DTime(ctx, sysIn, "+", 360);
                found.OutLow = Adjust4DTime(ctx, sysOut, "-", 120);
                found.OutUp = Adjust4DTime(ctx, sysOut, "+", 360);
            }
            range = found;
        }
        query.Close();
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<GetShiftInOutRange>" + std::string(e.what()));
    }
}

void GetAutoFitPattern(AgentContext& ctx) {
    AFRecList& list = ctx.afRecList;
    list.Clear();
    try {
        if (Tracing(ctx)) ctx.log.WriteLog("--- GetAutoFitPattern Started ---");
        db::Query& query = db::ContextDatabase(ctx).CommonQuery;
        db::OpenQuery(query, "select * from kt_afchi order by afc_tag");
        if (Tracing(ctx)) ctx.log.WriteLog("GetAutoFitPattern: kt_afchi count=" + std::to_string(query.RecordCount()));

        ShiftInOutRange bounds;  // carried from row to row
        AutoFitRecord* pattern = nullptr;
        for (query.First(); !query.Eof(); query.Next()) {
            const std::string tag = query.FieldByName("AFC_Tag");
            const std::string shift = query.FieldByName("AFC_Shift");
            if (!pattern || tag != pattern->Tag) {
                if (list.count == AFRecList::kCapacity)
                    throw std::length_error("more than " + std::to_string(AFRecList::kCapacity) +
                                            " auto-fit patterns; pattern " + tag + " and those after it are ignored");
                pattern = &list.items[list.count++];
                pattern->Tag = tag;
                if (Tracing(ctx)) ctx.log.WriteLog("Old_aftag,=" + tag);
            }
            GetShiftInOutRange(ctx, shift, bounds);
            if (pattern->Count < AutoFitRecord::kMaxShifts) {
                const int b = pattern->Count++;
                pattern->Shift[b] = shift;
                pattern->InLow[b] = bounds.InLow;
                pattern->InUp[b] = bounds.InUp;
                pattern->OutLow[b] = bounds.OutLow;
                pattern->OutUp[b] = bounds.OutUp;
            } else {
                ctx.log.WriteLog("<GetAutoFitPattern>pattern " + tag + " has more than " +
                                 std::to_string(AutoFitRecord::kMaxShifts) + " shifts; shift " + shift + " is ignored");
            }
            if (Tracing(ctx))
                ctx.log.WriteLog("List Of Records= " + bounds.InLow + "  " + bounds.InUp + "  " + bounds.OutLow + "  " +
                                 bounds.OutUp);
        }
        query.Close();

        if (Tracing(ctx)) {
            DumpPatterns(ctx);
            ctx.log.WriteLog("--- GetAutoFitPattern Ended ---");
        }
    } catch (const std::exception& e) {
        ctx.log.WriteLog("<GetAutoFitPattern>" + std::string(e.what()));
    }
}

}  // namespace kx
