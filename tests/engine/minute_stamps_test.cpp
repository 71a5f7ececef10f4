#include "core/minute_stamps.h"

#include <gtest/gtest.h>

#include "engine/log_capture.h"

namespace kx {
namespace {

struct SpanCase {
    const char* what;
    const char* from;
    const char* to;
    std::int64_t minutes;
};

class MinutesBetweenSpans : public testing::TestWithParam<SpanCase> {};

TEST_P(MinutesBetweenSpans, CountsSignedMinutes) {
    const SpanCase& c = GetParam();
    test::LogCapture capture;
    EXPECT_EQ(MinutesBetween(capture.log(), c.from, c.to), c.minutes) << c.what;
    EXPECT_TRUE(capture.Lines().empty()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, MinutesBetweenSpans,
    testing::Values(SpanCase{"same minute", "202401150830", "202401150830", 0},
                    SpanCase{"working day", "202401150842", "202401151745", 543},
                    SpanCase{"across midnight", "202401152200", "202401160600", 480},
                    SpanCase{"to midnight", "202401152359", "202401160000", 1},
                    SpanCase{"backwards across midnight", "202401160600", "202401152200", -480},
                    SpanCase{"31-day month end", "202401312330", "202402010030", 60},
                    SpanCase{"30-day month end", "202404302300", "202405010100", 120},
                    SpanCase{"year end", "202312312359", "202401010001", 2},
                    SpanCase{"leap day 2024", "202402282300", "202403010100", 1560},
                    SpanCase{"no leap day 2023", "202302282300", "202303010100", 120},
                    SpanCase{"no leap day 1900", "190002282300", "190003010100", 120},
                    SpanCase{"leap day 2000", "200002282300", "200003010100", 1560},
                    SpanCase{"backwards over a leap day", "202403010100", "202402282300", -1560},
                    SpanCase{"a leap year", "202401010000", "202501010000", 366 * 1440},
                    SpanCase{"before the epoch", "189912290000", "189912300000", 1440},
                    SpanCase{"whole calendar, beyond 32 bits", "000101010000", "999912312359", 5258964959},
                    SpanCase{"characters after the stamp ignored", "202401150800xyz", "202401150900", 60},
                    // Only complete times count: 0, and nothing is logged.
                    SpanCase{"from time short", "20240115083", "202401150900", 0},
                    SpanCase{"to time blank", "202401150830", "20240115    ", 0},
                    SpanCase{"from time with a blank", "20240115 830", "202401150900", 0},
                    SpanCase{"date only", "20240115", "20240116", 0}, SpanCase{"both empty", "", "", 0}),
    [](const testing::TestParamInfo<SpanCase>& info) { return "case" + std::to_string(info.index); });

struct BadCase {
    const char* from;
    const char* to;
    const char* logged;
};

TEST(MinutesBetween, UnencodableDateOrTimeIsLoggedAndGivesZero) {
    const BadCase cases[] = {
        {"2024ab150800", "202401150900", "'ab' is not a valid integer value"},
        {"202401150800", "202402300900", "Invalid argument to date encode"},
        {"202313150800", "202401150900", "Invalid argument to date encode"},
        {"000001010800", "202401150900", "Invalid argument to date encode"},
        {"202401152400", "202401160000", "Invalid argument to time encode"},
        {"202401150860", "202401150900", "Invalid argument to time encode"},
        // Joined and then trimmed: an inner blank passes the length rule but not the conversion.
        {"20240115083 ", "20240115 900", "'3 ' is not a valid integer value"},
    };
    for (const BadCase& c : cases) {
        test::LogCapture capture;
        EXPECT_EQ(MinutesBetween(capture.log(), c.from, c.to), 0) << c.from << " " << c.to;
        EXPECT_EQ(capture.Lines(), std::vector<std::string>{c.logged}) << c.from << " " << c.to;
    }
}

TEST(StampToMinutes, CountsFromThirtiethOfDecember1899) {
    const struct {
        const char* stamp;
        std::int32_t minutes;
    } cases[] = {
        {"189912300000", 0},
        {"189912310000", 1440},
        {"190001010001", 2 * 1440 + 1},
        {"189912290000", -1440},
        {"202401010830", 45292 * 1440 + 510},  // day 45292 of the usual serial date count
        {"202401010830 trailing", 45292 * 1440 + 510},
        {"20240101", 0},
        {"20240101 830", 0},
        {"2024010108", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        test::LogCapture capture;
        EXPECT_EQ(StampToMinutes(capture.log(), c.stamp), c.minutes) << c.stamp;
        EXPECT_TRUE(capture.Lines().empty()) << c.stamp;
    }
}

TEST(StampToMinutes, FailuresAreLoggedAndGiveZero) {
    const struct {
        const char* stamp;
        const char* logged;
    } cases[] = {
        {"2024010x0830", "'0x' is not a valid integer value"},
        {"202402300830", "Invalid argument to date encode"},
        {"2024010108 0", "' 0' is not a valid integer value"},
        {"202401012500", "Invalid argument to time encode"},
        // Stamps after about the year 5983 do not fit 32 bits.
        {"999912312359", "'999912312359' is out of the minute stamp range"},
    };
    for (const auto& c : cases) {
        test::LogCapture capture;
        EXPECT_EQ(StampToMinutes(capture.log(), c.stamp), 0) << c.stamp;
        EXPECT_EQ(capture.Lines(), std::vector<std::string>{c.logged}) << c.stamp;
    }
}

TEST(StampToMinutes, DifferencesAgreeWithMinutesBetween) {
    test::LogCapture capture;
    const char* a = "202402282215";
    const char* b = "202403010640";
    EXPECT_EQ(StampToMinutes(capture.log(), b) - StampToMinutes(capture.log(), a), MinutesBetween(capture.log(), a, b));
}

}  // namespace
}  // namespace kx
