#pragma once
// What a formula's result may be: "0", or a whole number of minutes without
// leading zeros that fits 32 bits.
#include <cstdint>
#include <limits>
#include <string>

namespace kx::test {

inline bool IsMinutesText(const std::string& v) {
    if (v == "0") return true;
    if (v.empty() || v.size() > 10 || v[0] < '1' || v[0] > '9') return false;
    for (const char c : v)
        if (c < '0' || c > '9') return false;
    return std::stoll(v) <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace kx::test
