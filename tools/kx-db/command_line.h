#pragma once
#include <string>
#include <vector>

#include "core/command_line.h"
#include "kx-db/attendance_report.h"
#include "kx-db/demo_options.h"

namespace kx::dbtool {

struct ToolCommand {
    enum class Kind { Help, Create, Demo, Report };
    Kind kind = Kind::Help;
    std::string target;
    DemoOptions demo;
    ReportOptions report;
};

// Arguments without the program name: a command (create, demo, report; "help"
// is --help), its TARGET and its options. Throws CLI::ParseError.
ToolCommand ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();     // the whole --help text, every command's options included
std::string SynopsisText();  // its "Usage:" lines

}  // namespace kx::dbtool
