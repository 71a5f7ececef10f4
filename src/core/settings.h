#pragma once
#include <string>

namespace kx {

// Every key of Kairox.ini with its default, by section; member names are the
// key names. Filled once at start-up by the settings reader and read-only
// afterwards, except options.IgnoreInOutCOde (cleared for the rest of the run
// under overtime mode "C") and options.International (cleared when the text
// table fails to load).
struct Settings {
    struct Database {
        std::string DBAlias = "Kairox";
        std::string DBType = "PARADOX";  // upper-cased on reading
        // How long a batch waits for a database that went away or stays busy
        // before it ends; a negative value is taken as the default.
        int ReconnectSeconds = 60;
        bool operator==(const Database&) const = default;
    };

    struct Server {
        std::string Path;
        bool ATServer = false;  // forced on in server mode
        bool IgnoreKTPServer = false;
        std::string Integrated;  // upper-cased on reading
        std::string IPPort = "4000";
        std::string TabFilePath;
        bool operator==(const Server&) const = default;
    };

    struct Options {
        int ATA_Details = 0;
        int TranYearDigits = 4;
        int InWorkRangeOffsetMin = 480;
        int OutWorkRangeOffsetMin = 480;
        bool AutoProcess = false;
        std::string SatInOutTime;
        int SatOTOffsetMin = 0;
        bool WorkHrExcOT = false;
        bool AutoFit = false;
        int OTRoundingFactorMin = 0;
        bool FromClockIfExist = false;
        std::string FromClockJobCodes = "000-000-000-000";
        bool OffRestDayId = false;
        bool ClearAttendPhantom = false;
        bool CheckStartExpiryDate = false;
        bool International = false;
        std::string InternationalFileName;
        std::string FriInOutTime;
        std::string FriLunchInOutTime;
        bool GovFTWRDay = false;
        bool IgnoreInOutCOde = false;
        bool LateEarlyReason = false;
        int SetOffDayTO = 0;
        bool DoorAccess2Clock = false;
        bool SnapToInTime = false;
        bool ClockDataUserOverride = false;
        bool ShiftDataWindow = false;
        bool ExtendedIDNo = false;
        int ExtendedIDLength = 12;
        bool OTApprovalAdjust = false;
        std::string CutOffTime = "0500";
        bool SQLIDChecking = false;
        bool AttendEdit = false;
        bool EnforceClockMode = false;
        bool FlexibleMealHour = false;
        bool FlexibleWorkHour = false;
        bool SnapToOTRange = false;
        bool EnforceLatenessCal = false;
        int FlexMealInOffsetMin = 60;
        int FlexMealOutOffsetMin = 60;
        int CardLength = 6;
        bool UseSkin = false;
        int SkinNo = 1;
        std::string SkinFile;
        bool LogReprocess = false;
        bool OTApproval = false;
        bool SelectedControllersOnly = false;
        std::string SelectedControllers;
        bool operator==(const Options&) const = default;
    };

    struct CustomReport {
        bool GroupByDepartment = false;
        bool operator==(const CustomReport&) const = default;
    };

    // [Shift/Leave]
    struct ShiftLeave {
        int ExtendedLeaveControl = 0;
        bool operator==(const ShiftLeave&) const = default;
    };

    struct Reprocessing {
        bool BasedOnStaffNumber = false;
        int ReprocessIntervalMin = 0;
        std::string DailyReprocessAtHHMM;
        std::string DailyReprocess2AtHHMM;
        std::string DailyReprocess3AtHHMM;
        std::string DailyReprocess4AtHHMM;
        std::string DailyReprocess5AtHHMM;
        std::string DailyReprocess6AtHHMM;
        std::string PrevDayReprocessAtHHMM;
        bool AllowNegativeOT = false;
        bool Break1AsEarlyOT = false;
        bool IgnoreSameMinClocking = false;
        std::string InRange;
        std::string OutRange;
        std::string OTInRange;
        std::string OTOutRange;
        bool PreOvertime = false;
        bool PreOTSplit = false;
        int GraceInMin = 0;
        int GraceOutMin = 0;
        bool operator==(const Reprocessing&) const = default;
    };

    struct Tavro {
        bool FILO = false;
        bool SetWorkOutIfNotEnoughOT = false;
        bool FlexibleHourRestOffDay = false;
        bool operator==(const Tavro&) const = default;
    };

    struct Tessel {
        bool ClockReason = false;
        bool operator==(const Tessel&) const = default;
    };

    Database database;
    Server server;
    Options options;
    CustomReport customReport;
    ShiftLeave shiftLeave;
    Reprocessing reprocessing;
    Tavro tavro;
    Tessel tessel;

    bool operator==(const Settings&) const = default;
};

}  // namespace kx
