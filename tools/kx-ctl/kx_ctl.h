#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace kxctl {

// kx-ctl with its arguments (without the program name); returns the exit status.
int RunKxCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kxctl
