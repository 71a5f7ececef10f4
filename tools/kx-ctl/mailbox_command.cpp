#include "mailbox_command.h"

#include "comms/shared_block.h"
#include "ctl_commands.h"

namespace kxctl {

std::string MailboxCommandText(const CtlOptions& options) {
    const CtlCommand* command = FindCtlCommand(options.command);
    if (!command) throw CLI::ValidationError("unknown command \"" + options.command + "\"");
    if (!command->request) return {};
    const std::string text = command->request(options.arguments);
    const std::string& c = options.command;
    if (text.size() >= kx::SharedBlock::kSize)
        throw CLI::ValidationError(c + ": the text is " + std::to_string(text.size()) +
                                   " bytes; the block holds at most " + std::to_string(kx::SharedBlock::kSize - 1));
    if (text.find('\0') != std::string::npos) throw CLI::ValidationError(c + ": the text holds a NUL byte");
    return text;
}

}  // namespace kxctl
