#include "core/int_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kx {
namespace {

struct Case {
    std::string text;
    std::optional<long long> exact;   // ParseIntegerText
    std::optional<int> trimmedInt32;  // ParseTrimmedInt32
};

// The two rules differ only in the blanks around the number and in the range.
TEST(IntText, ExactAndTrimmedRules) {
    const Case cases[] = {
        {"42", 42, 42},
        {"-7", -7, -7},
        {"+0", 0, 0},
        {"0x1F", 31, 31},
        {"$ff", 255, 255},
        {" 42 ", std::nullopt, 42},
        {"  -15", std::nullopt, -15},
        {"", std::nullopt, std::nullopt},
        {"    ", std::nullopt, std::nullopt},
        {"12a", std::nullopt, std::nullopt},
        {"1 2", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"2147483647", 2147483647LL, 2147483647},
        {"-2147483648", -2147483648LL, -2147483647 - 1},
        {"2147483648", 2147483648LL, std::nullopt},
        {"-2147483649", -2147483649LL, std::nullopt},
        {"99999999999999999999", 9223372036854775807LL, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseIntegerText(c.text), c.exact) << "[" << c.text << "]";
        EXPECT_EQ(ParseTrimmedInt32(c.text), c.trimmedInt32) << "[" << c.text << "]";
    }
}

}  // namespace
}  // namespace kx
