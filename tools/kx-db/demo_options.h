#pragma once
#include <cstdint>

#include "kx-db/demo_calendar.h"

namespace kx::dbtool {

struct DemoOptions {
    int staff = 0;
    int days = 0;
    Date from{};
    std::uint64_t seed = 1;
};

}  // namespace kx::dbtool
