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
struct AgentCommandLine {
    enum class Action { Run, ShowVersion, ShowHelp };

    Action action = Action::Run;
    std::filesystem::path home;  // empty: the directory of the executable
    bool serverMode = false;
    bool headless = false;
    std::string mailboxName;  // the default block name when not given
    std::string mailboxGroup;  // a group that may use the block too; empty: this user only
};

// Arguments without the program name. "--opt VALUE" and "--opt=VALUE" are both
// accepted. Throws CommandLineError on an unknown option or a missing value.
AgentCommandLine ParseAgentCommandLine(const std::vector<std::string>& args);
std::string AgentUsageText();
std::string AgentVersionText();

}  // namespace kx
