#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kxctl {

class Exchange;

// One command of kx-ctl. Everything about a command is its entry in
// CtlCommands(): adding one is adding an entry.
struct CtlCommand {
    const char* name;
    const char* operands;  // as --help names them, one word each: "SOURCE FIRST LAST SQL"
    const char* help;      // its lines in --help, '\n' between them
    // The text written into the block, made of the operands' arguments; throws
    // CLI::ValidationError for arguments the agent could not take. nullptr: the
    // command only looks at the block, without taking a turn or writing to it.
    std::string (*request)(const std::vector<std::string>& arguments);
    bool needsAgent;  // refused, writing nothing, when no agent serves the mailbox
    // Once the request is in the block (or the block is open, for a look): waits
    // for the reply, prints it and answers the exit status.
    int (*reply)(Exchange& exchange);

    std::size_t Arity() const;
};

const std::vector<CtlCommand>& CtlCommands();
const CtlCommand* FindCtlCommand(std::string_view name);  // nullptr for an unknown name

// The commands' part of --help: one entry a command, its help beside its synopsis.
std::string CommandsHelp();

}  // namespace kxctl
