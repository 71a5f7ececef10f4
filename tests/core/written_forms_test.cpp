#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "core/clock.h"
#include "core/text.h"

namespace {

using namespace std::chrono;

TEST(WrittenFormsTest, DatesAreEightDigitsAndOddYearsAsPrintfWritesThem) {
    struct Case {
        year_month_day date;
        const char* text;
    };
    const Case cases[] = {
        {2025y / March / 1d, "20250301"},          {2024y / February / 29d, "20240229"},
        {year{1} / January / 1d, "00010101"},      {year{0} / December / 31d, "00001231"},
        {year{10000} / January / 1d, "100000101"},  // one past a four-digit year: five digits
        {year{-1} / November / 28d, "-0011128"},
    };
    for (const Case& c : cases) EXPECT_EQ(kx::DateText(c.date), c.text) << c.text;
    EXPECT_EQ(kx::DateText(kx::MakeLocalTime(2025, 12, 31, 23, 59, 59)), "20251231");
}

TEST(WrittenFormsTest, TimesAreFourDigits) {
    EXPECT_EQ(kx::HourMinuteText(0, 0), "0000");
    EXPECT_EQ(kx::HourMinuteText(7, 5), "0705");
    EXPECT_EQ(kx::HourMinuteText(23, 59), "2359");
    EXPECT_EQ(kx::TimeText(kx::MakeLocalTime(2025, 3, 1, 9, 30, 59)), "0930");
}

TEST(WrittenFormsTest, CaseRulesAreAsciiOnly) {
    // "É" in UTF-8 and a Latin-1 byte: a byte above 127 never changes.
    EXPECT_EQ(kx::LowerCase("Staff_NUMBER \xc3\x89\xc9"), "staff_number \xc3\x89\xc9");
    EXPECT_EQ(kx::UpperCase("kt_attnd \xe9"), "KT_ATTND \xe9");
    EXPECT_TRUE(kx::EqualsNoCase("Staff_Number", "STAFF_number"));
    EXPECT_FALSE(kx::EqualsNoCase("\xe9", "\xc9"));
    EXPECT_TRUE(kx::StartsWithNoCase("SELECT * from kt_shift", "select "));
    EXPECT_FALSE(kx::StartsWithNoCase("selec", "select "));
    EXPECT_FALSE(kx::StartsWithNoCase("selected", "select "));
}

}  // namespace
