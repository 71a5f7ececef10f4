#include "shell/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "core/agent_context.h"

namespace kx {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

Settings FromText(const std::string& text) { return ReadSettings(IniFile::FromText(text)); }

TEST(SettingsFile, NoKeysGivesEveryDefault) {
    for (const std::string& text : {std::string(), std::string("[Options]\n[Server]\n[Database]\n")}) {
        const Settings s = FromText(text);
        EXPECT_EQ(s, Settings{});
        EXPECT_EQ(s.database.DBAlias, "Kairox");
        EXPECT_EQ(s.database.DBType, "PARADOX");
        EXPECT_EQ(s.server.IPPort, "4000");
        EXPECT_EQ(s.options.CutOffTime, "0500");
        EXPECT_EQ(s.options.FromClockJobCodes, "000-000-000-000");
        EXPECT_EQ(s.options.InWorkRangeOffsetMin, 480);
        EXPECT_EQ(s.options.OutWorkRangeOffsetMin, 480);
        EXPECT_EQ(s.options.FlexMealInOffsetMin, 60);
        EXPECT_EQ(s.options.FlexMealOutOffsetMin, 60);
        EXPECT_EQ(s.options.TranYearDigits, 4);
        EXPECT_EQ(s.options.ExtendedIDLength, 12);
        EXPECT_EQ(s.options.CardLength, 6);
        EXPECT_EQ(s.options.SkinNo, 1);
        EXPECT_EQ(s.options.ATA_Details, 0);
        EXPECT_FALSE(s.server.ATServer);
        EXPECT_FALSE(s.options.International);
        EXPECT_EQ(s.server.Integrated, "");
        EXPECT_EQ(s.reprocessing.DailyReprocessAtHHMM, "");
        EXPECT_EQ(s.shiftLeave.ExtendedLeaveControl, 0);
    }
    EXPECT_EQ(ReadSettingsFile(fs::path("/nonexistent/Kairox.ini")), Settings{});
}

TEST(SettingsFile, EveryKeyIsReadFromItsSection) {
    // Every default is changed, so a key read under a wrong name or section shows.
    const Settings s = FromText(R"([Database]
DBAlias=suite
DBType=sqlite
[Server]
Path=/net/
ATServer=1
IgnoreKTPServer=1
Integrated=tessel
IPPort=4100
TabFilePath=tabs/
[Options]
ATA_Details=21
TranYearDigits=2
InWorkRangeOffsetMin=1
OutWorkRangeOffsetMin=2
AutoProcess=1
SatInOutTime=0800-1200
SatOTOffsetMin=3
WorkHrExcOT=1
AutoFit=1
OTRoundingFactorMin=15
FromClockIfExist=1
FromClockJobCodes=001-002-003-004
OffRestDayId=1
ClearAttendPhantom=1
CheckStartExpiryDate=1
International=1
InternationalFileName=fr.txt
FriInOutTime=0800-1600
FriLunchInOutTime=1200-1400
GovFTWRDay=1
IgnoreInOutCOde=1
LateEarlyReason=1
SetOffDayTO=6
DoorAccess2Clock=1
SnapToInTime=1
ClockDataUserOverride=1
ShiftDataWindow=1
ExtendedIDNo=1
ExtendedIDLength=10
OTApprovalAdjust=1
CutOffTime=0600
SQLIDChecking=1
AttendEdit=1
EnforceClockMode=1
FlexibleMealHour=1
FlexibleWorkHour=1
SnapToOTRange=1
EnforceLatenessCal=1
FlexMealInOffsetMin=30
FlexMealOutOffsetMin=45
CardLength=8
UseSkin=1
SkinNo=4
SkinFile=blue.skn
LogReprocess=1
OTApproval=1
SelectedControllersOnly=1
SelectedControllers=0101,0102,
[CustomReport]
GroupByDepartment=1
[Shift/Leave]
ExtendedLeaveControl=1
[Reprocessing]
BasedOnStaffNumber=1
ReprocessIntervalMin=5
DailyReprocessAtHHMM=0100
DailyReprocess2AtHHMM=0200
DailyReprocess3AtHHMM=0300
DailyReprocess4AtHHMM=0400
DailyReprocess5AtHHMM=0500
DailyReprocess6AtHHMM=0600
PrevDayReprocessAtHHMM=0700
AllowNegativeOT=1
Break1AsEarlyOT=1
IgnoreSameMinClocking=1
InRange=0700-0900
OutRange=1700-1900
OTInRange=1800-1900
OTOutRange=2000-2300
PreOvertime=1
PreOTSplit=1
GraceInMin=5
GraceOutMin=6
[Tavro]
FILO=1
SetWorkOutIfNotEnoughOT=1
FlexibleHourRestOffDay=1
[Tessel]
ClockReason=1
)");
    Settings e;
    e.database = {"suite", "SQLITE"};
    e.server = {"/net/", true, true, "TESSEL", "4100", "tabs/"};
    auto& o = e.options;
    o.ATA_Details = 21, o.TranYearDigits = 2, o.InWorkRangeOffsetMin = 1, o.OutWorkRangeOffsetMin = 2;
    o.AutoProcess = true, o.SatInOutTime = "0800-1200", o.SatOTOffsetMin = 3, o.WorkHrExcOT = true, o.AutoFit = true;
    o.OTRoundingFactorMin = 15, o.FromClockIfExist = true, o.FromClockJobCodes = "001-002-003-004";
    o.OffRestDayId = true, o.ClearAttendPhantom = true, o.CheckStartExpiryDate = true, o.International = true;
    o.InternationalFileName = "fr.txt", o.FriInOutTime = "0800-1600", o.FriLunchInOutTime = "1200-1400";
    o.GovFTWRDay = true, o.IgnoreInOutCOde = true, o.LateEarlyReason = true, o.SetOffDayTO = 6;
    o.DoorAccess2Clock = true, o.SnapToInTime = true, o.ClockDataUserOverride = true, o.ShiftDataWindow = true;
    o.ExtendedIDNo = true, o.ExtendedIDLength = 10, o.OTApprovalAdjust = true, o.CutOffTime = "0600";
    o.SQLIDChecking = true, o.AttendEdit = true, o.EnforceClockMode = true, o.FlexibleMealHour = true;
    o.FlexibleWorkHour = true, o.SnapToOTRange = true, o.EnforceLatenessCal = true, o.FlexMealInOffsetMin = 30;
    o.FlexMealOutOffsetMin = 45, o.CardLength = 8, o.UseSkin = true, o.SkinNo = 4, o.SkinFile = "blue.skn";
    o.LogReprocess = true, o.OTApproval = true, o.SelectedControllersOnly = true;
    o.SelectedControllers = "0101,0102,";
    e.customReport.GroupByDepartment = true;
    e.shiftLeave.ExtendedLeaveControl = 1;
    e.reprocessing = {true, 5,    "0100",      "0200",      "0300",      "0400",      "0500", "0600", "0700", true,
                      true, true, "0700-0900", "1700-1900", "1800-1900", "2000-2300", true,   true,   5,      6};
    e.tavro = {true, true, true};
    e.tessel.ClockReason = true;
    EXPECT_EQ(s.database, e.database);
    EXPECT_EQ(s.server, e.server);
    EXPECT_EQ(s.options, e.options);
    EXPECT_EQ(s.reprocessing, e.reprocessing);
    EXPECT_EQ(s, e);
}

TEST(SettingsFile, IntegerForms) {
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"12", 12},
        {"-3", -3},
        {"+4", 4},
        {"007", 7},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$ff", 255},
        {"-$10", -16},
        {"  42  ", 42},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"0x7FFFFFFF", 2147483647},
        // malformed, empty or out of range: the default
        {"", 99},
        {"$", 99},
        {"0x", 99},
        {"12abc", 99},
        {"1 2", 99},
        {"abc", 99},
        {"3.5", 99},
        {"2147483648", 99},
        {"0x80000000", 99},
        {"99999999999999999999999", 99},
        {"--1", 99},
        {"0x-1", 99},
        {"1e3", 99},
        {"\xff\xfe", 99},
    };
    for (const auto& c : cases) {
        const IniFile ini = IniFile::FromText(std::string("[S]\nN=") + c.value + "\n");
        EXPECT_EQ(ini.ReadInteger("S", "N", 99), c.expected) << '"' << c.value << '"';
    }
    EXPECT_EQ(IniFile::FromText("[S]\n").ReadInteger("S", "N", 99), 99);
}

