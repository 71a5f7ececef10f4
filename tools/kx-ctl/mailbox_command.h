#pragma once
#include <string>

#include "ctl_options.h"

namespace kxctl {

// The text kx-ctl writes into the block for the command line's command (empty
// for a command that writes nothing), from options as ParseCtlOptions made
// them; throws CLI::ValidationError for arguments the agent could not take.
std::string MailboxCommandText(const CtlOptions& options);

}  // namespace kxctl
