// Random range requests through the parse a range run starts with: the split
// by character positions and the days the run walks. A request built from
// known dates must walk exactly the days from the first date to the last, or
// to today when the last is still to come; any other text must either plan
// days the same way or fail with std::invalid_argument, which the run logs.
// 20,000 requests by default; KX_FUZZ_LONG=1 runs two million, KX_FUZZ_SEED
// picks another seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "assembly/clock_date_window.h"
#include "core/agent_context.h"
#include "schedule/range_request.h"
#include "support/random_text.h"
#include "support/test_db.h"

namespace kx {
namespace {

using namespace std::chrono;

const std::vector<std::string> kWords = {
    "TRP", "T", "D", "2026", "0229", "1231", "1301", "0000", "9999", "select * from cards", "'", " "};

std::string DateText(year_month_day d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                  static_cast<unsigned>(d.day()));
    return buf;
}

year_month_day RandomDate(test::Rng& rng, local_days around) {
    if (rng.Chance(0.1))  // anywhere in four-digit years
        return year_month_day{local_days{year{1} / January / 1} + days{rng.Below(3652000)}};
    return year_month_day{around + days{static_cast<long long>(rng.Below(120)) - 80}};
}

TEST(RangeRequestRandom, RequestsWalkTheirDaysOrFailAsBadDates) {
    const test::RandomRun run = test::RandomRunFromEnv(20261209, 20000, 2000000);
    test::Rng rng(run.seed);
    test::TempHome home;
    FakeClock clock;
    AgentContext ctx(home.path(), clock);
    std::string previous = "TRPT2026030120260302select * from cards";
    std::size_t walked = 0;
    for (std::size_t n = 0; n < run.count; ++n) {
        const local_days today = local_days{year{2026} / March / 2} + days{rng.Below(400)};
        const LocalTime now = LocalTime{today} + seconds{rng.Below(86400)};
        clock.Set(now);
        const year_month_day first = RandomDate(rng, today);
        const year_month_day last = RandomDate(rng, today);
        const std::string letter(1, "TD"[rng.Below(2)]);
        const std::string sql = rng.Chance(0.8) ? "select * from cards" : test::RawBytes(rng, 40);
        const bool built = rng.Chance(0.7);
        const std::string request = built ? "TRP" + letter + DateText(first) + DateText(last) + sql
                                          : test::Mutated(rng, previous, kWords, "TRPD2024022920240301");
        const std::string trace = "seed " + std::to_string(run.seed) + ", request " + std::to_string(n) + ": \"" +
                                  test::Escaped(request) + "\"";

        const RangeRequest parts = SplitRangeRequest(request);
        ASSERT_EQ(parts.dataSource + parts.firstDate + parts.lastDate + parts.staffSql,
                  request.substr(std::min<std::size_t>(3, request.size())))
            << trace;
        if (built) {
            ASSERT_EQ(parts.dataSource, letter) << trace;
            ASSERT_EQ(parts.staffSql, sql) << trace;
        }

        RangeDays range;
        try {
            range = PlanRangeDays(ctx, parts);
        } catch (const std::invalid_argument&) {
            ASSERT_FALSE(built) << trace;
            continue;
        }
        // The dates a plan was made from are dates.
        const year_month_day planned{range.first};
        ASSERT_TRUE(planned.ok()) << trace;
        ASSERT_EQ(DateText(planned), parts.firstDate) << trace;
        if (built) {
            ASSERT_EQ(planned, first) << trace;
        }
        const year_month_day lastDate = built ? last : DecodeDateText(parts.lastDate);
        const local_days end = std::min(local_days{lastDate}, today);
        const long long expected = std::max(0LL, static_cast<long long>((end - range.first).count()) + 1);
        ASSERT_EQ(range.count, expected) << trace << ", today " << DateText(year_month_day{today});
        ++walked;
        if (request.size() < 80) previous = request;
    }
    EXPECT_GT(walked, run.count / 2);
}

}  // namespace
}  // namespace kx
