#include "kx-db/kx_db_tool.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "kx-db/command_line.h"
#include "kx-db/demo_generator.h"
#include "kx-db/schema_catalog.h"
#include "kx-db/target_database.h"

namespace kx::dbtool {

namespace {

constexpr int kFailed = 1;

std::string Line(const char* format, const std::string& text, long number) {
    char line[128];
    std::snprintf(line, sizeof line, format, text.c_str(), number);
    return line;
}

void PrintSummary(const DemoSummary& summary, double seconds, std::ostream& out) {
    for (const TableCount& count : summary.counts) out << Line("  %-20s %9ld\n", count.table, count.rows);
    char tail[96];
    std::snprintf(tail, sizeof tail, "  checksum %016llx, %.2f s\n", static_cast<unsigned long long>(summary.checksum),
                  seconds);
    out << tail;
}

int Run(const ToolCommand& command, std::ostream& out) {
    if (command.kind == ToolCommand::Kind::Report && !IsPostgresTarget(command.target) &&
        !std::filesystem::exists(command.target))
        throw ToolError(command.target + " does not exist");
    TargetDatabase target(command.target);
    const std::string shown = ShownTarget(command.target);
    if (command.kind == ToolCommand::Kind::Report) {
        PrintAttendanceReport(target.Db(), command.report, out);
        return 0;
    }
    if (target.HasTables()) throw ToolError(shown + " already has tables; kx-db only fills an empty database");

    if (command.kind == ToolCommand::Kind::Create) {
        target.CreateTables([](db::Database&) {});
        out << "kx-db: created " << ReadTableColumns(target.Db()).size() << " tables in " << shown << "\n";
        return 0;
    }

    const auto started = std::chrono::steady_clock::now();
    DemoSummary summary;
    target.CreateTables([&](db::Database& db) { summary = FillDemo(db, command.demo); });
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    out << "kx-db: demo site in " << shown << ": " << command.demo.staff << " staff, " << command.demo.days
        << " days from " << DateText(command.demo.from) << ", seed " << command.demo.seed << "\n";
    PrintSummary(summary, elapsed.count(), out);
    return 0;
}

}  // namespace

int RunKxDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ToolCommand command;
    try {
        command = ParseCommandLine(args);
    } catch (const CLI::ParseError& e) {
        return ReportUsageError("kx-db", SynopsisText(), e, err);
    }
    if (command.kind == ToolCommand::Kind::Help) {
        out << UsageText();
        return 0;
    }
    try {
        return Run(command, out);
    } catch (const std::exception& e) {
        err << "kx-db: " << e.what() << "\n";
        return kFailed;
    }
}

}  // namespace kx::dbtool
