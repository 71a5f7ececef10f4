#include <gtest/gtest.h>

#include <stdexcept>

#include "assembly/clock_date_window.h"
#include "assembly/raw_data.h"

namespace kx {
namespace {

TEST(ClockDateWindow, AcrossMonthYearAndLeapDayEnds) {
    const struct {
        const char* date;
        const char* sysIn;
        ClockDates expected;
    } cases[] = {
        {"20240105", "0830", {"20240105", "20240106", "20240105"}},
        {"20240105", "0100", {"20240105", "20240106", "20240105"}},
        {"20240105", "0059", {"20240105", "20240106", "20240104"}},
        {"20240105", "0030", {"20240105", "20240106", "20240104"}},
        {"20240105", "", {"20240105", "20240106", "20240104"}},
        {"20240229", "0000", {"20240229", "20240301", "20240228"}},
        {"20240301", "0030", {"20240301", "20240302", "20240229"}},
        {"20230228", "0030", {"20230228", "20230301", "20230227"}},
        {"20230301", "0030", {"20230301", "20230302", "20230228"}},
        {"20241231", "0030", {"20241231", "20250101", "20241230"}},
        {"20250101", "0030", {"20250101", "20250102", "20241231"}},
        {"21000228", "0800", {"21000228", "21000301", "21000228"}},
        {"20000228", "0800", {"20000228", "20000229", "20000228"}},
        {"20240430", "0800", {"20240430", "20240501", "20240430"}},
    };
    for (const auto& c : cases) {
        const ClockDates got = ClockDateWindow(c.date, c.sysIn);
        EXPECT_EQ(got, c.expected) << c.date << " " << c.sysIn << ": " << got.D << "," << got.N << "," << got.P;
    }
}

TEST(ClockDateWindow, UndecodableDates) {
    for (const char* bad : {"", "2024010", "202401051", "2024013X", "20230229", "20241301", "20240100", "20240431",
                            "2024-1-5", " 20240105"}) {
        EXPECT_THROW(ClockDateWindow(bad, "0800"), std::invalid_argument) << "[" << bad << "]";
    }
}

TEST(ClockDateWindow, TranYearFormAndWidening) {
    const ClockDates dates{"20240105", "20240106", "20240104"};
    EXPECT_EQ(InTranYearForm(dates, 4), dates);
    EXPECT_EQ(InTranYearForm(dates, 2), (ClockDates{"240105", "240106", "240104"}));
    EXPECT_EQ(InTranYearForm(dates, 0), (ClockDates{"240105", "240106", "240104"}));

    const struct {
        const char* stored;
        const char* widened;
    } cases[] = {
        {"991231", "19991231"}, {"240105", "20240105"},   {"000101", "20000101"},   {"891231", "20891231"},
        {"900101", "19900101"}, {" 240105 ", "20240105"}, {"20240105", "20240105"}, {"", ""},
        {"2401", "2401"},
    };
    for (const auto& c : cases) EXPECT_EQ(WidenTransDate(c.stored), c.widened) << c.stored;
}

TEST(CheckNextDay, TimesBeforeTheExpectedInCountOnTheNextDay) {
    TAT_Emp record;
    const struct {
        const char* sysIn;
        const char* date;
        const char* time;
        const char* expected;
    } cases[] = {
        {"2200", "20240105", "0200", "20240106"}, {"2200", "20240105", "2200", "20240105"},
        {"2200", "20240105", "2300", "20240105"}, {"0830", "20240229", "0200", "20240301"},
        {"0830", "20241231", "0000", "20250101"}, {"", "20240105", "0000", "20240105"},
    };
    for (const auto& c : cases) {
        record.SysIn = c.sysIn;
        EXPECT_EQ(CheckNextDay(c.date, c.time, record), c.expected) << c.sysIn << " " << c.time;
    }
    record.SysIn = "0830";
    EXPECT_THROW(CheckNextDay("2024013X", "0200", record), std::invalid_argument);
    EXPECT_EQ(CheckNextDay("2024013X", "0900", record), "2024013X");
}

}  // namespace
}  // namespace kx