TEST(SettingsFile, YesNoValues) {
    const struct {
        const char* value;
        int expected;  // 0 no, 1 yes, -1 the default
    } cases[] = {
        {"0", 0},    {"1", 1},   {"-1", 1},    {"2", 1},  {"0x0", 0}, {"$10", 1}, {" 1 ", 1},
        {"yes", -1}, {"no", -1}, {"true", -1}, {"Y", -1}, {"", -1},   {"1x", -1},
    };
    for (const auto& c : cases) {
        const IniFile ini = IniFile::FromText(std::string("[S]\nB=") + c.value + "\n");
        for (const bool def : {false, true}) {
            const bool expected = c.expected < 0 ? def : c.expected == 1;
            EXPECT_EQ(ini.ReadBool("S", "B", def), expected) << '"' << c.value << "\" default " << def;
        }
    }
}

TEST(SettingsFile, TextValues) {
    const IniFile ini = IniFile::FromText("[S]\nEmpty=\nSpaced =  two words  \nEq=a=b\n");
    EXPECT_EQ(ini.ReadString("S", "Absent", "def"), "def");
    EXPECT_EQ(ini.ReadString("S", "Empty", "def"), "");
    EXPECT_EQ(ini.ReadString("S", "Spaced", "def"), "two words");
    EXPECT_EQ(ini.ReadString("S", "Eq", "def"), "a=b");
    EXPECT_EQ(FromText("[Server]\nIPPort=\n").server.IPPort, "");
}

