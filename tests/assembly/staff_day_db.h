#pragma once
// A fresh suite database with an agent context around it, for the tests of the
// staff-day fillers. Every trace level is written to the main log, which the
// tests read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent_context.h"
#include "core/clock.h"
#include "core/tat_emp.h"
#include "db/database.h"
#include "support/test_db.h"

namespace kx::test {

class StaffDayDb {
public:
    explicit StaffDayDb(std::string_view backend)
        : testDb_(backend), db_(testDb_.Open()), ctx_(testDb_.home(), clock_)
    {
        LoadSuiteSchema(*db_);
        ctx_.db = db_.get();
        ctx_.log.SetDetailThreshold(999);
    }

    AgentContext& ctx() { return ctx_; }
    db::Database& db() { return *db_; }
    const std::string& alias() const { return testDb_.alias(); }

    void Run(const std::vector<std::string>& statements)
    {
        for (const std::string& sql : statements) RunFixture(*db_, {sql});
    }

    // Main log texts without the "dd/mm/yy hh:nn:ss : " stamp.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(ctx_.log.MainLogPath());
        for (std::string line; std::getline(in, line);) lines.push_back(line.size() >= 20 ? line.substr(20) : line);
        return lines;
    }
    bool LoggedExactly(std::string_view text) const
    {
        const auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
    bool LoggedContaining(std::string_view text) const
    {
        for (const std::string& line : LogLines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    int CountLinesStartingWith(std::string_view text) const
    {
        int n = 0;
        for (const std::string& line : LogLines()) n += line.rfind(text, 0) == 0;
        return n;
    }

private:
    TestDatabase testDb_;
    std::unique_ptr<db::Database> db_;
    FakeClock clock_{MakeLocalTime(2024, 1, 5, 9, 0, 0)};
    AgentContext ctx_;
};

// Parametrised over the backend name; skips PostgreSQL without a server.
class BackendTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        if (!BackendAvailable(GetParam())) GTEST_SKIP() << "KX_TEST_PG is not set";
    }
    std::unique_ptr<StaffDayDb> NewDb() { return std::make_unique<StaffDayDb>(GetParam()); }
};

// "date time inout job edited" of each clocking, in list order.
inline std::vector<std::string> ClockingTexts(const TAT_Emp& record)
{
    std::vector<std::string> texts;
    for (const TCD_Source& c : record.RawData)
        texts.push_back(c.TrDate + " " + c.TrTime + " " + c.InOut + " " + c.JobCode + " " + c.Edited);
    return texts;
}

inline std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

}  // namespace kx::test
