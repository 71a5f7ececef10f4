#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace kx::feptool {

// kx-fep with its arguments (without the program name); returns the exit status.
// Serves until SIGINT or SIGTERM.
int RunKxFep(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kx::feptool
