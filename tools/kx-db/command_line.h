#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "kx-db/demo_options.h"

namespace kx::dbtool {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ToolCommand {
    enum class Kind { Help, Create, Demo };
    Kind kind = Kind::Help;
    std::string target;
    DemoOptions demo;
};

// Arguments without the program name. Throws UsageError.
ToolCommand ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace kx::dbtool
