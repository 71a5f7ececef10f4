#pragma once
// What an agent or kx-ctl may leave of a mailbox, removed by tests that end
// their programs without an orderly close.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "comms/agent_lock.h"

namespace kx::test {

inline void RemoveMailboxFiles(const std::string& mailbox) {
    shm_unlink(("/" + mailbox).c_str());
    unlink(AgentLockPath(mailbox).c_str());
    rmdir(AgentLockDirectory(mailbox).c_str());
    unlink(CtlLockPath(mailbox).c_str());  // its directory is shared by every mailbox of this user
}

}  // namespace kx::test
