// libFuzzer target for the parse of a range request: the "TRP" text the
// front end leaves in the mailbox is split by character positions and its
// dates are decoded into the days the range run walks. Nothing may crash,
// overflow or read out of bounds; a bad date is an exception the run logs.
//
//   cmake --build build-fuzz --target range_request_fuzz
//   mkdir -p /tmp/range_request-corpus && cp tests/fuzz/corpus/range_request/* /tmp/range_request-corpus/
//   build-fuzz/bin/range_request_fuzz -dict=tests/fuzz/range_request.dict -max_len=512 -timeout=5 \
//       -runs=10000000 /tmp/range_request-corpus
//
// Input layout: bytes 0-1 the clock's day (days after 2000-01-01), byte 2 its
// time of day (in steps of 339 s); the rest is the request after "TRP".
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "assembly/clock_date_window.h"
#include "core/agent_context.h"
#include "core/clock.h"
#include "fuzz_home.h"
#include "schedule/range_request.h"

using kx::fuzz::Require;

namespace {

bool EightDigits(const std::string& s) {
    return s.size() == 8 && s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace std::chrono;
    static kx::fuzz::FuzzHome home("kx_range_fuzz");
    static kx::FakeClock clock;
    static kx::AgentContext ctx(home.path(), clock);
    constexpr std::size_t kHeader = 3;
    if (size < kHeader) return 0;
    const kx::LocalTime now =
        local_days{year{2000} / January / 1} + days{data[0] | data[1] << 8} + seconds{data[2] * 339};
    clock.Set(now);
    const std::string request = "TRP" + std::string(reinterpret_cast<const char*>(data + kHeader), size - kHeader);

    const kx::RangeRequest parts = kx::SplitRangeRequest(request);
    Require(parts.dataSource + parts.firstDate + parts.lastDate + parts.staffSql == request.substr(3));
    Require(parts.dataSource.size() == std::min<std::size_t>(request.size() - 3, 1));
    Require(parts.firstDate.size() <= 8 && parts.lastDate.size() <= 8);
    if (!parts.staffSql.empty()) Require(parts.lastDate.size() == 8);

    kx::RangeDays range;
    try {
        range = kx::PlanRangeDays(ctx, parts);
    } catch (const std::invalid_argument&) {
        // Logged by the range run, which then leaves "RFA" all the same.
        return 0;
    }
    Require(EightDigits(parts.firstDate) && EightDigits(parts.lastDate));
    const year_month_day first = kx::DecodeDateText(parts.firstDate);
    const year_month_day last = kx::DecodeDateText(parts.lastDate);
    Require(kx::DateText(first) == parts.firstDate && kx::DateText(last) == parts.lastDate);
    Require(range.first == local_days{first});
    Require(kx::DayMonthYearText(last).size() == 10);

    // The walk ends on the last date, or today when that is still to come.
    const kx::LocalTime end = std::min<kx::LocalTime>(local_days{last}, now);
    Require(range.count >= 0);
    if (range.count == 0) {
        Require(end < kx::LocalTime{range.first});
    } else {
        Require(kx::LocalTime{range.first + days{range.count - 1}} <= end);
        Require(end < kx::LocalTime{range.first + days{range.count}});
    }
    return 0;
}
