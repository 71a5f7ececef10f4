#pragma once
#include <optional>
#include <string_view>

namespace kx {

// An integer written in decimal, or in hexadecimal after "0x" or "$", with an
// optional sign and nothing else around it. Values beyond the range of long
// long saturate at its ends, so callers can range-check them. Nothing for
// empty or malformed text.
std::optional<long long> ParseIntegerText(std::string_view text);

// ParseIntegerText after trimming the blanks around it, and nothing too for a
// value outside 32 bits: the rule of the integer columns and of the numbers
// kept in integer fields.
std::optional<int> ParseTrimmedInt32(std::string_view text);

}  // namespace kx
