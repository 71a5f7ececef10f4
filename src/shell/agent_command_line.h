#pragma once
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace kx {

class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// kx-ata [--home DIR] [--server] [--headless] [--mailbox NAME] [--version] [--help]
// kx-ata --explain STAFF DATE [--home DIR] [--json]
// kx-ata --reprocess FIRST LAST [--staff-sql SQL] [--source T|D] [--dry-run] [--home DIR]
struct AgentCommandLine {
    enum class Action { Run, ShowVersion, ShowHelp, Explain, Reprocess };

    Action action = Action::Run;
    std::filesystem::path home;  // empty: the directory of the executable
    bool serverMode = false;
    bool headless = false;
    std::string mailboxName;  // the default block name when not given
    std::string mailboxGroup;  // a group that may use the block too; empty: this user only

    // --explain: the staff-day; --reprocess: the range (dates as given, checked by the run).
    std::string staff;
    std::string firstDate;
    std::string lastDate;
    bool json = false;
    std::string staffSql;
    std::string source;
    bool dryRun = false;
};

// Arguments without the program name. "--opt VALUE" and "--opt=VALUE" are both
// accepted. Throws CommandLineError on an unknown option or a missing value.
AgentCommandLine ParseAgentCommandLine(const std::vector<std::string>& args);
std::string AgentUsageText();
std::string AgentVersionText();

}  // namespace kx
