#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "schedule/batch_control.h"

namespace kx::test {

// Records the hooks a batch calls, in order.
class FakeBatchControl : public BatchControl {
public:
    void StopMailboxTimer() override { calls.push_back("stop mailbox timer"); }
    void StartMailboxTimer() override { calls.push_back("start mailbox timer"); }
    void RefireBatch(BatchKind kind) override {
        refired.push_back(kind);
        if (refireFails) throw std::runtime_error("timer refused");
    }

    std::vector<std::string> calls;
    std::vector<BatchKind> refired;
    bool refireFails = false;
};

}  // namespace kx::test
