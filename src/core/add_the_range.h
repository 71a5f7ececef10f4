#pragma once
#include <string>
#include <string_view>

#include "core/log.h"

namespace kx {

// time ("hhmm") moved by a signed number of minutes, wrapped into one day;
// exactly 1440 stays "2400". A time that is not numeric logs "<AddtheRange>"
// and gives "".
std::string AddtheRange(const Log& log, std::string_view time, int minutes);

}  // namespace kx
