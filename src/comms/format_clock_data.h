#pragma once
#include <string>

#include "core/agent_context.h"

namespace kx {

class CommandBuffers;

// Turns one packet of the receive queue into the on-line record of the mailbox's
// "DLO" reply, or the empty text when the packet is rejected. As the attendance
// server ([Server] ATServer) it then reprocesses the clocking staff member's day
// and queues "RFA" for FEP 1 in `buffers`. The template record is left as it was
// found, so a batch that let this run between its staff-days keeps its own.
// Failures are logged as "<FormatClockData>:"; the result then keeps what it held.
std::string FormatClockData(AgentContext& ctx, std::string packet, CommandBuffers& buffers);

}  // namespace kx
