#include "core/add_the_range.h"

#include <cstdio>
#include <stdexcept>

#include "core/text.h"

namespace kx {
namespace {

int TwoDigits(std::string_view time, std::size_t from) {
    const std::string part = Mid(time, from, 2);
    if (part.empty()) throw std::invalid_argument("'" + std::string(time) + "' is not a valid integer value");
    int value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') throw std::invalid_argument("'" + part + "' is not a valid integer value");
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::string AddtheRange(const Log& log, std::string_view time, int minutes) {
    try {
        int m = TwoDigits(time, 1) * 60 + TwoDigits(time, 3) + minutes;
        if (m < 0)
            m += 1440;
        else if (m > 1440)
            m -= 1440;
        char buf[16];
        std::snprintf(buf, sizeof buf, "%2.2d%2.2d", m / 60, m % 60);
        return buf;
    } catch (const std::exception& e) {
        log.WriteLog(std::string("<AddtheRange>") + e.what());
        return {};
    }
}

}  // namespace kx
