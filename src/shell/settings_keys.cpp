#include "shell/settings_keys.h"

namespace kx {

std::string SettingKey::ValueText(Settings settings) const {
    const Field value = field(settings);
    if (const auto* text = std::get_if<std::string*>(&value)) return **text;
    if (const auto* number = std::get_if<int*>(&value)) return std::to_string(**number);
    return *std::get<bool*>(value) ? "1" : "0";
}

const std::vector<SettingKey>& SettingKeys() {
    using K = SettingKey::Kind;
    using Field = SettingKey::Field;
    // clang-format off
    static const std::vector<SettingKey> keys{
        {"Database", "DBAlias", K::Text, [](Settings& s) -> Field { return &s.database.DBAlias; }},
        {"Database", "DBType", K::Text, [](Settings& s) -> Field { return &s.database.DBType; }},
        {"Database", "ReconnectSeconds", K::Integer, [](Settings& s) -> Field { return &s.database.ReconnectSeconds; }},
        {"Server", "Path", K::Text, [](Settings& s) -> Field { return &s.server.Path; }},
        {"Server", "ATServer", K::YesNo, [](Settings& s) -> Field { return &s.server.ATServer; }},
        {"Server", "IgnoreKTPServer", K::YesNo, [](Settings& s) -> Field { return &s.server.IgnoreKTPServer; }},
        {"Server", "Integrated", K::Text, [](Settings& s) -> Field { return &s.server.Integrated; }},
        {"Server", "IPPort", K::Text, [](Settings& s) -> Field { return &s.server.IPPort; }},
        {"Server", "TabFilePath", K::Text, [](Settings& s) -> Field { return &s.server.TabFilePath; }},
        {"Options", "ATA_Details", K::Integer, [](Settings& s) -> Field { return &s.options.ATA_Details; }},
        {"Options", "TranYearDigits", K::Integer, [](Settings& s) -> Field { return &s.options.TranYearDigits; }},
        {"Options", "InWorkRangeOffsetMin", K::Integer, [](Settings& s) -> Field { return &s.options.InWorkRangeOffsetMin; }},
        {"Options", "OutWorkRangeOffsetMin", K::Integer, [](Settings& s) -> Field { return &s.options.OutWorkRangeOffsetMin; }},
        {"Options", "AutoProcess", K::YesNo, [](Settings& s) -> Field { return &s.options.AutoProcess; }},
        {"Options", "SatInOutTime", K::Text, [](Settings& s) -> Field { return &s.options.SatInOutTime; }},
        {"Options", "SatOTOffsetMin", K::Integer, [](Settings& s) -> Field { return &s.options.SatOTOffsetMin; }},
        {"Options", "WorkHrExcOT", K::YesNo, [](Settings& s) -> Field { return &s.options.WorkHrExcOT; }},
        {"Options", "AutoFit", K::YesNo, [](Settings& s) -> Field { return &s.options.AutoFit; }},
        {"Options", "OTRoundingFactorMin", K::Integer, [](Settings& s) -> Field { return &s.options.OTRoundingFactorMin; }},
        {"Options", "FromClockIfExist", K::YesNo, [](Settings& s) -> Field { return &s.options.FromClockIfExist; }},
        {"Options", "FromClockJobCodes", K::Text, [](Settings& s) -> Field { return &s.options.FromClockJobCodes; }},
        {"Options", "OffRestDayId", K::YesNo, [](Settings& s) -> Field { return &s.options.OffRestDayId; }},
        {"Options", "ClearAttendPhantom", K::YesNo, [](Settings& s) -> Field { return &s.options.ClearAttendPhantom; }},
        {"Options", "CheckStartExpiryDate", K::YesNo, [](Settings& s) -> Field { return &s.options.CheckStartExpiryDate; }},
        {"Options", "International", K::YesNo, [](Settings& s) -> Field { return &s.options.International; }},
        {"Options", "InternationalFileName", K::Text, [](Settings& s) -> Field { return &s.options.InternationalFileName; }},
        {"Options", "FriInOutTime", K::Text, [](Settings& s) -> Field { return &s.options.FriInOutTime; }},
        {"Options", "FriLunchInOutTime", K::Text, [](Settings& s) -> Field { return &s.options.FriLunchInOutTime; }},
        {"Options", "GovFTWRDay", K::YesNo, [](Settings& s) -> Field { return &s.options.GovFTWRDay; }},
        {"Options", "IgnoreInOutCOde", K::YesNo, [](Settings& s) -> Field { return &s.options.IgnoreInOutCOde; }},
        {"Options", "LateEarlyReason", K::YesNo, [](Settings& s) -> Field { return &s.options.LateEarlyReason; }},
        {"Options", "SetOffDayTO", K::Integer, [](Settings& s) -> Field { return &s.options.SetOffDayTO; }},
        {"Options", "DoorAccess2Clock", K::YesNo, [](Settings& s) -> Field { return &s.options.DoorAccess2Clock; }},
        {"Options", "SnapToInTime", K::YesNo, [](Settings& s) -> Field { return &s.options.SnapToInTime; }},
        {"Options", "ClockDataUserOverride", K::YesNo, [](Settings& s) -> Field { return &s.options.ClockDataUserOverride; }},
        {"Options", "ShiftDataWindow", K::YesNo, [](Settings& s) -> Field { return &s.options.ShiftDataWindow; }},
        {"Options", "ExtendedIDNo", K::YesNo, [](Settings& s) -> Field { return &s.options.ExtendedIDNo; }},
        {"Options", "ExtendedIDLength", K::Integer, [](Settings& s) -> Field { return &s.options.ExtendedIDLength; }},
        {"Options", "OTApprovalAdjust", K::YesNo, [](Settings& s) -> Field { return &s.options.OTApprovalAdjust; }},
        {"Options", "CutOffTime", K::Text, [](Settings& s) -> Field { return &s.options.CutOffTime; }},
        {"Options", "SQLIDChecking", K::YesNo, [](Settings& s) -> Field { return &s.options.SQLIDChecking; }},
        {"Options", "AttendEdit", K::YesNo, [](Settings& s) -> Field { return &s.options.AttendEdit; }},
        {"Options", "EnforceClockMode", K::YesNo, [](Settings& s) -> Field { return &s.options.EnforceClockMode; }},
        {"Options", "FlexibleMealHour", K::YesNo, [](Settings& s) -> Field { return &s.options.FlexibleMealHour; }},
        {"Options", "FlexibleWorkHour", K::YesNo, [](Settings& s) -> Field { return &s.options.FlexibleWorkHour; }},
        {"Options", "SnapToOTRange", K::YesNo, [](Settings& s) -> Field { return &s.options.SnapToOTRange; }},
        {"Options", "EnforceLatenessCal", K::YesNo, [](Settings& s) -> Field { return &s.options.EnforceLatenessCal; }},
        {"Options", "FlexMealInOffsetMin", K::Integer, [](Settings& s) -> Field { return &s.options.FlexMealInOffsetMin; }},
        {"Options", "FlexMealOutOffsetMin", K::Integer, [](Settings& s) -> Field { return &s.options.FlexMealOutOffsetMin; }},
        {"Options", "CardLength", K::Integer, [](Settings& s) -> Field { return &s.options.CardLength; }},
        {"Options", "UseSkin", K::YesNo, [](Settings& s) -> Field { return &s.options.UseSkin; }},
        {"Options", "SkinNo", K::Integer, [](Settings& s) -> Field { return &s.options.SkinNo; }},
        {"Options", "SkinFile", K::Text, [](Settings& s) -> Field { return &s.options.SkinFile; }},
        {"Options", "LogReprocess", K::YesNo, [](Settings& s) -> Field { return &s.options.LogReprocess; }},
        {"Options", "OTApproval", K::YesNo, [](Settings& s) -> Field { return &s.options.OTApproval; }},
        {"Options", "SelectedControllersOnly", K::YesNo, [](Settings& s) -> Field { return &s.options.SelectedControllersOnly; }},
        {"Options", "SelectedControllers", K::Text, [](Settings& s) -> Field { return &s.options.SelectedControllers; }},
        {"CustomReport", "GroupByDepartment", K::YesNo, [](Settings& s) -> Field { return &s.customReport.GroupByDepartment; }},
        {"Shift/Leave", "ExtendedLeaveControl", K::Integer, [](Settings& s) -> Field { return &s.shiftLeave.ExtendedLeaveControl; }},
        {"Reprocessing", "BasedOnStaffNumber", K::YesNo, [](Settings& s) -> Field { return &s.reprocessing.BasedOnStaffNumber; }},
        {"Reprocessing", "ReprocessIntervalMin", K::Integer, [](Settings& s) -> Field { return &s.reprocessing.ReprocessIntervalMin; }},
        {"Reprocessing", "DailyReprocessAtHHMM", K::Text, [](Settings& s) -> Field { return &s.reprocessing.DailyReprocessAtHHMM; }},
        {"Reprocessing", "DailyReprocess2AtHHMM", K::Text, [](Settings& s) -> Field { return &s.reprocessing.DailyReprocess2AtHHMM; }},
        {"Reprocessing", "DailyReprocess3AtHHMM", K::Text, [](Settings& s) -> Field { return &s.reprocessing.DailyReprocess3AtHHMM; }},
        {"Reprocessing", "DailyReprocess4AtHHMM", K::Text, [](Settings& s) -> Field { return &s.reprocessing.DailyReprocess4AtHHMM; }},
        {"Reprocessing", "DailyReprocess5AtHHMM", K::Text, [](Settings& s) -> Field { return &s.reprocessing.DailyReprocess5AtHHMM; }},
        {"Reprocessing", "DailyReprocess6AtHHMM", K::Text, [](Settings& s) -> Field { return &s.reprocessing.DailyReprocess6AtHHMM; }},
        {"Reprocessing", "PrevDayReprocessAtHHMM", K::Text, [](Settings& s) -> Field { return &s.reprocessing.PrevDayReprocessAtHHMM; }},
        {"Reprocessing", "AllowNegativeOT", K::YesNo, [](Settings& s) -> Field { return &s.reprocessing.AllowNegativeOT; }},
        {"Reprocessing", "Break1AsEarlyOT", K::YesNo, [](Settings& s) -> Field { return &s.reprocessing.Break1AsEarlyOT; }},
        {"Reprocessing", "IgnoreSameMinClocking", K::YesNo, [](Settings& s) -> Field { return &s.reprocessing.IgnoreSameMinClocking; }},
        {"Reprocessing", "InRange", K::Text, [](Settings& s) -> Field { return &s.reprocessing.InRange; }},
        {"Reprocessing", "OutRange", K::Text, [](Settings& s) -> Field { return &s.reprocessing.OutRange; }},
        {"Reprocessing", "OTInRange", K::Text, [](Settings& s) -> Field { return &s.reprocessing.OTInRange; }},
        {"Reprocessing", "OTOutRange", K::Text, [](Settings& s) -> Field { return &s.reprocessing.OTOutRange; }},
        {"Reprocessing", "PreOvertime", K::YesNo, [](Settings& s) -> Field { return &s.reprocessing.PreOvertime; }},
        {"Reprocessing", "PreOTSplit", K::YesNo, [](Settings& s) -> Field { return &s.reprocessing.PreOTSplit; }},
        {"Reprocessing", "GraceInMin", K::Integer, [](Settings& s) -> Field { return &s.reprocessing.GraceInMin; }},
        {"Reprocessing", "GraceOutMin", K::Integer, [](Settings& s) -> Field { return &s.reprocessing.GraceOutMin; }},
        {"Tavro", "FILO", K::YesNo, [](Settings& s) -> Field { return &s.tavro.FILO; }},
        {"Tavro", "SetWorkOutIfNotEnoughOT", K::YesNo, [](Settings& s) -> Field { return &s.tavro.SetWorkOutIfNotEnoughOT; }},
        {"Tavro", "FlexibleHourRestOffDay", K::YesNo, [](Settings& s) -> Field { return &s.tavro.FlexibleHourRestOffDay; }},
        {"Tessel", "ClockReason", K::YesNo, [](Settings& s) -> Field { return &s.tessel.ClockReason; }},
    };
    // clang-format on
    return keys;
}

}  // namespace kx
