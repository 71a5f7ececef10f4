#pragma once
#include <functional>
#include <memory>

class QSocketNotifier;

namespace kx {

// SIGINT and SIGTERM close the agent like the mailbox "END". They are blocked in
// every thread and read from a signalfd on the event loop, so nothing runs inside
// a signal handler and a signal that arrives during start-up is served once the
// event loop runs.
//
// Block them before the application object and any thread exist (threads inherit
// the mask); then create the notifier.
void BlockTerminationSignals();

class TerminationSignals {
public:
    // onSignal runs on the event-loop thread with the signal number.
    explicit TerminationSignals(std::function<void(int)> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool Active() const { return fd_ >= 0; }

private:
    void Drain();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> onSignal_;
};

}  // namespace kx
