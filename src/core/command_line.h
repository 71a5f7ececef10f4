#pragma once
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace kx {

// The programs' command lines, all through CLI11, so they read, refuse and
// explain themselves alike:
//  - "--help" shows the synopsis, the description, every option and the footer;
//  - a wrong command line is one line naming the mistake, then the synopsis,
//    and the caller ends with status 2.

// How a program treats an option given more than once.
enum class RepeatedOption { Refused, LastWins };

// A program's app, its help text opening with the hand-written synopsis (one or
// more "Usage:" lines) instead of CLI11's generic "[OPTIONS]". Options added
// later take `repeated` as their default.
std::unique_ptr<CLI::App> ProgramApp(const std::string& program, const std::string& description,
                                     const std::string& synopsis, RepeatedOption repeated);

// Parses args (without the program name) into app; false when they ask for
// --help (what the targets hold then means nothing). Throws CLI::ParseError on
// a wrong command line.
bool ParseArguments(CLI::App& app, const std::vector<std::string>& args);

// The help text of the app that build(targets...) makes, over throwaway
// targets: a program builds its app by one function, for parsing and for help.
template <class... Targets, class Build>
std::string HelpText(Build build, CLI::AppFormatMode mode = CLI::AppFormatMode::Normal) {
    std::tuple<Targets...> targets;
    return std::apply(build, targets)->help("", mode);
}

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
