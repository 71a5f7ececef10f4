#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace kx::dbtool {

// The kx-db program: arguments without the program name; returns the exit status.
int RunKxDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kx::dbtool
