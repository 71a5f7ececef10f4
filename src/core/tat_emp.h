#pragma once
#include <string>
#include <vector>

namespace kx {

// One raw clocking of a staff-day.
struct TCD_Source {
    std::string TrDate;   // yyyymmdd
    std::string TrTime;   // hhmm
    std::string JobCode;  // "000" when the source has none
    std::string InOut;    // "I", "O" or the source's own one-letter code
    std::string Edited;   // "Y" for an edited attendance row, a clock table's mark, else empty
};

// Overtime rules of a staff-day.
struct TOTEntry {
    std::string OTMode;  // "A", "C", "E" or "N"
    std::string OTOffset;
    std::string OTJobcode;
    std::string OTMinimumMin;
    std::string OTRoundingMin;
    std::string OTFormula;
};

// The staff-day working record (also used as the template record).
// Fields in their declared order; a fresh record is all empty / false / 0.
struct TAT_Emp {
    std::string StaffNo;
    std::string AtDate;
    std::string Name;
    std::string CardNo;
    std::string ScCode;
    std::string BrCode;
    std::string DpCode;
    std::string CpCode;
    std::string ProcessMode;  // "T": compute overtime, "N": not
    std::string DataSource;   // "T" or "D"
    // Owned clockings in the order they were added; empty between staff-days.
    std::vector<TCD_Source> RawData;
    std::string HalfDayLeave;

    std::string In_lower, SysIn, In_upper;
    std::string Out_lower, SysOut, Out_upper;
    std::string LunchOut_lower, LunchOut, LunchOut_upper;
    std::string LunchIn_lower, LunchIn, LunchIn_upper;
    std::string Break1Out_lower, Break1Out, Break1Out_upper;
    std::string Break1In_lower, Break1In, Break1In_upper;
    std::string Break2Out_lower, Break2Out, Break2Out_upper;
    std::string Break2In_lower, Break2In, Break2In_upper;
    std::string OTOut_lower, OTOut, OTOut_upper;
    std::string OTIn_lower, OTIn, OTIn_upper;
    std::string SysInGrace;
    std::string SysOutGrace;

    std::string WorkJobCode;
    std::string B1JobCode;
    std::string MealJobCode;
    std::string B2JobCode;
    std::string WorkFormula;
    TOTEntry OTEntry;
    std::string FlexibleWorkHour;
    std::string WorkRangeOffset;  // 8 digits: in offset and out offset, 4 each
    std::string BreakSelect;
    bool ShiftDataWindow = false;
    bool HalfDayAM = false;
    bool HalfDayPM = false;
    int CancelInOut = 0;
};

// Values that live for the whole run beside the two records.
struct StaffDayValues {
    std::string DataSource = "T";  // "T" time-clock tables, "D" door transactions
    bool FromClock = false;        // door path chose the clock job codes
    std::string ClockReason;       // TESSEL clock-reason text of the day
    std::string AutoFitShiftTag;   // shift chosen by auto-fit
    bool ShiftNotFound = false;
};

}  // namespace kx
