#pragma once
#include <cstdint>
#include <string_view>

#include "core/log.h"

namespace kx {

// A minute stamp counts whole minutes from 30 December 1899 00:00; 0 means the
// time is not available. Stamps are read from "yyyymmddhhmm" texts.

// The stamp of a "yyyymmddhhmm" text: 0 unless characters 9 to 12, trimmed,
// are exactly four characters long. A date or time that cannot be encoded (or
// whose stamp does not fit 32 bits) is written to the main log and gives 0.
std::int32_t StampToMinutes(const Log& log, std::string_view stamp);

// Signed minutes from `from` to `to` (negative when `to` is earlier): 0 unless
// characters 9 to 12 of both, joined and trimmed, are exactly eight characters
// long. A conversion failure is written to the main log and gives 0.
std::int64_t MinutesBetween(const Log& log, std::string_view from, std::string_view to);

}  // namespace kx
