#pragma once
// A small suite database with an agent context whose clock the test drives,
// for the interval, daily and auto-process batches.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/query_rows.h"
#include "support/recording_host.h"
#include "support/suite_context.h"

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

class ScheduleEnv : public SuiteContext {
public:
    explicit ScheduleEnv(std::string_view backend) : SuiteContext(backend, MakeLocalTime(2024, 1, 5, 7, 59, 30)) {
        Run(kScheduleSite);
        ctx().host = &host;
        ctx().log.SetDetailThreshold(999);
        ctx().log.SetLogReprocess(true);
    }

    RecordingHost host;

    // The first column of every row, in the order the select gives.
    std::vector<std::string> Rows(const std::string& sql) { return FirstColumn(db().Common3Query, sql); }
    std::vector<std::string> AttendRows() {
        return Rows("select staff_number || ' ' || at_date from kt_attnd order by at_date, staff_number");
    }

    std::vector<std::string> RPLines() const { return LogTexts(ctx().log.ReprocessLogPath()); }
    // Main-log lines that start with `prefix`, in order.
    std::vector<std::string> Logged(std::string_view prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : LogLines())
            if (line.starts_with(prefix)) found.push_back(line);
        return found;
    }
};

// Parametrised over the backend name; skips PostgreSQL without a server.
class ScheduleTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (!BackendAvailable(GetParam())) GTEST_SKIP() << "KX_TEST_PG is not set";
        env = std::make_unique<ScheduleEnv>(GetParam());
    }
    AgentContext& ctx() { return env->ctx(); }

    std::unique_ptr<ScheduleEnv> env;
};

}  // namespace kx::test
