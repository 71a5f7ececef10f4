#pragma once

namespace kx {

// Exit statuses of kx-ata.
inline constexpr int kExitClosed = 0;
inline constexpr int kExitStartupFailed = 1;  // the database could not be opened, or no work areas
inline constexpr int kExitUsage = 2;
inline constexpr int kExitMailboxBusy = 3;      // another agent serves the mailbox
inline constexpr int kExitStaffDaysFailed = 3;  // --explain, --reprocess: staff-days failed or could not be done

// The kx-ata program: command line, the agent's start-up, the event loop and the close.
int RunKxAta(int argc, char** argv);

}  // namespace kx
