#include "assembly/emp_record.h"

#include <exception>

namespace kx {

void InitEmpRecord(AgentContext& ctx, TAT_Emp& record, const std::string& needOT) {
    try {
        record.SysInGrace = "0";
        record.SysOutGrace = "0";

        record.StaffNo = "000001";
        record.AtDate = "19990101";

        record.In_lower = "0800";
        record.SysIn = "0830";
        record.In_upper = "0900";
        record.Out_lower = "1700";
        record.SysOut = "1730";
        record.Out_upper = "1800";

        record.HalfDayLeave = "N";
        record.WorkJobCode = "000";
        record.DataSource = "T";

        record.ProcessMode = needOT == "Y" ? "T" : "N";

        record.WorkRangeOffset.clear();

        record.OTEntry.OTMode = "A";
        record.OTEntry.OTOffset = "30";
        record.OTEntry.OTJobcode = "001";
        record.OTEntry.OTMinimumMin = "30";
        record.OTEntry.OTRoundingMin = "30";

        record.BreakSelect = ctx.derived.breakPattern;
        record.ShiftDataWindow = ctx.settings.options.ShiftDataWindow;

        record.CancelInOut = 0;
        record.HalfDayAM = false;
        record.HalfDayPM = false;
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<InitEmpRecord>") + e.what());
    }
}

void ReleaseRawDataMem(AgentContext& ctx, TAT_Emp& record) {
    try {
        record.RawData.clear();
    } catch (const std::exception& e) {
        ctx.log.WriteLog(std::string("<ReleaseRawDataMem>") + e.what());
    }
}

}  // namespace kx
