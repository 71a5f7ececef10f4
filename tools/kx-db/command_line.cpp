#include "kx-db/command_line.h"

#include <charconv>
#include <cstdint>

namespace kx::dbtool {

namespace {

constexpr int kMaxStaff = 100000;
constexpr int kMaxDays = 3660;

template <class Number>
Number ParseNumber(const std::string& option, const std::string& text, Number low, Number high) {
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw UsageError(option + " wants a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    return value;
}

ToolCommand ParseDemo(const std::vector<std::string>& args) {
    ToolCommand command{ToolCommand::Kind::Demo, args.at(1), {}, {}};
    bool staff = false, days = false, from = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        std::string option = args[i], value;
        if (const std::size_t eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError(option.starts_with("--") ? option + " wants a value" : "unexpected argument '" + option + "'");
        }
        if (option == "--staff") {
            command.demo.staff = ParseNumber(option, value, 1, kMaxStaff);
            staff = true;
        } else if (option == "--days") {
            command.demo.days = ParseNumber(option, value, 1, kMaxDays);
            days = true;
        } else if (option == "--from") {
            auto date = ParseDate(value);
            if (!date) throw UsageError("--from wants a date yyyymmdd, not '" + value + "'");
            command.demo.from = *date;
            from = true;
        } else if (option == "--seed") {
            command.demo.seed = ParseNumber<std::uint64_t>(option, value, 0, UINT64_MAX);
        } else {
            throw UsageError("unknown option '" + option + "'");
        }
    }
    if (!staff || !days || !from) throw UsageError("demo needs --staff, --days and --from");
    const std::chrono::year_month_day last{command.demo.from + std::chrono::days{command.demo.days - 1}};
    if (last.year() > std::chrono::year{9999}) throw UsageError("the range ends after the year 9999");
    return command;
}

ToolCommand ParseReport(const std::vector<std::string>& args) {
    ToolCommand command{ToolCommand::Kind::Report, args.at(1), {}, {}};
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) throw UsageError(option + " wants a value");
        const std::string& value = args[++i];
        if (option == "--from" || option == "--to") {
            if (!ParseDate(value)) throw UsageError(option + " wants a date yyyymmdd, not '" + value + "'");
            (option == "--from" ? command.report.from : command.report.to) = value;
        } else if (option == "--staff") {
            command.report.staff = value;
        } else {
            throw UsageError("unknown option '" + option + "'");
        }
    }
    if (command.report.from.empty() || command.report.to.empty()) throw UsageError("report needs --from and --to");
    return command;
}

}  // namespace

ToolCommand ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) throw UsageError("no command given");
    const std::string& name = args[0];
    if (name == "--help" || name == "-h" || name == "help") return {};
    if (name != "create" && name != "demo" && name != "report") throw UsageError("unknown command '" + name + "'");
    if (args.size() < 2 || args[1].empty() || args[1].starts_with("--"))
        throw UsageError(name + " needs a TARGET");
    if (name == "demo") return ParseDemo(args);
    if (name == "report") return ParseReport(args);
    if (args.size() > 2) throw UsageError("create takes only a TARGET");
    return {ToolCommand::Kind::Create, args[1], {}, {}};
}

std::string UsageText() {
    return "Usage:\n"
           "  kx-db create TARGET\n"
           "  kx-db demo TARGET --staff N --days D --from yyyymmdd [--seed S]\n"
           "  kx-db report TARGET --from yyyymmdd --to yyyymmdd [--staff S]\n"
           "  kx-db --help\n"
           "\n"
           "Creates the suite's tables, and optionally a generated demo site, in an empty database.\n"
           "\n"
           "TARGET is an SQLite file path (created when missing) or a PostgreSQL URI\n"
           "(postgresql://user@host/db or postgres://...; the tables go to the current schema).\n"
           "A database that already has tables is left alone.\n"
           "\n"
           "create    the empty suite tables\n"
           "demo      the tables filled with a site of N staff (1 to 100000) over D days\n"
           "          (1 to 3660) from the given date: system parameters, day, night and short\n"
           "          shifts, shift groups and rosters, holidays, leave (some half days), cards,\n"
           "          and door and time-clock transactions with late arrivals, early leavers,\n"
           "          overtime, forgotten and double swipes and night shifts past midnight.\n"
           "          The same seed (default 1) always gives the same data.\n"
           "report    a summary of the attendance rows the agent wrote in a date range\n"
           "          and one staff member's days as a table\n"
           "\n"
           "Exit status: 0 done, 1 the database could not be opened, had tables or failed,\n"
           "2 wrong arguments.\n";
}

}  // namespace kx::dbtool
