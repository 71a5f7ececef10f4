#pragma once
// A small suite database with an agent context whose clock the test drives,
// for the interval, daily and auto-process batches.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent_context.h"
#include "core/clock.h"
#include "db/database.h"
#include "support/recording_host.h"
#include "support/test_db.h"

namespace kx::test {

// Three staff members; S3 is exempted. Clockings of S1 on 05/01/2024 in kt_tmclk.
inline const std::vector<std::string> kScheduleSite = {
    "insert into kt_sys values ('________','X_____X','0','0830','1730','1200','1300','1000','1015','1500','1515',"
    "'000','002','003','004','001','1','30','30','30','','')",
    "insert into cards values ('S1','000111','Ann Lee','D1','N','','SC1','BR1','D1','CP1','N','20200101','20991231','')",
    "insert into cards values ('S2','000222','Bo Tan','D2','N','','SC2','BR2','D2','CP2','N','20200101','20991231','')",
    "insert into cards values ('S3','000333','Cy Ong','D1','N','','SC1','BR1','D1','CP1','Y','20200101','20991231','')",
    "insert into kt_cdext values ('S1','Y','N','NONE','N','SC1','BR1','D1','CP1')",
    "insert into kt_cdext values ('S2','N','N','NONE','N','SC2','BR2','D2','CP2')",
    "insert into kt_cdext values ('S3','N','N','NONE','N','SC1','BR1','D1','CP1')",
    "insert into kt_tmclk values ('S1','20240105','0845','I','000','')",
    "insert into kt_tmclk values ('S1','20240105','1735','O','000','')",
};

class ScheduleEnv {
public:
    explicit ScheduleEnv(std::string_view backend)
        : testDb_(backend), db_(testDb_.Open()), ctx_(testDb_.home(), clock)
    {
        LoadSuiteSchema(*db_);
        Run(kScheduleSite);
        ctx_.db = db_.get();
        ctx_.host = &host;
        ctx_.log.SetDetailThreshold(999);
        ctx_.log.SetLogReprocess(true);
    }

    FakeClock clock{MakeLocalTime(2024, 1, 5, 7, 59, 30)};
    RecordingHost host;

    AgentContext& ctx() { return ctx_; }
    db::Database& db() { return *db_; }
    const std::string& alias() const { return testDb_.alias(); }

    void Run(const std::vector<std::string>& statements)
    {
        for (const std::string& sql : statements) RunFixture(*db_, {sql});
    }

    // The first column of every row, in the order the select gives.
    std::vector<std::string> Rows(const std::string& sql)
    {
        db::Query& q = db_->Common3Query;
        q.Close();
        q.SetSQL(sql);
        q.Open();
        std::vector<std::string> rows;
        for (; !q.Eof(); q.Next()) rows.push_back(q.Field(0));
        q.Close();
        return rows;
    }
    std::vector<std::string> AttendRows()
    {
        return Rows("select staff_number || ' ' || at_date from kt_attnd order by at_date, staff_number");
    }

    // Log texts without the "dd/mm/yy hh:nn:ss : " stamp.
    static std::vector<std::string> Lines(const std::filesystem::path& file)
    {
        std::vector<std::string> lines;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) lines.push_back(line.size() >= 20 ? line.substr(20) : line);
        return lines;
    }
    std::vector<std::string> LogLines() const { return Lines(ctx_.log.MainLogPath()); }
    std::vector<std::string> RPLines() const { return Lines(ctx_.log.ReprocessLogPath()); }
    // Main-log lines that start with `prefix`, in order.
    std::vector<std::string> Logged(std::string_view prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& line : LogLines())
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }

private:
    TestDatabase testDb_;
    std::unique_ptr<db::Database> db_;
    AgentContext ctx_;
};

// Parametrised over the backend name; skips PostgreSQL without a server.
class ScheduleTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        if (!BackendAvailable(GetParam())) GTEST_SKIP() << "KX_TEST_PG is not set";
        env = std::make_unique<ScheduleEnv>(GetParam());
    }
    AgentContext& ctx() { return env->ctx(); }

    std::unique_ptr<ScheduleEnv> env;
};

}  // namespace kx::test
