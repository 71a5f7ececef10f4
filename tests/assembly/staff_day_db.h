#pragma once
// A fresh suite database with an agent context around it, for the tests of the
// staff-day fillers. Every trace level is written to the main log, which the
// tests read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/tat_emp.h"
#include "support/suite_context.h"

namespace kx::test {

class StaffDayDb : public SuiteContext {
public:
    explicit StaffDayDb(std::string_view backend) : SuiteContext(backend, MakeLocalTime(2024, 1, 5, 9, 0, 0)) {
        ctx().log.SetDetailThreshold(999);
    }

    bool LoggedExactly(std::string_view text) const { return HasText(LogLines(), text); }
    bool LoggedContaining(std::string_view text) const { return HasTextContaining(LogLines(), text); }
    int CountLinesStartingWith(std::string_view text) const {
        int n = 0;
        for (const std::string& line : LogLines()) n += line.rfind(text, 0) == 0;
        return n;
    }
};

// Parametrised over the backend name; skips PostgreSQL without a server.
class BackendTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (!BackendAvailable(GetParam())) GTEST_SKIP() << "KX_TEST_PG is not set";
    }
    std::unique_ptr<StaffDayDb> NewDb() { return std::make_unique<StaffDayDb>(GetParam()); }
};

// "date time inout job edited" of each clocking, in list order.
inline std::vector<std::string> ClockingTexts(const TAT_Emp& record) {
    std::vector<std::string> texts;
    for (const TCD_Source& c : record.RawData)
        texts.push_back(c.TrDate + " " + c.TrTime + " " + c.InOut + " " + c.JobCode + " " + c.Edited);
    return texts;
}

inline std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

}  // namespace kx::test
