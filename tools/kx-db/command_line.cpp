#include "kx-db/command_line.h"

#include <cstdint>
#include <memory>

namespace kx::dbtool {

namespace {

constexpr int kMaxStaff = 100000;
constexpr int kMaxDays = 3660;

constexpr const char* kSynopsis =
    "Usage: kx-db create TARGET\n"
    "  or:  kx-db demo TARGET --staff N --days D --from yyyymmdd [--seed S]\n"
    "  or:  kx-db report TARGET --from yyyymmdd --to yyyymmdd [--staff S]\n"
    "  or:  kx-db --help\n";

const CLI::Validator& DateCheck() {
    static const CLI::Validator check(
        [](const std::string& text) {
            return ParseDate(text) ? std::string() : "wants a date yyyymmdd, not '" + text + "'";
        },
        "");
    return check;
}

struct Parsed {
    std::string target;
    std::string demoFrom;
};

void AddTarget(CLI::App& command, std::string& target) {
    command.add_option("TARGET", target, "an SQLite file path or a postgresql:// URI")
        ->type_name("")
        ->required()
        ->check(NotEmpty("a TARGET"));
}

std::unique_ptr<CLI::App> DbApp(ToolCommand& command, Parsed& parsed) {
    auto app =
        ProgramApp("kx-db", "Creates the suite's tables, and optionally a generated demo site, in an empty database.",
                   kSynopsis, RepeatedOption::Refused);
    app->set_help_flag("--help,-h", "print this help and exit");
    app->require_subcommand(1, 1);

    CLI::App* create = app->add_subcommand("create", "the empty suite tables");
    AddTarget(*create, parsed.target);

    CLI::App* demo = app->add_subcommand(
        "demo",
        "the tables filled with a site of N staff over D days from the given date: system parameters, day, night "
        "and short shifts, shift groups and rosters, holidays, leave (some half days), cards, and door and "
        "time-clock transactions with late arrivals, early leavers, overtime, forgotten and double swipes and "
        "night shifts past midnight. The same seed always gives the same data.");
    AddTarget(*demo, parsed.target);
    demo->add_option("--staff", command.demo.staff, "number of staff, 1 to 100000")
        ->required()
        ->type_name("N")
        ->check(WholeNumber(1, kMaxStaff));
    demo->add_option("--days", command.demo.days, "number of days, 1 to 3660")
        ->required()
        ->type_name("D")
        ->check(WholeNumber(1, kMaxDays));
    demo->add_option("--from", parsed.demoFrom, "the first day")->required()->type_name("yyyymmdd")->check(DateCheck());
    demo->add_option("--seed", command.demo.seed, "seed of the generator (default 1)")->type_name("S");

    CLI::App* report = app->add_subcommand(
        "report", "a summary of the attendance rows the agent wrote in a date range and one staff member's days");
    AddTarget(*report, parsed.target);
    report->add_option("--from", command.report.from, "the first day")
        ->required()
        ->type_name("yyyymmdd")
        ->check(DateCheck());
    report->add_option("--to", command.report.to, "the last day")
        ->required()
        ->type_name("yyyymmdd")
        ->check(DateCheck());
    report
        ->add_option("--staff", command.report.staff,
                     "the staff member whose days are listed (default: the first one with clockings)")
        ->type_name("S");

    for (CLI::App* sub : {create, demo, report}) sub->set_help_flag("--help,-h", "print this help and exit");
    app->footer(
        "TARGET is an SQLite file path (created when missing) or a PostgreSQL URI (postgresql://user@host/db or "
        "postgres://...; the tables go to the current schema). A database that already has tables is left "
        "alone.\n\n"
        "Exit status: 0 done, 1 the database could not be opened, had tables or failed, 2 wrong arguments.");
    return app;
}

}  // namespace

ToolCommand ParseCommandLine(const std::vector<std::string>& args) {
    if (args == std::vector<std::string>{"help"}) return {};
    ToolCommand command;
    Parsed parsed;
    const auto app = DbApp(command, parsed);
    if (!ParseArguments(*app, args)) return {};
    const CLI::App* chosen = app->get_subcommands().front();
    command.target = parsed.target;
    if (chosen->get_name() == "create") {
        command.kind = ToolCommand::Kind::Create;
    } else if (chosen->get_name() == "demo") {
        command.kind = ToolCommand::Kind::Demo;
        command.demo.from = *ParseDate(parsed.demoFrom);
        const std::chrono::year_month_day last{command.demo.from + std::chrono::days{command.demo.days - 1}};
        if (last.year() > std::chrono::year{9999}) throw CLI::ValidationError("the range ends after the year 9999");
    } else {
        command.kind = ToolCommand::Kind::Report;
    }
    return command;
}

std::string UsageText() { return HelpText<ToolCommand, Parsed>(DbApp, CLI::AppFormatMode::All); }

std::string SynopsisText() { return kSynopsis; }

}  // namespace kx::dbtool