TEST(SettingsFile, NamesMatchWithoutRegardToCase) {
    const Settings s = FromText(
        "[OPTIONS]\nata_details=10\nCARDLENGTH=8\n[ database ]\n  dbtype = sqlite\n"
        "[server]\nintegrated=nimbnet\n");
    EXPECT_EQ(s.options.ATA_Details, 10);
    EXPECT_EQ(s.options.CardLength, 8);
    EXPECT_EQ(s.database.DBType, "SQLITE");
    EXPECT_EQ(s.server.Integrated, "NIMBNET");
}

TEST(SettingsFile, FirstOccurrenceWinsAndRepeatedSectionsMerge) {
    const Settings s = FromText(
        "[Options]\nCardLength=8\nCardLength=9\n[Server]\nIPPort=1\n"
        "[options]\ncardlength=10\nSkinNo=3\n");
    EXPECT_EQ(s.options.CardLength, 8);
    EXPECT_EQ(s.options.SkinNo, 3);
    EXPECT_EQ(s.server.IPPort, "1");
    // A malformed first occurrence still wins: it gives the default.
    EXPECT_EQ(FromText("[Options]\nCardLength=x\nCardLength=8\n").options.CardLength, 6);
}

TEST(SettingsFile, GarbageBinaryBytesAndLineEnds) {
    const struct {
        const char* name;
        std::string text;
        int cardLength;
        std::string alias;
    } cases[] = {
        {"key before any section", "CardLength=9\n[Options]\nSkinNo=2\n", 6, "Kairox"},
        {"garbage lines", "junk\n[Options]\n;CardLength=9\n=7\nno equals here\nCardLength=8\n", 8, "Kairox"},
        {"unclosed header is ignored", "[Options]\n[Database\nCardLength=8\nDBAlias=x\n", 8, "Kairox"},
        {"CRLF", "[Options]\r\nCardLength=8\r\n[Database]\r\nDBAlias=a b\r\n", 8, "a b"},
        {"CR only", "[Options]\rCardLength=8\r[Database]\rDBAlias=x\r", 8, "x"},
        {"no final line end", "[Database]\nDBAlias=last", 6, "last"},
        {"UTF-8 BOM", "\xEF\xBB\xBF[Options]\nCardLength=8\n", 8, "Kairox"},
        {"NUL ends a value", "[Database]\nDBAlias=ab\0cd\n[Options]\nCardLength=8\n"s, 8, "ab"},
        {"NUL in a key", "[Options]\nCard\0Length=9\nCardLength=8\n"s, 8, "Kairox"},
        {"high bytes", "[Database]\nDBAlias=caf\xE9\n\xFF\xFE\x80=1\n", 6, "caf\xE9"},
        {"UTF-16LE", "\xFF\xFE[\0O\0p\0t\0i\0o\0n\0s\0]\0\r\0\n\0C\0a\0r\0d\0L\0e\0n\0g\0t\0h\0=\0008\0"s, 8, "Kairox"},
    };
    for (const auto& c : cases) {
        const Settings s = FromText(c.text);
        EXPECT_EQ(s.options.CardLength, c.cardLength) << c.name;
        EXPECT_EQ(s.database.DBAlias, c.alias) << c.name;
    }
}

TEST(SettingsFile, RandomBytesNeverThrow) {
    std::mt19937 random(12345);
    const std::string alphabet = "[]=\r\n\0 ,;$0x19aZ"s + "\xEF\xBB\xBF\xFF\xFE";
    for (int round = 0; round < 500; ++round) {
        std::string text(random() % 300, ' ');
        for (char& c : text) c = random() % 2 ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
        if (round % 3 == 0) text = "\xFF\xFE" + text;
        EXPECT_NO_THROW(FromText(text));
    }
}

TEST(SettingsFile, ContextReadConfiguresTheLog) {
    char pattern[] = "/tmp/kx-settings-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path home = pattern;
    std::ofstream(home / "Kairox.ini") << "[Options]\nATA_Details=11\nLogReprocess=1\n";
    FakeClock clock(MakeLocalTime(2026, 12, 8));
    AgentContext ctx(home, clock);
    ReadSettingsFile(ctx);
    EXPECT_EQ(ctx.settings.options.ATA_Details, 11);
    EXPECT_EQ(ctx.log.DetailThreshold(), 11);
    ctx.log.WriteRPLog("x");
    EXPECT_TRUE(fs::exists(home / "RP261208.log"));
    fs::remove_all(home);
}

TEST(SettingsFile, ServerModeForcesATServer) {
    Settings s;
    ApplyServerMode(s, false);
    EXPECT_FALSE(s.server.ATServer);
    ApplyServerMode(s, true);
    EXPECT_TRUE(s.server.ATServer);
    s = FromText("[Server]\nATServer=1\n");
    ApplyServerMode(s, false);
    EXPECT_TRUE(s.server.ATServer);
}

}  // namespace
}  // namespace kx
