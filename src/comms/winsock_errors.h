#pragma once
#include <string_view>

namespace kx {

// The text of a classic socket error number; "Not a WinSock error" for any
// number outside the table.
std::string_view WinsockErrorText(int error);

}  // namespace kx
