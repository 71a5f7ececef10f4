#pragma once
#include <CLI/CLI.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace kx {

// The programs' command lines, all through CLI11, so they read, refuse and
// explain themselves alike:
//  - "--help" shows the synopsis, the description, every option and the footer;
//  - a wrong command line is one line naming the mistake, then the synopsis,
//    and the caller ends with status 2.

// Gives app a help text that opens with the hand-written synopsis (one or more
// "Usage:" lines) instead of CLI11's generic "[OPTIONS]".
void UseSynopsis(CLI::App& app, std::string synopsis);

// Parses args (without the program name) into app. Throws CLI::CallForHelp on
// --help and another CLI::ParseError on a wrong command line.
void ParseArguments(CLI::App& app, const std::vector<std::string>& args);

// The exit status of a wrong command line.
inline constexpr int kUsageStatus = 2;

// Writes "PROGRAM: MISTAKE", the synopsis and a pointer to --help to err;
// answers kUsageStatus.
int ReportUsageError(const std::string& program, const std::string& synopsis, const CLI::Error& error,
                     std::ostream& err);

// Option checks shared by the programs.
CLI::Validator NotEmpty(const std::string& what);
// A whole decimal number from low to high.
CLI::Validator WholeNumber(long long low, long long high);

}  // namespace kx
