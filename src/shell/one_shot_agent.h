#pragma once
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "core/agent_context.h"
#include "core/clock.h"
#include "db/database.h"
#include "schedule/batch_control.h"

namespace kx {

// The agent as a one-shot run (--explain, --reprocess) needs it: the start-up
// sequence without the mailbox, the window, the controllers or the timers.
// Settings file, derived values, international text, the database, the kt_sys
// start-up values, the job display table, the auto-fit patterns and the two
// settings-table values, in start-up's order. It takes no mailbox lock, so it
// runs beside a running agent.
class OneShotAgent {
public:
    explicit OneShotAgent(std::filesystem::path home);
    OneShotAgent(const OneShotAgent&) = delete;
    OneShotAgent& operator=(const OneShotAgent&) = delete;

    // False when the database cannot be opened or read at start; the reason is
    // in ErrorText() and the main log ("<FCR.DB>").
    bool Start();
    const std::string& ErrorText() const { return error_; }
    // Start, saying on `err` why it failed.
    bool StartOrTell(std::ostream& err);

    AgentContext& Context() { return ctx_; }
    db::Database& Database() { return *database_; }

private:
    SystemClock clock_;
    AgentContext ctx_;
    std::unique_ptr<db::Database> database_;
    std::string error_;
};

// The one-batch rule of a one-shot run: no mailbox timer to stop, and no other
// batch in this process to defer or fire again.
class OneShotBatchControl final : public BatchControl {
public:
    void StopMailboxTimer() override {}
    void StartMailboxTimer() override {}
    void RefireBatch(BatchKind) override {}
};

}  // namespace kx
