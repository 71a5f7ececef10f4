#pragma once
#include <functional>
#include <string>

#include "comms/shared_block.h"
#include "ctl_options.h"

namespace kxctl {

enum class WaitOutcome { Reply, Timeout, AgentGone };

// Reads the block every 5 ms until done(text) holds for its text (left in text).
// Every 100 ms it makes sure an agent still serves the mailbox.
WaitOutcome WaitForReply(const kx::SharedBlock& block, const std::string& mailbox, WaitLimit limit,
                         const std::function<bool(const std::string&)>& done, std::string& text);

// A block text fit for a message: at most 60 characters, control bytes shown as "^X".
std::string ShownText(const std::string& text);

}  // namespace kxctl
