#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "kx-db/attendance_report.h"
#include "kx-db/demo_options.h"

namespace kx::dbtool {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ToolCommand {
    enum class Kind { Help, Create, Demo, Report };
    Kind kind = Kind::Help;
    std::string target;
    DemoOptions demo;
    ReportOptions report;
};

// Arguments without the program name. Throws UsageError.
ToolCommand ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace kx::dbtool
