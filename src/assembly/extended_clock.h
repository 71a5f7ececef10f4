#pragma once
#include <string>
#include <string_view>

#include "core/agent_context.h"

namespace kx {

// The extended clock of auto-fit: the processed day runs from 2400 to 4759, so
// ranges can reach into the evening before and the morning after without
// wrapping. Times are "%2.2d%2.2d" of hours and minutes (hours may pass 47).

// hhmm put on the extended clock; throws std::invalid_argument unless the text
// is exactly four digits.
std::string ToExtendedClock(std::string_view time);

// time on the extended clock, moved by minutes towards sign ("-" or "+"; any
// other sign leaves it unmoved). Characters 1-2 and 3-4 must be numbers, else
// std::invalid_argument. Logs the result when ATA_Details is above 0.
std::string Adjust4DTime(const AgentContext& ctx, std::string_view time, std::string_view sign, int minutes);

}  // namespace kx
