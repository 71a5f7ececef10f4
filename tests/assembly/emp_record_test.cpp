#include <gtest/gtest.h>

#include "assembly/emp_record.h"
#include "assembly/raw_data.h"
#include "staff_day_db.h"
#include "support/log_texts.h"

namespace kx {
namespace {

struct ContextOnly {
    test::TempHome home;
    FakeClock clock{MakeLocalTime(2024, 1, 5, 9)};
    AgentContext ctx{home.path(), clock};
    ContextOnly() { ctx.log.SetDetailThreshold(999); }
};

TEST(InitEmpRecord, OnlyExactlyYGetsOvertime) {
    const struct {
        const char* needOT;
        const char* processMode;
    } cases[] = {{"Y", "T"}, {"y", "N"}, {"T", "N"}, {"", "N"}, {"Y ", "N"}, {"N", "N"}};
    for (const auto& c : cases) {
        ContextOnly env;
        TAT_Emp record;
        InitEmpRecord(env.ctx, record, c.needOT);
        EXPECT_EQ(record.ProcessMode, c.processMode) << "NeedOT [" << c.needOT << "]";
    }
}

TEST(InitEmpRecord, ResetsItsFieldsAndKeepsTheRest) {
    ContextOnly env;
    env.ctx.derived.breakPattern = "X_X_____";
    env.ctx.settings.options.ShiftDataWindow = true;

    TAT_Emp record;
    record.Name = "Lee";
    record.CardNo = "C1";
    record.LunchOut = "1200";
    record.OTOut_lower = "1800";
    record.MealJobCode = "M";
    record.WorkFormula = "IN-OUT";
    record.OTEntry.OTFormula = "OT";
    record.WorkRangeOffset = "04800480";
    record.HalfDayAM = record.HalfDayPM = true;
    record.CancelInOut = 1;
    record.RawData.push_back({"20240105", "0800", "000", "I", ""});

    InitEmpRecord(env.ctx, record, "Y");

    EXPECT_EQ(record.SysInGrace, "0");
    EXPECT_EQ(record.SysOutGrace, "0");
    EXPECT_EQ(record.StaffNo, "000001");
    EXPECT_EQ(record.AtDate, "19990101");
    EXPECT_EQ(record.In_lower + record.SysIn + record.In_upper, "080008300900");
    EXPECT_EQ(record.Out_lower + record.SysOut + record.Out_upper, "170017301800");
    EXPECT_EQ(record.HalfDayLeave, "N");
    EXPECT_EQ(record.WorkJobCode, "000");
    EXPECT_EQ(record.DataSource, "T");
    EXPECT_EQ(record.WorkRangeOffset, "");
    EXPECT_EQ(record.OTEntry.OTMode, "A");
    EXPECT_EQ(record.OTEntry.OTOffset, "30");
    EXPECT_EQ(record.OTEntry.OTJobcode, "001");
    EXPECT_EQ(record.OTEntry.OTMinimumMin, "30");
    EXPECT_EQ(record.OTEntry.OTRoundingMin, "30");
    EXPECT_EQ(record.BreakSelect, "X_X_____");
    EXPECT_TRUE(record.ShiftDataWindow);
    EXPECT_EQ(record.CancelInOut, 0);
    EXPECT_FALSE(record.HalfDayAM);
    EXPECT_FALSE(record.HalfDayPM);

    EXPECT_EQ(record.Name, "Lee");
    EXPECT_EQ(record.CardNo, "C1");
    EXPECT_EQ(record.LunchOut, "1200");
    EXPECT_EQ(record.OTOut_lower, "1800");
    EXPECT_EQ(record.MealJobCode, "M");
    EXPECT_EQ(record.WorkFormula, "IN-OUT");
    EXPECT_EQ(record.OTEntry.OTFormula, "OT");
    EXPECT_EQ(record.RawData.size(), 1u);

    ReleaseRawDataMem(env.ctx, record);
    EXPECT_TRUE(record.RawData.empty());
}

TEST(AddOneRawData, InOutFromCodeAndTimeCutToHoursAndMinutes) {
    const struct {
        const char* time;
        const char* code;
        const char* expectedTime;
        const char* inOut;
    } cases[] = {
        {"0800", "0", "0800", "I"},  {"0800", "9", "0800", "O"},   {"0800", "09", "0800", "O"},
        {"0800", "01", "0800", "O"}, {"0800", "I", "0800", "I"},   {"0800", "O", "0800", "O"},
        {"0800", "B", "0800", "B"},  {"083015", "0", "0830", "I"}, {"1730 ", "Out", "1730", "O"},
    };
    ContextOnly env;
    TAT_Emp record;
    for (const auto& c : cases) AddOneRawData(env.ctx, record, "20240105", c.time, c.code, "000", "");
    ASSERT_EQ(record.RawData.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(record.RawData[i].TrTime, cases[i].expectedTime) << cases[i].time;
        EXPECT_EQ(record.RawData[i].InOut, cases[i].inOut) << cases[i].code;
        EXPECT_EQ(record.RawData[i].TrDate, "20240105");
    }
}

TEST(AddOneRawData, RejectsEmptyCodesAndTimesThatAreNotFourDigits) {
    const struct {
        const char* time;
        const char* code;
        const char* logLine;
    } cases[] = {
        {"0800", "", "<AddOneRawData>empty clocking code"},
        {"", "I", "<AddOneRawData>'' is not a valid clocking time"},
        {"830", "I", "<AddOneRawData>'830' is not a valid clocking time"},
        {"8:30", "I", "<AddOneRawData>'8:30' is not a valid clocking time"},
        {"ab12", "O", "<AddOneRawData>'ab12' is not a valid clocking time"},
    };
    for (const auto& c : cases) {
        ContextOnly env;
        TAT_Emp record;
        AddOneRawData(env.ctx, record, "20240105", c.time, c.code, "000", "");
        AddOneRawData(env.ctx, record, "20240105", "0900", "I", "000", "");
        ASSERT_EQ(record.RawData.size(), 1u) << c.logLine;
        EXPECT_EQ(record.RawData[0].TrTime, "0900");
        const std::vector<std::string> texts = test::LogTexts(env.ctx.log.MainLogPath());
        ASSERT_FALSE(texts.empty()) << c.logLine;
        EXPECT_EQ(texts[0], c.logLine);
    }
}

}  // namespace
}  // namespace kx
